// Starting with a parameter file on the command line: the start-up takes it as if it had been
// chosen in the file dialog, which never shows; a bad command line ends before any window.

#include "files/ParameterFile.h"
#include "tests/files/FileTestSupport.h"
#include "ui/CommandLine.h"
#include "ui/Tavifm.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sstream>

namespace tavi::ui {

class StartFileTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        QVERIFY(m_dir.isValid());
        QDir::setCurrent(m_dir.path());
        TOpenDialog::setChooser([](const TOpenDialog&, QWidget*) -> std::optional<QString> {
            qFatal("the file dialog was shown");
        });
    }

    void existingFileOffersItsValues() {
        tavi::DesignParameters stored = tavi::test::designWithCounts(3, 1, 2);
        QVERIFY(QDir().mkpath(QStringLiteral("study")));
        WriteParameterFile(stored, "study/classes.v2.dat", "x", "y");
        TTaviForm form;
        startWith(form, "study/classes.v2.dat");
        QCOMPARE(ParFileName, m_dir.filePath(QStringLiteral("study/classes.v2.dat")));
        QCOMPARE(form.OutNameEdit->text(), QStringLiteral("classes.out"));
        QCOMPARE(QDir::currentPath(), m_dir.filePath(QStringLiteral("study")));
        QCOMPARE(
            form.Number1Vars->text() + form.NumberFixedEffects->text() + form.Number2Vars->text(),
            QStringLiteral("312"));
    }

    void newNameGetsTheDefaultExtension() {
        TTaviForm form;
        startWith(form, "fresh");
        QCOMPARE(ParFileName, m_dir.filePath(QStringLiteral("fresh.dat")));
        QCOMPARE(form.Number1Vars->text(), QStringLiteral("0"));
    }

    void badCommandLineEndsWithUsageStatus() {
        for (const std::vector<const char*>& arguments :
             {std::vector{"--verbose", "a.dat"}, std::vector{"a.dat", "b.dat"}, std::vector{"."},
              std::vector{"--new", "a.dat"}}) {
            std::ostringstream out;
            std::ostringstream err;
            QCOMPARE(readCommandLine(int(arguments.size()), arguments.data(), out, err).exitStatus,
                     std::optional<int>(64));
            QVERIFY(out.str().empty() && err.str().find('\n') == err.str().size() - 1);
        }
    }

private:
    // Starts form as the program does when name is its only argument.
    static void startWith(TTaviForm& form, const char* name) {
        std::ostringstream unused;
        const StartRequest request = readCommandLine(1, &name, unused, unused);
        QVERIFY(!request.exitStatus && request.parameterFile);
        form.setStartFile(QString::fromStdString(*request.parameterFile));
        form.show();
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(&form, &activate);
    }

    QTemporaryDir m_dir;
};

}  // namespace tavi::ui

QTEST_MAIN(tavi::ui::StartFileTest)
#include "StartFileTest.moc"
