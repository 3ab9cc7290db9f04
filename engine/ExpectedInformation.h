// The information of a design whose groups differ in size: N groups whose sizes follow a
// distribution independent of the explanatory variables carry N times the expected information of
// one group, the information of each size weighted by its probability. Every size's random
// effects have a precision of their own (the inverse of Tau2 + (Sigma2 / n) InvMomR), so random
// slopes and cross-level interactions are covered exactly, not only the intercept. The per-group
// blocks are linear in the size and that precision together, so the expected information is the
// blocks of their two averages.
#pragma once

#include "engine/EngineState.h"
#include "engine/GroupSizeSupport.h"
#include "engine/Matrix.h"

namespace tavi {

// One group's size and the precision of its random effects, averaged over its sizes.
struct ExpectedGroup {
    double meanSize;
    Matrix meanPrecision;  // nRandom square
};

// The expected group of sizes. Needs the run constants; a size of 0 adds nothing.
void expectedGroupOf(const EngineState& e, const GroupSizeSupport& sizes, ExpectedGroup& group);

// Leaves in e the InfoMatrix of groups such groups (which need not be whole), and its inverse
// CovCoef, with the per-group blocks of group. GroupSize and NumGroups stay as the caller set
// them.
void computeFromExpectedGroup(EngineState& e, const ExpectedGroup& group, double groups);

// Both in one, on the stack: allocates nothing. With a single size of weight 1 the figures are
// those of computePoint bit for bit.
void computeExpectedPoint(EngineState& e, const GroupSizeSupport& sizes, double groups);

}  // namespace tavi
