#include "app/DesignChecks.h"

#include "engine/power/QuantityNames.h"
#include "engine/run/NumberFields.h"
#include "engine/run/PlanningPolicy.h"
#include "files/CovarianceCheck.h"
#include "files/ParameterFile.h"
#include "files/TextScanner.h"

#include <algorithm>
#include <ostream>

namespace tavi {

DesignFile readDesignOnce(const std::string& parFile) {
    TextScanner in = TextScanner::fromFile(parFile);
    // Malformed counts are reported at once.
    TextScanner counts = in;
    for (int i = 0; i < 3; ++i) {
        counts.readInteger();
    }
    DesignFile file{std::make_unique<DesignParameters>(initialDesignParameters()), std::nullopt};
    try {
        ReadParameterFile(in, *file.design, kRunReading);
    } catch (const FileError& error) {
        file.error = error;
    }
    return file;
}

void warnAboutCovariances(const DesignParameters& p, std::ostream& err) {
    for (const CovarianceFinding& finding : covarianceFindings(p)) {
        err << "tavi-calc: " << finding.message << "\n";
    }
}

DesignShape shapeOf(const DesignParameters& p) {
    if (!countsFitCapacity(p.k, p.k1, p.kw)) {
        return {};
    }
    return {coefficientsOf(p.k1, p.k - p.k1 + 1, p.kw + 1), p.k - p.k1 + 1};
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
