#include "ui/toolkit/Placement.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
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

}  // namespace tavi::ui
