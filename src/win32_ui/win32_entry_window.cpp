#include "win32_entry_window.h"

#include "entry_layout.h"
#include "win32_dpi.h"
#include "win32_owned_window.h"
#include "win32_text.h"

#include <commctrl.h>

namespace pintwise {
namespace {

constexpr wchar_t kClassName[] = L"PintwiseEntryWindow";
// A fixed frame with a minimise box: the controls keep their places.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
// The dialog manager walks the controls' tab stops as it does in a dialog.
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;

// Control identifiers, clear of IDOK and IDCANCEL, which the dialog manager
// sends for Enter and Escape.
constexpr int kFirstFieldId = 100, kFirstLabelId = 200, kFirstActionId = 300, kFirstMoveId = 310;

void deleteFont(HFONT& font)
{
    if (font)
        DeleteObject(font);
    font = nullptr;
}

} // namespace

Win32EntryWindow::Win32EntryWindow(LogStore& store, MessageBox& messages, HINSTANCE instance)
    : m_controller(store, messages, *this)
    , m_instance(instance)
{
    WNDCLASSEXW windowClass {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &ownedWindowProc<Win32EntryWindow>;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(
        instance, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass); // a second window's registration fails harmlessly

    const std::wstring title = wideFromUtf8(kEntryWindowTitle);
    CreateWindowExW(kExStyle, kClassName, title.c_str(), kStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                    CW_USEDEFAULT, nullptr, nullptr, instance, this);
    if (!m_window)
        return;
    createControls(instance);
    layOut(dpiOf(m_window));
}

Win32EntryWindow::~Win32EntryWindow()
{
    m_nameList.reset();
    if (m_window)
        DestroyWindow(m_window);
    deleteFont(m_font);
    for (HFONT& font : m_labelFonts)
        deleteFont(font);
}

void Win32EntryWindow::createControls(HINSTANCE instance)
{
    // Z-order is creation order: each label just before its field, the
    // fields in tab order, then the buttons in tab order.
    for (std::size_t i = 0; i < kEntryFields.size(); ++i) {
        const FieldPlacement& row = kEntryFields[i];
        const std::wstring caption = wideFromUtf8(row.caption);
        m_labels[i] = CreateWindowExW(
            0, L"STATIC", caption.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE, 0, 0, 0, 0,
            m_window, reinterpret_cast<HMENU>(INT_PTR { kFirstLabelId + static_cast<int>(i) }), instance, nullptr);
        const auto index = static_cast<std::size_t>(row.field);
        const HWND edit = CreateWindowExW(
            WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, 0, 0, 0, 0,
            m_window, reinterpret_cast<HMENU>(INT_PTR { kFirstFieldId + static_cast<int>(index) }), instance, nullptr);
        SendMessageW(edit, EM_SETLIMITTEXT, 0, 0); // no length limit: the store cuts on saving
        m_fields[index] = edit;
    }
    for (const ButtonPlacement& row : kEntryButtonsInTabOrder) {
        const std::wstring caption = wideFromUtf8(row.caption);
        const int id = (row.array == ButtonArray::Action ? kFirstActionId : kFirstMoveId) + row.index;
        const HWND button
            = CreateWindowExW(0, L"BUTTON", caption.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0,
                              0, 0, m_window, reinterpret_cast<HMENU>(INT_PTR { id }), instance, nullptr);
        for (std::size_t i = 0; i < kEntryButtons.size(); ++i) {
            if (kEntryButtons[i].array == row.array && kEntryButtons[i].index == row.index)
                m_buttons[i] = button;
        }
    }
}

void Win32EntryWindow::layOut(int dpi)
{
    m_dpi = dpi;
    setClientSize(m_window, kEntryClientArea, dpi);

    const LOGFONTW messageFont = messageFontAt(dpi);
    const HFONT font = CreateFontIndirectW(&messageFont);
    const double pointSize = pointSizeOf(messageFont, dpi);
    const HDC context = GetDC(m_window);

    for (std::size_t i = 0; i < kEntryFields.size(); ++i) {
        const FieldPlacement& row = kEntryFields[i];
        placeControl(m_fields[static_cast<std::size_t>(row.field)], row.box, dpi);
        placeControl(m_labels[i], row.labelBox, dpi);
        SendMessageW(m_fields[static_cast<std::size_t>(row.field)], WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);

        // A caption too wide for its fixed label is drawn a little smaller.
        const std::wstring caption = wideFromUtf8(row.caption);
        const int width = twipsToPixels(row.labelBox, dpi, dpi).width;
        const double fitting = pointSizeToFit(pointSize, width, [&](double size) {
            const HFONT trial = createFontAt(messageFont, size, dpi);
            const HGDIOBJ old = SelectObject(context, trial);
            SIZE extent {};
            GetTextExtentPoint32W(context, caption.c_str(), static_cast<int>(caption.size()), &extent);
            SelectObject(context, old);
            DeleteObject(trial);
            return static_cast<int>(extent.cx);
        });
        deleteFont(m_labelFonts[i]);
        if (fitting < pointSize)
            m_labelFonts[i] = createFontAt(messageFont, fitting, dpi);
        SendMessageW(m_labels[i], WM_SETFONT, reinterpret_cast<WPARAM>(m_labelFonts[i] ? m_labelFonts[i] : font), TRUE);
    }
    ReleaseDC(m_window, context);

    for (std::size_t i = 0; i < kEntryButtons.size(); ++i) {
        placeControl(m_buttons[i], kEntryButtons[i].box, dpi);
        SendMessageW(m_buttons[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    deleteFont(m_font);
    m_font = font;
}

HWND Win32EntryWindow::control(std::string_view name) const
{
    for (std::size_t i = 0; i < kEntryFields.size(); ++i) {
        if (name == kEntryFields[i].name)
            return m_fields[static_cast<std::size_t>(kEntryFields[i].field)];
        if (name == kEntryFields[i].labelName)
            return m_labels[i];
    }
    for (std::size_t i = 0; i < kEntryButtons.size(); ++i) {
        if (name == kEntryButtons[i].name)
            return m_buttons[i];
    }
    return nullptr;
}

const Win32NameList* Win32EntryWindow::nameList() const
{
    return m_nameList && m_nameList->isOpen() ? m_nameList.get() : nullptr;
}

std::u16string Win32EntryWindow::fieldText(Field field) const
{
    const HWND edit = m_fields[static_cast<std::size_t>(field)];
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
    return utf16FromWide(text);
}

void Win32EntryWindow::setFieldText(Field field, std::u16string_view text)
{
    const HWND edit = m_fields[static_cast<std::size_t>(field)];
    SetWindowTextW(edit, wideFromUtf16(text).c_str());
    SendMessageW(edit, EM_SETSEL, 0, 0); // show the start of a long note, not its end
    SendMessageW(edit, EM_SCROLLCARET, 0, 0);
}

void Win32EntryWindow::setActionCaption(int index, std::string_view caption)
{
    SetWindowTextW(m_buttons[static_cast<std::size_t>(index)], wideFromUtf8(caption).c_str());
}

void Win32EntryWindow::showWindow()
{
    ShowWindow(m_window, SW_SHOWNORMAL);
    UpdateWindow(m_window);
    SetFocus(m_fields[static_cast<std::size_t>(Field::Bier)]);
}

void Win32EntryWindow::requestClose()
{
    SendMessageW(m_window, WM_CLOSE, 0, 0);
}

Status Win32EntryWindow::openNameList(LogStore& store)
{
    if (nameList()) {
        m_nameList->bringForward();
        return {};
    }
    m_nameList = std::make_unique<Win32NameList>(m_instance);
    Status failure = m_nameList->fill(store);
    m_nameList->show();
    return failure;
}

void Win32EntryWindow::closeNameList()
{
    if (m_nameList)
        m_nameList->close();
}

LRESULT Win32EntryWindow::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (HIWORD(wParam) != BN_CLICKED || lParam == 0)
            break; // Enter and Escape come as IDOK and IDCANCEL with no control: nothing to do
        if (id >= kFirstActionId && id < kFirstActionId + 4)
            m_controller.actionClicked(id - kFirstActionId);
        else if (id >= kFirstMoveId && id < kFirstMoveId + 4)
            m_controller.moveClicked(id - kFirstMoveId);
        return 0;
    }
    case WM_CLOSE: // the close box, Alt+F4, the system menu, the Exit button
        if (m_controller.closeRequested())
            DestroyWindow(m_window);
        return 0;
    case WM_QUERYENDSESSION: // logging off or shutting down asks the same question
        m_agreedToEnd = m_controller.closeRequested();
        return m_agreedToEnd ? TRUE : FALSE;
    case WM_ENDSESSION:
        // Once the user said Yes the log is closed, whether or not the
        // session then really ends.
        if (m_agreedToEnd)
            DestroyWindow(m_window);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
            m_focus = GetFocus();
        else if (m_focus && IsChild(m_window, m_focus))
            SetFocus(m_focus);
        return 0;
    case WM_CTLCOLORSTATIC:
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_DPICHANGED:
        moveToSuggestedPlace(m_window, lParam);
        layOut(LOWORD(wParam));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY: {
        const HWND window = m_window;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        m_window = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    default:
        break;
    }
    return DefWindowProcW(m_window, message, wParam, lParam);
}

bool Win32EntryWindow::dispatch(MSG& message)
{
    // Enter and Escape would otherwise press a focused button or beep.
    const bool enterOrEscape = (message.message == WM_KEYDOWN || message.message == WM_CHAR)
        && (message.wParam == VK_RETURN || message.wParam == VK_ESCAPE);
    if (enterOrEscape && m_window && (message.hwnd == m_window || IsChild(m_window, message.hwnd)))
        return true;
    const HWND top = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (top && IsDialogMessageW(top, &message))
        return true;
    TranslateMessage(&message);
    DispatchMessageW(&message);
    return true;
}

int Win32EntryWindow::runMessageLoop()
{
    MSG message {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        dispatch(message);
    return static_cast<int>(message.wParam);
}

bool Win32EntryWindow::processPendingMessages()
{
    MSG message {};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT)
            return false;
        dispatch(message);
    }
    return true;
}

} // namespace pintwise
