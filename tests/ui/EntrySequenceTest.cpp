// The whole program driven through its windows: the OK button leads through the file names,
// the counts, every value step and the amount of output to the final choice, which writes the
// parameter file and runs the calculation.

#include "app/CalcCommand.h"
#include "files/ParameterFile.h"
#include "tests/files/FileTestSupport.h"
#include "tests/ui/ModalHelper.h"
#include "ui/AmountUnit.h"
#include "ui/CheckAnswer.h"
#include "ui/FillUnit.h"
#include "ui/Tavifm.h"
#include "ui/results/ResultsWindow.h"
#include "ui/toolkit/CancellableWork.h"
#include "ui/toolkit/Guard.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>

#include <sstream>

namespace tavi::ui {

namespace {

// What one showing of the grid presented.
struct GridShowing {
    QString heading;
    QString heading2;
    int rows = 0;
    int columns = 0;
    bool lowerTriangle = false;
    QStringList explanation;
    QStringList cells;  // row by row
};

QStringList explanationLines() {
    QStringList lines;
    for (int i = 0; i < 10; ++i) {
        lines << TaviForm->Explanation->line(i);
    }
    return lines;
}

QString readFile(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

// The file without its date lines, which differ between two runs.
QString withoutDates(const QString& text) {
    QStringList lines = text.split(QStringLiteral("\r\n"));
    for (QString& line : lines) {
        if (line.startsWith(QStringLiteral("Date and time: ")) ||
            (&line == &lines.first() && !line.isEmpty())) {
            line = QStringLiteral("<date>");
        }
    }
    return lines.join(QStringLiteral("\r\n"));
}

}  // namespace

class EntrySequenceTest : public QObject {
    Q_OBJECT

private:
    // Records the grid as shown, types the texts into the cells to be entered (all of a vector,
    // the lower triangle of a matrix, row by row) and confirms.
    test::ModalScript::Step answerGrid(const QStringList& texts) {
        return [this, texts](QWidget*) {
            TStringGrid& grid = *FillForm->StringGrid1;
            GridShowing showing{FillForm->FillFormLabel->text(),
                                FillForm->FillFormLabel2->text(),
                                grid.RowCount(),
                                grid.ColCount(),
                                FillForm->LowerTriangle,
                                explanationLines(),
                                {}};
            int next = 0;
            for (int row = 0; row < grid.RowCount(); ++row) {
                for (int column = 0; column < grid.ColCount(); ++column) {
                    showing.cells << grid.Cells(column, row);
                    const bool entered = !FillForm->LowerTriangle || column <= row;
                    if (entered && next < texts.size()) {
                        grid.setCells(column, row, texts[next++]);
                    }
                }
            }
            m_grids.push_back(showing);
            FillForm->BitBtn2->click();
        };
    }

    // Confirms the amount form as it stands.
    test::ModalScript::Step answerAmount() {
        return [this](QWidget*) {
            m_amountExplanation = explanationLines();
            AmountForm->BitBtn1->click();
        };
    }

    test::ModalScript::Step answerExists(bool overwrite) {
        return [this, overwrite](QWidget*) {
            m_warning = ExistsForm->Warnlabel1->text();
            (overwrite ? ExistsForm->OKButton : ExistsForm->CancelButton)->click();
        };
    }

    void enterCounts(int k, int k1, int kw) {
        TaviForm->Number1Vars->setText(QString::number(k));
        TaviForm->NumberFixedEffects->setText(QString::number(k1));
        TaviForm->Number2Vars->setText(QString::number(kw));
    }

    // A new main window whose start-up gets chosen from the file dialog.
    void start(const std::optional<QString>& chosen) {
        delete TaviForm;
        TaviForm = new TTaviForm;
        ExistsForm = new TExistsForm(TaviForm);
        FillForm = new TFillForm(TaviForm);
        AmountForm = new TAmountForm(TaviForm);
        TOpenDialog::setChooser([chosen](const TOpenDialog&, QWidget*) { return chosen; });
        TaviForm->FormActivate();
    }

    // The simplest walk to the final choice: no variables, two variances, the amount as offered.
    void walkWithoutVariables() {
        test::ModalScript script{FillForm, AmountForm, ExistsForm};
        script.then(answerGrid({QStringLiteral("1")}))
            .then(answerGrid({QStringLiteral("1")}))
            .then(answerAmount());
        walk(script);
    }

    // Runs the sequence with the script, and checks that the script was used up exactly.
    void walk(test::ModalScript& script) {
        TaviForm->BitBtn1->click();
        QCOMPARE(script.unexpectedShowings(), 0);
        QCOMPARE(script.stepsLeft(), std::size_t{0});
    }

    std::vector<GridShowing> m_grids;
    QStringList m_amountExplanation;
    QString m_warning;
    QTemporaryDir m_dir;
    QString m_previousDir;

private slots:
    void init() {
        // A message that no test expects fails the test instead of waiting for a click.
        setMessageAnswerer([](const QString& message) { QFAIL(qPrintable(message)); });
        m_grids.clear();
        m_amountExplanation.clear();
        m_warning.clear();
        m_previousDir = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
        const QDir here(m_dir.path());
        for (const QFileInfo& entry :
             here.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
            if (entry.isDir()) {
                QDir(entry.filePath()).removeRecursively();
            } else {
                QFile::remove(entry.filePath());
            }
        }
        start(std::nullopt);
    }

    void cleanup() {
        setMessageAnswerer({});
        delete TaviForm;
        TaviForm = nullptr;
        ExistsForm = nullptr;
        FillForm = nullptr;
        AmountForm = nullptr;
        TOpenDialog::resetChooser();
        QDir::setCurrent(m_previousDir);
    }

    void noVariablesAsksForTwoVariances() {
        enterCounts(0, 0, 0);
        test::ModalScript script{FillForm, AmountForm, ExistsForm};
        script.then(answerGrid({QStringLiteral("0.8")}))
            .then(answerGrid({QStringLiteral("0.2")}))
            .then(answerAmount());
        walk(script);
        QCOMPARE(int(m_grids.size()), 2);
        QCOMPARE(m_grids[0].heading, QStringLiteral("Fill in the level-1 residual variance"));
        QCOMPARE(m_grids[0].heading2, QStringLiteral("  "));
        QCOMPARE(m_grids[0].explanation[0],
                 QStringLiteral("Parameters of the random part of the model."));
        QCOMPARE(m_grids[0].explanation[1], QStringLiteral("1. Residual variance at level 1."));
        QCOMPARE(m_grids[1].heading, QStringLiteral("Fill in the intercept variance"));
        QCOMPARE(m_grids[1].rows, 1);
        QCOMPARE(m_grids[1].columns, 1);
        QCOMPARE(m_grids[1].explanation,
                 (QStringList{
                     QStringLiteral("Parameters of the random part of the model."),
                     QStringLiteral("2. Intercept variance at level 2."),
                     {},
                     QStringLiteral("The model contains a random intercept and no random slopes."),
                     QStringLiteral("The intercept variance is needed."),
                     {},
                     {},
                     {},
                     {},
                     {}}));
        QCOMPARE(m_amountExplanation[0], QStringLiteral("Determination of the amount of output."));
        QCOMPARE(Design.ResidualVariance, 0.8);
        QCOMPARE(Design.Tau(1, 1), 0.2);
        QVERIFY(TaviForm->ReadyLabel->isVisible() || !TaviForm->ReadyLabel->isHidden());
        QVERIFY(!TaviForm->FinalChoice->isHidden());
        QVERIFY(!TaviForm->FinalChoiceBitBtn0->isHidden());
        QVERIFY(TaviForm->BitBtn1->isHidden());
        QCOMPARE(explanationLines()[0],
                 QStringLiteral("All parameter values now have been determined."));
        QCOMPARE(explanationLines()[2],
                 QStringLiteral("Continue by choosing what to do with them."));
    }

    void oneRandomSlope() {
        enterCounts(1, 0, 0);
        test::ModalScript script{FillForm, AmountForm, ExistsForm};
        script.then(answerGrid({QStringLiteral("2")}))
            .then(answerGrid({QStringLiteral("1")}))
            .then(answerGrid({QStringLiteral("0.1"), QStringLiteral("0"), QStringLiteral("0.05")}))
            .then(answerAmount());
        walk(script);
        QCOMPARE(m_grids[0].heading,
                 QStringLiteral("Fill in the within-groups variance of the level-1 variable"));
        QCOMPARE(m_grids[0].heading2, QString());
        QCOMPARE(m_grids[0].explanation[0], QStringLiteral("Within-groups variance "));
        QCOMPARE(Design.WithinCov(1, 1), 2.0);
        QCOMPARE(m_grids[2].rows, 2);
        QCOMPARE(m_grids[2].explanation[3],
                 QStringLiteral("There are 2 random coefficients (intercept plus 1 slopes)."));
        QCOMPARE(m_grids[2].cells[1], QStringLiteral("0"));  // the mirror of the cell below
        QCOMPARE(Design.Tau(1, 2), 0.0);
        QCOMPARE(Design.Tau(2, 2), 0.05);
    }

    void everyKindOfVariableThenCalculate() {
        enterCounts(3, 1, 2);
        test::ModalScript script{FillForm, AmountForm, ExistsForm};
        script.then(answerGrid({QStringLiteral("2")}))
            .then(answerGrid({QStringLiteral("1"), QStringLiteral("0,5")}))
            .then(answerGrid({QStringLiteral("1"), QStringLiteral("0.3"), QStringLiteral("1"),
                              QStringLiteral("0.2"), QStringLiteral("0.1"), QStringLiteral("1")}))
            .then(answerGrid({QStringLiteral("0.5"), QStringLiteral("0.1"), QStringLiteral("0.4"),
                              QStringLiteral("0.05"), QStringLiteral("0"), QStringLiteral("0.3")}))
            .then(answerGrid({QStringLiteral("1")}))
            .then(answerGrid({QStringLiteral("0.1"), QStringLiteral("0.01"), QStringLiteral("0.05"),
                              QStringLiteral("0.01"), QStringLiteral("0"), QStringLiteral("0.04")}))
            .then(answerAmount());
        walk(script);
        QCOMPARE(int(m_grids.size()), 6);
        QCOMPARE(m_grids[0].rows, 1);
        QCOMPARE(m_grids[0].explanation[0], QStringLiteral("Mean of the level-1 variable"));
        QCOMPARE(m_grids[0].explanation[1], QString());
        QCOMPARE(m_grids[1].rows, 2);
        QCOMPARE(m_grids[1].heading, QStringLiteral("Fill in the means of the level-2 variables"));
        QCOMPARE(
            m_grids[2].explanation.mid(0, 5),
            (QStringList{QStringLiteral("Within-groups covariance matrix"),
                         QStringLiteral("of the level-1 variables"),
                         QStringLiteral("Level-1 variables must be ordered as follows:"),
                         QStringLiteral("first the variable with a fixed effect only,"),
                         QStringLiteral("then variables with fixed as well as random effects.")}));
        QCOMPARE(m_grids[2].heading2, QStringLiteral("of the level-1 variables"));
        QCOMPARE(m_grids[3].explanation,
                 (QStringList{QStringLiteral("Between-groups covariance matrix"),
                              QStringLiteral("of explanatory variables"),
                              QStringLiteral("(The group mean of the level-1 variable"),
                              QStringLiteral("is treated as a level-2 variable.)"),
                              {},
                              QStringLiteral("There are in total 3 variables at level 2."),
                              QStringLiteral("They must be ordered so "),
                              QStringLiteral("that first come the 2 original level-2 variables,"),
                              QStringLiteral("and then the group mean of the"),
                              QStringLiteral("of the level-1 variable with fixed effects only.")}));
        QCOMPARE(m_grids[3].heading2, QString());
        QCOMPARE(m_grids[5].rows, 3);
        QCOMPARE(Design.nRandom, 3);
        QCOMPARE(Design.nBetween, 3);
        QCOMPARE(Design.Means2(2), 0.5);
        QCOMPARE(Design.WithinCov(1, 3), 0.2);
        QVERIFY(TaviForm->Number1Vars->isReadOnly());

        TaviForm->FinalChoiceBitBtn0->click();
        QVERIFY(!TaviForm->isVisible());
        const auto* results = TaviForm->findChild<ResultsWindow*>();
        QVERIFY(results != nullptr && results->isVisible());
        const QString written = readFile(QStringLiteral("ax.out"));
        const QString covariances = readFile(QStringLiteral("ax.cov"));
        QVERIFY(written.contains(QStringLiteral("    N*n     N     n (n+c)*N    Fixed   Const")));

        // The parameter file is the writer's, and the results are tavi-calc's for it.
        WriteParameterFile(Design, "expected.dat", OutFileName.toStdString(),
                           CovFileName.toStdString());
        QCOMPARE(readFile(QStringLiteral("ax.dat")), readFile(QStringLiteral("expected.dat")));
        std::ostringstream out;
        std::ostringstream err;
        const std::string report = OutFileName.toStdString();
        const std::string covFile = CovFileName.toStdString();
        const char* arguments[] = {"ax.dat", report.c_str(), covFile.c_str()};
        QCOMPARE(runCalcCommand(3, arguments, out, err, false), kExitComplete);
        QCOMPARE(withoutDates(readFile(QStringLiteral("ax.out"))), withoutDates(written));
        QCOMPARE(withoutDates(readFile(QStringLiteral("ax.cov"))), withoutDates(covariances));
    }

    void onlyFixedEffects() {
        enterCounts(2, 2, 0);
        test::ModalScript script{FillForm, AmountForm, ExistsForm};
        script.then(answerGrid({QStringLiteral("1"), QStringLiteral("2")}))
            .then(answerGrid({QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("1")}))
            .then(answerGrid({QStringLiteral("0.5"), QStringLiteral("0"), QStringLiteral("0.5")}))
            .then(answerGrid({QStringLiteral("1")}))
            .then(answerGrid({QStringLiteral("0.1")}))
            .then(answerAmount());
        walk(script);
        QCOMPARE(m_grids[1].explanation[2], QString());
        QCOMPARE(m_grids[2].explanation[2],
                 QStringLiteral("(The group means of the level-1 variables"));
        QCOMPARE(m_grids[2].explanation[3], QStringLiteral("are treated as level-2 variables.)"));
        QCOMPARE(m_grids[2].explanation[4], QString());
        QCOMPARE(m_grids[2].explanation[6], QString());
        QCOMPARE(m_grids[4].heading, QStringLiteral("Fill in the intercept variance"));
    }

    void residualVarianceHasAFloor() {
        enterCounts(0, 0, 0);
        test::ModalScript script{FillForm, AmountForm, ExistsForm};
        script.then(answerGrid({QStringLiteral("-2")}))
            .then(answerGrid({QStringLiteral("0.2")}))
            .then(answerAmount());
        walk(script);
        QCOMPARE(Design.ResidualVariance, 0.000001);
        TaviForm->FinalChoice->setItemIndex(1);
        QVERIFY(!TaviForm->FinalChoiceBitBtn1->isHidden());
        QVERIFY(TaviForm->FinalChoiceBitBtn0->isHidden());
        TaviForm->FinalChoiceBitBtn1->click();
        QVERIFY(readFile(QStringLiteral("ax.dat"))
                    .contains(QStringLiteral("        0.0000010000\r\n")));
        QVERIFY(!QFile::exists(QStringLiteral("ax.out")));
    }

    void badCellBringsTheGridBack() {
        enterCounts(0, 0, 0);
        test::ModalScript script{FillForm, AmountForm, ExistsForm};
        script.then(answerGrid({QStringLiteral("abc")}))
            .then(answerGrid({QStringLiteral("3")}))
            .then(answerGrid({QStringLiteral("0.2")}))
            .then(answerAmount());
        walk(script);
        QCOMPARE(m_grids[1].cells[0], QStringLiteral("abc"));
        QCOMPARE(Design.ResidualVariance, 3.0);
    }

    // Rows and columns carry the names of the variables; above the diagonal a matrix mirrors
    // what is typed below it and cannot be edited; a cell that is not a number is named.
    void gridsNameTheirCellsAndTheCellThatIsNotANumber() {
        enterCounts(2, 1, 1);
        TStringGrid& grid = *FillForm->StringGrid1;
        QString message;
        QStringList names;
        test::ModalScript script{FillForm, AmountForm, ExistsForm};
        script.then(answerGrid({QStringLiteral("1")}))
            .then(answerGrid({QStringLiteral("1")}))
            .then(answerGrid({QStringLiteral("1"), QStringLiteral("abc"), QStringLiteral("1")}))
            .then([&](QWidget*) {
                message = FillForm->FillFormMessage->text();
                QCOMPARE(grid.currentRow(), 1);  // the bad cell is the one to type in
                QCOMPARE(grid.currentColumn(), 0);
                QVERIFY(!grid.cellEditable(1, 0) && grid.cellEditable(0, 1));
                grid.setCells(0, 1, QStringLiteral("0.2"));
                QCOMPARE(grid.Cells(1, 0), QStringLiteral("0.2"));
                FillForm->BitBtn2->click();
            })
            .then([&](QWidget*) {
                QVERIFY(FillForm->FillFormMessage->text().isEmpty());
                names << grid.columnHeading(0) << grid.columnHeading(1);
                FillForm->BitBtn2->click();
            })
            .then(answerGrid({QStringLiteral("1")}))
            .then([&](QWidget*) {
                names << grid.rowHeading(0) << grid.rowHeading(1);
                FillForm->BitBtn2->click();
            })
            .then(answerAmount());
        walk(script);
        QCOMPARE(message, QStringLiteral("Not a number: \"abc\" in row x2 (random slope), "
                                         "column x1 (fixed)"));
        QCOMPARE(names, (QStringList{QStringLiteral("w1"), QStringLiteral("mean of x1"),
                                     QStringLiteral("intercept"), QStringLiteral("slope x2")}));
        QCOMPARE(Design.WithinCov(1, 2), 0.2);
    }

    void quitWritesNothing() {
        enterCounts(0, 0, 0);
        walkWithoutVariables();
        TaviForm->FinalChoice->setItemIndex(2);
        TaviForm->FinalChoiceBitBtn2->click();
        QVERIFY(!TaviForm->isVisible());
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList());
    }

    void tooManyCoefficientsStopBeforeAnyValue() {
        enterCounts(5, 0, 6);  // 6 x 7 = 42 coefficients
        test::ModalScript script{FillForm, AmountForm, ExistsForm};
        walk(script);
        QVERIFY(script.shown().isEmpty());
        QVERIFY(explanationLines().join(QLatin1Char(' ')).contains(QStringLiteral("42")));
        QVERIFY(!TaviForm->Number2Vars->isReadOnly());
        QVERIFY(!TaviForm->BitBtn1->isHidden());
        enterCounts(1, 0, 0);
        walk(script.then(answerGrid({}))
                 .then(answerGrid({}))
                 .then(answerGrid({}))
                 .then(answerAmount()));
    }

    void refusedRunIsShownAndKeepsTheFinalChoice() {
        walkWithoutVariables();
        Design.MinGroupSize = 0;  // a setting the run refuses
        QString shown;
        setMessageAnswerer([&shown](const QString& message) { shown = message; });
        TaviForm->show();
        TaviForm->FinalChoiceBitBtn0->click();
        QVERIFY(shown.contains(QStringLiteral("ax.out")));
        QVERIFY(TaviForm->isVisible());
        QVERIFY(!TaviForm->FinalChoice->isHidden());
    }

    void sweepsLargerThanAnyPlanBringTheAmountFormBack() {
        QString shown;
        setMessageAnswerer([&shown](const QString& message) { shown = message; });
        test::ModalScript script{FillForm, AmountForm, ExistsForm};
        const auto amount = [](const char* largestGroupSize) {
            return [largestGroupSize](QWidget*) {
                AmountForm->OutputSelection->setItemIndex(0);
                AmountForm->Edit3->setText(QStringLiteral("1"));
                AmountForm->Edit4->setText(QString::fromLatin1(largestGroupSize));
                AmountForm->Edit10->setText(QStringLiteral("1"));
                AmountForm->BitBtn1->click();
            };
        };
        script.then(answerGrid({QStringLiteral("1")}))
            .then(answerGrid({QStringLiteral("1")}))
            .then(amount("2000000"))
            .then(amount("60"));
        walk(script);
        QVERIFY2(shown.contains(QStringLiteral("at most 1000000 are computed")), qPrintable(shown));
        QCOMPARE(script.shown().count(QStringLiteral("AmountForm")), 2);
        QCOMPARE(Design.MaxGroupSize, 60);
    }

    void cancelledRunWritesNothingAndKeepsTheFinalChoice() {
        walkWithoutVariables();
        Design.BudgetMode = true;
        Design.Budget = 100000000;
        Design.MinGroupSize = 1;
        Design.GroupSizeStep = 1;
        Design.MaxGroupSize = 900000;
        QString shown;
        setMessageAnswerer([&shown](const QString& message) { shown = message; });
        setProgressDelay(0);
        test::whenModalShown(
            [](QWidget* dialog) { qobject_cast<QProgressDialog*>(dialog)->cancel(); });
        TaviForm->show();
        TaviForm->FinalChoiceBitBtn0->click();
        setProgressDelay(500);
        QVERIFY2(shown.contains(QStringLiteral("cancelled")), qPrintable(shown));
        QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("ax.dat")});
        QVERIFY(!TaviForm->FinalChoice->isHidden());
    }

    void closedGridsKeepTheirValues() {
        enterCounts(2, 2, 0);
        test::ModalScript script{FillForm, AmountForm, ExistsForm};
        const auto closeBox = [](QWidget* window) { window->close(); };
        script.then(answerGrid({QStringLiteral("3"), QStringLiteral("4")}))
            .then(closeBox)
            .then(closeBox)
            .then(closeBox)
            .then(closeBox)
            .then(answerAmount());
        walk(script);
        const DesignParameters& p = Design;
        QCOMPARE(p.Means1(2), 4.0);
        QCOMPARE(p.WithinCov(1, 2), 0.0);
        QCOMPARE(p.WithinCov(2, 2), 1.0);
        QCOMPARE(p.ResidualVariance, 1.0);
        QCOMPARE(p.Tau(1, 1), 1.0);
    }

    void notACovarianceMatrixIsQueriedOnce() {
        enterCounts(2, 0, 0);
        test::ModalScript script{FillForm, AmountForm, ExistsForm};
        QString warning;
        script.then(answerGrid({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("1")}))
            .then([&](QWidget*) {
                warning = FillForm->FillFormMessage->text();
                FillForm->BitBtn2->click();  // the same values again
            })
            .then(answerGrid({QStringLiteral("1")}))
            .then(answerGrid({}))
            .then(answerAmount());
        walk(script);
        QVERIFY(warning.contains(QStringLiteral("within-groups")));
        QVERIFY(warning.contains(QStringLiteral("-1")));  // eigenvalues 3 and -1
        QCOMPARE(Design.WithinCov(2, 1), 2.0);
    }

    void unreadableParameterFileIsReplacedOnlyWhenAllowed() {
        QFile notes(QStringLiteral("notes.txt"));
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write("Meeting notes, not numbers\n");
        notes.close();
        QString shown;
        setMessageAnswerer([&shown](const QString& message) { shown = message; });
        start(m_dir.filePath(QStringLiteral("notes.txt")));
        QVERIFY(shown.contains(QStringLiteral("notes.txt")));
        walkWithoutVariables();
        test::ModalScript refuse{ExistsForm};
        refuse.then(answerExists(false));
        TaviForm->FinalChoiceBitBtn1->click();
        QCOMPARE(readFile(QStringLiteral("notes.txt")),
                 QStringLiteral("Meeting notes, not numbers\n"));
        QVERIFY(!TaviForm->FinalChoice->isHidden());
        test::ModalScript allow{ExistsForm};
        allow.then(answerExists(true));
        TaviForm->FinalChoiceBitBtn1->click();
        QVERIFY(readFile(QStringLiteral("notes.txt")).startsWith(QStringLiteral("     0      0")));
    }

    void longNamesAreNeverCut() {
        QString folder = m_dir.path();
        for (int i = 0; i < 3; ++i) {
            folder += QLatin1Char('/') + QString(100, QLatin1Char('d'));
        }
        QVERIFY(QDir().mkpath(folder));
        const QString chosen = folder + QStringLiteral("/long.dat");
        Design = tavi::test::designWithCounts(0, 0, 1);
        WriteParameterFile(Design, chosen.toStdString(), "long.out", "long.cov");
        start(chosen);
        QCOMPARE(TaviForm->Number2Vars->text(), QStringLiteral("1"));
        TaviForm->Number2Vars->setText(QStringLiteral("0"));
        walkWithoutVariables();
        TaviForm->FinalChoiceBitBtn0->click();
        QVERIFY(readFile(chosen).startsWith(QStringLiteral("     0      0      0")));
        QVERIFY(QFile::exists(folder + QStringLiteral("/long.out")));
        QVERIFY(QFile::exists(folder + QStringLiteral("/long.cov")));
    }

    void covarianceFileIsNeverTheParameterFile() {
        start(m_dir.filePath(QStringLiteral("res.cov")));
        walkWithoutVariables();
        QCOMPARE(CovFileName, PathName + QStringLiteral("res.co1"));
    }

    void existingReportNeedsConsent() {
        QFile(QStringLiteral("ax.out")).open(QIODevice::WriteOnly);
        test::ModalScript script{FillForm, AmountForm, ExistsForm};
        script.then(answerExists(false));
        walk(script);
        QCOMPARE(m_warning, QStringLiteral("Warning: file ax.out is an existing file."));
        QVERIFY(!TaviForm->BitBtn1->isHidden());
        QVERIFY(m_grids.empty());
    }

    void covarianceNamesCountUp() {
        QFile(QStringLiteral("ax.cov")).open(QIODevice::WriteOnly);
        for (int m = 1; m <= 8; ++m) {
            QFile(QStringLiteral("ax.co%1").arg(m)).open(QIODevice::WriteOnly);
        }
        walkWithoutVariables();
        QCOMPARE(CovFileName, TaviForm->PathNameEdit->text() + QStringLiteral("ax.co9"));
    }

    void allCovarianceNamesTakenAsks() {
        QFile(QStringLiteral("ax.cov")).open(QIODevice::WriteOnly);
        for (int m = 1; m <= 9; ++m) {
            QFile(QStringLiteral("ax.co%1").arg(m)).open(QIODevice::WriteOnly);
        }
        test::ModalScript script{FillForm, AmountForm, ExistsForm};
        script.then(answerExists(false));
        walk(script);
        QVERIFY(m_warning.endsWith(QStringLiteral("ax.co9 is an existing file.")));
        QCOMPARE(
            explanationLines().mid(0, 4),
            (QStringList{
                QStringLiteral("Give parameter file to be written or used by TAVI"), {}, {}, {}}));
        QVERIFY(!TaviForm->BitBtn1->isHidden());
    }

    void namesOfTheReportAndItsCovarianceFile() {
        QDir().mkdir(QStringLiteral("results"));
        const std::pair<QString, QString> covarianceByReport[] = {
            {QString(), QStringLiteral("tavi.cov")},
            {QStringLiteral("res.txt"), QStringLiteral("res.cov")},
            {QStringLiteral("results/res.out"), QStringLiteral("res.cov")},
            {QStringLiteral(".out"), QStringLiteral(".cov")},
            // The report's own name is never the covariance file's.
            {QStringLiteral("ax.cov"), QStringLiteral("ax.co1")},
        };
        for (const auto& [report, covariances] : covarianceByReport) {
            cleanup();
            init();
            QDir().mkdir(QStringLiteral("results"));
            TaviForm->OutNameEdit->setText(report);
            TaviForm->PathNameEdit->setText(QStringLiteral("/elsewhere/"));  // has no effect
            walkWithoutVariables();
            QCOMPARE(OutFileName, report.isEmpty() ? QStringLiteral("tavi.out") : report);
            QCOMPARE(CovFileName, PathName + covariances);
        }
    }

    void secondClickWhileRunningIsIgnored() {
        test::ModalScript script{FillForm, AmountForm, ExistsForm};
        int showingsDuringClick = -1;
        script
            .then([&](QWidget* window) {
                const int before = int(m_grids.size());
                TaviForm->AskParameters();
                showingsDuringClick = int(m_grids.size()) - before;
                answerGrid({QStringLiteral("1")})(window);
            })
            .then(answerGrid({QStringLiteral("1")}))
            .then(answerAmount());
        walk(script);
        QCOMPARE(showingsDuringClick, 0);
        QVERIFY(TaviForm->NumberFixedEffects->isReadOnly());
    }

    void badAmountBringsTheFormBack() {
        test::ModalScript script{FillForm, AmountForm, ExistsForm};
        script.then(answerGrid({QStringLiteral("1")}))
            .then(answerGrid({QStringLiteral("1")}))
            .then([](QWidget*) {
                AmountForm->Edit2->setText(QStringLiteral("lots"));
                AmountForm->BitBtn1->click();
            })
            .then(answerAmount());
        walk(script);
        QCOMPARE(script.shown().count(QStringLiteral("AmountForm")), 2);
    }

    void unwritableParameterFileKeepsTheFinalChoice() {
        walkWithoutVariables();
        QDir().mkdir(QStringLiteral("ax.dat"));  // a folder where the file should go
        TaviForm->show();
        QString shown;
        setMessageAnswerer([&shown](const QString& message) { shown = message; });
        TaviForm->FinalChoiceBitBtn0->click();
        QCOMPARE(shown, QStringLiteral("Is a directory: ") + ParFileName);
        QVERIFY(TaviForm->isVisible());
        QVERIFY(!TaviForm->FinalChoice->isHidden());
        QVERIFY(!QFile::exists(QStringLiteral("ax.out")));
    }

    void reportMayNotBeTheParameterFile() {
        TaviForm->OutNameEdit->setText(QStringLiteral("ax.dat"));
        test::ModalScript script{FillForm, AmountForm, ExistsForm};
        walk(script);
        QCOMPARE(explanationLines()[0], QStringLiteral("Warning: "));
        QVERIFY(explanationLines()[1].contains(QStringLiteral("ax.dat")));
        QVERIFY(explanationLines()[1].contains(QStringLiteral("parameter file")));
        QVERIFY(!TaviForm->BitBtn1->isHidden());
    }
};

}  // namespace tavi::ui

QTEST_MAIN(tavi::ui::EntrySequenceTest)
#include "EntrySequenceTest.moc"
