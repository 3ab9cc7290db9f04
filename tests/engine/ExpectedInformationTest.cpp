// The assembled information of one group must be the expected information of the full model,
// computed here without any of the engine's formulas: the design matrix of one group whose
// level-1 variables have exactly the design's within-group moments, X' V^-1 X with
// V = Sigma2 I + Z Tau2 Z', averaged over the distribution of the group-level values.

#include "engine/CovarianceComputation.h"
#include "engine/DesignInformation.h"
#include "engine/EngineState.h"
#include "engine/run/RelativeEfficiency.h"
#include "tests/engine/RandomDesign.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace tavi {
namespace {

using test::Dense;
using test::FileDesign;

Dense zeros(int rows, int cols) {
    return Dense(rows, std::vector<double>(cols, 0.0));
}

Dense cholesky(const Dense& a) {
    const int n = static_cast<int>(a.size());
    Dense l = zeros(n, n);
    for (int j = 0; j < n; ++j) {
        double d = a[j][j];
        for (int k = 0; k < j; ++k) {
            d -= l[j][k] * l[j][k];
        }
        l[j][j] = std::sqrt(d);
        for (int i = j + 1; i < n; ++i) {
            double s = a[i][j];
            for (int k = 0; k < j; ++k) {
                s -= l[i][k] * l[j][k];
            }
            l[i][j] = s / l[j][j];
        }
    }
    return l;
}

Dense lowerInverse(const Dense& l) {
    const int n = static_cast<int>(l.size());
    Dense inv = zeros(n, n);
    for (int c = 0; c < n; ++c) {
        for (int i = 0; i < n; ++i) {
            double s = i == c ? 1.0 : 0.0;
            for (int k = 0; k < i; ++k) {
                s -= l[i][k] * inv[k][c];
            }
            inv[i][c] = s / l[i][i];
        }
    }
    return inv;
}

Dense transpose(const Dense& a) {
    Dense t = zeros(static_cast<int>(a[0].size()), static_cast<int>(a.size()));
    for (size_t i = 0; i < a.size(); ++i) {
        for (size_t j = 0; j < a[0].size(); ++j) {
            t[j][i] = a[i][j];
        }
    }
    return t;
}

Dense multiply(const Dense& a, const Dense& b) {
    Dense c = zeros(static_cast<int>(a.size()), static_cast<int>(b[0].size()));
    for (size_t i = 0; i < a.size(); ++i) {
        for (size_t k = 0; k < b.size(); ++k) {
            for (size_t j = 0; j < b[0].size(); ++j) {
                c[i][j] += a[i][k] * b[k][j];
            }
        }
    }
    return c;
}

// n rows of within-group deviations with mean exactly 0 whose sum of squares and products is
// exactly scale times the design's within-groups matrix: n times it (a divisor-n covariance
// equal to it) unless another scale is given. Needs n - 1 at least the number of variables.
Dense withinDeviations(std::mt19937_64& rng, const FileDesign& d, int n, double scale = 0.0) {
    std::normal_distribution<double> normal;
    Dense x = zeros(n, d.k);
    for (int c = 0; c < d.k; ++c) {
        double mean = 0.0;
        for (int i = 0; i < n; ++i) {
            x[i][c] = normal(rng);
            mean += x[i][c] / n;
        }
        for (int i = 0; i < n; ++i) {
            x[i][c] -= mean;
        }
    }
    Dense sample = multiply(transpose(x), x);
    for (auto& row : sample) {
        for (double& element : row) {
            element /= scale > 0.0 ? scale : n;
        }
    }
    // x L_S^-T L_W^T has covariance L_W L_W^T = within.
    return multiply(
        x, multiply(transpose(lowerInverse(cholesky(sample))), transpose(cholesky(d.within))));
}

// X' V^-1 X of one group, its group-level values being the level-2 variables w and the group
// means m of the fixed-only variables.
Dense groupInformation(const FileDesign& d, const Dense& deviations, const std::vector<double>& w,
                       const std::vector<double>& m) {
    const int n = static_cast<int>(deviations.size());
    const int nRandom = d.k - d.k1 + 1;
    const int lenW3 = d.kw + 1;
    Dense z = zeros(n, nRandom);
    Dense x = zeros(n, d.k1 + nRandom * lenW3);
    for (int i = 0; i < n; ++i) {
        z[i][0] = 1.0;
        for (int j = 1; j < nRandom; ++j) {
            z[i][j] = deviations[i][d.k1 + j - 1];
        }
        for (int c = 0; c < d.k1; ++c) {
            x[i][c] = m[c] + deviations[i][c];
        }
        for (int j = 0; j < nRandom; ++j) {
            for (int s = 0; s < lenW3; ++s) {
                x[i][d.k1 + j * lenW3 + s] = z[i][j] * (s == 0 ? 1.0 : w[s - 1]);
            }
        }
    }
    Dense v = multiply(multiply(z, d.tau), transpose(z));
    for (int i = 0; i < n; ++i) {
        v[i][i] += d.sigma2;
    }
    const Dense lInv = lowerInverse(cholesky(v));
    const Dense whitened = multiply(lInv, x);
    return multiply(transpose(whitened), whitened);
}

// The information averaged over the group-level distribution (means, between-groups
// covariance). For a quadratic form the 2d points mean +- sqrt(d) times the columns of the
// Cholesky factor give the exact average.
Dense expectedInformation(const FileDesign& d, const Dense& deviations) {
    const int dims = d.kw + d.k1;
    std::vector<double> mean(d.means2);
    mean.insert(mean.end(), d.means1.begin(), d.means1.end());
    const Dense l = cholesky(d.between);
    const int numCoef = d.k1 + (d.k - d.k1 + 1) * (d.kw + 1);
    Dense total = zeros(numCoef, numCoef);
    for (int c = 0; c < dims; ++c) {
        for (double sign : {-1.0, 1.0}) {
            std::vector<double> point(mean);
            for (int i = 0; i < dims; ++i) {
                point[i] += sign * std::sqrt(static_cast<double>(dims)) * l[i][c];
            }
            const std::vector<double> w(point.begin(), point.begin() + d.kw);
            const std::vector<double> m(point.begin() + d.kw, point.end());
            const Dense info = groupInformation(d, deviations, w, m);
            for (int i = 0; i < numCoef; ++i) {
                for (int j = 0; j < numCoef; ++j) {
                    total[i][j] += info[i][j] / (2 * dims);
                }
            }
        }
    }
    return total;
}

TEST(ExpectedInformation, AssembledGroupInformationEqualsTheDirectAverage) {
    std::mt19937_64 rng(42);
    std::uniform_int_distribution<int> count(1, 3);
    int designs = 0;
    for (int trial = 0; trial < 40; ++trial) {
        const int k1 = count(rng);
        const int k = k1 + count(rng);
        const int kw = count(rng) - 1;
        const FileDesign design = test::randomDesign(rng, k, k1, kw);
        if (kw + k1 == 0) {
            continue;
        }
        const int n = k + 2 + trial % 7;
        const Dense expected = expectedInformation(design, withinDeviations(rng, design, n));

        test::loadIntoEngine(design);
        prepareRunConstants(test::engineUnderTest());
        computePoint(test::engineUnderTest(), n, 1);
        const EngineState& e = test::engineUnderTest();
        double scale = 1.0;
        for (const auto& row : expected) {
            for (double element : row) {
                scale = std::max(scale, std::fabs(element));
            }
        }
        for (int i = 1; i <= e.NumCoef; ++i) {
            for (int j = 1; j <= e.NumCoef; ++j) {
                ASSERT_NEAR(e.InfoMatrix(i, j), expected[i - 1][j - 1], 1e-10 * scale)
                    << "design " << trial << " (k " << k << ", k1 " << k1 << ", kw " << kw
                    << ") at " << i << ", " << j;
            }
        }
        ++designs;
    }
    EXPECT_EQ(designs, 40);
}

// The sum of the expected informations of explicit groups: within each, deviations whose sum of
// squares and products is (s - 1) n / (n - 1) times the within-groups matrix, the design's
// matrix being the divisor-n covariance at n.
Dense explicitGroupsInformation(std::mt19937_64& rng, const FileDesign& design,
                                const std::vector<std::int32_t>& groups, double n) {
    const int numCoef = design.k1 + (design.k - design.k1 + 1) * (design.kw + 1);
    Dense total = zeros(numCoef, numCoef);
    for (const std::int32_t s : groups) {
        const Dense deviations =
            s == 1 ? zeros(1, design.k) : withinDeviations(rng, design, s, (s - 1) * n / (n - 1));
        const Dense info = expectedInformation(design, deviations);
        for (int i = 0; i < numCoef; ++i) {
            for (int j = 0; j < numCoef; ++j) {
                total[i][j] += info[i][j];
            }
        }
    }
    return total;
}

// Groups of one unit hold no deviations within the group: a random slope's one variable seen in
// groups of one, two and five units gives the information of those explicit groups, and groups
// of one unit alone leave the slope and its interaction without a standard error.
TEST(ExpectedInformation, GroupsOfOneUnitKnowNothingOfTheSlopes) {
    std::mt19937_64 rng(5);
    const FileDesign design = test::randomDesign(rng, 1, 0, 1);  // one random slope, one w
    const std::vector<std::int32_t> sizes = {1, 2, 5};
    const double n = 4.0;  // the design's n, whose divisor the within-groups matrix has
    const Dense expected = explicitGroupsInformation(rng, design, sizes, n);
    GroupSizeSettings settings;
    settings.sizes = sizes;
    const auto prepared = test::preparedOf(design, settings);
    const auto work = prepared->information->newWork();
    Vector efficiency;
    const PointCovariance covariance = prepared->information->computeWithSizes(
        *work, SweepPoint{3, static_cast<std::int32_t>(n), 0, 0}, efficiency);
    ASSERT_EQ(covariance.NumCoef, 4);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            EXPECT_NEAR(covariance.InfoMatrix(i + 1, j + 1), expected[i][j],
                        1e-10 * std::fabs(expected[i][i]));
        }
    }
    settings.sizes = {1, 1, 1};
    const auto singles = test::preparedOf(design, settings);
    const auto singlesWork = singles->information->newWork();
    const PointCovariance alone =
        singles->information->computeWithSizes(*singlesWork, SweepPoint{3, 1, 0, 0}, efficiency);
    EXPECT_FALSE(std::isnan(usableStandardError(alone, 1)));  // the intercept
    EXPECT_TRUE(std::isnan(usableStandardError(alone, 3)));   // the slope
    EXPECT_TRUE(std::isnan(usableStandardError(alone, 4)));   // its interaction
}

// Groups of several sizes carry the sum of their own informations: the relative efficiency of a
// random-slope design against the same units in groups of equal size, from X' V^-1 X built over
// explicit groups and inverted here.
TEST(ExpectedInformation, RelativeEfficiencyOfExplicitGroups) {
    std::mt19937_64 rng(7);
    const FileDesign design = test::randomDesign(rng, 2, 0, 1);
    const std::vector<std::int32_t> sizes = {3, 5, 9, 9, 14};  // mean 8
    const int numCoef = 6;                                     // 3 random effects x 2
    const auto varianceOf = [&](const std::vector<std::int32_t>& groups) {
        const Dense total = explicitGroupsInformation(rng, design, groups, 8.0);
        // Each coefficient's variance through the Cholesky factor: (L^-T L^-1)(i, i).
        const Dense inverse = lowerInverse(cholesky(total));
        std::vector<double> variances(numCoef, 0.0);
        for (int i = 0; i < numCoef; ++i) {
            for (int k = 0; k < numCoef; ++k) {
                variances[i] += inverse[k][i] * inverse[k][i];
            }
        }
        return variances;
    };
    const std::vector<double> unequal = varianceOf(sizes);
    const std::vector<double> equal = varianceOf(std::vector<std::int32_t>(5, 8));

    GroupSizeSettings settings;
    settings.sizes = sizes;
    const auto prepared = test::preparedOf(design, settings);
    const Vector efficiency = efficiencyAt(*prepared, {5, 8, 0});
    ASSERT_EQ(prepared->NumCoef(), numCoef);
    for (int i = 0; i < numCoef; ++i) {
        EXPECT_NEAR(efficiency(i + 1), equal[i] / unequal[i], 1e-10) << "coefficient " << i + 1;
        EXPECT_LT(efficiency(i + 1), 1.0);
    }
}

}  // namespace
}  // namespace tavi
