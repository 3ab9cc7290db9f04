#include "engine/GroupKinds.h"

#include <stdexcept>

namespace tavi {

NestedModel kindModel(const NestedModel& m, std::int32_t armVariable, const GroupKind& kind) {
    if (m.levels != 2 || armVariable < m.p1 || armVariable >= m.p1 + m.p2) {
        throw std::invalid_argument("the arm of groups of several kinds is not a level-2 variable");
    }
    NestedModel k = m;
    k.Sigma2 = kind.Sigma2;
    k.Tau2 = kind.Tau2;
    const std::int32_t arm = betweenGroupsIndex(m, armVariable);
    for (std::int32_t j = 1; j <= betweenGroupsOrder(m); ++j) {
        k.BetweenCov(arm, j) = 0.0;
        k.BetweenCov(j, arm) = 0.0;
    }
    k.Means(topIndex(m, armVariable)) = kind.armValue;
    return k;
}

}  // namespace tavi
