// A three-level design computed in memory for the results window, and what the window shows of
// it differently from a two-level design: the answers in words and the lines of its plots, one
// per number of groups per site J and group size n, never two values of J on one line.
#pragma once

#include "engine/StopToken.h"
#include "engine/ThreeLevelComputation.h"
#include "engine/power/AllocationSettings.h"
#include "engine/power/BestAllocation.h"
#include "engine/power/TestPower.h"
#include "engine/run/DesignResults.h"
#include "engine/run/ResultsModel.h"
#include "engine/run/ThreeLevelRun.h"
#include "files/ThreeLevelParameters.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tavi {

// What the results of a three-level design keep besides its points and search.
struct ThreeLevelSetup {
    ThreeLevelSweep sweep;
    AllocationSettings settings;
    std::shared_ptr<const ThreeLevelDesign> design;
};

// Computes p in memory as tavi-calc computes its file, on the control's threads (its observer,
// when given, is told of every point), then the search over its cells for every coefficient.
// Throws Stopped when control.stop is set meanwhile.
DesignComputation computeThreeLevelDesign(const ThreeLevelParameters& p,
                                          const ThreeLevelControl& control);

// The answers for people: the best point, the smallest budget (or fewest units) reaching the
// target power, and where they were sought.
std::vector<std::string> threeLevelAnswerLines(const ThreeLevelSweep& sweep, const BestPoint& top,
                                               const BestPoint& cheapest, const std::string& name,
                                               double effect, const TestSettings& settings);

// Adds to plot the lines of table's points with value(i) at point i (NaN: left out): over
// ranges one per (J, n) against K, under a budget one per J against n; at most
// ResultsModel::kMaxPlotLines of them, always with the marked point's. shade(n) colours a line.
void addThreeLevelLines(Plot& plot, const SweepTable& table,
                        const std::function<double(std::size_t)>& value,
                        const std::optional<SweepPoint>& marked,
                        const std::function<double(std::int32_t)>& shade);

}  // namespace tavi
