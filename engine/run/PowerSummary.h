// The short account of the tests that tavi-calc shows on standard output: the settings, where
// the best points were searched, and for each coefficient and contrast its best point (the
// highest power with an effect, else the smallest MDES), the points of the other criteria where
// they differ from it, and, with an effect, the cheapest design that reaches the target power;
// then the same for each joint test.
#pragma once

#include "engine/DesignInformation.h"
#include "engine/GroupSizeDistribution.h"
#include "engine/power/AllocationAnswers.h"
#include "engine/power/AllocationSettings.h"
#include "engine/power/JointTests.h"
#include "engine/power/PointTests.h"
#include "engine/run/SweepFacts.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace tavi {

struct SummaryInput {
    const SweepFacts& sweep;  // the run's points
    const AllocationAnswers& answers;
    // The coefficients, the contrasts, then the joint tests.
    const std::vector<std::string>& names;
    const AllocationSettings& settings;  // the run's
    const JointTests* joint = nullptr;
    // The run's design, with the sizes of its groups: when they are in force they are named,
    // and each best point's relative efficiency is computed on it.
    const PreparedDesign* design = nullptr;
};

void writePowerSummary(std::ostream& out, const SummaryInput& input, PointTests& tests);

}  // namespace tavi
