// A derivative-free minimisation within bounds, by NLopt's BOBYQA (quadratic models
// interpolated from the function's values, improved within a trust region): for a function whose
// minimum Newton's method does not reach, because its curvature vanishes in some direction or
// its minimum lies on a bound.
#pragma once

#include <Eigen/Core>
#include <functional>

namespace tavi {

struct SearchSettings {
    double initialStep;     // the first steps' length, shorter in a coordinate near its bound
    double valueTolerance;  // an improvement of f smaller than this ends the search
    double stepTolerance;   // so does a step shorter than this in every coordinate
    int maxEvaluations;
};

// Minimises f from x, keeping lower <= x <= upper element by element (infinite bounds for
// coordinates without one), and leaves the best point found in x. A NaN or infinite value of f
// counts as worse than any finite one. Returns whether the search converged; it has not when it ran
// out of evaluations or NLopt failed. An exception thrown by f ends the search and is passed on to
// the caller.
bool minimiseWithinBounds(const std::function<double(const Eigen::VectorXd&)>& f,
                          Eigen::VectorXd& x, const Eigen::VectorXd& lower,
                          const Eigen::VectorXd& upper, const SearchSettings& settings);

}  // namespace tavi
