#include "engine/run/PlanningPolicy.h"

#include "files/NumberText.h"

#include <algorithm>
#include <string>
#include <thread>

namespace tavi {

ThreadChoice commandThreads(std::optional<std::int64_t> requested) {
    const std::int64_t cores = std::max(1U, std::thread::hardware_concurrency());
    const std::int64_t most = kThreadsPerCore * cores;
    if (!requested) {
        return {static_cast<int>(cores), {}};
    }
    if (*requested > most) {
        return {static_cast<int>(most),
                "at most " + std::to_string(kThreadsPerCore) + " threads per core"};
    }
    return {static_cast<int>(*requested), {}};
}

SimulatedModel simulatedModelOf(const NestedDesign& d) {
    if (d.periods) {
        return {d.periods->coefficientCount(), 0, 0,
                static_cast<std::int64_t>(d.periods->sequences.size()), d.periods->periods()};
    }
    const NestedModel& m = d.model;
    return {termCount(m), level2Effects(m), level3Effects(m), 0, 0};
}

namespace {

constexpr auto kDoubleBytes = static_cast<std::int64_t>(sizeof(double));

std::int64_t simulatedUnitBytes(const SimulatedModel& model, const SweepPoint& point) {
    const std::int64_t p = model.coefficients;
    const std::int64_t q2 = model.level2Effects;
    const std::int64_t q3 = model.level3Effects;
    const std::int64_t groupValues = q2 * (2 * q2 + p + 1 + q3);
    const std::int64_t siteValues = q3 * (3 * q3 + 2 * p + 2);
    const std::int64_t groupSize = std::max<std::int64_t>(point.n, 1);
    const std::int64_t siteSize = groupSize * std::max<std::int64_t>(point.J, 1);
    return (p + q2 + q3 + 1 + (groupValues + groupSize - 1) / groupSize +
            (siteValues + siteSize - 1) / siteSize) *
           kDoubleBytes;
}

}  // namespace

std::int64_t simulatedDataSetBytes(const SimulatedModel& model, const SweepPoint& point) {
    if (model.periods > 0) {
        const std::int64_t T = model.periods;
        // A sequence's mean means, their scatter, the units' sums, its fixed part and the two
        // factors of its fit; a cluster's units and effects and the two factors of the draws.
        const std::int64_t sequence = T * (4 * T + model.coefficients + 1);
        return (model.sequences * sequence + std::int64_t{point.n} * T + 2 * T * T + 3 * T) *
               kDoubleBytes;
    }
    return unitsOf(point) * simulatedUnitBytes(model, point);
}

std::int64_t mostSimulatedUnits(const SimulatedModel& model, const SweepPoint& point) {
    if (model.periods > 0) {
        return kMaxSimulatedUnits;
    }
    return std::min(kMaxSimulatedUnits, kMaxDataSetBytes / simulatedUnitBytes(model, point));
}

ThreadChoice simulationThreads(int threads, const SimulatedModel& model, const SweepPoint& point) {
    const std::int64_t byMemory = std::max<std::int64_t>(
        1, kMaxAllDataSetBytes / std::max<std::int64_t>(simulatedDataSetBytes(model, point), 1));
    if (byMemory < threads) {
        return {static_cast<int>(byMemory),
                "the data sets and fits of more threads would need more than 4 GB"};
    }
    return {threads, {}};
}

ChosenPoint defaultSimulationPoint(const NestedDesign& d, const SweepFacts& sweep,
                                   const std::vector<BestPoint>& best,
                                   const std::vector<std::string>& names,
                                   const TestSettings& test) {
    if (d.levels() == 2 && !d.unequal.sizes.empty()) {
        return {sizedPointAt(d, 0), "the groups of the sizes given"};
    }
    std::string reason = "the first point of the sweep";
    for (const BestPoint& entry : best) {
        if (entry.criterion != Criterion::CheapestForPower) {
            continue;
        }
        const std::string& name = names[entry.coefficient];
        const std::string reaches = name + " reaches power " + exactNumber(test.power);
        if (entry.point) {
            std::string why = sweep.budgetMode() ? "the smallest budget" : "the fewest units";
            return {entry.point, why.append(" where ").append(reaches)};
        }
        reason += " (" + reaches + " at no point)";
        break;
    }
    if (!sweep.first()) {
        return {std::nullopt, ""};
    }
    return {sweep.first(), reason};
}

}  // namespace tavi
