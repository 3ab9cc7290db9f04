// The information of a three-level design must be X'V^-1X of a data set whose variables have
// exactly the design's moments within groups, between the groups of every site and between
// sites, built here unit by unit and computed in full with Eigen, V of each site whole.

#include "engine/Coefficients.h"
#include "engine/CovarianceComputation.h"
#include "engine/DesignInformation.h"
#include "engine/EngineState.h"
#include "engine/SiteInformation.h"
#include "tests/engine/RandomDesign.h"
#include "tests/engine/ThreeLevelDesigns.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <numeric>
#include <random>
#include <set>
#include <vector>

namespace tavi {
namespace {

using Eigen::MatrixXd;
using S = SlopeVariation;

// count rows of dims values with column means exactly 0 and covariance (divisor count) exactly
// the leading dims square of covariance.
MatrixXd exactDeviations(std::mt19937_64& rng, int count, const Matrix& covariance, int dims) {
    std::normal_distribution<double> normal;
    MatrixXd x(count, dims);
    for (int i = 0; i < count; ++i) {
        for (int j = 0; j < dims; ++j) {
            x(i, j) = normal(rng);
        }
    }
    if (dims == 0) {
        return x;
    }
    x.rowwise() -= x.colwise().mean();
    MatrixXd target(dims, dims);
    for (int i = 0; i < dims; ++i) {
        for (int j = 0; j < dims; ++j) {
            target(i, j) = covariance(i + 1, j + 1);
        }
    }
    const MatrixXd sample = x.transpose() * x / count;
    const MatrixXd whiten = MatrixXd(Eigen::LLT<MatrixXd>(sample).matrixU()).inverse();
    return x * whiten * MatrixXd(Eigen::LLT<MatrixXd>(target).matrixU());
}

// A data set of K sites, each with groups of the sizes given: every variable's value at every
// unit.
struct DataSet {
    int K;
    std::vector<int> sizes;  // of the groups of every site
    int variables;
    std::vector<double> values;  // unit by unit, variable by variable

    int units() const { return std::accumulate(sizes.begin(), sizes.end(), 0); }
    double at(int s, int g, int i, int v) const {
        const int before = std::accumulate(sizes.begin(), sizes.begin() + g, 0);
        return values[(std::size_t(s) * units() + before + i) * variables + v];
    }
};

// Which variables have parts between sites and between the groups of a site: a slope varying
// at a level centres its variable within that level's units.
struct Parts {
    std::vector<int> site;   // place in SiteCov and Means, -1 for none
    std::vector<int> group;  // place in BetweenCov, -1 for none
};

Parts partsOf(const NestedModel& m) {
    Parts parts;
    int sites = 0;
    int groups = 0;
    for (int v = 0; v < m.p1 + m.p2 + m.p3; ++v) {
        const int level = v < m.p1 ? 1 : v < m.p1 + m.p2 ? 2 : 3;
        const S slope = level == 1 ? m.slope1[v] : level == 2 ? m.slope2[v - m.p1] : S::None;
        parts.site.push_back(slope == S::None ? sites++ : -1);
        const bool group = level == 2 || (level == 1 && (slope == S::None || slope == S::Level3));
        parts.group.push_back(group ? groups++ : -1);
    }
    return parts;
}

// The groups of a site hold deviations whose sum of squares and products is (s - 1) n / (n - 1)
// times the within-groups matrix, a group of s units in a design of groups of n; a group of one
// unit holds none.
DataSet dataSetOf(std::mt19937_64& rng, const NestedModel& m, int K, const std::vector<int>& sizes,
                  int n) {
    const Parts parts = partsOf(m);
    const int variables = m.p1 + m.p2 + m.p3;
    const int siteParts = betweenSitesOrder(m);
    const int groupParts = betweenGroupsOrder(m);
    const int J = static_cast<int>(sizes.size());
    DataSet data{K, sizes, variables, {}};
    const MatrixXd a = exactDeviations(rng, K, m.SiteCov, siteParts);
    for (int s = 0; s < K; ++s) {
        const MatrixXd b = exactDeviations(rng, J, m.BetweenCov, groupParts);
        for (int g = 0; g < J; ++g) {
            const int units = sizes[g];
            const MatrixXd d = units == 1
                                   ? MatrixXd::Zero(1, m.p1)
                                   : MatrixXd(exactDeviations(rng, units, m.WithinCov, m.p1) *
                                              std::sqrt((units - 1.0) * n / ((n - 1.0) * units)));
            for (int i = 0; i < units; ++i) {
                for (int v = 0; v < variables; ++v) {
                    double value = v < m.p1 ? d(i, v) : 0.0;
                    if (parts.site[v] >= 0) {
                        value += m.Means(parts.site[v] + 1) + a(s, parts.site[v]);
                    }
                    if (parts.group[v] >= 0) {
                        value += b(g, parts.group[v]);
                    }
                    data.values.push_back(value);
                }
            }
        }
    }
    return data;
}

// The information summed over the sites, each site's V = Sigma2 I + Z2 Tau2 Z2' (group by
// group) + Z3 Tau3 Z3' built whole.
MatrixXd denseInformation(const NestedModel& m, const DataSet& data) {
    const std::vector<DesignTerm> terms = designTerms(m);
    std::vector<int> level2Slopes;
    std::vector<int> level3Slopes;
    for (int v = 0; v < m.p1 + m.p2; ++v) {
        const S slope = v < m.p1 ? m.slope1[v] : m.slope2[v - m.p1];
        if (v < m.p1 && (slope == S::Level2 || slope == S::Levels2And3)) {
            level2Slopes.push_back(v);
        }
        if (slope == S::Level3 || slope == S::Levels2And3) {
            level3Slopes.push_back(v);
        }
    }
    const auto matrix = [](const Matrix& source, int order) {
        MatrixXd result(order, order);
        for (int i = 0; i < order; ++i) {
            for (int j = 0; j < order; ++j) {
                result(i, j) = source(i + 1, j + 1);
            }
        }
        return result;
    };
    const MatrixXd tau2 = matrix(m.Tau2, int(level2Slopes.size()) + 1);
    const MatrixXd tau3 = matrix(m.Tau3, int(level3Slopes.size()) + 1);
    const int rows = data.units();
    MatrixXd total = MatrixXd::Zero(int(terms.size()), int(terms.size()));
    for (int s = 0; s < data.K; ++s) {
        MatrixXd x(rows, int(terms.size()));
        MatrixXd z3(rows, tau3.rows());
        MatrixXd v = m.Sigma2 * MatrixXd::Identity(rows, rows);
        int first = 0;
        for (int g = 0; g < int(data.sizes.size()); ++g) {
            const int units = data.sizes[g];
            MatrixXd z2(units, tau2.rows());
            for (int i = 0; i < units; ++i) {
                const int row = first + i;
                const auto value = [&](int variable) {
                    return variable < 0 ? 1.0 : data.at(s, g, i, variable);
                };
                for (std::size_t c = 0; c < terms.size(); ++c) {
                    x(row, int(c)) = value(terms[c].first) * value(terms[c].second);
                }
                z2(i, 0) = 1.0;
                for (std::size_t r = 0; r < level2Slopes.size(); ++r) {
                    z2(i, int(r) + 1) = value(level2Slopes[r]);
                }
                z3(row, 0) = 1.0;
                for (std::size_t r = 0; r < level3Slopes.size(); ++r) {
                    z3(row, int(r) + 1) = value(level3Slopes[r]);
                }
            }
            v.block(first, first, units, units) += z2 * tau2 * z2.transpose();
            first += units;
        }
        v += z3 * tau3 * z3.transpose();
        total += x.transpose() * v.ldlt().solve(x);
    }
    return total;
}

struct Engine {
    std::unique_ptr<SitesDesign> design = std::make_unique<SitesDesign>();
    std::unique_ptr<SitesPoint> point = std::make_unique<SitesPoint>();

    Engine(const NestedModel& m, int K, int J, int n) {
        prepareSitesDesign(m, *design);
        computeSitesPoint(*design, *point, K, J, n);
    }
    double se(int c) const { return std::sqrt(point->CovCoef(c + 1, c + 1)); }
};

TEST(SiteInformation, InformationEqualsTheDenseComputationForEveryKindOfVariable) {
    std::mt19937_64 rng(3);
    std::uniform_int_distribution<int> count(0, 2);
    std::uniform_int_distribution<int> kind(0, 3);
    std::set<int> kinds;
    for (int trial = 0; trial < 30; ++trial) {
        std::vector<S> level1(count(rng) + 1);
        std::vector<S> level2(count(rng));
        for (S& slope : level1) {
            slope = static_cast<S>(kind(rng));
            kinds.insert(static_cast<int>(slope));
        }
        for (S& slope : level2) {
            slope = kind(rng) < 2 ? S::None : S::Level3;
            kinds.insert(10 + static_cast<int>(slope));
        }
        const int p3 = count(rng);
        const NestedModel m = test::randomThreeLevelModel(rng, level1, level2, p3);
        const int n = m.p1 + 2 + trial % 3;
        const int J = betweenGroupsOrder(m) + 2 + trial % 2;
        const int K = betweenSitesOrder(m) + 2;
        const MatrixXd expected =
            denseInformation(m, dataSetOf(rng, m, K, std::vector<int>(J, n), n));
        const MatrixXd expectedCovariance = expected.inverse();
        const Engine engine(m, K, J, n);
        const double scale = expected.cwiseAbs().maxCoeff();
        for (int i = 0; i < expected.rows(); ++i) {
            for (int j = 0; j < expected.cols(); ++j) {
                ASSERT_NEAR(engine.point->InfoMatrix(i + 1, j + 1), expected(i, j), 1e-10 * scale)
                    << "trial " << trial << " at " << i << ", " << j;
            }
            EXPECT_NEAR(engine.se(i), std::sqrt(expectedCovariance(i, i)), 1e-10 * engine.se(i))
                << "trial " << trial << " coefficient " << i;
        }
    }
    EXPECT_EQ(kinds, (std::set<int>{0, 1, 2, 3, 10, 12}));
}

// Sites whose groups differ: every site holding groups of the sizes given (one of one unit), and
// sites of two numbers of groups, against the dense computation of such sites, explicit; the
// first through the sizes a run is given. Nothing varies between the groups of a site, where the
// groups' sizes would meet their values: a slope varying between groups, a site covariate.
TEST(SiteInformation, SitesOfUnequalGroupsEqualTheDenseComputation) {
    std::mt19937_64 rng(9);
    const NestedModel m = test::randomThreeLevelModel(rng, {S::Level2}, {}, 1);
    const std::vector<int> sizes = {1, 4, 7, 4, 3};
    const int n = 4;
    const int K = betweenSitesOrder(m) + 3;
    const MatrixXd given = denseInformation(m, dataSetOf(rng, m, K, sizes, n));
    NestedDesign d;
    d.model = m;
    const std::vector<std::string> names = test::numberedNames(m);
    for (int v = 0; v < m.p1 + m.p2 + m.p3; ++v) {
        d.variables.push_back({names[v], levelOf(m, v), slopeOf(m, v)});
    }
    d.unequal.sizes.assign(sizes.begin(), sizes.end());
    const auto prepared = prepareDesign(d);
    const auto work = prepared->information->newWork();
    Vector efficiency;
    const PointCovariance covariance =
        prepared->information->computeWithSizes(*work, SweepPoint{K, n, 0, 5}, efficiency);
    const double scale = given.cwiseAbs().maxCoeff();
    for (int i = 0; i < given.rows(); ++i) {
        for (int j = 0; j < given.cols(); ++j) {
            ASSERT_NEAR(covariance.InfoMatrix(i + 1, j + 1), given(i, j), 1e-10 * scale)
                << i << ", " << j;
        }
    }

    // K1 sites of J1 groups and K2 of J2 are K sites of J1 or J2 groups in those shares, whatever
    // varies between the groups of a site.
    const NestedModel all = test::randomThreeLevelModel(rng, {S::None, S::Levels2And3}, {S::Level3},
                                                        1);  // every kind of part and effect
    const int K1 = betweenSitesOrder(all) + 2;
    const int K2 = K1 + 2;
    const MatrixXd mixed =
        denseInformation(all, dataSetOf(rng, all, K1, std::vector<int>(3, n), n)) +
        denseInformation(all, dataSetOf(rng, all, K2, std::vector<int>(6, n), n));
    const auto design = std::make_unique<SitesDesign>();
    const auto point = std::make_unique<SitesPoint>();
    prepareSitesDesign(all, *design);
    GroupSizeSupport units;
    units.add(n, 1.0);
    GroupSizeSupport counts;
    counts.add(3, double(K1) / (K1 + K2));
    counts.add(6, double(K2) / (K1 + K2));
    computeSitesWithSizes(*design, *point, K1 + K2, units, n, counts);
    for (int i = 0; i < mixed.rows(); ++i) {
        for (int j = 0; j < mixed.cols(); ++j) {
            ASSERT_NEAR(point->InfoMatrix(i + 1, j + 1), mixed(i, j),
                        1e-10 * mixed.cwiseAbs().maxCoeff())
                << i << ", " << j;
        }
    }
}

// The three-level term of each two-level coefficient, in the two-level order: the level-1
// variables keep their numbers, the level-2 variables follow them.
std::vector<DesignTerm> twoLevelTerms(const test::FileDesign& d) {
    std::vector<DesignTerm> terms;
    for (const Coefficient& c : coefficientsOf(d.k1, d.k - d.k1 + 1, d.kw + 1)) {
        const int slope = d.k1 + c.slope - 1;
        const int level2 = d.k + c.variable - 1;
        switch (c.kind) {
            case CoefficientKind::Fixed:
                terms.push_back({c.variable - 1, -1});
                break;
            case CoefficientKind::Const:
                terms.push_back({-1, -1});
                break;
            case CoefficientKind::Group:
                terms.push_back({level2, -1});
                break;
            case CoefficientKind::Random:
                terms.push_back({slope, -1});
                break;
            case CoefficientKind::CrossL:
                terms.push_back({slope, level2});
                break;
        }
    }
    return terms;
}

// The two-level standard errors of d with N groups of n, and the three-level ones of m with K
// sites of J groups of n, coefficient by coefficient in the two-level order, must agree.
void expectTwoLevelFigures(const test::FileDesign& d, int N, const NestedModel& m, int K, int J,
                           int n) {
    test::loadIntoEngine(d);
    EngineState& e = test::engineUnderTest();
    prepareRunConstants(e);
    computePoint(e, n, N);
    const Engine engine(m, K, J, n);
    const std::vector<DesignTerm> all = designTerms(m);
    const std::vector<DesignTerm> terms = twoLevelTerms(d);
    ASSERT_EQ(all.size(), terms.size());
    for (std::size_t i = 0; i < terms.size(); ++i) {
        const auto same = [&](const DesignTerm& t) {
            return t.first == terms[i].first && t.second == terms[i].second;
        };
        const auto c = static_cast<int>(std::find_if(all.begin(), all.end(), same) - all.begin());
        const double twoLevel = std::sqrt(e.CovCoef(int(i) + 1, int(i) + 1));
        EXPECT_NEAR(engine.se(c), twoLevel, 1e-10 * twoLevel) << "coefficient " << i;
    }
}

// The three-level model with the two-level design's variables: the fixed-only level-1
// variables with fixed slopes, the others varying at level 2, the level-2 variables with fixed
// slopes, no level-3 variable, and a level-3 intercept of variance siteVariance.
NestedModel threeLevelOf(const test::FileDesign& d, double siteVariance) {
    NestedModel m;
    m.levels = 3;
    m.p1 = d.k;
    m.p2 = d.kw;
    for (int x = 0; x < d.k; ++x) {
        m.slope1[x] = x < d.k1 ? S::None : S::Level2;
    }
    m.Sigma2 = d.sigma2;
    test::fillMatrix(m.Tau2, d.tau);
    m.Tau3(1, 1) = siteVariance;
    test::fillMatrix(m.WithinCov, d.within);
    for (int i = 0; i < d.k1; ++i) {
        m.Means(i + 1) = d.means1[i];
    }
    for (int i = 0; i < d.kw; ++i) {
        m.Means(d.k1 + i + 1) = d.means2[i];
    }
    return m;
}

// The two-level between-groups matrix lists the level-2 variables before the group means of
// the fixed-only variables; the three-level ones list them after.
int twoLevelBetweenIndex(const test::FileDesign& d, int threeLevelIndex) {
    return threeLevelIndex < d.k1 ? d.kw + threeLevelIndex : threeLevelIndex - d.k1;
}

TEST(SiteInformation, OneGroupPerSiteWithoutSiteVarianceGivesTheTwoLevelFigures) {
    std::mt19937_64 rng(7);
    for (int trial = 0; trial < 10; ++trial) {
        const int k1 = trial % 3;
        const test::FileDesign d = test::randomDesign(rng, k1 + 1 + trial % 2, k1, trial % 3);
        NestedModel m = threeLevelOf(d, 0.0);
        // One group per site: every part of the group-level values lies between sites.
        for (int i = 0; i < d.k1 + d.kw; ++i) {
            for (int j = 0; j < d.k1 + d.kw; ++j) {
                m.SiteCov(i + 1, j + 1) =
                    d.between[twoLevelBetweenIndex(d, i)][twoLevelBetweenIndex(d, j)];
            }
        }
        expectTwoLevelFigures(d, 30 + trial, m, 30 + trial, 1, 5 + trial);
    }
}

TEST(SiteInformation, SitesWithoutVarianceAndOneRandomSlopeGiveTheTwoLevelFigures) {
    std::mt19937_64 rng(8);
    for (int trial = 0; trial < 10; ++trial) {
        const int kw = trial % 3;
        const test::FileDesign d = test::randomDesign(rng, 2, 1, kw);
        NestedModel m = threeLevelOf(d, 0.0);
        // The groups' values split into parts between sites and between the groups of a site,
        // whose covariances add up to the two-level one over all groups.
        const test::Dense siteShare = test::randomCovariance(rng, kw + 1);
        for (int i = 0; i < kw + 1; ++i) {
            for (int j = 0; j < kw + 1; ++j) {
                const double total =
                    d.between[twoLevelBetweenIndex(d, i)][twoLevelBetweenIndex(d, j)];
                m.SiteCov(i + 1, j + 1) = 0.1 * siteShare[i][j];
                m.BetweenCov(i + 1, j + 1) = total - 0.1 * siteShare[i][j];
            }
        }
        const int K = 7 + trial;
        const int J = 2 + trial % 4;
        expectTwoLevelFigures(d, K * J, m, K, J, 4 + trial);
    }
}

}  // namespace
}  // namespace tavi
