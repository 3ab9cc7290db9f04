#include "ui/toolkit/Guard.h"

#include "files/FileError.h"
#include "ui/toolkit/Application.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

#include <exception>
#include <new>
#include <utility>

namespace tavi::ui {

namespace {

QPointer<QWidget>& messageWindow() {
    static QPointer<QWidget> window;
    return window;
}

std::function<void(const QString&)>& messageAnswerer() {
    static std::function<void(const QString&)> answer;
    return answer;
}

}  // namespace

void setMessageWindow(QWidget* window) {
    messageWindow() = window;
}

void setMessageAnswerer(std::function<void(const QString&)> answer) {
    messageAnswerer() = std::move(answer);
}

void showMessage(const QString& message) {
    if (messageAnswerer()) {
        messageAnswerer()(message);
        return;
    }
    QWidget* parent = messageWindow() ? messageWindow().data() : QApplication::activeWindow();
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Tavi"), message, QMessageBox::Ok,
                    parent);
    // Over a modal window, the keyboard goes back to it.
    QWidget* modal = QApplication::activeModalWidget();
    returningFocus(modal != nullptr ? modal : parent, [&box] { box.exec(); });
}

void runGuarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const FileError& error) {
        showMessage(QString::fromUtf8(error.what()) + QStringLiteral(": ") +
                    QString::fromStdString(error.fileName()));
    } catch (const std::bad_alloc&) {
        showMessage(QStringLiteral("Not enough memory for this calculation."));
    } catch (const std::exception& error) {
        showMessage(QString::fromUtf8(error.what()));
    } catch (...) {
        showMessage(QStringLiteral("Unknown error"));
    }
}

}  // namespace tavi::ui
