#include "engine/power/AllocationSettings.h"

#include "engine/PeriodDesign.h"

#include <algorithm>

namespace tavi {

std::int64_t costOf(const AllocationSettings& settings, std::int64_t N, std::int32_t J,
                    std::int32_t n) {
    const std::int64_t groups = settings.levels == 3 ? J : 1;
    return N * (settings.topCost + groups * (settings.groupCost + n));
}

AllocationSettings allocationSettingsOf(const NestedDesign& d) {
    const SampleSizes& s = d.sizes;
    AllocationSettings settings;
    settings.budgetMode = s.BudgetMode;
    settings.levels = d.levels();
    settings.budget = s.Budget;
    settings.topCost = d.levels() == 3 ? s.SiteCost : s.GroupCost;
    settings.groupCost = d.levels() == 3 ? s.GroupCost : 0;
    settings.fewest = s.top.least;
    settings.most = std::max(s.top.least, s.top.most);
    settings.step = s.top.step;
    settings.multiple = d.periods ? clustersPerRound(*d.periods) : 1;
    return settings;
}

}  // namespace tavi
