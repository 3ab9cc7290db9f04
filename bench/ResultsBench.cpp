// What the results window costs on the 2,100-point run of the largest design (40 coefficients):
// opening it from the parameter file, one redraw after a change of coefficient, quantity or
// setting, and an edit of its assumptions computed anew on every core and drawn, offscreen; and
// an edit of a template's key.

#include "RunParameters.h"
#include "engine/run/CalculationRun.h"
#include "engine/run/ResultsModel.h"
#include "engine/templates/DesignTemplates.h"
#include "ui/results/OpenResults.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>

#include <benchmark/benchmark.h>
#include <cstdlib>

namespace tavi {
namespace {

QApplication& application() {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "tavi-bench";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

std::unique_ptr<ui::ResultsWindow> runWindow() {
    writeRunParameters();
    QString message;
    auto window = ui::resultsOfFile(QString::fromLatin1(kRunParFile), message);
    if (!window) {
        std::abort();
    }
    return window;
}

// Types text into the assumptions' field key and waits until the window shows its results.
void editAndWait(ui::ResultsWindow& window, const char* key, const QString& text) {
    auto* field = window.findChild<QLineEdit*>(QStringLiteral("Field_") + QLatin1String(key));
    field->setText(text);
    emit field->textEdited(text);
    while (window.recalculating()) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

// From the parameter file to the window, computed in memory on every core and drawn once.
void BM_ResultsWindowOpens(benchmark::State& state) {
    application();
    writeRunParameters();
    for (auto _ : state) {
        benchmark::DoNotOptimize(runWindow());
    }
}
BENCHMARK(BM_ResultsWindowOpens)->Unit(benchmark::kMillisecond)->UseRealTime();

// One redraw: argument 0 a new coefficient (power of a fixed-only one, whose df differ at every
// point), 1 a new alpha on the power plot, 2 the MDES plot.
void BM_ResultsWindowRedraws(benchmark::State& state) {
    application();
    const auto window = runWindow();
    window->QuantityBox->setCurrentIndex(state.range(0) == 2 ? 1 : 2);
    int i = 0;
    for (auto _ : state) {
        ++i;
        switch (state.range(0)) {
            case 0:
                window->CoefficientBox->setCurrentIndex(i % 2 == 0 ? 0 : 20);
                break;
            case 1:
                window->AlphaBox->setValue(i % 2 == 0 ? 0.05 : 0.1);
                break;
            default:
                window->PowerBox->setValue(i % 2 == 0 ? 0.8 : 0.9);
                break;
        }
    }
}
BENCHMARK(BM_ResultsWindowRedraws)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// An edit of the intraclass correlation: the 2,100 points and the search computed anew on every
// core, the table and the power plot drawn again.
void BM_AssumptionEdit(benchmark::State& state) {
    application();
    const auto window = runWindow();
    window->QuantityBox->setCurrentIndex(2);
    int i = 0;
    for (auto _ : state) {
        editAndWait(*window, "icc", i++ % 2 == 0 ? QStringLiteral("0.15") : QStringLiteral("0.1"));
    }
}
BENCHMARK(BM_AssumptionEdit)->Unit(benchmark::kMillisecond)->UseRealTime();

// An edit of a template's key: the cluster-randomised trial's intraclass correlation.
void BM_TemplateEdit(benchmark::State& state) {
    application();
    QString message;
    const auto window = ui::newPlanWindow(*findTemplate("cluster-trial"), message);
    window->QuantityBox->setCurrentIndex(2);
    int i = 0;
    for (auto _ : state) {
        editAndWait(*window, "icc", i++ % 2 == 0 ? QStringLiteral("0.15") : QStringLiteral("0.1"));
    }
}
BENCHMARK(BM_TemplateEdit)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tavi
