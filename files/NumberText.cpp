#include "files/NumberText.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace tavi {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

void appendPadded(std::string& out, std::string_view text, int width) {
    if (static_cast<int>(text.size()) < width) {
        out.append(width - text.size(), ' ');
    }
    out.append(text);
}

// The decimal exponent of the leading nonzero digit of digits[.fraction]e<exponent>, used to
// tell an overflow from an underflow.
std::int64_t magnitudeOf(std::string_view integerDigits, std::string_view fractionDigits,
                         std::int64_t exponent) {
    const auto firstNonZero = integerDigits.find_first_not_of('0');
    if (firstNonZero != std::string_view::npos) {
        return exponent + static_cast<std::int64_t>(integerDigits.size() - firstNonZero) - 1;
    }
    const auto firstInFraction = fractionDigits.find_first_not_of('0');
    return exponent - static_cast<std::int64_t>(firstInFraction) - 1;
}

// Per number of decimals, the magnitudes below which value * 10^decimals stays under 2^52.
constexpr int kMaxFastDecimals = 10;
constexpr double kFastLimits[kMaxFastDecimals + 1] = {
    4.5e15, 4.5e14, 4.5e13, 4.5e12, 4.5e11, 4.5e10, 4.5e9, 4.5e8, 4.5e7, 4.5e6, 4.5e5};

constexpr std::uint64_t powerOfTen(int exponent) {
    std::uint64_t power = 1;
    for (int i = 0; i < exponent; ++i) {
        power *= 10;
    }
    return power;
}

// The digits are assembled eight at a time in one 64-bit word whose first byte in memory is
// the most significant digit.
static_assert(std::endian::native == std::endian::little);

// The eight decimal digits of value (below 10^8), leading zeros included, as characters. The
// halves, pairs and single digits are split in lanes of one word by multiplying with scaled
// reciprocals (exact for these ranges), so no digit waits for the division of another.
[[gnu::always_inline]] inline std::uint64_t eightDigits(std::uint64_t value) {
    const std::uint64_t high = value / 10000;
    std::uint64_t lanes = high | ((value - high * 10000) << 32);
    const std::uint64_t hundreds = ((lanes * 10486) >> 20) & 0x0000007F0000007FULL;
    lanes = (lanes << 16) - hundreds * ((100 << 16) - 1);
    const std::uint64_t tens = ((lanes * 103) >> 10) & 0x000F000F000F000FULL;
    lanes = (lanes << 8) - tens * ((10 << 8) - 1);
    return lanes | 0x3030303030303030ULL;
}

constexpr std::uint64_t kPowersOfTen[] = {
    powerOfTen(0),  powerOfTen(1),  powerOfTen(2),  powerOfTen(3),  powerOfTen(4),
    powerOfTen(5),  powerOfTen(6),  powerOfTen(7),  powerOfTen(8),  powerOfTen(9),
    powerOfTen(10), powerOfTen(11), powerOfTen(12), powerOfTen(13), powerOfTen(14),
    powerOfTen(15), powerOfTen(16), powerOfTen(17), powerOfTen(18), powerOfTen(19)};

// The number of decimal digits of value, at least one.
[[gnu::always_inline]] inline int digitCount(std::uint64_t value) {
    const std::uint64_t nonZero = value | 1;
    const int guess = (std::bit_width(nonZero) * 1233) >> 12;  // 1233 / 4096 ~ log10(2)
    return guess + (nonZero >= kPowersOfTen[guess] ? 1 : 0);
}

// Stores the last `count` (1 to 8) of the eight digits of value at out, and up to 8 - count
// characters of no meaning behind them.
[[gnu::always_inline]] inline void storeDigits(char* out, std::uint64_t value, int count) {
    const std::uint64_t word = eightDigits(value) >> (8 * (8 - count));
    std::memcpy(out, &word, sizeof word);
}

// The field of a number whose magnitude times 10^Decimals, rounded, is `scaled` (below 2^52):
// blanks, the sign, the digits with the point put in place. Every store goes straight to its
// final place, a few characters beyond the field included, which the caller's room allows;
// the decimals are a template argument so that every division is by a constant.
template <int Decimals>
[[gnu::always_inline]] inline char* writeScaledField(char* out, std::uint64_t scaled, bool negative,
                                                     int width) {
    constexpr std::uint64_t kScale = powerOfTen(Decimals);
    constexpr std::uint64_t kEightDigits = powerOfTen(8);
    const std::uint64_t whole = scaled / kScale;
    const std::uint64_t fraction = scaled - whole * kScale;
    const int wholeDigits = digitCount(whole);
    const int length = (negative ? 1 : 0) + wholeDigits + (Decimals > 0 ? Decimals + 1 : 0);
    const int padding = width > length ? width - length : 0;
    // A fixed-size fill compiles to a few stores; out has room for it.
    std::memset(out, ' ', 16);
    if (padding > 16) {
        std::memset(out, ' ', padding);
    }
    char* p = out + padding;
    *p = '-';
    p += negative ? 1 : 0;
    if (wholeDigits == 1) {
        // Most numbers of the files are below 10 in magnitude.
        *p = static_cast<char>('0' + whole);
        ++p;
    } else if (wholeDigits > 8) {
        storeDigits(p, whole / kEightDigits, wholeDigits - 8);
        p += wholeDigits - 8;
        storeDigits(p, whole % kEightDigits, 8);
        p += 8;
    } else {
        storeDigits(p, whole, wholeDigits);
        p += wholeDigits;
    }
    if constexpr (Decimals > 0) {
        *p++ = '.';
        if constexpr (Decimals > 8) {
            storeDigits(p, fraction / kEightDigits, Decimals - 8);
            storeDigits(p + Decimals - 8, fraction % kEightDigits, 8);
        } else {
            storeDigits(p, fraction * powerOfTen(8 - Decimals), 8);
        }
        p += Decimals;
    }
    return p;
}

// Splits a into a high part of 26 significant bits and the rest, both exact (Dekker).
struct SplitDouble {
    double high;
    double low;
};
constexpr SplitDouble split(double a) {
    const double c = 134217729.0 * a;  // 2^27 + 1
    const double high = c - (c - a);
    return {high, a - high};
}

constexpr double kTwoPower52 = 4503599627370496.0;

// The rounding of a product that lies exactly halfway between two integers once rounded to a
// double: its exact value, the rounded product plus its error (Dekker's product, which needs no
// fused multiply-add), decides, and a product that is exactly halfway goes to the even integer.
[[gnu::noinline]] double roundedHalfway(double magnitude, double scale, double product,
                                        double offset, double rounded) {
    const SplitDouble m = split(magnitude);
    const SplitDouble s = split(scale);
    const double error =
        ((m.high * s.high - product) + m.high * s.low + m.low * s.high) + m.low * s.low;
    const double lower = offset > 0 ? rounded : rounded - 1;
    if (error > 0) {
        return lower + 1;
    }
    if (error < 0) {
        return lower;
    }
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1;
}

// magnitude * scale rounded to an integer exactly as std::to_chars rounds the fixed-point text
// (to nearest, ties to even, on the exact binary value), for magnitude * scale < 2^52 and a
// scale that is a power of ten up to 10^10. The rounded product is rounded to an integer by
// adding and subtracting 2^52; rounding is monotonic and halfway values are doubles here, so
// only a product that lands exactly halfway needs its exact value.
[[gnu::always_inline]] inline std::uint64_t roundedScaled(double magnitude, double scale) {
    const double product = magnitude * scale;
    double rounded = (product + kTwoPower52) - kTwoPower52;
    const double offset = product - rounded;  // exact, within [-0.5, 0.5]
    if (offset == 0.5 || offset == -0.5) [[unlikely]] {
        rounded = roundedHalfway(magnitude, scale, product, offset, rounded);
    }
    return static_cast<std::uint64_t>(rounded);
}

// The field of any value, through the standard conversion: non-finite values and magnitudes
// too large for the fast path.
char* writeFixedSlowly(char* out, double value, int width, int decimals) {
    if (std::isnan(value) || std::isinf(value)) {
        const std::string_view text = std::isnan(value) ? "NaN" : value < 0 ? "-Inf" : "Inf";
        const int padding = std::max(0, width - static_cast<int>(text.size()));
        std::memset(out, ' ', padding);
        std::memcpy(out + padding, text.data(), text.size());
        return out + padding + text.size();
    }
    if (value == 0.0) {
        value = 0.0;  // no minus sign for a negative zero
    }
    char text[kFixedFieldRoom];
    const char* end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
    const int length = static_cast<int>(end - text);
    const int padding = std::max(0, width - length);
    std::memset(out, ' ', padding);
    std::memcpy(out + padding, text, length);
    return out + padding + length;
}

// Whether each of count values, rounded to Decimals decimals, takes exactly width characters with
// its blanks: none is too wide for its field in fixed point, too large for the fast path, or NaN.
template <int Decimals>
bool fitTheirFields(const double* values, int count, int width) {
    const int wholeDigits = width - 1 - (Decimals > 0 ? Decimals + 1 : 0);  // a sign kept free
    if (wholeDigits < 1 || wholeDigits > 15) {
        return false;
    }
    // Whole parts up to 10^wholeDigits - 1 fit, rounding included.
    const double bound =
        std::min(static_cast<double>(kPowersOfTen[wholeDigits]) - 1.0, kFastLimits[Decimals]);
    bool fit = true;
    for (int i = 0; i < count; ++i) {
        fit = fit & (std::fabs(values[i]) < bound);
    }
    return fit;
}

// The fields of count values with Decimals decimals. The covariance file holds millions of
// numbers: with the decimals fixed at compile time the loop runs without a call or a switch per
// number, and the fast path is several times faster than the standard conversion.
template <int Decimals>
char* writeFieldsOf(char* out, const double* values, int count, int width) {
    constexpr auto kScale = static_cast<double>(powerOfTen(Decimals));
    if (fitTheirFields<Decimals>(values, count, width)) {
        // Every field starts where the one before ends, whatever its digits, so the fields do
        // not wait for each other.
        for (int i = 0; i < count; ++i) {
            const double value = values[i];
            writeScaledField<Decimals>(out + std::ptrdiff_t{i} * width,
                                       roundedScaled(std::fabs(value), kScale), value < 0, width);
        }
        return out + std::ptrdiff_t{count} * width;
    }
    for (int i = 0; i < count; ++i) {
        const double value = values[i];
        const double magnitude = std::fabs(value);
        // NaN fails the comparison too.
        if (magnitude < kFastLimits[Decimals]) {
            out =
                writeScaledField<Decimals>(out, roundedScaled(magnitude, kScale), value < 0, width);
        } else {
            out = writeFixedSlowly(out, value, width, Decimals);
        }
    }
    return out;
}

}  // namespace

bool parseStandardReal(std::string_view text, double& value) {
    std::size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ') {
        ++pos;
    }
    if (pos == text.size()) {
        return false;
    }
    bool negative = false;
    if (text[pos] == '+' || text[pos] == '-') {
        negative = text[pos] == '-';
        ++pos;
        if (pos == text.size()) {
            return false;  // a sign alone
        }
    }
    const std::size_t integerStart = pos;
    while (pos < text.size() && isDigit(text[pos])) {
        ++pos;
    }
    const std::string_view integerDigits = text.substr(integerStart, pos - integerStart);
    std::string_view fractionDigits;
    if (pos < text.size() && text[pos] == '.') {
        const std::size_t fractionStart = ++pos;
        while (pos < text.size() && isDigit(text[pos])) {
            ++pos;
        }
        fractionDigits = text.substr(fractionStart, pos - fractionStart);
    }
    const std::size_t mantissaEnd = pos;
    std::int64_t exponent = 0;
    if (pos < text.size() && (text[pos] == 'E' || text[pos] == 'e')) {
        ++pos;
        bool negativeExponent = false;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
            negativeExponent = text[pos] == '-';
            ++pos;
        }
        if (pos == text.size() || !isDigit(text[pos])) {
            return false;
        }
        for (; pos < text.size() && isDigit(text[pos]); ++pos) {
            // Saturates far beyond any exponent a double can use.
            exponent = std::min<std::int64_t>(exponent * 10 + (text[pos] - '0'), 1'000'000'000);
        }
        if (negativeExponent) {
            exponent = -exponent;
        }
    }
    if (pos != text.size()) {
        return false;
    }
    if (integerDigits.find_first_not_of('0') == std::string_view::npos &&
        fractionDigits.find_first_not_of('0') == std::string_view::npos) {
        value = negative ? -0.0 : 0.0;
        return true;
    }

    // from_chars takes no leading sign and needs a digit before an exponent, so it is given the
    // unsigned mantissa as written, with a zero in front, and the exponent in normal form.
    std::string normal = "0";
    normal.append(text.substr(integerStart, mantissaEnd - integerStart));
    normal.append("e");
    normal.append(std::to_string(exponent));
    double magnitude = 0.0;
    const auto [end, error] =
        std::from_chars(normal.data(), normal.data() + normal.size(), magnitude);
    if (error == std::errc::result_out_of_range) {
        if (magnitudeOf(integerDigits, fractionDigits, exponent) > 0) {
            return false;
        }
        magnitude = 0.0;
    } else if (error != std::errc() || end != normal.data() + normal.size()) {
        return false;
    }
    value = negative ? -magnitude : magnitude;
    return true;
}

bool parseInteger(std::string_view text, std::int32_t& value) {
    std::size_t pos = 0;
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        pos = 1;
    }
    if (pos == text.size()) {
        return false;
    }
    std::int64_t magnitude = 0;
    for (; pos < text.size(); ++pos) {
        if (!isDigit(text[pos])) {
            return false;
        }
        magnitude = magnitude * 10 + (text[pos] - '0');
        if (magnitude > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) {
            return false;
        }
    }
    const std::int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue > std::numeric_limits<std::int32_t>::max()) {
        return false;
    }
    value = static_cast<std::int32_t>(signedValue);
    return true;
}

void appendInteger(std::string& out, std::int64_t value, int width) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    appendPadded(out, std::string_view(buffer, result.ptr - buffer), width);
}

void appendShortestReal(std::string& out, double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

char* writeFixedFields(char* out, const double* values, int count, int width, int decimals) {
    switch (decimals) {
        case 0:
            return writeFieldsOf<0>(out, values, count, width);
        case 1:
            return writeFieldsOf<1>(out, values, count, width);
        case 2:
            return writeFieldsOf<2>(out, values, count, width);
        case 3:
            return writeFieldsOf<3>(out, values, count, width);
        case 4:
            return writeFieldsOf<4>(out, values, count, width);
        case 5:
            return writeFieldsOf<5>(out, values, count, width);
        case 6:
            return writeFieldsOf<6>(out, values, count, width);
        case 7:
            return writeFieldsOf<7>(out, values, count, width);
        case 8:
            return writeFieldsOf<8>(out, values, count, width);
        case 9:
            return writeFieldsOf<9>(out, values, count, width);
        case 10:
            return writeFieldsOf<10>(out, values, count, width);
        default:
            for (int i = 0; i < count; ++i) {
                out = writeFixedSlowly(out, values[i], width, decimals);
            }
            return out;
    }
}

char* writeFixed(char* out, double value, int width, int decimals) {
    return writeFixedFields(out, &value, 1, width, decimals);
}

void appendFixed(std::string& out, double value, int width, int decimals) {
    char field[kFixedFieldRoom];
    out.append(field, writeFixed(field, value, width, decimals));
}

std::string significantNumber(double value, int digits) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits);
    return std::string(buffer, result.ptr);
}

double roundedNumber(double value, int digits) {
    const std::string text = significantNumber(value, digits);
    double rounded = value;
    std::from_chars(text.data(), text.data() + text.size(), rounded);
    return rounded;
}

std::string briefNumber(double value) {
    return std::isnan(value) ? "-" : significantNumber(value, 4);
}

std::string exactNumber(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string pointText(const SweepPoint& point) {
    if (point.J > 0) {
        return "K = " + std::to_string(point.N) + ", J = " + std::to_string(point.J) +
               ", n = " + std::to_string(point.n);
    }
    return "N = " + std::to_string(point.N) + ", n = " + std::to_string(point.n);
}

void appendCsvField(std::string& out, double value) {
    out += ',';
    if (!std::isnan(value)) {
        appendShortestReal(out, value);
    }
}

}  // namespace tavi
