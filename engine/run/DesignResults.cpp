#include "engine/run/DesignResults.h"

#include "engine/power/AllocationAnswers.h"

#include <vector>

namespace tavi {

namespace {

// Keeps the points and passes them on to the caller's observer.
class PassingCollector : public SweepCollector {
public:
    explicit PassingCollector(SweepObserver* next) : m_next(next) {}

    void sweepStarts(const EngineState& design, std::int64_t points) override {
        SweepCollector::sweepStarts(design, points);
        if (m_next != nullptr) {
            m_next->sweepStarts(design, points);
        }
    }
    void pointDone(const EngineState& e, std::int64_t cost) override {
        SweepCollector::pointDone(e, cost);
        if (m_next != nullptr) {
            m_next->pointDone(e, cost);
        }
    }

private:
    SweepObserver* m_next;
};

}  // namespace

DesignResults completeResults(RunResults run, std::shared_ptr<const EngineState> design,
                              StopToken stop) {
    AllocationSearch search = prepareAllocationSearch(*design, run.table.tested(),
                                                      allColumns(run.table), stop, run.sizes);
    return {std::move(run), std::move(design), std::move(search)};
}

DesignComputation computeDesign(const DesignParameters& p, const RunControl& control) {
    PassingCollector collector(control.observer);
    RunControl own = control;
    own.observer = &collector;
    RunOutcome outcome = calculateInMemory(p, own);
    if (outcome.refused) {
        return {std::nullopt, outcome.reason};
    }
    return {
        completeResults(std::move(*collector.results()), std::move(outcome.design), control.stop),
        {}};
}

}  // namespace tavi
