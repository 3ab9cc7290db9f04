// A sample-size point whose groups differ in size, beside groups of equal size: the expected
// information of the point, and for each coefficient its relative efficiency, the variance with
// equal sizes and the same expected numbers of units and groups over the variance with the sizes
// as they vary.
#pragma once

#include "engine/EngineState.h"
#include "engine/GroupSizeSupport.h"
#include "engine/power/GroupSizeDistribution.h"

#include <cstdint>
#include <string>

namespace tavi {

// Working space of one point in flight, too large to be made at every point.
struct SizedPointWork {
    GroupSizeSupport planned;
    GroupSizeSupport sizes;
    GroupSizeSupport equal;
};

// Leaves in e the point of N planned groups at planned size n (at least 1) with the sizes of
// settings, as computePointWithSizes does, and in efficiency(i) the relative efficiency of
// coefficient i (NaN where either design gives it no standard error). Allocates nothing.
void computeSizedPoint(EngineState& e, const GroupSizeSettings& settings, std::int32_t n,
                       std::int32_t N, SizedPointWork& work, Vector& efficiency);

// The relative efficiencies at point (N planned groups at planned size n) of the design whose
// run constants design holds, computed on a state of their own.
Vector efficiencyAt(const EngineState& design, const GroupSizeSettings& settings,
                    const SweepPoint& point);

// The settings in force, for people: "group sizes varying around n with CV 0.6, each unit
// missing with probability 0.1"; empty when none is.
std::string describeGroupSizes(const GroupSizeSettings& settings);

// The groups that make up the loss of efficiency: N / efficiency rounded up; NaN where the
// efficiency is not known.
double groupsToMakeUp(std::int64_t N, double efficiency);

}  // namespace tavi
