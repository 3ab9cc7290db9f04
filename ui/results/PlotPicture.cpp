#include "ui/results/PlotPicture.h"

#include "ui/results/PeriodGrid.h"
#include "ui/results/ResultsChart.h"

#include <QApplication>
#include <QChart>
#include <QDoubleSpinBox>
#include <QFontMetrics>
#include <QGraphicsScene>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QSaveFile>
#include <QScreen>
#include <QSpinBox>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>

namespace tavi::ui {

namespace {

constexpr int kSmallestSide = 100;
constexpr int kLargestSide = 8000;
// A picture beyond this many pixels would take gigabytes to draw; no print needs it.
constexpr double kMostPixels = 100e6;

QLabel* caption(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

// Paints plot over a rectangle of size (in the screen's pixels): the chart, laid out for that
// size as the window lays it out, the grid of periods beside it, and the note under them.
void paintPlot(QPainter& painter, const Plot& plot, const std::optional<ClusterPeriods>& periods,
               QSize size) {
    const QString note = QString::fromStdString(plot.note);
    const QFont font = QApplication::font();
    const QFontMetrics metrics(font);
    const int margin = metrics.height() / 2;
    const QRect noteRoom(margin, 0, size.width() - 2 * margin, size.height());
    const int noteHeight =
        note.isEmpty() ? 0
                       : metrics.boundingRect(noteRoom, Qt::TextWordWrap, note).height() + margin;
    // The grid takes at most a third of the width, as the window gives it room.
    const int gridWidth =
        periods ? std::min(periodGridSize(*periods, font).width(), size.width() / 3) : 0;
    const QRectF chartArea(0, 0, size.width() - gridWidth - (periods ? 2 * margin : 0),
                           size.height() - noteHeight);
    if (periods) {
        painter.setFont(font);
        painter.setPen(Qt::black);
        paintPeriodGrid(painter, *periods,
                        QRect(int(chartArea.right()) + margin, 2 * margin, gridWidth,
                              int(chartArea.height()) - 2 * margin));
    }

    QGraphicsScene scene;
    QChart* chart = buildChart(plot);
    scene.addItem(chart);
    // The chart lays out its axes and legend as it takes its geometry.
    chart->setGeometry(chartArea);
    scene.setSceneRect(chartArea);
    scene.render(&painter, chartArea, chartArea);
    if (noteHeight > 0) {
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QRect(margin, int(chartArea.height()), noteRoom.width(), noteHeight),
                         Qt::TextWordWrap, note);
    }
}

}  // namespace

PictureSizeControls::PictureSizeControls(const PictureSize& initial, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("PictureSize"));
    WidthBox = new QSpinBox;
    WidthBox->setObjectName(QStringLiteral("PictureWidth"));
    HeightBox = new QSpinBox;
    HeightBox->setObjectName(QStringLiteral("PictureHeight"));
    for (QSpinBox* box : {WidthBox, HeightBox}) {
        box->setRange(kSmallestSide, kLargestSide);
        box->setSuffix(QStringLiteral(" px"));
    }
    WidthBox->setValue(initial.size.width());
    HeightBox->setValue(initial.size.height());
    ScaleBox = new QDoubleSpinBox;
    ScaleBox->setObjectName(QStringLiteral("PictureScale"));
    ScaleBox->setRange(0.5, 4.0);
    ScaleBox->setSingleStep(0.5);
    ScaleBox->setDecimals(2);
    ScaleBox->setValue(initial.scale);
    ScaleBox->setToolTip(
        QStringLiteral("The PNG picture's pixels per pixel of the window: 2 for print or a "
                       "screen of high density. An SVG drawing scales without loss."));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(caption(QStringLiteral("Picture &width:"), WidthBox));
    row->addWidget(WidthBox);
    row->addWidget(caption(QStringLiteral("&height:"), HeightBox));
    row->addWidget(HeightBox);
    row->addWidget(caption(QStringLiteral("PNG &scale:"), ScaleBox));
    row->addWidget(ScaleBox);
    row->addStretch();
}

PictureSize PictureSizeControls::value() const {
    return {QSize(WidthBox->value(), HeightBox->value()), ScaleBox->value()};
}

QString savePlotPicture(const Plot& plot, const std::optional<ClusterPeriods>& periods,
                        const QString& fileName, const PictureSize& picture) {
    const QSize size = picture.size;
    const QSize pixels(int(std::lround(size.width() * picture.scale)),
                       int(std::lround(size.height() * picture.scale)));
    const bool svg = fileName.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive);
    if (!svg && double(pixels.width()) * pixels.height() > kMostPixels) {
        return QStringLiteral("a picture of %1 x %2 pixels is larger than any print needs")
            .arg(pixels.width())
            .arg(pixels.height());
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        return file.errorString();
    }
    if (svg) {
        QSvgGenerator drawing;
        drawing.setOutputDevice(&file);
        drawing.setSize(size);
        drawing.setViewBox(QRect(QPoint(0, 0), size));
        // Fonts take the sizes they have on the screen.
        const QScreen* screen = QGuiApplication::primaryScreen();
        drawing.setResolution(screen != nullptr ? int(screen->logicalDotsPerInch()) : 96);
        drawing.setTitle(QString::fromStdString(plot.title));
        QPainter painter(&drawing);
        paintPlot(painter, plot, periods, size);
    } else {
        QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(picture.scale);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        paintPlot(painter, plot, periods, size);
        painter.end();
        if (!image.save(&file, "PNG")) {
            file.cancelWriting();
            return QStringLiteral("the picture could not be written");
        }
    }
    if (!file.commit()) {
        return file.errorString();
    }
    return {};
}

}  // namespace tavi::ui
