#include "engine/power/ThreeLevelDf.h"

#include "engine/ThreeLevelCoefficients.h"

#include <vector>

namespace tavi {

namespace {

// The slope whose equation a coefficient is in (-1: the intercept's), and the highest level at
// which its moderator lets it be estimated.
struct Equation {
    std::int32_t slope;
    int highestLevel;
};

// Whether the slope of variable v (-1: the intercept) varies at level with a variance above 0.
bool varies(const ThreeLevelModel& m, std::int32_t v, int level) {
    const Matrix& tau = level == 2 ? m.Tau2 : m.Tau3;
    const std::int32_t index = v < 0        ? 1
                               : level == 2 ? level2EffectIndex(m, v)
                                            : level3EffectIndex(m, v);
    return index > 0 && tau(index, index) > 0.0;
}

Equation equationOf(const ThreeLevelModel& m, const ThreeLevelTerm& term) {
    if (term.first < 0 || levelOf(m, term.first) == 3) {
        return {-1, 3};
    }
    if (levelOf(m, term.first) == 2 && !varies(m, term.first, 3)) {
        // A level-2 variable whose slope is the same in every site, alone or times a level-3
        // variable, is a group-level predictor in the intercept's equation.
        return {-1, 2};
    }
    return {term.first, term.second < 0 ? 3 : levelOf(m, term.second)};
}

int estimationLevel(const ThreeLevelModel& m, const Equation& equation) {
    for (int level = equation.highestLevel; level >= 2; --level) {
        if (varies(m, equation.slope, level)) {
            return level;
        }
    }
    return 1;
}

}  // namespace

DegreesOfFreedom threeLevelDegreesOfFreedom(const ThreeLevelModel& m) {
    const std::vector<ThreeLevelTerm> terms = threeLevelTerms(m);
    std::vector<Equation> equations;
    std::vector<int> levels;
    std::int64_t level1Coefficients = 0;
    for (const ThreeLevelTerm& term : terms) {
        equations.push_back(equationOf(m, term));
        levels.push_back(estimationLevel(m, equations.back()));
        level1Coefficients += term.first >= 0 && levelOf(m, term.first) == 1 ? 1 : 0;
    }
    std::vector<DegreesOfFreedom::LevelRule> rules;
    for (std::size_t c = 0; c < terms.size(); ++c) {
        std::int64_t estimated = 0;
        for (std::size_t other = 0; other < terms.size(); ++other) {
            estimated +=
                levels[other] == levels[c] && equations[other].slope == equations[c].slope ? 1 : 0;
        }
        rules.push_back({levels[c], levels[c] == 1 ? level1Coefficients : estimated});
    }
    return DegreesOfFreedom(rules);
}

}  // namespace tavi
