#include "engine/SampleSizes.h"

#include <algorithm>

namespace tavi {

std::int64_t unitsOf(const SweepPoint& point) {
    return std::int64_t{point.N} * (point.J > 0 ? point.J : 1) * point.n;
}

std::int64_t topCount(const CountRange& range) {
    const std::int64_t width = std::int64_t{range.most} - range.least;
    return width < 0 ? 1 : width / range.step + 1;
}

std::int64_t countIn(const CountRange& range) {
    const std::int64_t width = std::int64_t{range.most} - range.least;
    return width < 0 ? 0 : width / range.step + 1;
}

std::int64_t pointCount(const SampleSizes& s, int levels) {
    const std::int64_t cells = countIn(s.units) * (levels == 3 ? countIn(s.groups) : 1);
    return s.BudgetMode ? cells : cells * topCount(s.top);
}

std::int64_t topUnitCost(const SampleSizes& s, int levels, std::int64_t J, std::int64_t n) {
    if (levels == 3) {
        return s.SiteCost + J * (s.GroupCost + n);
    }
    return n + s.GroupCost;
}

SweepPoint budgetPoint(const SampleSizes& s, int levels, std::int32_t J, std::int64_t n) {
    const std::int64_t unitCost = topUnitCost(s, levels, J, n);
    const std::int64_t N = s.Budget / unitCost;
    return {static_cast<std::int32_t>(N), static_cast<std::int32_t>(n), unitCost * N,
            levels == 3 ? J : 0};
}

SweepPoint pointAt(const SampleSizes& s, int levels, std::int64_t k) {
    const std::int64_t tops = s.BudgetMode ? 1 : topCount(s.top);
    // No cell at all has no point k either; 1 keeps the divisions defined.
    const std::int64_t groupCounts = levels == 3 ? std::max<std::int64_t>(countIn(s.groups), 1) : 1;
    const std::int64_t cell = k / tops;
    const auto J =
        levels == 3
            ? static_cast<std::int32_t>(s.groups.least + (cell % groupCounts) * s.groups.step)
            : 0;
    const std::int64_t n = s.units.least + (cell / groupCounts) * s.units.step;
    if (s.BudgetMode) {
        return budgetPoint(s, levels, J, n);
    }
    const std::int64_t N = s.top.least + (k % tops) * s.top.step;
    return {static_cast<std::int32_t>(N), static_cast<std::int32_t>(n), 0, J};
}

}  // namespace tavi
