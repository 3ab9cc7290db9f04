#include "engine/run/ThreeLevelResults.h"

#include "engine/ThreeLevelCoefficients.h"
#include "engine/power/ThreeLevelDf.h"

namespace tavi {

void ThreeLevelCollector::sweepStarts(const ThreeLevelDesign& design, std::int64_t) {
    m_results.emplace(RunResults{SweepTable(design.NumCoef, m_budgetMode, true),
                                 threeLevelCoefficients(design.model, m_names),
                                 0,
                                 threeLevelDegreesOfFreedom(design.model),
                                 nullptr,
                                 {},
                                 {}});
}

void ThreeLevelCollector::pointDone(const ThreeLevelPoint& point, std::int64_t cost) {
    addThreeLevelPoint(m_results->table, point, cost);
}

}  // namespace tavi
