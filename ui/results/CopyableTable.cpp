#include "ui/results/CopyableTable.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>

namespace tavi::ui {

CopyableTable::CopyableTable(int valueRole, QWidget* parent)
    : QTableView(parent), m_valueRole(valueRole) {}

QString CopyableTable::selectedText() const {
    std::map<std::pair<int, int>, QString> cells;
    int firstColumn = INT_MAX;
    int lastColumn = -1;
    for (const QModelIndex& index : selectedIndexes()) {
        const double value = index.data(m_valueRole).toDouble();
        const int column = horizontalHeader()->visualIndex(index.column());
        cells[{index.row(), column}] =
            std::isnan(value) ? QString()
                              : QString::number(value, 'g', QLocale::FloatingPointShortest);
        firstColumn = std::min(firstColumn, column);
        lastColumn = std::max(lastColumn, column);
    }
    if (cells.empty()) {
        return {};
    }
    QStringList headings;
    for (int column = firstColumn; column <= lastColumn; ++column) {
        headings.append(model()
                            ->headerData(horizontalHeader()->logicalIndex(column), Qt::Horizontal)
                            .toString()
                            .replace(QLatin1Char('\n'), QLatin1Char(' ')));
    }
    QString text = headings.join(QLatin1Char('\t'));
    int row = -1;
    for (const auto& [position, cell] : cells) {
        if (position.first != row) {
            row = position.first;
            text += QLatin1Char('\n');
            QStringList fields(lastColumn - firstColumn + 1);
            for (int column = firstColumn; column <= lastColumn; ++column) {
                const auto found = cells.find({row, column});
                fields[column - firstColumn] = found == cells.end() ? QString() : found->second;
            }
            text += fields.join(QLatin1Char('\t'));
        }
    }
    return text + QLatin1Char('\n');
}

void CopyableTable::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        QApplication::clipboard()->setText(selectedText());
        return;
    }
    QTableView::keyPressEvent(event);
}

}  // namespace tavi::ui
