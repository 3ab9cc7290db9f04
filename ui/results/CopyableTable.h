// A table view whose Ctrl+C copies the selected cells as tab-separated lines, ready to paste
// into a spreadsheet: a line of the columns' headings, then the numbers in full, an empty field
// where there is none.
#pragma once

#include <QTableView>

namespace tavi::ui {

class CopyableTable : public QTableView {
public:
    // valueRole: the role whose numbers are copied.
    CopyableTable(int valueRole, QWidget* parent = nullptr);

    // The headings of the selected columns, then the selected cells in the order shown, a line
    // per row, tab-separated; the cells of the smallest rectangle around the selection that are
    // not selected are empty. Empty when nothing is selected.
    QString selectedText() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    int m_valueRole;
};

}  // namespace tavi::ui
