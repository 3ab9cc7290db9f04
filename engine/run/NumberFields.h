// Numbers as the summaries on standard output and the CSV tables of tests write them.
#pragma once

#include "engine/power/SweepTable.h"

#include <string>

namespace tavi {

// Four significant digits, "-" when not available (NaN): enough to read, and the CSV files
// hold the exact values.
std::string briefNumber(double value);

// The shortest form that reads back to the same double, so that a setting the user gave shows
// with the digits given ("0.9999999", not "1").
std::string exactNumber(double value);

// "N = 20, n = 5", for three levels "K = 20, J = 4, n = 5": a sample-size point as every
// summary and message names it.
std::string pointText(const SweepPoint& point);

// ",value" in the shortest form that reads back to the same double, or "," alone when value is
// not available (NaN).
void appendCsvField(std::string& out, double value);

}  // namespace tavi
