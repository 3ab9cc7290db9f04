#include "engine/power/PowerRoot.h"

#include <algorithm>
#include <boost/math/tools/roots.hpp>
#include <cstdint>
#include <exception>
#include <limits>

namespace tavi {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

double powerOrNaN(const std::function<double(double)>& powerOrThrow, double noncentrality) {
    try {
        return powerOrThrow(noncentrality);
    } catch (const std::exception&) {
        return kNaN;
    }
}

double noncentralityReaching(const std::function<double(double)>& powerOrThrow, double target,
                             double guess, double largest) {
    try {
        const auto shortfall = [&](double noncentrality) {
            return powerOrThrow(noncentrality) - target;
        };
        double lower = guess;
        double upper = guess;
        double lowerValue = shortfall(guess);
        double upperValue = lowerValue;
        if (lowerValue == 0.0) {
            return guess;
        }
        for (double step = 1.0e-4; lowerValue > 0.0; step *= 10.0) {
            upper = lower;
            upperValue = lowerValue;
            lower = lower / (1.0 + step);
            lowerValue = shortfall(lower);
        }
        for (double step = 1.0e-4; upperValue < 0.0; step *= 10.0) {
            if (upper == largest) {
                return kNaN;
            }
            lower = upper;
            lowerValue = upperValue;
            upper = std::min(upper * (1.0 + step), largest);
            upperValue = shortfall(upper);
        }
        std::uintmax_t iterations = 100;
        const auto root = boost::math::tools::toms748_solve(
            shortfall, lower, upper, lowerValue, upperValue,
            boost::math::tools::eps_tolerance<double>(45), iterations);
        return (root.first + root.second) / 2.0;
    } catch (const std::exception&) {
        return kNaN;
    }
}

}  // namespace tavi
