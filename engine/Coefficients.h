// The regression coefficients of a design, in the order of its information and covariance
// matrices, each with its kind, the product of variables it belongs to and the name that the
// tables and the command line use for it.
//
// A two-level design keeps the order and the names of its parameter file's report: the
// fixed-only level-1 variables (Fixed1..), the intercept (Const), the level-2 variables
// (Group1..), then for each random slope its main effect (Randomj) and its interactions with the
// level-2 variables (CrossLj_1..). A three-level design's are its variables' own names: the
// intercept, the main effects level by level, then each varying slope's interactions "A:B".
#pragma once

#include "engine/NestedModel.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tavi {

enum class CoefficientKind { Fixed, Const, Group, Random, CrossL };

// The product of the variables first and second (numbered as in NestedModel): -1 and -1 for
// the intercept, v and -1 for the main effect of v, and a slope's variable and the variable
// that moderates it for a cross-level interaction.
struct DesignTerm {
    std::int32_t first = -1;
    std::int32_t second = -1;

    bool operator==(const DesignTerm&) const = default;
};

struct Coefficient {
    CoefficientKind kind;
    std::int32_t slope;     // two levels, Random and CrossL: which random slope, counted from 1
    std::int32_t variable;  // two levels, Fixed: which fixed-only level-1 variable; Group and
                            // CrossL: which level-2 variable; counted from 1; otherwise 0
    std::string name;       // Fixed1.., Const, Group1.., Randomj, CrossLj_1..; or the names
    DesignTerm term{};
};

// The terms of m in the order of its information matrix.
std::vector<DesignTerm> designTerms(const NestedModel& m);

// The coefficients of m with their names, names holding every variable's in the model's order
// (only a three-level design's are used). The kind tells what the coefficient is: Const the
// intercept, Fixed or Random a level-1 variable's main effect (Random when its slope varies),
// Group a level-2 or level-3 variable's (Random when a level-2 slope varies), CrossL an
// interaction.
std::vector<Coefficient> coefficientsOf(const NestedModel& m,
                                        const std::vector<std::string>& names);

// The coefficients of a two-level design with k1 fixed-only level-1 variables, nRandom random
// effects and LenW3 - 1 level-2 variables.
std::vector<Coefficient> coefficientsOf(std::int32_t k1, std::int32_t nRandom, std::int32_t LenW3);

// What the coefficient is, for people. A two-level design's, with the level-1 variables x1.. in
// the order they are entered (k1 of them with a fixed effect only first) and the level-2
// variables w1..: "Fixed 1: x1, fixed effect only", "Const: intercept", "Group 1: level-2
// variable 1", "Random 1: slope of x2", "Cross-L 1,2: slope of x2 x w2". A three-level design's
// is its name.
std::string coefficientTitle(const NestedModel& m, const Coefficient& coefficient);

}  // namespace tavi
