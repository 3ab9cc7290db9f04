// The columns that name a sample-size point in every CSV table: "N*n,N,n" for a two-level
// design, "K,J,n,units" for a three-level one, and the cost where a table has it.
#pragma once

#include "engine/SampleSizes.h"

#include <string>

namespace tavi {

// The names of the columns, with ",cost" at the end when withCost.
std::string pointColumns(int levels, bool withCost);

// The point's fields of those columns, separated by commas, the cost's empty outside budget
// mode.
void appendPointFields(std::string& out, const SweepPoint& point, int levels, bool withCost,
                       bool budgetMode);

}  // namespace tavi
