// The value steps of the entry sequence and the rules the windows apply to what is entered.

#include "files/ValueSteps.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace tavi {

TEST(ValueSteps, GridNamesFollowTheOrderOfTheExplanation) {
    using Names = std::vector<std::string>;
    const std::vector<ValueStep> steps = valueStepsFor(3, 1, 2);
    EXPECT_EQ(steps[0].rowNames, Names{"x1 (fixed)"});
    EXPECT_EQ(steps[1].rowNames, (Names{"w1", "w2"}));
    EXPECT_EQ(steps[1].columnNames, Names{"mean"});
    const Names level1 = {"x1 (fixed)", "x2 (random slope)", "x3 (random slope)"};
    EXPECT_EQ(steps[2].rowNames, level1);
    EXPECT_EQ(steps[2].columnNames, level1);
    EXPECT_EQ(steps[3].columnNames, (Names{"w1", "w2", "mean of x1"}));
    EXPECT_EQ(steps[4].rowNames.size(), 1u);
    EXPECT_EQ(steps[5].rowNames, (Names{"intercept", "slope x2", "slope x3"}));
    // Every step names each of its rows, and each column of a matrix.
    for (const ValueStep& step : valueStepsFor(2, 2, 1)) {
        EXPECT_EQ(step.rowNames.size(),
                  std::size_t(step.shape == ValueShape::Single ? 1 : step.order));
        EXPECT_EQ(step.columnNames.size(),
                  std::size_t(step.shape == ValueShape::Matrix ? step.order : 1));
    }
}

TEST(ValueSteps, OnlyResidualVariancesAbove0AreKept) {
    EXPECT_EQ(keptResidualVariance(0.0), kSmallestResidualVariance);
    EXPECT_EQ(keptResidualVariance(-2.0), kSmallestResidualVariance);
    EXPECT_EQ(keptResidualVariance(std::nan("")), kSmallestResidualVariance);
    const double tiny = std::numeric_limits<double>::denorm_min();
    EXPECT_EQ(keptResidualVariance(tiny), tiny);
}

}  // namespace tavi
