#include "engine/power/AllocationSettings.h"

#include <algorithm>

namespace tavi {

std::int64_t costOf(const AllocationSettings& settings, std::int64_t N, std::int32_t J,
                    std::int32_t n) {
    const std::int64_t groups = settings.threeLevel ? J : 1;
    return N * (settings.topCost + groups * (settings.groupCost + n));
}

AllocationSettings allocationSettingsOf(const EngineState& e) {
    AllocationSettings settings;
    settings.budgetMode = e.BudgetMode;
    settings.budget = e.Budget;
    settings.topCost = e.CostParameter;
    settings.fewest = e.MinGroups;
    settings.most = std::max(e.MinGroups, e.MaxGroups);
    settings.step = e.GroupsStep;
    return settings;
}

}  // namespace tavi
