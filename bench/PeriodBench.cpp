// A sweep of 1,000 points of a stepped wedge over 10 periods (9 sequences, 1 to 20 clusters in
// each, 1 to 50 units per cluster-period) with a cluster autocorrelation that decays over time:
// the computation alone, and the whole run through tavi-calc with its report and covariance
// file.

#include "RunParameters.h"
#include "SweepRuns.h"
#include "engine/templates/DesignTemplates.h"
#include "files/DesignFile.h"

#include <benchmark/benchmark.h>

namespace tavi {
namespace {

constexpr const char* kWedgeFile = "/dev/shm/tavi-bench-wedge.dat";

NestedDesign steppedWedge() {
    return makeDesign(*findTemplate("stepped-wedge"), {{"sequences", "9"},
                                                       {"clusters", "1:20"},
                                                       {"n", "1:50"},
                                                       {"icc", "0.05"},
                                                       {"cac", "0.8"},
                                                       {"decay", "0.9"}})
        .design;
}

void BM_SteppedWedgeComputation(benchmark::State& state) {
    const NestedDesign d = steppedWedge();
    for (auto _ : state) {
        computeOnOneThread(d);
    }
    state.counters["points"] = double(pointCount(d));
}
BENCHMARK(BM_SteppedWedgeComputation)->Unit(benchmark::kMillisecond);

void BM_SteppedWedgeRunWithFiles(benchmark::State& state) {
    writeDesignFile(steppedWedge(), kWedgeFile);
    for (auto _ : state) {
        if (const auto failure = calcFailure({kWedgeFile, kRunReport, kRunCovFile})) {
            state.SkipWithError(failure->c_str());
        }
    }
}
BENCHMARK(BM_SteppedWedgeRunWithFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tavi
