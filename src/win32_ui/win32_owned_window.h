#pragma once

#include "win32_api.h"

// The window procedure of a window class whose windows each belong to a C++
// object: the object, passed to CreateWindowExW as its creation parameter,
// is given the window in WM_NCCREATE (attach) and then every message
// (handle). Messages before WM_NCCREATE, and after the object let go of the
// window, get Windows' defaults.

namespace pintwise {

template <typename Owner> LRESULT CALLBACK ownedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* owner = static_cast<Owner*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        owner->attach(window);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    }
    auto* owner = reinterpret_cast<Owner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!owner)
        return DefWindowProcW(window, message, wParam, lParam);
    return owner->handle(message, wParam, lParam);
}

} // namespace pintwise
