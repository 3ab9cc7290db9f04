#include "ui/toolkit/Application.h"

#include <QCoreApplication>

namespace tavi::ui {

namespace {

bool terminating = false;

}  // namespace

void ProcessMessages() {
    QCoreApplication::processEvents();
}

void requestTermination() {
    terminating = true;
    // Ends the nested loops of open dialogs too; loops started later return at once.
    QCoreApplication::exit(0);
}

bool terminationRequested() {
    return terminating;
}

}  // namespace tavi::ui
