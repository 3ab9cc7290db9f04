#include "engine/power/DegreesOfFreedom.h"

#include "engine/Coefficients.h"

#include <cmath>

namespace tavi {

DegreesOfFreedom::DegreesOfFreedom(const EngineState& e)
    : m_kw(e.LenW3 - 1), m_p1(e.k1 + std::int64_t{e.nRandom - 1} * e.LenW3) {
    for (const Coefficient& coefficient : coefficientsOf(e.k1, e.nRandom, e.LenW3)) {
        // A slope without variance is the same in every group, so it and its interactions
        // are estimated from the level-1 units like a fixed-only variable's.
        const bool fixedSlope =
            coefficient.slope >= 1 && e.Tau2(coefficient.slope + 1, coefficient.slope + 1) == 0.0;
        const bool within = coefficient.kind == CoefficientKind::Fixed || fixedSlope;
        m_entries.push_back({within ? Rule::Within : Rule::Between, 0.0});
    }
}

void DegreesOfFreedom::give(int i, double df) {
    m_entries[i] = {Rule::Given, df};
}

double DegreesOfFreedom::at(int i, std::int64_t planned, std::int64_t n) const {
    const std::int64_t N =
        m_groupsKept < 1.0
            ? static_cast<std::int64_t>(std::floor(static_cast<double>(planned) * m_groupsKept))
            : planned;
    switch (m_entries[i].rule) {
        case Rule::Between:
            return static_cast<double>(N - m_kw - 1);
        case Rule::Within:
            return static_cast<double>(N * n - N - m_p1);
        case Rule::Given:
            break;
    }
    return m_entries[i].given;
}

std::string DegreesOfFreedom::ruleText(int i) const {
    switch (m_entries[i].rule) {
        case Rule::Between:
            return "N - " + std::to_string(m_kw + 1);
        case Rule::Within:
            return "N*n - N - " + std::to_string(m_p1);
        case Rule::Given:
            break;
    }
    return "given";
}

}  // namespace tavi
