// A three-level sweep of 2,100 points at 40 coefficients, the size of the two-level whole-run
// benchmarks (EngineBench.cpp), computed alone and through tavi-calc with its files.

#include "app/CalcCommand.h"
#include "engine/ThreeLevelComputation.h"
#include "files/ThreeLevelFile.h"
#include "tests/engine/ThreeLevelDesigns.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <sstream>
#include <string>

namespace tavi {
namespace {

const char* const kParFile = "/dev/shm/tavi-bench-3.dat";
const char* const kReport = "/dev/shm/tavi-bench-3.out";
const char* const kCovFile = "/dev/shm/tavi-bench-3.cov";

// 100 group sizes n = 5..104, J = 2..4 groups per site, K = 10..16 sites: 2,100 points.
ThreeLevelParameters benchmarkDesign() {
    ThreeLevelParameters p;
    p.model = test::largestThreeLevelModel();
    const ThreeLevelModel& m = p.model;
    const std::vector<std::string> names = test::numberedNames(m);
    for (int v = 0; v < m.p1 + m.p2 + m.p3; ++v) {
        p.variables.push_back({names[v], levelOf(m, v), slopeOf(m, v)});
    }
    p.sweep = {false, 0, 0, 0, 10, 16, 1, 2, 4, 1, 5, 104, 1};
    return p;
}

void BM_ThreeLevelPoint(benchmark::State& state) {
    const auto design = std::make_unique<ThreeLevelDesign>();
    const auto point = std::make_unique<ThreeLevelPoint>();
    prepareThreeLevelDesign(test::largestThreeLevelModel(), *design);
    int n = 10;
    for (auto _ : state) {
        computeThreeLevelPoint(*design, *point, 100, 4, n);
        benchmark::DoNotOptimize(point->CovCoef.data[0]);
        n = n == 50 ? 10 : n + 5;
    }
}
BENCHMARK(BM_ThreeLevelPoint);

// The sweep's computation alone, on one thread: compare BM_RunComputationOnly.
void BM_ThreeLevelComputationOnly(benchmark::State& state) {
    const ThreeLevelParameters p = benchmarkDesign();
    const auto design = std::make_unique<ThreeLevelDesign>();
    const auto point = std::make_unique<ThreeLevelPoint>();
    for (auto _ : state) {
        prepareThreeLevelDesign(p.model, *design);
        for (int n = p.sweep.MinGroupSize; n <= p.sweep.MaxGroupSize; ++n) {
            for (int J = p.sweep.MinGroups; J <= p.sweep.MaxGroups; ++J) {
                for (int K = p.sweep.MinSites; K <= p.sweep.MaxSites; ++K) {
                    computeThreeLevelPoint(*design, *point, K, J, n);
                    benchmark::DoNotOptimize(point->CovCoef.data[0]);
                }
            }
        }
    }
    state.counters["points"] = 2100;
}
BENCHMARK(BM_ThreeLevelComputationOnly)->Unit(benchmark::kMillisecond);

// The whole run through tavi-calc, report and covariance file written: compare BM_RunWithFiles.
void BM_ThreeLevelRunWithFiles(benchmark::State& state) {
    writeThreeLevelFile(benchmarkDesign(), kParFile);
    const std::string threads = std::to_string(state.range(0));
    const char* arguments[] = {"--threads", threads.c_str(), kParFile, kReport, kCovFile};
    for (auto _ : state) {
        std::ostringstream out;
        std::ostringstream err;
        if (runCalcCommand(5, arguments, out, err, false) != kExitComplete) {
            state.SkipWithError(err.str().c_str());
        }
    }
    state.counters["points"] = 2100;
}
BENCHMARK(BM_ThreeLevelRunWithFiles)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tavi
