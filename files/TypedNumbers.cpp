#include "files/TypedNumbers.h"

#include "files/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace tavi {

namespace {

constexpr int kSignificantDigits = 15;

// Written in exponent form from this decimal exponent on, and below the lower one.
constexpr int kFirstExponentFormPower = kSignificantDigits;
constexpr int kLowestFixedPower = -5;

// The 15 leading digits of the largest double, cut rather than rounded: rounded, they would
// stand for a number beyond the range of a double, which would never read back.
constexpr std::string_view kLargestDigits = "179769313486231";
constexpr int kLargestPower = 308;

}  // namespace

bool TextToReal(std::string_view text, double& value) {
    std::string pointed(text);
    std::replace(pointed.begin(), pointed.end(), ',', '.');
    return parseStandardReal(pointed, value);
}

std::string realToText(double value, char decimalSeparator) {
    if (std::isnan(value)) {
        return "NAN";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-INF" : "INF";
    }
    if (value == 0.0) {
        return "0";
    }

    // d.dddddddddddddde[+-]x: the 15 significant digits, rounded to nearest on the exact value.
    char scientific[32];
    const char* end = std::to_chars(scientific, scientific + sizeof scientific, std::fabs(value),
                                    std::chars_format::scientific, kSignificantDigits - 1)
                          .ptr;
    std::string digits(1, scientific[0]);
    digits.append(scientific + 2, scientific + 1 + kSignificantDigits);
    // The exponent follows the "e" and its sign, which from_chars does not take.
    const char* exponent = scientific + 2 + kSignificantDigits;
    int power = 0;
    std::from_chars(exponent + 1, end, power);
    if (exponent[0] == '-') {
        power = -power;
    }
    if (power == kLargestPower && digits > kLargestDigits) {
        digits = kLargestDigits;
    }
    digits.erase(digits.find_last_not_of('0') + 1);

    std::string text = value < 0 ? "-" : "";
    if (power >= kFirstExponentFormPower || power < kLowestFixedPower) {
        text += digits[0];
        if (digits.size() > 1) {
            text += decimalSeparator;
            text.append(digits, 1);
        }
        text += 'E';
        text += std::to_string(power);
    } else if (power >= 0) {
        const auto integerDigits = static_cast<std::size_t>(power) + 1;
        if (digits.size() <= integerDigits) {
            text += digits;
            text.append(integerDigits - digits.size(), '0');
        } else {
            text.append(digits, 0, integerDigits);
            text += decimalSeparator;
            text.append(digits, integerDigits);
        }
    } else {
        text += '0';
        text += decimalSeparator;
        text.append(static_cast<std::size_t>(-power - 1), '0');
        text += digits;
    }
    return text;
}

}  // namespace tavi
