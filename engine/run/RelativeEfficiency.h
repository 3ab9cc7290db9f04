// A sample-size point whose groups differ in size, beside groups of equal size, for people: each
// coefficient's relative efficiency at a point, the settings in words and the groups that make
// up a loss of efficiency.
#pragma once

#include "engine/DesignInformation.h"
#include "engine/GroupSizeDistribution.h"

#include <cstdint>
#include <string>

namespace tavi {

// The relative efficiencies at point of the prepared design, whose sizes must be in force,
// computed in a work of their own.
Vector efficiencyAt(const PreparedDesign& design, const SweepPoint& point);

// The settings in force, for people: "group sizes varying around n with CV 0.6, each unit
// missing with probability 0.1"; empty when none is.
std::string describeGroupSizes(const GroupSizeSettings& settings);

// The groups that make up the loss of efficiency: N / efficiency rounded up; NaN where the
// efficiency is not known.
double groupsToMakeUp(std::int64_t N, double efficiency);

}  // namespace tavi
