// The points of a three-level design over which its best allocation is searched, and the cells
// (J groups per site of n units) at which the number of sites that a target power needs is
// sought: under a budget every integer J and n of their ranges, each with as many sites as the
// budget pays for, not only the sweep's steps; over ranges the sweep's own cells.
#pragma once

#include "engine/StopToken.h"
#include "engine/ThreeLevelComputation.h"
#include "engine/power/AllocationSettings.h"
#include "engine/power/BudgetLine.h"
#include "engine/power/SweepTable.h"

#include <cstdint>
#include <vector>

namespace tavi {

// The ranges of J and n that a sweep covers.
struct ThreeLevelCells {
    std::int32_t minGroups;
    std::int32_t maxGroups;
    std::int32_t groupsStep;
    std::int32_t minGroupSize;
    std::int32_t maxGroupSize;
    std::int32_t groupSizeStep;
};

// The point of the budget line at J groups of n: as many sites as the budget pays for,
// K = budget / (topCost + J (groupCost + n)), and their cost. Needs costs that the run accepts.
SweepPoint threeLevelBudgetPoint(const AllocationSettings& settings, std::int32_t J,
                                 std::int32_t n);

// Adds the computed point with the standard errors of its CovCoef to table: NaN where the
// report shows its marker or the information is singular, and at a point without sites.
void addThreeLevelPoint(SweepTable& table, const ThreeLevelPoint& point, std::int64_t cost);

// The search for a three-level run of design with these settings and cells: one computation per
// cell gives the budget line's point and the variances of one site's estimates of coefficients
// there. Throws Stopped when stop is set meanwhile.
AllocationSearch prepareThreeLevelSearch(const ThreeLevelDesign& design,
                                         const AllocationSettings& settings,
                                         const ThreeLevelCells& cells,
                                         const std::vector<int>& coefficients, StopToken stop);

}  // namespace tavi
