// The results window on a budget and a range design: its table against tavi-calc's CSV of
// standard errors, its plot against the table and the power function, and what it saves.

#include "app/CalcCommand.h"
#include "engine/power/TestPower.h"
#include "files/ParameterFile.h"
#include "tests/files/FileTestSupport.h"
#include "ui/results/CopyableTable.h"
#include "ui/results/ResultsWindow.h"
#include "ui/results/SweepTableModel.h"
#include "ui/toolkit/FileOpenDialog.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QImage>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <map>
#include <sstream>

namespace tavi::ui {

namespace {

// Two level-1 variables (one with a random slope) and one level-2 variable: Fixed1, Const,
// Group1, Random1, CrossL1_1.
void writeDesign(bool budget) {
    DesignParameters p = test::designWithCounts(2, 1, 1);
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
    p.GroupSizeStep = budget ? 2 : 5;
    p.MaxGroupSize = budget ? 30 : 20;
    p.MinGroups = 10;
    p.MaxGroups = 30;
    WriteParameterFile(p, "ax.dat", "ax.out", "ax.cov");
}

int calc(std::vector<const char*> arguments) {
    std::ostringstream out;
    std::ostringstream err;
    return runCalcCommand(int(arguments.size()), arguments.data(), out, err, false);
}

QByteArray readAll(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
    std::unique_ptr<ResultsWindow> open(bool budget) {
        writeDesign(budget);
        QString message;
        auto window = resultsOfFile(QStringLiteral("ax.dat"), message);
        [&] { QVERIFY2(window, qPrintable(message)); }();
        window->CoefficientBox->setCurrentIndex(2);  // Group1
        return window;
    }

    // The standard errors of coefficient column c (0-based after the sample sizes) by row.
    static double tableSe(ResultsWindow& window, int row, int c) {
        QAbstractItemModel* model = window.Table->model();
        const int first = model->columnCount() - 5;
        return model->index(row, first + c).data(SweepTableModel::kValueRole).toDouble();
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
        QCOMPARE(calc({"--csv", "se.csv", "ax.dat", "calc.out", "calc.cov"}), kExitComplete);
        QStringList rows = QString::fromLatin1(readAll(QStringLiteral("se.csv")))
                               .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        rows.removeFirst();
        QAbstractItemModel* model = window->Table->model();
        QCOMPARE(model->rowCount(), rows.size());
        for (int c = 0; c < 5; ++c) {
            int smallest = 0;
            for (int row = 0; row < rows.size(); ++row) {
                const QStringList fields = rows[row].split(QLatin1Char(','));
                QCOMPARE(tableSe(*window, row, c), fields[fields.size() - 5 + c].toDouble());
                smallest =
                    tableSe(*window, row, c) < tableSe(*window, smallest, c) ? row : smallest;
            }
            const QModelIndex best = model->index(smallest, model->columnCount() - 5 + c);
            QVERIFY(best.data(Qt::FontRole).value<QFont>().bold());
        }
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

    void savePlotWritesPngAndSvg() {
        const auto window = open(true);
        window->resize(900, 700);
        for (const QString& name : {QStringLiteral("plot.png"), QStringLiteral("plot.svg")}) {
            TOpenDialog::setChooser([name](const TOpenDialog&, QWidget*) { return name; });
            window->SavePlotButton->click();
        }
        QImage png(QStringLiteral("plot.png"));
        QVERIFY(!png.isNull());
        QVERIFY(png.width() >= 900);
        const QByteArray svg = readAll(QStringLiteral("plot.svg"));
        QVERIFY(svg.contains("Group size n (level-1 units per group)"));
        QVERIFY(svg.contains("Standard error (outcome units)"));
    }

    void copyGivesTabSeparatedCells() {
        const auto window = open(true);
        QAbstractItemModel* model = window->Table->model();
        window->Table->selectionModel()->select(
            QItemSelection(model->index(0, 1), model->index(1, 2)), QItemSelectionModel::Select);
        const auto cell = [&](int row, int column) {
            return QString::number(
                model->index(row, column).data(SweepTableModel::kValueRole).toDouble());
        };
        QCOMPARE(window->Table->selectedText(),
                 cell(0, 1) + "\t" + cell(0, 2) + "\n" + cell(1, 1) + "\t" + cell(1, 2) + "\n");
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
