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
    const int pressed = MessageBoxW(owner, text.c_str(), caption.c_str(), type);
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return pressed == IDYES ? Answer::Yes : Answer::No;
}

} // namespace pintwise
