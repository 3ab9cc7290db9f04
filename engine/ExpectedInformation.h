// The information of a design whose groups differ in size: N groups whose sizes follow a
// distribution independent of the explanatory variables carry N times the expected information of
// one group, the information of each size weighted by its probability. Every size's random
// effects have a precision of their own (groupPrecisionAt), so random slopes and cross-level
// interactions are covered exactly, not only the intercept; a group of one unit holds no
// within-group deviations and so nothing about the slopes. The per-group blocks are linear in the
// within units and that precision together, so the expected information is the blocks of their
// two averages.
#pragma once

#include "engine/EngineState.h"
#include "engine/GroupSizeDistribution.h"
#include "engine/GroupSizeSupport.h"
#include "engine/Matrix.h"

#include <array>
#include <cstdint>
#include <mutex>

namespace tavi {

// One group's size, its within units (withinUnitsOf) and the precision of its random effects,
// averaged over its sizes.
struct ExpectedGroup {
    double meanSize;
    double meanWithin;
    Matrix meanPrecision;  // nRandom square
};

// The expected group of sizes in a design whose groups have n units. Needs the run constants;
// a size of 0 adds nothing.
void expectedGroupOf(const EngineState& e, const GroupSizeSupport& sizes, double n,
                     ExpectedGroup& group);

// Leaves in e the InfoMatrix of groups such groups (which need not be whole), and its inverse
// CovCoef, with the per-group blocks of group. GroupSize and NumGroups stay as the caller set
// them.
void computeFromExpectedGroup(EngineState& e, const ExpectedGroup& group, double groups);

// Both in one, on the stack: allocates nothing. With a single size n of weight 1 the figures are
// those of computePoint bit for bit.
void computeExpectedPoint(EngineState& e, const GroupSizeSupport& sizes, double n, double groups);

// A point whose groups differ in size beside groups of equal size: for each coefficient its
// relative efficiency, the variance with equal sizes and the same expected numbers of units and
// groups over the variance with the sizes as they vary. Working space of one point in flight,
// too large to be made at every point:
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

}  // namespace tavi
