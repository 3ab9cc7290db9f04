#include "app/DesignChecks.h"

#include "engine/power/QuantityNames.h"
#include "files/CovarianceCheck.h"
#include "files/NumberText.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <ostream>

namespace tavi {

void warnAboutCovariances(const NestedDesign& d, std::ostream& err) {
    for (const std::string& finding : covarianceFindings(d)) {
        err << "tavi-calc: " << finding << "\n";
    }
}

void checkOptionsFor(const Arguments& arguments, const NestedDesign& d) {
    if (d.periods && arguments.sizes.inForce()) {
        throw BadValue{
            "a cluster design over periods has n units in every cluster-period; "
            "--sizes, --size-cv, --site-size-cv, --dropout and --group-dropout take "
            "nested designs"};
    }
    if (d.periods && arguments.replications) {
        throw BadValue{
            "--simulate takes nested designs of two and three levels, not a cluster "
            "design over periods"};
    }
    if (d.levels() != 3 && arguments.sizes.siteSizeCv > 0.0) {
        throw BadValue{"--site-size-cv takes three-level designs; this design has two levels"};
    }
}

DesignShape shapeOf(const DesignReading& reading) {
    const NestedDesign& d = reading.design;
    if (reading.unheld) {
        return {d.levels(), {}, {}};
    }
    return {d.levels(), coefficientsOf(d.model, variableNames(d)), simulatedModelOf(d.model)};
}

void checkSimulationPoint(const std::optional<SweepPoint>& point, const std::string& reason,
                          const DesignShape& shape) {
    const std::string counts = shape.levels == 3 ? "K,J,n" : "N,n";
    const std::string atPoint = "--at " + counts;
    if (!point) {
        throw BadValue{"the sweep has no point to simulate; give one with " + atPoint};
    }
    if ((point->J > 0) != (shape.levels == 3)) {
        throw BadValue{"cannot simulate at " + pointText(*point) + " (" + reason + "): a " +
                       (shape.levels == 3 ? "three" : "two") + "-level design's point is " +
                       counts};
    }
    const std::int64_t most = mostSimulatedUnits(shape.simulated, *point);
    if (point->N < 1 || unitsOf(*point) > most) {
        throw BadValue{"cannot simulate at " + pointText(*point) + " (" + reason +
                       "): it needs at least one " + (shape.levels == 3 ? "site" : "group") +
                       ", and at most " + std::to_string(most) +
                       " units for this design; give another point with " + atPoint};
    }
}

TestRequest testRequestOf(const Arguments& arguments,
                          const std::vector<Coefficient>& coefficients) {
    try {
        TestRequest request = testRequestOf(arguments.tests, coefficients);
        if (arguments.test.normal) {
            for (std::optional<double>& df : request.dfs) {
                df = df.value_or(std::numeric_limits<double>::infinity());
            }
        }
        return request;
    } catch (const TestOptionError& error) {
        throw BadValue{error.message};
    }
}

}  // namespace tavi
