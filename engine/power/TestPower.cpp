#include "engine/power/TestPower.h"

#include "engine/power/PowerRoot.h"

#include <algorithm>
#include <boost/math/distributions/non_central_t.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <stdexcept>

namespace tavi {

namespace {

// In double precision: the target turns off Boost.Math's promotion to long double.
using NoncentralT = boost::math::non_central_t_distribution<double>;
using StudentsT = boost::math::students_t_distribution<double>;

// The noncentral t's series starts at the index noncentrality^2 / 2, which must fit an int.
// Beyond this noncentrality the power is taken from this one, as it only rises further.
constexpr double kLargestNoncentrality = 60000.0;

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
    return powerOrNaN([this](double delta) { return powerOrThrow(delta); }, noncentrality);
}

double TTest::exactMultiplier() const {
    if (m_settings.power <= m_settings.alpha) {
        return 0.0;
    }
    // The field's MDES is close at large df.
    return noncentralityReaching(
        [this](double delta) { return powerOrThrow(delta); }, m_settings.power,
        std::clamp(m_mdesMultiplier, 1.0e-3, kLargestNoncentrality), kLargestNoncentrality);
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
