// The results window in a real window under an X server (run under xvfb-run on the screen to
// check): it opens inside the part of the screen that windows may take with every control in
// reach, can be made smaller and larger, and leaves a screenshot in the directory that
// TAVI_SCREENSHOTS names.

#include "engine/templates/DesignTemplates.h"
#include "ui/results/AssumptionsPanel.h"
#include "ui/results/CopyableTable.h"
#include "ui/results/OpenResults.h"
#include "ui/results/ResultsWindow.h"

#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

namespace tavi::ui {

class ResultsScreensTest : public QObject {
    Q_OBJECT

private:
    // Shows window and checks that it and its controls lie within the screen's available area.
    void checkFits(ResultsWindow& window, const QString& shot) {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect screen = window.screen()->availableGeometry();
        QVERIFY2(screen.contains(window.frameGeometry()),
                 qPrintable(QStringLiteral("window %1 wide, %2 high")
                                .arg(window.width())
                                .arg(window.height())));
        QList<QWidget*> controls = {window.Table, window.PlotView, window.CoefficientBox,
                                    window.EffectEdit};
        for (QPushButton* button : window.findChildren<QPushButton*>()) {
            controls.append(button);
        }
        controls.append(window.AssumptionsView->Fields.front());
        for (QWidget* control : controls) {
            const QRect placed(control->mapToGlobal(QPoint(0, 0)), control->size());
            QVERIFY2(control->isVisible() && screen.contains(placed) && control->height() >= 10,
                     qPrintable(control->objectName() + QLatin1Char(' ') +
                                control->metaObject()->className()));
        }
        // The user can resize it: its smallest size fits the screen, and it may grow.
        QVERIFY(window.minimumSize().width() <= screen.width() &&
                window.minimumSize().height() <= screen.height());
        QVERIFY(window.maximumSize().width() > window.width() &&
                window.maximumSize().height() > window.height());
        window.grab().save(m_screenshots.filePath(shot));
    }

    QTemporaryDir m_work;
    QDir m_screenshots;

private slots:
    void initTestCase() {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        m_screenshots = QDir(qEnvironmentVariable("TAVI_SCREENSHOTS", QStringLiteral(".")));
        QVERIFY(m_screenshots.mkpath(QStringLiteral(".")));
        QDir::setCurrent(m_work.path());
    }

    void fileWindowFitsTheScreen() {
        QVERIFY(QFile::copy(QStringLiteral(TAVI_EXAMPLES_DIR "/cluster-trial.dat"),
                            QStringLiteral("cluster-trial.dat")));
        QString message;
        const auto window = resultsOfFile(QStringLiteral("cluster-trial.dat"), message);
        QVERIFY2(window, qPrintable(message));
        window->QuantityBox->setCurrentIndex(2);
        checkFits(*window, QStringLiteral("screens-results.png"));
    }

    void newPlanFitsTheScreen() {
        QString message;
        const auto window = newPlanWindow(*findTemplate("multisite-trial"), message);
        QVERIFY2(window, qPrintable(message));
        window->QuantityBox->setCurrentIndex(5);
        checkFits(*window, QStringLiteral("screens-new-plan.png"));
    }
};

}  // namespace tavi::ui

QTEST_MAIN(tavi::ui::ResultsScreensTest)
#include "ResultsScreensTest.moc"
