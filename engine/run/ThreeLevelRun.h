// The calculation run of a three-level design: checks its counts and sample sizes, computes its
// points (K, J, n) on every core and writes the report and the covariance file, points in
// sweep order whatever the number of threads.
#pragma once

#include "engine/StopToken.h"
#include "engine/ThreeLevelComputation.h"
#include "engine/power/AllocationSettings.h"
#include "engine/power/SweepTable.h"
#include "engine/power/ThreeLevelSearch.h"
#include "files/OutputSet.h"
#include "files/ThreeLevelParameters.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tavi {

// Told about the sweep as it goes, on the run's own thread, point after point in sweep order.
class ThreeLevelObserver {
public:
    virtual ~ThreeLevelObserver() = default;
    // Before the first point: the prepared design and how many points the sweep has.
    virtual void sweepStarts(const ThreeLevelDesign& design, std::int64_t points) = 0;
    // After each point; cost only in budget mode.
    virtual void pointDone(const ThreeLevelPoint& point, std::int64_t cost) = 0;
};

struct ThreeLevelControl {
    ThreeLevelObserver* observer = nullptr;
    StopToken stop{};  // stops the sweep (Stopped)
    int threads = 0;   // threads that compute the points; 0: one per core
};

struct ThreeLevelOutcome {
    bool refused = false;  // the design or its sample sizes were refused; the report says why
    std::string reason;    // when refused: the first reason in one line
    std::shared_ptr<const ThreeLevelDesign> design;  // empty when refused
};

// The points the sample sizes give: for every n (outermost) and J, every K of its range, or
// under a budget the one K it pays for. Needs steps of at least 1 and ranges not reversed.
std::int64_t threeLevelPointCount(const ThreeLevelSweep& s);

// What keeps p from being computed, one line each, as the report's refusal says it: too many
// coefficients, a residual variance not above 0, and sample sizes that are empty, reversed,
// negative, beyond the counts' range or more than a run computes. Empty when p can be computed.
std::vector<std::string> threeLevelProblems(const ThreeLevelParameters& p);

// The sample sizes as the search for the best allocation takes them.
AllocationSettings allocationSettingsOf(const ThreeLevelSweep& s);
ThreeLevelCells cellsOf(const ThreeLevelSweep& s);

// Writes the report OutFileName and the covariance file CovFileName of the design p, read from
// ParFileName (which the report names), into outputs, which the caller commits together with its
// own. A design that cannot be computed gets a report that says why. Throws FileError when a file
// cannot be written, Stopped when control.stop is set.
ThreeLevelOutcome runThreeLevelInto(OutputSet& outputs, const ThreeLevelParameters& p,
                                    const std::string& ParFileName, const std::string& OutFileName,
                                    const std::string& CovFileName,
                                    const ThreeLevelControl& control);

// The same run without any file written: refuses what the run refuses, with its first reason,
// and tells the observer about every point. Throws Stopped when control.stop is set.
ThreeLevelOutcome calculateThreeLevelInMemory(const ThreeLevelParameters& p,
                                              const ThreeLevelControl& control);

}  // namespace tavi
