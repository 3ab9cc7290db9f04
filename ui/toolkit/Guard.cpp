#include "ui/toolkit/Guard.h"

#include <QApplication>
#include <QMessageBox>

#include <exception>

namespace tavi::ui {

namespace {

void showError(const QString& message) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Tavi"), message, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

}  // namespace

void runGuarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        showError(QString::fromUtf8(error.what()));
    } catch (...) {
        showError(QStringLiteral("Unknown error"));
    }
}

}  // namespace tavi::ui
