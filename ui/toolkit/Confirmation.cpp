#include "ui/toolkit/Confirmation.h"

#include "ui/toolkit/Application.h"

#include <QMessageBox>

#include <utility>

namespace tavi::ui {

namespace {

std::function<bool(const QString&)>& answerer() {
    static std::function<bool(const QString&)> answer;
    return answer;
}

}  // namespace

bool confirm(QWidget* parent, const QString& question) {
    if (answerer()) {
        return answerer()(question);
    }
    QMessageBox box(QMessageBox::Question, QStringLiteral("Tavi"), question,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    int answer = QMessageBox::No;
    returningFocus(parent, [&box, &answer] { answer = box.exec(); });
    return answer == QMessageBox::Yes;
}

void setConfirmationAnswerer(std::function<bool(const QString&)> answer) {
    answerer() = std::move(answer);
}

}  // namespace tavi::ui
