// The calculation run: reads a parameter file into the engine, sweeps over the sample sizes
// it asks for on every core, and writes the report and the covariance file.
#pragma once

#include "engine/EngineState.h"
#include "engine/StopToken.h"
#include "engine/power/GroupSizeDistribution.h"
#include "files/DesignParameters.h"
#include "files/OutputSet.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tavi {

// Told about the sweep as it goes, for progress and further output. Both are called on the
// run's own thread, point after point in sweep order, whatever the number of threads.
class SweepObserver {
public:
    virtual ~SweepObserver() = default;
    // Before the first point: the design with its run constants, and how many points the sweep
    // has.
    virtual void sweepStarts(const EngineState& design, std::int64_t points) = 0;
    // After each point, with its InfoMatrix and CovCoef in e; cost only in budget mode.
    virtual void pointDone(const EngineState& e, std::int64_t cost) = 0;

    // Before sweepStarts, when the groups differ in size: how they do.
    virtual void groupSizesInForce(const GroupSizeSettings& /*sizes*/) {}
    // Instead of pointDone when the groups differ in size: e holds the expected information of
    // the point's groups, efficiency(i) coefficient i's relative efficiency against groups of
    // equal size with the same expected numbers of units and groups.
    virtual void unequalPointDone(const EngineState& e, std::int64_t cost,
                                  const Vector& /*efficiency*/) {
        pointDone(e, cost);
    }
};

// What a run is told besides its files.
struct RunControl {
    SweepObserver* observer = nullptr;
    StopToken stop{};  // stops the sweep (Stopped); the old files then stay as they were
    int threads = 0;   // threads that compute the points; 0: one per core
    // The sizes of the groups for the observer: the report and the covariance file keep groups
    // of exactly n units. Given sizes replace the observer's sweep by their one point.
    GroupSizeSettings sizes{};
};

struct RunOutcome {
    bool refused = false;  // the design or its settings were refused; the report says why
    std::string reason;    // when refused: the reason in one line
    // The design in the engine layout with its run constants, for computations after the run;
    // empty when refused.
    std::shared_ptr<const EngineState> design;
};

// No plan needs more sample-size points than this; settings that ask for more are refused
// rather than left to run for hours and fill the disk.
inline constexpr std::int64_t kMaxSweepPoints = 1000000;

// The number of points that the sweep settings of e (mode, group sizes and group counts with
// their steps) give, computed without overflow. Needs steps of at least 1.
std::int64_t sweepPointCount(const EngineState& e);

// Reads the design of the parameter file ParFileName as the run reads it. Throws FileError when
// it cannot be read or holds a malformed number.
std::unique_ptr<DesignParameters> readRunDesign(const std::string& ParFileName);

// Creates (or replaces) the report OutFileName and the covariance file CovFileName, reads the
// design from ParFileName and writes the standard errors and covariance matrices of every
// sample-size point. A design beyond the capacity, with impossible counts or with settings
// that cannot be computed ends the run after an explanation in the report. Throws FileError
// when a file cannot be read or written or the parameter file holds a malformed number, and
// Stopped when control.stop is set during the sweep; the old files then stay as they were.
RunOutcome RunCalculation(const std::string& ParFileName, const std::string& OutFileName,
                          const std::string& CovFileName, const RunControl& control = {});

// The same run of the design p as read from ParFileName, which the report names.
RunOutcome calculateDesign(const DesignParameters& p, const std::string& ParFileName,
                           const std::string& OutFileName, const std::string& CovFileName,
                           const RunControl& control = {});

// The same run of the design p, read from ParFileName (which the report names), with the
// report and the covariance file added to outputs, which the caller commits together with its
// own outputs.
RunOutcome runCalculationInto(OutputSet& outputs, const DesignParameters& p,
                              const std::string& ParFileName, const std::string& OutFileName,
                              const std::string& CovFileName, const RunControl& control);

// The same run without any file written: refuses what RunCalculation refuses, and tells the
// observer about every point. Throws FileError when the parameter file cannot be read or holds a
// malformed number, Stopped when control.stop is set.
RunOutcome calculateInMemory(const std::string& ParFileName, const RunControl& control);
// The same of the design p, as the run would read it from its parameter file.
RunOutcome calculateInMemory(const DesignParameters& p, const RunControl& control);

// What makes the sweep settings of p unusable for a run, one line each, as the run's refusal
// says it; empty when a run of p would sweep (counts the run refuses are left to it).
std::vector<std::string> unusableSettings(const DesignParameters& p);

}  // namespace tavi
