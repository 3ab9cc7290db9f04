#include "engine/simulation/PeriodFit.h"

#include "engine/simulation/BoundedSearch.h"

#include <cmath>
#include <limits>
#include <vector>

namespace tavi {

namespace {

using Eigen::Index;
using Eigen::VectorXd;

// A cohort's units whose deviations correlated 1 in every period would have a singular
// covariance: the search stays this close to it.
constexpr double kLargestIac = 1.0 - 1.0e-6;
// A ratio of the clusters' variance to the units' below this is a 0 that the search has not
// quite met, as a nested fit's variances below 1e-8 sigma2.
constexpr double kZeroRatio = 1.0e-8;
// The search: first steps of this length (the correlations lie in [0, 1], the ratio is mostly
// well below 1), ending when a step lowers -2 log L by less than the tolerance or its steps are
// this short in every coordinate, after at most so many evaluations per parameter.
constexpr double kFirstStep = 0.1;
constexpr double kValueTolerance = 1.0e-9;
constexpr double kStepTolerance = 1.0e-9;
constexpr int kEvaluationsPerParameter = 500;

// A correlation the fit estimates, and its upper bound; its lower bound is 0.
struct FreeCorrelation {
    double PeriodCorrelations::*member;
    double upper;
};

std::vector<FreeCorrelation> freeCorrelations(const PeriodCorrelations& planned) {
    std::vector<FreeCorrelation> free;
    if (planned.cac != 1.0) {
        free.push_back({&PeriodCorrelations::cac, 1.0});
    }
    if (planned.decay != 1.0) {
        free.push_back({&PeriodCorrelations::decay, 1.0});
    }
    if (planned.cohort) {
        free.push_back({&PeriodCorrelations::iac, kLargestIac});
        if (planned.cohortDecay != 1.0) {
            free.push_back({&PeriodCorrelations::cohortDecay, 1.0});
        }
    }
    return free;
}

// The parameters x of the search: the ratio of the clusters' variance to the units', then the
// free correlations. The ratio r gives the clusters' share of the variance r / (1 + r).
PeriodCorrelations correlationsAt(const VectorXd& x, const PeriodCorrelations& planned,
                                  const std::vector<FreeCorrelation>& free) {
    PeriodCorrelations c = planned;
    c.icc = x(0) / (1.0 + x(0));
    for (std::size_t j = 0; j < free.size(); ++j) {
        c.*free[j].member = x(static_cast<Index>(j) + 1);
    }
    return c;
}

}  // namespace

PeriodFit fitPeriodReml(const PeriodData& data, PeriodCriterion& criterion,
                        const PeriodCorrelations& planned, const std::atomic<bool>* stop) {
    PeriodFit fit;
    const std::vector<FreeCorrelation> free = freeCorrelations(planned);
    const auto parameters = static_cast<Index>(free.size()) + 1;
    VectorXd x(parameters);
    VectorXd lower = VectorXd::Zero(parameters);
    VectorXd upper(parameters);
    x(0) = planned.icc / (1.0 - planned.icc);
    upper(0) = std::numeric_limits<double>::infinity();
    for (std::size_t j = 0; j < free.size(); ++j) {
        x(static_cast<Index>(j) + 1) = planned.*free[j].member;
        upper(static_cast<Index>(j) + 1) = free[j].upper;
    }
    const auto value = [&](const VectorXd& point) {
        if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
            throw FitStopped{};
        }
        return criterion.evaluate(data, correlationsAt(point, planned, free));
    };
    try {
        const SearchSettings settings{kFirstStep, kValueTolerance, kStepTolerance,
                                      kEvaluationsPerParameter * static_cast<int>(parameters + 1)};
        const bool converged = minimiseWithinBounds(value, x, lower, upper, settings);
        const double minimum = value(x);
        if (!converged || !std::isfinite(minimum)) {
            return fit;
        }
        fit.status = x(0) < kZeroRatio ? FitStatus::ZeroVariance : FitStatus::Converged;
        fit.beta = criterion.beta();
        fit.standardErrors = criterion.covarianceOfBeta().diagonal().cwiseSqrt();
        fit.variance = criterion.variance();
        fit.correlations = correlationsAt(x, planned, free);
        fit.logLikelihood = -0.5 * minimum;
    } catch (const FitStopped&) {
        fit.status = FitStatus::Stopped;
    }
    return fit;
}

}  // namespace tavi
