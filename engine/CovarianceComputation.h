// The expected information matrix of all regression coefficients of a two-level design with
// N groups of n level-1 units, built in three stages by what each depends on: the design alone
// (PrepareMoments, once per run), the group size (GroupBlocks) and the number of groups
// (AssembleInfo). Inverting InfoMatrix gives the covariance matrix of the estimates.
//
// Coefficient order: positions 1..k1 are the fixed-only level-1 variables; position
// k1 + (j - 1) * LenW3 + s is the product of random-effect variable j and level-2 variable s
// (both counting the constant as 1, the level-2 index running fastest): j = s = 1 is the
// intercept, j = 1 < s the level-2 variables, s = 1 < j the random-slope variables, and
// j, s > 1 the cross-level interactions.
//
// All three read the design and the current point from the engine state they are given, so
// that every thread can work on a state of its own; the caller keeps every dimension within
// dimmax, Sigma2 nonzero when k1 >= 1, and n >= 1.
#pragma once

#include "engine/EngineState.h"
#include "engine/Matrix.h"

#include <cstdint>

namespace tavi {

// Computes the run constants from k1, nRandom, LenW3, Sigma2, SigmaW, SigmaB, Mu1, Mu2 and Mu3.
void PrepareMoments(const EngineState& e, Matrix& Mu2T, Matrix& InvMomR, Matrix& Mu3T,
                    Matrix& FixedWithin, Matrix& FixedMom, Matrix& FixedOnRandom,
                    Matrix& FixedLevel2Mom, Matrix& Level2Mom);

// Computes the information of one group of GroupSize units, split into the fixed-only block,
// the block crossing fixed-only and random-part coefficients, and the random-part block.
// Needs the run constants of PrepareMoments.
void GroupBlocks(const EngineState& e, Matrix& FixedBlock, Matrix& CrossBlock, Matrix& RandomBlock);

// GroupBlocks in its two steps, for a group of units units whose within-group deviations count
// as withinUnits units (see withinUnitsOf): the group's precision, the inverse of Tau2 +
// Sigma2 InvMomR with the intercept's element divided by units and the slopes' by withinUnits
// (units > 0; without within units no slope has a precision, and the intercept's is that of its
// units alone), and the blocks from it. The blocks are linear in withinUnits and GroupPrecision
// together, so that blocks from the averages of both over groups of several sizes are the
// average information of those groups. With withinUnits = units = n both are GroupBlocks' bit
// for bit.
void groupPrecisionAt(const EngineState& e, double units, double withinUnits,
                      Matrix& GroupPrecision);
void blocksFromPrecision(const EngineState& e, double withinUnits, const Matrix& GroupPrecision,
                         Matrix& FixedBlock, Matrix& CrossBlock, Matrix& RandomBlock);

// What the within-groups matrix counts for in a group of units units of a design whose groups
// have n units: it is the covariance with divisor n of the deviations from the group mean, so a
// group of units units holds (units - 1) n / (n - 1) times it, n at units = n and nothing in a
// group of one unit. For n of at most 1, where no divisor-n covariance exists, units - 1.
double withinUnitsOf(double units, double n);

// InfoMatrix := NumGroups times the per-group information [[FixedBlock, CrossBlock],
// [CrossBlock^T, RandomBlock]], with the lower-left block written as the mirror of the
// upper-right one.
void AssembleInfo(const EngineState& e, Matrix& InfoMatrix);

// AssembleInfo with N groups that need not be whole, such as an expected number of groups.
void assembleScaled(const EngineState& e, double N, Matrix& InfoMatrix);

// PrepareMoments into the engine state's own run constants.
void prepareRunConstants(EngineState& e);

// The standard error of a diagonal element of CovCoef: its square root when it is at least
// 1.0e-20. Smaller variances, zero, negative and NaN ones get none, NaN (the report shows a
// marker instead).
double standardErrorOf(double variance);

// The standard error of coefficient i (1-based) at the engine's current point for the tests and
// tables built on it: standardErrorOf its variance, and NaN as well where the information
// matrix is singular in that coefficient (no information about it, or so little beside the
// others that its variance is more than kMaxVarianceInflation times what it would be alone),
// for the inversion then gives a figure that only reflects rounding.
double usableStandardError(const EngineState& e, int i);
inline constexpr double kMaxVarianceInflation = 1.0e12;

// The same rule for a coefficient of any design, from its diagonal elements of the information
// and covariance matrices.
double usableStandardError(double information, double variance);

// Makes N groups of n units the current point, and leaves its InfoMatrix and, inverted,
// CovCoef in the engine state. Needs the run constants.
void computePoint(EngineState& e, std::int32_t n, std::int32_t N);

}  // namespace tavi
