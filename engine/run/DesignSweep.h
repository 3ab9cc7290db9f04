// The sweep of a design over its sample-size points: every point computed on the run's threads,
// its row and covariance block formatted where it was computed, and all of it written and told to
// the observer one point at a time in sweep order, so that the files and what the observer keeps
// do not depend on the number of threads. One sweep for every design, whatever its levels.
#pragma once

#include "engine/DesignInformation.h"
#include "engine/StopToken.h"
#include "engine/run/DesignReport.h"

#include <cstdint>
#include <memory>

namespace tavi {

// What the computation of a point leaves for those who write or keep it.
struct ComputedPoint {
    SweepPoint point;
    PointCovariance covariance;
    // With the sizes of the design's groups in force, each coefficient's relative efficiency
    // against groups of equal size; otherwise nullptr.
    const Vector* efficiency;
};

// Told about the sweep as it goes, point after point in sweep order, never two calls at once:
// on the run's own thread before the first point, then on whichever of the run's threads hands
// the points on.
class SweepObserver {
public:
    virtual ~SweepObserver() = default;
    // Before the first point: the prepared design and how many points the sweep has.
    virtual void sweepStarts(const std::shared_ptr<const PreparedDesign>& design,
                             std::int64_t points) = 0;
    // After each point.
    virtual void pointDone(const ComputedPoint& point) = 0;
};

// What a run is told besides its files.
struct RunControl {
    SweepObserver* observer = nullptr;
    StopToken stop{};  // stops the sweep (Stopped); the old files then stay as they were
    int threads = 0;   // threads that compute the points; 0: one per core
};

// Sweeps the prepared design: the report, when given, gets the rows and blocks of its points
// (groups of exactly n units, sites of exactly J groups), and the observer its points with the
// sizes of the design's groups (sizedPointAt). Throws Stopped when the control's stop is set.
void sweepDesign(const std::shared_ptr<const PreparedDesign>& design, DesignReport* report,
                 const RunControl& control);

}  // namespace tavi
