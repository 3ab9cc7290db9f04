// A sample-size point whose groups differ in size, beside groups of equal size: the expected
// information of the point, and for each coefficient its relative efficiency, the variance with
// equal sizes and the same expected numbers of units and groups over the variance with the sizes
// as they vary.
#pragma once

#include "engine/EngineState.h"
#include "engine/ExpectedInformation.h"
#include "engine/GroupSizeSupport.h"
#include "engine/power/GroupSizeDistribution.h"

#include <array>
#include <cstdint>
#include <mutex>
#include <string>

namespace tavi {

// Working space of one point in flight, too large to be made at every point.
struct SizedPointWork {
    GroupSizeSupport planned;
    GroupSizeSupport sizes;
    ExpectedGroup group;  // of the sizes at the point's planned size
    ExpectedGroup equal;  // of as many units in groups of equal size
};

// The expected group at planned size n (at least 1) with the sizes of settings, built in work.
void expectedGroupAt(const EngineState& e, const GroupSizeSettings& settings, std::int32_t n,
                     SizedPointWork& work);

// Leaves in e the point of N planned groups at planned size n whose expected group work holds, as
// computePointWithSizes does, and in efficiency(i) the relative efficiency of coefficient i (NaN
// where either design gives it no standard error). Allocates nothing.
void computeSizedPoint(EngineState& e, const GroupSizeSettings& settings, std::int32_t n,
                       std::int32_t N, SizedPointWork& work, Vector& efficiency);

// The expected groups of the planned sizes met last, shared by the threads of a sweep: over
// ranges every N of one n asks for the same, and the sizes cost far more than the rest of a
// point. What it hands out does not depend on whether it was kept, so neither do the outputs.
class ExpectedGroupCache {
public:
    // work.group := the expected group at n, kept or built.
    void fill(const EngineState& e, const GroupSizeSettings& settings, std::int32_t n,
              SizedPointWork& work);

private:
    struct Entry {
        std::int32_t n = 0;  // 0: empty
        ExpectedGroup group;
    };
    std::mutex m_mutex;
    std::array<Entry, 8> m_entries;
    std::size_t m_next = 0;
};

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
