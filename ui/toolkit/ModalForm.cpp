#include "ui/toolkit/ModalForm.h"

#include <QKeyEvent>

namespace tavi::ui {

TModalForm::TModalForm(QWidget* parent) : QDialog(parent) {
    setModal(true);
}

int TModalForm::ShowModal() {
    m_modalResult = mrNone;
    exec();
    return m_modalResult;
}

void TModalForm::setModalResult(int result) {
    m_modalResult = result;
    if (result != mrNone && isVisible()) {
        done(result);
    }
}

void TModalForm::Close() {
    if (isVisible()) {
        m_modalResult = mrCancel;
        done(mrCancel);
    }
}

// The close box (and anything else that rejects the dialog) answers Cancel.
void TModalForm::reject() {
    Close();
}

// Escape does not close these windows; only their buttons and the close box do.
void TModalForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace tavi::ui
