// The report of a three-level run after the program's head: the design with its variables,
// sample sizes and parameters, then a table of the standard errors per point (K, J, n), and the
// covariance file's block of a point.
#pragma once

#include "engine/ThreeLevelComputation.h"
#include "files/TextFileWriter.h"
#include "files/ThreeLevelParameters.h"

#include <cstdint>
#include <string>

namespace tavi {

// The variables with where their slopes vary, the sample sizes and every matrix with the names
// of its rows.
void writeThreeLevelDesign(TextFileWriter& report, const ThreeLevelParameters& p);

// The coefficients numbered c1, c2, ... with their names, and the table's header line.
void writeThreeLevelTableHead(TextFileWriter& report, const ThreeLevelParameters& p);

// The row of a point, cost only in budget mode; a variance below 1.0e-20 shows " -.99999".
void appendThreeLevelRow(std::string& out, const ThreeLevelPoint& point, int numCoef,
                         bool budgetMode, std::int64_t cost);

// The point's heading and its covariance matrix, for the covariance file.
void appendThreeLevelCovBlock(std::string& out, const ThreeLevelPoint& point, int numCoef);

}  // namespace tavi
