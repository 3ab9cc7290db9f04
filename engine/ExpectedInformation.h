// The information of a design whose groups differ in size: N groups whose sizes follow a
// distribution independent of the explanatory variables carry N times the expected information of
// one group, the information of each size weighted by its probability. Every size's random
// effects have a precision of their own (the inverse of Tau2 + (Sigma2 / n) InvMomR), so random
// slopes and cross-level interactions are covered exactly, not only the intercept.
#pragma once

#include "engine/EngineState.h"
#include "engine/GroupSizeSupport.h"

namespace tavi {

// Leaves in e the InfoMatrix of groups groups (which need not be whole) whose sizes follow
// sizes, and its inverse CovCoef, with the per-group blocks of their average. GroupSize and
// NumGroups stay as the caller set them. Needs the run constants; allocates nothing. A size of 0
// adds nothing. With a single size of weight 1 the figures are those of computePoint bit for bit.
void computeExpectedPoint(EngineState& e, const GroupSizeSupport& sizes, double groups);

}  // namespace tavi
