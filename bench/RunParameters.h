// The parameter files of the whole-run benchmarks: the largest design, 4 fixed-only variables,
// 5 random slopes and 5 level-2 variables (40 coefficients), with random covariances, means
// and residual variance.
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
    std::mt19937_64 rng(40);
    return test::asRecord(test::randomDesign(rng, 9, 4, 5));
}

// The whole-run sweep: range mode with 100 group sizes, n = 5..104, and 21 group counts,
// N = 10..30.
inline constexpr int kRunPoints = 2100;

inline void writeRunParameters() {
    DesignParameters p = largestDesignParameters();
    p.BudgetMode = false;
    p.MinGroupSize = 5;
    p.GroupSizeStep = 1;
    p.MaxGroupSize = 104;
    p.MinGroups = 10;
    p.MaxGroups = 30;
    WriteParameterFile(p, kRunParFile, kRunReport, kRunCovFile);
}

}  // namespace tavi
