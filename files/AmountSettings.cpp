#include "files/AmountSettings.h"

#include "files/NumberText.h"
#include "files/TypedNumbers.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tavi {

namespace {

constexpr std::int32_t kLargestAmount = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kSmallestAmount = std::numeric_limits<std::int32_t>::min();

// The field's whole number, or fallback when its text is not one; then allNumbers is cleared.
std::int32_t amountOr(std::string_view text, std::int32_t fallback, bool& allNumbers) {
    std::int32_t value = 0;
    if (amountFromText(text, value)) {
        return value;
    }
    allNumbers = false;
    return fallback;
}

}  // namespace

bool amountFromText(std::string_view text, std::int32_t& value) {
    double number = 0.0;
    if (!parseStandardReal(text, number)) {
        return false;
    }
    // The default rounding mode rounds a half to the even neighbour.
    const double rounded = std::nearbyint(number);
    if (rounded < kSmallestAmount || rounded > kLargestAmount) {
        return false;
    }
    value = static_cast<std::int32_t>(rounded);
    return true;
}

bool readBudgetAmounts(const BudgetFieldTexts& texts, DesignParameters& p) {
    bool allNumbers = true;
    p.BudgetMode = true;
    p.CostParameter = std::max(0, amountOr(texts.costParameter, 10, allNumbers));
    p.Budget = amountOr(texts.budget, 1000, allNumbers);
    p.MinGroupSize = std::max(1, amountOr(texts.minGroupSize, 5, allNumbers));
    p.MaxGroupSize = std::max(p.MinGroupSize, amountOr(texts.maxGroupSize, 5, allNumbers));
    p.GroupSizeStep = std::max(1, amountOr(texts.groupSizeStep, 5, allNumbers));
    const std::int64_t floor = budgetFloor(p);
    if (floor > p.Budget) {
        p.Budget = static_cast<std::int32_t>(std::min<std::int64_t>(floor, kLargestAmount));
    }
    return allNumbers;
}

bool readRangeAmounts(const RangeFieldTexts& texts, DesignParameters& p) {
    bool allNumbers = true;
    p.BudgetMode = false;
    p.MinGroups = std::max(1, amountOr(texts.minGroups, 5, allNumbers));
    p.MaxGroups = std::max(p.MinGroups, amountOr(texts.maxGroups, 50, allNumbers));
    p.MinGroupSize = std::max(1, amountOr(texts.minGroupSize, 5, allNumbers));
    p.MaxGroupSize = std::max(p.MinGroupSize, amountOr(texts.maxGroupSize, 5, allNumbers));
    p.GroupSizeStep = std::max(1, amountOr(texts.groupSizeStep, 5, allNumbers));
    return allNumbers;
}

std::int64_t budgetFloor(const DesignParameters& p) {
    // The sum fits 33 bits and the product 64, except for the one product 2^63 of three most
    // negative fields.
    const std::int64_t sum = std::int64_t{p.MinGroupSize} + p.CostParameter;
    std::int64_t product = 0;
    if (__builtin_mul_overflow(sum, std::int64_t{p.MinGroups}, &product)) {
        return std::numeric_limits<std::int64_t>::max();
    }
    return product;
}

}  // namespace tavi
