// The tests of every coefficient at sample-size points: degrees of freedom, both MDES and, for
// coefficients with an effect, the power. Each df's test is set up once, since the same few df
// recur across many points and coefficients. The columns may also be F tests, each with its
// numerator df, whose noncentrality's square root takes the place of effect / SE.
#pragma once

#include "engine/power/DegreesOfFreedom.h"
#include "engine/power/FTestPower.h"
#include "engine/power/SweepTable.h"
#include "engine/power/TestPower.h"

#include <optional>
#include <unordered_map>
#include <variant>
#include <vector>

namespace tavi {

// One coefficient at one point. NaN marks what is not available: every value but df when no
// test is possible (no standard error, no groups or df below 1), power when no effect is given.
struct PointTest {
    double df;
    double mdes;
    double mdesExact;
    double power;
};

class PointTests {
public:
    // effects: per coefficient, its true value when the user gave one. numeratorDf: empty for
    // t tests, else per column the numerator df of its F test.
    PointTests(const TestSettings& settings, DegreesOfFreedom df,
               std::vector<std::optional<double>> effects, std::vector<double> numeratorDf = {});

    const TestSettings& settings() const { return m_settings; }
    const DegreesOfFreedom& degreesOfFreedom() const { return m_df; }
    const std::optional<double>& effect(int coefficient) const { return m_effects[coefficient]; }

    // Whether coefficient can be tested at point with standard error se (NaN: none there): the
    // point has groups, a standard error and df of at least 1.
    bool testable(int coefficient, const SweepPoint& point, double se) const;

    // Everything about coefficient at point with standard error se. Without exactMdes,
    // mdesExact is left NaN, which spares the root search that the exact MDES needs at every
    // new df.
    PointTest at(int coefficient, const SweepPoint& point, double se, bool exactMdes = true);
    PointTest at(const SweepTable& table, std::size_t i, int coefficient, bool exactMdes = true) {
        return at(coefficient, table.point(i), table.se(i, coefficient), exactMdes);
    }

    // Whether the power of coefficient's test at point with standard error se reaches the
    // target; false without an effect or a test. Decided by the exact MDES where this df's is
    // known and the effect is not within rounding of it, otherwise from the power itself.
    bool reachesTarget(int coefficient, const SweepPoint& point, double se);
    bool reachesTarget(const SweepTable& table, std::size_t i, int coefficient) {
        return reachesTarget(coefficient, table.point(i), table.se(i, coefficient));
    }

    // The exact multiplier (TTest's or FTest's) of coefficient's test at df (at least 1),
    // computed once for each df.
    double exactMultiplier(int coefficient, double df);

    // The same for the target power instead of the settings' one, computed anew.
    double exactMultiplier(int coefficient, double df, double power) const;

private:
    struct Test {
        std::variant<TTest, FTest> test;
        std::optional<double> exactMultiplier;
    };
    struct TestKey {
        double numeratorDf;  // 0 for a t test
        double df;

        bool operator==(const TestKey&) const = default;
    };
    struct TestKeyHash {
        std::size_t operator()(const TestKey& key) const {
            return std::hash<double>()(key.df) ^ (std::hash<double>()(key.numeratorDf) << 1);
        }
    };

    // The test of coefficient at df, set up on first use.
    Test& testOf(int coefficient, double df);
    // The test of coefficient at point with se, or nullptr when no test is possible there.
    Test* testAt(int coefficient, const SweepPoint& point, double se);

    TestSettings m_settings;
    DegreesOfFreedom m_df;
    std::vector<std::optional<double>> m_effects;
    std::vector<double> m_numeratorDf;
    // Searches over many group sizes meet a new df at nearly every point; the tests kept are
    // bounded so that memory does not grow with them.
    std::unordered_map<TestKey, Test, TestKeyHash> m_tests;
    // Neighbouring coefficients and points mostly share their df.
    TestKey m_lastKey{0.0, 0.0};
    Test* m_lastTest = nullptr;
};

}  // namespace tavi
