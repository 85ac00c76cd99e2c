#pragma once

#include <QColor>
#include <cstdint>

// Colours cross the display interfaces as 0x00BBGGRR: red in the low byte.
inline QColor colorFromBgr(std::uint32_t bgr)
{
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

inline std::uint32_t bgrFromColor(const QColor &c)
{
    return static_cast<std::uint32_t>(c.red()) | static_cast<std::uint32_t>(c.green()) << 8 |
           static_cast<std::uint32_t>(c.blue()) << 16;
}

// Black or white, whichever reads better on the background.
inline QColor textColorOn(const QColor &background)
{
    const int luma =
        (299 * background.red() + 587 * background.green() + 114 * background.blue()) / 1000;
    return luma >= 140 ? QColor(Qt::black) : QColor(Qt::white);
}
