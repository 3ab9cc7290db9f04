// The window that shows a run's results: the table of standard errors, the test settings, and a
// plot of one coefficient's standard error, MDES or power over the sample sizes, with the plot
// and the tests to save.
#pragma once

#include "engine/run/ResultsModel.h"

#include <QString>
#include <QWidget>

#include <memory>

class QChartView;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tavi::ui {

class CopyableTable;
class SweepTableModel;

class ResultsWindow : public QWidget {
    Q_OBJECT
public:
    // reportFile: the report of the run, opened by "Open report"; empty or missing, the button
    // is disabled.
    ResultsWindow(ResultsModel results, const QString& reportFile, QWidget* parent = nullptr);
    ~ResultsWindow() override;

    // The controls, for tests.
    QComboBox* CoefficientBox;
    QComboBox* QuantityBox;
    QDoubleSpinBox* AlphaBox;
    QDoubleSpinBox* PowerBox;
    QComboBox* SidesBox;
    QLineEdit* EffectEdit;
    CopyableTable* Table;
    QChartView* PlotView;
    QLabel* PlotNote;
    QPushButton* SavePlotButton;
    QPushButton* ExportCsvButton;
    QPushButton* OpenReportButton;
    QPushButton* CloseButton;

signals:
    // The window was closed, by its Close button, Escape, Ctrl+W or its close box.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void bindHandlers();
    // Handlers: each reads the controls, tells the model and draws the plot again.
    void chooseCoefficient();
    void changeSettings();
    void changeEffect();
    void redraw();
    void savePlot();
    void exportCsv();
    void openReport();

    ResultsModel m_results;
    QString m_reportFile;
    std::unique_ptr<SweepTableModel> m_tableModel;
};

// Runs the calculation of parFile in memory, writing no file, and makes the results window,
// not yet shown. nullptr when the file cannot be read or its design is refused, with message
// saying why in one line.
std::unique_ptr<ResultsWindow> resultsOfFile(const QString& parFile, QString& message);

}  // namespace tavi::ui
