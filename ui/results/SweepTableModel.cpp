#include "ui/results/SweepTableModel.h"

#include <QBrush>
#include <QColor>
#include <QFont>

#include <cmath>
#include <limits>

namespace tavi::ui {

namespace {

const char* const kPointHeadings[] = {"N*n\ntotal units", "N\ngroups", "n\ngroup size",
                                      "Cost\nN(n + c)"};

}  // namespace

SweepTableModel::SweepTableModel(const ResultsModel& results, QObject* parent)
    : QAbstractTableModel(parent),
      m_results(results),
      m_pointColumns(results.table().budgetMode() ? 4 : 3) {}

int SweepTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_results.table().size());
}

int SweepTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_pointColumns + m_results.table().coefficients();
}

double SweepTableModel::value(int row, int column) const {
    const SweepTable& table = m_results.table();
    const SweepPoint& point = table.point(row);
    switch (column) {
        case 0:
            return double(std::int64_t{point.N} * point.n);
        case 1:
            return point.N;
        case 2:
            return point.n;
        case 3:
            if (m_pointColumns == 4) {
                return double(point.cost);
            }
            break;
        default:
            break;
    }
    return table.se(row, column - m_pointColumns);
}

QVariant SweepTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    const int coefficient = index.column() - m_pointColumns;
    const bool best = coefficient >= 0 && m_results.smallestSe(coefficient) &&
                      *m_results.smallestSe(coefficient) == std::size_t(index.row());
    const double x = value(index.row(), index.column());
    switch (role) {
        case Qt::DisplayRole:
            if (std::isnan(x)) {
                return QStringLiteral("–");
            }
            return coefficient >= 0 ? QString::number(x, 'g', 5) : QString::number(x, 'f', 0);
        case kValueRole:
            return x;
        case kSortRole:
            return std::isnan(x) ? std::numeric_limits<double>::infinity() : x;
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        case Qt::FontRole:
            if (best) {
                QFont font;
                font.setBold(true);
                return font;
            }
            break;
        case Qt::BackgroundRole:
            if (best) {
                return QBrush(QColor(0xc8, 0xe6, 0xc9));
            }
            break;
        case Qt::ToolTipRole:
            if (best) {
                return QStringLiteral("The smallest standard error of this coefficient");
            }
            if (std::isnan(x)) {
                return QStringLiteral("No standard error at this point");
            }
            break;
        default:
            break;
    }
    return {};
}

QVariant SweepTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    }
    if (section < m_pointColumns) {
        return role == Qt::DisplayRole ? QString::fromUtf8(kPointHeadings[section]) : QVariant();
    }
    const QString title = QString::fromStdString(m_results.titles()[section - m_pointColumns]);
    switch (role) {
        case Qt::DisplayRole:
            // The kind and number above what it is, so that the columns stay narrow.
            return QString(title).replace(QStringLiteral(": "), QStringLiteral("\n"));
        case Qt::ToolTipRole:
            return title;
        default:
            break;
    }
    return {};
}

}  // namespace tavi::ui
