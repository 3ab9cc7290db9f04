// A design computed in memory for the results window: the points of its sweep, the design with
// its run constants, and the search over the group sizes that the answers of the tests need, so
// that a change of the test settings needs no engine computation.
#pragma once

#include "engine/EngineState.h"
#include "engine/StopToken.h"
#include "engine/power/BudgetLine.h"
#include "engine/run/CalculationRun.h"
#include "engine/run/RunResults.h"
#include "files/DesignParameters.h"

#include <memory>
#include <optional>
#include <string>

namespace tavi {

struct ThreeLevelSetup;

struct DesignResults {
    RunResults run;
    // In the engine layout, with its run constants; empty for a three-level design.
    std::shared_ptr<const EngineState> design;
    AllocationSearch search;  // for every coefficient
    // A three-level design's sweep and prepared design (engine/run/ThreeLevelDesignResults.h).
    std::shared_ptr<const ThreeLevelSetup> threeLevel{};
};

// What the computation of a design gives: its results, or why the run refuses it.
struct DesignComputation {
    std::optional<DesignResults> results;
    std::string refusal;  // one line, empty when there are results
};

// The results of a run that swept, completed by the search over its group sizes. Throws Stopped
// when stop is set meanwhile.
DesignResults completeResults(RunResults run, std::shared_ptr<const EngineState> design,
                              StopToken stop);

// Computes p in memory as the run computes its parameter file, on the control's threads (its
// observer, when given, is told of every point), then the search. Throws Stopped when
// control.stop is set meanwhile.
DesignComputation computeDesign(const DesignParameters& p, const RunControl& control);

}  // namespace tavi
