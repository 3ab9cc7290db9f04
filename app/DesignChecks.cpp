#include "app/DesignChecks.h"

#include "engine/power/QuantityNames.h"
#include "engine/run/NumberFields.h"
#include "engine/run/PlanningPolicy.h"
#include "files/CovarianceCheck.h"

#include <algorithm>
#include <ostream>

namespace tavi {

void warnAboutCovariances(const NestedDesign& d, std::ostream& err) {
    for (const std::string& finding : covarianceFindings(d)) {
        err << "tavi-calc: " << finding << "\n";
    }
}

void checkOptionsFor(const Arguments& arguments, const NestedDesign& d) {
    if (d.levels() != 3 && arguments.sizes.siteSizeCv > 0.0) {
        throw BadValue{"--site-size-cv takes three-level designs; this design has two levels"};
    }
}

DesignShape shapeOf(const DesignReading& reading) {
    if (reading.unheld) {
        return {};
    }
    const NestedDesign& d = reading.design;
    return {coefficientsOf(d.model, variableNames(d)), level2Effects(d.model)};
}

void checkSimulationPoint(const std::optional<SweepPoint>& point, const std::string& reason,
                          const DesignShape& shape) {
    if (!point) {
        throw BadValue{"the sweep has no point to simulate; give one with --at N,n"};
    }
    const std::int64_t most = mostSimulatedUnits(
        static_cast<std::int64_t>(shape.coefficients.size()), shape.nRandom, point->n);
    if (point->N < 1 || std::int64_t{point->N} * point->n > most) {
        throw BadValue{"cannot simulate at " + pointText(*point) + " (" + reason +
                       "): it needs at least one group, and at most " + std::to_string(most) +
                       " units for this design; give another point with --at N,n"};
    }
}

TestRequest testRequestOf(const Arguments& arguments,
                          const std::vector<Coefficient>& coefficients) {
    try {
        return testRequestOf(arguments.tests, coefficients);
    } catch (const TestOptionError& error) {
        throw BadValue{error.message};
    }
}

}  // namespace tavi
