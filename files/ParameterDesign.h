// A two-level parameter file's record as the one design model holds it, and back: its level-1
// variables x1.. (the fixed-only ones first), its level-2 variables w1.., their moments and the
// sample sizes, value for value.
#pragma once

#include "engine/NestedDesign.h"
#include "files/DesignParameters.h"

namespace tavi {

// The design of p as the run computes it: held when its counts are possible and fit the
// capacity, otherwise with the reason. The steps of N follow from the width of its range.
DesignReading designOf(const DesignParameters& p);

// The record of d, a held two-level design, as its parameter file stores it: the start-up
// values in every field the design does not set.
DesignParameters parametersOf(const NestedDesign& d);

}  // namespace tavi
