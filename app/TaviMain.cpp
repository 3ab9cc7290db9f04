// The windowed program: the main window and its three dialogs, and the message loop.

#include "ui/AmountUnit.h"
#include "ui/CheckAnswer.h"
#include "ui/CommandLine.h"
#include "ui/FillUnit.h"
#include "ui/Tavifm.h"
#include "ui/results/OpenResults.h"
#include "ui/results/TemplateChooser.h"
#include "ui/toolkit/Application.h"
#include "ui/toolkit/EndOnTerminate.h"

#include <QApplication>
#include <QFile>
#include <QIcon>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

namespace {

// Qt aborts when it finds no display; a clear hint is kinder.
bool displayAvailable() {
    return std::getenv("QT_QPA_PLATFORM") != nullptr || std::getenv("DISPLAY") != nullptr ||
           std::getenv("WAYLAND_DISPLAY") != nullptr;
}

// Shows window, or says in message why there is none; the program's status.
int showResults(std::unique_ptr<tavi::ui::ResultsWindow> window, const QString& message) {
    // Asked to end (SIGTERM) while it computed: the program ends in order.
    if (tavi::ui::terminationRequested()) {
        return 0;
    }
    if (!window) {
        std::fprintf(stderr, "tavi: %s\n", message.toLocal8Bit().constData());
        return 1;
    }
    tavi::ui::endWithLastResultsWindow(window.get());
    window->show();
    return QApplication::exec();
}

// The results window of an existing parameter file, computed in memory without the entry
// sequence, with the contrasts and joint tests asked for; the program's status.
int showResultsOnly(const std::string& parameterFile, const tavi::TestOptions& tests) {
    QString message;
    auto window = tavi::ui::resultsOfFile(QFile::decodeName(parameterFile.c_str()), message);
    if (window) {
        try {
            window->applyTestOptions(tests);
        } catch (const tavi::TestOptionError& error) {
            window.reset();
            message = QString::fromStdString(error.message);
        }
    }
    return showResults(std::move(window), message);
}

// A new plan from the template the user chooses; the program's status, 0 when none is chosen.
int showNewPlan() {
    const tavi::DesignTemplate* chosen = tavi::ui::chooseTemplate(nullptr);
    if (chosen == nullptr) {
        return 0;
    }
    QString message;
    auto window = tavi::ui::newPlanWindow(*chosen, message);
    return showResults(std::move(window), message);
}

}  // namespace

int main(int argc, char** argv) {
    // Answered before any window exists, so that --help and --version need no display.
    const tavi::ui::StartRequest request =
        tavi::ui::readCommandLine(argc - 1, argv + 1, std::cout, std::cerr);
    if (request.exitStatus) {
        return *request.exitStatus;
    }
    if (!displayAvailable()) {
        std::fputs(
            "tavi: no display found; start it in a desktop session, or without one as "
            "'xvfb-run tavi' (tavi-calc computes without any window)\n",
            stderr);
        return 1;
    }
    // Qt sees no arguments: a parameter file's name must never be taken for one of its options.
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    // The desktop entry's name lets Wayland desktops find the program's icon and menu entry.
    QGuiApplication::setDesktopFileName(QStringLiteral(TAVI_APP_ID));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tavi.svg")));
    if (!tavi::ui::endOnTerminate()) {
        std::fputs("tavi: SIGTERM will not end the program in order\n", stderr);
    }
    if (request.resultsOnly) {
        return showResultsOnly(*request.parameterFile, request.tests);
    }
    if (request.newPlan) {
        return showNewPlan();
    }
    using namespace tavi::ui;
    // Kept until the message loop has ended, however it ends: the dialogue may still be on the
    // stack of a dialog's loop when the program is asked to terminate.
    const auto mainWindow = std::make_unique<TTaviForm>();
    TaviForm = mainWindow.get();
    if (request.parameterFile) {
        TaviForm->setStartFile(QFile::decodeName(request.parameterFile->c_str()));
    }
    ExistsForm = new TExistsForm(TaviForm);
    FillForm = new TFillForm(TaviForm);
    AmountForm = new TAmountForm(TaviForm);
    TaviForm->show();
    return QApplication::exec();
}
