// A cluster design over periods drawn as a grid: a row per sequence, a column per period, its
// control and treated cells in two colours and the periods a sequence is not observed in left
// blank, with a legend under it. The results window shows it beside the plot, and the plots it
// saves hold it in the same place.
#pragma once

#include "engine/ClusterPeriods.h"

#include <QWidget>

#include <cstddef>
#include <optional>

class QPainter;

namespace tavi::ui {

class PeriodGrid : public QWidget {
public:
    explicit PeriodGrid(QWidget* parent = nullptr);

    // The design to draw; without one the grid is hidden.
    void setPeriods(const std::optional<ClusterPeriods>& periods);

    // Where the cell of sequence s in period t (both from 0) is drawn.
    QRect cellRect(std::size_t s, std::size_t t) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<ClusterPeriods> m_periods;
};

// The size the grid of periods takes with the painter's font when it has room.
QSize periodGridSize(const ClusterPeriods& periods, const QFont& font);

// Paints the grid of periods at the top left of area with the painter's font, its cells smaller
// where area is too small for them.
void paintPeriodGrid(QPainter& painter, const ClusterPeriods& periods, const QRect& area);

}  // namespace tavi::ui
