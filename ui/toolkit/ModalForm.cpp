#include "ui/toolkit/ModalForm.h"

#include "ui/toolkit/Application.h"

#include <QKeyEvent>
#include <QPushButton>

namespace tavi::ui {

TModalForm::TModalForm(QWidget* parent) : QDialog(parent) {
    setModal(true);
}

int TModalForm::ShowModal() {
    m_modalResult = mrNone;
    if (!terminationRequested()) {
        exec();
    }
    // A program asked to end leaves its loops at once: the showing answers Cancel.
    if (terminationRequested()) {
        hide();
        m_modalResult = mrCancel;
    }
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

// Escape does not close these windows; only their buttons and the close box do. Enter arrives
// here from the control that has the focus: a focused button is pressed, and Enter typed into an
// edit or a grid cell presses nothing, so that it never ends the showing unasked.
void TModalForm::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            event->ignore();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
                button->click();
            }
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

}  // namespace tavi::ui
