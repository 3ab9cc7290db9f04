// Numbers as the dialogue shows them and reads them back: the texts of the grid's cells and of
// the amount fields. No toolkit here; the windows supply the user's decimal separator.
#pragma once

#include <string>
#include <string_view>

namespace tavi {

// A cell text as a number: every "," is read as ".", then the standard conversion. Leading
// spaces, a sign, "5.", ".5", "." and "E5" are numbers; trailing characters, a sign alone, an
// empty or blank text and a magnitude beyond the range of a double are not. The user's regional
// settings play no part. Returns whether text is a number; value is set only when it is.
bool TextToReal(std::string_view text, double& value);

// value in general form with up to 15 significant digits, trailing zeros dropped:
// fixed-point from 0.00001 to below 1E15 ("0.1", "1234.5", "-7"), otherwise with an exponent
// ("1.5E-7", "2E20"). decimalSeparator ("." or ",") stands between the integer and the fraction
// digits. Every finite value reads back through TextToReal to within a unit in its 15th digit;
// not-a-number and the infinities are written "NAN", "INF" and "-INF", which do not.
std::string realToText(double value, char decimalSeparator);

}  // namespace tavi
