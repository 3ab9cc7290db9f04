// The calculation run: reads a parameter file into the engine, sweeps over the sample sizes
// it asks for, and writes the report and the covariance file.
#pragma once

#include "engine/EngineState.h"
#include "engine/StopToken.h"
#include "files/DesignParameters.h"
#include "files/OutputSet.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tavi {

// Told about the sweep as it goes, for progress and further output.
class SweepObserver {
public:
    virtual ~SweepObserver() = default;
    // Before the first point: how many points the sweep has.
    virtual void sweepStarts(std::int64_t points) = 0;
    // After each point, with its CovCoef in the engine state; cost only in budget mode.
    virtual void pointDone(const EngineState& e, std::int64_t cost) = 0;
};

struct RunOutcome {
    bool refused = false;  // the design or its settings were refused; the report says why
    std::string reason;    // when refused: the reason in one line
};

// No plan needs more sample-size points than this; settings that ask for more are refused
// rather than left to run for hours and fill the disk.
inline constexpr std::int64_t kMaxSweepPoints = 1000000;

// The number of points that the sweep settings of e (mode, group sizes and group counts with
// their steps) give, computed without overflow. Needs steps of at least 1.
std::int64_t sweepPointCount(const EngineState& e);

// Creates (or replaces) the report OutFileName and the covariance file CovFileName, reads the
// design from ParFileName and writes the standard errors and covariance matrices of every
// sample-size point. A design beyond the capacity, with impossible counts or with settings
// that cannot be computed ends the run after an explanation in the report. Throws FileError
// when a file cannot be read or written or the parameter file holds a malformed number, and
// Stopped when stop is set during the sweep; the old files then stay as they were.
RunOutcome RunCalculation(const std::string& ParFileName, const std::string& OutFileName,
                          const std::string& CovFileName, SweepObserver* observer = nullptr,
                          StopToken stop = {});

// The same run with the report and the covariance file added to outputs, which the caller
// commits together with its own outputs.
RunOutcome runCalculationInto(OutputSet& outputs, const std::string& ParFileName,
                              const std::string& OutFileName, const std::string& CovFileName,
                              SweepObserver* observer, StopToken stop);

// The same run without any file written: reads the design from ParFileName, refuses what
// RunCalculation refuses, and tells observer about every point. Throws FileError when the
// parameter file cannot be read or holds a malformed number, Stopped when stop is set.
RunOutcome calculateInMemory(const std::string& ParFileName, SweepObserver& observer,
                             StopToken stop = {});

// What makes the sweep settings of p unusable for a run, one line each, as the run's refusal
// says it; empty when a run of p would sweep (counts the run refuses are left to it).
std::vector<std::string> unusableSettings(const DesignParameters& p);

}  // namespace tavi
