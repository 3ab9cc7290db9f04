// A design computed in memory for the results window: the points of its sweep with the prepared
// design, and the search over its cells that the answers of the tests need, so that a change of
// the test settings needs no engine computation. One computation for designs of any levels.
#pragma once

#include "engine/StopToken.h"
#include "engine/power/BudgetLine.h"
#include "engine/run/CalculationRun.h"
#include "engine/run/RunResults.h"

#include <optional>
#include <string>

namespace tavi {

struct DesignResults {
    RunResults run;
    AllocationSearch search;  // for every coefficient
};

// What the computation of a design gives: its results, or why the run refuses it.
struct DesignComputation {
    std::optional<DesignResults> results;
    std::string refusal;  // one line, empty when there are results
};

// The results of a run that swept, completed by the search over its cells. Throws Stopped when
// stop is set meanwhile.
DesignResults completeResults(RunResults run, StopToken stop);

// Computes the design read in memory as the run computes its parameter file, on the control's
// threads (its observer, when given, is told of every point), then the search. Throws Stopped
// when control.stop is set meanwhile.
DesignComputation computeDesign(const DesignReading& reading, const RunControl& control);

}  // namespace tavi
