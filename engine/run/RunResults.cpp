#include "engine/run/RunResults.h"

namespace tavi {

void SweepCollector::sweepStarts(const std::shared_ptr<const PreparedDesign>& design,
                                 std::int64_t) {
    const NestedDesign& d = design->design;
    std::shared_ptr<const TestedQuantities> tested =
        m_tested ? m_tested : std::make_shared<const TestedQuantities>(design->NumCoef());
    m_results.emplace(RunResults{SweepTable(std::move(tested), d.sizes.BudgetMode, d.levels()),
                                 design->coefficients,
                                 degreesOfFreedomOf(d),
                                 design,
                                 {}});
}

void SweepCollector::pointDone(const ComputedPoint& point) {
    m_results->table.add(point.point, point.covariance);
    if (point.efficiency != nullptr) {
        for (int i = 1; i <= point.covariance.NumCoef; ++i) {
            m_results->efficiency.push_back((*point.efficiency)(i));
        }
    }
}

}  // namespace tavi
