#include "engine/simulation/BoundedSearch.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <memory>
#include <nlopt.h>
#include <type_traits>

namespace tavi {

namespace {

// Shorter first steps would make BOBYQA's models of f meaningless in rounding noise.
constexpr double kShortestFirstStep = 1.0e-8;

struct Objective {
    const std::function<double(const Eigen::VectorXd&)>& f;
    nlopt_opt opt;
    Eigen::VectorXd point;
    std::exception_ptr failure;
};

double objectiveValue(unsigned n, const double* x, double* /*gradient*/, void* data) {
    auto& objective = *static_cast<Objective*>(data);
    objective.point = Eigen::Map<const Eigen::VectorXd>(x, n);
    try {
        const double value = objective.f(objective.point);
        return std::isfinite(value) ? value : std::numeric_limits<double>::max();
    } catch (...) {
        // Exceptions must not cross NLopt's C code: stop it and pass the exception on after.
        objective.failure = std::current_exception();
        nlopt_force_stop(objective.opt);
        return std::numeric_limits<double>::max();
    }
}

// BOBYQA moves a start that lies within its first step of a bound, which can make it end worse
// than where it began: first steps of half the distance to the bound there keep the start. It
// also needs room for two first steps between the bounds.
Eigen::VectorXd firstSteps(const Eigen::VectorXd& x, const Eigen::VectorXd& lower,
                           const Eigen::VectorXd& upper, double step) {
    Eigen::VectorXd steps(x.size());
    for (Eigen::Index i = 0; i < x.size(); ++i) {
        steps(i) = std::min(step, (upper(i) - lower(i)) / 2.0);
        const double room = std::min(x(i) - lower(i), upper(i) - x(i));
        if (room > 0.0 && room < 2.0 * steps(i)) {
            steps(i) = std::max(room / 2.0, kShortestFirstStep);
        }
    }
    return steps;
}

}  // namespace

bool minimiseWithinBounds(const std::function<double(const Eigen::VectorXd&)>& f,
                          Eigen::VectorXd& x, const Eigen::VectorXd& lower,
                          const Eigen::VectorXd& upper, const SearchSettings& settings) {
    const auto n = static_cast<unsigned>(x.size());
    const std::unique_ptr<std::remove_pointer_t<nlopt_opt>, decltype(&nlopt_destroy)> opt(
        nlopt_create(NLOPT_LN_BOBYQA, n), &nlopt_destroy);
    if (!opt) {
        return false;
    }
    Objective objective{f, opt.get(), Eigen::VectorXd(x.size()), nullptr};
    nlopt_set_min_objective(opt.get(), objectiveValue, &objective);
    nlopt_set_lower_bounds(opt.get(), lower.data());
    nlopt_set_upper_bounds(opt.get(), upper.data());
    nlopt_set_ftol_abs(opt.get(), settings.valueTolerance);
    nlopt_set_xtol_abs1(opt.get(), settings.stepTolerance);
    nlopt_set_maxeval(opt.get(), settings.maxEvaluations);
    x = x.cwiseMax(lower).cwiseMin(upper);
    const Eigen::VectorXd steps = firstSteps(x, lower, upper, settings.initialStep);
    nlopt_set_initial_step(opt.get(), steps.data());
    double minimum = 0.0;
    const nlopt_result result = nlopt_optimize(opt.get(), x.data(), &minimum);
    if (objective.failure) {
        std::rethrow_exception(objective.failure);
    }
    // Roundoff-limited: no step that the doubles can resolve improves f any more.
    return result == NLOPT_SUCCESS || result == NLOPT_FTOL_REACHED ||
           result == NLOPT_XTOL_REACHED || result == NLOPT_ROUNDOFF_LIMITED;
}

}  // namespace tavi
