#include "engine/CovarianceComputation.h"
#include "engine/EngineState.h"
#include "tests/engine/MatrixTestSupport.h"
#include "tests/engine/RandomDesign.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace tavi {
namespace {

using test::fromRows;

// Sets a design given directly in the engine layout.
void setDesign(int k1, int nRandom, int LenW3, double sigma2, const Matrix& tau2,
               const Matrix& sigmaW, const Matrix& sigmaB, const Matrix& mu1) {
    EngineState& e = test::engineUnderTest();
    e.k1 = k1;
    e.nRandom = nRandom;
    e.LenW3 = LenW3;
    e.NumCoef = k1 + nRandom * LenW3;
    e.Sigma2 = sigma2;
    e.Tau2 = tau2;
    e.SigmaW = sigmaW;
    e.SigmaB = sigmaB;
    e.Mu1 = mu1;
    e.Mu2 = Matrix{};
    e.Mu2(1, 1) = 1.0;
    e.Mu3 = Matrix{};
    e.Mu3(1, 1) = 1.0;
}

double variance(int i) {
    return test::engineUnderTest().CovCoef(i, i);
}

TEST(CovarianceComputation, InterceptOnly) {
    setDesign(0, 1, 1, 1.0, fromRows({{0.1}}), Matrix{}, Matrix{}, Matrix{});
    prepareRunConstants(test::engineUnderTest());
    computePoint(test::engineUnderTest(), 10, 50);
    EXPECT_EQ(test::engineUnderTest().InvMomR(1, 1), 1.0);
    EXPECT_DOUBLE_EQ(test::engineUnderTest().InfoMatrix(1, 1), 250.0);
    EXPECT_DOUBLE_EQ(variance(1), 1.0 / 250.0);
}

TEST(CovarianceComputation, OneRandomSlope) {
    setDesign(0, 2, 1, 1.0, fromRows({{0.1, 0}, {0, 0.05}}), fromRows({{0, 0}, {0, 1}}), Matrix{},
              Matrix{});
    prepareRunConstants(test::engineUnderTest());
    computePoint(test::engineUnderTest(), 10, 50);
    EXPECT_DOUBLE_EQ(variance(1), 0.2 / 50);
    EXPECT_DOUBLE_EQ(variance(2), 0.15 / 50);
}

TEST(CovarianceComputation, OneFixedOnlyVariable) {
    setDesign(1, 1, 1, 1.0, fromRows({{0.1}}), fromRows({{2, 0}, {0, 0}}),
              fromRows({{0, 0}, {0, 0.5}}), fromRows({{3}}));
    prepareRunConstants(test::engineUnderTest());
    computePoint(test::engineUnderTest(), 10, 50);
    EXPECT_DOUBLE_EQ(variance(1), 1.0 / (50 * 22.5));
    EXPECT_DOUBLE_EQ(variance(2), 0.6 / 50);

    // The mean of the fixed-only variable moves the intercept's variance, not the slope's.
    test::engineUnderTest().Mu1(1, 1) = 0.0;
    prepareRunConstants(test::engineUnderTest());
    computePoint(test::engineUnderTest(), 10, 50);
    EXPECT_DOUBLE_EQ(variance(1), 1.0 / (50 * 22.5));
    EXPECT_DOUBLE_EQ(variance(2), 0.2 / 50);
}

TEST(CovarianceComputation, WithoutFixedOnlyVariablesOnlyTheRandomBlockCounts) {
    std::mt19937_64 rng(3);
    test::loadIntoEngine(test::randomDesign(rng, 2, 0, 2));
    EngineState& e = test::engineUnderTest();
    e.FixedWithin = test::sentinels();
    e.FixedBlock = test::sentinels();
    e.CrossBlock = test::sentinels();
    e.Sigma2 = 0.0;  // never divided by without fixed-only variables
    prepareRunConstants(test::engineUnderTest());
    computePoint(test::engineUnderTest(), 7, 30);
    EXPECT_TRUE(test::sameOutside(e.FixedWithin, test::sentinels(), 0, 0));
    EXPECT_TRUE(test::sameOutside(e.FixedBlock, test::sentinels(), 0, 0));
    EXPECT_TRUE(test::sameOutside(e.CrossBlock, test::sentinels(), 0, 0));
    for (int i = 1; i <= e.NumCoef; ++i) {
        for (int j = 1; j <= e.NumCoef; ++j) {
            EXPECT_EQ(e.InfoMatrix(i, j), 30.0 * e.RandomBlock(i, j));
        }
    }
}

TEST(CovarianceComputation, VanishingGroupVarianceUsesTheOneByOneRule) {
    // Tau2 + Sigma2 / n is exactly 0: the 1 x 1 inversion gives a group precision of 1.0.
    setDesign(0, 1, 1, 1.0, fromRows({{-0.1}}), Matrix{}, Matrix{}, Matrix{});
    prepareRunConstants(test::engineUnderTest());
    computePoint(test::engineUnderTest(), 10, 4);
    EXPECT_EQ(test::engineUnderTest().RandomBlock(1, 1), 1.0);
    EXPECT_EQ(test::engineUnderTest().InfoMatrix(1, 1), 4.0);
}

TEST(CovarianceComputation, SingleLevel2ConstantGivesTheSimpleCrossBlock) {
    std::mt19937_64 rng(4);
    test::loadIntoEngine(test::randomDesign(rng, 4, 2, 0));
    const EngineState& e = test::engineUnderTest();
    prepareRunConstants(test::engineUnderTest());
    computePoint(test::engineUnderTest(), 12, 1);
    Matrix groupPrecision;
    for (int j = 1; j <= e.nRandom; ++j) {
        for (int jj = 1; jj <= e.nRandom; ++jj) {
            groupPrecision(j, jj) = e.RandomBlock(j, jj);  // Level2Mom is 1
        }
    }
    for (int i = 1; i <= e.k1; ++i) {
        for (int j = 1; j <= e.nRandom; ++j) {
            double fixedPrecision = 0.0;
            for (int l = 1; l <= e.nRandom; ++l) {
                fixedPrecision += e.FixedOnRandom(i, l) * groupPrecision(l, j);
            }
            EXPECT_NEAR(e.CrossBlock(i, j), fixedPrecision + e.Mu1(i, 1) * groupPrecision(1, j),
                        1e-12);
        }
    }
}

TEST(CovarianceComputation, InformationIsSymmetricWithAnExactMirror) {
    std::mt19937_64 rng(5);
    test::loadIntoEngine(test::randomDesign(rng, 5, 2, 3));
    const EngineState& e = test::engineUnderTest();
    prepareRunConstants(test::engineUnderTest());
    computePoint(test::engineUnderTest(), 8, 25);
    for (int i = 1; i <= e.NumCoef; ++i) {
        for (int j = 1; j <= e.NumCoef; ++j) {
            if ((i <= e.k1) != (j <= e.k1)) {
                EXPECT_EQ(e.InfoMatrix(i, j), e.InfoMatrix(j, i));
            } else {
                EXPECT_NEAR(e.InfoMatrix(i, j), e.InfoMatrix(j, i),
                            1e-12 * (1 + std::fabs(e.InfoMatrix(i, j))));
            }
        }
    }
}

// Without the terms that pair Mu1 with the random-intercept column, designs with correlated
// fixed-only and random-slope variables got indefinite information and negative variances.
TEST(CovarianceComputation, FixedOnlyMeansCorrelatedWithRandomSlopesGiveNoNegativeVariance) {
    std::mt19937_64 rng(253);
    std::uniform_int_distribution<int> count(1, 4);
    std::uniform_int_distribution<int> groupSize(1, 60);
    for (int trial = 0; trial < 300; ++trial) {
        const int k1 = count(rng);
        const int k = k1 + count(rng);
        const int kw = count(rng) - 1;
        test::FileDesign design = test::randomDesign(rng, k, k1, kw);
        for (double& mean : design.means1) {
            mean *= 3.0;  // means far from zero relative to their spread
        }
        test::loadIntoEngine(design);
        prepareRunConstants(test::engineUnderTest());
        computePoint(test::engineUnderTest(), groupSize(rng), 20);
        for (int i = 1; i <= test::engineUnderTest().NumCoef; ++i) {
            ASSERT_GT(variance(i), 0.0) << "trial " << trial << " coefficient " << i;
        }
    }
}

}  // namespace
}  // namespace tavi
