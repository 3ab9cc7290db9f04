#include "files/DesignParameters.h"

#include <limits>

namespace tavi {

namespace {

Matrix identityMatrix() {
    Matrix m{};
    for (int i = 1; i <= dimmax; ++i) {
        m(i, i) = 1.0;
    }
    return m;
}

}  // namespace

DesignParameters initialDesignParameters() {
    DesignParameters p{};
    p.BudgetMode = true;
    p.CostParameter = 5;
    p.Budget = (p.CostParameter + 25) * 50;
    p.MinGroupSize = 10;
    p.MaxGroupSize = 50;
    p.GroupSizeStep = 5;
    p.MinGroups = 10;
    p.MaxGroups = 50;
    p.ResidualVariance = 1.0;
    for (int i = 1; i <= dimmax; ++i) {
        p.Means1(i) = 0.0;
        p.Means2(i) = 1.0;
    }
    p.WithinCov = identityMatrix();
    p.BetweenCov = identityMatrix();
    p.Tau = identityMatrix();
    return p;
}

std::int64_t coefficientCount(std::int32_t k, std::int32_t k1, std::int32_t kw) {
    return std::int64_t{k1} + (std::int64_t{k} - k1 + 1) * (std::int64_t{kw} + 1);
}

bool countsArePossible(std::int32_t k, std::int32_t k1, std::int32_t kw) {
    return k1 >= 0 && k1 <= k && kw >= 0;
}

bool countsFitCapacity(std::int32_t k, std::int32_t k1, std::int32_t kw) {
    return countsArePossible(k, k1, kw) && coefficientCount(k, k1, kw) <= dimmax;
}

void deriveMatrixOrders(DesignParameters& p) {
    p.nRandom = p.k - p.k1 + 1;
    p.nBetween = p.k1 + p.kw;
}

std::int32_t stepMagnitude(std::int32_t signedStep) {
    if (signedStep == std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return signedStep < 0 ? -signedStep : signedStep;
}

std::int32_t largestLevel1Count() {
    return dimmax - 1;
}

std::int32_t largestLevel2Count(std::int32_t k) {
    return dimmax - 1 - k;
}

std::int32_t groupsStepFor(std::int64_t range) {
    if (range <= 20) {
        return 1;
    }
    if (range <= 50) {
        return 2;
    }
    if (range <= 100) {
        return 5;
    }
    return 10;
}

}  // namespace tavi
