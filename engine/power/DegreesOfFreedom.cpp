#include "engine/power/DegreesOfFreedom.h"

#include "engine/Coefficients.h"
#include "engine/SampleSizes.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tavi {

namespace {

// The slope whose equation a coefficient is in (-1: the intercept's), and the highest level at
// which its moderator lets it be estimated.
struct Equation {
    std::int32_t slope;
    int highestLevel;
};

Equation equationOf(const NestedModel& m, const DesignTerm& term) {
    if (term.first < 0 || levelOf(m, term.first) == m.levels) {
        return {-1, m.levels};
    }
    if (levelOf(m, term.first) == 2 && !variesWithVariance(m, term.first, 3)) {
        // A level-2 variable whose slope is the same in every site, alone or times a level-3
        // variable, is a group-level predictor in the intercept's equation.
        return {-1, 2};
    }
    return {term.first, term.second < 0 ? m.levels : levelOf(m, term.second)};
}

int estimationLevel(const NestedModel& m, const Equation& equation) {
    for (int level = equation.highestLevel; level >= 2; --level) {
        if (variesWithVariance(m, equation.slope, level)) {
            return level;
        }
    }
    return 1;
}

}  // namespace

DegreesOfFreedom::DegreesOfFreedom(const NestedModel& m) : m_levels(m.levels) {
    const std::vector<DesignTerm> terms = designTerms(m);
    std::vector<Equation> equations;
    std::vector<int> levels;
    std::int64_t level1Coefficients = 0;
    for (const DesignTerm& term : terms) {
        equations.push_back(equationOf(m, term));
        levels.push_back(estimationLevel(m, equations.back()));
        level1Coefficients += term.first >= 0 && levelOf(m, term.first) == 1 ? 1 : 0;
    }
    for (std::size_t c = 0; c < terms.size(); ++c) {
        std::int64_t estimated = 0;
        for (std::size_t other = 0; other < terms.size(); ++other) {
            estimated +=
                levels[other] == levels[c] && equations[other].slope == equations[c].slope ? 1 : 0;
        }
        m_entries.push_back({{{levels[c], levels[c] == 1 ? level1Coefficients : estimated}, 0.0}});
    }
}

DegreesOfFreedom::DegreesOfFreedom(int levels, std::int32_t coefficients, LevelRule rule)
    : m_levels(levels), m_entries(static_cast<std::size_t>(coefficients), {{rule, 0.0}}) {}

DegreesOfFreedom degreesOfFreedomOf(const NestedDesign& d) {
    if (d.periods) {
        return {d.levels(), d.periods->coefficientCount(), {d.levels(), 2}};
    }
    DegreesOfFreedom df(d.model);
    df.loseGroups(d.unequal.groupDropout);
    return df;
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
    // The groups left of those planned; with two levels the groups are the top-level units.
    const std::int64_t planned = std::int64_t{point.N} * (m_levels == 3 ? point.J : 1);
    const std::int64_t groups =
        m_groupsKept < 1.0
            ? static_cast<std::int64_t>(std::floor(static_cast<double>(planned) * m_groupsKept))
            : planned;
    const std::int64_t top = m_levels == 3 ? point.N : groups;
    double smallest = std::numeric_limits<double>::infinity();
    for (const Part& part : m_entries[i]) {
        const std::int64_t estimated = part.rule.estimated;
        double df = part.given;
        if (part.rule.level == m_levels) {
            df = static_cast<double>(top - estimated);
        } else if (part.rule.level == 2) {
            df = static_cast<double>(groups - top - estimated);
        } else if (part.rule.level == 1) {
            df = static_cast<double>(groups * point.n - groups - estimated);
        }
        smallest = std::min(smallest, df);
    }
    return smallest;
}

std::string DegreesOfFreedom::partText(const Part& part) const {
    const std::string estimated = " - " + std::to_string(part.rule.estimated);
    const bool threeLevels = m_levels == 3;
    if (part.rule.level == m_levels) {
        return (threeLevels ? "K" : "N") + estimated;
    }
    if (part.rule.level == 2) {
        return "K*J - K" + estimated;
    }
    if (part.rule.level == 1) {
        return (threeLevels ? "K*J*n - K*J" : "N*n - N") + estimated;
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
