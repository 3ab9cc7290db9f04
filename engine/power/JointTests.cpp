#include "engine/power/JointTests.h"

#include <Eigen/Cholesky>
#include <cmath>
#include <limits>
#include <numeric>

namespace tavi {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Linearly independent members of at most dimmax coefficients are at most dimmax; on the stack.
using SmallMatrix = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, 0, dimmax, dimmax>;
using SmallVector = Eigen::Matrix<double, Eigen::Dynamic, 1, 0, dimmax, 1>;

// The number of members of each joint test: its numerator df.
std::vector<double> memberCounts(const TestedQuantities& tested) {
    std::vector<double> counts;
    for (const JointTest& test : tested.jointTests()) {
        counts.push_back(double(test.members.size()));
    }
    return counts;
}

// 1 / sqrt(lambda), the standard error of a unit effect.
double unitEffectSe(double lambda) {
    return 1.0 / std::sqrt(lambda);
}

}  // namespace

double jointNoncentrality(std::span<const double> packed, std::span<const double> theta) {
    const auto r = static_cast<Eigen::Index>(theta.size());
    if (r > dimmax) {
        return kNaN;
    }
    SmallMatrix covariance(r, r);
    std::size_t k = 0;
    for (Eigen::Index a = 0; a < r; ++a) {
        for (Eigen::Index b = 0; b <= a; ++b) {
            covariance(a, b) = packed[k];
            covariance(b, a) = packed[k];
            ++k;
        }
    }
    // In correlations, so that members of very different scales factorise as well as any.
    SmallVector scale(r);
    SmallVector scaled(r);
    for (Eigen::Index a = 0; a < r; ++a) {
        if (!(covariance(a, a) > 0.0)) {
            return kNaN;
        }
        scale(a) = 1.0 / std::sqrt(covariance(a, a));
        scaled(a) = theta[a] * scale(a);
    }
    const SmallMatrix correlation = scale.asDiagonal() * covariance * scale.asDiagonal();
    if (!correlation.allFinite()) {
        return kNaN;
    }
    const Eigen::LLT<SmallMatrix> factor(correlation);
    if (factor.info() != Eigen::Success) {
        return kNaN;
    }
    return scaled.dot(factor.solve(scaled));
}

JointTests::JointTests(const TestSettings& settings, DegreesOfFreedom jointDf,
                       const std::shared_ptr<const TestedQuantities>& tested,
                       const std::vector<std::optional<double>>& effects)
    : m_tests(settings, std::move(jointDf),
              std::vector<std::optional<double>>(tested->jointTests().size(), 1.0),
              memberCounts(*tested)) {
    for (const JointTest& test : tested->jointTests()) {
        std::vector<double>& theta = m_theta.emplace_back();
        for (const int member : test.members) {
            theta.push_back(effects[member].value_or(kNaN));
        }
    }
}

SweepTable JointTests::unitEffectTable(const SweepTable& table) const {
    SweepTable columns(count(), table.budgetMode(), table.levels());
    std::vector<double> se(static_cast<std::size_t>(count()));
    for (std::size_t i = 0; i < table.size(); ++i) {
        for (int j = 0; j < count(); ++j) {
            se[j] = unitEffectSe(noncentrality(j, table.jointCovariance(i, j)));
        }
        columns.add(table.point(i), se);
    }
    return columns;
}

UnitVariances JointTests::unitEffectVariances(const UnitVariances& unit) const {
    std::vector<int> columns(static_cast<std::size_t>(count()));
    std::iota(columns.begin(), columns.end(), 0);
    UnitVariances result(columns);
    std::vector<double> variances(columns.size());
    for (std::size_t i = 0; i < unit.size(); ++i) {
        for (int j = 0; j < count(); ++j) {
            variances[j] = 1.0 / noncentrality(j, unit.jointCovariance(i, j));
        }
        result.add(unit.groupsPerSite(i), unit.groupSize(i), variances);
    }
    return result;
}

}  // namespace tavi
