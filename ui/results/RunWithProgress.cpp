#include "ui/results/RunWithProgress.h"

#include "engine/run/ThreeLevelDesignResults.h"
#include "ui/toolkit/CancellableWork.h"

namespace tavi::ui {

namespace {

// Keeps the points and tells the progress dialog how far the sweep has come.
class ProgressCollector : public SweepCollector {
public:
    explicit ProgressCollector(WorkProgress& progress) : m_progress(progress) {}

    void sweepStarts(const EngineState& design, std::int64_t points) override {
        m_progress.total.store(points);
        SweepCollector::sweepStarts(design, points);
    }
    void pointDone(const EngineState& e, std::int64_t cost) override {
        SweepCollector::pointDone(e, cost);
        m_progress.done.fetch_add(1, std::memory_order_relaxed);
    }

private:
    WorkProgress& m_progress;
};

// Tells the progress dialog how far a three-level sweep has come.
class ThreeLevelProgress : public ThreeLevelObserver {
public:
    explicit ThreeLevelProgress(WorkProgress& progress) : m_progress(progress) {}

    void sweepStarts(const ThreeLevelDesign& /*design*/, std::int64_t points) override {
        m_progress.total.store(points);
    }
    void pointDone(const ThreeLevelPoint& /*point*/, std::int64_t /*cost*/) override {
        m_progress.done.fetch_add(1, std::memory_order_relaxed);
    }

private:
    WorkProgress& m_progress;
};

}  // namespace

std::optional<DesignComputation> runThreeLevelWithProgress(QWidget* parent,
                                                           const ThreeLevelParameters& p) {
    std::optional<DesignComputation> computation;
    const bool completed =
        runCancellable(parent, QStringLiteral("Calculating the standard errors..."),
                       [&](StopToken stop, WorkProgress& progress) {
                           ThreeLevelProgress observer(progress);
                           computation = computeThreeLevelDesign(p, {&observer, stop, 0});
                       });
    if (!completed) {
        computation.reset();
    }
    return computation;
}

WindowRun runWithProgress(QWidget* parent,
                          const std::function<RunOutcome(const RunControl&)>& run) {
    WindowRun result;
    result.completed = runCancellable(parent, QStringLiteral("Calculating the standard errors..."),
                                      [&](StopToken stop, WorkProgress& progress) {
                                          ProgressCollector collector(progress);
                                          result.outcome = run(RunControl{&collector, stop, 0});
                                          if (collector.results()) {
                                              result.results =
                                                  completeResults(std::move(*collector.results()),
                                                                  result.outcome.design, stop);
                                          }
                                      });
    return result;
}

}  // namespace tavi::ui
