// What tavi-calc checks of a design before it writes anything: the design read once, the
// covariance matrices it warns about, the names, contrasts and joint tests on the command line
// against its coefficients, and the point a simulation may take.
#pragma once

#include "app/CalcArguments.h"
#include "engine/Coefficients.h"
#include "engine/run/TestOptions.h"
#include "files/DesignParameters.h"
#include "files/FileError.h"

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavi {

// The design of a parameter file, read once for every check and the run.
struct DesignFile {
    std::unique_ptr<DesignParameters> design;
    // A malformed number after the counts: reported only once the names on the command line
    // have been checked against the counts, as the command always has.
    std::optional<FileError> error;
};

// Reads the parameter file once for every check and the run. Throws FileError when it cannot be
// read or its counts are malformed.
DesignFile readDesignOnce(const std::string& parFile);

// Warns on err, a line each, about covariance matrices of the design that cannot be covariance
// matrices; the run computes with them all the same.
void warnAboutCovariances(const DesignParameters& p, std::ostream& err);

// What the counts of a design tell before its run: its coefficients and the number of its
// random effects.
struct DesignShape {
    std::vector<Coefficient> coefficients;  // empty when the run will refuse the counts anyway
    std::int32_t nRandom = 0;
};

DesignShape shapeOf(const DesignParameters& p);

// Refuses (BadValue) a point that a simulation of the design cannot take; reason says how it
// was chosen.
void checkSimulationPoint(const std::optional<SweepPoint>& point, const std::string& reason,
                          const DesignShape& shape);

// Reads the contrasts, joint tests, effects and df of arguments against the design's
// coefficients as testRequestOf of its test options does, throwing BadValue instead.
TestRequest testRequestOf(const Arguments& arguments, const std::vector<Coefficient>& coefficients);

}  // namespace tavi
