// The short account of the tests that tavi-calc shows on standard output: the settings, where
// the best points were searched, and for each coefficient its best point (the highest power
// with an effect, else the smallest MDES), the points of the other criteria where they differ
// from it, and, with an effect, the cheapest design that reaches the target power.
#pragma once

#include "engine/Coefficients.h"
#include "engine/EngineState.h"
#include "engine/power/AllocationAnswers.h"
#include "engine/power/PointTests.h"
#include "engine/power/SweepTable.h"

#include <iosfwd>
#include <vector>

namespace tavi {

struct SummaryInput {
    const SweepTable& sweep;  // the run's points
    const AllocationAnswers& answers;
    const std::vector<Coefficient>& coefficients;
    const EngineState& e;  // the run's settings
    // The sizes of the groups: named, and each best point's relative efficiency given, when
    // in force.
    const GroupSizeSettings* sizes = nullptr;
};

void writePowerSummary(std::ostream& out, const SummaryInput& input, PointTests& tests);

}  // namespace tavi
