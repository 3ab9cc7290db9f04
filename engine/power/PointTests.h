// The tests of every coefficient at the points of a SweepTable: degrees of freedom, both
// MDES and, for coefficients with an effect, the power. Each df's test is set up once, since
// the same few df recur across many points and coefficients.
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

    // Everything about coefficient at point i of table. Without exactMdes, mdesExact is left
    // NaN, which spares the root search that the exact MDES needs at every new df.
    PointTest at(const SweepTable& table, std::size_t i, int coefficient, bool exactMdes = true);

    // Whether the power of coefficient's test at point i reaches the target; false without an
    // effect or a test. Decided by the exact MDES where this df's is known and the effect is
    // not within rounding of it, otherwise from the power itself.
    bool reachesTarget(const SweepTable& table, std::size_t i, int coefficient);

private:
    struct Test {
        TTest test;
        std::optional<double> exactMultiplier;
    };

    // The test at coefficient's df at point i, or nullptr when no test is possible there.
    Test* testAt(const SweepTable& table, std::size_t i, int coefficient);

    TestSettings m_settings;
    DegreesOfFreedom m_df;
    std::vector<std::optional<double>> m_effects;
    std::unordered_map<double, Test> m_tests;
    // Neighbouring coefficients and points mostly share their df.
    double m_lastDf = 0.0;
    Test* m_lastTest = nullptr;
};

}  // namespace tavi
