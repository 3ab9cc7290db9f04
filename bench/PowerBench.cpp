// Cost of the tests on top of a run: the 2,100-point run of the largest design through
// tavi-calc with and without the table of power and MDES, the required numbers of groups or the
// table of two joint tests, or with groups of unequal sizes, and the search of a budget line of
// 4,999 group sizes for the best points and required groups.

#include "RunParameters.h"
#include "SweepRuns.h"
#include "engine/power/AllocationAnswers.h"
#include "engine/run/CalculationRun.h"

#include <benchmark/benchmark.h>
#include <vector>

namespace tavi {
namespace {

// Runs tavi-calc with arguments at every iteration of state.
void runCommand(benchmark::State& state, const std::vector<const char*>& arguments) {
    for (auto _ : state) {
        if (const auto failure = calcFailure(arguments)) {
            state.SkipWithError(failure->c_str());
        }
    }
    state.counters["points"] = kRunPoints;
}

// Argument 0: the run alone; 1: with --power-csv and effects for three coefficients; 2: the
// same with the summary, which adds the search for the best points and required groups; 3: the
// run with the three effects and --required-csv alone; 4: the run with --joint-csv of two joint
// tests, of three level-2 coefficients and of a slope with its interaction.
void BM_CalcCommandPower(benchmark::State& state) {
    writeRunParameters();
    std::vector<const char*> arguments = {kRunParFile, kRunReport, kRunCovFile};
    if (state.range(0) >= 1 && state.range(0) <= 3) {
        arguments.insert(arguments.begin(), {"--effect", "Fixed1=0.05", "--effect", "Group1=0.1",
                                             "--effect", "CrossL2_3=0.1"});
    }
    if (state.range(0) == 1 || state.range(0) == 2) {
        arguments.insert(arguments.begin(), {"--power-csv", "/dev/shm/tavi-bench-power.csv"});
    }
    if (state.range(0) == 3) {
        arguments.insert(arguments.begin(), {"--required-csv", "/dev/shm/tavi-bench-required.csv"});
    }
    if (state.range(0) == 4) {
        arguments.insert(arguments.begin(),
                         {"--joint-csv", "/dev/shm/tavi-bench-joint.csv", "--joint",
                          "level2=Group1,Group2,Group3", "--joint", "slope=Random1,CrossL1_1",
                          "--effect", "Group1=0.1", "--effect", "Group2=0.05", "--effect",
                          "Group3=0", "--effect", "Random1=0.1", "--effect", "CrossL1_1=0.05"});
    }
    if (state.range(0) == 1 || state.range(0) == 3 || state.range(0) == 4) {
        arguments.insert(arguments.begin(), "--quiet");
    }
    runCommand(state, arguments);
}
BENCHMARK(BM_CalcCommandPower)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Arg(3)
    ->Arg(4)
    ->Unit(benchmark::kMillisecond);

// The 2,100-point run with the table of standard errors: argument 0 with groups of n units, 1
// with sizes varying around n (CV 0.6), whose expected information sums over the sizes of each
// point, and 2 with units missing as well.
void BM_CalcCommandSizes(benchmark::State& state) {
    writeRunParameters();
    std::vector<const char*> arguments = {"--csv", "/dev/shm/tavi-bench-se.csv", kRunParFile,
                                          kRunReport, kRunCovFile};
    if (state.range(0) >= 1) {
        arguments.insert(arguments.begin(), {"--size-cv", "0.6"});
    }
    if (state.range(0) == 2) {
        arguments.insert(arguments.begin(), {"--dropout", "0.1"});
    }
    runCommand(state, arguments);
}
BENCHMARK(BM_CalcCommandSizes)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Under a budget of 10^6 at cost 5 for n = 2..5000: the search computes every point of the line.
// Argument: the number of coefficients with an effect.
void BM_BudgetLineSearch(benchmark::State& state) {
    DesignParameters p = largestDesignParameters();
    p.BudgetMode = true;
    p.Budget = 1000000;
    p.CostParameter = 5;
    p.MinGroupSize = 2;
    p.GroupSizeStep = 100;
    p.MaxGroupSize = 5000;
    WriteParameterFile(p, kRunParFile, kRunReport, kRunCovFile);
    const RunOutcome run = RunCalculation(kRunParFile, kRunReport, kRunCovFile);
    const PreparedDesign& design = *run.design;
    std::vector<std::optional<double>> effects(design.NumCoef());
    for (int i = 0; i < state.range(0); ++i) {
        effects[i * design.NumCoef() / state.range(0)] = 0.02;
    }
    const SweepTable sweep(design.NumCoef(), true);
    for (auto _ : state) {
        PointTests tests({}, DegreesOfFreedom(design.design.model), effects);
        benchmark::DoNotOptimize(answerAllocation(design, sweep, tests).best.data());
    }
}
BENCHMARK(BM_BudgetLineSearch)->Arg(3)->Arg(40)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavi
