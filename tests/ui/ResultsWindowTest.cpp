// The results window on a budget and a range design, of two levels and of three: its table
// against tavi-calc's CSV of standard errors, its plot against the table and the power function,
// its answers against tavi-calc's summary, its edits against tavi-calc on the file they save,
// and what it saves.
// (A new plan from a template is walked in the real program: tests/smoke/new-plan-walk.sh.)

#include "app/CalcCommand.h"
#include "engine/power/TestPower.h"
#include "engine/templates/DesignTemplates.h"
#include "files/DesignFile.h"
#include "files/ParameterDesign.h"
#include "files/ParameterFile.h"
#include "tests/files/FileTestSupport.h"
#include "tests/ui/ModalHelper.h"
#include "ui/results/AssumptionsPanel.h"
#include "ui/results/BackgroundRecalculation.h"
#include "ui/results/CopyableTable.h"
#include "ui/results/OpenResults.h"
#include "ui/results/PeriodGrid.h"
#include "ui/results/PlotPicture.h"
#include "ui/results/ResultsWindow.h"
#include "ui/results/SweepTableModel.h"
#include "ui/results/TemplateChooser.h"
#include "ui/toolkit/Confirmation.h"
#include "ui/toolkit/FileOpenDialog.h"
#include "ui/toolkit/Guard.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScatterSeries>
#include <QSpinBox>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <map>
#include <sstream>

namespace tavi::ui {

namespace {

// Two level-1 variables (one with a random slope) and one level-2 variable: Fixed1, Const,
// Group1, Random1, CrossL1_1.
void writeDesign(bool budget, std::int32_t groupSizeStep = 5) {
    DesignParameters p = tavi::test::designWithCounts(2, 1, 1);
    p.WithinCov(1, 2) = p.WithinCov(2, 1) = 0.3;
    p.BetweenCov(1, 1) = 0.25;
    p.Tau(1, 1) = 0.1;
    p.Tau(2, 2) = 0.05;
    p.ResidualVariance = 0.9;
    p.Means2(1) = 0.5;
    p.BudgetMode = budget;
    p.Budget = 1000;
    p.CostParameter = 5;
    p.MinGroupSize = budget ? 2 : 5;
    p.GroupSizeStep = budget ? 2 : groupSizeStep;
    p.MaxGroupSize = budget ? 30 : 20;
    p.MinGroups = 10;
    p.MaxGroups = 30;
    WriteParameterFile(p, "ax.dat", "ax.out", "ax.cov");
}

// Runs tavi-calc; its summary goes to summary when given.
int calc(std::vector<const char*> arguments, std::string* summary = nullptr) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = runCalcCommand(int(arguments.size()), arguments.data(), out, err, false);
    if (summary != nullptr) {
        *summary = out.str();
    }
    return status;
}

// Types text into the assumptions' field key as a user does and waits for the results.
void edit(ResultsWindow& window, const QString& key, const QString& text) {
    auto* field = window.findChild<QLineEdit*>(QStringLiteral("Field_") + key);
    QVERIFY(field);
    field->setText(text);
    emit field->textEdited(text);
    QTRY_VERIFY(!window.recalculating());
}

// The point "N = 83, n = 7" that follows label in a summary line of tavi-calc.
QString summaryPoint(const std::string& summary, const QString& label) {
    const QRegularExpression line(QRegularExpression::escape(label) +
                                  QStringLiteral("[^\\n]* at (N = \\d+, n = \\d+)"));
    return line.match(QString::fromStdString(summary)).captured(1);
}

QString pointText(const std::optional<SweepPoint>& point) {
    return point ? QStringLiteral("N = %1, n = %2").arg(point->N).arg(point->n) : QString();
}

QByteArray readAll(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The cells of the window's grid as drawn, a row per sequence: 't' dark (treated), '.' blank,
// 'c' pale (control).
QStringList drawnCells(const ResultsWindow& window, std::size_t sequences, std::size_t periods) {
    PeriodGrid& grid = *window.DesignGrid;
    grid.resize(grid.sizeHint());
    const QImage image = grid.grab().toImage();
    const QRgb blank = image.pixel(0, image.height() - 1);
    QStringList rows;
    for (std::size_t s = 0; s < sequences; ++s) {
        rows.append(QString());
        for (std::size_t t = 0; t < periods; ++t) {
            const QRgb drawn = image.pixel(grid.cellRect(s, t).center());
            rows.back() += qGray(drawn) < 128 ? 't' : drawn == blank ? '.' : 'c';
        }
    }
    return rows;
}

// The points of every line series but the target's, by x, each with its y.
std::multimap<double, double> seriesPoints(const ResultsWindow& window) {
    std::multimap<double, double> points;
    for (QAbstractSeries* series : window.PlotView->chart()->series()) {
        auto* line = qobject_cast<QLineSeries*>(series);
        if (line != nullptr && !line->name().startsWith(QStringLiteral("Target"))) {
            for (const QPointF& p : line->points()) {
                points.emplace(p.x(), p.y());
            }
        }
    }
    return points;
}

}  // namespace

class ResultsWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ResultsWindow> open(bool budget, std::int32_t groupSizeStep = 5) {
        writeDesign(budget, groupSizeStep);
        QString message;
        auto window = resultsOfFile(QStringLiteral("ax.dat"), message);
        [&] { QVERIFY2(window, qPrintable(message)); }();
        window->CoefficientBox->setCurrentIndex(2);  // Group1
        return window;
    }

    // The window that "New plan..." of window opens, or nullptr.
    static std::unique_ptr<ResultsWindow> newPlanOf(ResultsWindow& window) {
        window.NewPlanButton->click();
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget != &window && qobject_cast<ResultsWindow*>(widget) != nullptr) {
                return std::unique_ptr<ResultsWindow>(static_cast<ResultsWindow*>(widget));
            }
        }
        return nullptr;
    }

    // The window of a copy of the example file.
    static std::unique_ptr<ResultsWindow> openExample(const QString& file) {
        [&] { QVERIFY(QFile::copy(QStringLiteral(TAVI_EXAMPLES_DIR "/") + file, file)); }();
        QString message;
        auto window = resultsOfFile(file, message);
        [&] { QVERIFY2(window, qPrintable(message)); }();
        return window;
    }

    // The standard errors of coefficient column c (0-based after the sample sizes) by row.
    static double tableSe(ResultsWindow& window, int row, int c) {
        QAbstractItemModel* model = window.Table->model();
        const int first = model->columnCount() - int(window.results().coefficients().size());
        return model->index(row, first + c).data(SweepTableModel::kValueRole).toDouble();
    }

    // The window's table holds the standard errors of tavi-calc's CSV for parFile with options,
    // each coefficient's smallest marked.
    static void compareWithTavcalc(ResultsWindow& window, const char* parFile,
                                   std::vector<const char*> options = {}) {
        options.insert(options.end(), {"--csv", "se.csv", parFile, "calc.out", "calc.cov"});
        QCOMPARE(calc(options), kExitComplete);
        QStringList rows = QString::fromLatin1(readAll(QStringLiteral("se.csv")))
                               .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        // The standard errors follow the sample sizes, the first coefficient's named first.
        const int first =
            rows.takeFirst()
                .split(QLatin1Char(','))
                .indexOf(QString::fromStdString(window.results().choices().front().name));
        QVERIFY(first > 0);
        QAbstractItemModel* model = window.Table->model();
        QCOMPARE(model->rowCount(), rows.size());
        const int coefficients = int(window.results().coefficients().size());
        for (int c = 0; c < coefficients; ++c) {
            int smallest = 0;
            for (int row = 0; row < rows.size(); ++row) {
                const QStringList fields = rows[row].split(QLatin1Char(','));
                QCOMPARE(tableSe(window, row, c), fields[first + c].toDouble());
                smallest = tableSe(window, row, c) < tableSe(window, smallest, c) ? row : smallest;
            }
            const QModelIndex best =
                model->index(smallest, model->columnCount() - coefficients + c);
            QVERIFY(best.data(Qt::FontRole).value<QFont>().bold());
        }
    }

    QTemporaryDir m_dir;
    QString m_previousDir;

private slots:
    void init() {
        m_previousDir = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
    }
    void cleanup() {
        TOpenDialog::resetChooser();
        setTemplateChooser({});
        setConfirmationAnswerer({});
        setMessageAnswerer({});
        QDir::setCurrent(m_previousDir);
    }

    void tableHoldsTavcalcsStandardErrors_data() {
        QTest::addColumn<bool>("budget");
        QTest::newRow("budget") << true;
        QTest::newRow("range") << false;
    }
    void tableHoldsTavcalcsStandardErrors() {
        QFETCH(bool, budget);
        const auto window = open(budget);
        compareWithTavcalc(*window, "ax.dat");
    }

    void seriesHoldTheTablesPoints_data() { tableHoldsTavcalcsStandardErrors_data(); }
    void seriesHoldTheTablesPoints() {
        QFETCH(bool, budget);
        const auto window = open(budget);
        std::multimap<double, double> expected;
        QAbstractItemModel* model = window->Table->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            const double x =
                model->index(row, budget ? 2 : 1).data(SweepTableModel::kValueRole).toDouble();
            expected.emplace(x, tableSe(*window, row, 2));
        }
        QCOMPARE(seriesPoints(*window), expected);
    }

    void powerFollowsThePowerFunctionAndAlpha() {
        const auto window = open(true);
        window->QuantityBox->setCurrentIndex(2);
        window->EffectEdit->setText(QStringLiteral("0.25"));
        emit window->EffectEdit->textEdited(window->EffectEdit->text());
        for (const double alpha : {0.05, 0.1}) {
            window->AlphaBox->setValue(alpha);
            const auto power = seriesPoints(*window);
            QCOMPARE(power.size(), std::size_t(window->Table->model()->rowCount()));
            QAbstractItemModel* model = window->Table->model();
            for (int row = 0; row < model->rowCount(); ++row) {
                const double N = model->index(row, 1).data(SweepTableModel::kValueRole).toDouble();
                const double n = model->index(row, 2).data(SweepTableModel::kValueRole).toDouble();
                // Group1 is tested between groups: df = N - kw - 1.
                const double expected =
                    powerOfTest(0.25, tableSe(*window, row, 2), N - 2, {alpha, 0.8, false});
                QVERIFY(std::fabs(power.find(n)->second - expected) < 1e-12);
            }
        }
    }

    void exportCsvWritesTavcalcsPowerCsv() {
        const auto window = open(false);
        window->AlphaBox->setValue(0.1);
        window->PowerBox->setValue(0.9);
        window->SidesBox->setCurrentIndex(1);
        window->EffectEdit->setText(QStringLiteral("0.3"));
        emit window->EffectEdit->textEdited(window->EffectEdit->text());
        TOpenDialog::setChooser(
            [](const TOpenDialog&, QWidget*) { return QStringLiteral("w.csv"); });
        window->ExportCsvButton->click();
        QCOMPARE(calc({"--power-csv", "calc.csv", "--alpha", "0.1", "--power", "0.9", "--one-sided",
                       "--effect", "Group1=0.3", "--quiet", "ax.dat", "calc.out", "calc.cov"}),
                 kExitComplete);
        QVERIFY(readAll(QStringLiteral("w.csv")).contains(",Group1,"));
        QCOMPARE(readAll(QStringLiteral("w.csv")), readAll(QStringLiteral("calc.csv")));
        QVERIFY(!QFile::exists(QStringLiteral("ax.out")));  // the window's run wrote nothing
    }

    // Both pictures hold the whole chart with the note under it at the size chosen: the SVG
    // names the axes, the legend's marked point and the note, and the PNG, at twice its pixels,
    // shows what the SVG drawing shows.
    void savedPlotsHoldTheWholeChart() {
        const auto window = open(false, 1);
        for (const QString& name : {QStringLiteral("plot.png"), QStringLiteral("plot.svg")}) {
            TOpenDialog::setChooser([name](const TOpenDialog& dialog, QWidget*) {
                auto* size = static_cast<PictureSizeControls*>(dialog.Extra);
                size->WidthBox->setValue(900);
                size->HeightBox->setValue(600);
                size->ScaleBox->setValue(2.0);
                return name;
            });
            window->SavePlotButton->click();
        }
        const QByteArray svg = readAll(QStringLiteral("plot.svg"));
        for (const char* text : {"Number of groups N", "SE", "Best by smallest SE: N = ",
                                 "Showing 8 of 16 group sizes", "n = 20"}) {
            QVERIFY2(svg.contains(text), text);
        }
        const QImage png = QImage(QStringLiteral("plot.png")).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(png.size(), QSize(1800, 1200));
        QImage drawn(png.size(), QImage::Format_RGB32);
        drawn.fill(Qt::white);
        QPainter painter(&drawn);
        QSvgRenderer(svg).render(&painter);
        painter.end();
        // Compared in blocks of 60 pixels, where the two renderers' antialiasing evens out.
        constexpr int kBlock = 60;
        for (int y = 0; y < png.height(); y += kBlock) {
            for (int x = 0; x < png.width(); x += kBlock) {
                double difference = 0.0;
                for (int j = y; j < y + kBlock; ++j) {
                    for (int i = x; i < x + kBlock; ++i) {
                        difference += qGray(png.pixel(i, j)) - qGray(drawn.pixel(i, j));
                    }
                }
                QVERIFY2(std::fabs(difference) / (kBlock * kBlock) < 8.0,
                         qPrintable(QStringLiteral("block at %1, %2").arg(x).arg(y)));
            }
        }
    }

    void copyGivesTabSeparatedCellsUnderTheirHeadings() {
        const auto window = open(true);
        QAbstractItemModel* model = window->Table->model();
        window->Table->selectionModel()->select(
            QItemSelection(model->index(0, 1), model->index(1, 2)), QItemSelectionModel::Select);
        const auto cell = [&](int row, int column) {
            return QString::number(
                model->index(row, column).data(SweepTableModel::kValueRole).toDouble());
        };
        QCOMPARE(window->Table->selectedText(), "N groups\tn group size\n" + cell(0, 1) + "\t" +
                                                    cell(0, 2) + "\n" + cell(1, 1) + "\t" +
                                                    cell(1, 2) + "\n");
    }

    // The marked best point and the smallest budget (over ranges the fewest units) are those
    // of tavi-calc's summary, found at every group size and not only the sweep's.
    void answersAreTavcalcsOnTheExamples_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("effect");
        QTest::newRow("cluster trial") << "cluster-trial.dat"
                                       << "Group1=0.3";
        QTest::newRow("covariate") << "cluster-covariate.dat"
                                   << "Group1=0.3";
        QTest::newRow("multisite") << "multisite-trial.dat"
                                   << "Random1=0.2";
        QTest::newRow("cross-level") << "cross-level.dat"
                                     << "CrossL1_1=0.1";
    }
    void answersAreTavcalcsOnTheExamples() {
        QFETCH(QString, file);
        QFETCH(QString, effect);
        const auto window = openExample(file);
        QVERIFY(window);
        std::string summary;
        QCOMPARE(calc({"--effect", qPrintable(effect), qPrintable(file), "calc.out", "calc.cov"},
                      &summary),
                 kExitComplete);
        const QString name = effect.section(QLatin1Char('='), 0, 0);
        window->CoefficientBox->setCurrentIndex(window->CoefficientBox->findText(
            QStringLiteral("(") + name + QStringLiteral(")"), Qt::MatchEndsWith));
        window->EffectEdit->setText(effect.section(QLatin1Char('='), 1));
        emit window->EffectEdit->textEdited(window->EffectEdit->text());
        window->QuantityBox->setCurrentIndex(2);

        ResultsModel& results = window->results();
        const QString best = pointText(results.best(Criterion::HighestPower).point);
        QCOMPARE(best, summaryPoint(summary, name + QStringLiteral(": best by highest power")));
        QCOMPARE(pointText(results.best(Criterion::CheapestForPower).point),
                 summaryPoint(summary, QStringLiteral(" reaching power 0.8")));
        QVERIFY(window->AnswersLabel->text().contains(best));
        const bool budget = results.table().budgetMode();
        for (QAbstractSeries* series : window->PlotView->chart()->series()) {
            if (auto* mark = qobject_cast<QScatterSeries*>(series)) {
                const SweepPoint& point = *results.best(Criterion::HighestPower).point;
                QCOMPARE(mark->at(0).x(), double(budget ? point.n : point.N));
            }
        }
    }

    // An edit computes the design anew: the table then holds what tavi-calc gives for the
    // parameter file that "Save design as" writes of it.
    void editGivesTavcalcsTableOfTheSavedDesign() {
        const auto window = open(false);
        edit(*window, QStringLiteral("icc"), QStringLiteral("0.15"));
        QCOMPARE(window->findChild<QLineEdit*>(QStringLiteral("Field_tau00"))->text(),
                 QStringLiteral("0.15"));
        QVERIFY(!window->findChild<QLineEdit*>(QStringLiteral("Field_site_size_cv")));
        edit(*window, QStringLiteral("n_step"), QStringLiteral("3"));
        TOpenDialog::setChooser(
            [](const TOpenDialog&, QWidget*) { return QStringLiteral("edited.dat"); });
        window->AssumptionsView->SaveDesignButton->click();
        QVERIFY(readAll(QStringLiteral("edited.dat")).contains("           0.15 \r\n"));
        compareWithTavcalc(*window, "edited.dat");
    }

    // Edits typed faster than their designs compute: each stops the computation under way,
    // which hands on nothing, and only the last edit's results arrive.
    void fastEditsGiveTheLastEditsResultsOnly() {
        std::vector<std::size_t> arrived;
        BackgroundRecalculation recalculation(
            [&](const DesignComputation& c) {
                arrived.push_back(c.results.value().run.table.size());
            },
            [](const QString& message) { QFAIL(qPrintable(message)); });
        DesignParameters p = tavi::test::designWithCounts(2, 1, 1);
        p.BudgetMode = false;
        p.MinGroupSize = 5;
        p.GroupSizeStep = 1;
        p.MinGroups = 10;
        p.MaxGroups = 30;
        for (const std::int32_t largest : {2000, 1000, 6}) {
            p.MaxGroupSize = largest;
            recalculation.start(designOf(p).design);
        }
        QTRY_VERIFY(!recalculation.running());
        QCOMPARE(arrived, std::vector<std::size_t>{2 * 21});
    }

    // Unequal group sizes typed into the panel give tavi-calc's answers with the options that
    // the note after saving names; a CV that tavi-calc refuses computes nothing.
    void groupSizeFieldsGiveTavcalcsAnswersWithTheirOptions() {
        const auto window = open(true);
        window->EffectEdit->setText(QStringLiteral("0.3"));
        emit window->EffectEdit->textEdited(window->EffectEdit->text());
        edit(*window, QStringLiteral("size_cv"), QStringLiteral("0.005"));
        QVERIFY(
            window->AssumptionsView->StatusLabel->text().contains(QStringLiteral("0.01 to 10")));
        edit(*window, QStringLiteral("size_cv"), QStringLiteral("0.6"));
        edit(*window, QStringLiteral("group_dropout"), QStringLiteral("0.2"));
        TOpenDialog::setChooser(
            [](const TOpenDialog&, QWidget*) { return QStringLiteral("u.dat"); });
        window->AssumptionsView->SaveDesignButton->click();
        QVERIFY(window->AssumptionsView->StatusLabel->text().contains(
            QStringLiteral("--size-cv 0.6 --group-dropout 0.2")));
        std::string summary;
        QCOMPARE(calc({"--effect", "Group1=0.3", "--size-cv", "0.6", "--group-dropout", "0.2",
                       "u.dat", "calc.out", "calc.cov"},
                      &summary),
                 kExitComplete);
        ResultsModel& results = window->results();
        QCOMPARE(pointText(results.best(Criterion::HighestPower).point),
                 summaryPoint(summary, QStringLiteral("Group1: best by highest power")));
        QCOMPARE(pointText(results.best(Criterion::CheapestForPower).point),
                 summaryPoint(summary, QStringLiteral(" reaching power 0.8")));
        QVERIFY(window->AnswersLabel->text().contains(QStringLiteral("CV 0.6")));
    }

    // A contrast typed in the window joins the chooser and the table; one that picks Group1 has
    // Group1's standard errors, also after an edit of the assumptions. A bad one changes nothing.
    void typedContrastJoinsTheChooserAndSurvivesEdits() {
        const auto window = open(false);
        const int entries = window->CoefficientBox->count();
        for (const char* bad : {"pick=Group1+Nope", "pick", "Group1=Group2", "j=Group1,2*Group1"}) {
            window->TestEdit->setText(QString::fromLatin1(bad));
            emit window->TestEdit->returnPressed();
            QVERIFY2(!window->TestMessage->text().isEmpty(), bad);
            QCOMPARE(window->CoefficientBox->count(), entries);
        }
        window->TestEdit->setText(QStringLiteral("pick=Group1"));
        emit window->TestEdit->returnPressed();
        QVERIFY(window->TestMessage->text().isEmpty());
        QCOMPARE(window->CoefficientBox->count(), entries + 1);
        QVERIFY(window->CoefficientBox->currentText().contains(QStringLiteral("(pick)")));
        QAbstractItemModel* model = window->Table->model();
        const auto seOf = [&](int row, int column) {
            return model->index(row, column).data(SweepTableModel::kValueRole).toDouble();
        };
        const int last = model->columnCount() - 1;  // pick, after the five coefficients
        const double before = seOf(0, last);
        edit(*window, QStringLiteral("icc"), QStringLiteral("0.15"));
        QVERIFY(window->CoefficientBox->currentText().contains(QStringLiteral("(pick)")));
        QVERIFY(std::abs(seOf(0, last) - before) > 1e-6);
        for (int row = 0; row < model->rowCount(); ++row) {
            QCOMPARE(seOf(row, last), seOf(row, last - 3));
        }
        QVERIFY(!seriesPoints(*window).empty());
    }

    // The file the design was opened from, like any existing file, is replaced only when the
    // user confirms; an edited design is closed only when the user confirms too.
    void saveDesignAsNeverReplacesUnasked() {
        const auto window = open(true);
        const QByteArray opened = readAll(QStringLiteral("ax.dat"));
        edit(*window, QStringLiteral("budget"), QStringLiteral("1500"));
        QStringList questions;
        bool answer = false;
        setConfirmationAnswerer([&](const QString& question) {
            questions.append(question);
            return answer;
        });
        window->show();
        window->close();
        QVERIFY(window->isVisible());
        TOpenDialog::setChooser(
            [](const TOpenDialog&, QWidget*) { return QStringLiteral("ax.dat"); });
        window->AssumptionsView->SaveDesignButton->click();
        QCOMPARE(readAll(QStringLiteral("ax.dat")), opened);
        QCOMPARE(questions.size(), 2);
        QVERIFY(questions[1].contains(QStringLiteral("ax.dat is the file that was opened")));
        answer = true;
        window->AssumptionsView->SaveDesignButton->click();
        QVERIFY(readAll(QStringLiteral("ax.dat")).startsWith(opened.left(40)));
        QVERIFY(readAll(QStringLiteral("ax.dat")).contains("  1500      5\r\n"));
        window->close();
        QVERIFY(!window->isVisible());
        QCOMPARE(questions.size(), 3);
    }

    void openReportWithoutLauncherNamesTheReport() {
        QFile report(QStringLiteral("ax.out"));
        QVERIFY(report.open(QIODevice::WriteOnly));
        report.close();
        const auto window = open(true);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", m_dir.path().toLocal8Bit());
        QString shown;
        setMessageAnswerer([&shown](const QString& message) { shown = message; });
        window->OpenReportButton->click();
        qputenv("PATH", path);
        QVERIFY(shown.contains(QDir(m_dir.path()).filePath(QStringLiteral("ax.out"))));
        QVERIFY(shown.contains(QStringLiteral("xdg-utils")));
    }

    // A three-level file: tavi-calc's standard errors in the table, and every line of the
    // plot at one J (under a budget against n, over ranges against K at one n as well).
    void threeLevelFileShowsTavcalcsTableAndALinePerJ_data() {
        QTest::addColumn<QString>("sizes");
        QTest::newRow("budget") << QString();
        QTest::newRow("range") << QStringLiteral("sites 20 40 10");
    }
    void threeLevelFileShowsTavcalcsTableAndALinePerJ() {
        QFETCH(QString, sizes);
        QString text = QString::fromLatin1(readAll(TAVI_EXAMPLES_DIR "/school-trial-3.dat"));
        if (!sizes.isEmpty()) {
            text.replace(QRegularExpression(QStringLiteral("budget [^\r\n]*")), sizes);
        }
        QFile file(QStringLiteral("school.dat"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text.toLatin1()) > 0);
        file.close();
        QCOMPARE(calc({"--csv", "se.csv", "school.dat", "calc.out", "calc.cov"}), kExitComplete);
        QString message;
        const auto window = resultsOfFile(QStringLiteral("school.dat"), message);
        QVERIFY2(window, qPrintable(message));
        QVERIFY(window->CoefficientBox->findText(QStringLiteral("treatment (treatment)")) >= 0);
        QCOMPARE(window->QuantityBox->count(), 6);
        QStringList rows = QString::fromLatin1(readAll(QStringLiteral("se.csv")))
                               .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        rows.removeFirst();
        QAbstractItemModel* model = window->Table->model();
        QCOMPARE(model->rowCount(), rows.size());
        const int columns = model->columnCount();
        const int coefficients = int(window->results().coefficients().size());
        QCOMPARE(coefficients, 3);
        for (int row = 0; row < rows.size(); ++row) {
            const QStringList fields = rows[row].split(QLatin1Char(','));
            for (int c = 0; c < coefficients; ++c) {
                QCOMPARE(model->index(row, columns - coefficients + c)
                             .data(SweepTableModel::kValueRole)
                             .toDouble(),
                         fields[fields.size() - coefficients + c].toDouble());
            }
            // The K, J and n of the row, as the CSV's first fields name them.
            QCOMPARE(model->index(row, 1).data(SweepTableModel::kValueRole).toDouble(),
                     fields[0].toDouble());
            QCOMPARE(model->index(row, 2).data(SweepTableModel::kValueRole).toDouble(),
                     fields[1].toDouble());
        }
        const int chosen = columns - coefficients + window->results().coefficient();
        const bool budget = sizes.isEmpty();
        int lines = 0;
        for (QAbstractSeries* series : window->PlotView->chart()->series()) {
            auto* line = qobject_cast<QLineSeries*>(series);
            if (line == nullptr || line->name().startsWith(QStringLiteral("Target"))) {
                continue;
            }
            ++lines;
            const QString J = line->name().section(QLatin1Char(','), 0, 0);
            QVERIFY2(J.startsWith(QStringLiteral("J = ")), qPrintable(line->name()));
            for (const QPointF& p : line->points()) {
                // The table's row at this point holds the same J.
                bool found = false;
                for (int row = 0; row < model->rowCount() && !found; ++row) {
                    const auto at = [&](int c) {
                        return model->index(row, c).data(SweepTableModel::kValueRole).toDouble();
                    };
                    found = QStringLiteral("J = %1").arg(at(2)) == J &&
                            at(budget ? 3 : 1) == p.x() && at(chosen) == p.y();
                }
                QVERIFY2(found, qPrintable(line->name()));
            }
        }
        QCOMPARE(lines, budget ? 7 : 8);
        // A contrast joins the chooser as for two levels.
        window->TestEdit->setText(QStringLiteral("pick=treatment"));
        emit window->TestEdit->returnPressed();
        QVERIFY2(window->TestMessage->text().isEmpty(), qPrintable(window->TestMessage->text()));
        QCOMPARE(window->CoefficientBox->count(), coefficients + 1);
    }

    // A three-level plan from "New plan...": edits of icc2, the groups per site and their
    // varying number compute the design anew, and the table then holds tavi-calc's for the
    // design file saved with the option of that variation.
    void threeLevelPlanGivesTavcalcsTableOfTheSavedDesign() {
        const auto window = open(false);
        setTemplateChooser([](QWidget*) { return findTemplate("cluster-trial-3"); });
        const std::unique_ptr<ResultsWindow> plan = newPlanOf(*window);
        QVERIFY(plan);
        edit(*plan, QStringLiteral("icc2"), QStringLiteral("0.15"));
        edit(*plan, QStringLiteral("groups"), QStringLiteral("3:5"));
        edit(*plan, QStringLiteral("site_size_cv"), QStringLiteral("0.4"));
        QCOMPARE(plan->Table->model()->rowCount(), 3 * 30);
        TOpenDialog::setChooser(
            [](const TOpenDialog&, QWidget*) { return QStringLiteral("plan3.dat"); });
        plan->AssumptionsView->SaveDesignButton->click();
        compareWithTavcalc(*plan, "plan3.dat", {"--site-size-cv", "0.4"});
    }

    // A three-level file's fields edit its design: a new icc2 shares the same total anew,
    // keeping the variance between sites; the file saved reads back with the values the fields
    // show; "Revert" comes back to them.
    void threeLevelFileSavesItsEditsAndReverts() {
        const auto window = openExample(QStringLiteral("school-trial-3.dat"));
        QVERIFY(window);
        QCOMPARE(window->AssumptionsView->Heading->text(),
                 QStringLiteral("Three-level design of school-trial-3.dat"));
        const auto text = [&window](const char* key) {
            return window->findChild<QLineEdit*>(QStringLiteral("Field_") + key)->text();
        };
        edit(*window, QStringLiteral("icc2"), QStringLiteral("0.2"));
        edit(*window, QStringLiteral("site_cost"), QStringLiteral("150"));
        QString filter;
        TOpenDialog::setChooser([&filter](const TOpenDialog& dialog, QWidget*) {
            filter = dialog.Filters.front();
            return QStringLiteral("site-edited.dat");
        });
        window->AssumptionsView->SaveDesignButton->click();
        QVERIFY(filter.startsWith(QStringLiteral("Three-level")));
        const NestedModel saved = readDesignFile("site-edited.dat").reading.design.model;
        // The total 0.85 + 0.1 + 0.025 = 0.975 shared anew: 0.2 of it between groups.
        QVERIFY(std::fabs(saved.Tau2(1, 1) - 0.195) < 1e-12);
        QVERIFY(std::fabs(saved.Sigma2 - 0.755) < 1e-12);
        QCOMPARE(saved.Tau3(1, 1), 0.025);
        QCOMPARE(saved.Tau2(1, 1), text("tau2_intercept").toDouble());
        QCOMPARE(saved.Sigma2, text("sigma2").toDouble());
        QVERIFY(readAll(QStringLiteral("site-edited.dat")).contains("budget 20000 150 20"));
        edit(*window, QStringLiteral("tau3_intercept"), QStringLiteral("0.1"));
        QCOMPARE(text("icc3"), QStringLiteral("0.09524"));
        window->AssumptionsView->RevertButton->click();
        QTRY_VERIFY(!window->recalculating());
        QCOMPARE(text("tau3_intercept"), QStringLiteral("0.025"));
        QCOMPARE(text("site_cost"), QStringLiteral("150"));
    }

    // A stepped-wedge file: its correlations edited in the panel compute the design anew, the
    // table then holds tavi-calc's for the file saved, and its grid and saved plot draw the
    // sequences, sequence s treated from period s + 1 on.
    void steppedWedgeFileEditsGiveTavcalcsTableOfTheSavedFile() {
        QCOMPARE(
            calc({"--template", "stepped-wedge", "--set", "sequences=4", "--set", "clusters=2:6",
                  "--set", "n=10:30:10", "--set", "icc=0.05", "--write", "wedge.dat"}),
            kExitComplete);
        QString message;
        const auto window = resultsOfFile(QStringLiteral("wedge.dat"), message);
        QVERIFY2(window, qPrintable(message));
        QVERIFY(window->CoefficientBox->currentText().endsWith(QStringLiteral("(treatment)")));
        QVERIFY(!window->findChild<QLineEdit*>(QStringLiteral("Field_size_cv")));
        const auto field = [&window](const char* key) {
            return window->findChild<QLineEdit*>(QStringLiteral("Field_") + key);
        };
        QVERIFY(!field("iac")->isEnabled());
        edit(*window, QStringLiteral("icc"), QStringLiteral("0.1"));
        edit(*window, QStringLiteral("cac"), QStringLiteral("0.6"));
        edit(*window, QStringLiteral("cohort"), QStringLiteral("yes"));
        QVERIFY(field("iac")->isEnabled());
        edit(*window, QStringLiteral("iac"), QStringLiteral("0.4"));
        edit(*window, QStringLiteral("cac"), QStringLiteral("1.5"));
        QVERIFY(window->AssumptionsView->StatusLabel->text().contains(QStringLiteral("at most 1")));
        edit(*window, QStringLiteral("cac"), QStringLiteral("0.6"));
        TOpenDialog::setChooser(
            [](const TOpenDialog&, QWidget*) { return QStringLiteral("wedge-edited.dat"); });
        window->AssumptionsView->SaveDesignButton->click();
        const QByteArray saved = readAll(QStringLiteral("wedge-edited.dat"));
        for (const char* line : {"icc 0.1", "cac 0.6", "cohort yes", "iac 0.4"}) {
            QVERIFY2(saved.contains(line), line);
        }
        compareWithTavcalc(*window, "wedge-edited.dat");
        edit(*window, QStringLiteral("cohort"), QStringLiteral("no"));
        QVERIFY(field("iac")->text().isEmpty());
        window->AssumptionsView->RevertButton->click();
        QTRY_VERIFY(!window->recalculating());
        QCOMPARE(field("iac")->text(), QStringLiteral("0.4"));
        QCOMPARE(drawnCells(*window, 4, 5), (QStringList{"ctttt", "ccttt", "ccctt", "cccct"}));
        const PictureSize size{{900, 500}, 1.0};
        QVERIFY(savePlotPicture(window->results().plot(PlotQuantity::Power),
                                window->results().design().periods, QStringLiteral("plot.svg"),
                                size)
                    .isEmpty());
        QVERIFY(readAll(QStringLiteral("plot.svg")).contains("Sequence 4"));
    }

    // "New plan..." offers the templates over periods; a stepped wedge observed one period
    // before and after each switch leaves the other cells of its grid blank.
    void newPlanOffersTheDesignsOverPeriods() {
        const auto window = open(false);
        QStringList offered;
        test::whenModalShownThenClose([&offered](QWidget* dialog) {
            auto* list = dialog->findChild<QListWidget*>(QStringLiteral("TemplateList"));
            for (int row = 0; row < list->count(); ++row) {
                offered.append(list->item(row)->text().section(QLatin1Char(':'), 0, 0));
            }
            list->setCurrentRow(int(offered.indexOf(QStringLiteral("stepped-wedge"))));
            static_cast<QDialog*>(dialog)->accept();
        });
        const std::unique_ptr<ResultsWindow> plan = newPlanOf(*window);
        for (const char* name :
             {"stepped-wedge", "longitudinal-cluster-trial", "cluster-crossover"}) {
            QVERIFY2(offered.contains(QLatin1String(name)), name);
        }
        QVERIFY(plan);
        edit(*plan, QStringLiteral("window"), QStringLiteral("1"));
        QCOMPARE(drawnCells(*plan, 4, 5), (QStringList{"ct...", ".ct..", "..ct.", "...ct"}));
    }

    void missingOrMalformedFileSaysWhy() {
        QString message;
        QVERIFY(!resultsOfFile(QStringLiteral("none.dat"), message));
        QVERIFY(message.contains(QStringLiteral("none.dat")));
        QFile bad(QStringLiteral("bad.dat"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("1 0 x\r\n");
        bad.close();
        QVERIFY(!resultsOfFile(QStringLiteral("bad.dat"), message));
        QVERIFY(message.contains(QStringLiteral("Invalid numeric input")));
    }
};

}  // namespace tavi::ui

QTEST_MAIN(tavi::ui::ResultsWindowTest)
#include "ResultsWindowTest.moc"
