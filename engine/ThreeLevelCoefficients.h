// The regression coefficients of a three-level design, in the order of its information and
// covariance matrices, and their names: "intercept", a variable's own name for its main effect,
// "A:B" for the interaction of the slope of A with the variable B.
#pragma once

#include "engine/Coefficients.h"
#include "engine/ThreeLevelModel.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tavi {

// The product of the variables first and second (numbered as in ThreeLevelModel): -1 and -1
// for the intercept, v and -1 for the main effect of v, and a slope's variable and the
// variable that moderates it for a cross-level interaction.
struct ThreeLevelTerm {
    std::int32_t first;
    std::int32_t second;
};

// The intercept; the main effects of the level-1, level-2 and level-3 variables in turn; then,
// for each variable whose slope varies (level 1, then level 2, in order), its interactions with
// every level-2 variable when it varies at level 2 and with every level-3 variable when it
// varies at level 3.
std::vector<ThreeLevelTerm> threeLevelTerms(const ThreeLevelModel& m);

// The coefficients with their names, names holding every variable's in the model's order. The
// kind tells what the coefficient is: Const the intercept, Fixed or Random a level-1 variable's
// main effect (Random when its slope varies), Group a level-2 or level-3 variable's (Random
// when a level-2 slope varies), CrossL an interaction; slope and variable are 0.
std::vector<Coefficient> threeLevelCoefficients(const ThreeLevelModel& m,
                                                const std::vector<std::string>& names);

}  // namespace tavi
