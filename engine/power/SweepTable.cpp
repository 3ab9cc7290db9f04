#include "engine/power/SweepTable.h"

#include <cmath>
#include <limits>

namespace tavi {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

SweepTable::SweepTable(int coefficients, bool budgetMode, int levels)
    : SweepTable(std::make_shared<const TestedQuantities>(coefficients), budgetMode, levels) {}

SweepTable::SweepTable(std::shared_ptr<const TestedQuantities> tested, bool budgetMode, int levels)
    : m_tested(std::move(tested)),
      m_coefficients(m_tested->count()),
      m_budgetMode(budgetMode),
      m_levels(levels),
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

void SweepTable::add(const SweepPoint& point, const PointCovariance& covariance) {
    m_points.push_back(point);
    for (int q = 0; q < m_coefficients; ++q) {
        m_se.push_back(point.N < 1 ? kNaN : std::sqrt(m_tested->variance(covariance, q)));
    }
    m_joint.addCurrent(covariance, 1.0);
}

void SweepTable::clear() {
    m_points.clear();
    m_se.clear();
    m_joint.clear();
}

}  // namespace tavi
