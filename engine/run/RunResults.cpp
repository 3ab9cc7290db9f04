#include "engine/run/RunResults.h"

namespace tavi {

void SweepCollector::sweepStarts(const EngineState& e, std::int64_t) {
    std::shared_ptr<const TestedQuantities> tested =
        m_tested ? m_tested : std::make_shared<const TestedQuantities>(e.NumCoef);
    m_results.emplace(RunResults{SweepTable(std::move(tested), e.BudgetMode),
                                 coefficientsOf(e.k1, e.nRandom, e.LenW3),
                                 e.k1,
                                 DegreesOfFreedom(e),
                                 std::make_shared<const EngineState>(e),
                                 m_sizes,
                                 {}});
    m_results->df.loseGroups(m_sizes.groupDropout);
}

void SweepCollector::groupSizesInForce(const GroupSizeSettings& sizes) {
    m_sizes = sizes;
}

void SweepCollector::unequalPointDone(const EngineState& e, std::int64_t cost,
                                      const Vector& efficiency) {
    pointDone(e, cost);
    for (int i = 1; i <= e.NumCoef; ++i) {
        m_results->efficiency.push_back(efficiency(i));
    }
}

void SweepCollector::pointDone(const EngineState& e, std::int64_t cost) {
    m_results->table.addCurrent(e, cost);
}

}  // namespace tavi
