// Numbers as text, in one place and one convention whatever the user's locale: the standard
// text-to-real conversion, strict 32-bit integers, right-aligned fixed-width output without
// printf for the files, the shortest exact form for the CSV tables, and a few significant
// digits for people.
#pragma once

#include "engine/SampleSizes.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tavi {

// The standard text-to-real conversion: leading spaces, an optional sign, digits optionally
// followed by "." and more digits (any part may be missing: "5.", ".5", "." and "E5" are
// numbers, the last two reading as 0), then optionally "E" or "e", an optional sign and at
// least one digit, and nothing after. Empty or blank text, a sign alone, and a magnitude beyond
// the range of a double are not numbers. Returns whether text is a number; value is set only when
// it is.
bool parseStandardReal(std::string_view text, double& value);

// An optional sign and decimal digits, nothing else, within the 32-bit range.
bool parseInteger(std::string_view text, std::int32_t& value);

// Appends value right-aligned in a field of width characters; a wider number takes the room it
// needs.
void appendInteger(std::string& out, std::int64_t value, int width = 0);

// Appends the shortest text that reads back to exactly value, for tables that other programs
// read.
void appendShortestReal(std::string& out, double value);

// Appends value in fixed-point notation with exactly `decimals` digits after the point and at
// least one before it, a minus sign only when value is below zero, right-aligned in width
// characters (wider when needed). Non-finite values appear as "NaN", "Inf" or "-Inf".
void appendFixed(std::string& out, double value, int width, int decimals);

// Room that writeFixed may use behind out: enough for any double with up to 20 decimals in a
// field of up to 64 characters.
inline constexpr int kFixedFieldRoom = 512;

// appendFixed into raw memory with at least kFixedFieldRoom characters of room, for loops that
// write millions of numbers. Returns the end of the field.
char* writeFixed(char* out, double value, int width, int decimals);

// writeFixed for count values in a row, with room for count fields behind out.
char* writeFixedFields(char* out, const double* values, int count, int width, int decimals);

// value with digits significant digits, as people read it ("0.125", "1.2e+04").
std::string significantNumber(double value, int digits);

// value rounded to digits significant digits, as significantNumber shows it.
double roundedNumber(double value, int digits);

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
