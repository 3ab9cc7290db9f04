#include "engine/power/SweepTable.h"

#include "engine/CovarianceComputation.h"

#include <limits>

namespace tavi {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

std::int64_t unitsOf(const SweepPoint& point) {
    return std::int64_t{point.N} * (point.J > 0 ? point.J : 1) * point.n;
}

void SweepTable::add(const SweepPoint& point, std::span<const double> se) {
    m_points.push_back(point);
    if (point.N < 1) {
        m_se.insert(m_se.end(), se.size(), kNaN);
    } else {
        m_se.insert(m_se.end(), se.begin(), se.end());
    }
}

void SweepTable::addCurrent(const EngineState& e, std::int64_t cost) {
    m_points.push_back({e.NumGroups, e.GroupSize, cost});
    for (int i = 1; i <= m_coefficients; ++i) {
        m_se.push_back(usableStandardError(e, i));
    }
}

}  // namespace tavi
