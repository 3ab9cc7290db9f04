#include "engine/run/DesignSweep.h"

#include "engine/run/OrderedSweep.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tavi {

namespace {

// A point in flight: its own work, and its report row and covariance block, formatted where it
// was computed.
struct PointSlot {
    std::unique_ptr<PointWork> work;
    SweepPoint point;
    std::optional<PointCovariance> covariance;
    Vector efficiency;
    std::string reportRow;
    std::string covBlock;
};

// One pass over points k = 0..count-1 at pointOf(k): formatted for report when given, computed
// with the design's sizes for observer when sized, and told to it when given.
void pass(const PreparedDesign& design, std::int64_t count,
          SweepPoint (*pointOf)(const NestedDesign&, std::int64_t), DesignReport* report,
          SweepObserver* observer, bool sized, const RunControl& control) {
    const DesignInformation& information = *design.information;
    const int threads = threadsFor(control.threads);
    // Enough points in flight to keep every thread busy while the writing catches up.
    std::vector<PointSlot> slots(static_cast<std::size_t>(4 * threads));
    for (PointSlot& slot : slots) {
        slot.work = information.newWork();
    }
    const bool budgetMode = design.design.sizes.BudgetMode;
    const auto compute = [&](int s, std::int64_t k) {
        PointSlot& slot = slots[s];
        slot.point = pointOf(design.design, k);
        if (report != nullptr) {
            const PointCovariance covariance = information.compute(*slot.work, slot.point);
            slot.reportRow.clear();
            report->appendRow(slot.reportRow, budgetMode, slot.point, covariance);
            slot.covBlock.clear();
            report->appendCovBlock(slot.covBlock, slot.point, covariance);
            slot.covariance.emplace(covariance);
        }
        if (observer == nullptr) {
            return;
        }
        if (sized) {
            slot.covariance.emplace(
                information.computeWithSizes(*slot.work, slot.point, slot.efficiency));
        } else if (report == nullptr) {
            slot.covariance.emplace(information.compute(*slot.work, slot.point));
        }
    };
    const auto deliver = [&](int s, std::int64_t) {
        const PointSlot& slot = slots[s];
        if (report != nullptr) {
            report->writeRows(slot.reportRow, slot.covBlock);
        }
        if (observer != nullptr) {
            observer->pointDone({slot.point, *slot.covariance, sized ? &slot.efficiency : nullptr});
        }
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
