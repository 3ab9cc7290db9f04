#include "files/NumberText.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>

namespace tavi {
namespace {

std::string fixed(double value, int width, int decimals) {
    std::string out;
    appendFixed(out, value, width, decimals);
    return out;
}

std::string integer(std::int64_t value, int width) {
    std::string out;
    appendInteger(out, value, width);
    return out;
}

TEST(ParseStandardReal, AcceptsTheNumbersOfTheStandardConversion) {
    const std::pair<const char*, double> numbers[] = {
        {"5.", 5.0},      {".5", 0.5},
        {".", 0.0},       {"E5", 0.0},
        {"-2.25", -2.25}, {"+1.5e-3", 1.5e-3},
        {"  7", 7.0},     {"1E+2", 100.0},
        {"0.1", 0.1},     {"-.", 0.0},
        {"1e-400", 0.0},  {"00012.5000", 12.5},
        {"2.5e0", 2.5},   {"1.7976931348623157e308", 1.7976931348623157e308},
    };
    for (const auto& [text, expected] : numbers) {
        double value = -99;
        EXPECT_TRUE(parseStandardReal(text, value)) << text;
        EXPECT_EQ(value, expected) << text;
    }
}

TEST(ParseStandardReal, RejectsEverythingElse) {
    for (const char* text : {"", "   ", "7 ", "1,5", "1e", "1e+", "E", "abc", "1.2.3", "--1",
                             "1e400", "inf", "nan", "0x10", "\t1", "1 2", "5-", "-", " +"}) {
        double value = -99;
        EXPECT_FALSE(parseStandardReal(text, value)) << '"' << text << '"';
        EXPECT_EQ(value, -99) << text;
    }
}

TEST(ParseStandardReal, ReadsBackEveryDoubleWrittenInShortestForm) {
    std::mt19937_64 rng(3);
    std::uniform_int_distribution<std::uint64_t> bits;
    for (int i = 0; i < 100000; ++i) {
        const double x = std::bit_cast<double>(bits(rng));
        if (!std::isfinite(x)) {
            continue;
        }
        char text[64];
        const auto end = std::to_chars(text, text + sizeof text, x).ptr;
        double value = 0;
        ASSERT_TRUE(parseStandardReal(std::string_view(text, end - text), value));
        ASSERT_EQ(value, x) << std::string_view(text, end - text);
    }
}

TEST(ParseInteger, TakesASignAndDigitsWithinThirtyTwoBits) {
    std::int32_t value = 0;
    EXPECT_TRUE(parseInteger("+7", value));
    EXPECT_EQ(value, 7);
    EXPECT_TRUE(parseInteger("-2147483648", value));
    EXPECT_EQ(value, std::numeric_limits<std::int32_t>::min());
    EXPECT_TRUE(parseInteger("2147483647", value));
    EXPECT_EQ(value, std::numeric_limits<std::int32_t>::max());
    for (const char* text : {"", "-", "2147483648", "-2147483649", "1.0", "1e3", "12a", " 1",
                             "99999999999999999999"}) {
        value = 5;
        EXPECT_FALSE(parseInteger(text, value)) << text;
        EXPECT_EQ(value, 5);
    }
}

TEST(AppendFixed, WritesFieldsOfTheGivenWidthAndDecimals) {
    EXPECT_EQ(fixed(1.0, 15, 7), "      1.0000000");
    EXPECT_EQ(fixed(1.0, 20, 10), "        1.0000000000");
    EXPECT_EQ(fixed(0.12345, 8, 5), " 0.12345");
    EXPECT_EQ(fixed(12.5, 8, 5), "12.50000");
    EXPECT_EQ(fixed(123.4, 8, 5), "123.40000");
    EXPECT_EQ(fixed(-1.5, 13, 8), "  -1.50000000");
    EXPECT_EQ(fixed(-0.0, 8, 5), " 0.00000");
    EXPECT_EQ(fixed(-0.000001, 8, 5), "-0.00000");
    EXPECT_EQ(fixed(1.0e20, 13, 5), "100000000000000000000.00000");
    EXPECT_EQ(fixed(std::nan(""), 8, 5), "     NaN");
    EXPECT_EQ(fixed(-std::numeric_limits<double>::infinity(), 8, 5), "    -Inf");
}

// The fast formatting path must give the bytes of the standard conversion for every value,
// halfway cases included.
TEST(AppendFixed, MatchesTheStandardConversionByteForByte) {
    std::mt19937_64 rng(8);
    std::uniform_real_distribution<double> unit(-1, 1);
    std::uniform_real_distribution<double> exponent(-25, 17);
    const auto expectStandard = [](double x, int decimals) {
        char text[512];
        const auto end = std::to_chars(text, text + sizeof text, x == 0 ? 0.0 : x,
                                       std::chars_format::fixed, decimals)
                             .ptr;
        std::string expected(text, end);
        if (expected.size() < 13) {
            expected.insert(0, 13 - expected.size(), ' ');
        }
        ASSERT_EQ(fixed(x, 13, decimals), expected) << x;
    };
    for (int i = 0; i < 200000; ++i) {
        const double x = unit(rng) * std::pow(10.0, exponent(rng));
        for (int decimals = 0; decimals <= 10; ++decimals) {
            expectStandard(x, decimals);
        }
    }
    // Multiples of a power of two below the last decimal lie exactly halfway.
    for (int j = 1; j < 20000; ++j) {
        expectStandard(j / 512.0, 8);
        expectStandard(-j / 64.0, 5);
        expectStandard(j / 4096.0, 10);
        expectStandard(j + 0.5, 0);
    }
}

TEST(WriteFixedFields, WritesARowAsFieldByField) {
    std::mt19937_64 rng(12);
    std::uniform_real_distribution<double> unit(-1, 1);
    std::uniform_real_distribution<double> exponent(-30, 30);
    std::uniform_real_distribution<double> fitting(-10, 3);
    double row[40];
    for (int trial = 0; trial < 2000; ++trial) {
        // Every other row fits its fields, with a negative zero; the others hold a value that
        // cannot be written in fixed point.
        for (double& value : row) {
            value = unit(rng) * std::pow(10.0, trial % 2 == 0 ? fitting(rng) : exponent(rng));
        }
        row[trial % 40] = trial % 2 == 0   ? -0.0
                          : trial % 3 == 0 ? std::nan("")
                                           : -std::numeric_limits<double>::infinity();
        const int decimals = trial % 12;
        std::string expected;
        for (double value : row) {
            appendFixed(expected, value, 13, decimals);
        }
        static char written[40 * kFixedFieldRoom];
        char* end = writeFixedFields(written, row, 40, 13, decimals);
        ASSERT_EQ(std::string(written, end), expected) << "decimals " << decimals;
    }
}

TEST(AppendInteger, RightAlignsAndWidensWhenNeeded) {
    EXPECT_EQ(integer(2, 6), "     2");
    EXPECT_EQ(integer(-5, 6), "    -5");
    EXPECT_EQ(integer(1234567, 6), "1234567");
    EXPECT_EQ(integer(43, 0), "43");
}

}  // namespace
}  // namespace tavi
