#include "win32_console.h"

#include "win32_api.h"

#include <algorithm>

namespace pintwise {
namespace {

// How many bytes at the end of `text` start a character that is not all
// there yet: 0 when the text ends on a whole one (or on bytes no
// character can complete, which convert to U+FFFD now).
std::size_t unfinishedTail(std::string_view text)
{
    const std::size_t look = std::min<std::size_t>(text.size(), 3);
    for (std::size_t back = 1; back <= look; ++back) {
        const auto byte = static_cast<unsigned char>(text[text.size() - back]);
        if ((byte & 0xC0) == 0x80)
            continue; // a continuation byte: its lead is further back
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back && byte < 0xF8 ? back : 0;
    }
    return 0;
}

} // namespace

std::wstring ConsoleText::take(std::string_view bytes)
{
    m_pending.append(bytes);
    const std::size_t whole = m_pending.size() - unfinishedTail(m_pending);
    std::wstring wide;
    if (whole > 0) {
        const int length = MultiByteToWideChar(CP_UTF8, 0, m_pending.data(), static_cast<int>(whole), nullptr, 0);
        wide.resize(static_cast<std::size_t>(length > 0 ? length : 0));
        MultiByteToWideChar(CP_UTF8, 0, m_pending.data(), static_cast<int>(whole), wide.data(), length);
    }
    m_pending.erase(0, whole);
    return wide;
}

} // namespace pintwise
