#include "files/CovarianceCheck.h"

#include "files/NumberText.h"

#include <Eigen/Eigenvalues>
#include <algorithm>
#include <cmath>
#include <limits>

namespace tavi {

namespace {

// Sized up to the capacity, so that checking a matrix allocates nothing.
using CapacityMatrix =
    Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::ColMajor, dimmax, dimmax>;

constexpr double kRelativeTolerance = 1e-10;

// The names of the matrices, in the order of CovarianceMatrixKind.
constexpr const char* kMatrixNames[] = {
    "within-groups covariance matrix",
    "between-groups covariance matrix",
    "random-effects covariance matrix",
};

}  // namespace

CovarianceCheck checkCovarianceMatrix(const Matrix& m, int order) {
    if (order <= 0) {
        return {true, 0.0};
    }
    // Zero-filled, though the loop sets every entry, because the compiler cannot tell.
    CapacityMatrix a = CapacityMatrix::Zero(order, order);
    double largestVariance = 0.0;
    bool negativeVariance = false;
    for (int i = 1; i <= order; ++i) {
        for (int j = 1; j <= i; ++j) {
            if (!std::isfinite(m(i, j))) {
                return {false, std::numeric_limits<double>::quiet_NaN()};
            }
            a(i - 1, j - 1) = m(i, j);
            a(j - 1, i - 1) = m(i, j);
        }
        largestVariance = std::max(largestVariance, std::abs(m(i, i)));
        negativeVariance = negativeVariance || m(i, i) < 0.0;
    }
    const Eigen::SelfAdjointEigenSolver<CapacityMatrix> solver(a, Eigen::EigenvaluesOnly);
    const double smallest = solver.eigenvalues()(0);  // they come in increasing order
    return {!negativeVariance && smallest >= -kRelativeTolerance * largestVariance, smallest};
}

std::string covarianceWarning(CovarianceMatrixKind kind, const Matrix& m, int order) {
    return covarianceWarning(kMatrixNames[static_cast<int>(kind)], m, order);
}

std::string covarianceWarning(std::string_view name, const Matrix& m, int order) {
    const CovarianceCheck check = checkCovarianceMatrix(m, order);
    if (check.valid) {
        return {};
    }
    const std::string eigenvalue = significantNumber(check.smallestEigenvalue, 6);
    std::string warning = "Warning: the ";
    return warning.append(name)
        .append(" is not a valid covariance matrix (smallest eigenvalue ")
        .append(eigenvalue)
        .append(").");
}

std::vector<std::string> covarianceFindings(const NestedDesign& d) {
    const NestedModel& m = d.model;
    struct NamedMatrix {
        std::string_view name;
        const Matrix& matrix;
        int order;
    };
    const std::vector<NamedMatrix> matrices =
        d.levels() == 3
            ? std::vector<NamedMatrix>{{"level-2 random-effects covariance matrix", m.Tau2,
                                        level2Effects(m)},
                                       {"level-3 random-effects covariance matrix", m.Tau3,
                                        level3Effects(m)},
                                       {kMatrixNames[0], m.WithinCov, m.p1},
                                       {kMatrixNames[1], m.BetweenCov, betweenGroupsOrder(m)},
                                       {"between-sites covariance matrix", m.SiteCov,
                                        betweenSitesOrder(m)}}
            : std::vector<NamedMatrix>{{kMatrixNames[0], m.WithinCov, m.p1},
                                       {kMatrixNames[1], m.BetweenCov, betweenGroupsOrder(m)},
                                       {kMatrixNames[2], m.Tau2, level2Effects(m)}};
    std::vector<std::string> findings;
    for (const NamedMatrix& entry : matrices) {
        std::string message = covarianceWarning(entry.name, entry.matrix, entry.order);
        if (!message.empty()) {
            findings.push_back(std::move(message));
        }
    }
    return findings;
}

}  // namespace tavi
