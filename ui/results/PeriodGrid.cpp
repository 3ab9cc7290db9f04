#include "ui/results/PeriodGrid.h"

#include <QPainter>

#include <algorithm>
#include <functional>
#include <numeric>

namespace tavi::ui {

namespace {

// Treated cells in the blue of the plot's lines, control cells pale with a grey edge, which both
// stand apart on white; unobserved cells are blank but for a dotted edge.
const QColor kTreatedColour(0x1f, 0x77, 0xb4);
const QColor kControlColour(0xe3, 0xea, 0xf2);
const QColor kControlEdge(0x8a, 0x99, 0xa8);
const QColor kUnobservedEdge(0xa8, 0xb2, 0xbc);

struct LegendEntry {
    PeriodCell cell;
    const char* name;
};
constexpr LegendEntry kLegend[] = {{PeriodCell::Control, "control"},
                                   {PeriodCell::Treated, "treated"},
                                   {PeriodCell::Unobserved, "not observed"}};

// Cells shrink to this side at the least, so that a design of many periods still fits.
constexpr int kSmallestCell = 3;

bool hasUnobserved(const ClusterPeriods& periods) {
    return std::any_of(periods.sequences.begin(), periods.sequences.end(), [](const auto& cells) {
        return std::find(cells.begin(), cells.end(), PeriodCell::Unobserved) != cells.end();
    });
}

// The legend's entries: the blank cell only for a design that has one.
std::size_t legendEntries(const ClusterPeriods& periods) {
    return hasUnobserved(periods) ? std::size(kLegend) : std::size(kLegend) - 1;
}

// Sequence s's name: its number and, when the sequences' shares differ, its share of the clusters.
QString sequenceName(const ClusterPeriods& periods, std::size_t s) {
    QString name = QStringLiteral("Sequence %1").arg(s + 1);
    const std::vector<double>& shares = periods.clusterShares;
    if (std::adjacent_find(shares.begin(), shares.end(), std::not_equal_to<>()) != shares.end()) {
        const double sum = std::accumulate(shares.begin(), shares.end(), 0.0);
        name += QStringLiteral(" (%1%)").arg(100.0 * shares[s] / sum, 0, 'g', 3);
    }
    return name;
}

// A cell is a little more than a line of text at the most.
int fullCell(const QFontMetrics& metrics) {
    return metrics.height() * 5 / 4;
}

// Where the parts of the grid lie in an area.
struct GridGeometry {
    int labels = 0;  // the width of the sequences' names
    int cell = 0;    // the side of a cell with the gap after it
    QPoint origin;   // the top left of the first cell
    int legendTop = 0;
};

int labelsWidth(const ClusterPeriods& periods, const QFontMetrics& metrics) {
    int widest = metrics.horizontalAdvance(QStringLiteral("Period"));
    for (std::size_t s = 0; s < periods.sequences.size(); ++s) {
        widest = std::max(widest, metrics.horizontalAdvance(sequenceName(periods, s)));
    }
    return widest + metrics.averageCharWidth();
}

int legendHeight(const ClusterPeriods& periods, const QFontMetrics& metrics) {
    return int(legendEntries(periods)) * metrics.height() + metrics.height() / 2;
}

GridGeometry geometryOf(const ClusterPeriods& periods, const QRect& area,
                        const QFontMetrics& metrics) {
    GridGeometry g;
    g.labels = labelsWidth(periods, metrics);
    const int rows = std::max(1, int(periods.sequences.size()));
    const int columns = std::max(1, periods.periods());
    const int byWidth = (area.width() - g.labels) / columns;
    const int byHeight = (area.height() - metrics.height() - legendHeight(periods, metrics)) / rows;
    g.cell = std::max(kSmallestCell, std::min({fullCell(metrics), byWidth, byHeight}));
    g.origin = area.topLeft() + QPoint(g.labels, metrics.height());
    g.legendTop = g.origin.y() + rows * g.cell + metrics.height() / 2;
    return g;
}

QRect cellAt(const GridGeometry& g, std::size_t s, std::size_t t) {
    const int gap = std::max(1, g.cell / 8);
    return {g.origin.x() + int(t) * g.cell, g.origin.y() + int(s) * g.cell, g.cell - gap,
            g.cell - gap};
}

void paintCell(QPainter& painter, const QRect& r, PeriodCell cell) {
    switch (cell) {
        case PeriodCell::Treated:
            painter.fillRect(r, kTreatedColour);
            break;
        case PeriodCell::Control:
            painter.setPen(kControlEdge);
            painter.setBrush(kControlColour);
            painter.drawRect(r.adjusted(0, 0, -1, -1));
            break;
        case PeriodCell::Unobserved:
            painter.setPen(QPen(kUnobservedEdge, 1, Qt::DotLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(r.adjusted(0, 0, -1, -1));
            break;
    }
}

}  // namespace

QSize periodGridSize(const ClusterPeriods& periods, const QFont& font) {
    const QFontMetrics metrics(font);
    int legendWidth = 0;
    for (const LegendEntry& entry : kLegend) {
        legendWidth = std::max(legendWidth, metrics.horizontalAdvance(QLatin1String(entry.name)));
    }
    legendWidth += fullCell(metrics) + metrics.averageCharWidth();
    return {labelsWidth(periods, metrics) +
                std::max(periods.periods() * fullCell(metrics), legendWidth),
            metrics.height() + int(periods.sequences.size()) * fullCell(metrics) +
                legendHeight(periods, metrics)};
}

void paintPeriodGrid(QPainter& painter, const ClusterPeriods& periods, const QRect& area) {
    const QFontMetrics metrics(painter.font());
    const GridGeometry g = geometryOf(periods, area, metrics);
    const QPen text = painter.pen();
    const int line = metrics.height();
    const int nameWidth = g.labels - metrics.averageCharWidth();
    painter.save();
    painter.drawText(QRect(area.left(), area.top(), nameWidth, line),
                     Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Period"));
    // Only as many numbers and names as have room: every k-th.
    const int numberWidth = metrics.horizontalAdvance(QString::number(periods.periods())) + 2;
    const int everyColumn = (numberWidth + g.cell - 1) / g.cell;
    for (int t = 0; t < periods.periods(); t += everyColumn) {
        const QRect cell = cellAt(g, 0, std::size_t(t));
        painter.drawText(QRect(cell.center().x() - numberWidth, area.top(), 2 * numberWidth, line),
                         Qt::AlignCenter, QString::number(t + 1));
    }
    const int everyRow = (line + g.cell - 1) / g.cell;
    for (std::size_t s = 0; s < periods.sequences.size(); ++s) {
        if (s % std::size_t(everyRow) == 0) {
            painter.setPen(text);
            const int middle = cellAt(g, s, 0).center().y();
            painter.drawText(QRect(area.left(), middle - line / 2, nameWidth, line),
                             Qt::AlignRight | Qt::AlignVCenter, sequenceName(periods, s));
        }
        for (std::size_t t = 0; t < periods.sequences[s].size(); ++t) {
            paintCell(painter, cellAt(g, s, t), periods.sequences[s][t]);
        }
    }
    const int swatch = line * 3 / 4;
    for (std::size_t k = 0; k < legendEntries(periods); ++k) {
        const int top = g.legendTop + int(k) * line;
        paintCell(painter, QRect(g.origin.x(), top + (line - swatch) / 2, swatch, swatch),
                  kLegend[k].cell);
        painter.setPen(text);
        painter.drawText(QRect(g.origin.x() + swatch + metrics.averageCharWidth(), top,
                               area.right() - g.origin.x(), line),
                         Qt::AlignLeft | Qt::AlignVCenter, QLatin1String(kLegend[k].name));
    }
    painter.restore();
}

PeriodGrid::PeriodGrid(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PeriodGrid"));
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    hide();
}

void PeriodGrid::setPeriods(const std::optional<ClusterPeriods>& periods) {
    m_periods = periods;
    setVisible(m_periods.has_value());
    updateGeometry();
    update();
}

QRect PeriodGrid::cellRect(std::size_t s, std::size_t t) const {
    return cellAt(geometryOf(*m_periods, rect(), fontMetrics()), s, t);
}

QSize PeriodGrid::sizeHint() const {
    return m_periods ? periodGridSize(*m_periods, font()) : QSize();
}

QSize PeriodGrid::minimumSizeHint() const {
    if (!m_periods) {
        return {};
    }
    const QSize full = sizeHint();
    return {std::min(full.width(),
                     labelsWidth(*m_periods, fontMetrics()) + m_periods->periods() * kSmallestCell),
            std::min(full.height(), 4 * fontMetrics().height())};
}

void PeriodGrid::paintEvent(QPaintEvent* /*event*/) {
    if (!m_periods) {
        return;
    }
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    paintPeriodGrid(painter, *m_periods, rect());
}

}  // namespace tavi::ui
