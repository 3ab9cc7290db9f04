// A window that is shown modally and answers with a modal result: 0 none, 1 OK, 2 Cancel.
// Setting a non-zero result ends the showing; closing the window by its close box, Escape, or
// Close ends it with Cancel. Enter never ends it on its own: the window has no default button,
// and Enter presses only the button that has the focus. The window opens where it leaves the
// program's instructions readable, and the keyboard goes back to the window that had it.
#pragma once

#include <QDialog>

namespace tavi::ui {

enum ModalResultValue { mrNone = 0, mrOK = 1, mrCancel = 2 };

class TModalForm : public QDialog {
public:
    explicit TModalForm(QWidget* parent = nullptr);

    // Shows the window, disabling the others, until its modal result is set; hides it and
    // returns that result. Once the program is asked to end, it answers Cancel at once.
    int ShowModal();

    int ModalResult() const { return m_modalResult; }
    void setModalResult(int result);

    // Ends a modal showing with Cancel, whatever result was set before; hides the window
    // otherwise.
    void Close();

    // The control that modal windows leave uncovered when they open (the main window's
    // instructions); none, and they open where they were placed.
    static void keepClearOf(QWidget* area);

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int m_modalResult = mrNone;
};

}  // namespace tavi::ui
