#include "engine/power/DegreesOfFreedom.h"

#include "engine/Coefficients.h"

#include <cmath>

namespace tavi {

namespace {

constexpr int kBetweenGroups = 3;
constexpr int kWithinGroups = 1;

}  // namespace

DegreesOfFreedom::DegreesOfFreedom(const EngineState& e) : m_threeLevel(false) {
    const std::int64_t kw = e.LenW3 - 1;
    const std::int64_t p1 = e.k1 + std::int64_t{e.nRandom - 1} * e.LenW3;
    for (const Coefficient& coefficient : coefficientsOf(e.k1, e.nRandom, e.LenW3)) {
        // A slope without variance is the same in every group, so it and its interactions
        // are estimated from the level-1 units like a fixed-only variable's.
        const bool fixedSlope =
            coefficient.slope >= 1 && e.Tau2(coefficient.slope + 1, coefficient.slope + 1) == 0.0;
        const bool within = coefficient.kind == CoefficientKind::Fixed || fixedSlope;
        m_entries.push_back(
            {within ? LevelRule{kWithinGroups, p1} : LevelRule{kBetweenGroups, kw + 1}, 0.0});
    }
}

DegreesOfFreedom::DegreesOfFreedom(const std::vector<LevelRule>& rules) : m_threeLevel(true) {
    for (const LevelRule& rule : rules) {
        m_entries.push_back({rule, 0.0});
    }
}

void DegreesOfFreedom::give(int i, double df) {
    m_entries[i] = {{0, 0}, df};
}

double DegreesOfFreedom::at(int i, std::int64_t N, std::int64_t n) const {
    return at(i, SweepPoint{static_cast<std::int32_t>(N), static_cast<std::int32_t>(n)});
}

double DegreesOfFreedom::at(int i, const SweepPoint& point) const {
    const Entry& entry = m_entries[i];
    // Two levels are three with one group per site.
    const std::int64_t top =
        m_groupsKept < 1.0
            ? static_cast<std::int64_t>(std::floor(static_cast<double>(point.N) * m_groupsKept))
            : point.N;
    const std::int64_t groups = top * (point.J > 0 ? point.J : 1);
    switch (entry.rule.level) {
        case 3:
            return static_cast<double>(top - entry.rule.estimated);
        case 2:
            return static_cast<double>(groups - top - entry.rule.estimated);
        case 1:
            return static_cast<double>(groups * point.n - groups - entry.rule.estimated);
        default:
            break;
    }
    return entry.given;
}

std::string DegreesOfFreedom::ruleText(int i) const {
    const LevelRule& rule = m_entries[i].rule;
    const std::string estimated = " - " + std::to_string(rule.estimated);
    switch (rule.level) {
        case 3:
            return (m_threeLevel ? "K" : "N") + estimated;
        case 2:
            return "K*J - K" + estimated;
        case 1:
            return (m_threeLevel ? "K*J*n - K*J" : "N*n - N") + estimated;
        default:
            break;
    }
    return "given";
}

}  // namespace tavi
