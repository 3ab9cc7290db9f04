#include "engine/power/PointTests.h"

#include <cmath>
#include <limits>

namespace tavi {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Enough for every df of a sweep of common size; beyond it the tests are set up anew.
constexpr std::size_t kMostKeptTests = 100000;

}  // namespace

PointTests::PointTests(const TestSettings& settings, DegreesOfFreedom df,
                       std::vector<std::optional<double>> effects)
    : m_settings(settings), m_df(std::move(df)), m_effects(std::move(effects)) {}

bool PointTests::testable(int coefficient, const SweepPoint& point, double se) const {
    return point.N >= 1 && !std::isnan(se) && m_df.at(coefficient, point) >= 1.0;
}

PointTests::Test& PointTests::testOf(double df) {
    if (m_lastTest == nullptr || df != m_lastDf) {
        auto found = m_tests.find(df);
        if (found == m_tests.end()) {
            if (m_tests.size() >= kMostKeptTests) {
                m_tests.clear();
            }
            found = m_tests.emplace(df, Test{TTest(df, m_settings), std::nullopt}).first;
        }
        m_lastDf = df;
        m_lastTest = &found->second;
    }
    return *m_lastTest;
}

PointTests::Test* PointTests::testAt(int coefficient, const SweepPoint& point, double se) {
    if (!testable(coefficient, point, se)) {
        return nullptr;
    }
    return &testOf(m_df.at(coefficient, point));
}

double PointTests::exactMultiplier(double df) {
    Test& test = testOf(df);
    if (!test.exactMultiplier) {
        test.exactMultiplier = test.test.exactMultiplier();
    }
    return *test.exactMultiplier;
}

PointTest PointTests::at(int coefficient, const SweepPoint& point, double se, bool exactMdes) {
    PointTest result{m_df.at(coefficient, point), kNaN, kNaN, kNaN};
    Test* test = testAt(coefficient, point, se);
    if (test == nullptr) {
        return result;
    }
    result.mdes = test->test.mdesMultiplier() * se;
    if (m_effects[coefficient]) {
        result.power = test->test.power(*m_effects[coefficient] / se);
    }
    if (exactMdes) {
        result.mdesExact = exactMultiplier(result.df) * se;
    }
    return result;
}

bool PointTests::reachesTarget(int coefficient, const SweepPoint& point, double se) {
    Test* test = m_effects[coefficient] ? testAt(coefficient, point, se) : nullptr;
    if (test == nullptr) {
        return false;
    }
    const double noncentrality = *m_effects[coefficient] / se;
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
