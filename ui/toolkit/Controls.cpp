#include "ui/toolkit/Controls.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadioButton>
#include <QStyleOptionFrame>
#include <QTextBlock>
#include <QVBoxLayout>

#include <cmath>

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

namespace {

// The blank that a line edit keeps on either side of its text, inside the style's contents.
constexpr int kLineEditTextMargin = 2;

}  // namespace

int TEdit::textRoom() const {
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    const QMargins margins = textMargins();
    return contents.width() - margins.left() - margins.right() - 2 * kLineEditTextMargin;
}

// The text and the cursor after it.
bool TEdit::showsWhole(const QString& text) const {
    return fontMetrics().horizontalAdvance(text) + 1 <= textRoom();
}

void TEdit::widenToShow(const QString& sample) {
    const int missing = fontMetrics().horizontalAdvance(sample) + 1 - textRoom();
    if (missing > 0) {
        resize(width() + missing, height());
    }
}

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
    // The lines are the program's; the user reads and copies them.
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setTabChangesFocus(true);
}

void TMemo::fitLines(const QString& widest) {
    const QFontMetricsF metrics(font());
    // Room around the text: the frame, the document's margin, and the cursor's width.
    const double around = 2 * (frameWidth() + document()->documentMargin()) + cursorWidth() + 1;
    resize(static_cast<int>(std::ceil(metrics.horizontalAdvance(widest) + around)),
           static_cast<int>(std::ceil(metrics.lineSpacing() * lineCount() + around)));
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

void TStringGrid::setCellEditable(int column, int row, bool editable) {
    if (column < 0 || row < 0 || column >= columnCount() || row >= rowCount()) {
        return;
    }
    if (item(row, column) == nullptr) {
        setItem(row, column, new QTableWidgetItem());
    }
    // A cell that is not enabled draws greyed, and the view's own moves pass it by.
    item(row, column)
        ->setFlags(editable ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable
                            : Qt::NoItemFlags);
}

bool TStringGrid::cellEditable(int column, int row) const {
    const QTableWidgetItem* cell = item(row, column);
    return column >= 0 && row >= 0 && column < columnCount() && row < rowCount() &&
           (cell == nullptr || cell->flags().testFlag(Qt::ItemIsEditable));
}

void TStringGrid::setHeadings(const QStringList& columns, const QStringList& rows) {
    setHorizontalHeaderLabels(columns);
    setVerticalHeaderLabels(rows);
    horizontalHeader()->setVisible(!columns.isEmpty());
    verticalHeader()->setVisible(!rows.isEmpty());
    for (int column = 0; column < columnCount(); ++column) {
        const int named = columns.isEmpty() ? 0 : horizontalHeader()->sectionSizeHint(column);
        setColumnWidth(column, std::max(DefaultColWidth(), named));
    }
}

QString TStringGrid::columnHeading(int column) const {
    const QTableWidgetItem* heading = horizontalHeaderItem(column);
    return heading != nullptr && horizontalHeader()->isVisibleTo(this)
               ? heading->text()
               : QString::number(column + 1);
}

QString TStringGrid::rowHeading(int row) const {
    const QTableWidgetItem* heading = verticalHeaderItem(row);
    return heading != nullptr && verticalHeader()->isVisibleTo(this) ? heading->text()
                                                                     : QString::number(row + 1);
}

QSize TStringGrid::cellsSize() const {
    const QHeaderView* top = horizontalHeader();
    const QHeaderView* left = verticalHeader();
    return {top->length() + (left->isVisibleTo(this) ? left->sizeHint().width() : 0),
            left->length() + (top->isVisibleTo(this) ? top->sizeHint().height() : 0)};
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

// Tab and Enter keep the typed text and move the editor on, Escape drops it, and leaving the
// grid keeps it; while the grid keeps the focus, the current cell shows its editor again.
void TStringGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (hint == QAbstractItemDelegate::RevertModelCache) {
        QTableWidget::closeEditor(editor, hint);
        // The editor took the key from the window, whose own Escape it is as well.
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(window(), &escape);
        return;
    }
    // Enter moves on as Tab does, so that values are typed one after the other.
    if (hint == QAbstractItemDelegate::SubmitModelCache) {
        hint = QAbstractItemDelegate::EditNextItem;
    }
    // Past the last editable cell, or before the first, the keyboard leaves the grid for the
    // next or previous control (the buttons) instead of wrapping around.
    const bool forward = hint == QAbstractItemDelegate::EditNextItem;
    if ((forward || hint == QAbstractItemDelegate::EditPreviousItem) &&
        !adjacentEditableCell(currentIndex(), forward).isValid()) {
        QTableWidget::closeEditor(editor, QAbstractItemDelegate::NoHint);
        // The view's own handler would move within the grid; the widget's moves the focus out.
        QWidget::focusNextPrevChild(forward);  // NOLINT(bugprone-parent-virtual-call)
        return;
    }
    QTableWidget::closeEditor(editor, hint);
    showEditorLater();
}

// Tab and Shift+Tab, with or without an editor, go row by row over the editable cells only.
QModelIndex TStringGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    if (action == MoveNext || action == MovePrevious) {
        return adjacentEditableCell(currentIndex(), action == MoveNext);
    }
    return QTableWidget::moveCursor(action, modifiers);
}

QModelIndex TStringGrid::adjacentEditableCell(const QModelIndex& from, bool forward) const {
    const int cells = rowCount() * columnCount();
    const int start = from.isValid() ? from.row() * columnCount() + from.column() : -1;
    for (int i = start + (forward ? 1 : -1); i >= 0 && i < cells; i += forward ? 1 : -1) {
        if (cellEditable(i % columnCount(), i / columnCount())) {
            return model()->index(i / columnCount(), i % columnCount());
        }
    }
    return {};
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

void TBitBtn::keyPressEvent(QKeyEvent* event) {
    // Qt's button answers Return only as a dialog's default button; this one does wherever it
    // has the focus. Holding the key down presses it once.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (!event->isAutoRepeat()) {
            click();
        }
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}

}  // namespace tavi::ui
