#include "files/CovarianceCheck.h"
#include "files/ParameterDesign.h"
#include "tests/files/FileTestSupport.h"

#include <cmath>
#include <gtest/gtest.h>

namespace tavi {
namespace {

// The 2 x 2 matrix [[a, b], [b, c]], given by its lower triangle; the entry above the diagonal
// holds a value that must not be read.
Matrix twoByTwo(double a, double b, double c) {
    Matrix m{};
    m(1, 1) = a;
    m(2, 1) = b;
    m(2, 2) = c;
    m(1, 2) = 99.0;
    return m;
}

// The eigenvalues of [[a, b], [b, a]] are a + b and a - b.
TEST(CovarianceCheck, SmallestEigenvalueDecidesWithinTheTolerance) {
    const CovarianceCheck indefinite = checkCovarianceMatrix(twoByTwo(1, 2, 1), 2);
    EXPECT_FALSE(indefinite.valid);
    EXPECT_NEAR(indefinite.smallestEigenvalue, -1.0, 1e-14);

    const CovarianceCheck singular = checkCovarianceMatrix(twoByTwo(4, 2, 1), 2);  // 0 and 5
    EXPECT_TRUE(singular.valid);
    EXPECT_NEAR(singular.smallestEigenvalue, 0.0, 1e-14);

    EXPECT_TRUE(checkCovarianceMatrix(twoByTwo(1, 1 + 1e-12, 1), 2).valid);
    EXPECT_FALSE(checkCovarianceMatrix(twoByTwo(1, 1 + 1e-9, 1), 2).valid);
    // The tolerance scales with the variances: the same matrix a million times larger.
    EXPECT_TRUE(checkCovarianceMatrix(twoByTwo(1e6, 1e6 + 1e-6, 1e6), 2).valid);
}

TEST(CovarianceCheck, NegativeVariancesAndValuesThatAreNoNumbersAreInvalid) {
    // -1e-12 is an eigenvalue well within the tolerance, but no variance is negative.
    EXPECT_FALSE(checkCovarianceMatrix(twoByTwo(1, 0, -1e-12), 2).valid);
    EXPECT_FALSE(checkCovarianceMatrix(twoByTwo(1, NAN, 1), 2).valid);
    EXPECT_TRUE(checkCovarianceMatrix(Matrix{}, 3).valid);
    EXPECT_TRUE(checkCovarianceMatrix(Matrix{}, 0).valid);
}

TEST(CovarianceCheck, FindingsNameEachInvalidMatrixOfADesign) {
    DesignParameters p = test::designWithCounts(3, 1, 1);  // orders 3, 2 and 3
    p.BetweenCov = twoByTwo(1, 2, 1);
    p.Tau(3, 3) = -0.5;
    p.WithinCov(4, 4) = -1.0;  // beyond the order: not part of the design
    const std::vector<std::string> findings = covarianceFindings(designOf(p).design);
    ASSERT_EQ(findings.size(), 2u);
    EXPECT_NE(findings[0].find("between-groups covariance matrix"), std::string::npos);
    EXPECT_NE(findings[0].find("-1)"), std::string::npos) << findings[0];
    EXPECT_NE(findings[1].find("random-effects covariance matrix"), std::string::npos);
    EXPECT_NE(findings[1].find("-0.5)"), std::string::npos) << findings[1];
}

}  // namespace
}  // namespace tavi
