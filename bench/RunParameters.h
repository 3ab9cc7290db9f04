// The parameter files of the whole-run benchmarks: the largest design, 4 fixed-only variables,
// 5 random slopes and 5 level-2 variables (40 coefficients), with random covariances.
#pragma once

#include "files/DesignParameters.h"
#include "files/ParameterFile.h"
#include "tests/engine/RandomDesign.h"

#include <random>

namespace tavi {

inline const char* const kRunParFile = "/dev/shm/tavi-bench.dat";
inline const char* const kRunReport = "/dev/shm/tavi-bench.out";
inline const char* const kRunCovFile = "/dev/shm/tavi-bench.cov";

inline DesignParameters largestDesignParameters() {
    DesignParameters p = initialDesignParameters();
    p.k = 9;
    p.k1 = 4;
    p.kw = 5;
    deriveMatrixOrders(p);
    std::mt19937_64 rng(40);
    const test::FileDesign d = test::randomDesign(rng, p.k, p.k1, p.kw);
    for (int i = 0; i < p.k; ++i) {
        for (int j = 0; j < p.k; ++j) {
            p.WithinCov(i + 1, j + 1) = d.within[i][j];
        }
    }
    for (int i = 0; i < p.nBetween; ++i) {
        for (int j = 0; j < p.nBetween; ++j) {
            p.BetweenCov(i + 1, j + 1) = d.between[i][j];
        }
    }
    for (int i = 0; i < p.nRandom; ++i) {
        for (int j = 0; j < p.nRandom; ++j) {
            p.Tau(i + 1, j + 1) = d.tau[i][j];
        }
    }
    return p;
}

// Range mode with n = 5, 6, ..., 4 + groupSizes and N = 10..30: 21 points per group size.
inline void writeRunParameters(int groupSizes) {
    DesignParameters p = largestDesignParameters();
    p.BudgetMode = false;
    p.MinGroupSize = 5;
    p.GroupSizeStep = 1;
    p.MaxGroupSize = 4 + groupSizes;
    p.MinGroups = 10;
    p.MaxGroups = 30;
    WriteParameterFile(p, kRunParFile, kRunReport, kRunCovFile);
}

}  // namespace tavi
