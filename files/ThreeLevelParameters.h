// A three-level design as its parameter file stores it: the variables with their names, the
// sample sizes to compute, and the model's variances and moments.
#pragma once

#include "engine/ThreeLevelModel.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tavi {

struct ThreeLevelVariable {
    std::string name;
    int level;             // 1, 2 or 3
    SlopeVariation slope;  // level 1: any; level 2: None or Level3; level 3: None
};

// The points to compute, K sites of J groups of n units: for every J and n of their ranges
// either as many sites as the budget pays for, K = Budget / (SiteCost + J (GroupCost + n)), or
// every K of its range. Costs are counted in level-1 units.
struct ThreeLevelSweep {
    bool BudgetMode = false;
    std::int32_t Budget = 0;
    std::int32_t SiteCost = 0;   // a site beyond its groups
    std::int32_t GroupCost = 0;  // a group beyond its units
    std::int32_t MinSites = 1;
    std::int32_t MaxSites = 1;
    std::int32_t SitesStep = 1;
    std::int32_t MinGroups = 1;  // J
    std::int32_t MaxGroups = 1;
    std::int32_t GroupsStep = 1;
    std::int32_t MinGroupSize = 1;  // n
    std::int32_t MaxGroupSize = 1;
    std::int32_t GroupSizeStep = 1;
};

struct ThreeLevelParameters {
    std::vector<ThreeLevelVariable> variables;  // level 1 first, then level 2, then level 3
    ThreeLevelSweep sweep;
    // The counts and slopes follow the variables, and the matrices are held, only when the
    // design's coefficients fit the capacity.
    ThreeLevelModel model;
};

// The number of coefficients of a design with these variables, however many.
std::int64_t threeLevelCoefficientCount(const std::vector<ThreeLevelVariable>& variables);

// Sets the model's counts and slopes from the variables, which must fit the capacity.
void setModelVariables(ThreeLevelParameters& p);

// The variables' names in the model's order.
std::vector<std::string> variableNames(const ThreeLevelParameters& p);

}  // namespace tavi
