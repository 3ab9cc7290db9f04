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

// Reads the fields of a form one after another, each raised to its bound, and says what it
// replaced or raised.
class FieldReader {
public:
    explicit FieldReader(std::vector<std::string>* corrections) : m_corrections(corrections) {}

    // The field's whole number, or fallback when its text is not one, raised to least; bound
    // names least when it is another field's value.
    std::int32_t read(const char* field, std::string_view text, std::int32_t fallback,
                      std::int32_t least, const char* bound = nullptr) {
        std::int32_t value = 0;
        if (!amountFromText(text, value)) {
            m_allNumbers = false;
            note(std::string(field) + ": \"" + std::string(text) + "\" is not a whole number; " +
                 std::to_string(fallback) + " is put in its place.");
            value = fallback;
        }
        if (value < least) {
            raised(field, value, least, bound);
            value = least;
        }
        return value;
    }

    // Notes that field's value was raised to least, which bound names.
    void raised(const char* field, std::int64_t value, std::int64_t least, const char* bound) {
        note(std::string(field) + ": " + std::to_string(value) + " is raised to " +
             std::to_string(least) + (bound != nullptr ? std::string(", ") + bound : "") + ".");
    }

    bool allNumbers() const { return m_allNumbers; }

private:
    void note(std::string line) {
        if (m_corrections != nullptr) {
            m_corrections->push_back(std::move(line));
        }
    }

    std::vector<std::string>* m_corrections;
    bool m_allNumbers = true;
};

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

bool readBudgetAmounts(const BudgetFieldTexts& texts, DesignParameters& p,
                       std::vector<std::string>* corrections) {
    FieldReader fields(corrections);
    p.BudgetMode = true;
    p.CostParameter = fields.read("Cost parameter", texts.costParameter, 10, 0);
    p.Budget = fields.read("Total Budget", texts.budget, 1000, kSmallestAmount);
    p.MinGroupSize = fields.read("Minimum group size", texts.minGroupSize, 5, 1);
    p.MaxGroupSize = fields.read("Maximum group size", texts.maxGroupSize, 5, p.MinGroupSize,
                                 "the minimum group size");
    p.GroupSizeStep = fields.read("Step size", texts.groupSizeStep, 5, 1);
    const std::int64_t floor = budgetFloor(p);
    if (floor > p.Budget) {
        const auto raised =
            static_cast<std::int32_t>(std::min<std::int64_t>(floor, kLargestAmount));
        fields.raised("Total Budget", p.Budget, raised,
                      "the cost (minimum group size + cost parameter) x minimum number of groups");
        p.Budget = raised;
    }
    return fields.allNumbers();
}

bool readRangeAmounts(const RangeFieldTexts& texts, DesignParameters& p,
                      std::vector<std::string>* corrections) {
    FieldReader fields(corrections);
    p.BudgetMode = false;
    p.MinGroups = fields.read("Minimum number of groups", texts.minGroups, 5, 1);
    p.MaxGroups = fields.read("Maximum number of groups", texts.maxGroups, 50, p.MinGroups,
                              "the minimum number of groups");
    p.MinGroupSize = fields.read("Minimum group size", texts.minGroupSize, 5, 1);
    p.MaxGroupSize = fields.read("Maximum group size", texts.maxGroupSize, 5, p.MinGroupSize,
                                 "the minimum group size");
    p.GroupSizeStep = fields.read("Step size", texts.groupSizeStep, 5, 1);
    return fields.allNumbers();
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
