// A plot saved as a picture: the whole chart (title, axes, legend and marked point) with the
// plot's note under it and, for a design over periods, its grid of periods beside it, at a size
// and resolution of the user's choice, as PNG or SVG.
#pragma once

#include "engine/ClusterPeriods.h"
#include "engine/run/ResultsModel.h"

#include <QSize>
#include <QString>
#include <QWidget>

#include <optional>

class QDoubleSpinBox;
class QSpinBox;

namespace tavi::ui {

struct PictureSize {
    QSize size;    // in the screen's pixels, as the window shows the plot
    double scale;  // the picture's pixels per screen pixel (PNG only)
};

// The picture's size and resolution, shown in the save dialog under its file list.
class PictureSizeControls : public QWidget {
public:
    explicit PictureSizeControls(const PictureSize& initial, QWidget* parent = nullptr);

    PictureSize value() const;

    QSpinBox* WidthBox;
    QSpinBox* HeightBox;
    QDoubleSpinBox* ScaleBox;
};

// Writes plot, with the grid of periods when given, to fileName as SVG when the name ends in
// ".svg" and as PNG otherwise; the file is replaced only once it is complete. Returns an error
// message, empty on success.
QString savePlotPicture(const Plot& plot, const std::optional<ClusterPeriods>& periods,
                        const QString& fileName, const PictureSize& picture);

}  // namespace tavi::ui
