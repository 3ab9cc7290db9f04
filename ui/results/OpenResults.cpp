#include "ui/results/OpenResults.h"

#include "engine/run/CalculationRun.h"
#include "engine/run/FileAssumptions.h"
#include "engine/run/TemplateAssumptions.h"
#include "files/DesignFile.h"
#include "files/FileError.h"
#include "files/FileNames.h"
#include "ui/results/RunWithProgress.h"

#include <QApplication>

#include <new>

namespace tavi::ui {

namespace {

// The window of the design that assumptions give, computed behind the progress dialog.
std::unique_ptr<ResultsWindow> computedWindow(std::unique_ptr<Assumptions> assumptions,
                                              const QString& reportFile, const QString& designFile,
                                              const QString& name, QString& message) {
    const AssumedDesign assumed = assumptions->design();
    if (!assumed.design) {
        message = name + QStringLiteral(": ") + QString::fromStdString(assumed.problem.message);
        return nullptr;
    }
    WindowRun run;
    try {
        const DesignReading reading{*assumed.design, std::nullopt};
        run = runWithProgress(nullptr, [&reading](const RunControl& control) {
            return calculateInMemory(reading, control);
        });
    } catch (const std::bad_alloc&) {
        message = name + QStringLiteral(": not enough memory for this calculation");
        return nullptr;
    } catch (const std::exception& error) {
        message = name + QStringLiteral(": cannot compute: ") + QString::fromUtf8(error.what());
        return nullptr;
    }
    if (!run.completed) {
        message = name + QStringLiteral(": calculation cancelled");
        return nullptr;
    }
    if (run.outcome.refused) {
        message = name + QStringLiteral(": design refused: ") +
                  QString::fromStdString(run.outcome.reason);
        return nullptr;
    }
    return std::make_unique<ResultsWindow>(std::move(assumptions), std::move(*run.results),
                                           reportFile, designFile);
}

}  // namespace

std::unique_ptr<ResultsWindow> resultsOfFile(const QString& parFile, QString& message) {
    const std::string name = parFile.toStdString();
    // The report that tavi-calc would write for this file.
    const QString report = QString::fromStdString(withExtension(name, ".out"));
    std::unique_ptr<Assumptions> assumptions;
    try {
        DesignFileReading file = readDesignFile(name);
        if (file.error) {
            throw *file.error;
        }
        if (file.reading.unheld) {
            message = parFile + QStringLiteral(": design refused: ") +
                      QString::fromStdString(unheldReason(*file.reading.unheld));
            return nullptr;
        }
        assumptions = std::make_unique<FileAssumptions>(file.reading.design, name);
    } catch (const FileError& error) {
        message = QString::fromStdString(error.fileName()) + QStringLiteral(": ") +
                  QString::fromUtf8(error.what());
        return nullptr;
    }
    return computedWindow(std::move(assumptions), report, parFile, parFile, message);
}

std::unique_ptr<ResultsWindow> newPlanWindow(const DesignTemplate& designTemplate,
                                             QString& message) {
    return computedWindow(
        std::make_unique<TemplateAssumptions>(designTemplate), {}, {},
        QString::fromUtf8(designTemplate.name.data(), qsizetype(designTemplate.name.size())),
        message);
}

void endWithLastResultsWindow(ResultsWindow* window) {
    QObject::connect(window, &ResultsWindow::closed, qApp, [window] {
        for (QWidget* other : QApplication::topLevelWidgets()) {
            if (other != window && qobject_cast<ResultsWindow*>(other) != nullptr &&
                other->isVisible()) {
                return;
            }
        }
        QCoreApplication::quit();
    });
}

}  // namespace tavi::ui
