// The amount-of-output settings as the amount form reads them from its fields: each text as a
// whole number, a fallback for a text that is not one, and the lower bounds that keep a
// calculation possible.
#pragma once

#include "files/DesignParameters.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavi {

// The number in text (the standard conversion: "." as the only decimal separator, so "1,5" is
// not a number) rounded to the nearest integer, a half to the even neighbour ("12.5" gives 12,
// "13.5" gives 14). A number that rounds to outside the 32-bit range counts as no number.
// Returns whether text gave a value; value is set only when it did.
bool amountFromText(std::string_view text, std::int32_t& value);

// The texts of the fields of the budget option, in the order they are read.
struct BudgetFieldTexts {
    std::string costParameter;
    std::string budget;
    std::string minGroupSize;
    std::string maxGroupSize;
    std::string groupSizeStep;
};

// The texts of the fields of the range option, in the order they are read.
struct RangeFieldTexts {
    std::string minGroups;
    std::string maxGroups;
    std::string minGroupSize;
    std::string maxGroupSize;
    std::string groupSizeStep;
};

// Chooses the budget constraint and reads its fields into p, each raised to its lower bound as
// it is read: cost at least 0, smallest group size at least 1, largest at least the smallest,
// step at least 1. A text that is not a number gives the fallback (cost 10, budget 1000, group
// sizes and step 5). Then the budget is raised to budgetFloor(p) where that is larger, or to the
// largest 32-bit value where the floor is beyond it. MinGroups is not read; its value counts.
// Returns false when some text was not a number. Each value replaced or raised adds a line for
// the user to corrections, when given, naming the field, its text and why.
bool readBudgetAmounts(const BudgetFieldTexts& texts, DesignParameters& p,
                       std::vector<std::string>* corrections = nullptr);

// Chooses all combinations within ranges and reads their fields into p in the same way: numbers
// of groups at least 1 and the largest at least the smallest, group sizes and step as for the
// budget. Fallbacks: 5 and 50 groups, group sizes and step 5. Returns false when some text was
// not a number.
bool readRangeAmounts(const RangeFieldTexts& texts, DesignParameters& p,
                      std::vector<std::string>* corrections = nullptr);

// (MinGroupSize + CostParameter) * MinGroups, the cost of the smallest design the budget must
// allow, exact for any 32-bit fields (beyond the 64-bit range it saturates).
std::int64_t budgetFloor(const DesignParameters& p);

}  // namespace tavi
