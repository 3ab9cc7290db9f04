// The parameter files of the whole-run benchmarks, of two and of three levels, each with the
// capacity's 40 coefficients and a sweep of 2,100 points: the largest two-level design, 4
// fixed-only variables, 5 random slopes and 5 level-2 variables with random covariances, means
// and residual variance; and the largest three-level one of every kind of variable.
#pragma once

#include "files/DesignFile.h"
#include "files/DesignParameters.h"
#include "files/ParameterFile.h"
#include "tests/engine/RandomDesign.h"
#include "tests/engine/ThreeLevelDesigns.h"

#include <cstdint>
#include <random>
#include <string>

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

// The largest design over every n from 5 to maxGroupSize with N from 10 to maxGroups, as the
// parameter file parFile whose outputs are report and covFile.
inline void writeRangeParameters(std::int32_t maxGroupSize, std::int32_t maxGroups,
                                 const char* parFile, const char* report, const char* covFile) {
    DesignParameters p = largestDesignParameters();
    p.BudgetMode = false;
    p.MinGroupSize = 5;
    p.GroupSizeStep = 1;
    p.MaxGroupSize = maxGroupSize;
    p.MinGroups = 10;
    p.MaxGroups = maxGroups;
    WriteParameterFile(p, parFile, report, covFile);
}

inline void writeRunParameters() {
    writeRangeParameters(104, 30, kRunParFile, kRunReport, kRunCovFile);
}

// The three-level sweep of as many points: 100 group sizes n = 5..104, J = 2..4 groups per
// site and K = 10..16 sites.
inline const char* const kThreeLevelParFile = "/dev/shm/tavi-bench-3.dat";

inline void writeThreeLevelParameters() {
    NestedDesign d = test::designOfModel(test::largestThreeLevelModel());
    d.sizes.top = {10, 16, 1};
    d.sizes.groups = {2, 4, 1};
    d.sizes.units = {5, 104, 1};
    writeDesignFile(d, kThreeLevelParFile);
}

// The parameter file of the whole run of a design of levels levels, written.
inline const char* runParameters(int levels) {
    if (levels == 3) {
        writeThreeLevelParameters();
        return kThreeLevelParFile;
    }
    writeRunParameters();
    return kRunParFile;
}

}  // namespace tavi
