#pragma once

#include "message_box.h"

#include "win32_api.h"

// The real boxes, MessageBoxW, modal to the entry window while it is on
// screen. In a Yes/No box Yes is the default button, and since the box has
// no Cancel button Windows itself lets it be answered only Yes or No:
// Escape and the close box do nothing.

namespace pintwise {

class Win32MessageBox final : public MessageBox {
public:
    void setOwner(HWND window) { m_owner = window; }

    Answer show(std::string_view prompt, Buttons buttons, Icon icon, std::string_view title) override;

private:
    HWND m_owner = nullptr;
};

} // namespace pintwise
