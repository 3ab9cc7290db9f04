// Drives modal windows in tests: the action is queued before the window is shown and runs from
// within its event loop once it is the active modal window, so no test ever waits on a user.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <functional>

namespace tavi::ui::test {

// Runs act on the next modal window once it is showing.
inline void whenModalShown(std::function<void(QWidget*)> act) {
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, act = std::move(act)] {
        if (QWidget* window = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            act(window);
        }
    });
    poll->start();
}

// Runs act on the next modal window once it is showing, then closes the window if act left it
// open, so that a check that fails (and returns early) does not leave the test waiting.
inline void whenModalShownThenClose(std::function<void(QWidget*)> act) {
    whenModalShown([act = std::move(act)](QWidget* window) {
        act(window);
        if (window->isVisible()) {
            window->close();
        }
    });
}

// Answers the next message box with its first button and hands back its text through text.
inline void acceptNextMessageBox(QString* text) {
    whenModalShown([text](QWidget* window) {
        auto* box = qobject_cast<QMessageBox*>(window);
        if (box == nullptr) {
            return;
        }
        *text = box->text();
        box->buttons().constFirst()->click();
    });
}

}  // namespace tavi::ui::test
