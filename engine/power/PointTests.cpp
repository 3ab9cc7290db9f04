#include "engine/power/PointTests.h"

#include <cmath>
#include <limits>

namespace tavi {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Enough for every df of a sweep of common size; beyond it the tests are set up anew.
constexpr std::size_t kMostKeptTests = 100000;

// A t test, or an F test with numeratorDf above 0.
std::variant<TTest, FTest> makeTest(double numeratorDf, double df, const TestSettings& settings) {
    if (numeratorDf > 0.0) {
        return FTest(numeratorDf, df, settings);
    }
    return TTest(df, settings);
}

}  // namespace

PointTests::PointTests(const TestSettings& settings, DegreesOfFreedom df,
                       std::vector<std::optional<double>> effects, std::vector<double> numeratorDf)
    : m_settings(settings),
      m_df(std::move(df)),
      m_effects(std::move(effects)),
      m_numeratorDf(std::move(numeratorDf)) {}

bool PointTests::testable(int coefficient, const SweepPoint& point, double se) const {
    return point.N >= 1 && !std::isnan(se) && m_df.at(coefficient, point) >= 1.0;
}

PointTests::Test& PointTests::testOf(int coefficient, double df) {
    const TestKey key{m_numeratorDf.empty() ? 0.0 : m_numeratorDf[coefficient], df};
    if (m_lastTest == nullptr || !(key == m_lastKey)) {
        auto found = m_tests.find(key);
        if (found == m_tests.end()) {
            if (m_tests.size() >= kMostKeptTests) {
                m_tests.clear();
            }
            found =
                m_tests.emplace(key, Test{makeTest(key.numeratorDf, df, m_settings), std::nullopt})
                    .first;
        }
        m_lastKey = key;
        m_lastTest = &found->second;
    }
    return *m_lastTest;
}

PointTests::Test* PointTests::testAt(int coefficient, const SweepPoint& point, double se) {
    if (!testable(coefficient, point, se)) {
        return nullptr;
    }
    return &testOf(coefficient, m_df.at(coefficient, point));
}

double PointTests::exactMultiplier(int coefficient, double df) {
    Test& test = testOf(coefficient, df);
    if (!test.exactMultiplier) {
        test.exactMultiplier =
            std::visit([](const auto& t) { return t.exactMultiplier(); }, test.test);
    }
    return *test.exactMultiplier;
}

double PointTests::exactMultiplier(int coefficient, double df, double power) const {
    TestSettings reach = m_settings;
    reach.power = power;
    const double numeratorDf = m_numeratorDf.empty() ? 0.0 : m_numeratorDf[coefficient];
    return std::visit([](const auto& t) { return t.exactMultiplier(); },
                      makeTest(numeratorDf, df, reach));
}

PointTest PointTests::at(int coefficient, const SweepPoint& point, double se, bool exactMdes) {
    PointTest result{m_df.at(coefficient, point), kNaN, kNaN, kNaN};
    Test* test = testAt(coefficient, point, se);
    if (test == nullptr) {
        return result;
    }
    // An F test has no MDES by the field's convention.
    if (const TTest* t = std::get_if<TTest>(&test->test)) {
        result.mdes = t->mdesMultiplier() * se;
    }
    if (m_effects[coefficient]) {
        const double noncentrality = *m_effects[coefficient] / se;
        result.power =
            std::visit([&](const auto& t) { return t.power(noncentrality); }, test->test);
    }
    if (exactMdes) {
        result.mdesExact = exactMultiplier(coefficient, result.df) * se;
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
    const double power =
        std::visit([&](const auto& t) { return t.power(noncentrality); }, test->test);
    return power >= m_settings.power;
}

}  // namespace tavi
