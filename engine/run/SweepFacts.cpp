#include "engine/run/SweepFacts.h"

#include <algorithm>
#include <cmath>

namespace tavi {

SweepFacts::SweepFacts(int levels, bool budgetMode, int quantities)
    : m_levels(levels),
      m_budgetMode(budgetMode),
      m_untestable(static_cast<std::size_t>(quantities), 0),
      m_anyStandardError(static_cast<std::size_t>(quantities), false) {}

void SweepFacts::add(const SweepTable& points, const DegreesOfFreedom& df) {
    if (!m_first && points.size() > 0) {
        m_first = points.point(0);
    }
    m_points += static_cast<std::int64_t>(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        m_largestGroupSize = std::max(m_largestGroupSize, points.point(i).n);
    }
    for (int q = 0; q < quantities(); ++q) {
        for (std::size_t i = 0; i < points.size(); ++i) {
            m_untestable[q] += df.at(q, points.point(i)) < 1.0 ? 1 : 0;
            m_anyStandardError[q] = m_anyStandardError[q] || !std::isnan(points.se(i, q));
        }
    }
}

}  // namespace tavi
