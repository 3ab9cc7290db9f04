// The short account of the tests that tavi-calc shows on standard output: the settings, where
// the best points were searched, and for each coefficient its best point and, with an effect,
// the power there and the cheapest point reaching the target.
#pragma once

#include "engine/Coefficients.h"
#include "engine/power/BestAllocation.h"
#include "engine/power/BudgetLine.h"
#include "engine/power/PointTests.h"
#include "engine/power/SweepTable.h"

#include <iosfwd>
#include <vector>

namespace tavi {

struct SummaryInput {
    const SweepTable& sweep;  // the run's points
    const AllocationSearch& search;
    const std::vector<BestPoint>& best;  // over search.points(sweep)
    const std::vector<Coefficient>& coefficients;
};

void writePowerSummary(std::ostream& out, const SummaryInput& input, PointTests& tests);

}  // namespace tavi
