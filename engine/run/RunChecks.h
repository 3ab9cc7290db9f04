// What keeps a design that the model holds from being computed: a residual variance the
// computation divides by being 0, and sample sizes that would make the sweep endless, larger than
// any plan needs, divide by zero or count beyond the 32-bit range. A two-level parameter file
// and a three-level file are checked with the rules and words their reports have always had.
#pragma once

#include "engine/NestedDesign.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tavi {

// No plan needs more sample-size points than this; settings that ask for more are refused
// rather than left to run for hours and fill the disk.
inline constexpr std::int64_t kMaxSweepPoints = 1000000;

// One line for each problem, as the run's refusal says it; empty when d can be computed.
std::vector<std::string> runProblems(const NestedDesign& d);

}  // namespace tavi
