#include "engine/power/BudgetLine.h"

#include "engine/CovarianceComputation.h"

#include <memory>

namespace tavi {

SweepPoint budgetPoint(const EngineState& e, std::int64_t n) {
    const std::int64_t unitCost = n + e.CostParameter;
    const std::int64_t N = e.Budget / unitCost;
    return {static_cast<std::int32_t>(N), static_cast<std::int32_t>(n), unitCost * N};
}

AllocationSearch prepareAllocationSearch(const EngineState& design) {
    const EngineState& e = design;
    AllocationSearch search;
    if (!e.BudgetMode || e.GroupSizeStep == 1 || e.MinGroupSize > e.MaxGroupSize) {
        return search;
    }
    if (std::int64_t{e.MaxGroupSize} - e.MinGroupSize + 1 > kMaxBudgetLineGroupSizes) {
        search.lineTooLong = true;
        return search;
    }
    SweepTable line(e.NumCoef, true);
    const auto point = std::make_unique<EngineState>(design);
    for (std::int64_t n = e.MinGroupSize; n <= e.MaxGroupSize; ++n) {
        const SweepPoint onLine = budgetPoint(e, n);
        if (onLine.N >= 1) {
            computePoint(*point, onLine.n, onLine.N);
            line.addCurrent(*point, onLine.cost);
        }
    }
    search.budgetLine = std::move(line);
    return search;
}

}  // namespace tavi
