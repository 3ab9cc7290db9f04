#include "engine/power/BudgetLine.h"

#include "engine/CovarianceComputation.h"

#include <memory>

namespace tavi {

UnitVariances::UnitVariances(std::shared_ptr<const TestedQuantities> tested,
                             std::vector<int> columns)
    : m_tested(std::move(tested)),
      m_coefficients(std::move(columns)),
      m_joint(std::in_place, m_tested) {}

UnitVariances::UnitVariances(std::vector<int> columns) : m_coefficients(std::move(columns)) {}

void UnitVariances::addCurrent(const EngineState& e) {
    m_groupSizes.push_back(e.GroupSize);
    m_groupsPerSite.push_back(0);
    for (const int q : m_coefficients) {
        m_variances.push_back(m_tested->variance(e, q) * e.NumGroups);
    }
    m_joint->addCurrent(e, e.NumGroups);
}

void UnitVariances::add(std::int32_t J, std::int32_t n, std::span<const double> variances) {
    m_groupSizes.push_back(n);
    m_groupsPerSite.push_back(J);
    m_variances.insert(m_variances.end(), variances.begin(), variances.end());
}

SweepPoint budgetPoint(const EngineState& e, std::int64_t n) {
    const std::int64_t unitCost = n + e.CostParameter;
    const std::int64_t N = e.Budget / unitCost;
    return {static_cast<std::int32_t>(N), static_cast<std::int32_t>(n), unitCost * N};
}

AllocationSearch prepareAllocationSearch(const EngineState& design,
                                         const std::shared_ptr<const TestedQuantities>& tested,
                                         const std::vector<int>& columns, StopToken stop,
                                         const GroupSizeSettings& sizes) {
    // A state of its own: the design's stays as the run left it.
    const auto state = std::make_unique<EngineState>(design);
    EngineState& e = *state;
    const auto planned = std::make_unique<GroupSizeSupport>();
    const auto support = std::make_unique<GroupSizeSupport>();
    const auto compute = [&](std::int32_t n, std::int32_t N) {
        stop.throwIfStopped();
        computePointWithSizes(e, sizes, n, N, *planned, *support);
    };
    AllocationSearch search;
    search.unitVariances = UnitVariances(tested, columns);
    if (!sizes.sizes.empty()) {
        compute(givenSizesPoint(sizes, e).n, 1);
        search.unitVariances.addCurrent(e);
        return search;
    }
    if (e.MinGroupSize > e.MaxGroupSize) {
        return search;
    }
    const std::int64_t groupSizes = std::int64_t{e.MaxGroupSize} - e.MinGroupSize + 1;
    search.lineTooLong = e.BudgetMode && groupSizes > kMaxSearchedGroupSizes;
    const bool wholeLine = e.BudgetMode && !search.lineTooLong;
    if (wholeLine) {
        search.budgetLine.emplace(tested, true);
    }
    const std::int64_t step = wholeLine ? 1 : e.GroupSizeStep;
    for (std::int64_t n = e.MinGroupSize; n <= e.MaxGroupSize; n += step) {
        const SweepPoint point = wholeLine ? budgetPoint(e, n) : SweepPoint{};
        if (point.N >= 1) {
            compute(point.n, point.N);
            search.budgetLine->addCurrent(e, point.cost);
        } else {
            // Off the budget line, or beyond the budget: one group stands for all.
            compute(static_cast<std::int32_t>(n), 1);
        }
        search.unitVariances.addCurrent(e);
    }
    return search;
}

}  // namespace tavi
