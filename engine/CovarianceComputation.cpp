#include "engine/CovarianceComputation.h"

#include "engine/EngineState.h"
#include "engine/MatrixRoutines.h"

#include <cmath>
#include <limits>

namespace tavi {

namespace {

constexpr double kSmallestVariance = 1.0e-20;

}  // namespace

void PrepareMoments(const EngineState& e, Matrix& Mu2T, Matrix& InvMomR, Matrix& Mu3T,
                    Matrix& FixedWithin, Matrix& FixedMom, Matrix& FixedOnRandom,
                    Matrix& FixedLevel2Mom, Matrix& Level2Mom) {
    const int k1 = e.k1;
    const int nRandom = e.nRandom;
    const int LenW3 = e.LenW3;
    // Blocks of SigmaW: F = 1..k1 (fixed only), R = k1+1..k1+nRandom (constant, random slopes).
    // Blocks of SigmaB: W = 1..LenW3 (constant, level-2), F = LenW3+1..LenW3+k1 (group means).
    Matrix withinFR;
    Matrix withinRF;
    Matrix block;
    Matrix product;
    Matrix mu1T;
    Matrix work;

    Transpose(Mu2T, e.Mu2, nRandom, 1);

    SubMatrix(block, e.SigmaW, k1 + 1, k1 + nRandom, k1 + 1, k1 + nRandom);
    MatMult(product, e.Mu2, Mu2T, nRandom, 1, nRandom);
    MatAdd(work, product, block, nRandom, nRandom);
    InvertMatrix(InvMomR, work, nRandom);

    SubMatrix(withinFR, e.SigmaW, 1, k1, k1 + 1, k1 + nRandom);
    Transpose(withinRF, withinFR, k1, nRandom);
    MatMult(work, withinFR, InvMomR, k1, nRandom, nRandom);
    MatMult(product, work, withinRF, k1, nRandom, k1);
    for (int i = 1; i <= k1; ++i) {
        for (int j = 1; j <= k1; ++j) {
            FixedWithin(i, j) = (e.SigmaW(i, j) - product(i, j)) / e.Sigma2;
        }
    }

    SubMatrix(block, e.SigmaB, LenW3 + 1, LenW3 + k1, LenW3 + 1, LenW3 + k1);
    Transpose(mu1T, e.Mu1, k1, 1);
    MatMult(product, e.Mu1, mu1T, k1, 1, k1);
    MatAdd(FixedMom, block, product, k1, k1);

    MatMult(FixedOnRandom, withinFR, InvMomR, k1, nRandom, nRandom);

    Transpose(Mu3T, e.Mu3, LenW3, 1);

    MatMult(product, e.Mu1, Mu3T, k1, 1, LenW3);
    SubMatrix(block, e.SigmaB, LenW3 + 1, LenW3 + k1, 1, LenW3);
    MatAdd(FixedLevel2Mom, product, block, k1, LenW3);

    MatMult(product, e.Mu3, Mu3T, LenW3, 1, LenW3);
    SubMatrix(block, e.SigmaB, 1, LenW3, 1, LenW3);
    MatAdd(Level2Mom, product, block, LenW3, LenW3);
}

double withinUnitsOf(double units, double n) {
    if (units <= 1.0) {
        return 0.0;
    }
    return n > 1.0 ? (units - 1.0) * n / (n - 1.0) : units - 1.0;
}

void groupPrecisionAt(const EngineState& e, double units, double withinUnits,
                      Matrix& GroupPrecision) {
    const int nRandom = e.nRandom;
    if (nRandom > 1 && withinUnits <= 0.0) {
        // The slopes' columns vanish within such a group: only the intercept is seen.
        for (int i = 1; i <= nRandom; ++i) {
            for (int j = 1; j <= nRandom; ++j) {
                GroupPrecision(i, j) = 0.0;
            }
        }
        GroupPrecision(1, 1) = 1.0 / ((e.Sigma2 * e.InvMomR(1, 1)) / units + e.Tau2(1, 1));
        return;
    }
    Matrix work;
    // The inverse of Tau2 + Sigma2 InvMomR over the units, the precision of a group's random
    // effects as seen through its units. InvMomR is block diagonal: the intercept's moment is
    // that of the units, the slopes' those of the deviations within the group.
    for (int i = 1; i <= nRandom; ++i) {
        for (int j = 1; j <= nRandom; ++j) {
            const double seen = i == 1 || j == 1 ? units : withinUnits;
            work(i, j) = (e.Sigma2 * e.InvMomR(i, j)) / seen + e.Tau2(i, j);
        }
    }
    InvertMatrix(GroupPrecision, work, nRandom);
}

void blocksFromPrecision(const EngineState& e, double withinUnits, const Matrix& GroupPrecision,
                         Matrix& FixedBlock, Matrix& CrossBlock, Matrix& RandomBlock) {
    const int k1 = e.k1;
    const int nRandom = e.nRandom;
    const int LenW3 = e.LenW3;
    Matrix interceptRow;    // Mu2T GroupPrecision
    Matrix fixedPrecision;  // FixedOnRandom GroupPrecision
    Matrix work;
    Matrix product;

    MatMult(interceptRow, e.Mu2T, GroupPrecision, 1, nRandom, nRandom);
    MatMult(product, interceptRow, e.Mu2, 1, nRandom, 1);
    const double s = product(1, 1);

    MatMult(fixedPrecision, e.FixedOnRandom, GroupPrecision, k1, nRandom, nRandom);
    Transpose(work, e.FixedOnRandom, k1, nRandom);
    MatMult(product, fixedPrecision, work, k1, nRandom, k1);
    for (int i = 1; i <= k1; ++i) {
        for (int j = 1; j <= k1; ++j) {
            work(i, j) = withinUnits * e.FixedWithin(i, j) + s * e.FixedMom(i, j);
        }
    }
    MatAdd(FixedBlock, work, product, k1, k1);
    // The group means of the fixed-only variables also meet the random intercept through the
    // within-group covariance with the random slopes; these terms pair Mu1 with the first
    // column of FixedOnRandom GroupPrecision. Without them the block is not the expected
    // information and can even make InfoMatrix indefinite. They vanish when Mu1 = 0, when there
    // is no random slope, and when fixed-only and random-slope variables are uncorrelated.
    for (int i = 1; i <= k1; ++i) {
        for (int j = 1; j <= k1; ++j) {
            FixedBlock(i, j) = FixedBlock(i, j) + (fixedPrecision(i, 1) * e.Mu1(j, 1) +
                                                   e.Mu1(i, 1) * fixedPrecision(j, 1));
        }
    }

    KroneckerProduct(work, fixedPrecision, e.Mu3T, k1, nRandom, 1, LenW3);
    KroneckerProduct(product, interceptRow, e.FixedLevel2Mom, 1, nRandom, k1, LenW3);
    MatAdd(CrossBlock, work, product, k1, nRandom * LenW3);

    KroneckerProduct(RandomBlock, GroupPrecision, e.Level2Mom, nRandom, nRandom, LenW3, LenW3);
}

void GroupBlocks(const EngineState& e, Matrix& FixedBlock, Matrix& CrossBlock,
                 Matrix& RandomBlock) {
    const double n = static_cast<double>(e.GroupSize);
    Matrix groupPrecision;
    groupPrecisionAt(e, n, n, groupPrecision);
    blocksFromPrecision(e, n, groupPrecision, FixedBlock, CrossBlock, RandomBlock);
}

void assembleScaled(const EngineState& e, double N, Matrix& InfoMatrix) {
    const int k1 = e.k1;
    const int randomCoefs = e.nRandom * e.LenW3;
    for (int i = 1; i <= k1; ++i) {
        for (int j = 1; j <= k1; ++j) {
            InfoMatrix(i, j) = N * e.FixedBlock(i, j);
        }
    }
    for (int i = 1; i <= k1; ++i) {
        for (int j = 1; j <= randomCoefs; ++j) {
            const double value = N * e.CrossBlock(i, j);
            InfoMatrix(i, k1 + j) = value;
            InfoMatrix(k1 + j, i) = value;
        }
    }
    for (int i = 1; i <= randomCoefs; ++i) {
        for (int j = 1; j <= randomCoefs; ++j) {
            InfoMatrix(k1 + i, k1 + j) = N * e.RandomBlock(i, j);
        }
    }
}

void AssembleInfo(const EngineState& e, Matrix& InfoMatrix) {
    assembleScaled(e, static_cast<double>(e.NumGroups), InfoMatrix);
}

void prepareRunConstants(EngineState& e) {
    PrepareMoments(e, e.Mu2T, e.InvMomR, e.Mu3T, e.FixedWithin, e.FixedMom, e.FixedOnRandom,
                   e.FixedLevel2Mom, e.Level2Mom);
}

double standardErrorOf(double variance) {
    // Written so that a NaN, which compares false, is not taken.
    return variance >= kSmallestVariance ? std::sqrt(variance)
                                         : std::numeric_limits<double>::quiet_NaN();
}

double usableStandardError(const EngineState& e, int i) {
    return usableStandardError(e.InfoMatrix(i, i), e.CovCoef(i, i));
}

double usableStandardError(double information, double variance) {
    // Also written so that NaN is not taken.
    if (!(information > 0.0 && variance * information <= kMaxVarianceInflation)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return standardErrorOf(variance);
}

void computePoint(EngineState& e, std::int32_t n, std::int32_t N) {
    e.GroupSize = n;
    e.NumGroups = N;
    GroupBlocks(e, e.FixedBlock, e.CrossBlock, e.RandomBlock);
    AssembleInfo(e, e.InfoMatrix);
    InvertMatrix(e.CovCoef, e.InfoMatrix, e.NumCoef);
}

}  // namespace tavi
