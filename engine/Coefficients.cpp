#include "engine/Coefficients.h"

#include <numeric>

namespace tavi {

namespace {

// The coefficients of a two-level design in its report's order: fixed holds the variables of
// the fixed-only level-1 slopes, random those of the random ones, and the level-2 variables are
// firstLevel2.. firstLevel2 + kw - 1.
std::vector<Coefficient> twoLevelCoefficients(const std::vector<std::int32_t>& fixed,
                                              const std::vector<std::int32_t>& random,
                                              std::int32_t firstLevel2, std::int32_t kw) {
    std::vector<Coefficient> coefficients;
    for (std::int32_t i = 1; i <= static_cast<std::int32_t>(fixed.size()); ++i) {
        coefficients.push_back(
            {CoefficientKind::Fixed, 0, i, "Fixed" + std::to_string(i), {fixed[i - 1], -1}});
    }
    coefficients.push_back({CoefficientKind::Const, 0, 0, "Const", {-1, -1}});
    for (std::int32_t s = 1; s <= kw; ++s) {
        coefficients.push_back(
            {CoefficientKind::Group, 0, s, "Group" + std::to_string(s), {firstLevel2 + s - 1, -1}});
    }
    for (std::int32_t j = 1; j <= static_cast<std::int32_t>(random.size()); ++j) {
        const std::int32_t x = random[j - 1];
        coefficients.push_back(
            {CoefficientKind::Random, j, 0, "Random" + std::to_string(j), {x, -1}});
        for (std::int32_t s = 1; s <= kw; ++s) {
            coefficients.push_back({CoefficientKind::CrossL,
                                    j,
                                    s,
                                    "CrossL" + std::to_string(j) + "_" + std::to_string(s),
                                    {x, firstLevel2 + s - 1}});
        }
    }
    return coefficients;
}

std::vector<Coefficient> twoLevelCoefficients(const NestedModel& m) {
    std::vector<std::int32_t> fixed;
    std::vector<std::int32_t> random;
    for (std::int32_t x = 0; x < m.p1; ++x) {
        (variesAtLevel2(m.slope1[x]) ? random : fixed).push_back(x);
    }
    return twoLevelCoefficients(fixed, random, m.p1, m.p2);
}

// The intercept; the main effects of the level-1, level-2 and level-3 variables in turn; then,
// for each variable whose slope varies (level 1, then level 2, in order), its interactions with
// every level-2 variable when it varies at level 2 and with every level-3 variable when it
// varies at level 3.
std::vector<DesignTerm> termsByLevel(const NestedModel& m) {
    const std::int32_t variables = m.p1 + m.p2 + m.p3;
    const std::int32_t firstLevel2 = m.p1;
    const std::int32_t firstLevel3 = m.p1 + m.p2;
    std::vector<DesignTerm> terms = {{-1, -1}};
    for (std::int32_t v = 0; v < variables; ++v) {
        terms.push_back({v, -1});
    }
    for (std::int32_t slope = 0; slope < firstLevel3; ++slope) {
        const SlopeVariation variation = slopeOf(m, slope);
        if (levelOf(m, slope) == 1 && variesAtLevel2(variation)) {
            for (std::int32_t w = firstLevel2; w < firstLevel3; ++w) {
                terms.push_back({slope, w});
            }
        }
        if (variesAtLevel3(variation)) {
            for (std::int32_t v = firstLevel3; v < variables; ++v) {
                terms.push_back({slope, v});
            }
        }
    }
    return terms;
}

CoefficientKind kindOf(const NestedModel& m, const DesignTerm& term) {
    if (term.first < 0) {
        return CoefficientKind::Const;
    }
    if (term.second >= 0) {
        return CoefficientKind::CrossL;
    }
    if (slopeOf(m, term.first) != SlopeVariation::None) {
        return CoefficientKind::Random;
    }
    return levelOf(m, term.first) == 1 ? CoefficientKind::Fixed : CoefficientKind::Group;
}

}  // namespace

std::vector<DesignTerm> designTerms(const NestedModel& m) {
    if (m.levels == 3) {
        return termsByLevel(m);
    }
    std::vector<DesignTerm> terms;
    for (const Coefficient& coefficient : twoLevelCoefficients(m)) {
        terms.push_back(coefficient.term);
    }
    return terms;
}

std::vector<Coefficient> coefficientsOf(const NestedModel& m,
                                        const std::vector<std::string>& names) {
    if (m.levels != 3) {
        return twoLevelCoefficients(m);
    }
    std::vector<Coefficient> coefficients;
    for (const DesignTerm& term : termsByLevel(m)) {
        std::string name = term.first < 0 ? "intercept" : names[term.first];
        if (term.second >= 0) {
            name.append(":").append(names[term.second]);
        }
        coefficients.push_back({kindOf(m, term), 0, 0, std::move(name), term});
    }
    return coefficients;
}

std::vector<Coefficient> coefficientsOf(std::int32_t k1, std::int32_t nRandom, std::int32_t LenW3) {
    std::vector<std::int32_t> fixed(static_cast<std::size_t>(k1));
    std::vector<std::int32_t> random(static_cast<std::size_t>(nRandom - 1));
    std::iota(fixed.begin(), fixed.end(), 0);
    std::iota(random.begin(), random.end(), k1);
    return twoLevelCoefficients(fixed, random, k1 + nRandom - 1, LenW3 - 1);
}

std::string coefficientTitle(const NestedModel& m, const Coefficient& coefficient) {
    if (m.levels == 3) {
        return coefficient.name;
    }
    const std::string variable = std::to_string(coefficient.variable);
    const std::string slope = std::to_string(coefficient.slope);
    const std::string x = std::to_string(coefficient.term.first + 1);
    std::string title;
    switch (coefficient.kind) {
        case CoefficientKind::Fixed:
            title.append("Fixed ").append(variable).append(": x").append(x);
            title.append(", fixed effect only");
            break;
        case CoefficientKind::Const:
            title = "Const: intercept";
            break;
        case CoefficientKind::Group:
            title.append("Group ").append(variable).append(": level-2 variable ").append(variable);
            break;
        case CoefficientKind::Random:
            title.append("Random ").append(slope).append(": slope of x").append(x);
            break;
        case CoefficientKind::CrossL:
            title.append("Cross-L ").append(slope).append(",").append(variable);
            title.append(": slope of x").append(x).append(" x w").append(variable);
            break;
    }
    return title;
}

}  // namespace tavi
