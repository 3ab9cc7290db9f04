// An error that escapes a handler is shown in a message box, and the program goes on.

#include "files/FileError.h"
#include "tests/ui/ModalHelper.h"
#include "ui/toolkit/Guard.h"

#include <QPushButton>
#include <QtTest>

#include <stdexcept>

namespace tavi::ui {

class GuardTest : public QObject {
    Q_OBJECT

private slots:
    void errorBecomesAMessageBox() {
        QString shown;
        test::acceptNextMessageBox(&shown);
        bool after = false;
        runGuarded([&] {
            throw FileError("Invalid numeric input", "ax.dat");
            after = true;
        });
        QCOMPARE(shown, QStringLiteral("Invalid numeric input"));
        QVERIFY(!after);
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
            test::acceptNextMessageBox(&shown);
            button.click();
            QCOMPARE(shown, QStringLiteral("handler failed"));
            QCOMPARE(receiver.calls, i);
        }
    }
};

}  // namespace tavi::ui

QTEST_MAIN(tavi::ui::GuardTest)
#include "GuardTest.moc"
