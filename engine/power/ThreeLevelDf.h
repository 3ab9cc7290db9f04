// The degrees of freedom of a three-level design's t tests, by one between-within rule: the
// units at the highest level at which the coefficient varies, less those of the level above,
// less the fixed coefficients estimated at that level in the same equation.
//
// A coefficient belongs to the equation of a slope (the intercept's, a level-1 or a level-2
// variable's) and is estimated at the highest level at which that slope varies with a variance
// above 0, up to the level of its moderator: the main effect of a slope and its interactions
// with level-3 variables at level 3, 2 or 1, its interactions with level-2 variables at level 2
// or 1. The main effect of a level-3 variable, and of a level-2 variable whose slope does not
// vary, moderates the intercept. At level 3 a coefficient has K - m degrees of freedom, at
// level 2 K*J - K - m, m counting the coefficients of its equation at its level; at level 1
// K*J*n - K*J - p1, p1 counting every coefficient with a level-1 variable, as for two levels.
#pragma once

#include "engine/ThreeLevelModel.h"
#include "engine/power/DegreesOfFreedom.h"

namespace tavi {

DegreesOfFreedom threeLevelDegreesOfFreedom(const ThreeLevelModel& m);

}  // namespace tavi
