// The windowed program: the main window and its three dialogs, and the message loop.

#include "ui/AmountUnit.h"
#include "ui/CheckAnswer.h"
#include "ui/FillUnit.h"
#include "ui/Tavifm.h"
#include "ui/results/ResultsWindow.h"
#include "ui/toolkit/EndOnTerminate.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

namespace {

// Qt aborts when it finds no display; a clear hint is kinder.
bool displayAvailable() {
    return std::getenv("QT_QPA_PLATFORM") != nullptr || std::getenv("DISPLAY") != nullptr ||
           std::getenv("WAYLAND_DISPLAY") != nullptr;
}

// `tavi --results PARFILE`: the results window of an existing parameter file, computed in
// memory without the entry sequence. Empty for other arguments; otherwise the program's status.
std::optional<int> showResultsOnly(int argc, char** argv) {
    if (argc != 3 || std::strcmp(argv[1], "--results") != 0) {
        return std::nullopt;
    }
    QString message;
    const auto window = tavi::ui::resultsOfFile(QString::fromLocal8Bit(argv[2]), message);
    if (!window) {
        std::fprintf(stderr, "tavi: %s\n", message.toLocal8Bit().constData());
        return 1;
    }
    QObject::connect(window.get(), &tavi::ui::ResultsWindow::closed, qApp, &QCoreApplication::quit);
    window->show();
    return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    if (!displayAvailable()) {
        std::fputs(
            "tavi: no display found; start it in a desktop session, or without one as "
            "'xvfb-run build/tavi' (tavi-calc computes without any window)\n",
            stderr);
        return 1;
    }
    QApplication application(argc, argv);
    if (const std::optional<int> status = showResultsOnly(argc, argv)) {
        return *status;
    }
    using namespace tavi::ui;
    // Kept until the message loop has ended, however it ends: the dialogue may still be on the
    // stack of a dialog's loop when the program is asked to terminate.
    const auto mainWindow = std::make_unique<TTaviForm>();
    TaviForm = mainWindow.get();
    ExistsForm = new TExistsForm(TaviForm);
    FillForm = new TFillForm(TaviForm);
    AmountForm = new TAmountForm(TaviForm);
    if (!endOnTerminate()) {
        std::fputs("tavi: SIGTERM will not end the program in order\n", stderr);
    }
    TaviForm->show();
    return QApplication::exec();
}
