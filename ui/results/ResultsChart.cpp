#include "ui/results/ResultsChart.h"

#include <QChart>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPen>
#include <QScatterSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

namespace tavi::ui {

namespace {

// Points are drawn as dots only where they stay apart.
constexpr std::size_t kMostDottedPoints = 60;

const QColor kMarkColour(0xc6, 0x28, 0x28);
// A line over the group sizes.
const QColor kLineColour(0x1f, 0x77, 0xb4);
// The colours of the group sizes from the smallest to the largest: a scale from dark purple over
// blue and green to yellow-green, whose colours differ in lightness too and stay visible on
// white and apart from the marked point's red.
const QColor kGroupSizeScale[] = {QColor(0x44, 0x01, 0x54), QColor(0x3b, 0x52, 0x8b),
                                  QColor(0x21, 0x91, 0x8c), QColor(0x5e, 0xc9, 0x62),
                                  QColor(0xa0, 0xc8, 0x1e)};

// The colour at shade (0 to 1) on the scale of the group sizes.
QColor groupSizeColour(double shade) {
    const double place = std::clamp(shade, 0.0, 1.0) * double(std::size(kGroupSizeScale) - 1);
    const auto low = static_cast<std::size_t>(std::floor(place));
    const std::size_t high = std::min(low + 1, std::size(kGroupSizeScale) - 1);
    const double t = place - double(low);
    const QColor& a = kGroupSizeScale[low];
    const QColor& b = kGroupSizeScale[high];
    return QColor::fromRgbF(float(a.redF() + t * (b.redF() - a.redF())),
                            float(a.greenF() + t * (b.greenF() - a.greenF())),
                            float(a.blueF() + t * (b.blueF() - a.blueF())));
}

// An axis over lowest to highest with room on either side (pad: a share of the range), so
// that points at the ends, the marked one above all, stay whole.
QValueAxis* axis(const QString& title, double lowest, double highest, double pad,
                 const char* format) {
    auto* result = new QValueAxis;
    result->setTitleText(title);
    if (!(lowest < highest)) {
        // One value alone: a little room on either side of it.
        const double room = lowest == 0.0 ? 1.0 : std::fabs(lowest) * 0.1;
        lowest -= room;
        highest += room;
    }
    // Ticks at multiples of 1, 2 or 5 times a power of ten, about five of them: a rough step
    // near the next power of ten takes it, or a short axis would crowd twice as many labels.
    const double rough = (highest - lowest) / 5.0;
    const double decade = std::pow(10.0, std::floor(std::log10(rough)));
    const double step = rough / decade < 1.5   ? decade
                        : rough / decade < 3.5 ? 2 * decade
                        : rough / decade < 7.5 ? 5 * decade
                                               : 10 * decade;
    const double room = (highest - lowest) * pad;
    result->setRange(lowest - room, highest + room);
    result->setTickType(QValueAxis::TicksDynamic);
    result->setTickAnchor(std::floor(lowest / step) * step);
    result->setTickInterval(step);
    result->setLabelFormat(QString::fromLatin1(format));
    return result;
}

}  // namespace

QChart* buildChart(const Plot& plot) {
    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setTitle(QString::fromStdString(plot.title));
    QFont titleFont = chart->titleFont();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
    titleFont.setBold(true);
    chart->setTitleFont(titleFont);

    double xLow = std::numeric_limits<double>::infinity();
    double xHigh = -xLow;
    double yLow = xLow;
    double yHigh = -xLow;
    std::vector<QAbstractSeries*> series;
    for (const PlotLine& line : plot.lines) {
        auto* points = new QLineSeries;
        points->setName(QString::fromStdString(line.name));
        points->setPen(QPen(line.shade ? groupSizeColour(*line.shade) : kLineColour, 2.0));
        points->setPointsVisible(line.points.size() <= kMostDottedPoints);
        for (const PlotPoint& p : line.points) {
            points->append(p.x, p.y);
            xLow = std::min(xLow, p.x);
            xHigh = std::max(xHigh, p.x);
            yLow = std::min(yLow, p.y);
            yHigh = std::max(yHigh, p.y);
        }
        series.push_back(points);
    }
    if (plot.target) {
        auto* target = new QLineSeries;
        target->setName(QStringLiteral("Target power %1").arg(*plot.target));
        target->setPen(QPen(Qt::darkGray, 1.5, Qt::DashLine));
        const double left = std::isfinite(xLow) ? xLow : 0.0;
        const double right = std::isfinite(xHigh) ? xHigh : 1.0;
        target->append(left, *plot.target);
        target->append(right, *plot.target);
        series.push_back(target);
        yLow = 0.0;
        yHigh = 1.0;
    }
    if (plot.mark) {
        auto* mark = new QScatterSeries;
        mark->setName(QString::fromStdString(plot.markLabel));
        mark->setMarkerSize(13.0);
        mark->setColor(kMarkColour);
        mark->setBorderColor(Qt::white);
        mark->append(plot.mark->x, plot.mark->y);
        series.push_back(mark);
    }
    if (!std::isfinite(xLow)) {
        xLow = 0.0;
        xHigh = 1.0;
        yLow = 0.0;
        yHigh = 1.0;
    }

    auto* xAxis =
        axis(QString::fromStdString(plot.xTitle), xLow, xHigh, 0.02, plot.wholeX ? "%.0f" : "%.3g");
    // Power keeps its scale from 0 to 1.
    auto* yAxis =
        axis(QString::fromStdString(plot.yTitle), yLow, yHigh, plot.target ? 0.02 : 0.04, "%.3g");
    chart->addAxis(xAxis, Qt::AlignBottom);
    chart->addAxis(yAxis, Qt::AlignLeft);
    for (QAbstractSeries* s : series) {
        chart->addSeries(s);
        s->attachAxis(xAxis);
        s->attachAxis(yAxis);
        if (s->name().isEmpty()) {
            for (QLegendMarker* marker : chart->legend()->markers(s)) {
                marker->setVisible(false);
            }
        }
    }
    chart->legend()->setAlignment(Qt::AlignBottom);
    return chart;
}

}  // namespace tavi::ui
