#include "engine/power/BudgetLine.h"

#include "engine/CovarianceComputation.h"

namespace tavi {

SweepPoint budgetPoint(const EngineState& e, std::int64_t n) {
    const std::int64_t unitCost = n + e.CostParameter;
    const std::int64_t N = e.Budget / unitCost;
    return {static_cast<std::int32_t>(N), static_cast<std::int32_t>(n), unitCost * N};
}

AllocationSearch prepareAllocationSearch() {
    const EngineState& e = TaviCalcs;
    AllocationSearch search;
    if (!e.BudgetMode || e.GroupSizeStep == 1 || e.MinGroupSize > e.MaxGroupSize) {
        return search;
    }
    if (std::int64_t{e.MaxGroupSize} - e.MinGroupSize + 1 > kMaxBudgetLineGroupSizes) {
        search.lineTooLong = true;
        return search;
    }
    SweepTable line(e.NumCoef, true);
    for (std::int64_t n = e.MinGroupSize; n <= e.MaxGroupSize; ++n) {
        const SweepPoint point = budgetPoint(e, n);
        if (point.N >= 1) {
            computePoint(point.n, point.N);
            line.addCurrent(e, point.cost);
        }
    }
    search.budgetLine = std::move(line);
    return search;
}

}  // namespace tavi
