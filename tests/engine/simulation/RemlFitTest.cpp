// The REML fit against closed forms and against a brute-force search: for a balanced
// random-intercept model the REML estimates are the ANOVA estimators and the fixed effects
// their GLS values; for a random-slope model no other variances give a higher REML likelihood,
// and a three-level fit maximises it, which is computed here directly from the full covariance
// matrix of each group or site. Fits whose Tau is singular say whether a variance or a
// correlation is at its bound.

#include "engine/simulation/DesignSampler.h"
#include "engine/simulation/RemlFit.h"
#include "tests/engine/RandomDesign.h"
#include "tests/engine/ThreeLevelDesigns.h"

#include <Eigen/Cholesky>
#include <Eigen/LU>
#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <numbers>
#include <numeric>
#include <random>

namespace tavi {
namespace {

using Eigen::MatrixXd;
using Eigen::VectorXd;

// N groups of n units; y = 1 + 0.5 w + u + e with w a group-level variable (X = [1, w]) and a
// random intercept (Z = [1]) of variance tau.
NestedData randomInterceptData(int N, int n, double tau, std::uint64_t seed) {
    std::mt19937_64 rng(seed);
    std::normal_distribution<double> normal;
    NestedData d;
    d.X.resize(N * n, 2);
    d.Z2.setOnes(N * n, 1);
    d.y.resize(N * n);
    for (int g = 0; g < N; ++g) {
        d.groupStart.push_back(g * n);
        const double w = normal(rng);
        const double u = std::sqrt(tau) * normal(rng);
        for (int i = g * n; i < (g + 1) * n; ++i) {
            d.X.row(i) << 1.0, w;
            d.y(i) = 1.0 + 0.5 * w + u + normal(rng);
        }
    }
    d.groupStart.push_back(N * n);
    return d;
}

// The ANOVA view of balanced random-intercept data with group-level regressors: the OLS fit of
// the group means, the within mean square and the residual between mean square.
struct Anova {
    VectorXd beta;
    MatrixXd meansCrossInverse;  // (W'W)^-1 for the groups' rows W of X
    double within;
    double between;
};

Anova anovaOf(const NestedData& d, int N, int n) {
    MatrixXd W(N, 2);
    VectorXd means(N);
    double ssWithin = 0.0;
    for (int g = 0; g < N; ++g) {
        W.row(g) = d.X.row(g * n);
        means(g) = d.y.segment(g * n, n).mean();
        ssWithin += (d.y.segment(g * n, n).array() - means(g)).square().sum();
    }
    Anova a;
    a.meansCrossInverse = (W.transpose() * W).inverse();
    a.beta = a.meansCrossInverse * W.transpose() * means;
    a.within = ssWithin / (N * (n - 1));
    a.between = n * (means - W * a.beta).squaredNorm() / (N - 2);
    return a;
}

TEST(RemlFit, BalancedRandomInterceptGivesTheAnovaEstimatorsAndGls) {
    const int N = 15;
    const int n = 6;
    const NestedData d = randomInterceptData(N, n, 0.5, 7);
    const Anova a = anovaOf(d, N, n);
    ASSERT_GT(a.between, a.within);
    const double tau = (a.between - a.within) / n;

    const RemlFit fit = fitReml(d);
    ASSERT_EQ(fit.status, FitStatus::Converged);
    EXPECT_NEAR(fit.sigma2, a.within, 1e-9 * a.within);
    EXPECT_NEAR(fit.tau2(0, 0), tau, 1e-8 * tau);
    // With group-level regressors, GLS is OLS on the group means, with variance
    // (tau + sigma2 / n) (W'W)^-1.
    for (int c = 0; c < 2; ++c) {
        EXPECT_NEAR(fit.beta(c), a.beta(c), 1e-9);
        EXPECT_NEAR(fit.standardErrors(c),
                    std::sqrt((tau + a.within / n) * a.meansCrossInverse(c, c)), 1e-8);
    }
}

TEST(RemlFit, BetweenMeanSquareBelowWithinEndsOnTheBoundary) {
    const int N = 15;
    const int n = 6;
    NestedData d = randomInterceptData(N, n, 0.0, 8);
    // Moves every group mean onto the fitted line: the between mean square becomes 0.
    const Anova before = anovaOf(d, N, n);
    for (int g = 0; g < N; ++g) {
        const double offset = d.y.segment(g * n, n).mean() - d.X.row(g * n).dot(before.beta);
        d.y.segment(g * n, n).array() -= offset;
    }
    const Anova a = anovaOf(d, N, n);
    ASSERT_LT(a.between, 1e-20);

    const RemlFit fit = fitReml(d);
    ASSERT_EQ(fit.status, FitStatus::ZeroVariance);
    EXPECT_LT(fit.tau2(0, 0), 1e-8 * fit.sigma2);
    // With tau = 0 all the variation is residual: the pooled sum of squares over N n - 2.
    EXPECT_NEAR(fit.sigma2, a.within * N * (n - 1) / (N * n - 2), 1e-6 * a.within);
    EXPECT_NEAR(fit.beta(1), a.beta(1), 1e-9);
}

// The REML log-likelihood, its GLS estimates and their covariance, from the full V of each
// block: of each site, with its groups' level-2 parts on its diagonal, or without sites of each
// group.
struct Direct {
    double logLikelihood;
    VectorXd beta;
    MatrixXd covariance;
};

Direct directReml(const NestedData& d, double sigma2, const MatrixXd& tau2,
                  const MatrixXd& tau3 = MatrixXd()) {
    const Eigen::Index p = d.X.cols();
    // The first group of each block, then the number of groups.
    std::vector<Eigen::Index> blocks = d.siteStart;
    if (blocks.empty()) {
        blocks.resize(d.groupStart.size());
        std::iota(blocks.begin(), blocks.end(), 0);
    }
    const auto rowsOf = [&](std::size_t b) {
        const Eigen::Index first = d.groupStart[blocks[b]];
        return std::pair{first, d.groupStart[blocks[b + 1]] - first};
    };
    MatrixXd info = MatrixXd::Zero(p, p);
    VectorXd score = VectorXd::Zero(p);
    double logDetV = 0.0;
    std::vector<Eigen::LLT<MatrixXd>> factors;
    for (std::size_t b = 0; b + 1 < blocks.size(); ++b) {
        const auto [first, size] = rowsOf(b);
        MatrixXd V = sigma2 * MatrixXd::Identity(size, size);
        for (Eigen::Index g = blocks[b]; g < blocks[b + 1]; ++g) {
            const Eigen::Index units = d.groupStart[g + 1] - d.groupStart[g];
            const MatrixXd Z = d.Z2.middleRows(d.groupStart[g], units);
            V.block(d.groupStart[g] - first, d.groupStart[g] - first, units, units) +=
                Z * tau2 * Z.transpose();
        }
        if (d.Z3.cols() > 0) {
            const MatrixXd Z = d.Z3.middleRows(first, size);
            V += Z * tau3 * Z.transpose();
        }
        factors.emplace_back(V);
        logDetV += 2.0 * factors.back().matrixLLT().diagonal().array().log().sum();
        const MatrixXd X = d.X.middleRows(first, size);
        info += X.transpose() * factors.back().solve(X);
        score += X.transpose() * factors.back().solve(d.y.segment(first, size));
    }
    Direct result;
    result.covariance = info.inverse();
    result.beta = result.covariance * score;
    double quadratic = 0.0;
    for (std::size_t b = 0; b < factors.size(); ++b) {
        const auto [first, size] = rowsOf(b);
        const VectorXd r = d.y.segment(first, size) - d.X.middleRows(first, size) * result.beta;
        quadratic += r.dot(factors[b].solve(r));
    }
    const double dof = static_cast<double>(d.y.size() - p);
    result.logLikelihood = -0.5 * (dof * std::log(2.0 * std::numbers::pi) + logDetV +
                                   std::log(info.determinant()) + quadratic);
    return result;
}

// -log L of data with a random intercept and slope, over log sigma2 and the lower triangle of
// the Cholesky factor of Tau.
std::function<double(const VectorXd&)> negativeLogLikelihood(const NestedData& d) {
    return [&d](const VectorXd& v) {
        MatrixXd L(2, 2);
        L << v(1), 0.0, v(2), v(3);
        return -directReml(d, std::exp(v(0)), L * L.transpose()).logLikelihood;
    };
}

// Nelder-Mead on f from best, with the usual coefficients, until the simplex's values agree to
// 1e-12, and once more from the best point.
double nelderMeadMinimum(const std::function<double(const VectorXd&)>& f, VectorXd best) {
    using Vertex = std::pair<double, VectorXd>;
    const auto vertex = [&](const VectorXd& x) { return Vertex{f(x), x}; };
    const auto m = static_cast<std::size_t>(best.size());
    for (int restart = 0; restart < 2; ++restart) {
        std::vector<Vertex> s{vertex(best)};
        for (std::size_t i = 0; i < m; ++i) {
            s.push_back(vertex(best + 0.3 * VectorXd::Unit(best.size(), i)));
        }
        for (int iteration = 0; iteration < 3000; ++iteration) {
            std::sort(s.begin(), s.end(),
                      [](const Vertex& a, const Vertex& b) { return a.first < b.first; });
            if (s[m].first - s[0].first < 1e-12) {
                break;
            }
            VectorXd centroid = VectorXd::Zero(best.size());
            for (std::size_t i = 0; i < m; ++i) {
                centroid += s[i].second / static_cast<double>(m);
            }
            const auto along = [&](double t) {
                return vertex(centroid + t * (s[m].second - centroid));
            };
            const Vertex reflected = along(-1.0);
            if (reflected.first < s[0].first) {
                const Vertex expanded = along(-2.0);
                s[m] = expanded.first < reflected.first ? expanded : reflected;
            } else if (reflected.first < s[m - 1].first) {
                s[m] = reflected;
            } else if (const Vertex contracted = along(0.5); contracted.first < s[m].first) {
                s[m] = contracted;
            } else {
                for (std::size_t i = 1; i <= m; ++i) {
                    s[i] = vertex((s[i].second + s[0].second) / 2.0);
                }
            }
        }
        best = std::min_element(s.begin(), s.end(), [](const Vertex& a, const Vertex& b) {
                   return a.first < b.first;
               })->second;
    }
    return f(best);
}

// Balanced data with X = Z = [1, x], x centred and the same in every group, whose groups' own
// least-squares lines are exactly 0.3 + 0.5 x plus c_g times direction, the c_g spread around
// 0. The REML estimate of Tau is then the sample covariance of the lines less their sampling
// covariance, clipped to be positive semidefinite: of rank 1, along direction.
NestedData rankOneData(const Eigen::Vector2d& direction) {
    const int N = 12;
    const int n = 6;
    std::mt19937_64 rng(5);
    std::normal_distribution<double> normal;
    NestedData d;
    d.X.resize(N * n, 2);
    for (int i = 0; i < N * n; ++i) {
        d.X.row(i) << 1.0, i % n - (n - 1) / 2.0;
    }
    d.Z2 = d.X;
    d.y.resize(N * n);
    for (int g = 0; g < N; ++g) {
        d.groupStart.push_back(g * n);
        const auto Z = d.Z2.middleRows(g * n, n);
        VectorXd e(n);
        for (double& draw : e) {
            draw = normal(rng);
        }
        e -= Z * (Z.transpose() * Z).ldlt().solve(Z.transpose() * e);
        const Eigen::Vector2d line = Eigen::Vector2d(0.3, 0.5) + 0.4 * (g - 5.5) * direction;
        d.y.segment(g * n, n) = Z * line + e;
    }
    d.groupStart.push_back(N * n);
    return d;
}

TEST(RemlFit, SingularTauIsAZeroVarianceOrAPerfectCorrelation) {
    const RemlFit sameSlopes = fitReml(rankOneData({1.0, 0.0}));
    ASSERT_EQ(sameSlopes.status, FitStatus::ZeroVariance);
    EXPECT_LT(sameSlopes.tau2(1, 1), 1e-8 * sameSlopes.sigma2);
    EXPECT_GT(sameSlopes.tau2(0, 0), sameSlopes.sigma2);

    const RemlFit linked = fitReml(rankOneData({1.0, -2.0}));
    ASSERT_EQ(linked.status, FitStatus::PerfectCorrelation);
    EXPECT_NEAR(linked.tau2(0, 1) / std::sqrt(linked.tau2(0, 0) * linked.tau2(1, 1)), -1.0, 1e-8);
    EXPECT_NEAR(linked.tau2(1, 1) / linked.tau2(0, 0), 4.0, 1e-6);
}

TEST(RemlFit, RandomSlopeLikelihoodIsAtLeastABruteForceSearch) {
    // Nine groups of seven: a random intercept and a random slope of x, X = [1, x, w, x w].
    std::mt19937_64 rng(11);
    std::normal_distribution<double> normal;
    NestedData d;
    const int N = 9;
    const int n = 7;
    d.X.resize(N * n, 4);
    d.Z2.resize(N * n, 2);
    d.y.resize(N * n);
    for (int g = 0; g < N; ++g) {
        d.groupStart.push_back(g * n);
        const double w = normal(rng);
        const double u0 = 0.6 * normal(rng);
        const double u1 = 0.3 * u0 + 0.4 * normal(rng);
        for (int i = g * n; i < (g + 1) * n; ++i) {
            const double x = normal(rng);
            d.X.row(i) << 1.0, x, w, x * w;
            d.Z2.row(i) << 1.0, x;
            d.y(i) = 0.2 + 0.5 * x + 0.3 * w + u0 + u1 * x + 0.8 * normal(rng);
        }
    }
    d.groupStart.push_back(N * n);

    const RemlFit fit = fitReml(d);
    ASSERT_NE(fit.status, FitStatus::Failed);
    const Direct atFit = directReml(d, fit.sigma2, fit.tau2);
    EXPECT_NEAR(fit.logLikelihood, atFit.logLikelihood, 1e-9 * std::fabs(atFit.logLikelihood));
    for (int c = 0; c < 4; ++c) {
        EXPECT_NEAR(fit.beta(c), atFit.beta(c), 1e-9);
        EXPECT_NEAR(fit.standardErrors(c), std::sqrt(atFit.covariance(c, c)), 1e-9);
    }

    // From a few starting points.
    const auto negative = negativeLogLikelihood(d);
    for (const VectorXd& start : {VectorXd(VectorXd::Zero(4)), VectorXd(VectorXd::Ones(4)),
                                  VectorXd(VectorXd::LinSpaced(4, -1.0, 0.5))}) {
        EXPECT_GE(fit.logLikelihood, -nelderMeadMinimum(negative, start) - 1e-7);
    }
}

// Replication r of seed 1 of the design d at point, its coefficients 0.
NestedData drawn(const NestedDesign& d, const SweepPoint& point, std::uint64_t r) {
    NestedData data;
    RandomStream random(1, r);
    DesignSampler(d, point, VectorXd::Zero(termCount(d.model))).draw(random, data);
    return data;
}

// Replication 94 of seed 1 of the cross-level example at N = 20 groups of n = 5: with the
// intercept's variance all but 0, the criterion is nearly flat along the slope's correlation
// with it, and Newton's steps crawl along that valley until they run out.
TEST(RemlFit, NewtonCrawlingAlongAFlatValleyIsFinishedByTheSearch) {
    test::FileDesign design;
    design.k = 1;
    design.kw = 1;
    design.sigma2 = 0.8;
    design.within = {{1.0}};
    design.between = {{1.0}};
    design.tau = {{0.1, 0.0}, {0.0, 0.05}};
    design.means2 = {0.0};
    const NestedData d = drawn(test::asDesign(design), {20, 5, 0, 0}, 94);
    const RemlFit fit = fitReml(d);
    ASSERT_NE(fit.status, FitStatus::Failed);
    EXPECT_GT(fit.iterations, 100) << "Newton's method no longer fails here: find another case";
    const auto negative = negativeLogLikelihood(d);
    VectorXd atFit(4);
    const Eigen::LLT<MatrixXd> tauFactor(fit.tau2 + 1e-12 * MatrixXd::Identity(2, 2));
    const MatrixXd L = tauFactor.matrixL();
    atFit << std::log(fit.sigma2), L(0, 0), L(1, 0), L(1, 1);
    for (const VectorXd& start :
         {VectorXd(VectorXd::Zero(4)), VectorXd(VectorXd::Ones(4)), atFit}) {
        EXPECT_GE(fit.logLikelihood, -nelderMeadMinimum(negative, start) - 1e-7);
    }
}

// A three-level fit at its estimates: the REML log-likelihood, the GLS estimates and their SEs
// of every site's V built in full, and no direction of sigma2, Tau2 or Tau3 (each through the
// lower triangle of its Cholesky factor) in which that likelihood rises: its gradient by central
// differences is 0 there.
TEST(RemlFit, ThreeLevelEstimatesMaximiseTheDenseLikelihood) {
    NestedModel m = test::siteTrialWithSlopes();
    test::fillMatrix(m.Tau3, {{0.3, 0.1}, {0.1, 0.2}});
    const NestedData d = drawn(test::designOfModel(m), {15, 6, 0, 3}, 1);
    const RemlFit fit = fitReml(d);
    ASSERT_EQ(fit.status, FitStatus::Converged);
    const Direct atFit = directReml(d, fit.sigma2, fit.tau2, fit.tau3);
    EXPECT_NEAR(fit.logLikelihood, atFit.logLikelihood, 1e-8 * std::fabs(atFit.logLikelihood));
    for (int c = 0; c < 8; ++c) {
        EXPECT_NEAR(fit.beta(c), atFit.beta(c), 1e-8);
        EXPECT_NEAR(fit.standardErrors(c), std::sqrt(atFit.covariance(c, c)), 1e-8);
    }
    const auto logLikelihood = [&d](const VectorXd& v) {
        MatrixXd L2(2, 2);
        MatrixXd L3(2, 2);
        L2 << v(1), 0.0, v(2), v(3);
        L3 << v(4), 0.0, v(5), v(6);
        return directReml(d, v(0), L2 * L2.transpose(), L3 * L3.transpose()).logLikelihood;
    };
    const MatrixXd L2 = fit.tau2.llt().matrixL();
    const MatrixXd L3 = fit.tau3.llt().matrixL();
    VectorXd at(7);
    at << fit.sigma2, L2(0, 0), L2(1, 0), L2(1, 1), L3(0, 0), L3(1, 0), L3(1, 1);
    const double h = 1e-5;
    for (int i = 0; i < 7; ++i) {
        const VectorXd step = h * VectorXd::Unit(7, i);
        EXPECT_NEAR((logLikelihood(at + step) - logLikelihood(at - step)) / (2.0 * h), 0.0, 1e-6)
            << "parameter " << i;
    }
}

}  // namespace
}  // namespace tavi
