// The parameter-entry sequence of the main window: from the OK button through the file names,
// the counts, the value steps and the amount of output to the final choice, and the final
// choice itself.

#include "engine/run/CalculationRun.h"
#include "engine/run/FileAssumptions.h"
#include "files/CovarianceCheck.h"
#include "files/CovarianceFileName.h"
#include "files/FileNames.h"
#include "files/OutputLock.h"
#include "files/ParameterDesign.h"
#include "files/ParameterFile.h"
#include "files/TextScanner.h"
#include "files/ValueSteps.h"
#include "ui/AmountUnit.h"
#include "ui/CheckAnswer.h"
#include "ui/FillUnit.h"
#include "ui/Tavifm.h"
#include "ui/results/OpenResults.h"
#include "ui/results/ResultsWindow.h"
#include "ui/results/RunWithProgress.h"
#include "ui/toolkit/Application.h"
#include "ui/toolkit/Guard.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>

#include <cmath>
#include <functional>
#include <memory>
#include <optional>

namespace tavi::ui {

namespace {

// From this order on the grid gets scroll bars.
constexpr int kScrollingOrder = 8;
// Room around the cells of the grid, in pixels.
constexpr int kGridMargin = 15;
bool sameFileName(const QString& a, const QString& b) {
    return sameFile(a.toStdString(), b.toStdString());
}

// Asks the overwrite confirmation for the existing file fileName; true when the user allows it.
bool overwriteAllowed(const QString& fileName) {
    ExistsForm->Warnlabel1->setText(QStringLiteral("Warning: file ") + fileName +
                                    QStringLiteral(" is an existing file."));
    return ExistsForm->ShowModal() == mrOK;
}

// Whether the leading n x n blocks of a and b hold the same values, NaN matching NaN.
bool sameValues(const Matrix& a, const Matrix& b, int n) {
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            if (a(i, j) != b(i, j) && !(std::isnan(a(i, j)) && std::isnan(b(i, j)))) {
                return false;
            }
        }
    }
    return true;
}

QStringList namesOf(const std::vector<std::string>& names) {
    QStringList list;
    for (const std::string& name : names) {
        list << QString::fromStdString(name);
    }
    return list;
}

// Sets the grid to the shape of the step's quantity, with its names and its values in the
// cells; value(i, j) is the element in row i, column j.
void prepareGrid(const ValueStep& step, const std::function<double(int, int)>& value) {
    TFillForm& form = *FillForm;
    TStringGrid& grid = *form.StringGrid1;
    form.LowerTriangle = step.shape == ValueShape::Matrix;
    const int rows = step.order;
    const int columns = step.shape == ValueShape::Matrix ? rows : 1;
    grid.setRowCount(rows);
    grid.setColCount(columns);
    grid.setHeadings(namesOf(step.columnNames), namesOf(step.rowNames));
    grid.setScrollBars(rows >= kScrollingOrder);
    grid.resize(grid.cellsSize() + QSize(kGridMargin, kGridMargin));
    for (int i = 1; i <= rows; ++i) {
        for (int j = 1; j <= columns; ++j) {
            // Only the lower triangle of a matrix is entered; above it, the grid mirrors it.
            grid.setCells(j - 1, i - 1, realToCellText(j <= i ? value(i, j) : value(j, i)));
            grid.setCellEditable(j - 1, i - 1, j <= i);
        }
    }
}

// Shows the grid until every needed cell holds a number, which is then in FillMatrix. Returns
// false when the window was closed without OK: the quantity then keeps the values it had.
bool confirmGrid() {
    TFillForm& form = *FillForm;
    do {
        form.ValuesRead = false;
        form.ShowModal();
    } while (form.ValuesRead && FillError);
    // A note about these values does not belong under the next ones.
    form.FillFormMessage->setText(QString());
    return form.ValuesRead;
}

void enterVector(Vector& target, const ValueStep& step) {
    prepareGrid(step, [&target](int i, int) { return target(i); });
    if (confirmGrid()) {
        for (int i = 1; i <= step.order; ++i) {
            target(i) = FillMatrix(i, 1);
        }
    }
}

// The lower triangle with the diagonal is taken, and mirrored into the upper one. A matrix that
// is no covariance matrix brings the grid back once with a warning; the same values confirmed
// again are taken as they are.
void enterMatrix(Matrix& target, const ValueStep& step, CovarianceMatrixKind kind) {
    const int n = step.order;
    prepareGrid(step, [&target](int i, int j) { return target(i, j); });
    std::optional<Matrix> warnedAbout;
    while (confirmGrid()) {
        Matrix entered = FillMatrix;
        mirrorLowerTriangle(entered, n);
        const std::string warning = covarianceWarning(kind, entered, n);
        if (warning.empty() || (warnedAbout && sameValues(*warnedAbout, entered, n))) {
            for (int i = 1; i <= n; ++i) {
                for (int j = 1; j <= n; ++j) {
                    target(i, j) = entered(i, j);
                }
            }
            break;
        }
        FillForm->FillFormMessage->setText(QString::fromStdString(warning));
        warnedAbout = entered;
    }
}

void enterSingle(double& target, const ValueStep& step) {
    prepareGrid(step, [&target](int, int) { return target; });
    if (confirmGrid()) {
        target = FillMatrix(1, 1);
    }
}

void setHeadings(const QString& heading, const QString& secondLine) {
    FillForm->FillFormLabel->setText(heading);
    FillForm->FillFormLabel2->setText(secondLine);
}

}  // namespace

void TTaviForm::AskParameters() {
    // A click that waits while the sequence processes messages must not start it again.
    if (m_sequenceRunning) {
        return;
    }
    m_sequenceRunning = true;
    const struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_sequenceRunning};

    if (!settleFileNames() || !settleCounts()) {
        return;
    }
    enterValues();
    if (terminationRequested()) {
        return;
    }
    enterAmountOfOutput();
    if (terminationRequested()) {
        return;
    }
    offerFinalChoice();
}

bool TTaviForm::settleFileNames() {
    OutFileName = OutNameEdit->text();
    if (OutFileName.isEmpty()) {
        OutFileName = QStringLiteral("tavi.out");
    }
    // The report must not replace the parameters that the run is about to read.
    if (sameFileName(OutFileName, ParFileName)) {
        clearExplanation(0, 3);
        Explanation->setLine(0, QStringLiteral("Warning: "));
        Explanation->setLine(
            1, QStringLiteral("file ") + OutFileName + QStringLiteral(" is the parameter file;"));
        Explanation->setLine(2, QStringLiteral("give another output file name."));
        return false;
    }
    if (QFileInfo::exists(OutFileName) && !overwriteAllowed(OutFileName)) {
        return false;
    }
    FileNamePart = QString::fromStdString(fileNamePartOf(OutFileName.toStdString()));
    BaseName = QString::fromStdString(baseNameOf(FileNamePart.toStdString()));
    ExistsForm->Warnlabel1->setText(QString());

    const QString report = OutFileName;
    const CovarianceFileChoice choice = chooseCovarianceFileName(
        PathName.toStdString(), BaseName.toStdString(), [&report](const std::string& name) {
            const QString candidate = QString::fromStdString(name);
            // The report's and the parameter file's own names are taken as well: the run
            // writes the covariance file while it reads the one and writes the other.
            return QFileInfo::exists(candidate) || sameFileName(candidate, report) ||
                   sameFileName(candidate, ParFileName);
        });
    CovFileName = QString::fromStdString(choice.name);
    if (choice.overwriteQuestion) {
        Explanation->setLine(2, QStringLiteral("Warning: existing file ") + CovFileName);
        Explanation->setLine(3, QStringLiteral("will be overwritten if you continue."));
        const bool overwrite = overwriteAllowed(CovFileName);
        clearExplanation(0, 3);
        Explanation->setLine(0,
                             QStringLiteral("Give parameter file to be written or used by TAVI"));
        if (!overwrite) {
            return false;
        }
    }
    return true;
}

bool TTaviForm::settleCounts() {
    clearExplanation(0, 3);
    ProcessMessages();
    CheckNumber1Vars();
    CheckNumberFixed();
    CheckNumber2Vars();
    const DesignParameters& p = Design;
    if (!countsFitCapacity(p.k, p.k1, p.kw)) {
        // Said now, before any value is typed, and the counts stay open to change.
        clearExplanation();
        Explanation->setLine(0, QStringLiteral("Too many variables: "));
        Explanation->setLine(2, QStringLiteral("these numbers of variables give ") +
                                    QString::number(coefficientCount(p.k, p.k1, p.kw)) +
                                    QStringLiteral(" regression"));
        Explanation->setLine(3, QStringLiteral("coefficients, and at most ") +
                                    QString::number(dimmax) +
                                    QStringLiteral(" fit in the program."));
        Explanation->setLine(4, QStringLiteral("Give fewer variables and click OK again."));
        return false;
    }
    BitBtn1->hide();
    // From here on the counts match the blocks entered, and so the parameter file's layout.
    for (TEdit* field : {Number1Vars, NumberFixedEffects, Number2Vars}) {
        field->setReadOnly(true);
    }
    return true;
}

void TTaviForm::enterValues() {
    DesignParameters& p = Design;
    deriveMatrixOrders(p);
    for (const ValueStep& step : valueStepsFor(p.k, p.k1, p.kw)) {
        if (terminationRequested()) {
            return;
        }
        // Every line: a count check's prompt or warning must not stand under the step.
        for (int i = 0; i < kExplanationLines; ++i) {
            Explanation->setLine(i, QString::fromStdString(step.explanation[i]));
        }
        setHeadings(QString::fromStdString(step.heading), QString::fromStdString(step.heading2));
        ProcessMessages();
        switch (step.value) {
            case DesignValue::Means1:
                enterVector(p.Means1, step);
                break;
            case DesignValue::Means2:
                enterVector(p.Means2, step);
                break;
            case DesignValue::WithinCov:
                enterMatrix(p.WithinCov, step, CovarianceMatrixKind::Within);
                break;
            case DesignValue::BetweenCov:
                enterMatrix(p.BetweenCov, step, CovarianceMatrixKind::Between);
                break;
            case DesignValue::ResidualVariance:
                enterSingle(p.ResidualVariance, step);
                p.ResidualVariance = keptResidualVariance(p.ResidualVariance);
                break;
            case DesignValue::Tau:
                enterMatrix(p.Tau, step, CovarianceMatrixKind::RandomEffects);
                break;
        }
    }
}

void TTaviForm::enterAmountOfOutput() {
    clearExplanation();
    Explanation->setLine(0, QStringLiteral("Determination of the amount of output."));
    Explanation->setLine(2, QStringLiteral("There are two options for the amount of output:"));
    Explanation->setLine(3,
                         QStringLiteral("1. Sample sizes must satisfy a linear budget constraint"));
    Explanation->setLine(4, QStringLiteral("2. All combinations of sample sizes are given"));
    Explanation->setLine(5, QStringLiteral("   up to maxima specified by the user."));
    Explanation->setLine(6, QStringLiteral("(option 2 gives more output)"));
    ProcessMessages();

    TAmountForm& form = *AmountForm;
    const bool budget = Design.BudgetMode;
    // A changed item runs the form's own click handler, which explains the option chosen.
    form.OutputSelection->setItemIndex(budget ? 0 : 1);
    form.BudgetParameters->setVisible(budget);
    form.RangeParameters->setVisible(!budget);
    form.SetAmounts();
    for (;;) {
        do {
            form.ShowModal();
        } while (form.AmountError && !terminationRequested());
        // Settings that no run would take (more points than any plan needs) are said now, and
        // the form comes back.
        const std::vector<std::string> problems = unusableSettings(Design);
        if (problems.empty() || terminationRequested()) {
            return;
        }
        QString message = QStringLiteral("These settings cannot be calculated:");
        for (const std::string& problem : problems) {
            message += QStringLiteral("\n") + QString::fromStdString(problem);
        }
        showMessage(message);
    }
}

void TTaviForm::offerFinalChoice() {
    clearExplanation();
    Explanation->setLine(0, QStringLiteral("All parameter values now have been determined."));
    Explanation->setLine(2, QStringLiteral("Continue by choosing what to do with them."));
    ReadyLabel->show();
    FinalChoiceBitBtn0->show();
    FinalChoice->show();
    // The keyboard goes on at the choice: arrows choose, Tab reaches its OK button.
    FinalChoice->setFocus();
}

void TTaviForm::PlaceOKButton() {
    const int chosen = FinalChoice->ItemIndex();
    if (chosen < 0 || chosen > 2) {
        return;
    }
    TBitBtn* const buttons[] = {FinalChoiceBitBtn0, FinalChoiceBitBtn1, FinalChoiceBitBtn2};
    for (int i = 0; i < 3; ++i) {
        buttons[i]->setVisible(i == chosen);
    }
}

bool TTaviForm::mayReplaceParameterFile() {
    if (!m_parameterFileUnread || !QFileInfo::exists(ParFileName)) {
        return true;
    }
    return overwriteAllowed(ParFileName);
}

bool TTaviForm::writeParameters() {
    if (!mayReplaceParameterFile()) {
        return false;
    }
    WriteParameterFile(Design, ParFileName.toStdString(), OutFileName.toStdString(),
                       CovFileName.toStdString());
    m_parameterFileUnread = false;
    return true;
}

void TTaviForm::Calculate() {
    if (!writeParameters()) {
        return;
    }
    const std::string parFile = ParFileName.toStdString();
    const std::string report = OutFileName.toStdString();
    const std::string covFile = CovFileName.toStdString();
    // The run computes the design as the file just written holds it, read from the same text
    // rather than from the disk again.
    const auto design = std::make_unique<DesignParameters>(initialDesignParameters());
    TextScanner written(parameterFileText(Design, report, covFile), parFile);
    ReadParameterFile(written, *design, kRunReading);
    WindowRun run = runWithProgress(this, [&](const RunControl& control) {
        // Another calculation writing into the same folder is waited for, behind the dialog.
        const OutputLock lock({report, covFile}, control.stop, nullptr);
        return calculateDesign(designOf(*design), parFile, report, covFile, control);
    });
    if (terminationRequested()) {
        return;
    }
    if (!run.completed) {
        // The final choice stays open, as after a refusal.
        showMessage(QStringLiteral("The calculation was cancelled; the report ") + OutFileName +
                    QStringLiteral(" and the covariance file were not written."));
        return;
    }
    if (run.outcome.refused) {
        // The final choice stays open: the user may save the parameters or quit.
        showMessage(QStringLiteral("No standard errors were calculated: ") +
                    QString::fromStdString(run.outcome.reason) + QStringLiteral(".\nThe report ") +
                    OutFileName + QStringLiteral(" says why."));
        return;
    }
    // Owned by the main window, which lives to the program's end; closing it ends the program
    // unless the user opened further plans from it.
    auto* results =
        new ResultsWindow(std::make_unique<FileAssumptions>(designOf(*design).design, parFile),
                          std::move(*run.results), OutFileName, ParFileName, this);
    endWithLastResultsWindow(results);
    hide();
    results->show();
}

void TTaviForm::SaveOnly() {
    if (writeParameters()) {
        close();
    }
}

void TTaviForm::NoAction() {
    close();
}

}  // namespace tavi::ui
