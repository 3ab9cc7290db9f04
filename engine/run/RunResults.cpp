#include "engine/run/RunResults.h"

namespace tavi {

void SweepCollector::sweepStarts(const EngineState& e, std::int64_t) {
    std::shared_ptr<const TestedQuantities> tested =
        m_tested ? m_tested : std::make_shared<const TestedQuantities>(e.NumCoef);
    m_results.emplace(RunResults{SweepTable(std::move(tested), e.BudgetMode),
                                 coefficientsOf(e.k1, e.nRandom, e.LenW3), e.k1,
                                 DegreesOfFreedom(e), std::make_shared<const EngineState>(e)});
}

void SweepCollector::pointDone(const EngineState& e, std::int64_t cost) {
    m_results->table.addCurrent(e, cost);
}

}  // namespace tavi
