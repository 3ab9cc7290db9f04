// The confirmation asked before an existing output file is overwritten. Its answer is its modal
// result: OK to overwrite, Cancel to give another name.
#pragma once

#include "ui/toolkit/Controls.h"
#include "ui/toolkit/ModalForm.h"

namespace tavi::ui {

class TExistsForm : public TModalForm {
public:
    explicit TExistsForm(QWidget* parent = nullptr);

    // The answers: Continue overwrites (OK), Return refuses (Cancel); either ends the showing.
    void Continue();
    void Return();

    // Its caption names the file; the caller sets it before each showing.
    TLabel* Warnlabel1;
    TLabel* Label1;
    TBitBtn* CancelButton;
    TBitBtn* OKButton;
    TLabel* Label2;
    TLabel* Label3;

protected:
    // Gives the focus to CancelButton, so that Enter refuses, and widens the window to the
    // caption of Warnlabel1.
    void showEvent(QShowEvent* event) override;

private:
    int m_designWidth = 0;
};

}  // namespace tavi::ui
