#include "engine/run/RunResults.h"

namespace tavi {

void SweepCollector::sweepStarts(const EngineState& e, std::int64_t) {
    m_results.emplace(RunResults{SweepTable(e.NumCoef, e.BudgetMode),
                                 coefficientsOf(e.k1, e.nRandom, e.LenW3), e.k1,
                                 DegreesOfFreedom(e)});
}

void SweepCollector::pointDone(const EngineState& e, std::int64_t cost) {
    m_results->table.addCurrent(e, cost);
}

}  // namespace tavi
