#include "win32_name_list.h"

#include "entry_layout.h"
#include "name_list_lines.h"
#include "win32_dpi.h"
#include "win32_owned_window.h"
#include "win32_text.h"

namespace pintwise {
namespace {

constexpr wchar_t kClassName[] = L"PintwiseNameList";

void registerClass(HINSTANCE instance, WNDPROC windowProc)
{
    WNDCLASSEXW windowClass {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass); // a second registration fails harmlessly
}

} // namespace

Win32NameList::Win32NameList(HINSTANCE instance)
{
    registerClass(instance, &ownedWindowProc<Win32NameList>);
    const std::wstring title = wideFromUtf8(kNameListTitle);
    CreateWindowExW(0, kClassName, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                    CW_USEDEFAULT, nullptr, nullptr, instance, this);
    if (!m_window)
        return;

    // No LBS_SORT: the lines stay in record order. No integral height, so
    // the list fills the client area to the last pixel.
    m_list = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", nullptr,
                             WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY, 0, 0,
                             0, 0, m_window, nullptr, instance, nullptr);
    layOut(dpiOf(m_window));
}

Win32NameList::~Win32NameList()
{
    close();
}

Status Win32NameList::fill(LogStore& store)
{
    // Drawing off while 32,767 lines go in, and the storage asked for once.
    SendMessageW(m_list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(m_list, LB_INITSTORAGE, static_cast<WPARAM>(store.recordCount()),
                 static_cast<LPARAM>(store.recordCount()) * 21 * sizeof(wchar_t));
    std::wstring line;
    Status failure = readNames(store, [&](std::u16string_view name) {
        line.assign(name.begin(), name.end()); // LB_ADDSTRING wants it ended by a zero
        SendMessageW(m_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    });
    SendMessageW(m_list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(m_list, nullptr, TRUE);
    return failure;
}

void Win32NameList::show()
{
    ShowWindow(m_window, SW_SHOWNORMAL);
    UpdateWindow(m_window);
}

void Win32NameList::bringForward()
{
    if (IsIconic(m_window))
        ShowWindow(m_window, SW_RESTORE);
    SetForegroundWindow(m_window);
}

void Win32NameList::close()
{
    if (m_window)
        DestroyWindow(m_window); // WM_NCDESTROY forgets the handles
}

void Win32NameList::layOut(int dpi)
{
    setClientSize(m_window, kNameListClientArea, dpi);
    RECT client {};
    GetClientRect(m_window, &client);
    MoveWindow(m_list, 0, 0, client.right, client.bottom, TRUE);
    const LOGFONTW logFont = messageFontAt(dpi);
    const HFONT font = CreateFontIndirectW(&logFont);
    SendMessageW(m_list, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (m_font)
        DeleteObject(m_font);
    m_font = font;
}

LRESULT Win32NameList::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        // A minimised window reports a client area of 0 x 0: so is the list.
        MoveWindow(m_list, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_DPICHANGED:
        moveToSuggestedPlace(m_window, lParam);
        layOut(LOWORD(wParam));
        return 0;
    case WM_NCDESTROY: {
        const HWND window = m_window;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        m_window = nullptr;
        m_list = nullptr;
        if (m_font)
            DeleteObject(m_font);
        m_font = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    default:
        return DefWindowProcW(m_window, message, wParam, lParam);
    }
}

} // namespace pintwise
