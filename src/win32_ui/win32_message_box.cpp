#include "win32_message_box.h"

#include "win32_text.h"

namespace pintwise {

MessageBox::Answer Win32MessageBox::show(std::string_view prompt, Buttons buttons, Icon icon, std::string_view title)
{
    const HWND owner = m_owner && IsWindowVisible(m_owner) ? m_owner : nullptr;
    UINT type = buttons == Buttons::YesNo ? MB_YESNO | MB_DEFBUTTON1 : MB_OK;
    if (icon == Icon::Question)
        type |= MB_ICONQUESTION;
    // Before the entry window is up (the start-up question, a log that does
    // not open) no window owns the box; it still holds up the whole program.
    if (!owner)
        type |= MB_TASKMODAL;
    const std::wstring text = wideFromUtf8(prompt);
    const std::wstring caption = wideFromUtf8(title.empty() ? std::string_view(kDefaultTitle) : title);
    if (buttons == Buttons::Ok) {
        MessageBoxW(owner, text.c_str(), caption.c_str(), type);
        return Answer::Ok;
    }
    // Windows offers a Yes/No box no way out but its two buttons. Wine ends
    // one on Escape or its close box all the same; the question is then
    // asked again, as it is still unanswered. A box that cannot be shown at
    // all (0) counts as No, which changes nothing.
    for (;;) {
        const int pressed = MessageBoxW(owner, text.c_str(), caption.c_str(), type);
        if (pressed == IDYES)
            return Answer::Yes;
        if (pressed == IDNO || pressed == 0)
            return Answer::No;
    }
}

} // namespace pintwise
