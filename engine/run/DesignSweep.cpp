#include "engine/run/DesignSweep.h"

#include "engine/run/OrderedSweep.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tavi {

namespace {

// A computed covariance kept apart from the work that computed it, which its thread goes on to
// use for the next point.
struct KeptCovariance {
    Matrix InfoMatrix;
    Matrix CovCoef;
    std::int32_t NumCoef = 0;

    void keep(const PointCovariance& covariance) {
        NumCoef = covariance.NumCoef;
        for (int i = 1; i <= NumCoef; ++i) {
            std::copy_n(covariance.InfoMatrix.row(i), NumCoef, InfoMatrix.row(i));
            std::copy_n(covariance.CovCoef.row(i), NumCoef, CovCoef.row(i));
        }
    }
    PointCovariance view() const { return {InfoMatrix, CovCoef, NumCoef}; }
};

// What the computation of a point leaves until it is handed on: its report row and covariance
// block, formatted where it was computed, and its covariance and efficiencies for the observer.
// The covariance is made when first kept: it is tens of kilobytes that a run writing only files
// would otherwise clear.
struct PointResults {
    std::string reportRow;
    std::string covBlock;
    std::unique_ptr<KeptCovariance> covariance;
    Vector efficiency;

    void keep(const PointCovariance& computed) {
        if (!covariance) {
            covariance = std::make_unique_for_overwrite<KeptCovariance>();
        }
        covariance->keep(computed);
    }
};

// The results of the points in flight, handed out last-freed first: while the hand-over keeps
// up, a few of them go round and stay in the cache, and only a thread that falls behind makes
// the pool grow, up to one per slot of the window.
class ResultsPool {
public:
    std::unique_ptr<PointResults> take() {
        const std::lock_guard lock(m_mutex);
        if (m_free.empty()) {
            return std::make_unique<PointResults>();
        }
        std::unique_ptr<PointResults> results = std::move(m_free.back());
        m_free.pop_back();
        return results;
    }
    void giveBack(std::unique_ptr<PointResults> results) {
        const std::lock_guard lock(m_mutex);
        m_free.push_back(std::move(results));
    }

private:
    std::mutex m_mutex;
    std::vector<std::unique_ptr<PointResults>> m_free;
};

// A point in flight and its results until they are handed on.
struct PointSlot {
    SweepPoint point;
    std::unique_ptr<PointResults> results;
};

// One pass over points k = 0..count-1 at pointOf(k): formatted for report when given, computed
// with the design's sizes for observer when sized, and told to it when given.
void pass(const PreparedDesign& design, std::int64_t count,
          SweepPoint (*pointOf)(const NestedDesign&, std::int64_t), DesignReport* report,
          SweepObserver* observer, bool sized, const RunControl& control) {
    const DesignInformation& information = *design.information;
    const int threads =
        static_cast<int>(std::min<std::int64_t>(threadsFor(control.threads), count));
    std::vector<std::unique_ptr<PointWork>> works(static_cast<std::size_t>(std::max(threads, 1)));
    for (std::unique_ptr<PointWork>& work : works) {
        work = information.newWork();
    }
    std::vector<PointSlot> slots(
        static_cast<std::size_t>(std::min<std::int64_t>(windowFor(threads), count)));
    ResultsPool pool;
    const bool budgetMode = design.design.sizes.BudgetMode;
    const auto compute = [&](int thread, int s, std::int64_t k) {
        PointSlot& slot = slots[s];
        PointWork& work = *works[thread];
        slot.point = pointOf(design.design, k);
        slot.results = pool.take();
        PointResults& results = *slot.results;
        if (report != nullptr) {
            const PointCovariance covariance = information.compute(work, slot.point);
            results.reportRow.clear();
            report->appendRow(results.reportRow, budgetMode, slot.point, covariance);
            results.covBlock.clear();
            report->appendCovBlock(results.covBlock, slot.point, covariance);
            if (observer != nullptr && !sized) {
                results.keep(covariance);
            }
        }
        if (observer == nullptr) {
            return;
        }
        if (sized) {
            results.keep(information.computeWithSizes(work, slot.point, results.efficiency));
        } else if (report == nullptr) {
            results.keep(information.compute(work, slot.point));
        }
    };
    const auto deliver = [&](int s, std::int64_t) {
        PointSlot& slot = slots[s];
        const PointResults& results = *slot.results;
        if (report != nullptr) {
            report->writeRows(results.reportRow, results.covBlock);
        }
        if (observer != nullptr) {
            observer->pointDone(
                {slot.point, results.covariance->view(), sized ? &results.efficiency : nullptr});
        }
        pool.giveBack(std::move(slot.results));
    };
    runOrdered(count, threads, static_cast<int>(slots.size()), compute, deliver, control.stop);
}

}  // namespace

void sweepDesign(const std::shared_ptr<const PreparedDesign>& prepared, DesignReport* report,
                 const RunControl& control) {
    const PreparedDesign& design = *prepared;
    const NestedDesign& d = design.design;
    const GroupSizeSettings& sizes = d.unequal;
    SweepObserver* observer = control.observer;
    // Given sizes have points of their own, swept after the report's.
    const bool ownPoints = observer != nullptr && !sizes.sizes.empty();
    if (observer != nullptr) {
        observer->sweepStarts(prepared, sizedPointCount(d));
    }
    if (report != nullptr || !ownPoints) {
        pass(
            design, pointCount(d),
            [](const NestedDesign& nd, std::int64_t k) {
                return pointAt(nd.sizes, nd.levels(), k);
            },
            report, ownPoints ? nullptr : observer, sizes.inForce(), control);
    }
    if (ownPoints) {
        pass(design, sizedPointCount(d), sizedPointAt, nullptr, observer, true, control);
    }
}

}  // namespace tavi
