// The sample sizes of a nested design: the points to compute, each a number of top-level units
// (groups N of a two-level design, sites K of a three-level one), with three levels a number of
// groups J in every site, and a group size n; under a budget, what a point costs.
#pragma once

#include <cstdint>

namespace tavi {

struct SweepPoint {
    std::int32_t N = 0;     // top-level units: groups, or with three levels sites
    std::int32_t n = 0;     // units per group
    std::int64_t cost = 0;  // under a budget what the point costs; otherwise 0
    std::int32_t J = 0;     // with three levels the groups per site; otherwise 0

    bool operator==(const SweepPoint&) const = default;
};

// The level-1 units of a point: N*n, or K*J*n for three levels.
std::int64_t unitsOf(const SweepPoint& point);

// The counts least, least + step, ... up to most. A range whose most is below its least holds
// its least alone when it counts top-level units and nothing when it counts units per group.
struct CountRange {
    std::int32_t least = 1;
    std::int32_t most = 1;
    std::int32_t step = 1;  // at least 1
};

// For every n of units and, with three levels, every J of groups (n outermost), either every
// number of top-level units of top or, under a budget, as many as the budget pays for. Costs are
// counted in level-1 units.
struct SampleSizes {
    bool BudgetMode = false;
    std::int32_t Budget = 0;
    std::int32_t SiteCost = 0;   // three levels: a site beyond its groups
    std::int32_t GroupCost = 0;  // a group beyond its units
    CountRange top;              // without a budget: the top-level units
    CountRange groups;           // three levels: the groups per site
    CountRange units;            // the units per group
};

// The number of values of each range, as the sweep walks them, computed in 64 bits.
std::int64_t topCount(const CountRange& range);
std::int64_t countIn(const CountRange& range);

// The number of points of the sizes of a design with levels levels.
std::int64_t pointCount(const SampleSizes& s, int levels);

// What one top-level unit of J groups (three levels) of n units costs.
std::int64_t topUnitCost(const SampleSizes& s, int levels, std::int64_t J, std::int64_t n);

// Under the budget, the point of J groups (ignored with two levels) of n units: as many
// top-level units as the budget pays for, and their cost. Needs costs of at least 0 and n >= 1.
SweepPoint budgetPoint(const SampleSizes& s, int levels, std::int32_t J, std::int64_t n);

// The point with index k (0-based) in sweep order: n outermost, then J, then the top-level
// units. All sums and products are formed in 64 bits.
SweepPoint pointAt(const SampleSizes& s, int levels, std::int64_t k);

}  // namespace tavi
