#include "app/DesignChecks.h"

#include "engine/PeriodDesign.h"
#include "engine/power/QuantityNames.h"
#include "files/CovarianceCheck.h"
#include "files/NumberText.h"

#include <algorithm>
#include <cmath>
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
    if (d.levels() != 3 && arguments.sizes.siteSizeCv > 0.0) {
        throw BadValue{"--site-size-cv takes three-level designs; this design has two levels"};
    }
}

DesignShape shapeOf(const DesignReading& reading) {
    const NestedDesign& d = reading.design;
    if (reading.unheld) {
        return {d.levels(), {}, {}, {}};
    }
    return {d.levels(), coefficientsOf(d.model, variableNames(d)), simulatedModelOf(d), d.periods};
}

namespace {

// A sequence's share of the clusters that differs from a whole number by less than this, relative
// to it, is that number: shares are read from decimals.
constexpr double kWholeClusters = 1e-9;

// How --at gives a point of the design.
std::string pointForm(const DesignShape& shape) {
    if (shape.periods) {
        return "K,n";
    }
    return shape.levels == 3 ? "K,J,n" : "N,n";
}

// What a point of the design needs at least one of.
std::string topUnit(const DesignShape& shape) {
    if (shape.periods) {
        return "cluster";
    }
    return shape.levels == 3 ? "site" : "group";
}

// The sequence of periods to which K clusters give a fractional number, if any.
std::optional<std::size_t> fractionalSequence(const ClusterPeriods& periods, std::int32_t K) {
    for (std::size_t s = 0; s < periods.sequences.size(); ++s) {
        const double clusters = clustersOfSequence(periods, s, K);
        if (std::fabs(clusters - std::round(clusters)) > kWholeClusters * std::max(clusters, 1.0)) {
            return s;
        }
    }
    return std::nullopt;
}

}  // namespace

SweepPoint pointGiven(const SweepPoint& at, const DesignShape& shape) {
    if (!shape.periods) {
        return at;
    }
    if (at.J > 0) {
        throw BadValue{"cannot simulate at " + pointText(at) +
                       " (the point given): a cluster design over periods' point is K,n, the "
                       "clusters of all sequences and the units of a cluster-period"};
    }
    return {at.N, at.n, 0, shape.periods->periods()};
}

void checkSimulationPoint(const std::optional<SweepPoint>& point, const std::string& reason,
                          const DesignShape& shape) {
    const std::string atPoint = "--at " + pointForm(shape);
    if (!point) {
        throw BadValue{"the sweep has no point to simulate; give one with " + atPoint};
    }
    const std::string cannot = "cannot simulate at " + pointText(*point) + " (" + reason + "): ";
    if ((point->J > 0) != (shape.levels == 3)) {
        throw BadValue{cannot + "a " + (shape.levels == 3 ? "three" : "two") +
                       "-level design's point is " + pointForm(shape)};
    }
    const std::int64_t most = mostSimulatedUnits(shape.simulated, *point);
    if (point->N < 1 || unitsOf(*point) > most) {
        throw BadValue{cannot + "it needs at least one " + topUnit(shape) + ", and at most " +
                       std::to_string(most) + " units" +
                       (shape.periods ? " (K*J*n, every cluster-period counted)" : "") +
                       " for this design; give another point with " + atPoint};
    }
    if (shape.periods) {
        if (const std::optional<std::size_t> s = fractionalSequence(*shape.periods, point->N)) {
            const std::int32_t round = clustersPerRound(*shape.periods);
            throw BadValue{cannot + "its sequence " + std::to_string(*s + 1) + " would have " +
                           briefNumber(clustersOfSequence(*shape.periods, *s, point->N)) +
                           " clusters, and a simulation draws whole clusters" +
                           (round > 1 ? "; give K a multiple of " + std::to_string(round) : "")};
        }
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
