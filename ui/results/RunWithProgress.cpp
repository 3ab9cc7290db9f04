#include "ui/results/RunWithProgress.h"

#include "ui/toolkit/CancellableWork.h"

namespace tavi::ui {

namespace {

// Keeps the points and tells the progress dialog how far the sweep has come.
class ProgressCollector : public SweepCollector {
public:
    explicit ProgressCollector(WorkProgress& progress) : m_progress(progress) {}

    void sweepStarts(const std::shared_ptr<const PreparedDesign>& design,
                     std::int64_t points) override {
        m_progress.total.store(points);
        SweepCollector::sweepStarts(design, points);
    }
    void pointDone(const ComputedPoint& point) override {
        SweepCollector::pointDone(point);
        m_progress.done.fetch_add(1, std::memory_order_relaxed);
    }

private:
    WorkProgress& m_progress;
};

}  // namespace

WindowRun runWithProgress(QWidget* parent,
                          const std::function<RunOutcome(const RunControl&)>& run) {
    WindowRun result;
    result.completed = runCancellable(parent, QStringLiteral("Calculating the standard errors..."),
                                      [&](StopToken stop, WorkProgress& progress) {
                                          ProgressCollector collector(progress);
                                          result.outcome = run(RunControl{&collector, stop, 0});
                                          if (collector.results()) {
                                              result.results = completeResults(
                                                  std::move(*collector.results()), stop);
                                          }
                                      });
    return result;
}

}  // namespace tavi::ui
