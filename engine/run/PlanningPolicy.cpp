#include "engine/run/PlanningPolicy.h"

#include "engine/run/NumberFields.h"

#include <algorithm>
#include <thread>

namespace tavi {

std::int64_t mostSimulatedUnits(std::int64_t coefficients, std::int64_t nRandom) {
    const std::int64_t unitBytes =
        (coefficients + nRandom + 1) * static_cast<std::int64_t>(sizeof(double));
    return std::min(kMaxSimulatedUnits, kMaxDataSetBytes / unitBytes);
}

int simulationThreads(std::optional<std::int64_t> requested, std::int64_t units,
                      std::int64_t coefficients, std::int64_t nRandom) {
    const std::int64_t unitBytes =
        (coefficients + nRandom + 1) * static_cast<std::int64_t>(sizeof(double));
    return static_cast<int>(
        std::min(requested.value_or(std::max(1U, std::thread::hardware_concurrency())),
                 std::max<std::int64_t>(1, kMaxAllDataSetBytes / (units * unitBytes))));
}

// Without --at: the cheapest design at which the first coefficient with an effect reaches the
// target power (the smallest budget, or over ranges the fewest units), else the first point of
// the sweep.
ChosenPoint defaultSimulationPoint(const SweepTable& sweep, const std::vector<BestPoint>& best,
                                   const std::vector<std::string>& names,
                                   const TestSettings& test) {
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
    if (sweep.size() == 0) {
        return {std::nullopt, ""};
    }
    return {sweep.point(0), reason};
}

}  // namespace tavi
