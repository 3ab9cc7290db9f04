// The engine layout of a two-level design: its model and sample sizes rearranged into the
// engine state on which the covariance computation works.
#pragma once

#include "engine/EngineState.h"
#include "engine/NestedDesign.h"

namespace tavi {

// Sets the counts, the design's parameters and the sweep settings of e from d, a design of two
// levels held by the model: the fixed-only level-1 variables first, the constant after them in
// SigmaW with a zero row and column and before the level-2 variables in SigmaB, the group means
// of the fixed-only variables last in SigmaB, Mu2 the constant mean vector. Every element of the
// layout is set, so that nothing of a design before shows.
void loadEngineDesign(const NestedDesign& d, EngineState& e);

}  // namespace tavi
