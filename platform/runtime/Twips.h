#pragma once

#include <QPointF>
#include <QRect>
#include <QSizeF>
#include <cmath>

// Window geometry is laid out in twips: 1/1440 inch, 15 to a logical pixel at 96 dots per inch.
constexpr double TwipsPerPixel = 15.0;

constexpr int twipsToPixels(int twips)
{
    return int(twips / TwipsPerPixel + 0.5);
}

// A rectangle in twips as logical pixels. Edges are converted, not sizes, so that neighbours
// given in twips stay neighbours in pixels.
inline QRect twipsRect(int left, int top, int width, int height)
{
    const int x = twipsToPixels(left);
    const int y = twipsToPixels(top);
    return QRect(x, y, twipsToPixels(left + width) - x, twipsToPixels(top + height) - y);
}

// Top-left corner that centres a window of the given outer size on a screen, in twips:
// (screen - window) / 2 in single precision, not made whole and not clamped, so a window larger
// than the screen gets a negative offset.
inline QPointF centredTopLeft(QSizeF screenTwips, QSizeF windowTwips)
{
    const float left = (float(screenTwips.width()) - float(windowTwips.width())) / 2.0f;
    const float top = (float(screenTwips.height()) - float(windowTwips.height())) / 2.0f;
    return QPointF(left, top);
}
