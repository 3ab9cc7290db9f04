// Groups of unequal sizes: with equal sizes the expected information is today's to the last
// bit, a cluster-randomised trial matches the closed form of its treatment effect's variance,
// units missing at random match the binomial sizes enumerated by hand, and sizes varying around n
// keep their mean and spread.

#include "engine/CovarianceComputation.h"
#include "engine/ExpectedInformation.h"
#include "engine/GroupSizeDistribution.h"
#include "engine/run/RelativeEfficiency.h"
#include "tests/engine/RandomDesign.h"

#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <random>

namespace tavi {
namespace {

EngineState& loaded(const test::FileDesign& d) {
    test::loadIntoEngine(d);
    prepareRunConstants(test::engineUnderTest());
    return test::engineUnderTest();
}

Matrix covarianceAt(EngineState& e, const GroupSizeSettings& settings, int n, int N) {
    GroupSizeSupport planned;
    GroupSizeSupport sizes;
    computePointWithSizes(e, settings, n, N, planned, sizes);
    return e.CovCoef;
}

TEST(UnequalSizes, EqualSizesGiveTodaysFigures) {
    std::mt19937_64 rng(11);
    for (int trial = 0; trial < 10; ++trial) {
        EngineState& e = loaded(test::randomDesign(rng, 3, trial % 3, trial % 2));
        computePoint(e, 7, 20);
        const Matrix today = e.CovCoef;
        GroupSizeSupport one;
        one.add(7.0, 1.0);
        computeExpectedPoint(e, one, 7.0, 20.0);
        GroupSizeSettings same;
        same.sizes.assign(20, 7);
        const Matrix given = covarianceAt(e, same, 7, 20);
        const Matrix none = covarianceAt(e, GroupSizeSettings{}, 7, 20);
        for (int i = 1; i <= e.NumCoef; ++i) {
            for (int j = 1; j <= e.NumCoef; ++j) {
                EXPECT_EQ(e.CovCoef(i, j), today(i, j));
                EXPECT_EQ(none(i, j), today(i, j));
                EXPECT_NEAR(given(i, j), today(i, j), 1e-12 * std::fabs(today(i, i)));
            }
        }
    }
}

// Sizes 100, 50, 25, 100, 100 in each arm, ICC 0.1, total variance 1: the treatment effect's
// variance is 2 / sum n_j / (sigma^2 + n_j tau) with the sum over one arm.
TEST(UnequalSizes, ClusterTrialMatchesTheClosedForm) {
    EngineState& e = loaded(test::clusterTrial());
    GroupSizeSettings settings;
    settings.sizes = {100, 50, 25, 100, 100, 100, 50, 25, 100, 100};
    const Matrix cov = covarianceAt(e, settings, 75, 10);
    double arm = 0.0;
    for (int i = 0; i < 5; ++i) {
        arm += settings.sizes[i] / (0.9 + settings.sizes[i] * 0.1);
    }
    EXPECT_NEAR(cov(2, 2), 2.0 / arm, 1e-12 * cov(2, 2));
    EXPECT_NEAR(cov(2, 2), 0.0461356, 5e-8);
}

double binomialProbability(int m, int s, double q) {
    return std::tgamma(m + 1.0) / (std::tgamma(s + 1.0) * std::tgamma(m - s + 1.0)) *
           std::pow(q, s) * std::pow(1.0 - q, m - s);
}

// The within-groups matrix is a covariance with divisor n at the design's n: s units left of a
// group hold (s - 1) n / (n - 1) times it. By hand, each size left is a design of equal groups of
// s units whose within-groups matrix is scaled to that.
TEST(UnequalSizes, DropoutMatchesTheEnumeratedBinomial) {
    std::mt19937_64 rng(12);
    const test::FileDesign design = test::randomDesign(rng, 3, 1, 1);
    const int n = 6;
    const int N = 30;
    const double dropout = 0.3;
    Matrix expected{};
    for (int s = 1; s <= n; ++s) {
        test::FileDesign left = design;
        for (auto& row : left.within) {
            for (double& element : row) {
                element *= (s - 1.0) * n / (n - 1.0) / s;
            }
        }
        EngineState& e = loaded(left);
        computePoint(e, s, N);
        for (int i = 1; i <= e.NumCoef; ++i) {
            for (int j = 1; j <= e.NumCoef; ++j) {
                expected(i, j) += binomialProbability(n, s, 1.0 - dropout) * e.InfoMatrix(i, j);
            }
        }
    }
    EngineState& e = loaded(design);
    GroupSizeSettings settings;
    settings.dropout = dropout;
    covarianceAt(e, settings, n, N);
    for (int i = 1; i <= e.NumCoef; ++i) {
        for (int j = 1; j <= e.NumCoef; ++j) {
            EXPECT_NEAR(e.InfoMatrix(i, j), expected(i, j), 1e-12 * std::fabs(expected(i, i)));
        }
    }
    // Losing groups instead scales the information by the share kept.
    const Matrix info = e.InfoMatrix;
    settings.groupDropout = 0.25;
    covarianceAt(e, settings, n, N);
    EXPECT_NEAR(e.InfoMatrix(1, 1), 0.75 * info(1, 1), 1e-13 * info(1, 1));
}

TEST(UnequalSizes, VaryingSizesKeepTheirMeanAndSpread) {
    const auto planned = std::make_unique<GroupSizeSupport>();
    const auto left = std::make_unique<GroupSizeSupport>();
    GroupSizeSettings settings;
    settings.sizeCv = 0.6;
    for (const int n : {2, 5, 20, 300, 100000}) {
        SCOPED_TRACE(n);
        plannedGroupSizes(settings, n, *planned);
        double total = 0.0;
        double squares = 0.0;
        for (int i = 0; i < planned->count; ++i) {
            EXPECT_GE(planned->sizes[i], 1.0);
            EXPECT_EQ(planned->sizes[i], std::floor(planned->sizes[i]));
            total += planned->weights[i];
            squares += planned->weights[i] * (planned->sizes[i] - n) * (planned->sizes[i] - n);
        }
        EXPECT_NEAR(total, 1.0, 1e-12);
        EXPECT_NEAR(planned->mean(), n, 1e-12 * n);
        // Making the sizes whole adds at most a quarter of a unit squared, and the grid of wide
        // ranges a quarter of its step squared.
        EXPECT_NEAR(std::sqrt(squares) / n, 0.6, 0.6 * 0.01 + 0.5 / n);
        sizesAfterDropout(*planned, 0.2, *left);
        EXPECT_NEAR(left->mean(), 0.8 * n, 1e-12 * n);
    }
}

TEST(UnequalSizes, RelativeEfficiencyOfEqualSizesIsOne) {
    std::mt19937_64 rng(13);
    const test::FileDesign design = test::randomDesign(rng, 2, 0, 1);
    GroupSizeSettings settings;
    settings.groupDropout = 0.5;
    const Vector efficiency = efficiencyAt(*test::preparedOf(design, settings), {40, 9, 0});
    EXPECT_NEAR(efficiency(1), 1.0, 1e-12);
    EXPECT_EQ(groupsToMakeUp(40, efficiency(1)), 40.0);
    settings.sizeCv = 0.8;
    EXPECT_LT(efficiencyAt(*test::preparedOf(design, settings), {40, 9, 0})(1), 0.99);
    EXPECT_EQ(groupsToMakeUp(40, 0.8), 50.0);
}

}  // namespace
}  // namespace tavi
