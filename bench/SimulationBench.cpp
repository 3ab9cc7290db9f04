// Cost of checking a design by simulation: 1,000 replications at N = 50, n = 20 for a design
// with a fixed-only variable, two random slopes and a level-2 variable (k = 3, k1 = 1, kw = 1),
// of a three-level site-randomised trial at K = 40, J = 4, n = 10, and of a stepped wedge over 5
// periods at K = 24, n = 20, on all cores; and one REML fit of a data set of the first alone.

#include "engine/PeriodDesign.h"
#include "engine/simulation/DesignSampler.h"
#include "engine/simulation/RemlFit.h"
#include "engine/simulation/Simulation.h"
#include "tests/engine/PeriodDesigns.h"
#include "tests/engine/RandomDesign.h"
#include "tests/engine/ThreeLevelDesigns.h"

#include <benchmark/benchmark.h>
#include <random>
#include <thread>

namespace tavi {
namespace {

NestedDesign benchDesign() {
    std::mt19937_64 rng(3);
    return test::asDesign(test::randomDesign(rng, 3, 1, 1));
}

// 1,000 replications at point on all cores, with an effect of 0.2 on coefficient c.
void simulate(benchmark::State& state, NestedDesign d, const SweepPoint& point, int c) {
    const auto design = prepareDesign(std::move(d));
    SimulationRequest request;
    request.point = point;
    request.plan = {1000, 1, static_cast<int>(std::max(1U, std::thread::hardware_concurrency()))};
    request.effects.resize(design->NumCoef());
    request.effects[c] = 0.2;
    const DegreesOfFreedom df = degreesOfFreedomOf(design->design);
    const std::atomic<bool> stop{false};
    std::int64_t failed = 0;
    for (auto _ : state) {
        const SimulationSummary summary = simulateDesign(*design, request, df, stop);
        failed = summary.failed;
    }
    state.counters["threads"] = request.plan.threads;
    state.counters["failed"] = static_cast<double>(failed);
}

void BM_Simulation(benchmark::State& state) {
    simulate(state, benchDesign(), {50, 20, 0, 0}, 2);
}
BENCHMARK(BM_Simulation)->Unit(benchmark::kSecond)->Iterations(1);

// Sites randomised to a treatment, with covariates at every level and a slope varying between
// groups and between sites: 40 sites of 4 groups of 10 units, an effect on the treatment.
void BM_ThreeLevelSimulation(benchmark::State& state) {
    simulate(state, test::designOfModel(test::siteTrialWithSlopes()), {40, 10, 0, 4}, 3);
}
BENCHMARK(BM_ThreeLevelSimulation)->Unit(benchmark::kSecond)->Iterations(1);

// A stepped wedge of 4 sequences whose clusters' correlation decays by 0.8 a period and whose
// units form a cohort, fitted with the decay and the units' correlation estimated.
void BM_PeriodSimulation(benchmark::State& state) {
    const ClusterPeriods wedge = test::steppedWedge(4, {0.05, 1.0, 0.8, true, 0.4, 1.0});
    simulate(state, periodDesignOf(wedge, {24, 24, 1}, {20, 20, 1}), {24, 20, 0, 5}, 5);
}
BENCHMARK(BM_PeriodSimulation)->Unit(benchmark::kSecond)->Iterations(1);

void BM_RemlFit(benchmark::State& state) {
    const NestedDesign design = benchDesign();
    const DesignSampler sampler(design, {50, 20, 0, 0},
                                Eigen::VectorXd::Zero(termCount(design.model)));
    NestedData data;
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
