#include "engine/power/SweepTable.h"

#include <cmath>
#include <limits>

namespace tavi {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

std::int64_t unitsOf(const SweepPoint& point) {
    return std::int64_t{point.N} * (point.J > 0 ? point.J : 1) * point.n;
}

SweepTable::SweepTable(int coefficients, bool budgetMode, bool threeLevel)
    : SweepTable(std::make_shared<const TestedQuantities>(coefficients), budgetMode, threeLevel) {}

SweepTable::SweepTable(std::shared_ptr<const TestedQuantities> tested, bool budgetMode,
                       bool threeLevel)
    : m_tested(std::move(tested)),
      m_coefficients(m_tested->count()),
      m_budgetMode(budgetMode),
      m_threeLevel(threeLevel),
      m_joint(m_tested) {}

void SweepTable::add(const SweepPoint& point, std::span<const double> se) {
    m_points.push_back(point);
    if (point.N < 1) {
        m_se.insert(m_se.end(), se.size(), kNaN);
    } else {
        m_se.insert(m_se.end(), se.begin(), se.end());
    }
    m_joint.addMissing();
}

void SweepTable::addCurrent(const EngineState& e, std::int64_t cost) {
    m_points.push_back({e.NumGroups, e.GroupSize, cost});
    for (int q = 0; q < m_coefficients; ++q) {
        m_se.push_back(std::sqrt(m_tested->variance(e, q)));
    }
    m_joint.addCurrent(e, 1.0);
}

}  // namespace tavi
