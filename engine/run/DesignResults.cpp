#include "engine/run/DesignResults.h"

#include "engine/power/AllocationAnswers.h"

namespace tavi {

namespace {

// Keeps the points and passes them on to the caller's observer.
class PassingCollector : public SweepCollector {
public:
    explicit PassingCollector(SweepObserver* next) : m_next(next) {}

    void sweepStarts(const std::shared_ptr<const PreparedDesign>& design,
                     std::int64_t points) override {
        SweepCollector::sweepStarts(design, points);
        if (m_next != nullptr) {
            m_next->sweepStarts(design, points);
        }
    }
    void pointDone(const ComputedPoint& point) override {
        SweepCollector::pointDone(point);
        if (m_next != nullptr) {
            m_next->pointDone(point);
        }
    }

private:
    SweepObserver* m_next;
};

}  // namespace

DesignResults completeResults(RunResults run, StopToken stop) {
    AllocationSearch search = prepareAllocationSearch(*run.design, run.table.tested(),
                                                      allColumns(run.table.coefficients()), stop);
    return {std::move(run), std::move(search)};
}

DesignComputation computeDesign(const DesignReading& reading, const RunControl& control) {
    PassingCollector collector(control.observer);
    RunControl own = control;
    own.observer = &collector;
    const RunOutcome outcome = calculateInMemory(reading, own);
    if (outcome.refused) {
        return {std::nullopt, outcome.reason};
    }
    return {completeResults(std::move(*collector.results()), control.stop), {}};
}

}  // namespace tavi
