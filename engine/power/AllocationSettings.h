// What the search for the best allocation needs of a sweep's settings, for two levels or three:
// what a point costs under a budget, and over ranges the numbers of top-level units (groups, or
// sites) that the sweep covers.
#pragma once

#include "engine/NestedDesign.h"

#include <cstdint>

namespace tavi {

struct AllocationSettings {
    bool budgetMode = false;
    int levels = 2;
    std::int64_t budget = 0;     // the budget given, for the summary
    std::int64_t topCost = 0;    // a group's cost beyond its units, or a site's beyond its groups
    std::int64_t groupCost = 0;  // three levels: a group's cost beyond its units
    // Over ranges: the sweep's N (or K) from fewest to most, in steps of step in the report.
    std::int64_t fewest = 1;
    std::int64_t most = 1;
    std::int64_t step = 1;
    // The top-level units come in whole multiples of this: the clusters of a design over periods,
    // so that every sequence has whole clusters.
    std::int64_t multiple = 1;
};

// The cost of N groups of n units, N (topCost + n), or for three levels of N sites of J groups,
// N (topCost + J (groupCost + n)).
std::int64_t costOf(const AllocationSettings& settings, std::int64_t N, std::int32_t J,
                    std::int32_t n);

// The settings of the design's sweep, whose first N (or K) is its least even above its most.
AllocationSettings allocationSettingsOf(const NestedDesign& d);

}  // namespace tavi
