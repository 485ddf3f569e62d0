#pragma once

#include "log_store.h"

#include "win32_api.h"

// frmBierList on Win32: one list box of every name, in record order, that
// always fills the client area (and shrinks to nothing when the window is
// minimised). It offers no commands and shows no message: a read error goes
// back to whoever asked for the filling. Closing it destroys the window; the
// object then reports isOpen() false and can be dropped.

namespace pintwise {

class Win32NameList {
public:
    explicit Win32NameList(HINSTANCE instance);
    ~Win32NameList();
    Win32NameList(const Win32NameList&) = delete;
    Win32NameList& operator=(const Win32NameList&) = delete;

    // Reads records 1 to the record count once, with the list's drawing off.
    [[nodiscard]] Status fill(LogStore& store);
    void show();
    // Restores it if minimised and brings it to the front.
    void bringForward();
    void close();

    bool isOpen() const { return m_window != nullptr; }
    HWND window() const { return m_window; }
    HWND list() const { return m_list; }

private:
    template <typename Owner> friend LRESULT CALLBACK ownedWindowProc(HWND, UINT, WPARAM, LPARAM);
    void attach(HWND window) { m_window = window; }
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void layOut(int dpi);

    HWND m_window = nullptr;
    HWND m_list = nullptr;
    HFONT m_font = nullptr;
};

} // namespace pintwise
