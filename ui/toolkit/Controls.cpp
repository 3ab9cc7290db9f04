#include "ui/toolkit/Controls.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadioButton>
#include <QTextBlock>
#include <QVBoxLayout>

namespace tavi::ui {

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
    connect(&m_buttons, &QButtonGroup::idClicked, this, &TRadioGroup::clicked);
}

int TRadioGroup::ItemIndex() const {
    return m_buttons.checkedId();
}

void TRadioGroup::setItemIndex(int index) {
    QAbstractButton* button = m_buttons.button(index);
    if (button == nullptr || index == ItemIndex()) {
        return;
    }
    button->setChecked(true);
    emit clicked();
}

TStringGrid::TStringGrid(QWidget* parent) : QTableWidget(1, 1, parent) {
    horizontalHeader()->hide();
    verticalHeader()->hide();
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

void TStringGrid::setScrollBars(bool both) {
    const Qt::ScrollBarPolicy policy = both ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    setHorizontalScrollBarPolicy(policy);
    setVerticalScrollBarPolicy(policy);
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
}

}  // namespace tavi::ui
