#include "engine/power/TestPower.h"

#include <algorithm>
#include <boost/math/distributions/non_central_t.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <boost/math/tools/roots.hpp>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace tavi {

namespace {

// In double precision: the target turns off Boost.Math's promotion to long double.
using NoncentralT = boost::math::non_central_t_distribution<double>;
using StudentsT = boost::math::students_t_distribution<double>;

// The noncentral t's series starts at the index noncentrality^2 / 2, which must fit an int.
// Beyond this noncentrality the power is taken from this one, as it only rises further.
constexpr double kLargestNoncentrality = 60000.0;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

TTest::TTest(double df, const TestSettings& settings) : m_df(df), m_settings(settings) {
    const StudentsT t(df);
    const double tail = settings.oneSided ? settings.alpha : settings.alpha / 2.0;
    m_critical = quantile(complement(t, tail));
    m_mdesMultiplier = m_critical + quantile(t, settings.power);
}

double TTest::powerOrThrow(double noncentrality) const {
    const double delta = m_settings.oneSided ? std::fabs(noncentrality) : noncentrality;
    const NoncentralT distribution(
        m_df, std::clamp(delta, -kLargestNoncentrality, kLargestNoncentrality));
    const double upper = cdf(complement(distribution, m_critical));
    const double power = m_settings.oneSided ? upper : upper + cdf(distribution, -m_critical);
    // The power only rises with the noncentrality's magnitude, so where it is 1 at the largest
    // one that can be evaluated, it is 1 beyond it too.
    if (std::fabs(delta) > kLargestNoncentrality && power < 1.0) {
        throw std::domain_error("noncentrality beyond the range of the noncentral t");
    }
    return power;
}

double TTest::power(double noncentrality) const {
    try {
        return powerOrThrow(noncentrality);
    } catch (const std::exception&) {
        return kNaN;
    }
}

double TTest::exactMultiplier() const {
    const double target = m_settings.power;
    if (target <= m_settings.alpha) {
        return 0.0;
    }
    try {
        const auto shortfall = [&](double delta) { return powerOrThrow(delta) - target; };
        // The field's MDES is close at large df: bracket the root from it with steps of
        // 0.01%, 0.1%, 1%, ... of it, which soon grow large when it is not.
        const double guess = std::clamp(m_mdesMultiplier, 1.0e-3, kLargestNoncentrality);
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
            if (upper == kLargestNoncentrality) {
                return kNaN;
            }
            lower = upper;
            lowerValue = upperValue;
            upper = std::min(upper * (1.0 + step), kLargestNoncentrality);
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

double powerOfTest(double effect, double se, double df, const TestSettings& settings) {
    return TTest(df, settings).power(effect / se);
}

double mdesOf(double se, double df, const TestSettings& settings) {
    return TTest(df, settings).mdesMultiplier() * se;
}

double exactMdesOf(double se, double df, const TestSettings& settings) {
    return TTest(df, settings).exactMultiplier() * se;
}

}  // namespace tavi
