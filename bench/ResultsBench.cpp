// What the results window costs on top of the 2,100-point run of the largest design (40
// coefficients): building its data once the run has ended, and one redraw after a change of
// coefficient, quantity or setting, offscreen.

#include "RunParameters.h"
#include "engine/run/CalculationRun.h"
#include "engine/run/ResultsModel.h"
#include "ui/results/ResultsWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>

#include <benchmark/benchmark.h>
#include <cstdlib>

namespace tavi {
namespace {

RunResults runResults() {
    writeRunParameters();
    SweepCollector collector;
    calculateInMemory(kRunParFile, {.observer = &collector});
    return std::move(*collector.results());
}

QApplication& application() {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "tavi-bench";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

// From the run's results to the window, drawn once, ready to show.
void BM_ResultsWindowOpens(benchmark::State& state) {
    application();
    const RunResults results = runResults();
    for (auto _ : state) {
        ui::ResultsWindow window(ResultsModel(results), {});
        benchmark::DoNotOptimize(&window);
    }
}
BENCHMARK(BM_ResultsWindowOpens)->Unit(benchmark::kMillisecond);

// One redraw: argument 0 a new coefficient (power of a fixed-only one, whose df differ at every
// point), 1 a new alpha on the power plot, 2 the MDES plot.
void BM_ResultsWindowRedraws(benchmark::State& state) {
    application();
    ui::ResultsWindow window(ResultsModel(runResults()), {});
    window.QuantityBox->setCurrentIndex(state.range(0) == 2 ? 1 : 2);
    int i = 0;
    for (auto _ : state) {
        ++i;
        switch (state.range(0)) {
            case 0:
                window.CoefficientBox->setCurrentIndex(i % 2 == 0 ? 0 : 20);
                break;
            case 1:
                window.AlphaBox->setValue(i % 2 == 0 ? 0.05 : 0.1);
                break;
            default:
                window.PowerBox->setValue(i % 2 == 0 ? 0.8 : 0.9);
                break;
        }
    }
}
BENCHMARK(BM_ResultsWindowRedraws)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavi
