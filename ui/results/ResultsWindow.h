// The planner's workbench: the results of a design (the answers for the chosen coefficient, a
// plot of one of its views and the table of every point) beside the design's assumptions,
// whose every edit computes the design anew in memory and redraws. It saves the plot, the
// tests and the edited design, and starts new plans from templates.
#pragma once

#include "engine/run/Assumptions.h"
#include "engine/run/ResultsModel.h"

#include <QString>
#include <QWidget>

#include <cstddef>
#include <memory>

class QChartView;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;

namespace tavi::ui {

class AssumptionsPanel;
class BackgroundRecalculation;
class CopyableTable;
class PeriodGrid;
class SweepTableModel;

class ResultsWindow : public QWidget {
    Q_OBJECT
public:
    // assumptions: the design's fields, whose design results holds computed. reportFile: the
    // report opened by "Open report"; empty or missing, the button is disabled. designFile: the
    // parameter file the design was read from, empty for a new plan.
    ResultsWindow(std::unique_ptr<Assumptions> assumptions, DesignResults results,
                  const QString& reportFile, const QString& designFile, QWidget* parent = nullptr);
    ~ResultsWindow() override;

    // Whether an edit's computation is under way.
    bool recalculating() const;

    // The controls, for tests.
    QComboBox* CoefficientBox;
    QComboBox* QuantityBox;
    QDoubleSpinBox* AlphaBox;
    QDoubleSpinBox* PowerBox;
    QComboBox* SidesBox;
    QLineEdit* EffectEdit;
    QLineEdit* TestEdit;
    QLabel* TestMessage;  // why the test typed was refused, or empty
    QLabel* AnswersLabel;
    AssumptionsPanel* AssumptionsView;
    CopyableTable* Table;
    QChartView* PlotView;
    QLabel* PlotNote;
    PeriodGrid* DesignGrid;  // a design over periods drawn beside the plot
    QPushButton* NewPlanButton;
    QPushButton* SavePlotButton;
    QPushButton* ExportCsvButton;
    QPushButton* OpenReportButton;
    QPushButton* CloseButton;

    // Adds the contrasts and joint tests of options, as `tavi --results` takes them, to the
    // chooser. Throws TestOptionError, naming the option and the name, and then changes nothing.
    void applyTestOptions(const TestOptions& options);

    // The model behind the controls, for tests.
    ResultsModel& results() { return m_results; }

signals:
    // The window was closed, by its Close button, Escape, Ctrl+W or its close box.
    void closed();
    // An edit's computation has ended and the window shows its results, or why there are none.
    void recalculated();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void bindHandlers();
    void fillCoefficients();
    // Widens the table's columns to their headings and numbers; the user may change them.
    void fitColumns();
    // Handlers: each reads the controls, tells the model and draws again.
    void chooseCoefficient();
    void changeSettings();
    void changeEffect();
    void showEffect();
    void addTypedTest();
    // Shows the chooser, the table and the plot again after tests were added.
    void testsAdded();
    void choosePoint();
    void editAssumption(std::size_t field, const QString& text);
    void revertAssumptions();
    void redraw();
    void savePlot();
    void exportCsv();
    void saveDesign();
    void openReport();
    void newPlan();
    // Computes the design that the assumptions give now, or says why there is none.
    void recalculate();
    void takeComputation(DesignComputation computation);
    void showCalculationFailure(const QString& message);
    // The view the quantity chooser shows.
    PlotQuantity quantity() const;

    std::unique_ptr<tavi::Assumptions> m_assumptions;
    ResultsModel m_results;
    QString m_reportFile;
    QString m_designFile;
    Plot m_plot;  // the plot shown, as saved
    std::unique_ptr<SweepTableModel> m_tableModel;
    QSortFilterProxyModel* m_sorted = nullptr;
    BackgroundRecalculation* m_recalculation = nullptr;
};

}  // namespace tavi::ui
