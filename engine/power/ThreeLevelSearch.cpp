#include "engine/power/ThreeLevelSearch.h"

#include "engine/CovarianceComputation.h"

#include <cmath>
#include <limits>
#include <memory>

namespace tavi {

namespace {

double usableAt(const ThreeLevelPoint& point, int i) {
    return usableStandardError(point.InfoMatrix(i, i), point.CovCoef(i, i));
}

}  // namespace

SweepPoint threeLevelBudgetPoint(const AllocationSettings& settings, std::int32_t J,
                                 std::int32_t n) {
    const std::int64_t siteCost = costOf(settings, 1, J, n);
    const std::int64_t K = settings.budget / siteCost;
    return {static_cast<std::int32_t>(K), n, K * siteCost, J};
}

void addThreeLevelPoint(SweepTable& table, const ThreeLevelPoint& point, std::int64_t cost) {
    double se[dimmax];
    for (int i = 0; i < table.coefficients(); ++i) {
        se[i] = usableAt(point, i + 1);
    }
    table.add({point.K, point.n, cost, point.J}, std::span<const double>(se, table.coefficients()));
}

AllocationSearch prepareThreeLevelSearch(const ThreeLevelDesign& design,
                                         const AllocationSettings& settings,
                                         const ThreeLevelCells& cells,
                                         const std::vector<int>& coefficients, StopToken stop) {
    AllocationSearch search;
    search.unitVariances = UnitVariances(coefficients);
    const std::int64_t groupCounts = std::int64_t{cells.maxGroups} - cells.minGroups + 1;
    const std::int64_t groupSizes = std::int64_t{cells.maxGroupSize} - cells.minGroupSize + 1;
    search.lineTooLong = settings.budgetMode && groupCounts * groupSizes > kMaxSearchedGroupSizes;
    const bool wholeLine = settings.budgetMode && !search.lineTooLong;
    if (wholeLine) {
        search.budgetLine.emplace(design.NumCoef, true, true);
    }
    const std::int64_t groupsStep = wholeLine ? 1 : cells.groupsStep;
    const std::int64_t sizeStep = wholeLine ? 1 : cells.groupSizeStep;
    const auto point = std::make_unique<ThreeLevelPoint>();
    std::vector<double> variances(coefficients.size());
    for (std::int64_t n = cells.minGroupSize; n <= cells.maxGroupSize; n += sizeStep) {
        for (std::int64_t J = cells.minGroups; J <= cells.maxGroups; J += groupsStep) {
            const auto j = static_cast<std::int32_t>(J);
            const auto size = static_cast<std::int32_t>(n);
            const SweepPoint line =
                wholeLine ? threeLevelBudgetPoint(settings, j, size) : SweepPoint{};
            stop.throwIfStopped();
            // Off the budget line, or beyond the budget, one site stands for all.
            const std::int32_t K = line.N >= 1 ? line.N : 1;
            computeThreeLevelPoint(design, *point, K, j, size);
            if (line.N >= 1) {
                addThreeLevelPoint(*search.budgetLine, *point, line.cost);
            }
            for (std::size_t k = 0; k < coefficients.size(); ++k) {
                const int i = coefficients[k] + 1;
                variances[k] = std::isnan(usableAt(*point, i))
                                   ? std::numeric_limits<double>::quiet_NaN()
                                   : point->CovCoef(i, i) * K;
            }
            search.unitVariances.add(j, size, variances);
        }
    }
    return search;
}

}  // namespace tavi
