// The Windows start-up floor: a bare Win32 program showing the entry
// window's 28 controls, the same classes at the same places in the same font,
// with nothing behind them: no log, no store, no icon, no caption made to fit.
// It carries the program's manifest, so it gets the same common controls and
// DPI awareness. bench_win32_startup launches it as it launches pintwise.exe.

#include "entry_layout.h"
#include "win32_api.h"
#include "win32_dpi.h"

#include <commctrl.h>

#include <string>

using namespace pintwise;

namespace {

std::wstring wide(const char* text)
{
    return std::wstring(text, text + std::char_traits<char>::length(text)); // every caption is ASCII
}

HWND add(HWND parent, const wchar_t* className, const char* text, DWORD exStyle, DWORD style, TwipsRect box, int dpi,
         HFONT font)
{
    const HWND control = CreateWindowExW(exStyle, className, wide(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0,
                                         0, parent, nullptr, nullptr, nullptr);
    placeControl(control, box, dpi);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return control;
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    INITCOMMONCONTROLSEX controls { sizeof controls, ICC_STANDARD_CLASSES };
    InitCommonControlsEx(&controls);

    WNDCLASSEXW windowClass {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = L"PintwiseStartupFloor";
    RegisterClassExW(&windowClass);
    const HWND window
        = CreateWindowExW(WS_EX_CONTROLPARENT, windowClass.lpszClassName, wide(kEntryWindowTitle).c_str(),
                          WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    const int dpi = dpiOf(window);
    setClientSize(window, kEntryClientArea, dpi);
    const LOGFONTW messageFont = messageFontAt(dpi);
    const HFONT font = CreateFontIndirectW(&messageFont);

    HWND first = nullptr;
    for (const FieldPlacement& row : kEntryFields) {
        add(window, L"STATIC", row.caption, 0, SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE, row.labelBox, dpi, font);
        const HWND edit
            = add(window, L"EDIT", "", WS_EX_CLIENTEDGE, WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, row.box, dpi, font);
        first = first ? first : edit;
    }
    for (const ButtonPlacement& row : kEntryButtonsInTabOrder)
        add(window, L"BUTTON", row.caption, 0, WS_TABSTOP | BS_PUSHBUTTON, row.box, dpi, font);

    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    SetFocus(first);
    MSG message {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    DeleteObject(font);
    return 0;
}
