#include "engine/simulation/RemlFit.h"

#include "engine/simulation/BoundedSearch.h"
#include "engine/simulation/ProfiledCriterion.h"

#include <Eigen/Eigenvalues>
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace tavi {

namespace {

using Eigen::Index;
using Eigen::MatrixXd;
using Eigen::VectorXd;

constexpr int kMaxIterations = 100;
constexpr int kMaxHalvings = 60;
// Newton steps that would lower the criterion (-2 log L) by less than this end the search, and
// so do steps of the derivative-free search that lower it by less.
constexpr double kDecrementTolerance = 1.0e-9;
// A diagonal element of a relative Cholesky factor below this makes its Tau singular: a
// conditional variance below 1e-8 times the residual variance is a 0 that the search has not
// quite met. So is a variance below that: the square of the same bound.
constexpr double kBoundaryFactor = 1.0e-4;
// Curvatures below this share of the largest count as this share; a step is at most this long
// (the elements of L are ratios of standard deviations).
constexpr double kSmallestCurvature = 1.0e-8;
constexpr double kLongestStep = 4.0;
// Relative step of the differences that give the Hessian.
constexpr double kDifferenceStep = 1.0e-5;
// The derivative-free search after Newton's method: first steps of this length (the elements of
// L are ratios of standard deviations, mostly well below 1), ending also when its steps are
// this short in every coordinate, and at most so many evaluations per parameter.
constexpr double kSearchFirstStep = 0.1;
constexpr double kSearchStepTolerance = 1.0e-9;
constexpr int kSearchEvaluationsPerParameter = 500;

// The Hessian at theta from forward differences of the analytic gradient, made symmetric.
MatrixXd hessianAt(ProfiledCriterion& criterion, const VectorXd& theta, const VectorXd& gradient) {
    const Index m = theta.size();
    MatrixXd hessian(m, m);
    VectorXd point = theta;
    VectorXd plus;
    for (Index i = 0; i < m; ++i) {
        const double h = kDifferenceStep * std::max(1.0, std::fabs(theta(i)));
        point(i) = theta(i) + h;
        criterion.evaluate(point, &plus);
        point(i) = theta(i);
        hessian.col(i) = (plus - gradient) / h;
    }
    return (hessian + hessian.transpose()) / 2.0;
}

// The Newton step -H^-1 g, with the eigenvalues of H replaced by their magnitudes and kept
// away from 0, so that it goes downhill also where the criterion is not convex, and no longer
// than kLongestStep.
VectorXd newtonStep(const MatrixXd& hessian, const VectorXd& gradient) {
    const Eigen::SelfAdjointEigenSolver<MatrixXd> eigen(hessian);
    const VectorXd magnitudes = eigen.eigenvalues().cwiseAbs();
    const double floor = std::max(kSmallestCurvature * magnitudes.maxCoeff(), kSmallestCurvature);
    const VectorXd along = eigen.eigenvectors().transpose() * gradient;
    VectorXd step = -eigen.eigenvectors() * along.cwiseQuotient(magnitudes.cwiseMax(floor));
    const double length = step.norm();
    if (length > kLongestStep) {
        step *= kLongestStep / length;
    }
    return step;
}

// Minimises the criterion from theta; whether it converged.
bool minimise(ProfiledCriterion& criterion, VectorXd& theta, int& iterations) {
    VectorXd gradient;
    double value = criterion.evaluate(theta, &gradient);
    if (!std::isfinite(value) || !gradient.allFinite()) {
        return false;
    }
    for (iterations = 1; iterations <= kMaxIterations; ++iterations) {
        const MatrixXd hessian = hessianAt(criterion, theta, gradient);
        if (!hessian.allFinite()) {
            return false;
        }
        const VectorXd step = newtonStep(hessian, gradient);
        const double decrement = -gradient.dot(step);
        if (!(decrement >= 0.0)) {
            return false;
        }
        if (decrement < kDecrementTolerance) {
            // So close that the last step is as good as exact.
            theta += step;
            return true;
        }
        double t = 1.0;
        bool accepted = false;
        for (int halving = 0; halving < kMaxHalvings && !accepted; ++halving, t /= 2.0) {
            const VectorXd trial = theta + t * step;
            const double trialValue = criterion.evaluate(trial, nullptr);
            if (trialValue <= value - 1.0e-4 * t * decrement) {
                theta = trial;
                accepted = true;
            }
        }
        if (!accepted) {
            return false;
        }
        value = criterion.evaluate(theta, &gradient);
        if (!std::isfinite(value) || !gradient.allFinite()) {
            return false;
        }
    }
    return false;
}

// Minimises the criterion from theta, where Newton's method stopped, by the derivative-free
// search with the diagonals of L2 and L3 at least 0; whether it converged.
bool searchWithinBounds(ProfiledCriterion& criterion, VectorXd& theta) {
    const std::vector<Index> diagonal = criterion.diagonalPositions();
    VectorXd lower = VectorXd::Constant(theta.size(), -std::numeric_limits<double>::infinity());
    for (std::size_t j = 0; j < diagonal.size(); ++j) {
        lower(diagonal[j]) = 0.0;
        // A column of L and its negative give the same Tau: start with a diagonal of at least 0.
        if (theta(diagonal[j]) < 0.0) {
            const Index end = j + 1 < diagonal.size() ? diagonal[j + 1] : theta.size();
            theta.segment(diagonal[j], end - diagonal[j]) *= -1.0;
        }
    }
    const SearchSettings settings{
        kSearchFirstStep, kDecrementTolerance, kSearchStepTolerance,
        static_cast<int>(kSearchEvaluationsPerParameter * (theta.size() + 1))};
    return minimiseWithinBounds(
        [&criterion](const VectorXd& point) { return criterion.evaluate(point, nullptr); }, theta,
        lower, VectorXd::Constant(theta.size(), std::numeric_limits<double>::infinity()), settings);
}

// Where Tau2 = sigma2 L2 L2' and Tau3 = sigma2 L3 L3' lie: inside the parameter space, or on its
// boundary with a variance at 0 or with the random effects of a level perfectly correlated.
FitStatus statusOf(const MatrixXd& L2, const MatrixXd& L3) {
    const auto smallest = [](const VectorXd& values) {
        return values.size() == 0 ? std::numeric_limits<double>::infinity() : values.minCoeff();
    };
    if (std::min(smallest(L2.diagonal().cwiseAbs()), smallest(L3.diagonal().cwiseAbs())) >=
        kBoundaryFactor) {
        return FitStatus::Converged;
    }
    // Row j of L holds the variance of random effect j relative to sigma2 as its squared norm.
    return std::min(smallest(L2.rowwise().squaredNorm()), smallest(L3.rowwise().squaredNorm())) <
                   kBoundaryFactor * kBoundaryFactor
               ? FitStatus::ZeroVariance
               : FitStatus::PerfectCorrelation;
}

// The estimates that the criterion left at its minimum, whose value is value.
void storeEstimates(const ProfiledCriterion& criterion, double value, RemlFit& fit) {
    const MatrixXd& L2 = criterion.level2Factor();
    const MatrixXd& L3 = criterion.level3Factor();
    fit.status = statusOf(L2, L3);
    fit.beta = criterion.beta();
    fit.standardErrors = criterion.covarianceOfBeta().diagonal().cwiseSqrt();
    fit.sigma2 = criterion.sigma2();
    fit.tau2 = fit.sigma2 * L2 * L2.transpose();
    fit.tau3 = fit.sigma2 * L3 * L3.transpose();
    fit.logLikelihood = -0.5 * value;
}

// Whether starts, a list of first positions followed by the end, runs from 0 to end in order.
bool runsThrough(const std::vector<Index>& starts, Index end) {
    return starts.size() >= 2 && starts.front() == 0 && starts.back() == end &&
           std::is_sorted(starts.begin(), starts.end());
}

// Whether data holds what the fit needs: groups over all its rows and, with level-3 effects,
// sites over all its groups; more units than fixed coefficients and a level-2 intercept.
bool fittable(const NestedData& data) {
    const Index units = data.y.size();
    const auto groups = static_cast<Index>(data.groupStart.size()) - 1;
    const bool sites = data.Z3.cols() > 0;
    return units > data.X.cols() && data.X.rows() == units && data.Z2.rows() == units &&
           data.Z2.cols() >= 1 && runsThrough(data.groupStart, units) &&
           (sites ? data.Z3.rows() == units && runsThrough(data.siteStart, groups)
                  : data.siteStart.empty());
}

}  // namespace

RemlFit fitReml(const NestedData& data, const std::atomic<bool>* stop) {
    RemlFit fit;
    if (!fittable(data)) {
        return fit;
    }
    try {
        ProfiledCriterion criterion(data, stop);
        VectorXd theta = criterion.start();
        bool converged = minimise(criterion, theta, fit.iterations);
        // Nothing can be searched from a point where the criterion is not defined, which only
        // the start can be.
        if (!converged && std::isfinite(criterion.evaluate(theta, nullptr))) {
            converged = searchWithinBounds(criterion, theta);
        }
        const double value = criterion.evaluate(theta, nullptr);
        if (converged && std::isfinite(value)) {
            storeEstimates(criterion, value, fit);
        }
    } catch (const FitStopped&) {
        fit = RemlFit{};
        fit.status = FitStatus::Stopped;
    }
    return fit;
}

}  // namespace tavi
