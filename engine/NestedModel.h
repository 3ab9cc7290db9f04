// A nested design as the engine computes with it: units in groups (two levels), or units in
// groups in sites (three levels); explanatory variables at each level with their moments within
// groups, between groups (within sites when there are sites) and between the top-level units,
// and the random effects at levels 2 and 3.
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
// model has two levels, no variables and every matrix element 0.
struct NestedModel {
    std::int32_t levels = 2;          // 2: units in groups; 3: units in groups in sites
    std::int32_t p1 = 0;              // level-1 variables
    std::int32_t p2 = 0;              // level-2 variables
    std::int32_t p3 = 0;              // level-3 variables; none with two levels
    SlopeVariation slope1[dimmax]{};  // of each level-1 variable; with two levels None or Level2
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
    // Between groups (between the groups of a site when there are sites): the level-1 variables
    // not centred within groups (fixed slopes and slopes varying at level 3 alone), then every
    // level-2 variable.
    Matrix BetweenCov{};
    // Between sites: the variables not centred within sites (the level-1 and level-2 variables
    // with fixed slopes), then every level-3 variable.
    Matrix SiteCov{};
    // The means of the variables of the top level's matrix (BetweenCov with two levels, SiteCov
    // with three); the other variables have mean 0.
    Vector Means{};
};

// The orders of the matrices. With two levels there are no level-3 effects and no sites.
std::int32_t level2Effects(const NestedModel& m);  // Tau2
std::int32_t level3Effects(const NestedModel& m);  // Tau3
std::int32_t betweenGroupsOrder(const NestedModel& m);
std::int32_t betweenSitesOrder(const NestedModel& m);
// The order of the top level's matrix, whose variables have Means.
std::int32_t topOrder(const NestedModel& m);

// The number of regression coefficients of a design with these slopes and p3 level-3
// variables: the intercept, a main effect per variable, and the interactions of each slope
// varying at a level with the variables of that level (a level-1 slope varying at level 2 with
// every level-2 variable, any slope varying at level 3 with every level-3 variable). Exact for
// any counts, so that a design far beyond the capacity is told apart before it is held.
std::int64_t termCount(std::span<const SlopeVariation> level1,
                       std::span<const SlopeVariation> level2, std::int64_t p3);
std::int64_t termCount(const NestedModel& m);

// The level of variable v (1, 2 or 3) and how its slope varies (None for level-3 variables).
int levelOf(const NestedModel& m, std::int32_t v);
SlopeVariation slopeOf(const NestedModel& m, std::int32_t v);

// Where variable v stands in WithinCov, BetweenCov, SiteCov and the top level's matrix with its
// Means, counted from 1; 0 when it has no part there.
std::int32_t withinIndex(const NestedModel& m, std::int32_t v);
std::int32_t betweenGroupsIndex(const NestedModel& m, std::int32_t v);
std::int32_t betweenSitesIndex(const NestedModel& m, std::int32_t v);
std::int32_t topIndex(const NestedModel& m, std::int32_t v);

// Where the slope of variable v stands in Tau2 and in Tau3, counted from 1 (the intercept is 1);
// 0 when it does not vary at that level.
std::int32_t level2EffectIndex(const NestedModel& m, std::int32_t v);
std::int32_t level3EffectIndex(const NestedModel& m, std::int32_t v);

// Whether the slope of variable v (-1: the intercept) varies at level (2 or 3) with a variance
// above 0.
bool variesWithVariance(const NestedModel& m, std::int32_t v, int level);

}  // namespace tavi
