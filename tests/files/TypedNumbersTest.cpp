// The numbers of the grid's cells: what counts as a number, and that every value the grid is
// filled with reads back to the same 15 digits.

#include "files/NumberText.h"
#include "files/TypedNumbers.h"

#include <bit>
#include <cfloat>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>

namespace tavi {
namespace {

TEST(TextToReal, ReadsCommaAsPointAndTheStandardForms) {
    const std::pair<const char*, double> numbers[] = {
        {"1,5", 1.5},     {"1.5", 1.5},        {"2e3", 2000.0}, {"  7", 7.0}, {"5.", 5.0},
        {".5", 0.5},      {",5", 0.5},         {".", 0.0},      {",", 0.0},   {"E5", 0.0},
        {"-2,25", -2.25}, {"+1,5E-3", 1.5e-3}, {"-.", 0.0},     {"0,1", 0.1}, {"1e-400", 0.0},
    };
    for (const auto& [text, expected] : numbers) {
        double value = -99;
        EXPECT_TRUE(TextToReal(text, value)) << text;
        EXPECT_EQ(value, expected) << text;
    }
}

TEST(TextToReal, RejectsTextThatIsNoNumber) {
    for (const char* text : {"",    " ",     "  ",   "1,2.5", "1.5.2", "1,5,2", "1e",    "1e+",
                             "7 ",  "-",     "+",    "  -",   "- 5",   "abc",   "1e400", "-1e400",
                             "\t7", "1 000", "0x1A", "inf",   "NAN",   "e",     "1,5E",  "5-"}) {
        double value = -99;
        EXPECT_FALSE(TextToReal(text, value)) << '"' << text << '"';
        EXPECT_EQ(value, -99) << text;
    }
}

TEST(StandardTextToReal, TakesNoComma) {
    double value = 0;
    EXPECT_FALSE(parseStandardReal("1,5", value));
    EXPECT_FALSE(parseStandardReal("-", value));
    EXPECT_TRUE(parseStandardReal(" -1.5", value));
    EXPECT_EQ(value, -1.5);
}

TEST(RealToText, WritesFifteenDigitsInGeneralForm) {
    const std::pair<double, const char*> texts[] = {
        {0.0, "0"},
        {-0.0, "0"},
        {1.0, "1"},
        {-7.0, "-7"},
        {100.0, "100"},
        {0.1, "0.1"},
        {1234.5, "1234.5"},
        {1.0 / 3.0, "0.333333333333333"},
        {2.0 / 3.0, "0.666666666666667"},
        {123456789012345.0, "123456789012345"},
        {999999999999999.0, "999999999999999"},
        {999999999999999.5, "1E15"},
        {1e15, "1E15"},
        {1.5e20, "1.5E20"},
        {-123456789012345678.0, "-1.23456789012346E17"},
        {0.00001, "0.00001"},
        {0.000012345, "0.000012345"},
        {0.0000099, "9.9E-6"},
        {1e-6, "1E-6"},
        {-2.5e-7, "-2.5E-7"},
        {DBL_MAX, "1.79769313486231E308"},
        {-DBL_MAX, "-1.79769313486231E308"},
        {DBL_MIN, "2.2250738585072E-308"},
        {std::numeric_limits<double>::denorm_min(), "4.94065645841247E-324"},
        {std::numeric_limits<double>::infinity(), "INF"},
        {-std::numeric_limits<double>::infinity(), "-INF"},
        {std::numeric_limits<double>::quiet_NaN(), "NAN"},
    };
    for (const auto& [value, expected] : texts) {
        EXPECT_EQ(realToText(value, '.'), expected) << value;
    }
}

TEST(RealToText, WritesTheGivenDecimalSeparator) {
    EXPECT_EQ(realToText(1.5, ','), "1,5");
    EXPECT_EQ(realToText(-0.25, ','), "-0,25");
    EXPECT_EQ(realToText(2.5e-7, ','), "2,5E-7");
    EXPECT_EQ(realToText(42.0, ','), "42");
}

// Whatever the grid is filled with reads back to within a unit in the 15th digit, with either
// separator, including the largest and the subnormal doubles.
TEST(RealToText, ReadsBackThroughTextToRealForEveryFiniteDouble) {
    std::mt19937_64 rng(5);
    std::uniform_int_distribution<std::uint64_t> bits;
    std::uniform_real_distribution<double> ordinary(-1e6, 1e6);
    const auto readsBack = [](double x, char separator) {
        const std::string text = realToText(x, separator);
        double back = std::numeric_limits<double>::quiet_NaN();
        if (!TextToReal(text, back)) {
            return testing::AssertionFailure() << text << " is not read as a number";
        }
        if (!(std::fabs(back - x) <= 1e-14 * std::fabs(x))) {
            return testing::AssertionFailure() << text << " reads as " << back << ", not " << x;
        }
        // Fifteen digits are fewer than a double holds, so a normal value is written alike again.
        if (std::fabs(x) >= DBL_MIN && realToText(back, separator) != text) {
            return testing::AssertionFailure()
                   << text << " is written again as " << realToText(back, separator);
        }
        return testing::AssertionSuccess();
    };
    for (int i = 0; i < 200000; ++i) {
        const double anyBits = std::bit_cast<double>(bits(rng));
        if (std::isfinite(anyBits)) {
            ASSERT_TRUE(readsBack(anyBits, i % 2 == 0 ? '.' : ','));
        }
        ASSERT_TRUE(readsBack(ordinary(rng), ','));
    }
    for (const double edge : {DBL_MAX, -DBL_MAX, std::nextafter(DBL_MAX, 0.0), DBL_MIN,
                              std::numeric_limits<double>::denorm_min(), 1e15, 1e-5, 0.0}) {
        EXPECT_TRUE(readsBack(edge, '.'));
    }
}

}  // namespace
}  // namespace tavi
