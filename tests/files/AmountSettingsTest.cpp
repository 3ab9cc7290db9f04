// Reading the amount-of-output fields: whole numbers rounded a half to even, fallbacks for
// texts that are not numbers, the lower bounds in reading order and the budget floor.

#include "files/AmountSettings.h"

#include <gtest/gtest.h>
#include <limits>

namespace tavi {
namespace {

constexpr std::int32_t kLargest = std::numeric_limits<std::int32_t>::max();

TEST(AmountFromText, RoundsAHalfToTheEvenNeighbour) {
    const std::pair<const char*, std::int32_t> amounts[] = {
        {"12.5", 12},
        {"13.5", 14},
        {"0.5", 0},
        {"1.5", 2},
        {"-2.5", -2},
        {"2.4999", 2},
        {"2.5001", 3},
        {"  7", 7},
        {"1e2", 100},
        {"-0.4", 0},
        {".", 0},
        {"E5", 0},
        {"+3.", 3},
        {"2147483647", kLargest},
        {"2147483647.4", kLargest},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()},
    };
    for (const auto& [text, expected] : amounts) {
        std::int32_t value = -99;
        EXPECT_TRUE(amountFromText(text, value)) << text;
        EXPECT_EQ(value, expected) << text;
    }
}

TEST(AmountFromText, RefusesCommasNoNumbersAndNumbersBeyondThirtyTwoBits) {
    for (const char* text : {"1,5", "", " ", "abc", "7 ", "-", "1e", "2147483648", "2147483647.5",
                             "-2147483649", "1e10", "1e400", "5,"}) {
        std::int32_t value = -99;
        EXPECT_FALSE(amountFromText(text, value)) << '"' << text << '"';
        EXPECT_EQ(value, -99) << text;
    }
}

DesignParameters startUp() {
    DesignParameters p = initialDesignParameters();
    p.CostParameter = 5;
    p.MinGroupSize = 10;
    p.MaxGroupSize = 50;
    p.MinGroups = 10;
    p.MaxGroups = 50;
    p.Budget = 1500;
    p.BudgetMode = false;
    return p;
}

TEST(ReadBudgetAmounts, StoresTheNumbersAndChoosesTheBudget) {
    DesignParameters p = startUp();
    EXPECT_TRUE(readBudgetAmounts({"10", "2000", "5", "50", "12.5"}, p));
    EXPECT_TRUE(p.BudgetMode);
    EXPECT_EQ(p.CostParameter, 10);
    EXPECT_EQ(p.Budget, 2000);
    EXPECT_EQ(p.MinGroupSize, 5);
    EXPECT_EQ(p.MaxGroupSize, 50);
    EXPECT_EQ(p.GroupSizeStep, 12);
    EXPECT_EQ(p.MinGroups, 10);  // not a field of this option
    EXPECT_EQ(p.MaxGroups, 50);
}

TEST(ReadBudgetAmounts, RaisesTheBudgetToItsFloor) {
    DesignParameters p = startUp();
    EXPECT_TRUE(readBudgetAmounts({"10", "100", "5", "50", "5"}, p));
    EXPECT_EQ(p.Budget, (5 + 10) * 10);
    EXPECT_TRUE(readBudgetAmounts({"10", "150", "5", "50", "5"}, p));
    EXPECT_EQ(p.Budget, 150);
}

TEST(ReadBudgetAmounts, AppliesTheLowerBoundsInReadingOrder) {
    DesignParameters p = startUp();
    EXPECT_TRUE(readBudgetAmounts({"-3", "5000", "0", "-7", "0"}, p));
    EXPECT_EQ(p.CostParameter, 0);
    EXPECT_EQ(p.MinGroupSize, 1);
    EXPECT_EQ(p.MaxGroupSize, 1);  // raised to the smallest group size as just bounded
    EXPECT_EQ(p.GroupSizeStep, 1);
    EXPECT_EQ(p.Budget, 5000);
}

TEST(ReadBudgetAmounts, GivesTheFallbacksForTextsThatAreNoNumbers) {
    DesignParameters p = startUp();
    p.MinGroups = 0;  // no floor to raise the fallback budget
    EXPECT_FALSE(readBudgetAmounts({"1,5", "x", "", "5 ", "-"}, p));
    EXPECT_EQ(p.CostParameter, 10);
    EXPECT_EQ(p.Budget, 1000);
    EXPECT_EQ(p.MinGroupSize, 5);
    EXPECT_EQ(p.MaxGroupSize, 5);
    EXPECT_EQ(p.GroupSizeStep, 5);
    EXPECT_FALSE(readBudgetAmounts({"10", "1000", "5", "5", "99999999999"}, p));
    EXPECT_EQ(p.GroupSizeStep, 5);
}

TEST(ReadBudgetAmounts, KeepsAFloorBeyondThirtyTwoBitsAtTheLargestBudget) {
    DesignParameters p = startUp();
    p.MinGroups = 1000;
    EXPECT_TRUE(readBudgetAmounts({"2000000000", "100", "2000000000", "2000000000", "5"}, p));
    EXPECT_EQ(p.Budget, kLargest);
}

TEST(ReadRangeAmounts, ReadsTheRangesWithTheirBounds) {
    DesignParameters p = startUp();
    p.BudgetMode = true;
    EXPECT_TRUE(readRangeAmounts({"20", "10", "13.5", "0", "0"}, p));
    EXPECT_FALSE(p.BudgetMode);
    EXPECT_EQ(p.MinGroups, 20);
    EXPECT_EQ(p.MaxGroups, 20);
    EXPECT_EQ(p.MinGroupSize, 14);
    EXPECT_EQ(p.MaxGroupSize, 14);
    EXPECT_EQ(p.GroupSizeStep, 1);
    EXPECT_EQ(p.Budget, 1500);  // not a field of this option

    EXPECT_TRUE(readRangeAmounts({"0", "-5", "-1", "3", "2"}, p));
    EXPECT_EQ(p.MinGroups, 1);
    EXPECT_EQ(p.MaxGroups, 1);
    EXPECT_EQ(p.MinGroupSize, 1);
    EXPECT_EQ(p.MaxGroupSize, 3);
}

TEST(ReadRangeAmounts, GivesTheFallbacksForTextsThatAreNoNumbers) {
    DesignParameters p = startUp();
    EXPECT_FALSE(readRangeAmounts({"a", "b", "c", "d", "e"}, p));
    EXPECT_EQ(p.MinGroups, 5);
    EXPECT_EQ(p.MaxGroups, 50);
    EXPECT_EQ(p.MinGroupSize, 5);
    EXPECT_EQ(p.MaxGroupSize, 5);
    EXPECT_EQ(p.GroupSizeStep, 5);
}

TEST(BudgetFloor, IsExactForAnyFields) {
    DesignParameters p = startUp();
    EXPECT_EQ(budgetFloor(p), 150);
    constexpr std::int32_t kSmallest = std::numeric_limits<std::int32_t>::min();
    p.MinGroupSize = kLargest;
    p.CostParameter = kLargest;
    p.MinGroups = kLargest;
    EXPECT_EQ(budgetFloor(p), (2 * std::int64_t{kLargest}) * kLargest);
    p.MinGroups = kSmallest;
    EXPECT_EQ(budgetFloor(p), (2 * std::int64_t{kLargest}) * kSmallest);
    p.MinGroupSize = kSmallest;
    p.CostParameter = kSmallest;
    EXPECT_EQ(budgetFloor(p), std::numeric_limits<std::int64_t>::max());
}

}  // namespace
}  // namespace tavi
