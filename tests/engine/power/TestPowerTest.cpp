#include "engine/power/FTestPower.h"
#include "engine/power/TestPower.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace tavi {
namespace {

// P(T' > c) + P(T' < -c) for T' = (Z + delta) / S, S = sqrt(V / df), V chi-squared with df
// degrees of freedom: the integral over S of Phi(delta - c s) + Phi(-delta - c s), by
// Simpson's rule; no distribution library involved.
double integratedPower(double delta, double c, double df) {
    const auto Phi = [](double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); };
    const auto density = [df](double s) {
        if (s <= 0.0) {
            return 0.0;
        }
        const double logDensity = std::log(2.0) + 0.5 * df * std::log(df / 2.0) -
                                  std::lgamma(df / 2.0) + (df - 1.0) * std::log(s) -
                                  0.5 * df * s * s;
        return std::exp(logDensity);
    };
    const double top = 1.0 + 40.0 / std::sqrt(df);
    const int intervals = 20000;
    const double h = top / intervals;
    double sum = 0.0;
    for (int i = 0; i <= intervals; ++i) {
        const double s = i * h;
        const double weight = (i == 0 || i == intervals) ? 1.0 : (i % 2 == 1 ? 4.0 : 2.0);
        sum += weight * density(s) * (Phi(delta - c * s) + Phi(-delta - c * s));
    }
    return sum * h / 3.0;
}

// The two-sided critical value at level alpha, by bisection on the integral at delta = 0.
double integratedCritical(double alpha, double df) {
    double low = 0.0;
    double high = 100.0;
    for (int i = 0; i < 60; ++i) {
        const double middle = (low + high) / 2.0;
        (integratedPower(0.0, middle, df) > alpha ? low : high) = middle;
    }
    return (low + high) / 2.0;
}

TEST(TestPower, MatchesAnIndependentIntegrationOfTheNoncentralT) {
    const TestSettings twoSided;
    for (const double df : {2.0, 10.0, 1000.0}) {
        const double c = integratedCritical(twoSided.alpha, df);
        for (const double effect : {0.5, 2.0, 3.5}) {
            EXPECT_NEAR(powerOfTest(effect, 1.0, df, twoSided), integratedPower(effect, c, df),
                        1e-10)
                << "df " << df << ", effect " << effect;
        }
    }
}

TEST(TestPower, IsAlphaAtNoEffectAndRisesWithTheEffectToOne) {
    for (const bool oneSided : {false, true}) {
        const TestSettings settings{0.05, 0.8, oneSided};
        for (const double df : {2.0, 10.0, 1000.0}) {
            EXPECT_NEAR(powerOfTest(0.0, 0.1, df, settings), 0.05, 1e-12);
            double previous = 0.05;
            for (const double effect : {0.05, 0.1, 0.2, 0.4, 0.8}) {
                const double power = powerOfTest(-effect, 0.1, df, settings);
                EXPECT_GT(power, previous) << "df " << df << ", effect " << effect;
                previous = power;
            }
            // Far beyond the noncentralities the distribution's series can reach.
            EXPECT_EQ(powerOfTest(1.0, 1e-9, df, settings), 1.0);
        }
    }
}

TEST(TestPower, ExactMdesReachesTheTargetAndTheFieldsMdesAddsTwoQuantiles) {
    for (const bool oneSided : {false, true}) {
        for (const double target : {0.5, 0.8, 0.95}) {
            const TestSettings settings{0.05, target, oneSided};
            for (const double df : {1.0, 2.0, 10.0, 1000.0, 1e9}) {
                const double mdes = exactMdesOf(0.3, df, settings);
                EXPECT_NEAR(powerOfTest(mdes, 0.3, df, settings), target, 1e-9) << "df " << df;
            }
            // At df 2 the t quantile is (2p - 1) / sqrt(2p(1 - p)).
            const auto t2 = [](double p) { return (2 * p - 1) / std::sqrt(2 * p * (1 - p)); };
            const double tail = oneSided ? 0.95 : 0.975;
            EXPECT_NEAR(mdesOf(0.3, 2.0, settings), (t2(tail) + t2(target)) * 0.3, 1e-12);
        }
    }
    EXPECT_EQ(exactMdesOf(0.3, 10.0, {0.05, 0.04, false}), 0.0) << "every effect reaches it";
}

// With infinite df the t test is the normal test and the F test the chi-square test of df1 times
// the statistic; for df1 = 2 the noncentral chi-square's tail is a Poisson mixture of central
// ones, each a finite sum: P(chi2(2k) > x) = exp(-x/2) sum_{i<k} (x/2)^i / i!.
TEST(TestPower, InfiniteDfGiveTheNormalAndChiSquareTests) {
    const double inf = std::numeric_limits<double>::infinity();
    const auto Phi = [](double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); };
    const double z975 = 1.959963984540054;
    const double z80 = 0.8416212335729143;
    const TestSettings normal{0.05, 0.8, false, true};
    for (const double delta : {0.5, 2.0, 3.5}) {
        EXPECT_NEAR(powerOfTest(delta, 1.0, inf, normal), Phi(delta - z975) + Phi(-delta - z975),
                    1e-12);
    }
    EXPECT_NEAR(mdesOf(0.3, inf, normal), (z975 + z80) * 0.3, 1e-12);

    const double x = -2.0 * std::log(0.05);  // the central chi-square(2) critical value
    const FTest chiSquare(2.0, inf, normal);
    EXPECT_NEAR(chiSquare.critical(), x / 2.0, 1e-12);
    for (const double lambda : {1.0, 9.0, 30.0}) {
        double tail = 0.0;
        double poisson = std::exp(-lambda / 2.0);
        double centralTerm = std::exp(-x / 2.0);  // (x/2)^j / j! exp(-x/2)
        double central = 0.0;
        for (int j = 0; j < 200; ++j) {
            central += centralTerm;  // P(chi2(2 + 2j) > x)
            tail += poisson * central;
            poisson *= lambda / 2.0 / (j + 1);
            centralTerm *= x / 2.0 / (j + 1);
        }
        EXPECT_NEAR(chiSquare.power(std::sqrt(lambda)), tail, 1e-12) << "lambda " << lambda;
    }
}

}  // namespace
}  // namespace tavi
