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
const char* const kThreeLevelHeadings[] = {"K*J*n\ntotal units", "K\nsites", "J\ngroups per site",
                                           "n\ngroup size", "Cost\nK(s + J(g + n))"};
const char* const kTestHeadings[] = {"df", "MDES", "Power"};

int pointColumnsOf(const ResultsModel& results) {
    return (results.table().budgetMode() ? 4 : 3) + (results.table().threeLevel() ? 1 : 0);
}

// Column c of a point, whose units, sites, groups per site, group size and cost a three-level
// table shows.
double threeLevelColumn(const SweepPoint& point, int column) {
    switch (column) {
        case 0:
            return double(unitsOf(point));
        case 1:
            return point.N;
        case 2:
            return point.J;
        case 3:
            return point.n;
        default:
            return double(point.cost);
    }
}

}  // namespace

SweepTableModel::SweepTableModel(ResultsModel& results, QObject* parent)
    : QAbstractTableModel(parent), m_results(results), m_pointColumns(pointColumnsOf(results)) {}

void SweepTableModel::resultsReplaced() {
    beginResetModel();
    m_pointColumns = pointColumnsOf(m_results);
    endResetModel();
}

void SweepTableModel::testsChanged(bool coefficientChanged) {
    if (rowCount() > 0) {
        emit dataChanged(index(0, m_pointColumns),
                         index(rowCount() - 1, m_pointColumns + kTestColumns - 1));
    }
    if (coefficientChanged) {
        emit headerDataChanged(Qt::Horizontal, m_pointColumns, m_pointColumns + kTestColumns - 1);
    }
}

int SweepTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_results.table().size());
}

int SweepTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_pointColumns + kTestColumns + m_results.table().coefficients();
}

double SweepTableModel::value(int row, int column) const {
    const SweepTable& table = m_results.table();
    const SweepPoint& point = table.point(row);
    if (column < m_pointColumns && table.threeLevel()) {
        return threeLevelColumn(point, column);
    }
    if (column < m_pointColumns) {
        switch (column) {
            case 0:
                return double(std::int64_t{point.N} * point.n);
            case 1:
                return point.N;
            case 2:
                return point.n;
            default:
                return double(point.cost);
        }
    }
    const int test = column - m_pointColumns;
    if (test < kTestColumns) {
        const PointTest tests = m_results.testAt(static_cast<std::size_t>(row));
        // No df without a test: the table shows only what a test can use.
        if (std::isnan(tests.mdes)) {
            return std::numeric_limits<double>::quiet_NaN();
        }
        return test == 0 ? tests.df : test == 1 ? tests.mdes : tests.power;
    }
    return table.se(row, test - kTestColumns);
}

QVariant SweepTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    const int coefficient = index.column() - m_pointColumns - kTestColumns;
    const bool test = index.column() >= m_pointColumns && coefficient < 0;
    const bool best = coefficient >= 0 && m_results.smallestSe(coefficient) &&
                      *m_results.smallestSe(coefficient) == std::size_t(index.row());
    switch (role) {
        case Qt::DisplayRole: {
            const double x = value(index.row(), index.column());
            if (std::isnan(x)) {
                return QStringLiteral("–");
            }
            return coefficient >= 0 || test ? QString::number(x, 'g', test ? 4 : 5)
                                            : QString::number(x, 'f', 0);
        }
        case kValueRole:
            return value(index.row(), index.column());
        case kSortRole: {
            const double x = value(index.row(), index.column());
            return std::isnan(x) ? std::numeric_limits<double>::infinity() : x;
        }
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
            if (test) {
                return QBrush(QColor(0xf3, 0xf3, 0xf8));
            }
            break;
        case Qt::ToolTipRole:
            if (best) {
                return QStringLiteral("The smallest standard error of this coefficient");
            }
            if (std::isnan(value(index.row(), index.column()))) {
                return QStringLiteral("No test at this point");
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
        const char* const* headings =
            m_results.table().threeLevel() ? kThreeLevelHeadings : kPointHeadings;
        return role == Qt::DisplayRole ? QString::fromUtf8(headings[section]) : QVariant();
    }
    const int test = section - m_pointColumns;
    const int chosen = test < kTestColumns ? m_results.coefficient() : test - kTestColumns;
    const QString name = QString::fromStdString(m_results.name(chosen));
    const QString title = QString::fromStdString(m_results.titles()[chosen]);
    if (test < kTestColumns) {
        switch (role) {
            case Qt::DisplayRole:
                return QString::fromLatin1(kTestHeadings[test]) + QLatin1Char('\n') + name;
            case Qt::ToolTipRole:
                return QString::fromLatin1(kTestHeadings[test]) + QStringLiteral(" of ") + title +
                       QStringLiteral(" under the test settings");
            default:
                return {};
        }
    }
    switch (role) {
        case Qt::DisplayRole:
            // The kind and number above what it is, so that the columns stay narrow.
            return QString(title).replace(QStringLiteral(": "), QStringLiteral("\n"));
        case Qt::ToolTipRole:
            return title + QStringLiteral(" (") + name + QStringLiteral(")");
        default:
            break;
    }
    return {};
}

}  // namespace tavi::ui
