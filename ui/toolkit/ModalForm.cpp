#include "ui/toolkit/ModalForm.h"

#include "ui/toolkit/Application.h"
#include "ui/toolkit/Placement.h"

#include <QKeyEvent>
#include <QPointer>

namespace tavi::ui {

namespace {

QPointer<QWidget>& keptClear() {
    static QPointer<QWidget> area;
    return area;
}

}  // namespace

TModalForm::TModalForm(QWidget* parent) : QDialog(parent) {
    setModal(true);
}

int TModalForm::ShowModal() {
    m_modalResult = mrNone;
    if (!terminationRequested()) {
        returningFocus(parentWidget(), [this] { exec(); });
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

void TModalForm::keepClearOf(QWidget* area) {
    keptClear() = area;
}

// Windows that size themselves to their contents do so before this runs.
void TModalForm::showEvent(QShowEvent* event) {
    if (keptClear() && keptClear()->isVisible()) {
        placeClearOf(this, keptClear());
    }
    QDialog::showEvent(event);
}

// The close box and Escape (and anything else that rejects the dialog) answer Cancel.
void TModalForm::reject() {
    Close();
}

// Enter arrives here when the focus is not on a button (a button presses itself): typed into an
// edit or a grid cell, it presses nothing, so that it never ends the showing unasked.
void TModalForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace tavi::ui
