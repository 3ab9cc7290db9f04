#include "engine/Coefficients.h"

namespace tavi {

std::vector<Coefficient> coefficientsOf(std::int32_t k1, std::int32_t nRandom, std::int32_t LenW3) {
    std::vector<Coefficient> coefficients;
    for (std::int32_t i = 1; i <= k1; ++i) {
        coefficients.push_back({CoefficientKind::Fixed, 0, "Fixed" + std::to_string(i)});
    }
    coefficients.push_back({CoefficientKind::Const, 0, "Const"});
    for (std::int32_t s = 1; s < LenW3; ++s) {
        coefficients.push_back({CoefficientKind::Group, 0, "Group" + std::to_string(s)});
    }
    for (std::int32_t j = 1; j < nRandom; ++j) {
        coefficients.push_back({CoefficientKind::Random, j, "Random" + std::to_string(j)});
        for (std::int32_t s = 1; s < LenW3; ++s) {
            coefficients.push_back({CoefficientKind::CrossL, j,
                                    "CrossL" + std::to_string(j) + "_" + std::to_string(s)});
        }
    }
    return coefficients;
}

}  // namespace tavi
