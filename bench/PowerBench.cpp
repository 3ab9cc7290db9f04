// Cost of the tests on top of a run: the 2,100-point run of the largest design through
// tavi-calc with and without the table of power and MDES, and the search of a budget line of
// 4,999 group sizes for the best points.

#include "RunParameters.h"
#include "app/CalcCommand.h"
#include "engine/power/BestAllocation.h"
#include "engine/power/BudgetLine.h"
#include "engine/run/CalculationRun.h"

#include <benchmark/benchmark.h>
#include <sstream>
#include <vector>

namespace tavi {
namespace {

// Argument 0: the run alone; 1: with --power-csv and effects for three coefficients; 2: the
// same with the summary, which adds the search for the best points.
void BM_CalcCommandPower(benchmark::State& state) {
    writeRunParameters();
    std::vector<const char*> arguments = {kRunParFile, kRunReport, kRunCovFile};
    if (state.range(0) >= 1) {
        arguments.insert(arguments.begin(),
                         {"--power-csv", "/dev/shm/tavi-bench-power.csv", "--effect", "Fixed1=0.05",
                          "--effect", "Group1=0.1", "--effect", "CrossL2_3=0.1"});
    }
    if (state.range(0) == 1) {
        arguments.insert(arguments.begin(), "--quiet");
    }
    for (auto _ : state) {
        std::ostringstream out;
        std::ostringstream err;
        const int status =
            runCalcCommand(static_cast<int>(arguments.size()), arguments.data(), out, err, false);
        if (status != kExitComplete) {
            state.SkipWithError(err.str().c_str());
        }
    }
    state.counters["points"] = kRunPoints;
}
BENCHMARK(BM_CalcCommandPower)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// Under a budget of 10^6 at cost 5 for n = 2..5000; the sweep's step of 100 makes the search
// compute every other point of the line. Argument: the number of coefficients with an effect.
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
    const EngineState& design = *run.design;
    std::vector<std::optional<double>> effects(design.NumCoef);
    for (int i = 0; i < state.range(0); ++i) {
        effects[i * design.NumCoef / state.range(0)] = 0.02;
    }
    for (auto _ : state) {
        const AllocationSearch search = prepareAllocationSearch(design);
        PointTests tests({}, DegreesOfFreedom(design), effects);
        benchmark::DoNotOptimize(bestPointsOf(*search.budgetLine, tests).data());
    }
}
BENCHMARK(BM_BudgetLineSearch)->Arg(3)->Arg(40)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavi
