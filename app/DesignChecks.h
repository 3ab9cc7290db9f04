// What tavi-calc checks of a design before it writes anything: the covariance matrices it warns
// about, the options its levels take, the names, contrasts and joint tests on the command line
// against its coefficients, and the point a simulation may take.
#pragma once

#include "app/CalcArguments.h"
#include "engine/Coefficients.h"
#include "engine/NestedDesign.h"
#include "engine/run/PlanningPolicy.h"
#include "engine/run/TestOptions.h"

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavi {

// Warns on err, a line each, about covariance matrices of the design that cannot be covariance
// matrices; the run computes with them all the same.
void warnAboutCovariances(const NestedDesign& d, std::ostream& err);

// Refuses (BadValue) options that the design's kind does not take.
void checkOptionsFor(const Arguments& arguments, const NestedDesign& d);

// What the variables of a design tell before its run: its levels, its coefficients and what a
// simulated data set of it holds; for a cluster design over periods its sequences.
struct DesignShape {
    int levels = 2;
    std::vector<Coefficient> coefficients;  // empty when the run will refuse the design anyway
    SimulatedModel simulated;
    std::optional<ClusterPeriods> periods;
};

DesignShape shapeOf(const DesignReading& reading);

// The point that --at gives, as the design counts it: N,n or K,J,n, and for a cluster design over
// periods K,n over all its periods. Refuses (BadValue) a point of a cluster design over periods
// given as K,J,n.
SweepPoint pointGiven(const SweepPoint& at, const DesignShape& shape);

// Refuses (BadValue) a point that a simulation of the design cannot take; reason says how it
// was chosen.
void checkSimulationPoint(const std::optional<SweepPoint>& point, const std::string& reason,
                          const DesignShape& shape);

// Reads the contrasts, joint tests, effects and df of arguments against the design's
// coefficients as testRequestOf of its test options does, throwing BadValue instead.
TestRequest testRequestOf(const Arguments& arguments, const std::vector<Coefficient>& coefficients);

}  // namespace tavi
