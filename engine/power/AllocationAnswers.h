// The answers a study is planned on, for every coefficient, contrast and joint test of a run: its
// best points, the number of groups it needs at each group size to reach the target power, and
// the cheapest design that reaches it.
#pragma once

#include "engine/DesignInformation.h"
#include "engine/StopToken.h"
#include "engine/power/AllocationSettings.h"
#include "engine/power/BestAllocation.h"
#include "engine/power/BudgetLine.h"
#include "engine/power/JointTests.h"
#include "engine/power/PointTests.h"
#include "engine/power/RequiredGroups.h"
#include "engine/power/SweepTable.h"

#include <span>
#include <vector>

namespace tavi {

struct AllocationAnswers {
    AllocationSearch search;
    // Coefficient by coefficient: highest_power (with an effect), smallest_mdes, smallest_se
    // among the points searched, then cheapest_for_power (with an effect).
    std::vector<BestPoint> best;
    // The required groups of the coefficients with an effect.
    std::vector<RequiredGroups> required;
    // The same for the joint tests, when there are any.
    JointAnswers joint;
};

// The answers for the run of the prepared design, whose points are sweep, for the coefficients
// and contrasts under tests and the joint tests under joint (when given). Throws Stopped when
// stop is set during the search of the budget line.
AllocationAnswers answerAllocation(const PreparedDesign& design, const SweepTable& sweep,
                                   PointTests& tests, JointTests* joint = nullptr,
                                   StopToken stop = {});

// The same answers for the coefficients and contrasts listed (ascending, every one with an
// effect in tests among them) over a search prepared beforehand for at least those with an
// effect, for a run with these settings, so that a change of the test settings needs no
// engine computation.
AllocationAnswers answerAllocation(const AllocationSettings& settings, const SweepTable& sweep,
                                   PointTests& tests, AllocationSearch search,
                                   std::span<const int> coefficients, JointTests* joint = nullptr);

// The coefficients of sweep that have an effect, in order: those a search prepares for.
std::vector<int> coefficientsWithEffect(const SweepTable& sweep, const PointTests& tests);

// Every column of sweep, in order.
std::vector<int> allColumns(const SweepTable& sweep);

}  // namespace tavi
