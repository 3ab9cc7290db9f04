// The value steps of the entry sequence and the rules the windows apply to what is entered.

#include "files/ValueSteps.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace tavi {

TEST(ValueSteps, OneStepPerBlockOfTheParameterFileInItsOrder) {
    // k = 3 with one fixed-only variable, two level-2 variables.
    const std::vector<ValueStep> steps = valueStepsFor(3, 1, 2);
    const std::vector<std::pair<DesignValue, int>> expected = {
        {DesignValue::Means1, 1},           {DesignValue::Means2, 2},
        {DesignValue::WithinCov, 3},        {DesignValue::BetweenCov, 3},
        {DesignValue::ResidualVariance, 1}, {DesignValue::Tau, 3}};
    ASSERT_EQ(steps.size(), expected.size());
    for (std::size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(steps[i].value, expected[i].first) << i;
        EXPECT_EQ(steps[i].order, expected[i].second) << i;
    }
    // Without variables only the two variances are asked for.
    EXPECT_EQ(valueStepsFor(0, 0, 0).size(), 2u);
}

TEST(ValueSteps, OnlyResidualVariancesAbove0AreKept) {
    EXPECT_EQ(keptResidualVariance(0.0), kSmallestResidualVariance);
    EXPECT_EQ(keptResidualVariance(-2.0), kSmallestResidualVariance);
    EXPECT_EQ(keptResidualVariance(std::nan("")), kSmallestResidualVariance);
    const double tiny = std::numeric_limits<double>::denorm_min();
    EXPECT_EQ(keptResidualVariance(tiny), tiny);
}

}  // namespace tavi
