// The engine's state: the design in the engine layout, the current sample sizes, the run
// constants, the per-group blocks and the information and covariance matrices. A run holds one
// for the design and one for each point in flight, so that points are computed on every core;
// each computation is given the state it works on. Every point overwrites what it uses before it
// uses it, so a state copied after the run constants serves any point of the design.
#pragma once

#include "engine/Matrix.h"

#include <cstdint>

namespace tavi {

struct EngineState {
    // Counts, fixed for a run.
    std::int32_t k1;       // level-1 variables with a fixed effect only
    std::int32_t nRandom;  // random effects, the intercept first
    std::int32_t LenW3;    // level-2 variables, the constant first
    std::int32_t NumCoef;  // k1 + nRandom * LenW3, the order of InfoMatrix and CovCoef

    // The design in the engine layout. SigmaW holds the fixed-only variables, then the constant
    // (a zero row and column), then the random-slope variables; SigmaB holds the constant (a zero
    // row and column), the level-2 variables, then the group means of the fixed-only variables.
    // Mean vectors are one-column matrices.
    double Sigma2;  // level-1 residual variance
    Matrix Tau2;    // nRandom square: covariance of the random effects
    Matrix SigmaW;  // k1 + nRandom square: within-groups covariance
    Matrix SigmaB;  // LenW3 + k1 square: between-groups covariance
    Matrix Mu1;     // k1: means of the fixed-only variables
    Matrix Mu2;     // nRandom: 1.0 followed by zeros
    Matrix Mu3;     // LenW3: 1.0 followed by the means of the level-2 variables

    // The sample sizes to sweep.
    bool BudgetMode;             // true: under a budget; false: all combinations within ranges
    std::int32_t Budget;         // budget mode: the largest c * N + n * N
    std::int32_t CostParameter;  // budget mode: c, cost of a group relative to a level-1 unit
    std::int32_t MinGroupSize;   // smallest n
    std::int32_t GroupSizeStep;  // step of n, positive
    std::int32_t MaxGroupSize;   // largest n
    std::int32_t MinGroups;      // range mode: smallest N
    std::int32_t MaxGroups;      // range mode: largest N
    std::int32_t GroupsStep;     // range mode: step of N, from the width of its range

    // The current sample-size point.
    std::int32_t GroupSize;  // n
    std::int32_t NumGroups;  // N

    // Run constants: functions of the design alone, computed once per run.
    Matrix Mu2T;           // 1 x nRandom
    Matrix InvMomR;        // nRandom square: inverse within-group second moments of the random part
    Matrix Mu3T;           // 1 x LenW3
    Matrix FixedWithin;    // k1 square
    Matrix FixedMom;       // k1 square
    Matrix FixedOnRandom;  // k1 x nRandom
    Matrix FixedLevel2Mom;  // k1 x LenW3
    Matrix Level2Mom;       // LenW3 square

    // Information of one group of size n, overwritten at every point.
    Matrix FixedBlock;   // k1 square
    Matrix CrossBlock;   // k1 x nRandom * LenW3
    Matrix RandomBlock;  // nRandom * LenW3 square

    Matrix InfoMatrix;  // NumCoef square: information of all coefficients at the current point
    Matrix CovCoef;     // NumCoef square: its inverse, the covariance of the estimates
};

}  // namespace tavi
