// The table of standard errors in the report, described once as columns: the sample sizes and
// the cost, right-aligned in their widths, then one standard error per coefficient. The same
// description gives the header and every row.
#pragma once

#include "engine/EngineState.h"

#include <cstdint>
#include <string>

namespace tavi {

// The header line of the table: the column labels, each coefficient's by its kind.
void appendTableHeader(std::string& out, const EngineState& e);

// The row of the engine's current point; cost only in budget mode. A variance without a
// standard error shows the marker " -.99999".
void appendTableRow(std::string& out, const EngineState& e, std::int64_t cost);

}  // namespace tavi
