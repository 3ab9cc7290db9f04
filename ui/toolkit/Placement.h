// Places controls at positions and sizes given in pixels of a design resolution (pixels per
// inch), scaled to the screen's, and picks fonts by family and pixel height with the nearest
// available family standing in for a missing one.
#pragma once

#include <QFont>
#include <QString>
#include <QWidget>

#include <initializer_list>

namespace tavi::ui {

class Placement {
public:
    // designDpi: the resolution the positions were laid out at (120 or 96).
    explicit Placement(int designDpi);

    int scaled(int designPixels) const;

    // Left, top, width, height at the design resolution.
    void place(QWidget* widget, int left, int top, int width, int height) const;

    // The family at a character height of the given design pixels.
    QFont font(const QString& family, int heightPixels) const;

private:
    double m_factor;
};

// The width a window needs so that each of controls ends at least margin pixels before its right
// edge: never less than minimum, and no more than the screen offers. Fonts wider than the ones a
// window was designed with make their captions longer; the window grows with them.
int widthToFit(std::initializer_list<const QWidget*> controls, int margin, int minimum);

// Moves window, a window about to be shown, where it leaves area (a control of another window)
// uncovered and lies within the screen: beside area on the right, else below it, on its left or
// above it; where it fits in none of these, where it covers the least of area.
void placeClearOf(QWidget* window, const QWidget* area);

// Moves window, as far as its size allows, into the part of the screen that windows may take.
void moveOntoScreen(QWidget* window);

// Sizes window, a window about to be shown, to preferred or, on a smaller screen, to the part
// of the screen that windows may take, with room for a window manager's frame, and centres it
// there. Its minimum size stays what its layout needs.
void fitToScreen(QWidget* window, QSize preferred);

}  // namespace tavi::ui
