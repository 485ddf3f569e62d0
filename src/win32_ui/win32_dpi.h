#pragma once

#include "entry_layout.h"

#include "win32_api.h"

// Twips and fonts at a window's own DPI. The program declares per-monitor
// awareness (v2), so Windows scales nothing itself: every window lays itself
// out again from the twips tables whenever its DPI changes.

namespace pintwise {

int dpiOf(HWND window);

// The system's message font, as Windows would show it at `dpi`.
LOGFONTW messageFontAt(int dpi);
double pointSizeOf(const LOGFONTW& font, int dpi);
// A font like `font` at another point size; the caller deletes it.
HFONT createFontAt(LOGFONTW font, double pointSize, int dpi);

void placeControl(HWND control, TwipsRect twips, int dpi);
// WM_DPICHANGED: moves the window to the place Windows suggests; its size
// comes from the layout at the new DPI.
void moveToSuggestedPlace(HWND window, LPARAM suggested);
// Keeps the window where it is and makes its client area `client` twips.
void setClientSize(HWND window, TwipsRect client, int dpi);

} // namespace pintwise
