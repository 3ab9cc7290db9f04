#include "engine/power/DegreesOfFreedom.h"

#include "engine/Coefficients.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tavi {

DegreesOfFreedom::DegreesOfFreedom(const EngineState& e)
    : m_kw(e.LenW3 - 1), m_p1(e.k1 + std::int64_t{e.nRandom - 1} * e.LenW3) {
    for (const Coefficient& coefficient : coefficientsOf(e.k1, e.nRandom, e.LenW3)) {
        // A slope without variance is the same in every group, so it and its interactions
        // are estimated from the level-1 units like a fixed-only variable's.
        const bool fixedSlope =
            coefficient.slope >= 1 && e.Tau2(coefficient.slope + 1, coefficient.slope + 1) == 0.0;
        const bool within = coefficient.kind == CoefficientKind::Fixed || fixedSlope;
        m_entries.push_back({{within ? Rule::Within : Rule::Between, 0.0}});
    }
}

void DegreesOfFreedom::give(int i, double df) {
    m_entries[i] = {{Rule::Given, df}};
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

double DegreesOfFreedom::at(int i, std::int64_t planned, std::int64_t n) const {
    const std::int64_t N =
        m_groupsKept < 1.0
            ? static_cast<std::int64_t>(std::floor(static_cast<double>(planned) * m_groupsKept))
            : planned;
    double smallest = std::numeric_limits<double>::infinity();
    for (const Part& part : m_entries[i]) {
        switch (part.rule) {
            case Rule::Between:
                smallest = std::min(smallest, static_cast<double>(N - m_kw - 1));
                break;
            case Rule::Within:
                smallest = std::min(smallest, static_cast<double>(N * n - N - m_p1));
                break;
            case Rule::Given:
                smallest = std::min(smallest, part.given);
                break;
        }
    }
    return smallest;
}

std::string DegreesOfFreedom::partText(const Part& part) const {
    switch (part.rule) {
        case Rule::Between:
            return "N - " + std::to_string(m_kw + 1);
        case Rule::Within:
            return "N*n - N - " + std::to_string(m_p1);
        case Rule::Given:
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
