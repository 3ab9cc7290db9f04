#include "engine/power/FTestPower.h"

#include "engine/power/PowerRoot.h"

#include <algorithm>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/non_central_chi_squared.hpp>
#include <boost/math/distributions/non_central_f.hpp>
#include <cmath>
#include <stdexcept>

namespace tavi {

namespace {

using CentralF = boost::math::fisher_f_distribution<double>;
using NoncentralF = boost::math::non_central_f_distribution<double>;
using ChiSquared = boost::math::chi_squared_distribution<double>;
using NoncentralChiSquared = boost::math::non_central_chi_squared_distribution<double>;

// The noncentral F's series starts at the index lambda / 2, which must fit an int. Beyond this
// noncentrality the power is taken from this one, as it only rises further.
constexpr double kLargestNoncentrality = 1.0e9;

// With infinitely many denominator df, df1 times F is chi-square with df1 df: the test of
// estimates whose covariance is known.
double criticalValue(double df1, double df2, double alpha) {
    if (std::isinf(df2)) {
        return quantile(complement(ChiSquared(df1), alpha)) / df1;
    }
    return quantile(complement(CentralF(df1, df2), alpha));
}

}  // namespace

FTest::FTest(double df1, double df2, const TestSettings& settings)
    : m_df1(df1),
      m_df2(df2),
      m_settings(settings),
      m_critical(criticalValue(df1, df2, settings.alpha)) {}

double FTest::upperTail(double lambda) const {
    if (std::isinf(m_df2)) {
        const double statistic = m_df1 * m_critical;
        return lambda == 0.0 ? cdf(complement(ChiSquared(m_df1), statistic))
                             : cdf(complement(NoncentralChiSquared(m_df1, lambda), statistic));
    }
    if (lambda == 0.0) {
        // Boost.Math's noncentral F gives the upper tail's complement a wrong sign at 0.
        return cdf(complement(CentralF(m_df1, m_df2), m_critical));
    }
    return cdf(complement(NoncentralF(m_df1, m_df2, lambda), m_critical));
}

double FTest::powerOrThrow(double rootNoncentrality) const {
    const double lambda = rootNoncentrality * rootNoncentrality;
    const double power = upperTail(std::min(lambda, kLargestNoncentrality));
    // The power only rises with the noncentrality, so where it is 1 at the largest one that
    // can be evaluated, it is 1 beyond it too.
    if (lambda > kLargestNoncentrality && power < 1.0) {
        throw std::domain_error("noncentrality beyond the range of the noncentral F");
    }
    return power;
}

double FTest::power(double rootNoncentrality) const {
    return powerOrNaN([this](double root) { return powerOrThrow(root); }, rootNoncentrality);
}

double FTest::exactMultiplier() const {
    if (m_settings.power <= m_settings.alpha) {
        return 0.0;
    }
    // Power 0.8 at alpha 0.05 needs lambda near 8 with one numerator df, more with more.
    return noncentralityReaching([this](double root) { return powerOrThrow(root); },
                                 m_settings.power, std::sqrt(m_df1) + 2.0,
                                 std::sqrt(kLargestNoncentrality));
}

}  // namespace tavi
