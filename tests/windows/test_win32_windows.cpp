// The Win32 windows, driven by window messages as a user's clicks and keys
// arrive: the layout at 96 and 144 dpi, z-order and tab order, the captions,
// the real message boxes, the name list, and one whole session from the
// start-up question to the exit. What the controller decides is proven by
// test_entry_controller; this proves the windows carry it out.

#include "answering_message_box.h"
#include "entry_layout.h"
#include "host_word.h"
#include "temp_folder.h"
#include "typed_entry.h"
#include "win32_api.h"
#include "win32_entry_window.h"
#include "win32_message_box.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace pintwise;
using Answer = MessageBox::Answer;

namespace {

std::string textOf(HWND window)
{
    wchar_t text[512] {};
    const int length = GetWindowTextW(window, text, 512);
    std::string result;
    for (int i = 0; i < length; ++i)
        result += text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
    return result;
}

PixelRect placeOf(HWND control)
{
    RECT r {};
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return { r.left, r.top, r.right - r.left, r.bottom - r.top };
}

PixelRect clientOf(HWND window)
{
    RECT r {};
    GetClientRect(window, &r);
    return { 0, 0, r.right, r.bottom };
}

struct Harness {
    TempFolder folder;
    LogStore store { folder.utf8() };
    AnsweringMessageBox boxes;
    Win32EntryWindow window { store, boxes, GetModuleHandleW(nullptr) };

    explicit Harness(const std::string& log = {}) { folder.write(log); }

    HWND control(const char* name) const { return window.control(name); }
    void click(const char* name, std::initializer_list<Answer> answers = {})
    {
        boxes.script.insert(boxes.script.end(), answers);
        SendMessageW(control(name), BM_CLICK, 0, 0);
        window.processPendingMessages();
    }
    void type(const std::string& name)
    {
        for (const FieldPlacement& row : kEntryFields) {
            const std::u16string text = typedText(name, static_cast<int>(row.field));
            SetWindowTextW(control(row.name), std::wstring(text.begin(), text.end()).c_str());
        }
    }
    std::string asked()
    {
        std::string result;
        for (const std::string& box : boxes.asked)
            result += (result.empty() ? "" : " / ") + box;
        boxes.asked.clear();
        return result;
    }
};

class Win32Layout : public testing::TestWithParam<int> { };

// Every control where the twips table puts it at the window's DPI, every
// caption whole in its font, and the client area 10785 x 6195 twips.
TEST_P(Win32Layout, PlacesEveryControlFromTheTwipsTable)
{
    const int dpi = GetParam();
    Harness h("");
    const HWND window = h.window.window();
    if (dpi != h.window.dpi()) {
        RECT suggested {};
        GetWindowRect(window, &suggested);
        SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    }
    ASSERT_EQ(h.window.dpi(), dpi);
    EXPECT_EQ(clientOf(window), twipsToPixels(kEntryClientArea, dpi, dpi));

    const HDC context = GetDC(window);
    for (const FieldPlacement& row : kEntryFields) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(placeOf(h.control(row.name)), twipsToPixels(row.box, dpi, dpi));
        const HWND label = h.control(row.labelName);
        EXPECT_EQ(placeOf(label), twipsToPixels(row.labelBox, dpi, dpi));
        EXPECT_EQ(textOf(label), row.caption);
        const HGDIOBJ old = SelectObject(context, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
        SIZE extent {};
        const std::wstring caption(row.caption, row.caption + std::char_traits<char>::length(row.caption));
        GetTextExtentPoint32W(context, caption.c_str(), static_cast<int>(caption.size()), &extent);
        SelectObject(context, old);
        EXPECT_LE(extent.cx, placeOf(label).width) << "clipped";
    }
    ReleaseDC(window, context);
    for (const ButtonPlacement& row : kEntryButtons) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(placeOf(h.control(row.name)), twipsToPixels(row.box, dpi, dpi));
        EXPECT_EQ(textOf(h.control(row.name)), row.caption);
        EXPECT_EQ(GetWindowLongPtrW(h.control(row.name), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON) << "no default";
    }
    EXPECT_EQ(textOf(window), "Tapsmith Pintwise");
}

INSTANTIATE_TEST_SUITE_P(Dpi, Win32Layout, testing::Values(96, 144),
                         [](const testing::TestParamInfo<int>& info) { return std::to_string(info.param) + "dpi"; });

// Tab walks the 18 controls in the designed order and wraps; each label
// comes just before its field in z-order, so a screen reader names it.
TEST(Win32EntryWindow, TabOrderAndLabels)
{
    Harness h("");
    const HWND window = h.window.window();
    const char* const order[]
        = { "txtBier",  "txtCountry", "txtLocation", "txtStyle",   "txtTaste",   "txtBrewery", "txtPurchese",
            "txtCost",  "txtColor",   "txtNotes",    "cmdAction0", "cmdAction2", "cmdAction3", "cmdMove0",
            "cmdMove1", "cmdMove2",   "cmdMove3",    "cmdAction1", "txtBier" };
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        EXPECT_EQ(GetNextDlgTabItem(window, h.control(order[i]), FALSE), h.control(order[i + 1])) << order[i];
        EXPECT_EQ(GetNextDlgTabItem(window, h.control(order[i + 1]), TRUE), h.control(order[i])) << order[i + 1];
    }
    for (const FieldPlacement& row : kEntryFields)
        EXPECT_EQ(GetWindow(h.control(row.labelName), GW_HWNDNEXT), h.control(row.name)) << row.labelName;
}

// One session as a user has it, every click a BM_CLICK through the window's
// own message handling.
TEST(Win32EntryWindow, WholeSession)
{
    Harness h("");
    h.boxes.script = { Answer::Yes };
    ASSERT_EQ(h.window.load(), EntryController::LoadResult::Shown);
    EXPECT_EQ(h.asked(), "New file-start entering Biers?|YesNo|None|New file");
    EXPECT_TRUE(IsWindowVisible(h.window.window()));
    EXPECT_EQ(GetFocus(), h.control("txtBier"));
    EXPECT_EQ(textOf(h.control("cmdAction0")) + "/" + textOf(h.control("cmdAction1")), "Save/Cancel");

    h.type("Kellerbier");
    h.click("cmdAction0");
    EXPECT_EQ(h.folder.read(), savedRecord("Kellerbier"));
    EXPECT_EQ(textOf(h.control("cmdAction0")) + "/" + textOf(h.control("cmdAction1")), "New/Delete");
    h.click("cmdAction0");
    h.type("Saison");
    h.click("cmdAction0");
    EXPECT_EQ(h.folder.read(), savedRecord("Kellerbier") + savedRecord("Saison"));

    h.click("cmdAction2");
    const Win32NameList* list = h.window.nameList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(textOf(list->window()), "Bier List");
    ASSERT_EQ(SendMessageW(list->list(), LB_GETCOUNT, 0, 0), 2);
    wchar_t line[32] {};
    SendMessageW(list->list(), LB_GETTEXT, 1, reinterpret_cast<LPARAM>(line));
    EXPECT_EQ(std::wstring(line), L"Saison");
    EXPECT_EQ(placeOf(list->list()), clientOf(list->window()));

    h.click("cmdMove3");
    h.click("cmdMove2");
    EXPECT_EQ(h.asked(), "Already at last record!|Ok|None|");
    h.click("cmdMove0");
    h.click("cmdMove1");
    EXPECT_EQ(h.asked(), "Already at first record!|Ok|None|");
    EXPECT_EQ(textOf(h.control("txtBier")), "Kellerbier          ");

    h.click("cmdAction1", { Answer::Yes });
    EXPECT_EQ(h.asked(), "Delete the log?|YesNo|Question|");
    EXPECT_EQ(h.folder.read(), std::string(380, ' ') + savedRecord("Saison"));

    // Logging off asks too, and No keeps everything; so does the close box.
    h.boxes.script = { Answer::No };
    EXPECT_EQ(SendMessageW(h.window.window(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), FALSE);
    h.boxes.script = { Answer::No };
    SendMessageW(h.window.window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(h.asked(), "Exit - are you sure?|YesNo|Question| / Exit - are you sure?|YesNo|Question|");
    EXPECT_TRUE(IsWindow(h.window.window()));
    EXPECT_TRUE(h.store.isOpen());

    // Exit answered No still closes the list; answered Yes ends it all.
    h.click("cmdAction3", { Answer::No });
    EXPECT_EQ(h.window.nameList(), nullptr);
    h.click("cmdAction2");
    h.boxes.script = { Answer::Yes };
    SendMessageW(h.control("cmdAction3"), BM_CLICK, 0, 0);
    EXPECT_EQ(h.window.window(), nullptr);
    EXPECT_EQ(h.window.nameList(), nullptr);
    EXPECT_FALSE(h.store.isOpen());
    EXPECT_FALSE(h.window.processPendingMessages()) << "the message loop ends";
}

// Keys through the message loop: Space presses the focused button, Enter
// and Escape do nothing anywhere in the entry window.
TEST(Win32EntryWindow, KeysThroughTheMessageLoop)
{
    Harness h(savedRecord("A") + savedRecord("B"));
    ASSERT_EQ(h.window.load(), EntryController::LoadResult::Shown);
    const struct {
        const char* control;
        WPARAM key;
        const char* asked;
    } presses[] = {
        { "cmdMove1", VK_SPACE, "Already at first record!|Ok|None|" },
        { "cmdMove1", VK_RETURN, "" },
        { "cmdMove1", VK_ESCAPE, "" },
        { "txtBier", VK_RETURN, "" },
        { "txtBier", VK_ESCAPE, "" },
    };
    for (const auto& press : presses) {
        SCOPED_TRACE(std::string(press.control) + " " + std::to_string(press.key));
        const HWND target = h.control(press.control);
        SetFocus(target);
        PostMessageW(target, WM_KEYDOWN, press.key, 1);
        PostMessageW(target, WM_KEYUP, press.key, 0xC0000001);
        EXPECT_TRUE(h.window.processPendingMessages());
        EXPECT_EQ(h.asked(), press.asked);
        EXPECT_TRUE(IsWindow(h.window.window()));
    }
}

// A log kept in the host's code page: its letters shown and listed, and
// typed letters saved in it (run again under a Polish and a Russian locale).
TEST(Win32EntryWindow, HostLetters)
{
    const HostWord& word = hostWord();
    const std::string bytes = std::string(word.bytes) + std::string(20 - word.bytes.size(), ' ');
    const std::wstring text(word.text.begin(), word.text.end());
    Harness h(bytes + std::string(360, ' '));
    ASSERT_EQ(h.window.load(), EntryController::LoadResult::Shown);
    wchar_t shown[32] {};
    GetWindowTextW(h.control("txtBier"), shown, 32);
    EXPECT_EQ(std::wstring(shown), text + std::wstring(20 - text.size(), L' '));

    h.click("cmdAction0");
    h.type("Typed");
    SetWindowTextW(h.control("txtBier"), text.c_str());
    h.click("cmdAction0");
    EXPECT_EQ(h.folder.read().substr(380, 20), bytes);

    h.click("cmdAction2");
    const Win32NameList* list = h.window.nameList();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(SendMessageW(list->list(), LB_GETCOUNT, 0, 0), 2);
    for (WPARAM line = 0; line < 2; ++line) {
        wchar_t name[32] {};
        SendMessageW(list->list(), LB_GETTEXT, line, reinterpret_cast<LPARAM>(name));
        EXPECT_EQ(std::wstring(name), text) << line;
    }
}

// The name list fills its client area at every size, and shrinks to nothing
// when minimised.
TEST(Win32NameList, FillsItsClientArea)
{
    Harness h(savedRecord("A"));
    ASSERT_EQ(h.window.load(), EntryController::LoadResult::Shown);
    h.click("cmdAction2");
    const Win32NameList* list = h.window.nameList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(clientOf(list->window()), twipsToPixels(kNameListClientArea, h.window.dpi(), h.window.dpi()));
    for (const SIZE size : { SIZE { 500, 300 }, SIZE { 120, 640 } }) {
        SetWindowPos(list->window(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
        EXPECT_EQ(placeOf(list->list()), clientOf(list->window()));
    }
    ShowWindow(list->window(), SW_MINIMIZE);
    EXPECT_EQ(placeOf(list->list()).width, 0);
    EXPECT_EQ(placeOf(list->list()).height, 0);
}

// The real boxes, read once they are up by a timer that runs inside their
// modal loop, and answered with a click.
struct SeenBox {
    std::string title, text;
    bool icon = false;
    int defaultButton = 0;
};
SeenBox g_seen;
int g_press = 0;
bool g_escapeFirst = false;
bool g_closeFirst = false;

BOOL CALLBACK readBox(HWND box, LPARAM)
{
    wchar_t name[16] {};
    GetClassNameW(box, name, 16);
    if (std::wstring(name) != L"#32770" || !IsWindowVisible(box))
        return TRUE;
    g_seen.title = textOf(box);
    g_seen.text = textOf(GetDlgItem(box, 0xFFFF));
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const auto style = GetWindowLongPtrW(child, GWL_STYLE);
        GetClassNameW(child, name, 16);
        if (std::wstring(name) == L"Static" && (style & SS_TYPEMASK) == SS_ICON
            && SendMessageW(child, STM_GETICON, 0, 0))
            g_seen.icon = true;
        if (std::wstring(name) == L"Button" && (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            g_seen.defaultButton = GetDlgCtrlID(child);
    }
    // Escape first, as a user would try it: the answer tells whether it counted.
    if (g_escapeFirst || g_closeFirst) {
        SendMessageW(box, g_escapeFirst ? WM_COMMAND : WM_CLOSE, g_escapeFirst ? IDCANCEL : 0, 0);
        g_escapeFirst = g_closeFirst = false;
    }
    PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(g_press), 0);
    return FALSE;
}

void CALLBACK answerBox(HWND, UINT, UINT_PTR, DWORD)
{
    EnumThreadWindows(GetCurrentThreadId(), readBox, 0);
}

struct BoxCase {
    const char* name;
    MessageBox::Buttons buttons;
    MessageBox::Icon icon;
    const char* title;
    int press;
    Answer answer;
    const char* shownTitle;
    bool icon_shown;
    int defaultButton;
    bool escapeFirst; // a question can only be answered: Escape and the
    bool closeFirst;  // close box do nothing, the click after them counts
};

const BoxCase kBoxes[] = {
    { "NoticeCarriesTheProgramsTitle", MessageBox::Buttons::Ok, MessageBox::Icon::None, "", IDOK, Answer::Ok,
      "Pintwise", false, IDOK, false, false },
    { "QuestionYesIsDefault", MessageBox::Buttons::YesNo, MessageBox::Icon::Question, "", IDYES, Answer::Yes,
      "Pintwise", true, IDYES, false, false },
    { "QuestionIgnoresEscape", MessageBox::Buttons::YesNo, MessageBox::Icon::Question, "", IDYES, Answer::Yes,
      "Pintwise", true, IDYES, true, false },
    { "QuestionIgnoresTheCloseBox", MessageBox::Buttons::YesNo, MessageBox::Icon::Question, "", IDYES, Answer::Yes,
      "Pintwise", true, IDYES, false, true },
    { "StartUpQuestionAnsweredNo", MessageBox::Buttons::YesNo, MessageBox::Icon::None, "New file", IDNO, Answer::No,
      "New file", false, IDYES, false, false },
};

void PrintTo(const BoxCase& box, std::ostream* out)
{
    *out << box.name;
}

class Win32Boxes : public testing::TestWithParam<BoxCase> { };

TEST_P(Win32Boxes, ShowWhatWasAsked)
{
    const BoxCase& c = GetParam();
    g_seen = {};
    g_press = c.press;
    g_escapeFirst = c.escapeFirst;
    g_closeFirst = c.closeFirst;
    // A window destroyed by an earlier test leaves its WM_QUIT behind, which
    // would end the box's modal loop at once.
    MSG pending {};
    while (PeekMessageW(&pending, nullptr, 0, 0, PM_REMOVE)) { }
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, answerBox);
    Win32MessageBox boxes;
    const Answer answer = boxes.show("Exit - are you sure?", c.buttons, c.icon, c.title);
    KillTimer(nullptr, timer);
    EXPECT_EQ(answer, c.answer);
    EXPECT_EQ(g_seen.title, c.shownTitle);
    EXPECT_EQ(g_seen.text, "Exit - are you sure?");
    EXPECT_EQ(g_seen.icon, c.icon_shown);
    EXPECT_EQ(g_seen.defaultButton, c.defaultButton);
}

INSTANTIATE_TEST_SUITE_P(Boxes, Win32Boxes, testing::ValuesIn(kBoxes),
                         [](const testing::TestParamInfo<BoxCase>& info) { return std::string(info.param.name); });

} // namespace

int main(int argc, char** argv)
{
    // As pintwise.exe's manifest declares: the windows scale themselves.
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
