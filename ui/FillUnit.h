// The grid window in which every vector, matrix and single value of a design is typed, and the
// values it hands back to the entry sequence.
#pragma once

#include "engine/Matrix.h"
#include "ui/toolkit/Controls.h"
#include "ui/toolkit/ModalForm.h"

namespace tavi::ui {

// The values of the last ReadValues: element (r, c) holds the cell in column c - 1 and row
// r - 1, 0.0 for a cell that is not a number. Elements outside the grid keep what they held.
extern tavi::Matrix FillMatrix;
// Whether the last ReadValues met a cell that is not a number and counts.
extern bool FillError;

// value as the grid's cells show it: up to 15 significant digits with the user's decimal
// separator ("," where the regional settings use it, "." otherwise), so that ReadValues reads
// it back.
QString realToCellText(double value);

class TFillForm : public TModalForm {
public:
    explicit TFillForm(QWidget* parent = nullptr);

    // Reads every cell of the grid, row by row, into FillMatrix and sets FillError when a cell
    // is not a number, unless it lies above the diagonal while LowerTriangle is set; then closes
    // the window. The cells keep their texts. The first cell that is not a number is named in
    // FillFormMessage, and the next showing starts in it.
    void ReadValues();

    // Set by the caller before each showing: true for a covariance matrix, whose cells above
    // the diagonal are not read; they show the values typed below it.
    bool LowerTriangle = false;
    // Set by ReadValues: the showing ended with OK rather than by the close box.
    bool ValuesRead = false;

    TStringGrid* StringGrid1;
    TLabel* FillFormLabel;
    TLabel* FillFormLabel2;
    // A line under the headings about the values confirmed last (a cell that is not a number,
    // or a warning of the caller's), empty when there is none.
    TLabel* FillFormMessage;
    TBitBtn* BitBtn2;

protected:
    // Fits the window to the headings and the grid, and the grid to the room above the
    // headings, and starts in the cell that was not a number, or else in the top left one.
    void showEvent(QShowEvent* event) override;

private:
    int m_designWidth = 0;
    QModelIndex m_badCell;
};

}  // namespace tavi::ui
