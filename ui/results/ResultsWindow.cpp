#include "ui/results/ResultsWindow.h"

#include "files/CovarianceCheck.h"
#include "files/DesignFile.h"
#include "files/TypedNumbers.h"
#include "ui/results/AssumptionsPanel.h"
#include "ui/results/BackgroundRecalculation.h"
#include "ui/results/CopyableTable.h"
#include "ui/results/OpenResults.h"
#include "ui/results/PeriodGrid.h"
#include "ui/results/PlotPicture.h"
#include "ui/results/ResultsChart.h"
#include "ui/results/SweepTableModel.h"
#include "ui/results/TemplateChooser.h"
#include "ui/toolkit/Application.h"
#include "ui/toolkit/Confirmation.h"
#include "ui/toolkit/FileOpenDialog.h"
#include "ui/toolkit/Guard.h"
#include "ui/toolkit/Placement.h"

#include <QChartView>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tavi::ui {

namespace {

// The size the window takes where the screen allows it.
constexpr QSize kPreferredSize(1280, 860);
// The shortest lists of choosers: their longest entries would make the window wider than a
// small screen.
constexpr int kChooserCharacters = 18;
// The rows whose texts set the widths of the table's columns: its numbers have the same few
// digits, and measuring thousands of rows would hold up every change.
constexpr int kMeasuredRows = 100;

// The chosen coefficient's effect as its field shows it, at six significant digits.
// A joint test has no effect of its own: its members' are used.
QString effectText(double effect) {
    return std::isnan(effect) ? QString() : QString::number(effect, 'g', 6);
}

// The views, in the order of the chooser, and what a design over periods calls them where its
// words differ.
struct View {
    PlotQuantity quantity;
    const char* name;
    const char* overPeriods;
};
constexpr View kViews[] = {
    {PlotQuantity::StandardError, "Standard error", nullptr},
    {PlotQuantity::Mdes, "Minimum detectable effect (MDES)", nullptr},
    {PlotQuantity::Power, "Power", nullptr},
    {PlotQuantity::PowerByEffect, "Power against the effect, at a point", nullptr},
    {PlotQuantity::PowerByIcc, "Power against the intraclass correlation, at a point", nullptr},
    {PlotQuantity::RequiredGroups, "Groups needed at each group size",
     "Clusters needed at each cluster-period size"},
};

QLabel* buddyLabel(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

QComboBox* shortChooser() {
    auto* box = new QComboBox;
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(kChooserCharacters);
    return box;
}

// The warnings about the design's covariance matrices, one per line.
QString covarianceWarnings(const NestedDesign& d) {
    QStringList lines;
    for (const std::string& finding : covarianceFindings(d)) {
        lines.append(QString::fromStdString(finding));
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

ResultsWindow::ResultsWindow(std::unique_ptr<tavi::Assumptions> assumptions, DesignResults results,
                             const QString& reportFile, const QString& designFile, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_assumptions(std::move(assumptions)),
      m_results(std::move(results)),
      m_reportFile(reportFile),
      m_designFile(designFile) {
    setObjectName(QStringLiteral("ResultsWindow"));
    setWindowTitle(QStringLiteral("TAVI results"));
    m_results.choose(m_assumptions->keyCoefficient());
    createControls();
    bindHandlers();
    redraw();
    fitToScreen(this, kPreferredSize);
    CloseButton->setFocus();
}

ResultsWindow::~ResultsWindow() = default;

void ResultsWindow::createControls() {
    CoefficientBox = shortChooser();
    fillCoefficients();
    QuantityBox = shortChooser();
    const bool overPeriods = m_results.design().periods.has_value();
    for (const View& view : kViews) {
        const char* name =
            overPeriods && view.overPeriods != nullptr ? view.overPeriods : view.name;
        QuantityBox->addItem(QString::fromUtf8(name), int(view.quantity));
    }
    AlphaBox = new QDoubleSpinBox;
    AlphaBox->setDecimals(3);
    AlphaBox->setRange(0.001, 0.5);
    AlphaBox->setSingleStep(0.01);
    AlphaBox->setValue(m_results.settings().alpha);
    AlphaBox->setToolTip(QStringLiteral("Significance level of the tests"));
    PowerBox = new QDoubleSpinBox;
    PowerBox->setDecimals(2);
    PowerBox->setRange(0.05, 0.99);
    PowerBox->setSingleStep(0.05);
    PowerBox->setValue(m_results.settings().power);
    PowerBox->setToolTip(
        QStringLiteral("The power the study should reach, for the MDES, the groups needed and "
                       "the smallest budget"));
    SidesBox = new QComboBox;
    SidesBox->addItems({QStringLiteral("Two-sided"), QStringLiteral("One-sided")});
    EffectEdit = new QLineEdit(effectText(m_results.effect()));
    EffectEdit->setEnabled(!m_results.jointChosen());
    EffectEdit->setToolTip(QStringLiteral(
        "The true value of the chosen coefficient, in outcome units per unit of its variable"));

    auto* settings = new QGroupBox(QStringLiteral("Test"));
    auto* settingsRows = new QVBoxLayout(settings);
    auto* firstRow = new QHBoxLayout;
    firstRow->addWidget(buddyLabel(QStringLiteral("Coe&fficient:"), CoefficientBox));
    firstRow->addWidget(CoefficientBox, 3);
    firstRow->addSpacing(16);
    firstRow->addWidget(buddyLabel(QStringLiteral("&Show:"), QuantityBox));
    firstRow->addWidget(QuantityBox, 2);
    auto* secondRow = new QHBoxLayout;
    const std::pair<QString, QWidget*> fields[] = {{QStringLiteral("&Alpha:"), AlphaBox},
                                                   {QStringLiteral("Target &power:"), PowerBox},
                                                   {QStringLiteral("Si&des:"), SidesBox},
                                                   {QStringLiteral("&Effect:"), EffectEdit}};
    for (const auto& [caption, field] : fields) {
        secondRow->addWidget(buddyLabel(caption, field));
        secondRow->addWidget(field);
        secondRow->addSpacing(16);
    }
    secondRow->addStretch();
    TestEdit = new QLineEdit;
    TestEdit->setPlaceholderText(QStringLiteral("NAME=Group1-Group2, or NAME=Group1,Group2"));
    TestEdit->setToolTip(QStringLiteral(
        "A contrast NAME=EXPR (a linear combination of coefficients, such as 0.5*Group1+Group2) "
        "or a joint test NAME=A,B of coefficients and contrasts; Enter adds it to the chooser"));
    TestMessage = new QLabel;
    TestMessage->setWordWrap(true);
    TestMessage->setStyleSheet(QStringLiteral("color: #c62828"));
    auto* thirdRow = new QHBoxLayout;
    thirdRow->addWidget(buddyLabel(QStringLiteral("Add contrast or &joint test:"), TestEdit));
    thirdRow->addWidget(TestEdit, 2);
    thirdRow->addWidget(TestMessage, 3);
    settingsRows->addLayout(firstRow);
    settingsRows->addLayout(secondRow);
    settingsRows->addLayout(thirdRow);

    AssumptionsView = new AssumptionsPanel;
    AssumptionsView->setFields(*m_assumptions);
    m_recalculation = new BackgroundRecalculation(
        [this](DesignComputation computation) {
            runGuarded([&] { takeComputation(std::move(computation)); });
        },
        [this](const QString& message) { runGuarded([&] { showCalculationFailure(message); }); },
        this);

    PlotView = new QChartView;
    PlotView->setRenderHint(QPainter::Antialiasing);
    PlotView->setMinimumHeight(200);
    PlotNote = new QLabel;
    PlotNote->setWordWrap(true);
    DesignGrid = new PeriodGrid;

    AnswersLabel = new QLabel;
    AnswersLabel->setObjectName(QStringLiteral("AnswersLabel"));
    AnswersLabel->setWordWrap(true);
    AnswersLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_tableModel = std::make_unique<SweepTableModel>(m_results);
    m_sorted = new QSortFilterProxyModel(this);
    m_sorted->setSourceModel(m_tableModel.get());
    m_sorted->setSortRole(SweepTableModel::kSortRole);
    Table = new CopyableTable(SweepTableModel::kValueRole);
    Table->setModel(m_sorted);
    Table->setSortingEnabled(true);
    Table->sortByColumn(-1, Qt::AscendingOrder);
    Table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Table->setTabKeyNavigation(false);
    Table->setMinimumHeight(100);
    Table->verticalHeader()->setDefaultSectionSize(Table->fontMetrics().height() + 6);
    Table->horizontalHeader()->setResizeContentsPrecision(kMeasuredRows);
    fitColumns();
    Table->setToolTip(
        QStringLiteral("Click a heading to sort, a row to show the power at its point; Ctrl+C "
                       "copies the selected cells with their headings"));
    auto* tableArea = new QWidget;
    auto* tableRows = new QVBoxLayout(tableArea);
    tableRows->setContentsMargins(0, 0, 0, 0);
    tableRows->addWidget(AnswersLabel);
    // The variables of a design over periods are named after the periods and the treatment.
    const QString variableNames =
        m_results.design().periods
            ? QString()
            : QStringLiteral("; x: level-1 variables in the order entered, w: level-2 variables");
    QLabel* tableCaption = buddyLabel(QStringLiteral("&Table of every point (the smallest "
                                                     "standard error of each coefficient marked") +
                                          variableNames + QLatin1Char(')'),
                                      Table);
    tableCaption->setWordWrap(true);
    tableRows->addWidget(tableCaption);
    tableRows->addWidget(Table, 1);
    auto* plotArea = new QWidget;
    auto* plotRows = new QVBoxLayout(plotArea);
    plotRows->setContentsMargins(0, 0, 0, 0);
    auto* plotAndGrid = new QHBoxLayout;
    plotAndGrid->addWidget(PlotView, 1);
    plotAndGrid->addWidget(DesignGrid, 0, Qt::AlignTop);
    plotRows->addLayout(plotAndGrid, 1);
    plotRows->addWidget(PlotNote);
    auto* results = new QSplitter(Qt::Vertical);
    results->addWidget(plotArea);
    results->addWidget(tableArea);
    results->setStretchFactor(0, 1);
    results->setStretchFactor(1, 1);
    results->setChildrenCollapsible(false);
    auto* sides = new QSplitter(Qt::Horizontal);
    sides->addWidget(AssumptionsView);
    sides->addWidget(results);
    sides->setStretchFactor(0, 0);
    sides->setStretchFactor(1, 1);
    sides->setChildrenCollapsible(false);
    // The panel is as wide as its buttons need, or as some 36 characters of its labels.
    sides->setSizes({std::max(AssumptionsView->minimumSizeHint().width(),
                              fontMetrics().averageCharWidth() * 36),
                     kPreferredSize.width()});

    NewPlanButton = new QPushButton(QStringLiteral("&New plan..."));
    NewPlanButton->setToolTip(
        QStringLiteral("Start another plan from a template, in a window "
                       "of its own"));
    SavePlotButton = new QPushButton(QStringLiteral("Save p&lot..."));
    ExportCsvButton = new QPushButton(QStringLiteral("E&xport CSV..."));
    OpenReportButton = new QPushButton(QStringLiteral("Open &report"));
    OpenReportButton->setEnabled(!m_reportFile.isEmpty() && QFileInfo::exists(m_reportFile));
    OpenReportButton->setToolTip(m_reportFile);
    CloseButton = new QPushButton(QStringLiteral("&Close"));
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {NewPlanButton, SavePlotButton, ExportCsvButton, OpenReportButton}) {
        buttons->addWidget(button);
    }
    buttons->addStretch();
    buttons->addWidget(CloseButton);

    auto* rows = new QVBoxLayout(this);
    rows->addWidget(settings);
    rows->addWidget(sides, 1);
    rows->addLayout(buttons);

    PlotView->setFocusPolicy(Qt::NoFocus);
    std::vector<QWidget*> order = {CoefficientBox, QuantityBox, AlphaBox,
                                   PowerBox,       SidesBox,    EffectEdit};
    order.insert(order.end(), AssumptionsView->Fields.begin(), AssumptionsView->Fields.end());
    order.insert(order.end(),
                 {AssumptionsView->SaveDesignButton, AssumptionsView->RevertButton, Table,
                  NewPlanButton, SavePlotButton, ExportCsvButton, OpenReportButton, CloseButton});
    for (std::size_t i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
}

void ResultsWindow::fillCoefficients() {
    const QSignalBlocker quiet(CoefficientBox);
    CoefficientBox->clear();
    for (const Choice& choice : m_results.choices()) {
        CoefficientBox->addItem(QString::fromStdString(choice.label + " (" + choice.name + ")"));
    }
    CoefficientBox->setCurrentIndex(m_results.coefficient());
}

void ResultsWindow::bindHandlers() {
    bindHandler(CoefficientBox, &QComboBox::currentIndexChanged, this,
                &ResultsWindow::chooseCoefficient);
    bindHandler(QuantityBox, &QComboBox::currentIndexChanged, this, &ResultsWindow::redraw);
    bindHandler(AlphaBox, &QDoubleSpinBox::valueChanged, this, &ResultsWindow::changeSettings);
    bindHandler(PowerBox, &QDoubleSpinBox::valueChanged, this, &ResultsWindow::changeSettings);
    bindHandler(SidesBox, &QComboBox::currentIndexChanged, this, &ResultsWindow::changeSettings);
    bindHandler(EffectEdit, &QLineEdit::textEdited, this, &ResultsWindow::changeEffect);
    bindHandler(TestEdit, &QLineEdit::returnPressed, this, &ResultsWindow::addTypedTest);
    bindHandler(Table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                &ResultsWindow::choosePoint);
    connect(AssumptionsView, &AssumptionsPanel::edited, this,
            [this](std::size_t field, const QString& text) {
                runGuarded([&] { editAssumption(field, text); });
            });
    bindHandler(AssumptionsView->RevertButton, &QPushButton::clicked, this,
                &ResultsWindow::revertAssumptions);
    bindHandler(AssumptionsView->SaveDesignButton, &QPushButton::clicked, this,
                &ResultsWindow::saveDesign);
    bindHandler(NewPlanButton, &QPushButton::clicked, this, &ResultsWindow::newPlan);
    bindHandler(SavePlotButton, &QPushButton::clicked, this, &ResultsWindow::savePlot);
    bindHandler(ExportCsvButton, &QPushButton::clicked, this, &ResultsWindow::exportCsv);
    bindHandler(OpenReportButton, &QPushButton::clicked, this, &ResultsWindow::openReport);
    connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Escape), QKeySequence(QKeySequence::Close)}) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);
    }
}

void ResultsWindow::fitColumns() {
    Table->resizeColumnsToContents();
}

bool ResultsWindow::recalculating() const {
    return m_recalculation->running();
}

PlotQuantity ResultsWindow::quantity() const {
    return PlotQuantity(QuantityBox->currentData().toInt());
}

void ResultsWindow::chooseCoefficient() {
    m_results.choose(CoefficientBox->currentIndex());
    showEffect();
    m_tableModel->testsChanged(true);
    for (int test = 0; test < SweepTableModel::kTestColumns; ++test) {
        Table->resizeColumnToContents(m_tableModel->pointColumns() + test);
    }
    redraw();
}

void ResultsWindow::showEffect() {
    EffectEdit->setText(effectText(m_results.effect()));
    EffectEdit->setEnabled(!m_results.jointChosen());
    EffectEdit->setStyleSheet({});
}

void ResultsWindow::applyTestOptions(const TestOptions& options) {
    m_results.applyTestOptions(options);
    testsAdded();
}

void ResultsWindow::testsAdded() {
    fillCoefficients();
    showEffect();
    m_tableModel->resultsReplaced();
    fitColumns();
    redraw();
}

void ResultsWindow::addTypedTest() {
    const QString line = TestEdit->text().trimmed();
    if (line.isEmpty()) {
        return;
    }
    try {
        m_results.addTested(line.toStdString());
    } catch (const TestOptionError& error) {
        TestMessage->setText(QString::fromStdString(error.message));
        return;
    }
    // The new entry is shown at once.
    m_results.choose(line.section(QLatin1Char('='), 0, 0).trimmed().toStdString());
    TestMessage->clear();
    TestEdit->clear();
    testsAdded();
}

void ResultsWindow::changeSettings() {
    m_results.setSettings({AlphaBox->value(), PowerBox->value(), SidesBox->currentIndex() == 1});
    m_tableModel->testsChanged(false);
    redraw();
}

void ResultsWindow::changeEffect() {
    double effect = 0.0;
    const bool usable =
        TextToReal(EffectEdit->text().toStdString(), effect) && std::isfinite(effect);
    // A text that is no number yet keeps the plot as it is until it becomes one.
    EffectEdit->setStyleSheet(usable ? QString() : QStringLiteral("color: #c62828"));
    if (usable) {
        m_results.setEffect(effect);
        m_tableModel->testsChanged(false);
        redraw();
    }
}

void ResultsWindow::choosePoint() {
    const QModelIndex current = m_sorted->mapToSource(Table->selectionModel()->currentIndex());
    if (!current.isValid()) {
        return;
    }
    m_results.choosePoint(m_results.table().point(static_cast<std::size_t>(current.row())));
    if (quantity() == PlotQuantity::PowerByEffect || quantity() == PlotQuantity::PowerByIcc) {
        redraw();
    }
}

void ResultsWindow::editAssumption(std::size_t field, const QString& text) {
    m_assumptions->setText(field, text.toStdString());
    AssumptionsView->showTexts(*m_assumptions, field);
    recalculate();
}

void ResultsWindow::revertAssumptions() {
    if (!m_assumptions->edited()) {
        return;
    }
    m_assumptions->revert();
    AssumptionsView->showTexts(*m_assumptions, std::nullopt);
    recalculate();
}

void ResultsWindow::recalculate() {
    AssumedDesign assumed = m_assumptions->design();
    if (!assumed.design) {
        m_recalculation->stop();
        AssumptionsView->showStatus(QString::fromStdString(assumed.problem.message), true,
                                    assumed.problem.field);
        emit recalculated();
        return;
    }
    AssumptionsView->showStatus(QStringLiteral("Computing..."), false);
    m_recalculation->start(std::move(*assumed.design));
}

void ResultsWindow::takeComputation(DesignComputation computation) {
    if (!computation.results) {
        AssumptionsView->showStatus(QStringLiteral("The design cannot be computed: ") +
                                        QString::fromStdString(computation.refusal),
                                    true);
        emit recalculated();
        return;
    }
    const std::vector<Choice> before = m_results.choices();
    m_results.replaceResults(std::move(*computation.results));
    const std::vector<Choice> after = m_results.choices();
    const bool sameColumns =
        before.size() == after.size() &&
        std::equal(before.begin(), before.end(), after.begin(),
                   [](const Choice& a, const Choice& b) { return a.name == b.name; });
    if (!sameColumns) {
        fillCoefficients();
        showEffect();
    }
    // The columns keep their widths, which the user may have set, while they stay the same.
    QList<int> widths;
    for (int column = 0; column < m_sorted->columnCount(); ++column) {
        widths.append(Table->columnWidth(column));
    }
    m_tableModel->resultsReplaced();
    if (sameColumns) {
        for (int column = 0; column < widths.size(); ++column) {
            Table->setColumnWidth(column, widths[column]);
        }
    } else {
        fitColumns();
    }
    redraw();
    const AssumedDesign assumed = m_assumptions->design();
    AssumptionsView->showStatus(assumed.design ? covarianceWarnings(*assumed.design) : QString(),
                                false);
    emit recalculated();
}

void ResultsWindow::showCalculationFailure(const QString& message) {
    AssumptionsView->showStatus(QStringLiteral("The design cannot be computed: ") + message, true);
    emit recalculated();
}

void ResultsWindow::redraw() {
    m_plot = m_results.plot(quantity());
    QChart* old = PlotView->chart();
    PlotView->setChart(buildChart(m_plot));
    delete old;
    PlotNote->setText(QString::fromStdString(m_plot.note));
    PlotNote->setVisible(!m_plot.note.empty());
    DesignGrid->setPeriods(m_results.design().periods);
    QStringList answers;
    for (const std::string& line : m_results.answerLines()) {
        answers.append(QString::fromStdString(line));
    }
    AnswersLabel->setText(answers.join(QLatin1Char('\n')));
}

void ResultsWindow::savePlot() {
    // The picture is as large as the plot on the screen, with the grid beside it when shown.
    QSize shown = PlotView->size();
    if (DesignGrid->isVisible()) {
        shown.rwidth() += DesignGrid->width();
    }
    PictureSizeControls size({shown, PlotView->devicePixelRatioF()});
    TOpenDialog dialog;
    dialog.Title = QStringLiteral("Save plot");
    dialog.FileName = QStringLiteral("plot.png");
    dialog.DefaultExt = QStringLiteral("png");
    dialog.Filters = {QStringLiteral("PNG picture (*.png)"), QStringLiteral("SVG drawing (*.svg)")};
    dialog.Saving = true;
    dialog.Extra = &size;
    if (!dialog.Execute(this)) {
        return;
    }
    const QString failure =
        savePlotPicture(m_plot, m_results.design().periods, dialog.FileName, size.value());
    if (!failure.isEmpty()) {
        showMessage(QStringLiteral("The plot was not saved: ") + failure + QStringLiteral(": ") +
                    dialog.FileName);
    }
}

void ResultsWindow::exportCsv() {
    TOpenDialog dialog;
    dialog.Title = QStringLiteral("Export CSV");
    dialog.FileName = QStringLiteral("power.csv");
    dialog.DefaultExt = QStringLiteral("csv");
    dialog.Filters = {QStringLiteral("CSV table (*.csv)")};
    dialog.Saving = true;
    if (dialog.Execute(this)) {
        m_results.writePowerCsv(dialog.FileName.toStdString());
    }
}

void ResultsWindow::saveDesign() {
    const AssumedDesign assumed = m_assumptions->design();
    if (!assumed.design) {
        showMessage(QStringLiteral("The design was not saved: ") +
                    QString::fromStdString(assumed.problem.message));
        return;
    }
    TOpenDialog dialog;
    dialog.Title = QStringLiteral("Save design as");
    dialog.FileName = m_designFile.isEmpty() ? QStringLiteral("plan.dat") : m_designFile;
    dialog.DefaultExt = QStringLiteral("dat");
    dialog.Filters = {assumed.design->periods ? QStringLiteral("Design file over periods (*.dat)")
                      : assumed.design->levels() == 3
                          ? QStringLiteral("Three-level design file (*.dat)")
                          : QStringLiteral("Parameter file (*.dat)"),
                      QStringLiteral("Any file (*)")};
    dialog.Saving = true;
    dialog.OpenedFile = m_designFile;
    if (!dialog.Execute(this)) {
        return;
    }
    writeDesignFile(*assumed.design, dialog.FileName.toStdString());
    m_designFile = dialog.FileName;
    m_assumptions->markSaved(m_designFile.toStdString());
    AssumptionsView->showTexts(*m_assumptions, std::nullopt);
    if (assumed.design->unequal.inForce()) {
        AssumptionsView->showStatus(
            QStringLiteral("The parameter file does not hold the group sizes: give tavi-calc ") +
                QString::fromStdString(groupSizeOptions(assumed.design->unequal)) +
                QStringLiteral(" for these results."),
            false);
    }
}

void ResultsWindow::openReport() {
    const QString report = QFileInfo(m_reportFile).absoluteFilePath();
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(report))) {
        showMessage(QStringLiteral("No program to show the report was found (the package "
                                   "xdg-utils provides one). The report is the text file ") +
                    report);
    }
}

void ResultsWindow::newPlan() {
    const DesignTemplate* chosen = chooseTemplate(this);
    if (chosen == nullptr) {
        return;
    }
    QString message;
    std::unique_ptr<ResultsWindow> window = newPlanWindow(*chosen, message);
    if (!window) {
        showMessage(message);
        return;
    }
    window->setAttribute(Qt::WA_DeleteOnClose);
    endWithLastResultsWindow(window.get());
    window.release()->show();
}

void ResultsWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // It takes the place of the window the user worked in: its keys work at once.
    activateWindow();
    raise();
}

void ResultsWindow::closeEvent(QCloseEvent* event) {
    if (m_assumptions->edited() && !terminationRequested() &&
        !confirm(this, QStringLiteral("The design's changes are not saved. Close the window "
                                      "and lose them?"))) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
    emit closed();
}

}  // namespace tavi::ui
