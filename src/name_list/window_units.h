#pragma once

#include "entry_layout.h"

#include <QPaintDevice>
#include <QRect>

// The twips both windows' layouts are designed in, as Qt pixels.

namespace pintwise {

// Converting with the logical DPI (96 at 100% scale: 15 twips a pixel)
// leaves high-DPI scaling to Qt.
inline QRect twipsToPixels(const QPaintDevice& device, TwipsRect twips)
{
    const PixelRect r = twipsToPixels(twips, device.logicalDpiX(), device.logicalDpiY());
    return QRect(r.left, r.top, r.width, r.height);
}

inline QRect twipsToPixels(const QPaintDevice& device, int left, int top, int width, int height)
{
    return twipsToPixels(device, TwipsRect { left, top, width, height });
}

} // namespace pintwise
