#include "win32_dpi.h"

#include <cmath>

namespace pintwise {

int dpiOf(HWND window)
{
    const UINT dpi = GetDpiForWindow(window);
    return dpi ? static_cast<int>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

LOGFONTW messageFontAt(int dpi)
{
    NONCLIENTMETRICSW metrics {};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0, static_cast<UINT>(dpi))) {
        // Nothing to go by: Windows' own default, 9 points.
        LOGFONTW fallback {};
        fallback.lfHeight = -MulDiv(9, dpi, 72);
        lstrcpynW(fallback.lfFaceName, L"Segoe UI", LF_FACESIZE);
        return fallback;
    }
    return metrics.lfMessageFont;
}

double pointSizeOf(const LOGFONTW& font, int dpi)
{
    return std::abs(font.lfHeight) * 72.0 / dpi;
}

HFONT createFontAt(LOGFONTW font, double pointSize, int dpi)
{
    font.lfHeight = -static_cast<LONG>(std::lround(pointSize * dpi / 72.0));
    font.lfWidth = 0;
    return CreateFontIndirectW(&font);
}

void placeControl(HWND control, TwipsRect twips, int dpi)
{
    const PixelRect r = twipsToPixels(twips, dpi, dpi);
    SetWindowPos(control, nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void moveToSuggestedPlace(HWND window, LPARAM suggested)
{
    const auto* place = reinterpret_cast<const RECT*>(suggested);
    SetWindowPos(window, nullptr, place->left, place->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void setClientSize(HWND window, TwipsRect client, int dpi)
{
    // The frame as the window has it now: by the time a window hears of a
    // new DPI, Windows has already drawn its frame for it.
    const PixelRect size = twipsToPixels(client, dpi, dpi);
    RECT outer {}, inner {};
    GetWindowRect(window, &outer);
    GetClientRect(window, &inner);
    const int frameWidth = (outer.right - outer.left) - inner.right;
    const int frameHeight = (outer.bottom - outer.top) - inner.bottom;
    SetWindowPos(window, nullptr, 0, 0, size.width + frameWidth, size.height + frameHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace pintwise
