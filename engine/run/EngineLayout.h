// The design of a parameter-file record in the engine's own layout: the constant added to the
// covariance matrices and mean vectors, the sweep settings beside it.
#pragma once

#include "engine/EngineState.h"
#include "files/DesignParameters.h"

namespace tavi {

// Fills the design and sweep settings of e from p: Tau2 from Tau; SigmaW from the lower
// triangle of WithinCov with the constant's zero row and column after the fixed-only
// variables; SigmaB from the lower triangle of BetweenCov behind the constant's zero row and
// column; Mu1 from Means1, Mu3 = (1, Means2), Mu2 = (1, 0, ..., 0); and the group-count step
// for ranges. Expects counts that fit the capacity.
void loadEngineDesign(const DesignParameters& p, EngineState& e);

}  // namespace tavi
