// The regression coefficients of a design, in the order of InfoMatrix and CovCoef, each with
// its kind and the name that the CSV tables and the command line use for it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavi {

enum class CoefficientKind { Fixed, Const, Group, Random, CrossL };

struct Coefficient {
    CoefficientKind kind;
    std::int32_t slope;  // Random and CrossL: which random slope, counted from 1; otherwise 0
    std::string name;    // Fixed1.., Const, Group1.., Randomj, CrossLj_1..
};

// Fixed1..Fixedk1, Const, Group1..Group(LenW3 - 1), then for each random slope j: Randomj,
// CrossLj_1..CrossLj_(LenW3 - 1).
std::vector<Coefficient> coefficientsOf(std::int32_t k1, std::int32_t nRandom, std::int32_t LenW3);

}  // namespace tavi
