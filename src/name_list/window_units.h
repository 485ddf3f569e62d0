#pragma once

#include <QPaintDevice>
#include <QRect>

// The twips both windows' layouts are designed in, as pixels.

namespace pintwise {

// A twip is 1/1440 inch. Converting with the logical DPI (96 at 100% scale:
// 15 twips a pixel) leaves high-DPI scaling to Qt. Each edge is rounded on its
// own, so neighbouring controls never overlap or drift apart by a pixel.
inline QRect twipsToPixels(const QPaintDevice& device, int left, int top, int width, int height)
{
    const auto x = [&](int twips) { return qRound(twips * device.logicalDpiX() / 1440.0); };
    const auto y = [&](int twips) { return qRound(twips * device.logicalDpiY() / 1440.0); };
    const int l = x(left), t = y(top);
    return QRect(l, t, x(left + width) - l, y(top + height) - t);
}

} // namespace pintwise
