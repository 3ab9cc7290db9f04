#include "engine/Coefficients.h"
#include "engine/power/DegreesOfFreedom.h"
#include "engine/power/SweepTable.h"
#include "tests/engine/RandomDesign.h"
#include "tests/engine/ThreeLevelDesigns.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace tavi {
namespace {

using S = SlopeVariation;

NestedModel modelWith(const std::vector<S>& level1, const std::vector<S>& level2, int p3) {
    NestedModel m = test::modelWithSlopes(level1, level2, p3);
    m.Tau2(1, 1) = 0.1;
    m.Tau3(1, 1) = 0.05;
    return m;
}

// Each coefficient's df at K sites of J groups of n, by name; names v0, v1, ... in order.
std::map<std::string, std::string> rulesOf(const NestedModel& m) {
    const std::vector<std::string> names = test::numberedNames(m);
    const DegreesOfFreedom df = DegreesOfFreedom(m);
    std::map<std::string, std::string> rules;
    const std::vector<Coefficient> coefficients = coefficientsOf(m, names);
    for (std::size_t c = 0; c < coefficients.size(); ++c) {
        rules[coefficients[c].name] = df.ruleText(static_cast<int>(c));
    }
    return rules;
}

TEST(DegreesOfFreedom, EstimatesEachCoefficientWhereItsSlopeVaries) {
    // v0 fixed, v1 varies at 2, v2 at 3, v3 at both but with no variance at 3; v4 fixed, v5
    // varies at 3, v6 at 3 with no variance there; v7, v8 at level 3.
    NestedModel m = modelWith({S::None, S::Level2, S::Level3, S::Levels2And3},
                              {S::None, S::Level3, S::Level3}, 2);
    m.Tau2(2, 2) = 0.02;  // v1
    m.Tau2(3, 3) = 0.02;  // v3
    m.Tau3(2, 2) = 0.01;  // v2
    m.Tau3(4, 4) = 0.01;  // v5
    const std::map<std::string, std::string> rules = rulesOf(m);
    // The intercept's equation at level 3: itself and the level-3 variables.
    for (const char* name : {"intercept", "v7", "v8"}) {
        EXPECT_EQ(rules.at(name), "K - 3") << name;
    }
    // Its equation at level 2: the level-2 variables whose slopes do not vary, with their
    // interactions.
    for (const char* name : {"v4", "v6", "v6:v7", "v6:v8"}) {
        EXPECT_EQ(rules.at(name), "K*J - K - 4") << name;
    }
    for (const char* name : {"v1", "v1:v4", "v1:v5", "v1:v6"}) {
        EXPECT_EQ(rules.at(name), "K*J - K - 4") << name;
    }
    for (const char* name : {"v2", "v2:v7", "v2:v8", "v5", "v5:v7", "v5:v8"}) {
        EXPECT_EQ(rules.at(name), "K - 3") << name;
    }
    for (const char* name : {"v3", "v3:v4", "v3:v7"}) {
        EXPECT_EQ(rules.at(name), "K*J - K - 6") << name;
    }
    // Within groups: every coefficient of a level-1 variable counts, as for two levels.
    EXPECT_EQ(rules.at("v0"), "K*J*n - K*J - 14");
    const DegreesOfFreedom df = DegreesOfFreedom(m);
    EXPECT_EQ(df.at(1, SweepPoint{30, 10, 0, 5}), 30 * 5 * 10 - 30 * 5 - 14);
}

TEST(DegreesOfFreedom, TwoLevelsFollowTheBetweenWithinRules) {
    test::FileDesign d;  // k = 3 with one fixed-only variable, kw = 2; slope 2 has no variance
    d.k = 3;
    d.k1 = 1;
    d.kw = 2;
    d.tau = {{0.2, 0, 0}, {0, 0.1, 0}, {0, 0, 0}};
    d.within = d.between = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    d.means1 = {0};
    d.means2 = {0, 0};
    DegreesOfFreedom df(test::asDesign(d).model);
    // Fixed1 Const Group1 Group2 Random1 CrossL1_1 CrossL1_2 Random2 CrossL2_1 CrossL2_2:
    // between N - 3 = 27, within N*n - N - (1 + 2 * 3) = 263.
    const double expected[] = {263, 27, 27, 27, 27, 27, 27, 263, 263, 263};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(df.at(i, 30, 10), expected[i]) << i;
    }
    df.give(1, 5.5);
    EXPECT_EQ(df.at(1, 30, 10), 5.5);
}

}  // namespace
}  // namespace tavi
