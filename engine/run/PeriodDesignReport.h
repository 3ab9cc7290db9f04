// The report's account of a cluster design over periods: its sequences drawn as a grid of
// control and treated periods, the clusters of each sequence, the units of a cluster-period and
// the correlations.
#pragma once

#include "engine/NestedDesign.h"
#include "files/TextFileWriter.h"

namespace tavi {

// Writes the account of d, a design over periods, before the report's table.
void writePeriodDesign(TextFileWriter& report, const NestedDesign& d);

}  // namespace tavi
