// A balanced three-level design as the engine computes with it: K sites of J groups of n units,
// explanatory variables at each level with their moments within groups, between groups within
// sites and between sites, and the random effects at levels 2 and 3.
//
// A variable whose slope varies randomly at a level is centred within the units of that level:
// it has no part at that level or above. So a level-1 variable varying at level 2 (or at both)
// varies within groups only, one varying at level 3 alone within sites only, and a level-2
// variable varying at level 3 between the groups of a site only. Variables with a fixed slope
// have a part at every level up to their own, and a mean.
#pragma once

#include "engine/Matrix.h"

#include <cstdint>
#include <span>

namespace tavi {

// Where a variable's slope varies randomly: at no level, between groups, between sites, or both.
enum class SlopeVariation : std::int8_t { None, Level2, Level3, Levels2And3 };

bool variesAtLevel2(SlopeVariation variation);
bool variesAtLevel3(SlopeVariation variation);

// The variables are numbered from 0 over the levels in turn: level 1, level 2, level 3. A new
// model has no variables and every matrix element 0.
struct ThreeLevelModel {
    std::int32_t p1 = 0;              // level-1 variables
    std::int32_t p2 = 0;              // level-2 variables
    std::int32_t p3 = 0;              // level-3 variables
    SlopeVariation slope1[dimmax]{};  // of each level-1 variable
    SlopeVariation slope2[dimmax]{};  // of each level-2 variable: None or Level3
    double Sigma2 = 1.0;              // level-1 residual variance
    // The random effects at level 2: the intercept, then the slopes of the level-1 variables
    // that vary at level 2, in order.
    Matrix Tau2{};
    // At level 3: the intercept, the slopes of the level-1 variables that vary at level 3, then
    // those of the level-2 variables that do.
    Matrix Tau3{};
    // Within groups: every level-1 variable.
    Matrix WithinCov{};
    // Between the groups of a site: the level-1 variables not centred within groups (fixed
    // slopes and slopes varying at level 3 alone), then every level-2 variable.
    Matrix BetweenCov{};
    // Between sites: the variables not centred within sites (the level-1 and level-2 variables
    // with fixed slopes), then every level-3 variable. Means holds their means; the other
    // variables have mean 0.
    Matrix SiteCov{};
    Vector Means{};
};

// The orders of the matrices.
std::int32_t level2Effects(const ThreeLevelModel& m);  // Tau2
std::int32_t level3Effects(const ThreeLevelModel& m);  // Tau3
std::int32_t betweenGroupsOrder(const ThreeLevelModel& m);
std::int32_t betweenSitesOrder(const ThreeLevelModel& m);

// The number of regression coefficients of a design with these slopes and p3 level-3
// variables: the intercept, a main effect per variable, and the interactions of each slope
// varying at a level with the variables of that level (a level-1 slope varying at level 2 with
// every level-2 variable, any slope varying at level 3 with every level-3 variable). Exact for
// any counts, so that a design far beyond the capacity is told apart before it is held.
std::int64_t threeLevelCoefficientCount(std::span<const SlopeVariation> level1,
                                        std::span<const SlopeVariation> level2, std::int64_t p3);
std::int64_t threeLevelCoefficientCount(const ThreeLevelModel& m);

// The level of variable v (1, 2 or 3) and how its slope varies (None for level-3 variables).
int levelOf(const ThreeLevelModel& m, std::int32_t v);
SlopeVariation slopeOf(const ThreeLevelModel& m, std::int32_t v);

// Where variable v stands in BetweenCov and in SiteCov and Means, counted from 1; 0 when it has
// no part there.
std::int32_t betweenGroupsIndex(const ThreeLevelModel& m, std::int32_t v);
std::int32_t betweenSitesIndex(const ThreeLevelModel& m, std::int32_t v);

// Where the slope of variable v stands in Tau2 and in Tau3, counted from 1 (the intercept is 1);
// 0 when it does not vary at that level.
std::int32_t level2EffectIndex(const ThreeLevelModel& m, std::int32_t v);
std::int32_t level3EffectIndex(const ThreeLevelModel& m, std::int32_t v);

}  // namespace tavi
