#include "ui/toolkit/Controls.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadioButton>
#include <QTextBlock>
#include <QVBoxLayout>

namespace tavi::ui {

TLabel::TLabel(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
    adjustSize();
}

void TLabel::setText(const QString& caption) {
    QLabel::setText(caption);
    adjustSize();
}

void TLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        adjustSize();
    }
}

TEdit::TEdit(QWidget* parent) : QLineEdit(parent) {}

void TEdit::mousePressEvent(QMouseEvent* event) {
    QLineEdit::mousePressEvent(event);
    emit clicked();
}

void TEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    QLineEdit::mouseDoubleClickEvent(event);
    emit doubleClicked();
}

void TEdit::keyPressEvent(QKeyEvent* event) {
    if (!event->text().isEmpty()) {
        emit keyPressed(event->text().front());
    }
    QLineEdit::keyPressEvent(event);
}

TMemo::TMemo(int lineCount, QWidget* parent) : QPlainTextEdit(parent) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setPlainText(QString(std::max(0, lineCount - 1), QLatin1Char('\n')));
}

void TMemo::setLine(int index, const QString& text) {
    const QTextBlock block = document()->findBlockByNumber(index);
    if (index < 0 || !block.isValid()) {
        return;
    }
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(text);
}

QString TMemo::line(int index) const {
    const QTextBlock block = document()->findBlockByNumber(index);
    return block.isValid() ? block.text() : QString();
}

int TMemo::lineCount() const {
    return document()->blockCount();
}

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent) {
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        m_buttons.addButton(button, i);
        layout->addWidget(button);
    }
    connect(&m_buttons, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) {
            emit clicked();
        }
    });
}

int TRadioGroup::ItemIndex() const {
    return m_buttons.checkedId();
}

void TRadioGroup::setItemIndex(int index) {
    if (QAbstractButton* button = m_buttons.button(index)) {
        button->setChecked(true);
    }
}

// Only clicks that miss the items arrive here; they stay with the group.
void TRadioGroup::mousePressEvent(QMouseEvent* event) {
    event->accept();
    emit clicked();
}

TGroupBox::TGroupBox(const QString& caption, QWidget* parent) : QGroupBox(caption, parent) {
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        if (old != nullptr && now != nullptr && isAncestorOf(old) && !isAncestorOf(now) &&
            now->window() == window()) {
            emit exited();
        }
    });
}

// Clicks on the group's own area, or on a label in it, stay with the group.
void TGroupBox::mousePressEvent(QMouseEvent* event) {
    event->accept();
    emit clicked();
}

void TGroupBox::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    emit doubleClicked();
}

TStringGrid::TStringGrid(QWidget* parent) : QTableWidget(1, 1, parent) {
    horizontalHeader()->hide();
    verticalHeader()->hide();
    for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
        header->setSectionResizeMode(QHeaderView::Fixed);
        // The style's minimum would keep small cells from their size.
        header->setMinimumSectionSize(1);
    }
    setEditTriggers(QAbstractItemView::AllEditTriggers);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setTabKeyNavigation(true);
}

void TStringGrid::setColCount(int count) {
    setColumnCount(std::max(1, count));
}

void TStringGrid::setRowCount(int count) {
    QTableWidget::setRowCount(std::max(1, count));
}

QString TStringGrid::Cells(int column, int row) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell != nullptr ? cell->text() : QString();
}

void TStringGrid::setCells(int column, int row, const QString& text) {
    if (column < 0 || row < 0 || column >= columnCount() || row >= rowCount()) {
        return;
    }
    QTableWidgetItem* cell = item(row, column);
    if (cell == nullptr) {
        setItem(row, column, new QTableWidgetItem(text));
    } else {
        cell->setText(text);
    }
}

int TStringGrid::DefaultColWidth() const {
    return horizontalHeader()->defaultSectionSize();
}

int TStringGrid::DefaultRowHeight() const {
    return verticalHeader()->defaultSectionSize();
}

void TStringGrid::setDefaultColWidth(int width) {
    horizontalHeader()->setDefaultSectionSize(width);
}

void TStringGrid::setDefaultRowHeight(int height) {
    verticalHeader()->setDefaultSectionSize(height);
}

void TStringGrid::setScrollBars(bool both) {
    const Qt::ScrollBarPolicy policy = both ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    setHorizontalScrollBarPolicy(policy);
    setVerticalScrollBarPolicy(policy);
}

void TStringGrid::focusInEvent(QFocusEvent* event) {
    QTableWidget::focusInEvent(event);
    showEditorLater();
}

// Enter and Escape close the editor (keeping or dropping the typed text), Tab moves it on, and
// leaving the grid closes it; while the grid keeps the focus, the current cell shows it again.
void TStringGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    // Tab past the last cell, or Shift+Tab before the first, leaves the grid for the next or
    // previous control instead of wrapping around, so that the keyboard reaches the buttons.
    const QModelIndex current = currentIndex();
    const bool pastLast = hint == QAbstractItemDelegate::EditNextItem &&
                          current.row() == rowCount() - 1 && current.column() == columnCount() - 1;
    const bool beforeFirst = hint == QAbstractItemDelegate::EditPreviousItem &&
                             current.row() == 0 && current.column() == 0;
    if (pastLast || beforeFirst) {
        QTableWidget::closeEditor(editor, QAbstractItemDelegate::NoHint);
        // The view's own handler would wrap around to the other end of the grid; the widget's
        // moves the focus out of it.
        QWidget::focusNextPrevChild(pastLast);  // NOLINT(bugprone-parent-virtual-call)
        return;
    }
    QTableWidget::closeEditor(editor, hint);
    showEditorLater();
}

// Later, so that an editor is never opened while Qt is still closing the one before. An editor
// opened while the window was inactive is open already and only needs the focus, with its text
// selected as in a newly opened one, so that typing replaces it.
void TStringGrid::showEditorLater() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!hasFocus() || !currentIndex().isValid()) {
                return;
            }
            if (QWidget* editor = indexWidget(currentIndex())) {
                editor->setFocus();
                if (auto* line = qobject_cast<QLineEdit*>(editor)) {
                    line->selectAll();
                }
            } else if (state() != QAbstractItemView::EditingState) {
                edit(currentIndex());
            }
        },
        Qt::QueuedConnection);
}

namespace {

QPixmap drawGlyph(TBitBtn::Glyph glyph) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    if (glyph == TBitBtn::Glyph::Check) {
        painter.setPen(QPen(QColor(0, 128, 0), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        path.moveTo(2.5, 8.5);
        path.lineTo(6.5, 12.5);
        path.lineTo(13.5, 3.5);
    } else {
        painter.setPen(QPen(QColor(192, 0, 0), 2.5, Qt::SolidLine, Qt::RoundCap));
        path.moveTo(3.5, 3.5);
        path.lineTo(12.5, 12.5);
        path.moveTo(12.5, 3.5);
        path.lineTo(3.5, 12.5);
    }
    painter.drawPath(path);
    return pixmap;
}

}  // namespace

TBitBtn::TBitBtn(const QString& caption, Glyph glyph, QWidget* parent)
    : QPushButton(caption, parent) {
    // QIcon derives the greyed picture of the disabled state from the normal one.
    setIcon(QIcon(drawGlyph(glyph)));
    setIconSize(QSize(16, 16));
    setAutoDefault(false);
}

}  // namespace tavi::ui
