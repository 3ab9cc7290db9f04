// The plot of the results window as a Qt chart, and the chart saved as a PNG or SVG picture.
#pragma once

#include "engine/run/ResultsModel.h"

#include <QString>

class QChart;
class QChartView;

namespace tavi::ui {

// A chart of plot: a line per line of the plot with the legend naming them, the marked point
// with its label, the target power as a dashed line, and value axes with their titles.
QChart* buildChart(const Plot& plot);

// Writes what view shows to fileName, as SVG when the name ends in ".svg" and as PNG
// otherwise; the file is replaced only once it is complete. Returns an error message, empty on
// success.
QString saveChart(QChartView& view, const QString& fileName);

}  // namespace tavi::ui
