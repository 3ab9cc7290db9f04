#include "ui/toolkit/Placement.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <array>
#include <cmath>

namespace tavi::ui {

Placement::Placement(int designDpi) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double screenDpi = screen != nullptr ? screen->logicalDotsPerInch() : designDpi;
    m_factor = screenDpi / designDpi;
}

int Placement::scaled(int designPixels) const {
    return static_cast<int>(std::lround(designPixels * m_factor));
}

void Placement::place(QWidget* widget, int left, int top, int width, int height) const {
    widget->setGeometry(scaled(left), scaled(top), scaled(width), scaled(height));
}

QFont Placement::font(const QString& family, int heightPixels) const {
    QFont font(family);
    // Without the family, the closest sans-serif face stands in.
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, scaled(heightPixels)));
    return font;
}

int widthToFit(std::initializer_list<const QWidget*> controls, int margin, int minimum) {
    int width = minimum;
    for (const QWidget* control : controls) {
        width = std::max(width, control->geometry().right() + 1 + margin);
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        width = std::max(minimum, std::min(width, screen->availableGeometry().width()));
    }
    return width;
}

namespace {

// Pixels between a window and the area it keeps clear of.
constexpr int kClearance = 8;
// Room for the frame and title bar that a window manager may add.
constexpr int kFrameRoom = 48;

QRect availableGeometryFor(const QWidget* widget) {
    const QScreen* screen = widget->screen();
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

// The window's rectangle on the screen with its frame, once a showing has made the frame known.
QRect frameAt(const QWidget* window, QPoint topLeft) {
    const QSize frame = window->frameGeometry().size() - window->geometry().size();
    return {topLeft, window->size() + frame};
}

// Moves rect into screen as far as its size allows, keeping its top left corner visible.
QRect within(QRect rect, const QRect& screen) {
    rect.moveLeft(
        std::max(screen.left(), std::min(rect.left(), screen.right() + 1 - rect.width())));
    rect.moveTop(std::max(screen.top(), std::min(rect.top(), screen.bottom() + 1 - rect.height())));
    return rect;
}

}  // namespace

void placeClearOf(QWidget* window, const QWidget* area) {
    const QRect screen = availableGeometryFor(area);
    const QRect clear(area->mapToGlobal(QPoint(0, 0)), area->size());
    const QSize size = frameAt(window, {}).size();
    const std::array<QPoint, 4> candidates = {
        QPoint(clear.right() + 1 + kClearance, clear.top()),
        QPoint(clear.left(), clear.bottom() + 1 + kClearance),
        QPoint(clear.left() - kClearance - size.width(), clear.top()),
        QPoint(clear.left(), clear.top() - kClearance - size.height())};
    QRect best;
    qint64 bestCovered = -1;
    for (const QPoint& candidate : candidates) {
        const QRect placed =
            screen.isValid() ? within(QRect(candidate, size), screen) : QRect(candidate, size);
        const QRect covered = placed.intersected(clear);
        const qint64 coveredArea =
            covered.isEmpty() ? 0 : qint64(covered.width()) * covered.height();
        if (bestCovered < 0 || coveredArea < bestCovered) {
            best = placed;
            bestCovered = coveredArea;
        }
    }
    window->move(best.topLeft());
}

void moveOntoScreen(QWidget* window) {
    const QRect screen = availableGeometryFor(window);
    if (screen.isValid()) {
        window->move(within(frameAt(window, window->pos()), screen).topLeft());
    }
}

void fitToScreen(QWidget* window, QSize preferred) {
    const QRect screen = availableGeometryFor(window);
    if (!screen.isValid()) {
        window->resize(preferred);
        return;
    }
    const QSize room = screen.size() - QSize(kFrameRoom / 2, kFrameRoom);
    const QSize size = preferred.boundedTo(room).expandedTo(window->minimumSizeHint());
    window->resize(size);
    window->move(screen.left() + std::max(0, (screen.width() - size.width()) / 2),
                 screen.top() + std::max(0, (screen.height() - size.height() - kFrameRoom) / 2));
}

}  // namespace tavi::ui
