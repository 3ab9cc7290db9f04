#include "ui/toolkit/Application.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

namespace tavi::ui {

namespace {

bool terminating = false;

}  // namespace

void ProcessMessages() {
    QApplication::processEvents();
}

void requestTermination() {
    terminating = true;
    // Ends the nested loops of open dialogs too; loops started later return at once.
    QApplication::exit(0);
}

bool terminationRequested() {
    return terminating;
}

void returningFocus(QWidget* owner, const std::function<void()>& showing) {
    // Not the active window alone: a window just hidden may still count as active.
    const QPointer<QWidget> before =
        owner != nullptr ? owner->window() : QApplication::activeWindow();
    showing();
    if (before && before->isVisible() && !terminationRequested()) {
        before->activateWindow();
    }
}

}  // namespace tavi::ui
