#include "engine/ThreeLevelCoefficients.h"

namespace tavi {

namespace {

CoefficientKind kindOf(const ThreeLevelModel& m, const ThreeLevelTerm& term) {
    if (term.first < 0) {
        return CoefficientKind::Const;
    }
    if (term.second >= 0) {
        return CoefficientKind::CrossL;
    }
    const bool varies = slopeOf(m, term.first) != SlopeVariation::None;
    if (varies) {
        return CoefficientKind::Random;
    }
    return levelOf(m, term.first) == 1 ? CoefficientKind::Fixed : CoefficientKind::Group;
}

}  // namespace

std::vector<ThreeLevelTerm> threeLevelTerms(const ThreeLevelModel& m) {
    const std::int32_t variables = m.p1 + m.p2 + m.p3;
    const std::int32_t firstLevel2 = m.p1;
    const std::int32_t firstLevel3 = m.p1 + m.p2;
    std::vector<ThreeLevelTerm> terms = {{-1, -1}};
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

std::vector<Coefficient> threeLevelCoefficients(const ThreeLevelModel& m,
                                                const std::vector<std::string>& names) {
    std::vector<Coefficient> coefficients;
    for (const ThreeLevelTerm& term : threeLevelTerms(m)) {
        std::string name = term.first < 0 ? "intercept" : names[term.first];
        if (term.second >= 0) {
            name.append(":").append(names[term.second]);
        }
        coefficients.push_back({kindOf(m, term), 0, 0, std::move(name)});
    }
    return coefficients;
}

}  // namespace tavi
