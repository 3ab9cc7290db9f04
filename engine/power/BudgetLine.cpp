#include "engine/power/BudgetLine.h"

#include "engine/CovarianceComputation.h"

namespace tavi {

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
        const std::int64_t unitCost = n + e.CostParameter;
        const std::int64_t N = e.Budget / unitCost;
        if (N >= 1) {
            computePoint(static_cast<std::int32_t>(n), static_cast<std::int32_t>(N));
            line.addCurrent(e, unitCost * N);
        }
    }
    search.budgetLine = std::move(line);
    return search;
}

}  // namespace tavi
