// Cost of one sample-size point at the largest designs of two and three levels, of the inversion
// alone, with a LAPACK inversion of the same matrices as the yardstick when it is available, and
// of the whole run of each.

#include "RunParameters.h"
#include "SweepRuns.h"
#include "engine/CovarianceComputation.h"
#include "engine/EngineLayout.h"
#include "engine/EngineState.h"
#include "engine/MatrixRoutines.h"
#include "engine/SiteInformation.h"
#include "engine/run/CalculationRun.h"
#include "files/ParameterDesign.h"
#include "tests/engine/MatrixTestSupport.h"
#include "tests/engine/ReferenceLinearAlgebra.h"

#include <benchmark/benchmark.h>
#include <random>
#include <string>

#ifdef TAVI_HAVE_LAPACKE
#include <lapacke.h>
#endif

namespace tavi {
namespace {

// The whole-run benchmarks' design, 4 + 6 * 6 = 40 coefficients, straight into the engine.
void loadLargestDesign() {
    loadEngineDesign(designOf(largestDesignParameters()).design, test::engineUnderTest());
    prepareRunConstants(test::engineUnderTest());
}

void BM_SampleSizePoint(benchmark::State& state) {
    loadLargestDesign();
    int n = 10;
    for (auto _ : state) {
        computePoint(test::engineUnderTest(), n, 100);
        benchmark::DoNotOptimize(test::engineUnderTest().CovCoef.data[0]);
        n = n == 50 ? 10 : n + 5;
    }
}
BENCHMARK(BM_SampleSizePoint);

// The same at the largest three-level design, 100 sites of 4 groups.
void BM_SitesPoint(benchmark::State& state) {
    const auto design = std::make_unique<SitesDesign>();
    const auto point = std::make_unique<SitesPoint>();
    prepareSitesDesign(test::largestThreeLevelModel(), *design);
    int n = 10;
    for (auto _ : state) {
        computeSitesPoint(*design, *point, 100, 4, n);
        benchmark::DoNotOptimize(point->CovCoef.data[0]);
        n = n == 50 ? 10 : n + 5;
    }
}
BENCHMARK(BM_SitesPoint);

// The information matrix of the largest design for n = 40, and random well-conditioned
// matrices for the smaller orders.
Matrix benchmarkMatrix(int n) {
    if (n == dimmax) {
        loadLargestDesign();
        computePoint(test::engineUnderTest(), 20, 100);
        return test::engineUnderTest().InfoMatrix;
    }
    std::mt19937_64 rng(n);
    return test::wellConditioned(rng, n);
}

void BM_InvertMatrix(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const Matrix a = benchmarkMatrix(n);
    Matrix inverse;
    for (auto _ : state) {
        InvertMatrix(inverse, a, n);
        benchmark::DoNotOptimize(inverse.data[0]);
    }
}
BENCHMARK(BM_InvertMatrix)->Arg(10)->Arg(20)->Arg(40);

// The same inversion solved one unit vector at a time, as the algorithm reads.
void BM_UnitVectorInverse(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const Matrix a = benchmarkMatrix(n);
    Matrix inverse;
    for (auto _ : state) {
        reference::invert(inverse, a, n);
        benchmark::DoNotOptimize(inverse.data[0]);
    }
}
BENCHMARK(BM_UnitVectorInverse)->Arg(40);

#ifdef TAVI_HAVE_LAPACKE
void BM_LapackInverse(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const Matrix a = benchmarkMatrix(n);
    double work[dimmax * dimmax];
    double lu[dimmax * dimmax];
    lapack_int pivots[dimmax];
    for (auto _ : state) {
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) {
                lu[j * n + i] = a(i + 1, j + 1);
            }
        }
        LAPACKE_dgetrf_work(LAPACK_COL_MAJOR, n, n, lu, n, pivots);
        LAPACKE_dgetri_work(LAPACK_COL_MAJOR, n, lu, n, pivots, work, dimmax * dimmax);
        benchmark::DoNotOptimize(lu[0]);
    }
}
BENCHMARK(BM_LapackInverse)->Arg(10)->Arg(20)->Arg(40);
#endif

// The whole run through tavi-calc, report and covariance file written. Arguments: the threads
// that compute the points (--threads), and the levels of the design.
void BM_RunWithFiles(benchmark::State& state) {
    const char* parFile = runParameters(static_cast<int>(state.range(1)));
    const std::string threads = std::to_string(state.range(0));
    for (auto _ : state) {
        if (const auto failure =
                calcFailure({"--threads", threads.c_str(), parFile, kRunReport, kRunCovFile})) {
            state.SkipWithError(failure->c_str());
        }
    }
    state.counters["points"] = kRunPoints;
}
BENCHMARK(BM_RunWithFiles)
    ->ArgsProduct({{1, 2}, {2, 3}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The same sweep's computation alone, on one thread, the design prepared anew each time.
// Argument: the levels of the design.
void BM_RunComputationOnly(benchmark::State& state) {
    const NestedDesign d = ReadDesign(runParameters(static_cast<int>(state.range(0)))).design;
    for (auto _ : state) {
        computeOnOneThread(d);
    }
    state.counters["points"] = double(pointCount(d));
}
BENCHMARK(BM_RunComputationOnly)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavi
