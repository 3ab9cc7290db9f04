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
    std::int32_t slope;     // Random and CrossL: which random slope, counted from 1; otherwise 0
    std::int32_t variable;  // Fixed: which fixed-only level-1 variable; Group and CrossL: which
                            // level-2 variable; counted from 1; otherwise 0
    std::string name;       // Fixed1.., Const, Group1.., Randomj, CrossLj_1..
};

// Fixed1..Fixedk1, Const, Group1..Group(LenW3 - 1), then for each random slope j: Randomj,
// CrossLj_1..CrossLj_(LenW3 - 1).
std::vector<Coefficient> coefficientsOf(std::int32_t k1, std::int32_t nRandom, std::int32_t LenW3);

// What the coefficient is, for people, with the level-1 variables x1.. in the order they are
// entered (k1 of them with a fixed effect only first) and the level-2 variables w1..:
// "Fixed 1: x1, fixed effect only", "Const: intercept", "Group 1: level-2 variable 1",
// "Random 1: slope of x2", "Cross-L 1,2: slope of x2 x w2".
std::string coefficientTitle(const Coefficient& coefficient, std::int32_t k1);

}  // namespace tavi
