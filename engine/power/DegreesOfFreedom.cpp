#include "engine/power/DegreesOfFreedom.h"

#include "engine/Coefficients.h"
#include "engine/power/SweepTable.h"

#include <algorithm>
#include <cmath>
#include <limits>

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
            {{within ? LevelRule{kWithinGroups, p1} : LevelRule{kBetweenGroups, kw + 1}, 0.0}});
    }
}

DegreesOfFreedom::DegreesOfFreedom(const std::vector<LevelRule>& rules) : m_threeLevel(true) {
    for (const LevelRule& rule : rules) {
        m_entries.push_back({{rule, 0.0}});
    }
}

void DegreesOfFreedom::give(int i, double df) {
    m_entries[i] = {{{0, 0}, df}};
}

DegreesOfFreedom::Entry DegreesOfFreedom::smallestEntryOf(const std::vector<int>& members) const {
    Entry entry;
    for (const int member : members) {
        for (const Part& part : m_entries[member]) {
            if (std::find(entry.begin(), entry.end(), part) == entry.end()) {
                entry.push_back(part);
            }
        }
    }
    return entry;
}

void DegreesOfFreedom::addSmallestOf(const std::vector<int>& members) {
    m_entries.push_back(smallestEntryOf(members));
}

DegreesOfFreedom DegreesOfFreedom::smallestOf(const std::vector<std::vector<int>>& groups) const {
    DegreesOfFreedom result = *this;
    result.m_entries.clear();
    for (const std::vector<int>& group : groups) {
        result.m_entries.push_back(smallestEntryOf(group));
    }
    return result;
}

double DegreesOfFreedom::at(int i, std::int64_t N, std::int64_t n) const {
    return at(i, SweepPoint{static_cast<std::int32_t>(N), static_cast<std::int32_t>(n)});
}

double DegreesOfFreedom::at(int i, const SweepPoint& point) const {
    // Two levels are three with one group per site.
    const std::int64_t top =
        m_groupsKept < 1.0
            ? static_cast<std::int64_t>(std::floor(static_cast<double>(point.N) * m_groupsKept))
            : point.N;
    const std::int64_t groups = top * (point.J > 0 ? point.J : 1);
    double smallest = std::numeric_limits<double>::infinity();
    for (const Part& part : m_entries[i]) {
        const std::int64_t estimated = part.rule.estimated;
        switch (part.rule.level) {
            case 3:
                smallest = std::min(smallest, static_cast<double>(top - estimated));
                break;
            case 2:
                smallest = std::min(smallest, static_cast<double>(groups - top - estimated));
                break;
            case 1:
                smallest =
                    std::min(smallest, static_cast<double>(groups * point.n - groups - estimated));
                break;
            default:
                smallest = std::min(smallest, part.given);
                break;
        }
    }
    return smallest;
}

std::string DegreesOfFreedom::partText(const Part& part) const {
    const std::string estimated = " - " + std::to_string(part.rule.estimated);
    switch (part.rule.level) {
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

std::string DegreesOfFreedom::ruleText(int i) const {
    std::vector<std::string> texts;
    for (const Part& part : m_entries[i]) {
        std::string text = partText(part);
        if (std::find(texts.begin(), texts.end(), text) == texts.end()) {
            texts.push_back(std::move(text));
        }
    }
    if (texts.size() == 1) {
        return texts.front();
    }
    std::string text = "the smallest of ";
    for (std::size_t k = 0; k < texts.size(); ++k) {
        text += (k == 0 ? "" : k + 1 == texts.size() ? " and " : ", ") + texts[k];
    }
    return text;
}

}  // namespace tavi
