#include "engine/Coefficients.h"

namespace tavi {

std::vector<Coefficient> coefficientsOf(std::int32_t k1, std::int32_t nRandom, std::int32_t LenW3) {
    std::vector<Coefficient> coefficients;
    for (std::int32_t i = 1; i <= k1; ++i) {
        coefficients.push_back({CoefficientKind::Fixed, 0, i, "Fixed" + std::to_string(i)});
    }
    coefficients.push_back({CoefficientKind::Const, 0, 0, "Const"});
    for (std::int32_t s = 1; s < LenW3; ++s) {
        coefficients.push_back({CoefficientKind::Group, 0, s, "Group" + std::to_string(s)});
    }
    for (std::int32_t j = 1; j < nRandom; ++j) {
        coefficients.push_back({CoefficientKind::Random, j, 0, "Random" + std::to_string(j)});
        for (std::int32_t s = 1; s < LenW3; ++s) {
            coefficients.push_back({CoefficientKind::CrossL, j, s,
                                    "CrossL" + std::to_string(j) + "_" + std::to_string(s)});
        }
    }
    return coefficients;
}

std::string coefficientTitle(const Coefficient& coefficient, std::int32_t k1) {
    const std::string variable = std::to_string(coefficient.variable);
    const std::string slope = std::to_string(coefficient.slope);
    // The random slopes belong to the level-1 variables after the fixed-only ones.
    const std::string x = std::to_string(k1 + coefficient.slope);
    std::string title;
    switch (coefficient.kind) {
        case CoefficientKind::Fixed:
            title.append("Fixed ").append(variable).append(": x").append(variable);
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
