#pragma once

#include "entry_controller.h"
#include "entry_view.h"
#include "log_store.h"
#include "message_box.h"
#include "win32_name_list.h"

#include "win32_api.h"

#include <array>
#include <memory>
#include <string_view>

// frmBier on Win32: ten labelled edit controls, the cmdAction and cmdMove
// push buttons, placed from the shared twips table at the window's DPI and
// placed again whenever it changes. Each label comes just before its field
// in z-order, so a screen reader names the field by it; the buttons follow
// in tab order, which the dialog manager's Tab keys walk. Every click and
// close request goes to the EntryController it owns; the window itself
// decides nothing and never touches the log.

namespace pintwise {

class Win32EntryWindow final : private EntryView {
public:
    Win32EntryWindow(LogStore& store, MessageBox& messages, HINSTANCE instance);
    ~Win32EntryWindow() override;
    Win32EntryWindow(const Win32EntryWindow&) = delete;
    Win32EntryWindow& operator=(const Win32EntryWindow&) = delete;

    EntryController::LoadResult load() { return m_controller.load(); }

    HWND window() const { return m_window; }
    // A field, label or button by its name in the layout table ("txtBier",
    // "lblNote", "cmdAction0"); null for any other name.
    HWND control(std::string_view name) const;
    // The open name list, or null.
    const Win32NameList* nameList() const;
    int dpi() const { return m_dpi; }

    // Runs the program's message loop until the entry window is gone: Tab
    // and Shift+Tab move the focus, Space presses the focused button, and
    // Enter and Escape do nothing, since no button is the default or the
    // cancel button. Returns the code PostQuitMessage was given.
    int runMessageLoop();
    // The same for messages already queued, without waiting: for tests.
    bool processPendingMessages();

private:
    template <typename Owner> friend LRESULT CALLBACK ownedWindowProc(HWND, UINT, WPARAM, LPARAM);
    void attach(HWND window) { m_window = window; }
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool dispatch(MSG& message);
    void createControls(HINSTANCE instance);
    void layOut(int dpi);

    // EntryView
    std::u16string fieldText(Field field) const override;
    void setFieldText(Field field, std::u16string_view text) override;
    void setActionCaption(int index, std::string_view caption) override;
    void showWindow() override;
    void requestClose() override;
    [[nodiscard]] Status openNameList(LogStore& store) override;
    void closeNameList() override;

    EntryController m_controller;
    HINSTANCE m_instance;
    HWND m_window = nullptr;
    std::array<HWND, kFieldCount> m_fields {}; // indexed by Field
    std::array<HWND, kFieldCount> m_labels {}; // in the layout table's order
    std::array<HWND, 8> m_buttons {};          // in the layout table's order
    HFONT m_font = nullptr;
    std::array<HFONT, kFieldCount> m_labelFonts {}; // a smaller font where a caption would be clipped
    int m_dpi = USER_DEFAULT_SCREEN_DPI;
    HWND m_focus = nullptr; // given back when the window is active again
    bool m_agreedToEnd = false;
    std::unique_ptr<Win32NameList> m_nameList;
};

} // namespace pintwise
