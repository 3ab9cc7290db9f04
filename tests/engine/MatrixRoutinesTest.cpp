#include "engine/MatrixRoutines.h"
#include "tests/engine/MatrixTestSupport.h"
#include "tests/engine/ReferenceLinearAlgebra.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>

namespace tavi {
namespace {

using test::fromRows;
using test::identity;
using test::sameBits;
using test::sameOutside;
using test::sentinels;

void expectEqualRect(const Matrix& actual, const Matrix& expected, int rows, int cols) {
    for (int i = 1; i <= rows; ++i) {
        for (int j = 1; j <= cols; ++j) {
            EXPECT_EQ(actual(i, j), expected(i, j)) << "at (" << i << ", " << j << ")";
        }
    }
}

TEST(InvertMatrix, OneByOneInvertsAndTakesZeroAsOne) {
    Matrix result = sentinels();
    InvertMatrix(result, fromRows({{0.0}}), 1);
    EXPECT_EQ(result(1, 1), 1.0);
    InvertMatrix(result, fromRows({{4.0}}), 1);
    EXPECT_EQ(result(1, 1), 0.25);
    EXPECT_TRUE(sameOutside(result, sentinels(), 1, 1));
}

TEST(InvertMatrix, ZeroFirstColumnGetsTheTinyPivot) {
    Matrix result;
    InvertMatrix(result, fromRows({{0, 0}, {0, 1}}), 2);
    expectEqualRect(result, fromRows({{1.0e20, 0}, {0, 1}}), 2, 2);
}

TEST(InvertMatrix, ZeroLastPivotGetsTheTinyPivot) {
    Matrix result;
    InvertMatrix(result, fromRows({{1, 0}, {0, 0}}), 2);
    expectEqualRect(result, fromRows({{1, 0}, {0, 1.0e20}}), 2, 2);
}

TEST(InvertMatrix, AllZeroMatrixGivesHugeDiagonal) {
    for (int n : {2, 3, 17, dimmax}) {
        Matrix zero{};
        Matrix result;
        InvertMatrix(result, zero, n);
        for (int i = 1; i <= n; ++i) {
            for (int j = 1; j <= n; ++j) {
                ASSERT_EQ(result(i, j), i == j ? 1.0e20 : 0.0) << n << " at " << i << ", " << j;
            }
        }
    }
}

TEST(InvertMatrix, IdentityGivesIdentity) {
    for (int n = 1; n <= dimmax; ++n) {
        Matrix result;
        InvertMatrix(result, identity(n), n);
        expectEqualRect(result, identity(n), n, n);
    }
}

TEST(LUDCMP, EqualMeritsKeepTheUpperRow) {
    Matrix a = fromRows({{1, 0}, {1, 1}});
    PermutationRecord perm;
    double parity = 0;
    LUDCMP(a, 2, perm, parity);
    EXPECT_EQ(perm(1), 1);
    EXPECT_EQ(perm(2), 2);
    EXPECT_EQ(parity, 1.0);
    expectEqualRect(a, fromRows({{1, 0}, {1, 1}}), 2, 2);
}

TEST(LUDCMP, RowScaleFloorDecidesThePivot) {
    // Scaled by 1/1e-7 the first row would win (merit 1 against 0.5); the floor 1.0e-6 gives
    // it the merit 0.1.
    Matrix a = fromRows({{1.0e-7, 0}, {0.5, 1}});
    PermutationRecord perm;
    double parity = 0;
    LUDCMP(a, 2, perm, parity);
    EXPECT_EQ(perm(1), 2);
    EXPECT_EQ(perm(2), 2);
    EXPECT_EQ(parity, -1.0);
    EXPECT_EQ(a(1, 1), 0.5);
    EXPECT_EQ(a(1, 2), 1.0);
}

TEST(LUDCMP, FactorsRebuildThePermutedInput) {
    std::mt19937_64 rng(11);
    for (int n = 2; n <= dimmax; n += 3) {
        const Matrix original = test::uniformMatrix(rng);
        Matrix lu = original;
        PermutationRecord perm;
        double parity = 0;
        LUDCMP(lu, n, perm, parity);
        Matrix permuted = original;
        int interchanges = 0;
        for (int j = 1; j <= n; ++j) {
            if (perm(j) != j) {
                ++interchanges;
                for (int c = 1; c <= n; ++c) {
                    std::swap(permuted(j, c), permuted(perm(j), c));
                }
            }
        }
        EXPECT_EQ(parity, interchanges % 2 == 0 ? 1.0 : -1.0);
        for (int i = 1; i <= n; ++i) {
            for (int j = 1; j <= n; ++j) {
                double sum = 0.0;
                for (int k = 1; k <= std::min(i, j); ++k) {
                    sum += (k == i ? 1.0 : lu(i, k)) * lu(k, j);
                }
                ASSERT_NEAR(sum, permuted(i, j), 1e-12) << n << " at " << i << ", " << j;
            }
        }
    }
}

TEST(LUSolve, UnitVectorGivesTheColumnOfTheInverse) {
    std::mt19937_64 rng(5);
    const int n = 9;
    const Matrix a = test::wellConditioned(rng, n);
    Matrix inverse;
    InvertMatrix(inverse, a, n);
    Matrix lu = a;
    PermutationRecord perm;
    double parity = 0;
    LUDCMP(lu, n, perm, parity);
    for (int j = 1; j <= n; ++j) {
        Vector b{};
        b(j) = 1.0;
        LUSolve(lu, n, perm, b);
        for (int i = 1; i <= n; ++i) {
            EXPECT_TRUE(sameBits(b(i), inverse(i, j))) << i << ", " << j;
        }
    }
}

TEST(InvertMatrix, ProductWithTheInverseIsTheIdentity) {
    std::mt19937_64 rng(1);
    for (int n = 1; n <= dimmax; ++n) {
        for (int trial = 0; trial < 5; ++trial) {
            const Matrix a = test::wellConditioned(rng, n);
            Matrix inverse;
            InvertMatrix(inverse, a, n);
            Matrix product;
            MatMult(product, a, inverse, n, n, n);
            for (int i = 1; i <= n; ++i) {
                for (int j = 1; j <= n; ++j) {
                    ASSERT_NEAR(product(i, j), i == j ? 1.0 : 0.0, 1e-10)
                        << n << " at " << i << ", " << j;
                }
            }
        }
    }
}

// Matrices that exercise every branch of the decomposition: ordinary, singular with exact
// cancellation (small integers, repeated rows, zero rows and columns), tiny rows under the
// scale floor, a wide dynamic range, signed zeros and non-finite values.
Matrix awkwardMatrix(std::mt19937_64& rng, int n, int kind) {
    std::uniform_int_distribution<int> smallInt(-2, 2);
    std::uniform_int_distribution<int> index(1, n);
    std::uniform_real_distribution<double> exponent(-30, 30);
    Matrix m = test::uniformMatrix(rng);
    switch (kind) {
        case 0:
            break;
        case 1:
        case 2:
            for (double& element : m.data) {
                element = smallInt(rng);
            }
            if (kind == 2 && n >= 2) {
                const int from = index(rng);
                const int to = index(rng);
                for (int j = 1; j <= n; ++j) {
                    m(to, j) = m(from, j);
                }
                for (int i = 1; i <= n; ++i) {
                    m(i, index(rng)) = 0.0;
                }
            }
            break;
        case 3:
            for (int j = 1; j <= n; ++j) {
                m(index(rng), j) *= 1.0e-9;
                m(index(rng), j) = -0.0;
            }
            break;
        case 4:
            for (double& element : m.data) {
                element *= std::pow(10.0, exponent(rng));
            }
            break;
        case 5:
            m(index(rng), index(rng)) = std::numeric_limits<double>::infinity();
            m(index(rng), index(rng)) = std::numeric_limits<double>::quiet_NaN();
            break;
    }
    return m;
}

TEST(InvertMatrix, MatchesUnitVectorSolvesBitForBit) {
    std::mt19937_64 rng(2024);
    for (int n = 1; n <= dimmax; ++n) {
        for (int kind = 0; kind <= 5; ++kind) {
            for (int trial = 0; trial < 3; ++trial) {
                const Matrix a = awkwardMatrix(rng, n, kind);

                Matrix lu = a;
                Matrix expectedLu = a;
                PermutationRecord perm;
                PermutationRecord expectedPerm;
                double parity = 0;
                double expectedParity = 0;
                LUDCMP(lu, n, perm, parity);
                reference::luDecompose(expectedLu, n, expectedPerm, expectedParity);
                ASSERT_TRUE(sameBits(lu, expectedLu, n, n)) << "n " << n << " kind " << kind;
                for (int j = 1; j <= n; ++j) {
                    ASSERT_EQ(perm(j), expectedPerm(j));
                }
                ASSERT_EQ(parity, expectedParity);

                Matrix inverse;
                Matrix expectedInverse;
                InvertMatrix(inverse, a, n);
                reference::invert(expectedInverse, a, n);
                ASSERT_TRUE(sameBits(inverse, expectedInverse, n, n))
                    << "n " << n << " kind " << kind;
            }
        }
    }
}

TEST(KroneckerProduct, LeftFactorIndicesAreMajor) {
    Matrix c = sentinels();
    KroneckerProduct(c, fromRows({{1, 2}}), fromRows({{3}, {4}}), 1, 2, 2, 1);
    expectEqualRect(c, fromRows({{3, 6}, {4, 8}}), 2, 2);
    EXPECT_TRUE(sameOutside(c, sentinels(), 2, 2));
}

TEST(MatMult, EmptyInnerDimensionGivesZeros) {
    Matrix c = sentinels();
    MatMult(c, sentinels(), sentinels(), 3, 0, 4);
    expectEqualRect(c, Matrix{}, 3, 4);
    EXPECT_TRUE(sameOutside(c, sentinels(), 3, 4));
}

TEST(SubMatrix, EmptyRangeWritesNothing) {
    Matrix c = sentinels();
    SubMatrix(c, identity(5), 3, 2, 1, 4);
    SubMatrix(c, identity(5), 1, 4, 3, 2);
    EXPECT_TRUE(sameOutside(c, sentinels(), 0, 0));
}

// Each routine, called with random dimensions on sentinel-filled outputs, writes exactly its
// rectangle, and gives the same result when the output is one of its inputs.
TEST(ElementaryOperations, WriteOnlyTheirRectangleAndAllowAliasedOutput) {
    std::mt19937_64 rng(7);
    std::uniform_int_distribution<int> dim(1, 6);
    for (int trial = 0; trial < 200; ++trial) {
        const int m = dim(rng);
        const int p = dim(rng);
        const int q = dim(rng);
        const int r = dim(rng);
        const Matrix a = test::uniformMatrix(rng);
        const Matrix b = test::uniformMatrix(rng);

        Matrix product = sentinels();
        MatMult(product, a, b, m, p, q);
        EXPECT_TRUE(sameOutside(product, sentinels(), m, q));
        Matrix aliased = a;
        MatMult(aliased, aliased, b, m, p, q);
        EXPECT_TRUE(sameBits(aliased, product, m, q));
        aliased = b;
        MatMult(aliased, a, aliased, m, p, q);
        EXPECT_TRUE(sameBits(aliased, product, m, q));
        aliased = a;
        MatMult(aliased, aliased, aliased, m, m, m);
        Matrix square;
        MatMult(square, a, a, m, m, m);
        EXPECT_TRUE(sameBits(aliased, square, m, m));

        Matrix sum = sentinels();
        MatAdd(sum, a, b, m, p);
        EXPECT_TRUE(sameOutside(sum, sentinels(), m, p));
        aliased = a;
        MatAdd(aliased, aliased, b, m, p);
        EXPECT_TRUE(sameBits(aliased, sum, m, p));

        Matrix transposed = sentinels();
        Transpose(transposed, a, m, p);
        EXPECT_TRUE(sameOutside(transposed, sentinels(), p, m));
        aliased = a;
        Transpose(aliased, aliased, m, p);
        EXPECT_TRUE(sameBits(aliased, transposed, p, m));

        Matrix kron = sentinels();
        KroneckerProduct(kron, a, b, m, p, q, r);
        EXPECT_TRUE(sameOutside(kron, sentinels(), m * q, p * r));
        aliased = a;
        KroneckerProduct(aliased, aliased, b, m, p, q, r);
        EXPECT_TRUE(sameBits(aliased, kron, m * q, p * r));
        aliased = b;
        KroneckerProduct(aliased, a, aliased, m, p, q, r);
        EXPECT_TRUE(sameBits(aliased, kron, m * q, p * r));

        Matrix block = sentinels();
        SubMatrix(block, a, p, p + m - 1, q, q + r - 1);
        EXPECT_TRUE(sameOutside(block, sentinels(), m, r));
        aliased = a;
        SubMatrix(aliased, aliased, p, p + m - 1, q, q + r - 1);
        EXPECT_TRUE(sameBits(aliased, block, m, r));
    }
}

TEST(InvertMatrix, WritesOnlyItsSquareAndAllowsAliasedOutput) {
    std::mt19937_64 rng(9);
    for (int n = 1; n <= dimmax; n += 4) {
        Matrix a = test::wellConditioned(rng, n);
        const Matrix original = a;
        Matrix inverse = sentinels();
        InvertMatrix(inverse, a, n);
        EXPECT_TRUE(sameOutside(inverse, sentinels(), n, n));
        EXPECT_TRUE(sameBits(a, original, dimmax, dimmax)) << "the input must stay unchanged";
        InvertMatrix(a, a, n);
        EXPECT_TRUE(sameBits(a, inverse, n, n));
        EXPECT_TRUE(sameOutside(a, original, n, n));

        Matrix lu = original;
        PermutationRecord perm;
        double parity = 0;
        LUDCMP(lu, n, perm, parity);
        EXPECT_TRUE(sameOutside(lu, original, n, n));
    }
}

}  // namespace
}  // namespace tavi
