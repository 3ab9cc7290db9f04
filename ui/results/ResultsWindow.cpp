#include "ui/results/ResultsWindow.h"

#include "engine/run/CalculationRun.h"
#include "files/FileError.h"
#include "files/FileNames.h"
#include "files/TypedNumbers.h"
#include "ui/results/CopyableTable.h"
#include "ui/results/ResultsChart.h"
#include "ui/results/RunWithProgress.h"
#include "ui/results/SweepTableModel.h"
#include "ui/toolkit/FileOpenDialog.h"
#include "ui/toolkit/Guard.h"

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

#include <cmath>

namespace tavi::ui {

namespace {

// The chosen coefficient's effect as its field shows it, at six significant digits.
QString effectText(double effect) {
    return QString::number(effect, 'g', 6);
}

// The quantities of the plot, in the order of the chooser.
const PlotQuantity kQuantities[] = {PlotQuantity::StandardError, PlotQuantity::Mdes,
                                    PlotQuantity::Power};
const char* const kQuantityNames[] = {"Standard error", "Minimum detectable effect (MDES)",
                                      "Power"};

QLabel* buddyLabel(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

}  // namespace

ResultsWindow::ResultsWindow(ResultsModel results, const QString& reportFile, QWidget* parent)
    : QWidget(parent, Qt::Window), m_results(std::move(results)), m_reportFile(reportFile) {
    setObjectName(QStringLiteral("ResultsWindow"));
    setWindowTitle(QStringLiteral("TAVI results"));
    createControls();
    bindHandlers();
    redraw();
    resize(1180, 860);
    CloseButton->setFocus();
}

ResultsWindow::~ResultsWindow() = default;

void ResultsWindow::createControls() {
    CoefficientBox = new QComboBox;
    for (const std::string& title : m_results.titles()) {
        CoefficientBox->addItem(QString::fromStdString(title));
    }
    CoefficientBox->setCurrentIndex(m_results.coefficient());
    QuantityBox = new QComboBox;
    for (const char* name : kQuantityNames) {
        QuantityBox->addItem(QString::fromLatin1(name));
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
        QStringLiteral("The power the study should reach, for the MDES and "
                       "the cheapest point"));
    SidesBox = new QComboBox;
    SidesBox->addItems({QStringLiteral("Two-sided"), QStringLiteral("One-sided")});
    EffectEdit = new QLineEdit(effectText(m_results.effect()));
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
    settingsRows->addLayout(firstRow);
    settingsRows->addLayout(secondRow);

    PlotView = new QChartView;
    PlotView->setRenderHint(QPainter::Antialiasing);
    PlotView->setMinimumHeight(320);
    PlotNote = new QLabel;

    m_tableModel = std::make_unique<SweepTableModel>(m_results);
    auto* sorted = new QSortFilterProxyModel(this);
    sorted->setSourceModel(m_tableModel.get());
    sorted->setSortRole(SweepTableModel::kSortRole);
    Table = new CopyableTable(SweepTableModel::kValueRole);
    Table->setModel(sorted);
    Table->setSortingEnabled(true);
    Table->sortByColumn(-1, Qt::AscendingOrder);
    Table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Table->setTabKeyNavigation(false);
    Table->verticalHeader()->setDefaultSectionSize(Table->fontMetrics().height() + 6);
    Table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Table->setToolTip(QStringLiteral("Click a heading to sort; Ctrl+C copies the selected cells"));
    auto* tableArea = new QWidget;
    auto* tableRows = new QVBoxLayout(tableArea);
    tableRows->setContentsMargins(0, 0, 0, 0);
    tableRows->addWidget(
        buddyLabel(QStringLiteral("S&tandard errors at every point (the smallest of each "
                                  "coefficient marked; x: level-1 variables in the order "
                                  "entered, w: level-2 variables)"),
                   Table));
    tableRows->addWidget(Table);
    auto* plotArea = new QWidget;
    auto* plotRows = new QVBoxLayout(plotArea);
    plotRows->setContentsMargins(0, 0, 0, 0);
    plotRows->addWidget(PlotView);
    plotRows->addWidget(PlotNote);
    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->addWidget(plotArea);
    splitter->addWidget(tableArea);
    splitter->setStretchFactor(0, 5);
    splitter->setStretchFactor(1, 4);
    splitter->setChildrenCollapsible(false);

    SavePlotButton = new QPushButton(QStringLiteral("Sa&ve plot..."));
    ExportCsvButton = new QPushButton(QStringLiteral("E&xport CSV..."));
    OpenReportButton = new QPushButton(QStringLiteral("Open &report"));
    OpenReportButton->setEnabled(!m_reportFile.isEmpty() && QFileInfo::exists(m_reportFile));
    OpenReportButton->setToolTip(m_reportFile);
    CloseButton = new QPushButton(QStringLiteral("&Close"));
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {SavePlotButton, ExportCsvButton, OpenReportButton}) {
        buttons->addWidget(button);
    }
    buttons->addStretch();
    buttons->addWidget(CloseButton);

    auto* rows = new QVBoxLayout(this);
    rows->addWidget(settings);
    rows->addWidget(splitter, 1);
    rows->addLayout(buttons);

    QWidget* const order[] = {CoefficientBox, QuantityBox,     AlphaBox,         PowerBox,
                              SidesBox,       EffectEdit,      PlotView,         Table,
                              SavePlotButton, ExportCsvButton, OpenReportButton, CloseButton};
    PlotView->setFocusPolicy(Qt::NoFocus);
    for (std::size_t i = 1; i < std::size(order); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
}

void ResultsWindow::bindHandlers() {
    bindHandler(CoefficientBox, &QComboBox::currentIndexChanged, this,
                &ResultsWindow::chooseCoefficient);
    bindHandler(QuantityBox, &QComboBox::currentIndexChanged, this, &ResultsWindow::redraw);
    bindHandler(AlphaBox, &QDoubleSpinBox::valueChanged, this, &ResultsWindow::changeSettings);
    bindHandler(PowerBox, &QDoubleSpinBox::valueChanged, this, &ResultsWindow::changeSettings);
    bindHandler(SidesBox, &QComboBox::currentIndexChanged, this, &ResultsWindow::changeSettings);
    bindHandler(EffectEdit, &QLineEdit::textEdited, this, &ResultsWindow::changeEffect);
    bindHandler(SavePlotButton, &QPushButton::clicked, this, &ResultsWindow::savePlot);
    bindHandler(ExportCsvButton, &QPushButton::clicked, this, &ResultsWindow::exportCsv);
    bindHandler(OpenReportButton, &QPushButton::clicked, this, &ResultsWindow::openReport);
    connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Escape), QKeySequence(QKeySequence::Close)}) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);
    }
}

void ResultsWindow::chooseCoefficient() {
    m_results.choose(CoefficientBox->currentIndex());
    EffectEdit->setText(effectText(m_results.effect()));
    EffectEdit->setStyleSheet({});
    redraw();
}

void ResultsWindow::changeSettings() {
    m_results.setSettings({AlphaBox->value(), PowerBox->value(), SidesBox->currentIndex() == 1});
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
        redraw();
    }
}

void ResultsWindow::redraw() {
    const Plot plot = m_results.plot(kQuantities[QuantityBox->currentIndex()]);
    QChart* old = PlotView->chart();
    PlotView->setChart(buildChart(plot));
    delete old;
    PlotNote->setText(QString::fromStdString(plot.note));
    PlotNote->setVisible(!plot.note.empty());
}

void ResultsWindow::savePlot() {
    TOpenDialog dialog;
    dialog.Title = QStringLiteral("Save plot");
    dialog.FileName = QStringLiteral("plot.png");
    dialog.DefaultExt = QStringLiteral("png");
    dialog.Filters = {QStringLiteral("PNG picture (*.png)"), QStringLiteral("SVG drawing (*.svg)")};
    dialog.Saving = true;
    if (!dialog.Execute(this)) {
        return;
    }
    const QString failure = saveChart(*PlotView, dialog.FileName);
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

void ResultsWindow::openReport() {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(m_reportFile).absoluteFilePath()));
}

void ResultsWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // It takes the place of the window the user worked in: its keys work at once.
    activateWindow();
    raise();
}

void ResultsWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit closed();
}

std::unique_ptr<ResultsWindow> resultsOfFile(const QString& parFile, QString& message) {
    const std::string name = parFile.toStdString();
    WindowRun run;
    try {
        run = runWithProgress(nullptr, [&name](const RunControl& control) {
            return calculateInMemory(name, control);
        });
    } catch (const FileError& error) {
        message = QString::fromStdString(error.fileName()) + QStringLiteral(": ") +
                  QString::fromUtf8(error.what());
        return nullptr;
    } catch (const std::bad_alloc&) {
        message = parFile + QStringLiteral(": not enough memory for this calculation");
        return nullptr;
    } catch (const std::exception& error) {
        message = parFile + QStringLiteral(": cannot compute: ") + QString::fromUtf8(error.what());
        return nullptr;
    }
    if (!run.completed) {
        message = parFile + QStringLiteral(": calculation cancelled");
        return nullptr;
    }
    if (run.outcome.refused) {
        message = parFile + QStringLiteral(": design refused: ") +
                  QString::fromStdString(run.outcome.reason);
        return nullptr;
    }
    // The report that tavi-calc would write for this file.
    const std::string report = withExtension(name, ".out");
    return std::make_unique<ResultsWindow>(ResultsModel(std::move(*run.results)),
                                           QString::fromStdString(report));
}

}  // namespace tavi::ui
