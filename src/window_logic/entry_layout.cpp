#include "entry_layout.h"

#include <cmath>

namespace pintwise {

PixelRect twipsToPixels(TwipsRect twips, int dpiX, int dpiY)
{
    const auto x = [&](int t) { return static_cast<int>(std::lround(t * dpiX / 1440.0)); };
    const auto y = [&](int t) { return static_cast<int>(std::lround(t * dpiY / 1440.0)); };
    const int left = x(twips.left), top = y(twips.top);
    return { left, top, x(twips.left + twips.width) - left, y(twips.top + twips.height) - top };
}

} // namespace pintwise
