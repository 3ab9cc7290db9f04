#include "engine/power/PointTests.h"

#include <cmath>
#include <limits>

namespace tavi {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

PointTests::PointTests(const TestSettings& settings, DegreesOfFreedom df,
                       std::vector<std::optional<double>> effects)
    : m_settings(settings), m_df(std::move(df)), m_effects(std::move(effects)) {}

PointTests::Test* PointTests::testAt(const SweepTable& table, std::size_t i, int coefficient) {
    const SweepPoint& point = table.point(i);
    const double df = m_df.at(coefficient, point.N, point.n);
    if (point.N < 1 || std::isnan(table.se(i, coefficient)) || !(df >= 1.0)) {
        return nullptr;
    }
    if (m_lastTest == nullptr || df != m_lastDf) {
        auto found = m_tests.find(df);
        if (found == m_tests.end()) {
            found = m_tests.emplace(df, Test{TTest(df, m_settings), std::nullopt}).first;
        }
        m_lastDf = df;
        m_lastTest = &found->second;
    }
    return m_lastTest;
}

PointTest PointTests::at(const SweepTable& table, std::size_t i, int coefficient, bool exactMdes) {
    const SweepPoint& point = table.point(i);
    PointTest result{m_df.at(coefficient, point.N, point.n), kNaN, kNaN, kNaN};
    Test* test = testAt(table, i, coefficient);
    if (test == nullptr) {
        return result;
    }
    if (exactMdes && !test->exactMultiplier) {
        test->exactMultiplier = test->test.exactMultiplier();
    }
    const double se = table.se(i, coefficient);
    result.mdes = test->test.mdesMultiplier() * se;
    if (exactMdes) {
        result.mdesExact = *test->exactMultiplier * se;
    }
    if (m_effects[coefficient]) {
        result.power = test->test.power(*m_effects[coefficient] / se);
    }
    return result;
}

bool PointTests::reachesTarget(const SweepTable& table, std::size_t i, int coefficient) {
    Test* test = m_effects[coefficient] ? testAt(table, i, coefficient) : nullptr;
    if (test == nullptr) {
        return false;
    }
    const double noncentrality = *m_effects[coefficient] / table.se(i, coefficient);
    if (test->exactMultiplier && !std::isnan(*test->exactMultiplier)) {
        // The root is bracketed far closer than this, and the power rises with the
        // noncentrality's magnitude.
        const double margin = *test->exactMultiplier * 1.0e-12;
        if (std::fabs(noncentrality) > *test->exactMultiplier + margin) {
            return true;
        }
        if (std::fabs(noncentrality) < *test->exactMultiplier - margin) {
            return false;
        }
    }
    return test->test.power(noncentrality) >= m_settings.power;
}

}  // namespace tavi
