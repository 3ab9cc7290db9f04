// The controls of the windows, each a Qt widget with the operations and events the dialogue
// code relies on: labels that fit their caption, edits that report clicks, double-clicks and the
// Enter key, a memo whose lines are replaced by number, a radio group, a group box that reports
// clicks and the focus leaving it, a string grid, and buttons with a glyph.
#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QTableWidget>

namespace tavi::ui {

// A label that always fits its caption and font, from its top left corner, so that no caption
// is ever cut short.
class TLabel : public QLabel {
public:
    explicit TLabel(const QString& caption, QWidget* parent = nullptr);

    // Replaces the caption and fits the label to it.
    void setText(const QString& caption);

protected:
    void changeEvent(QEvent* event) override;
};

// A single-line edit that reports clicks, double-clicks and key presses.
class TEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TEdit(QWidget* parent = nullptr);

    // Whether text, in the edit's font, fits the room the edit has for its text.
    bool showsWhole(const QString& text) const;
    // Widens the edit, where needed, so that sample shows whole.
    void widenToShow(const QString& sample);

signals:
    void clicked();
    void doubleClicked();
    // A key with a character was pressed (Enter gives code 13); the key is then typed as usual.
    void keyPressed(QChar key);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The pixels that the edit's text can take.
    int textRoom() const;
};

// A multi-line text area whose lines, counted from 0, are replaced one at a time by the program.
// The user can read, select and copy them but not change them, and Tab leaves the area.
class TMemo : public QPlainTextEdit {
public:
    TMemo(int lineCount, QWidget* parent = nullptr);

    // Sizes the area to show all its lines whole, each as wide as widest at most, without
    // scrolling.
    void fitLines(const QString& widest);

    // Replaces line index; an index past the last line does nothing.
    void setLine(int index, const QString& text);
    QString line(int index) const;
    int lineCount() const;
};

// A framed group of radio buttons, one chosen.
class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);

    int ItemIndex() const;
    // Choosing a different item runs the click handlers, as the user's choice does.
    void setItemIndex(int index);

signals:
    // The chosen item changed, by the user or the program, or the user clicked on the group
    // outside its items; clicking the item already chosen is no click of the group.
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QButtonGroup m_buttons;
};

// A framed group of controls that reports clicks on itself and the focus leaving it.
class TGroupBox : public QGroupBox {
    Q_OBJECT
public:
    explicit TGroupBox(const QString& caption, QWidget* parent = nullptr);

signals:
    void clicked();
    void doubleClicked();
    // The focus moved from a control inside the group to another control of the same window.
    void exited();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// An editable grid of texts; cells are addressed by column and row from 0. Cells are edited in
// place, the current cell always shows its editor while the grid has the focus, Tab and Enter
// move from cell to cell, row by row, over the cells that can be edited, and a rectangular
// range of cells can be selected. Escape drops the text typed into the cell and goes on to the
// window, as it does anywhere else in it.
class TStringGrid : public QTableWidget {
public:
    explicit TStringGrid(QWidget* parent = nullptr);

    // Counts below 1 become 1.
    void setColCount(int count);
    void setRowCount(int count);
    int ColCount() const { return columnCount(); }
    int RowCount() const { return rowCount(); }

    // A cell never set reads as empty.
    QString Cells(int column, int row) const;
    void setCells(int column, int row, const QString& text);

    // A cell that cannot be edited is shown greyed and skipped by Tab and Enter. Cells can be
    // edited until said otherwise.
    void setCellEditable(int column, int row, bool editable);
    bool cellEditable(int column, int row) const;

    // Names the columns and rows in headings beside the cells, each column at least as wide as
    // its name; no names, no headings.
    void setHeadings(const QStringList& columns, const QStringList& rows);
    // The name of a column or row: its heading, or its number from 1 without headings.
    QString columnHeading(int column) const;
    QString rowHeading(int row) const;
    // The size that shows every cell and heading, without the room around them.
    QSize cellsSize() const;

    int DefaultColWidth() const;
    int DefaultRowHeight() const;
    // Cell sizes in pixels of the screen.
    void setDefaultColWidth(int width);
    void setDefaultRowHeight(int height);
    // No scroll bars, or both.
    void setScrollBars(bool both);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    // The next editable cell after from, row by row (or the one before it), or none.
    QModelIndex adjacentEditableCell(const QModelIndex& from, bool forward) const;
    // Opens the current cell's editor once pending events are handled, when the grid still has
    // the focus and no editor is open.
    void showEditorLater();
};

// A push button with a 16 x 16 glyph beside its caption: a check mark for OK, a cross for
// Cancel, drawn greyed when the button is disabled. It is never a window's default button:
// Return and Enter, like Space, press it only while it has the focus, in any window.
class TBitBtn : public QPushButton {
public:
    enum class Glyph { Check, Cross };

    TBitBtn(const QString& caption, Glyph glyph, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace tavi::ui
