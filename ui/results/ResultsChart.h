// The plot of the results window as a Qt chart.
#pragma once

#include "engine/run/ResultsModel.h"

class QChart;

namespace tavi::ui {

// A chart of plot: a line per line of the plot with the legend naming them, each group size in
// its own colour, the marked point with its label, the target power as a dashed line, and
// value axes with their titles.
QChart* buildChart(const Plot& plot);

}  // namespace tavi::ui
