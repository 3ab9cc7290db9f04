// Cost of one sample-size point at the largest design, and of the inversion alone, with a
// LAPACK inversion of the same matrices as the yardstick when it is available.

#include "RunParameters.h"
#include "app/CalcCommand.h"
#include "engine/CovarianceComputation.h"
#include "engine/EngineState.h"
#include "engine/MatrixRoutines.h"
#include "engine/run/CalculationRun.h"
#include "engine/run/EngineLayout.h"
#include "tests/engine/MatrixTestSupport.h"
#include "tests/engine/ReferenceLinearAlgebra.h"

#include <benchmark/benchmark.h>
#include <random>
#include <sstream>
#include <string>

#ifdef TAVI_HAVE_LAPACKE
#include <lapacke.h>
#endif

namespace tavi {
namespace {

// The whole-run benchmarks' design, 4 + 6 * 6 = 40 coefficients, straight into the engine.
void loadLargestDesign() {
    loadEngineDesign(largestDesignParameters(), test::engineUnderTest());
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

// The whole run through tavi-calc, report and covariance file written. Argument: the threads
// that compute the points (--threads).
void BM_RunWithFiles(benchmark::State& state) {
    writeRunParameters();
    const std::string threads = std::to_string(state.range(0));
    const char* arguments[] = {"--threads", threads.c_str(), kRunParFile, kRunReport, kRunCovFile};
    for (auto _ : state) {
        std::ostringstream out;
        std::ostringstream err;
        if (runCalcCommand(5, arguments, out, err, false) != kExitComplete) {
            state.SkipWithError(err.str().c_str());
        }
    }
    state.counters["points"] = kRunPoints;
}
BENCHMARK(BM_RunWithFiles)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same sweep's computation alone, on one thread.
void BM_RunComputationOnly(benchmark::State& state) {
    writeRunParameters();
    const RunOutcome run = RunCalculation(kRunParFile, kRunReport, kRunCovFile);
    EngineState& e = test::engineUnderTest();
    e = *run.design;
    for (auto _ : state) {
        prepareRunConstants(e);
        for (int n = e.MinGroupSize; n <= e.MaxGroupSize; n += e.GroupSizeStep) {
            for (int N = e.MinGroups; N <= e.MaxGroups; N += e.GroupsStep) {
                computePoint(e, n, N);
                benchmark::DoNotOptimize(e.CovCoef.data[0]);
            }
        }
    }
}
BENCHMARK(BM_RunComputationOnly)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavi
