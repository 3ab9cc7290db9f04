// The parameter-entry sequence of the main window: from the OK button through the file names,
// the counts, the value steps and the amount of output to the final choice, and the final
// choice itself.

#include "engine/run/CalculationRun.h"
#include "engine/run/RunResults.h"
#include "files/CovarianceCheck.h"
#include "files/CovarianceFileName.h"
#include "files/FileNames.h"
#include "files/ParameterFile.h"
#include "ui/AmountUnit.h"
#include "ui/CheckAnswer.h"
#include "ui/FillUnit.h"
#include "ui/Tavifm.h"
#include "ui/results/ResultsWindow.h"
#include "ui/toolkit/Application.h"
#include "ui/toolkit/Guard.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>

#include <cmath>
#include <functional>
#include <optional>

namespace tavi::ui {

namespace {

// From this order on the grid gets scroll bars.
constexpr int kScrollingOrder = 8;
// Room around the cells of the grid, in pixels.
constexpr int kGridMargin = 15;
constexpr double kSmallestResidualVariance = 0.000001;

const QString kTwoBlanks = QStringLiteral("  ");

bool sameFile(const QString& a, const QString& b) {
    return SameFile(a.toStdString(), b.toStdString());
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

enum class Shape { Vector, Matrix, Single };

// Sets the grid to the shape of one quantity of order n, with its values in the cells;
// value(i, j) is the element in row i, column j.
void prepareGrid(Shape shape, int n, const std::function<double(int, int)>& value) {
    TFillForm& form = *FillForm;
    TStringGrid& grid = *form.StringGrid1;
    form.LowerTriangle = shape == Shape::Matrix;
    const int columns = shape == Shape::Matrix ? n : 1;
    const int rows = shape == Shape::Single ? 1 : n;
    grid.setRowCount(rows);
    grid.setColCount(columns);
    grid.setScrollBars(shape != Shape::Single && n >= kScrollingOrder);
    grid.resize(grid.DefaultColWidth() * columns + kGridMargin,
                grid.DefaultRowHeight() * rows + kGridMargin);
    for (int i = 1; i <= rows; ++i) {
        for (int j = 1; j <= columns; ++j) {
            // Above the diagonal a matrix shows a blank: only its lower triangle is entered.
            grid.setCells(j - 1, i - 1, j <= i ? RealToCellText(value(i, j)) : QStringLiteral(" "));
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
    return form.ValuesRead;
}

void enterVector(Vector& target, int n) {
    prepareGrid(Shape::Vector, n, [&target](int i, int) { return target(i); });
    if (confirmGrid()) {
        for (int i = 1; i <= n; ++i) {
            target(i) = FillMatrix(i, 1);
        }
    }
}

// The lower triangle with the diagonal is taken, and mirrored into the upper one. A matrix that
// is no covariance matrix brings the grid back once with a warning; the same values confirmed
// again are taken as they are.
void enterMatrix(Matrix& target, int n, CovarianceMatrixKind kind) {
    prepareGrid(Shape::Matrix, n, [&target](int i, int j) { return target(i, j); });
    std::optional<Matrix> warnedAbout;
    while (confirmGrid()) {
        Matrix entered{};
        for (int i = 1; i <= n; ++i) {
            for (int j = 1; j <= n; ++j) {
                entered(i, j) = j <= i ? FillMatrix(i, j) : FillMatrix(j, i);
            }
        }
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
    FillForm->FillFormMessage->setText(QString());
}

void enterSingle(double& target) {
    prepareGrid(Shape::Single, 1, [&target](int, int) { return target; });
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
    if (sameFile(OutFileName, ParFileName)) {
        clearExplanation(0, 3);
        Explanation->setLine(0, QStringLiteral("Warning: "));
        Explanation->setLine(
            1, QStringLiteral("file ") + OutFileName + QStringLiteral(" is the parameter file;"));
        Explanation->setLine(2, QStringLiteral("give another output file name."));
        return false;
    }
    if (QFileInfo::exists(OutFileName)) {
        ExistsForm->Warnlabel1->setText(QStringLiteral("Warning: file ") + OutFileName +
                                        QStringLiteral(" is an existing file."));
        if (ExistsForm->ShowModal() == mrCancel) {
            return false;
        }
    }
    FileNamePart = QString::fromStdString(FileNamePartOf(OutFileName.toStdString()));
    BaseName = QString::fromStdString(BaseNameOf(FileNamePart.toStdString()));
    ExistsForm->Warnlabel1->setText(QString());

    const QString report = OutFileName;
    const CovarianceFileChoice choice = ChooseCovarianceFileName(
        PathName.toStdString(), BaseName.toStdString(), [&report](const std::string& name) {
            const QString candidate = QString::fromStdString(name);
            // The report's and the parameter file's own names are taken as well: the run
            // writes the covariance file while it reads the one and writes the other.
            return QFileInfo::exists(candidate) || sameFile(candidate, report) ||
                   sameFile(candidate, ParFileName);
        });
    CovFileName = QString::fromStdString(choice.name);
    if (choice.overwriteQuestion) {
        ExistsForm->Warnlabel1->setText(QStringLiteral("Warning: file ") + CovFileName +
                                        QStringLiteral(" is an existing file."));
        Explanation->setLine(2, QStringLiteral("Warning: existing file ") + CovFileName);
        Explanation->setLine(3, QStringLiteral("will be overwritten if you continue."));
        const bool overwrite = ExistsForm->ShowModal() == mrOK;
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
    const tavi::DesignParameters& p = DesignParameters;
    if (!CountsFitCapacity(p.k, p.k1, p.kw)) {
        // Said now, before any value is typed, and the counts stay open to change.
        clearExplanation();
        Explanation->setLine(0, QStringLiteral("Too many variables: "));
        Explanation->setLine(2, QStringLiteral("these numbers of variables give ") +
                                    QString::number(CoefficientCount(p.k, p.k1, p.kw)) +
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

void TTaviForm::enterMeans(Vector& means, int count, const char* level) {
    if (count < 1) {
        return;
    }
    const QString variables =
        QString::fromLatin1(level) +
        (count == 1 ? QStringLiteral(" variable") : QStringLiteral(" variables"));
    const QString mean = count == 1 ? QStringLiteral("mean") : QStringLiteral("means");
    // All lines: a count check's prompt or warning must not stand under the step.
    clearExplanation();
    Explanation->setLine(0, (count == 1 ? QStringLiteral("Mean") : QStringLiteral("Means")) +
                                QStringLiteral(" of the ") + variables);
    setHeadings(QStringLiteral("Fill in the ") + mean + QStringLiteral(" of the ") + variables,
                kTwoBlanks);
    ProcessMessages();
    enterVector(means, count);
}

void TTaviForm::enterValues() {
    tavi::DesignParameters& p = DesignParameters;
    const auto plural = [](int count, const char* one, const char* many) {
        return QString::fromLatin1(count == 1 ? one : many);
    };

    enterMeans(p.Means1, p.k1, "level-1");
    enterMeans(p.Means2, p.kw, "level-2");
    if (p.k >= 1) {
        clearExplanation();
        if (p.k == 1) {
            Explanation->setLine(0, QStringLiteral("Within-groups variance "));
            Explanation->setLine(1, QStringLiteral("of the level-1 variable"));
            setHeadings(
                QStringLiteral("Fill in the within-groups variance of the level-1 variable"),
                QString());
        } else {
            Explanation->setLine(0, QStringLiteral("Within-groups covariance matrix"));
            Explanation->setLine(1, QStringLiteral("of the level-1 variables"));
            if (p.k1 > 0 && p.k1 < p.k) {
                Explanation->setLine(
                    2, QStringLiteral("Level-1 variables must be ordered as follows:"));
                Explanation->setLine(3, plural(p.k1, "first the variable with a fixed effect only,",
                                               "first variables with fixed effects only,"));
                Explanation->setLine(
                    4,
                    QString::fromLatin1(
                        p.k == p.k1 + 1 ? "then the variable with fixed as well as random effect."
                                        : "then variables with fixed as well as random effects."));
            }
            setHeadings(QStringLiteral("Fill in the within-groups covariance matrix (subdiagonal)"),
                        QStringLiteral("of the level-1 variables"));
        }
        ProcessMessages();
        enterMatrix(p.WithinCov, p.k, CovarianceMatrixKind::Within);
    }
    // Line 4 too: the last ordering line must not stand under the next step.
    clearExplanation(0, 4);

    p.nBetween = p.k1 + p.kw;
    if (p.nBetween >= 1) {
        const bool one = p.nBetween == 1;
        Explanation->setLine(0, QString::fromLatin1(one ? "Between-groups variance "
                                                        : "Between-groups covariance matrix"));
        Explanation->setLine(
            1, QString::fromLatin1(one ? "of explanatory variable" : "of explanatory variables"));
        if (p.k1 == 1) {
            Explanation->setLine(2, QStringLiteral("(The group mean of the level-1 variable"));
            Explanation->setLine(3, QStringLiteral("is treated as a level-2 variable.)"));
        } else if (p.k1 >= 2) {
            Explanation->setLine(2, QStringLiteral("(The group means of the level-1 variables"));
            Explanation->setLine(3, QStringLiteral("are treated as level-2 variables.)"));
        }
        Explanation->setLine(5, one ? QStringLiteral("There is in total one variable at level 2.")
                                    : QStringLiteral("There are in total ") +
                                          QString::number(p.nBetween) +
                                          QStringLiteral(" variables at level 2."));
        if (p.kw >= 1 && p.k1 >= 1) {
            Explanation->setLine(6, QStringLiteral("They must be ordered so "));
            Explanation->setLine(
                7, p.kw == 1 ? QStringLiteral("that first comes the original level-2 variable,")
                             : QStringLiteral("that first come the ") + QString::number(p.kw) +
                                   QStringLiteral(" original level-2 variables,"));
            Explanation->setLine(8, plural(p.k1, "and then the group mean of the",
                                           "and then the group means of the"));
            Explanation->setLine(9, plural(p.k1, "of the level-1 variable with fixed effects only.",
                                           "of the level-1 variables with fixed effects only."));
        }
        setHeadings(QString::fromLatin1(one ? "Fill in the between-groups variance"
                                            : "Fill in the between-groups covariance matrix"),
                    QString());
        ProcessMessages();
        enterMatrix(p.BetweenCov, p.nBetween, CovarianceMatrixKind::Between);
    }
    clearExplanation();

    Explanation->setLine(0, QStringLiteral("Parameters of the random part of the model."));
    Explanation->setLine(1, QStringLiteral("1. Residual variance at level 1."));
    setHeadings(QStringLiteral("Fill in the level-1 residual variance"), kTwoBlanks);
    ProcessMessages();
    enterSingle(p.ResidualVariance);
    if (!(p.ResidualVariance > 0)) {
        p.ResidualVariance = kSmallestResidualVariance;
    }

    p.nRandom = p.k - p.k1 + 1;
    if (p.nRandom == 1) {
        Explanation->setLine(1, QStringLiteral("2. Intercept variance at level 2."));
        Explanation->setLine(
            3, QStringLiteral("The model contains a random intercept and no random slopes."));
        Explanation->setLine(4, QStringLiteral("The intercept variance is needed."));
    } else {
        Explanation->setLine(1,
                             QStringLiteral("2. Covariance matrix of random effects at level 2."));
        Explanation->setLine(3, QStringLiteral("There are ") + QString::number(p.nRandom) +
                                    QStringLiteral(" random coefficients (intercept plus ") +
                                    QString::number(p.nRandom - 1) + QStringLiteral(" slopes)."));
        Explanation->setLine(4, QStringLiteral("Their covariance matrix is required."));
    }
    setHeadings(QString::fromLatin1(p.nRandom == 1
                                        ? "Fill in the intercept variance"
                                        : "Fill in the level-two random effects covariance matrix"),
                QString());
    ProcessMessages();
    enterMatrix(p.Tau, p.nRandom, CovarianceMatrixKind::RandomEffects);
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
    const bool budget = DesignParameters.BudgetMode;
    // A changed item runs the form's own click handler, which explains the option chosen.
    form.OutputSelection->setItemIndex(budget ? 0 : 1);
    form.BudgetParameters->setVisible(budget);
    form.RangeParameters->setVisible(!budget);
    form.SetAmounts();
    do {
        form.ShowModal();
    } while (form.AmountError && !terminationRequested());
}

void TTaviForm::offerFinalChoice() {
    clearExplanation();
    Explanation->setLine(0, QStringLiteral("All parameter values now have been determined."));
    Explanation->setLine(2, QStringLiteral("Continue by choosing what to do with them."));
    ReadyLabel->show();
    FinalChoiceBitBtn0->show();
    FinalChoice->show();
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
    ExistsForm->Warnlabel1->setText(QStringLiteral("Warning: file ") + ParFileName +
                                    QStringLiteral(" is an existing file."));
    return ExistsForm->ShowModal() == mrOK;
}

bool TTaviForm::writeParameters() {
    if (!mayReplaceParameterFile()) {
        return false;
    }
    WriteParameterFile(DesignParameters, ParFileName.toStdString(), OutFileName.toStdString(),
                       CovFileName.toStdString());
    m_parameterFileUnread = false;
    return true;
}

void TTaviForm::Calculate() {
    if (!writeParameters()) {
        return;
    }
    RunOutcome outcome;
    ResultsWindow* results = nullptr;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const struct RestoreCursor {
            ~RestoreCursor() { QApplication::restoreOverrideCursor(); }
        } restore;
        SweepCollector collector;
        outcome = RunCalculation(ParFileName.toStdString(), OutFileName.toStdString(),
                                 CovFileName.toStdString(), &collector);
        if (!outcome.refused) {
            // Owned by the main window, which lives to the program's end.
            results =
                new ResultsWindow(ResultsModel(std::move(*collector.results())), OutFileName, this);
        }
    }
    if (outcome.refused) {
        // The final choice stays open: the user may save the parameters or quit.
        showMessage(QStringLiteral("No standard errors were calculated: ") +
                    QString::fromStdString(outcome.reason) + QStringLiteral(".\nThe report ") +
                    OutFileName + QStringLiteral(" says why."));
        return;
    }
    // The results take the main window's place; closing them ends the program.
    connect(results, &ResultsWindow::closed, qApp, &QCoreApplication::quit);
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
