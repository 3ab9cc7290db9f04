// Feeds arbitrary bytes to the conversions of typed numbers: TextToReal for the grid's cells and
// amountFromText for the amount fields. Their verdicts are checked against a recognizer of the
// number grammar written out here, and their values against the C library's strtod; a value
// that is taken must also read back from the text the grid would show for it.

#include "files/AmountSettings.h"
#include "files/TypedNumbers.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

[[noreturn]] void fail(const char* what, std::string_view text) {
    std::fprintf(stderr, "typed numbers: %s: \"%.*s\"\n", what, static_cast<int>(text.size()),
                 text.data());
    std::abort();
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Whether text is leading blanks, an optional sign, digits with an optional point and more
// digits, an optional exponent with at least one digit, and nothing after; not blank, and not a
// sign alone. If so, forStrtod is the number in a form strtod reads: a zero before the digits,
// so that "." and "E5" are numbers there too.
bool grammatical(std::string_view text, std::string& forStrtod) {
    std::size_t pos = text.find_first_not_of(' ');
    if (pos == std::string_view::npos) {
        return false;
    }
    forStrtod.clear();
    if (text[pos] == '+' || text[pos] == '-') {
        forStrtod += text[pos++];
        if (pos == text.size()) {
            return false;
        }
    }
    forStrtod += '0';
    while (pos < text.size() && (isDigit(text[pos]) || text[pos] == '.')) {
        forStrtod += text[pos++];
    }
    if (std::count(forStrtod.begin(), forStrtod.end(), '.') > 1) {
        return false;
    }
    if (pos < text.size() && (text[pos] == 'E' || text[pos] == 'e')) {
        forStrtod += text[pos++];
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
            forStrtod += text[pos++];
        }
        if (pos == text.size() || !isDigit(text[pos])) {
            return false;
        }
        while (pos < text.size() && isDigit(text[pos])) {
            forStrtod += text[pos++];
        }
    }
    return pos == text.size();
}

void checkCellText(std::string_view text) {
    std::string pointed(text);
    std::replace(pointed.begin(), pointed.end(), ',', '.');
    std::string forStrtod;
    const bool followsGrammar = grammatical(pointed, forStrtod);
    const double expected = followsGrammar ? std::strtod(forStrtod.c_str(), nullptr) : 0.0;

    double value = 0.0;
    const bool number = tavi::TextToReal(text, value);
    if (number != (followsGrammar && std::isfinite(expected))) {
        fail(number ? "taken, but no number" : "a number, but refused", text);
    }
    if (!number) {
        return;
    }
    if (value != expected) {
        fail("read as another value than strtod reads", text);
    }
    for (const char separator : {'.', ','}) {
        double back = 0.0;
        if (!tavi::TextToReal(tavi::realToText(value, separator), back) ||
            !(std::fabs(back - value) <= 1e-14 * std::fabs(value))) {
            fail("the grid's text of the value does not read back", text);
        }
    }
}

void checkAmountText(std::string_view text) {
    std::string forStrtod;
    double rounded = 0.0;
    bool expectedAmount = text.find(',') == std::string_view::npos && grammatical(text, forStrtod);
    if (expectedAmount) {
        rounded = std::nearbyint(std::strtod(forStrtod.c_str(), nullptr));
        expectedAmount = rounded >= -2147483648.0 && rounded <= 2147483647.0;
    }
    std::int32_t amount = 0;
    const bool taken = tavi::amountFromText(text, amount);
    if (taken != expectedAmount || (taken && amount != rounded)) {
        fail("amount read wrongly", text);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    checkCellText(text);
    checkAmountText(text);
    return 0;
}
