// Cost of checking a design by simulation: 1,000 replications at N = 50, n = 20 for a design
// with a fixed-only variable, two random slopes and a level-2 variable (k = 3, k1 = 1, kw = 1),
// on all cores; and one REML fit of such a data set alone.

#include "engine/CovarianceComputation.h"
#include "engine/EngineState.h"
#include "engine/simulation/DesignSampler.h"
#include "engine/simulation/RemlFit.h"
#include "engine/simulation/Simulation.h"
#include "tests/engine/RandomDesign.h"

#include <benchmark/benchmark.h>
#include <random>
#include <thread>

namespace tavi {
namespace {

void loadDesign() {
    std::mt19937_64 rng(3);
    test::loadIntoEngine(test::randomDesign(rng, 3, 1, 1));
    prepareRunConstants(test::engineUnderTest());
}

void BM_Simulation(benchmark::State& state) {
    std::mt19937_64 rng(3);
    const auto design = test::preparedOf(test::randomDesign(rng, 3, 1, 1));
    SimulationRequest request;
    request.point = {50, 20, 0, 0};
    request.plan = {1000, 1, static_cast<int>(std::max(1U, std::thread::hardware_concurrency()))};
    request.effects.resize(design->NumCoef());
    request.effects[2] = 0.2;
    const DegreesOfFreedom df(design->design.model);
    const std::atomic<bool> stop{false};
    std::int64_t failed = 0;
    for (auto _ : state) {
        const SimulationSummary summary = simulateDesign(*design, request, df, stop);
        failed = summary.failed;
    }
    state.counters["threads"] = request.plan.threads;
    state.counters["failed"] = static_cast<double>(failed);
}
BENCHMARK(BM_Simulation)->Unit(benchmark::kSecond)->Iterations(1);

void BM_RemlFit(benchmark::State& state) {
    loadDesign();
    Eigen::VectorXd coefficients = Eigen::VectorXd::Zero(test::engineUnderTest().NumCoef);
    const DesignSampler sampler(test::engineUnderTest(), 50, 20, coefficients);
    TwoLevelData data;
    std::uint64_t replication = 0;
    double iterations = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        RandomStream random(1, replication++);
        sampler.draw(random, data);
        state.ResumeTiming();
        const RemlFit fit = fitReml(data);
        iterations += fit.iterations;
        benchmark::DoNotOptimize(fit.beta.data());
    }
    state.counters["iterations"] = iterations / static_cast<double>(state.iterations());
}
BENCHMARK(BM_RemlFit)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavi
