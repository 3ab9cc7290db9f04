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

namespace {

// Per name, the value given for it; throws BadValue for a name not among names, which are what
// the design has.
std::vector<std::optional<double>> byName(const NamedValues& values, std::string_view option,
                                          const std::vector<std::string>& names) {
    std::vector<std::optional<double>> result(names.size());
    for (const auto& [name, value] : values) {
        const auto found = std::find(names.begin(), names.end(), name);
        if (found == names.end()) {
            std::string valid;
            for (const std::string& known : names) {
                valid.append(valid.empty() ? "" : ", ").append(known);
            }
            std::string message(option);
            message.append(" ").append(name).append(
                ": the design has no such coefficient; it has ");
            throw BadValue{message.append(valid)};
        }
        result[static_cast<std::size_t>(found - names.begin())] = value;
    }
    return result;
}

// Every member of every joint test has a true value, and not all of a test's are 0.
void checkJointEffects(const TestRequest& request) {
    for (const JointTest& test : request.tested->jointTests()) {
        bool anyEffect = false;
        for (const int member : test.members) {
            const std::optional<double>& effect = request.effects[member];
            if (!effect) {
                const std::string& name = request.names[member];
                std::string message = "--joint " + test.name + ": ";
                message.append(name).append(" has no effect; give it with --effect ");
                throw BadValue{message.append(name).append("=VALUE")};
            }
            anyEffect = anyEffect || *effect != 0.0;
        }
        if (!anyEffect) {
            throw BadValue{"--joint " + test.name +
                           ": every member's effect is 0, which no sample size can detect"};
        }
    }
}

}  // namespace

TestRequest testRequestOf(const Arguments& arguments,
                          const std::vector<Coefficient>& coefficients) {
    QuantityNames names(coefficients);
    for (const auto& [name, expression] : arguments.contrasts) {
        try {
            names.addContrast(name, expression);
        } catch (const QuantityError& error) {
            throw BadValue{"--contrast " + name + ": " + error.message};
        }
    }
    for (const auto& [name, members] : arguments.jointTests) {
        try {
            names.addJointTest(name, members);
        } catch (const QuantityError& error) {
            throw BadValue{"--joint " + name + ": " + error.message};
        }
    }
    TestRequest request;
    request.tested = names.tested();
    request.names = names.allNames();
    for (const auto& [name, value] : arguments.effects) {
        if (std::find(request.names.begin() + request.tested->count(), request.names.end(), name) !=
            request.names.end()) {
            throw BadValue{"--effect " + name +
                           ": a joint test takes the effects of its members instead"};
        }
    }
    request.effects = request.tested->withImpliedEffects(
        byName(arguments.effects, "--effect", names.quantityNames()));
    request.dfs = byName(arguments.dfs, "--df", request.names);
    checkJointEffects(request);
    return request;
}

}  // namespace tavi
