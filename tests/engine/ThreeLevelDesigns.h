// Three-level models for the tests and benchmarks: random valid ones, the largest one (40
// coefficients with every kind of variable), a site-randomised trial with covariates and a
// random slope, a site-randomised trial's parameter file, and designs of models.
#pragma once

#include "engine/NestedDesign.h"
#include "engine/NestedModel.h"
#include "tests/engine/RandomDesign.h"

#include <random>
#include <string>
#include <vector>

namespace tavi::test {

inline void fillMatrix(Matrix& m, const Dense& values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        for (std::size_t j = 0; j < values.size(); ++j) {
            m(int(i) + 1, int(j) + 1) = values[i][j];
        }
    }
}

// A three-level model with these slopes and p3 level-3 variables, every matrix 0.
inline NestedModel modelWithSlopes(const std::vector<SlopeVariation>& level1,
                                   const std::vector<SlopeVariation>& level2, int p3) {
    NestedModel m;
    m.levels = 3;
    m.p1 = static_cast<std::int32_t>(level1.size());
    m.p2 = static_cast<std::int32_t>(level2.size());
    m.p3 = p3;
    std::copy(level1.begin(), level1.end(), m.slope1);
    std::copy(level2.begin(), level2.end(), m.slope2);
    return m;
}

// v0, v1, ...: a name for every variable of m.
inline std::vector<std::string> numberedNames(const NestedModel& m) {
    std::vector<std::string> names;
    for (int v = 0; v < m.p1 + m.p2 + m.p3; ++v) {
        names.emplace_back("v");
        names.back().append(std::to_string(v));
    }
    return names;
}

// A design of m whose variables are named as numberedNames names them.
inline NestedDesign designOfModel(const NestedModel& m) {
    NestedDesign d;
    d.model = m;
    const std::vector<std::string> names = numberedNames(m);
    for (int v = 0; v < m.p1 + m.p2 + m.p3; ++v) {
        d.variables.push_back({names[v], levelOf(m, v), slopeOf(m, v)});
    }
    return d;
}

// A model with these slopes and p3 level-3 variables, its covariance matrices random and
// positive definite, its random effects of about a third of the variables' size.
inline NestedModel randomThreeLevelModel(std::mt19937_64& rng,
                                         const std::vector<SlopeVariation>& level1,
                                         const std::vector<SlopeVariation>& level2, int p3) {
    std::uniform_real_distribution<double> mean(-3.0, 3.0);
    std::uniform_real_distribution<double> variance(0.3, 2.0);
    NestedModel m = modelWithSlopes(level1, level2, p3);
    m.Sigma2 = variance(rng);
    const auto randomEffects = [&rng](int order) {
        Dense tau = randomCovariance(rng, order);
        for (auto& row : tau) {
            for (double& element : row) {
                element *= 0.3;
            }
        }
        return tau;
    };
    fillMatrix(m.Tau2, randomEffects(level2Effects(m)));
    fillMatrix(m.Tau3, randomEffects(level3Effects(m)));
    fillMatrix(m.WithinCov, randomCovariance(rng, m.p1));
    fillMatrix(m.BetweenCov, randomCovariance(rng, betweenGroupsOrder(m)));
    fillMatrix(m.SiteCov, randomCovariance(rng, betweenSitesOrder(m)));
    for (int i = 1; i <= betweenSitesOrder(m); ++i) {
        m.Means(i) = mean(rng);
    }
    return m;
}

// The capacity's 40 coefficients with every kind of variable: six level-1 variables (three
// with fixed slopes, one varying at each level and one at both), three level-2 variables (one
// varying at level 3) and six level-3 variables: 1 + 6 + 3 + 6 main effects, 2 x 3 interactions
// with the level-2 variables and 3 x 6 with the level-3 ones.
inline NestedModel largestThreeLevelModel() {
    std::mt19937_64 rng(40);
    using S = SlopeVariation;
    return randomThreeLevelModel(rng,
                                 {S::None, S::None, S::None, S::Level2, S::Level3, S::Levels2And3},
                                 {S::None, S::None, S::Level3}, 6);
}

// Sites randomised to a treatment (v2, mean 0.5, variance 0.25) with a site covariate v3, a
// group covariate v1 and a unit covariate v0 whose slope varies between groups and between
// sites: the coefficients intercept, v0, v1, v2, v3, v0:v1, v0:v2, v0:v3.
inline NestedModel siteTrialWithSlopes() {
    using S = SlopeVariation;
    NestedModel m = modelWithSlopes({S::Levels2And3}, {S::None}, 2);
    m.Sigma2 = 0.8;
    fillMatrix(m.Tau2, {{0.1, 0.01}, {0.01, 0.05}});
    fillMatrix(m.Tau3, {{0.05, 0.0}, {0.0, 0.03}});
    fillMatrix(m.WithinCov, {{1.0}});
    fillMatrix(m.BetweenCov, {{0.5}});
    fillMatrix(m.SiteCov, {{0.2, 0.0, 0.05}, {0.0, 0.25, 0.0}, {0.05, 0.0, 1.0}});
    m.Means(2) = 0.5;
    return m;
}

// Sites randomised to a treatment with half of them treated, under a budget: the treatment's
// variance has the closed form (Tau3 + Tau2 / J + Sigma2 / (J n)) / (K P (1 - P)).
inline constexpr const char* kSiteTrialText =
    "TAVI three-level design\n"
    "level-3 treatment\n"
    "budget 3000 20 5\n"
    "groups 2 4 2\n"
    "n 10 20 10\n"
    "residual-variance 0.85\n"
    "level-2-random-effects\n0.1\n"
    "level-3-random-effects\n0.05\n"
    "within-groups\nbetween-groups\n"
    "between-sites\n0.25\n"
    "means 0.5\n";

}  // namespace tavi::test
