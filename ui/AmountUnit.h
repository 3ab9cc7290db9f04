// The form in which the amount of output is chosen: a budget constraint with its parameters, or
// all combinations of sample sizes within ranges. It reads and writes the amount settings of the
// design directly, corrects them at every click in it, and explains the chosen option in the
// main window's explanation area.
#pragma once

#include "ui/toolkit/Controls.h"
#include "ui/toolkit/ModalForm.h"

namespace tavi::ui {

class TAmountForm : public TModalForm {
public:
    explicit TAmountForm(QWidget* parent = nullptr);

    // Shows the group of the chosen option, hides the other and explains the option in lines 2
    // to 8 of the main window's explanation area, after clearing lines 1 to 9.
    void GiveConstraints();
    // Writes the design's amount settings into the form: the chosen option and every edit.
    void SetAmounts();
    // Reads the edits of the chosen option into the design, with fallbacks for texts that are
    // no numbers (setting AmountError) and the lower bounds, then shows the stored values and,
    // in AmountMessage, what was replaced or raised.
    void ReadAmounts();
    // The OK button: ReadAmounts, then ends the showing with OK, or with Cancel after an error,
    // which AmountMessage then explains.
    void GetAmounts();

    // Whether the last ReadAmounts met a field whose text is not a number.
    bool AmountError = false;

    TRadioGroup* OutputSelection;
    TGroupBox* BudgetParameters;
    TGroupBox* RangeParameters;
    TLabel* Label1;
    TEdit* Edit1;
    TLabel* Label2;
    TEdit* Edit2;
    TLabel* Label3;
    TEdit* Edit3;
    TLabel* Label4;
    TEdit* Edit4;
    TLabel* Label10;
    TEdit* Edit10;
    TLabel* Label5;
    TEdit* Edit5;
    TLabel* Label6;
    TEdit* Edit6;
    TLabel* Label7;
    TEdit* Edit7;
    TLabel* Label8;
    TEdit* Edit8;
    TLabel* Label9;
    TEdit* Edit9;
    TBitBtn* BitBtn1;
    // Under the groups: the values the last reading replaced or raised and why, and why OK did
    // not close the form; empty once OK has closed it.
    QLabel* AmountMessage;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void createControls();
    void fitCaptions();
    void bindHandlers();
};

}  // namespace tavi::ui
