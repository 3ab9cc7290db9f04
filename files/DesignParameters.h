// The complete input of a calculation, as the dialogue holds it and the parameter file stores
// it, with the start-up values and the tests of the counts that both readers share.
#pragma once

#include "engine/Matrix.h"

#include <cstdint>

namespace tavi {

struct DesignParameters {
    std::int32_t k;              // level-1 variables, the constant excluded
    std::int32_t k1;             // of these, with a fixed effect only
    std::int32_t kw;             // level-2 variables
    std::int32_t nRandom;        // k - k1 + 1: order of Tau
    std::int32_t nBetween;       // k1 + kw: order of BetweenCov
    bool BudgetMode;             // true: under a budget; false: all combinations within ranges
    std::int32_t CostParameter;  // c: cost of a group relative to a level-1 unit
    std::int32_t Budget;         // largest c*N + n*N
    std::int32_t MinGroupSize;
    std::int32_t MaxGroupSize;
    std::int32_t GroupSizeStep;  // positive
    std::int32_t MinGroups;
    std::int32_t MaxGroups;
    double ResidualVariance;
    Vector Means1;      // 1..k1: means of the fixed-only level-1 variables
    Vector Means2;      // 1..kw: means of the level-2 variables
    Matrix WithinCov;   // 1..k: fixed-only variables first, then those with a random slope
    Matrix BetweenCov;  // 1..nBetween: level-2 variables, then group means of the fixed-only
    Matrix Tau;         // 1..nRandom: random intercept, then the random slopes
};

// The values a new session starts from: no variables, a budget of 1500 at cost 5, group sizes
// 10 to 50 in steps of 5, 10 to 50 groups, unit residual variance, zero level-1 means, unit
// level-2 means and identity matrices over the whole capacity.
DesignParameters initialDesignParameters();

// k1 + (k - k1 + 1) * (kw + 1), the number of regression coefficients, without overflow for
// counts that satisfy countsArePossible.
std::int64_t coefficientCount(std::int32_t k, std::int32_t k1, std::int32_t kw);

// 0 <= k1 <= k and kw >= 0: counts that describe a design at all.
bool countsArePossible(std::int32_t k, std::int32_t k1, std::int32_t kw);

// Possible counts whose coefficients fit the capacity dimmax.
bool countsFitCapacity(std::int32_t k, std::int32_t k1, std::int32_t kw);

// Sets the orders of Tau and BetweenCov, nRandom and nBetween, from the counts k, k1 and kw.
void deriveMatrixOrders(DesignParameters& p);

// The largest counts the count fields accept: k level-1 variables, and kw level-2 variables
// beside k level-1 ones, each leaving room for the constant within dimmax.
std::int32_t largestLevel1Count();
std::int32_t largestLevel2Count(std::int32_t k);

// The step of the number of groups for a range of the given width (largest minus smallest):
// coarser for wider ranges, so that a group size gets at most 26 group counts for ranges up to
// 100.
std::int32_t groupsStepFor(std::int64_t range);

// The group-size step of a file's signed step, whose sign carries the mode. The most negative
// step, which has no positive counterpart, stands for the largest positive one.
std::int32_t stepMagnitude(std::int32_t signedStep);

}  // namespace tavi
