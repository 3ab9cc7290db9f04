// Numbers as the summaries on standard output and the CSV tables of tests write them.
#pragma once

#include <string>

namespace tavi {

// Four significant digits, "-" when not available (NaN): enough to read, and the CSV files
// hold the exact values.
std::string briefNumber(double value);

// ",value" in the shortest form that reads back to the same double, or "," alone when value is
// not available (NaN).
void appendCsvField(std::string& out, double value);

}  // namespace tavi
