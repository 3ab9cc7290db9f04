#include "ui/results/SweepTableModel.h"

#include <QBrush>
#include <QColor>
#include <QFont>

#include <cmath>
#include <limits>
#include <span>

namespace tavi::ui {

namespace {

// The columns of a point, described once for its headings and its values; the last is the cost,
// shown under a budget only.
struct PointColumn {
    const char* heading;
    double (*value)(const SweepPoint& point);
};

constexpr PointColumn kTwoLevelColumns[] = {
    {"N*n\ntotal units", [](const SweepPoint& p) { return double(unitsOf(p)); }},
    {"N\ngroups", [](const SweepPoint& p) { return double(p.N); }},
    {"n\ngroup size", [](const SweepPoint& p) { return double(p.n); }},
    {"Cost\nN(n + c)", [](const SweepPoint& p) { return double(p.cost); }},
};
constexpr PointColumn kThreeLevelColumns[] = {
    {"K*J*n\ntotal units", [](const SweepPoint& p) { return double(unitsOf(p)); }},
    {"K\nsites", [](const SweepPoint& p) { return double(p.N); }},
    {"J\ngroups per site", [](const SweepPoint& p) { return double(p.J); }},
    {"n\ngroup size", [](const SweepPoint& p) { return double(p.n); }},
    {"Cost\nK(s + J(g + n))", [](const SweepPoint& p) { return double(p.cost); }},
};
// A design over periods has no budget, and so no cost.
constexpr PointColumn kPeriodColumns[] = {
    {"K*J*n\nevery cluster-period", [](const SweepPoint& p) { return double(unitsOf(p)); }},
    {"K\nclusters", [](const SweepPoint& p) { return double(p.N); }},
    {"J\nperiods", [](const SweepPoint& p) { return double(p.J); }},
    {"n\nper cluster-period", [](const SweepPoint& p) { return double(p.n); }},
};
const char* const kTestHeadings[] = {"df", "MDES", "Power"};

std::span<const PointColumn> pointColumnsOf(const ResultsModel& results) {
    if (results.design().periods) {
        return kPeriodColumns;
    }
    const std::span<const PointColumn> all = results.table().levels() == 3
                                                 ? std::span<const PointColumn>(kThreeLevelColumns)
                                                 : std::span<const PointColumn>(kTwoLevelColumns);
    return results.table().budgetMode() ? all : all.first(all.size() - 1);
}

int pointColumnCount(const ResultsModel& results) {
    return static_cast<int>(pointColumnsOf(results).size());
}

}  // namespace

SweepTableModel::SweepTableModel(ResultsModel& results, QObject* parent)
    : QAbstractTableModel(parent), m_results(results), m_pointColumns(pointColumnCount(results)) {}

void SweepTableModel::resultsReplaced() {
    beginResetModel();
    m_pointColumns = pointColumnCount(m_results);
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
    if (column < m_pointColumns) {
        return pointColumnsOf(m_results)[column].value(point);
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
        return role == Qt::DisplayRole
                   ? QString::fromUtf8(pointColumnsOf(m_results)[section].heading)
                   : QVariant();
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
