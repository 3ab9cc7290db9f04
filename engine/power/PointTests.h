// The tests of every coefficient at sample-size points: degrees of freedom, both MDES and, for
// coefficients with an effect, the power. Each df's test is set up once, since the same few df
// recur across many points and coefficients.
#pragma once

#include "engine/power/DegreesOfFreedom.h"
#include "engine/power/SweepTable.h"
#include "engine/power/TestPower.h"

#include <optional>
#include <unordered_map>
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
    // effects: per coefficient, its true value when the user gave one.
    PointTests(const TestSettings& settings, DegreesOfFreedom df,
               std::vector<std::optional<double>> effects);

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

    // TTest::exactMultiplier at df (at least 1), computed once for each df.
    double exactMultiplier(double df);

private:
    struct Test {
        TTest test;
        std::optional<double> exactMultiplier;
    };

    // The test at df, set up on first use.
    Test& testOf(double df);
    // The test of coefficient at point with se, or nullptr when no test is possible there.
    Test* testAt(int coefficient, const SweepPoint& point, double se);

    TestSettings m_settings;
    DegreesOfFreedom m_df;
    std::vector<std::optional<double>> m_effects;
    // Searches over many group sizes meet a new df at nearly every point; the tests kept are
    // bounded so that memory does not grow with them.
    std::unordered_map<double, Test> m_tests;
    // Neighbouring coefficients and points mostly share their df.
    double m_lastDf = 0.0;
    Test* m_lastTest = nullptr;
};

}  // namespace tavi
