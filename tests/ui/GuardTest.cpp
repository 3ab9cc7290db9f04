// An error that escapes a handler is shown in a message box, and the program goes on.

#include "files/FileError.h"
#include "tests/ui/ModalHelper.h"
#include "ui/toolkit/Guard.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <stdexcept>

namespace tavi::ui {

class GuardTest : public QObject {
    Q_OBJECT

private slots:
    void fileErrorBecomesAMessageBoxNamingTheFileOverTheMainWindow() {
        QWidget mainWindow;
        mainWindow.setGeometry(300, 200, 800, 600);
        mainWindow.show();
        setMessageWindow(&mainWindow);
        QString shown;
        QPoint boxCentre;
        test::whenModalShownThenClose([&](QWidget* box) {
            shown = qobject_cast<QMessageBox*>(box)->text();
            boxCentre = box->frameGeometry().center();
        });
        bool after = false;
        runGuarded([&] {
            throw FileError("Invalid numeric input", "ax.dat");
            after = true;
        });
        setMessageWindow(nullptr);
        QCOMPARE(shown, QStringLiteral("Invalid numeric input: ax.dat"));
        QVERIFY(!after);
        // Centred when shown; the box may still adjust its width by a few pixels afterwards.
        QVERIFY((boxCentre - mainWindow.frameGeometry().center()).manhattanLength() < 60);
    }

    void boundHandlersAreGuarded() {
        QPushButton button;
        struct Receiver : QObject {
            int calls = 0;
            void handler() {
                ++calls;
                throw std::runtime_error("handler failed");
            }
        } receiver;
        bindHandler(&button, &QPushButton::clicked, &receiver, &Receiver::handler);
        for (int i = 1; i <= 2; ++i) {
            QString shown;
            setMessageAnswerer([&shown](const QString& message) { shown = message; });
            button.click();
            setMessageAnswerer({});
            QCOMPARE(shown, QStringLiteral("handler failed"));
            QCOMPARE(receiver.calls, i);
        }
    }
};

}  // namespace tavi::ui

QTEST_MAIN(tavi::ui::GuardTest)
#include "GuardTest.moc"
