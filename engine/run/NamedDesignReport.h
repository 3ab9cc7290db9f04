// The report of a design whose variables have names (a three-level design), after the
// program's head: the design with its variables, sample sizes and parameters, then the legend and
// the header of its table of standard errors, and the covariance file's block of a point.
#pragma once

#include "engine/DesignInformation.h"
#include "engine/NestedDesign.h"
#include "files/TextFileWriter.h"

#include <string>
#include <string_view>

namespace tavi {

// "  what from least to most in steps of step": a line of the report's sample sizes.
void writeRange(TextFileWriter& report, std::string_view what, const CountRange& range);

// The variables with where their slopes vary, the sample sizes and every matrix with the names
// of its rows.
void writeNamedDesign(TextFileWriter& report, const NestedDesign& d);

// The coefficients numbered c1, c2, ... with their names, and the table's header line.
void writeNamedTableHead(TextFileWriter& report, const PreparedDesign& d);

// The point's heading and its covariance matrix, for the covariance file.
void appendNamedCovBlock(std::string& out, const SweepPoint& point, const PointCovariance& c);

}  // namespace tavi
