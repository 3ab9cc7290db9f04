#include "engine/ExpectedInformation.h"

#include "engine/CovarianceComputation.h"
#include "engine/MatrixRoutines.h"

namespace tavi {

void computeExpectedPoint(EngineState& e, const GroupSizeSupport& sizes, double groups) {
    const int nRandom = e.nRandom;
    Matrix meanPrecision;
    Matrix precision;
    for (int i = 1; i <= nRandom; ++i) {
        for (int j = 1; j <= nRandom; ++j) {
            meanPrecision(i, j) = 0.0;
        }
    }
    double meanSize = 0.0;
    for (int k = 0; k < sizes.count; ++k) {
        const double n = sizes.sizes[k];
        const double weight = sizes.weights[k];
        // An empty group has no precision: Tau2 + (Sigma2 / n) InvMomR grows without bound.
        if (!(n > 0.0) || weight == 0.0) {
            continue;
        }
        groupPrecisionAt(e, n, precision);
        for (int i = 1; i <= nRandom; ++i) {
            for (int j = 1; j <= nRandom; ++j) {
                meanPrecision(i, j) += weight * precision(i, j);
            }
        }
        meanSize += weight * n;
    }
    blocksFromPrecision(e, meanSize, meanPrecision, e.FixedBlock, e.CrossBlock, e.RandomBlock);
    assembleScaled(e, groups, e.InfoMatrix);
    InvertMatrix(e.CovCoef, e.InfoMatrix, e.NumCoef);
}

}  // namespace tavi
