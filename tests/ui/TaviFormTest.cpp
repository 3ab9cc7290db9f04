// The main window: its controls at start, the start-up steps with every way of choosing the
// parameter file, and the three count checks with their exact explanation lines.

#include "files/ParameterFile.h"
#include "tests/files/FileTestSupport.h"
#include "tests/ui/ModalHelper.h"
#include "ui/Tavifm.h"
#include "ui/toolkit/Guard.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

namespace tavi::ui {

namespace {

QStringList explanationLines(const TTaviForm& form) {
    QStringList lines;
    for (int i = 0; i < 10; ++i) {
        lines << form.Explanation->line(i);
    }
    return lines;
}

const QStringList kPrompt = {QStringLiteral("Give output filename to be written by TAVI"),
                             QStringLiteral("and the numbers of variables."),
                             {},
                             {},
                             {},
                             {},
                             {},
                             {},
                             {},
                             {}};

const QStringList kRestriction = {QStringLiteral("by the restriction "),
                                  QStringLiteral("k1 + (k-k1+1)*(kw+1) <= dimmax"),
                                  QStringLiteral("where k = # level-1 vars.,"),
                                  QStringLiteral("where k1 = # level-1 vars. with fixed effects,"),
                                  QStringLiteral("where kw = # level-2 vars.,"),
                                  QStringLiteral("dimmax = 40 is a constant in the program."),
                                  {}};

QStringList boundWarning(const QString& subject) {
    return QStringList{QStringLiteral("warning: "), {}, subject} + kRestriction;
}

void chooseFile(const QString& name) {
    TOpenDialog::setChooser([name](const TOpenDialog&, QWidget*) { return name; });
}

void cancelChoice() {
    TOpenDialog::setChooser([](const TOpenDialog&, QWidget*) { return std::nullopt; });
}

}  // namespace

class TaviFormTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_previousDir = QDir::currentPath();
        QVERIFY(m_dir.isValid());
        QDir::setCurrent(m_dir.path());
    }

    void cleanup() {
        QDir::setCurrent(m_previousDir);
        TOpenDialog::resetChooser();
    }

    void controlsAtStart() {
        TTaviForm form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Tavi"));
        QCOMPARE(form.Explanation->line(0),
                 QStringLiteral("Give name of parameter file to be written or used by TAVI"));
        QCOMPARE(form.Explanation->lineCount(), 10);
        QCOMPARE(form.InNameEdit->text(), QStringLiteral("ax.dat"));
        QCOMPARE(form.OutNameEdit->text(), QStringLiteral("tavi.out"));
        QCOMPARE(form.PathNameEdit->text(), QStringLiteral("Path name"));
        QCOMPARE(form.Number1Vars->text(), QStringLiteral("    0"));
        QCOMPARE(form.OutFileLabel2->text(),
                 QStringLiteral("(should be different from parameter file name)"));
        QVERIFY(!form.InNameEdit->isReadOnly());
        QVERIFY(form.PathNameEdit->isReadOnly());  // the files go to the parameter file's folder
        QVERIFY(form.Explanation->isReadOnly());
        QVERIFY(form.ReadyLabel->isHidden());
        QVERIFY(form.FinalChoice->isHidden());
        QCOMPARE(form.FinalChoice->ItemIndex(), 0);
        QVERIFY(form.FinalChoiceBitBtn0->isHidden());
        QCOMPARE(form.FinalChoiceBitBtn1->toolTip(), QStringLiteral("click if this choice is OK"));
        QCOMPARE(form.FindInFileDialog.Filters, QStringList({QStringLiteral("datafiles (*.dat)"),
                                                             QStringLiteral("text files (*.txt)"),
                                                             QStringLiteral("all files (*.*)")}));
        for (const char* name : {"Explanation", "Number1Vars", "BitBtn1", "FinalChoice",
                                 "FinalChoiceBitBtn2", "OutFileLabel2", "PathNameLabel"}) {
            QVERIFY2(form.findChild<QWidget*>(QString::fromLatin1(name)) != nullptr, name);
        }
    }

    void tabOrderStartsAtTheOkButton() {
        TTaviForm form;
        const QList<QWidget*> expected = {form.BitBtn1,
                                          form.OutNameEdit,
                                          form.Number1Vars,
                                          form.NumberFixedEffects,
                                          form.Number2Vars,
                                          form.InNameEdit,
                                          form.Explanation,
                                          form.PathNameEdit,
                                          form.FinalChoice,
                                          form.FinalChoiceBitBtn1,
                                          form.FinalChoiceBitBtn0,
                                          form.FinalChoiceBitBtn2};
        QList<QWidget*> order;
        QWidget* widget = form.BitBtn1;
        do {
            if (expected.contains(widget)) {
                order << widget;
            }
            widget = widget->nextInFocusChain();
        } while (widget != form.BitBtn1 && order.size() < expected.size());
        QCOMPARE(order, expected);
    }

    void number1VarsFollowsTheRightEdge() {
        cancelChoice();
        TTaviForm form;
        form.show();
        const int margin = form.width() - form.Number1Vars->geometry().right();
        form.resize(form.width() + 100, form.height());
        QTRY_COMPARE(form.width() - form.Number1Vars->geometry().right(), margin);
        QCOMPARE(form.NumberFixedEffects->x(), form.Number2Vars->x());
    }

    void cancelledChoiceGivesTheDefaultFile() {
        cancelChoice();
        TTaviForm form;
        form.FormActivate();
        QCOMPARE(ParFileName, QStringLiteral("ax.dat"));
        QCOMPARE(form.InNameEdit->text(), QStringLiteral("ax.dat"));
        QVERIFY(form.InNameEdit->isReadOnly());
        QCOMPARE(form.OutNameEdit->text(), QStringLiteral("ax.out"));
        QCOMPARE(form.PathNameEdit->text(), QDir(m_dir.path()).absolutePath() + QLatin1Char('/'));
        QCOMPARE(form.Number1Vars->text(), QStringLiteral("0"));
        QCOMPARE(explanationLines(form), kPrompt);
        QCOMPARE(Design.Budget, 1500);
        QVERIFY(Design.BudgetMode);
    }

    void chosenFileNamesTheOutputAndTheDirectory() {
        QDir(m_dir.path()).mkdir(QStringLiteral("sub"));
        const QString sub = m_dir.filePath(QStringLiteral("sub"));
        const std::pair<QString, QString> outputByChoice[] = {
            {QStringLiteral("a.b.dat"), QStringLiteral("a.out")},
            {QStringLiteral(".hidden.dat"), QStringLiteral(".out")},
            {QStringLiteral("new"), QStringLiteral("new.out")},
        };
        for (const auto& [chosen, output] : outputByChoice) {
            QDir::setCurrent(m_dir.path());
            chooseFile(sub + QLatin1Char('/') + chosen);
            TTaviForm form;
            form.FormActivate();
            QCOMPARE(form.OutNameEdit->text(), output);
            QCOMPARE(form.PathNameEdit->text(), sub + QLatin1Char('/'));
            QCOMPARE(QDir::currentPath(), sub);
        }
        QCOMPARE(FileNamePart, QStringLiteral("new.dat"));  // the default extension added
    }

    void existingFileOffersItsValues() {
        tavi::DesignParameters stored = tavi::test::designWithCounts(3, 1, 2);
        stored.BudgetMode = false;
        stored.ResidualVariance = 2.5;
        const QString name = m_dir.filePath(QStringLiteral("params"));
        WriteParameterFile(stored, name.toStdString(), "x", "y");
        chooseFile(name);
        TTaviForm form;
        form.FormActivate();
        QCOMPARE(form.Number1Vars->text(), QStringLiteral("3"));
        QCOMPARE(form.NumberFixedEffects->text(), QStringLiteral("1"));
        QCOMPARE(form.Number2Vars->text(), QStringLiteral("2"));
        QCOMPARE(form.OutNameEdit->text(), QStringLiteral("params.out"));
        QVERIFY(!Design.BudgetMode);
        QCOMPARE(Design.ResidualVariance, 2.5);
    }

    void malformedFileStopsTheStartUpWithAMessage() {
        QFile file(m_dir.filePath(QStringLiteral("bad.dat")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("3 1 2\r\n10 x 50\r\n");
        file.close();
        chooseFile(file.fileName());
        TTaviForm form;
        QString shown;
        setMessageAnswerer([&shown](const QString& message) { shown = message; });
        form.show();
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(&form, &activate);
        setMessageAnswerer({});
        QVERIFY(shown.contains(QStringLiteral("Invalid numeric input")));
        QVERIFY(shown.contains(file.fileName()));
        QCOMPARE(form.Number1Vars->text(), QStringLiteral("    0"));
        QCOMPARE(form.Explanation->line(0),
                 QStringLiteral("Give name of parameter file to be written or used by TAVI"));
        QCOMPARE(Design.k, 3);  // what was read before stays
    }

    void existingFileWithoutADotOpensAsTyped() {
        QFile file(m_dir.filePath(QStringLiteral("params")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        TOpenDialog::resetChooser();
        TTaviForm form;
        test::whenModalShownThenClose([](QWidget* window) {
            if (auto* dialog = qobject_cast<QFileDialog*>(window)) {
                dialog->selectFile(QStringLiteral("params"));
                QMetaObject::invokeMethod(dialog, "accept");
            }
        });
        QVERIFY(form.FindInFileDialog.Execute(&form));
        QCOMPARE(form.FindInFileDialog.FileName, file.fileName());
    }

    void startUpRunsOnTheFirstActivationOnly() {
        int choices = 0;
        TOpenDialog::setChooser([&choices](const TOpenDialog&, QWidget*) {
            ++choices;
            return std::nullopt;
        });
        TTaviForm form;
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(&form, &activate);
        Design.k = 7;  // as if entered since
        QCoreApplication::sendEvent(&form, &activate);
        QCOMPARE(choices, 1);
        QCOMPARE(Design.k, 7);
    }

    void countChecksClampAndWarn() {
        TTaviForm form;
        form.Number1Vars->setText(QStringLiteral("45"));
        QTest::keyClick(form.Number1Vars, Qt::Key_Return);
        QCOMPARE(Design.k, 39);
        QCOMPARE(form.Number1Vars->text(), QStringLiteral("39"));
        QCOMPARE(explanationLines(form),
                 boundWarning(QStringLiteral("number of level-1 variables is bounded")));

        form.Number1Vars->setText(QStringLiteral("abc"));
        form.CheckNumber1Vars();
        QCOMPARE(Design.k, 0);
        QCOMPARE(form.Number1Vars->text(), QStringLiteral("abc"));
        QCOMPARE(explanationLines(form), kPrompt);

        form.Number1Vars->setText(QStringLiteral("    0"));
        form.CheckNumber1Vars();
        QCOMPARE(Design.k, 0);
        QCOMPARE(explanationLines(form), kPrompt);

        form.Number1Vars->setText(QStringLiteral("3"));
        form.NumberFixedEffects->setText(QStringLiteral("5"));
        QTest::mouseClick(form.NumberFixedEffects, Qt::LeftButton);
        QCOMPARE(Design.k1, 3);
        QCOMPARE(form.NumberFixedEffects->text(), QStringLiteral("3"));
        QCOMPARE(explanationLines(form),
                 (QStringList{QStringLiteral("warning: "),
                              {},
                              QStringLiteral("number of variables with fixed effects"),
                              QStringLiteral("cannot be larger than number level-1 variables."),
                              {},
                              {},
                              {},
                              {},
                              {},
                              {}}));

        form.Number2Vars->setText(QStringLiteral("-3"));
        form.CheckNumber2Vars();
        QCOMPARE(Design.kw, 0);
        QCOMPARE(form.Number2Vars->text(), QStringLiteral("0"));

        form.Number1Vars->setText(QStringLiteral("35"));
        form.Number2Vars->setText(QStringLiteral("10"));
        QTest::mouseDClick(form.Number2Vars, Qt::LeftButton);
        QCOMPARE(Design.kw, 4);
        QCOMPARE(form.Number2Vars->text(), QStringLiteral("4"));
        QCOMPARE(explanationLines(form),
                 boundWarning(QStringLiteral("number of level-2 variables is bounded")));
    }

    void countsAreReadStrictly() {
        TTaviForm form;
        const std::pair<QString, int> valueByText[] = {{QStringLiteral("  +7"), 7},
                                                       {QStringLiteral("7 "), 0},
                                                       {QStringLiteral(""), 0},
                                                       {QStringLiteral("1e1"), 0},
                                                       {QStringLiteral("99999999999"), 0}};
        for (const auto& [text, value] : valueByText) {
            form.Number1Vars->setText(text);
            form.CheckNumber1Vars();
            QCOMPARE(Design.k, value);
        }
    }

    void capacityIsNotTestedByTheChecks() {
        TTaviForm form;
        form.Number1Vars->setText(QStringLiteral("10"));
        form.NumberFixedEffects->setText(QStringLiteral("0"));
        form.Number2Vars->setText(QStringLiteral("10"));
        form.CheckNumberFixed();
        form.CheckNumber2Vars();
        QCOMPARE(Design.k, 10);
        QCOMPARE(Design.kw, 10);
        QCOMPARE(explanationLines(form), kPrompt);
    }

private:
    QTemporaryDir m_dir;
    QString m_previousDir;
};

}  // namespace tavi::ui

QTEST_MAIN(tavi::ui::TaviFormTest)
#include "TaviFormTest.moc"
