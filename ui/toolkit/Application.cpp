#include "ui/toolkit/Application.h"

#include <QCoreApplication>

namespace tavi::ui {

void ProcessMessages() {
    QCoreApplication::processEvents();
}

}  // namespace tavi::ui
