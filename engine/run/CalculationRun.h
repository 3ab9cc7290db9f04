// The calculation run: reads a parameter file of either kind into the one design model, sweeps
// over the sample sizes it asks for on every core, and writes the report and the covariance
// file in the form of its kind.
#pragma once

#include "engine/DesignInformation.h"
#include "engine/NestedDesign.h"
#include "engine/run/DesignSweep.h"
#include "engine/run/RunChecks.h"
#include "files/DesignFile.h"
#include "files/DesignParameters.h"
#include "files/OutputSet.h"

#include <memory>
#include <string>
#include <vector>

namespace tavi {

struct RunOutcome {
    bool refused = false;  // the design or its settings were refused; the report says why
    std::string reason;    // when refused: the reason in one line
    // The design prepared for computing, for computations after the run; empty when refused.
    std::shared_ptr<const PreparedDesign> design;
};

// Reads the parameter file ParFileName, of either kind, once, as the run reads it. Throws
// FileError when it cannot be read or holds a malformed number.
DesignReading ReadDesign(const std::string& ParFileName);

// Creates (or replaces) the report OutFileName and the covariance file CovFileName, reads the
// design from ParFileName and writes the standard errors and covariance matrices of every
// sample-size point. A design beyond the capacity, with impossible counts or with settings
// that cannot be computed ends the run after an explanation in the report. Throws FileError
// when a file cannot be read or written or the parameter file holds a malformed number, and
// Stopped when control.stop is set during the sweep; the old files then stay as they were.
RunOutcome RunCalculation(const std::string& ParFileName, const std::string& OutFileName,
                          const std::string& CovFileName, const RunControl& control = {});

// The same run of the design read from ParFileName, which the report names.
RunOutcome calculateDesign(const DesignReading& reading, const std::string& ParFileName,
                           const std::string& OutFileName, const std::string& CovFileName,
                           const RunControl& control = {});

// The same run with the report and the covariance file added to outputs, which the caller
// commits together with its own outputs.
RunOutcome runDesignInto(OutputSet& outputs, const DesignReading& reading,
                         const std::string& ParFileName, const std::string& OutFileName,
                         const std::string& CovFileName, const RunControl& control);

// The same run without any file written: refuses what the run refuses, and tells the observer
// about every point. Throws Stopped when control.stop is set.
RunOutcome calculateInMemory(const DesignReading& reading, const RunControl& control);

// What makes the sweep settings of p unusable for a run, one line each, as the run's refusal
// says it; empty when a run of p would sweep (counts the run refuses are left to it).
std::vector<std::string> unusableSettings(const DesignParameters& p);

}  // namespace tavi
