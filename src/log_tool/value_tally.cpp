#include "value_tally.h"

#include "code_page.h"

namespace pintwise {

void ValueTally::clear()
{
    *this = ValueTally {};
}

void ValueTally::take(char32_t c)
{
    ++m_characters;
    if (c != U' ')
        m_shown = m_characters;
    if (!m_hasLacking && (c == 0 || (c >= 0x80 && !isRepresentable(c)))) {
        m_hasLacking = true;
        m_lacking = c;
    }
}

void ValueTally::add(std::string_view bytes)
{
    if (m_kept.size() < kKeptBytes)
        m_kept.append(bytes.substr(0, kKeptBytes - m_kept.size()));
    for (std::size_t i = 0; i < bytes.size() && m_utf8; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (m_needed == 0) {
            if (byte < 0x80) {
                take(byte);
                continue;
            }
            m_needed = byte >= 0xF0 ? 3 : byte >= 0xE0 ? 2 : byte >= 0xC0 ? 1 : 0;
            m_least = m_needed == 3 ? 0x10000 : m_needed == 2 ? 0x800 : 0x80;
            m_partial = byte & (0x3F >> m_needed);
            m_utf8 = m_needed > 0 && byte <= 0xF4;
            continue;
        }
        if ((byte & 0xC0) != 0x80) {
            m_utf8 = false;
            continue;
        }
        m_partial = (m_partial << 6) | (byte & 0x3F);
        if (--m_needed == 0) {
            m_utf8 = m_partial >= m_least && !(m_partial >= 0xD800 && m_partial <= 0xDFFF) && m_partial <= 0x10FFFF;
            take(m_partial);
        }
    }
}

void ValueTally::finish()
{
    if (m_needed != 0)
        m_utf8 = false;
}

} // namespace pintwise
