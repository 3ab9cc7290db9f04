// The points over which the best allocation is searched. Under a budget these are all points
// of the budget line, N = Budget / (n + CostParameter) for every integer n from MinGroupSize
// to MaxGroupSize with N >= 1, not only the sweep's steps of n; over ranges, the sweep's own.
#pragma once

#include "engine/EngineState.h"
#include "engine/power/SweepTable.h"

#include <cstdint>
#include <optional>

namespace tavi {

// Budget lines with more group sizes than this are searched at the sweep's points only.
inline constexpr std::int64_t kMaxBudgetLineGroupSizes = 100000;

struct AllocationSearch {
    // The budget line when it was computed here; otherwise the sweep's points are searched.
    std::optional<SweepTable> budgetLine;
    // Budget mode, but the line has more than kMaxBudgetLineGroupSizes group sizes.
    bool lineTooLong = false;

    // The points to search, given the sweep's.
    const SweepTable& points(const SweepTable& sweep) const {
        return budgetLine ? *budgetLine : sweep;
    }
};

// The point of the budget line at group size n: as many groups as the budget pays for,
// N = Budget / (n + CostParameter), and their cost. Needs settings the run accepts (n >= 1,
// CostParameter >= 0), so that N stays within the budget.
SweepPoint budgetPoint(const EngineState& e, std::int64_t n);

// The search for the design and settings of a run: computes the budget line with the engine,
// on a state of its own, when the sweep's step of n is above 1, for the sweep then already
// holds every point of it. Needs the run's constants in design.
AllocationSearch prepareAllocationSearch(const EngineState& design);

}  // namespace tavi
