#pragma once

#include <string>
#include <string_view>

// UTF-8 on its way to a Windows console, which takes UTF-16 (WriteConsoleW)
// so that every character shows whatever the console's code page. Text
// arrives in buffers that may end inside a character: the start of one is
// kept until its rest comes. Bytes that are no UTF-8 show as U+FFFD. This
// converts only; whether a handle is a console, and the writing, are the
// file layer's.

namespace pintwise {

class ConsoleText {
public:
    // The UTF-16 of what was kept and `bytes`, up to the last whole
    // character; a character's start at the end is kept for the next call.
    std::wstring take(std::string_view bytes);

private:
    std::string m_pending;
};

} // namespace pintwise
