#include "engine/power/SweepTable.h"

#include "engine/CovarianceComputation.h"

namespace tavi {

void SweepTable::add(const SweepPoint& point, std::span<const double> se) {
    m_points.push_back(point);
    m_se.insert(m_se.end(), se.begin(), se.end());
}

void SweepTable::addCurrent(const EngineState& e, std::int64_t cost) {
    m_points.push_back({e.NumGroups, e.GroupSize, cost});
    for (int i = 1; i <= m_coefficients; ++i) {
        m_se.push_back(usableStandardError(e, i));
    }
}

}  // namespace tavi
