// The file of a cluster design over periods: plain text, a keyword at the head of every line,
// told apart from the other design files by its first line.
//
//   TAVI cluster design over periods
//   sequences                      then a row per sequence, a word per period: 0 control,
//   0 1 1                          1 treated, . not observed
//   0 0 1
//   clusters MIN MAX [STEP]        K, the clusters of all sequences
//   shares W1 W2 ...               each sequence's share of them, when they differ
//   n MIN MAX [STEP]               the units of a cluster-period
//   icc ICC                        the correlations of the outcome (total variance 1)
//   cac CAC
//   decay DECAY
//   cohort no|yes                  with yes the lines iac IAC and cohort-decay DECAY follow
//
// The writer gives every real in the shortest form that reads back to the same number.
#pragma once

#include "engine/NestedDesign.h"

#include <string>
#include <string_view>

namespace tavi {

inline constexpr std::string_view kPeriodFirstLine = "TAVI cluster design over periods";

// Whether text's first line is kPeriodFirstLine, allowing what editors do to a line.
bool isPeriodText(std::string_view text);

// The text of the file of d, a design over periods.
std::string periodFileText(const NestedDesign& d);

// Reads the design of a file over periods. Throws FileError, naming the line and the part, for a
// line that is not what its place asks for, a cell that is not 0, 1 or ., rows of different
// lengths, a sequence observed in no period, more periods than the coefficients' capacity
// allows, a correlation outside its range, and a text that ends before its design does.
DesignReading readPeriodText(std::string_view text, const std::string& fileName);

}  // namespace tavi
