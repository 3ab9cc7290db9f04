// The derivative-free search against closed forms: a quadratic whose minimum lies beyond a
// lower and an upper bound ends on them, and an exception from the function comes through NLopt's C
// code.

#include "engine/simulation/BoundedSearch.h"

#include <gtest/gtest.h>
#include <limits>
#include <stdexcept>

namespace tavi {
namespace {

using Eigen::VectorXd;

TEST(BoundedSearch, EndsOnTheBoundWhereTheMinimumLiesBeyondIt) {
    // (x0 + 1)^2 + (x1 - 2)^2 + (x2 - 0.5)^2 with x0 >= 0 and x1 <= 1.5: the minimum is
    // (0, 1.5, 0.5).
    constexpr double kNone = std::numeric_limits<double>::infinity();
    VectorXd x = VectorXd::Constant(3, 0.3);
    const VectorXd lower{{0.0, -kNone, -kNone}};
    const VectorXd upper{{kNone, 1.5, kNone}};
    const auto f = [](const VectorXd& v) {
        return (v(0) + 1) * (v(0) + 1) + (v(1) - 2) * (v(1) - 2) + (v(2) - 0.5) * (v(2) - 0.5);
    };
    ASSERT_TRUE(minimiseWithinBounds(f, x, lower, upper, {0.1, 0.0, 1e-10, 1000}));
    EXPECT_EQ(x(0), 0.0);
    EXPECT_EQ(x(1), 1.5);
    EXPECT_NEAR(x(2), 0.5, 1e-8);
}

TEST(BoundedSearch, PassesOnAnExceptionOfTheFunction) {
    VectorXd x = VectorXd::Zero(3);
    int calls = 0;
    const auto f = [&calls](const VectorXd& v) {
        if (++calls == 5) {
            throw std::runtime_error("stopped");
        }
        return v.squaredNorm();
    };
    EXPECT_THROW(minimiseWithinBounds(f, x, VectorXd::Constant(3, -1.0), VectorXd::Constant(3, 1.0),
                                      {0.1, 0.0, 1e-10, 1000}),
                 std::runtime_error);
    EXPECT_EQ(calls, 5);
}

}  // namespace
}  // namespace tavi
