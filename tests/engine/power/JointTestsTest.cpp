#include "engine/CovarianceComputation.h"
#include "engine/power/JointTests.h"
#include "engine/power/QuantityNames.h"
#include "tests/engine/RandomDesign.h"

#include <cmath>
#include <gtest/gtest.h>

namespace tavi {
namespace {

// P(F' > c) for F' = (X / df1) / (V / df2), X noncentral chi-squared with df1 df and
// noncentrality lambda, V chi-squared with df2 df: the Poisson(lambda / 2) mixture over k of
// P(F(df1 + 2k, df2) > c df1 / (df1 + 2k)), each the incomplete beta integral
// I_x(df2 / 2, df1 / 2 + k) with x = df2 / (df2 + c df1), by Simpson's rule; no distribution
// library involved.
double integratedFPower(double lambda, double df1, double df2, double c) {
    const double alpha = df2 / 2.0;  // at least 1 for df2 >= 2, so the density is finite at 0
    const double x = df2 / (df2 + c * df1);
    const int intervals = 2000;
    const double h = x / intervals;
    double sum = 0.0;
    const int terms = static_cast<int>(lambda / 2 + 12 * std::sqrt(lambda / 2 + 1) + 30);
    for (int k = 0; k < terms; ++k) {
        const double beta = (df1 + 2.0 * k) / 2.0;
        const double logB = std::lgamma(alpha) + std::lgamma(beta) - std::lgamma(alpha + beta);
        const auto density = [&](double t) {
            if (t == 0.0) {
                return alpha == 1.0 ? std::exp(-logB) : 0.0;
            }
            return std::exp((alpha - 1) * std::log(t) + (beta - 1) * std::log1p(-t) - logB);
        };
        double integral = 0.0;
        for (int i = 0; i <= intervals; ++i) {
            const double weight = (i == 0 || i == intervals) ? 1.0 : (i % 2 == 1 ? 4.0 : 2.0);
            integral += weight * density(i * h);
        }
        const double poisson =
            k == 0 ? std::exp(-lambda / 2)
                   : std::exp(-lambda / 2 + k * std::log(lambda / 2) - std::lgamma(k + 1.0));
        sum += poisson * integral * h / 3.0;
    }
    return sum;
}

TEST(JointTests, NoncentralFPowerMatchesAnIndependentIntegration) {
    const TestSettings settings;
    for (const auto& [df1, df2] : {std::pair{1.0, 10.0}, {2.0, 27.0}, {3.0, 6.0}}) {
        const FTest test(df1, df2, settings);
        const double c = test.critical();
        EXPECT_NEAR(integratedFPower(0.0, df1, df2, c), settings.alpha, 1e-10);
        for (const double lambda : {2.0, 10.0, 25.0}) {
            EXPECT_NEAR(test.power(std::sqrt(lambda)), integratedFPower(lambda, df1, df2, c), 1e-9)
                << "df " << df1 << ", " << df2 << ", lambda " << lambda;
        }
        // Boost.Math gave -0.95 at lambda 0.
        EXPECT_NEAR(test.power(0.0), settings.alpha, 1e-12);
        const double root = test.exactMultiplier();
        EXPECT_NEAR(test.power(root), settings.power, 1e-9);
        EXPECT_EQ(test.power(1e6), 1.0) << "far beyond the series' reach";
    }
}

// At points of a random design: a contrast of one coefficient is that coefficient, a joint test
// of one member its two-sided t test squared, and a joint test of members whose estimates are
// uncorrelated adds their squared noncentralities.
TEST(JointTests, ReduceToTheTestsOfSingleCoefficients) {
    std::mt19937_64 rng(7);
    test::FileDesign d = test::randomDesign(rng, 3, 1, 2);
    // Level-2 variables of mean 0 without covariance are orthogonal to each other.
    d.means2 = {0.0, 0.0};
    d.between[0][1] = d.between[1][0] = 0.0;
    d.between[0][2] = d.between[2][0] = d.between[1][2] = d.between[2][1] = 0.0;
    test::loadIntoEngine(d);
    EngineState& e = test::engineUnderTest();
    prepareRunConstants(e);
    QuantityNames names(coefficientsOf(e.k1, e.nRandom, e.LenW3));
    names.addContrast("pick", "1*Random1");
    names.addContrast("sum", "Group1 + Group2");
    names.addJointTest("both", "Group1,Group2");
    const auto tested = std::make_shared<const TestedQuantities>(
        e.NumCoef, names.tested()->contrasts(),
        std::vector<JointTest>{names.tested()->jointTests()[0], {"alone", {4}}});
    SweepTable table(tested, false);
    for (const auto& [N, n] : {std::pair{12, 5}, {40, 17}}) {
        computePoint(e, n, N);
        table.add({N, n, 0, 0}, {e.InfoMatrix, e.CovCoef, e.NumCoef});
    }
    const TestSettings settings;
    const double group1 = 0.3;
    const double group2 = -0.2;
    const double random1 = 0.25;
    std::vector<std::optional<double>> effects = {{}, {}, group1, group2, random1};
    effects.resize(tested->count());
    DegreesOfFreedom df(test::designUnderTest().model);
    JointTests joint(settings, df.smallestOf({{2, 3}, {4}}), tested, effects);
    for (std::size_t i = 0; i < table.size(); ++i) {
        const SweepPoint& p = table.point(i);
        EXPECT_EQ(table.se(i, e.NumCoef), table.se(i, 4));
        EXPECT_NEAR(table.se(i, e.NumCoef + 1), std::hypot(table.se(i, 2), table.se(i, 3)), 1e-15);
        const double t1 = group1 / table.se(i, 2);
        const double t2 = group2 / table.se(i, 3);
        const double lambda = joint.noncentrality(0, table.jointCovariance(i, 0));
        EXPECT_NEAR(lambda / (t1 * t1 + t2 * t2), 1.0, 1e-12);
        const double t = random1 / table.se(i, 4);
        EXPECT_NEAR(joint.noncentrality(1, table.jointCovariance(i, 1)) / (t * t), 1.0, 1e-14);
        const PointTest alone = joint.tests().at(joint.unitEffectTable(table), i, 1);
        EXPECT_NEAR(alone.power, powerOfTest(random1, table.se(i, 4), df.at(4, p.N, p.n), settings),
                    1e-12);
        EXPECT_NEAR(alone.mdesExact * random1,
                    exactMdesOf(table.se(i, 4), df.at(4, p.N, p.n), settings), 1e-9);
    }
}

TEST(JointTests, RefuseMembersThatAreLinearlyDependent) {
    QuantityNames names(coefficientsOf(0, 1, 3));
    names.addContrast("diff", "Group2 - 0.5*Group1");
    EXPECT_NO_THROW(names.addJointTest("fine", "Group1, diff"));
    EXPECT_THROW(names.addJointTest("omnibus", "Group1,Group2,diff"), QuantityError);
    EXPECT_THROW(names.addJointTest("twice", "Group1,Group1"), QuantityError);
    EXPECT_THROW(names.addContrast("none", "Group1-Group1"), QuantityError);
    EXPECT_THROW(names.addContrast("Group2", "Group1"), QuantityError);
    EXPECT_THROW(names.addContrast("bad", "Group1 + 2 Group2"), QuantityError);
}

}  // namespace
}  // namespace tavi
