// The three-level parameter file: plain text, a keyword at the head of every line, told apart
// from a two-level file by its first line, which no two-level file can have (those begin with
// numbers). Blank lines and lines beginning with # are skipped; numbers are separated by blanks.
//
//   TAVI three-level design
//   level-1 NAME fixed|random-2|random-3|random-2-3     one line per variable, level 1 first,
//   level-2 NAME fixed|random-3                          then level 2, then level 3; the word
//   level-3 NAME                                         tells where the slope varies
//   sites MIN MAX [STEP]   or   budget B SITE_COST GROUP_COST
//   groups MIN MAX [STEP]                                J, the groups per site
//   n MIN MAX [STEP]                                     the units per group
//   residual-variance S2
//   level-2-random-effects, level-3-random-effects, within-groups, between-groups,
//   between-sites: each a line of its own followed by the lower triangle of its matrix, a row
//   per line
//   means M...                                           the between-sites variables' means,
//                                                        when there are any
//
// The writer gives every real in the shortest form that reads back to the same number, so a
// file written and read again holds the same design.
#pragma once

#include "engine/NestedDesign.h"

#include <string>
#include <string_view>

namespace tavi {

inline constexpr std::string_view kThreeLevelFirstLine = "TAVI three-level design";

// Whether text's first line is kThreeLevelFirstLine. What editors do to a line without
// changing it for a reader is allowed: a byte-order mark before it, blanks around it, letters of
// another case, and lines that end with CR LF, LF or CR alone.
bool isThreeLevelText(std::string_view text);

// The text of the file of p, a design of three levels, with a comment naming the variables of
// every block.
std::string threeLevelFileText(const NestedDesign& p);

// Reads the design of a three-level file. A design whose coefficients do not fit the capacity
// is read up to its variables only, and unheld. Throws FileError, naming the line and the block,
// for a line that is not what its place asks for, a number that is not one, a row with too few or
// too many numbers, a name used twice or not a name, and a text that ends before its design does.
DesignReading readThreeLevelText(std::string_view text, const std::string& fileName);

}  // namespace tavi
