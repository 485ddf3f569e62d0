// JsonScanner's tokens: white space, literals, numbers and strings with
// their escapes, each failing with the wording and place the tool has always
// given. What the tokens make up is json_reader.cpp's.

#include "json_scanner.h"

#include "record_text.h"

#include <algorithm>

namespace pintwise {

bool JsonScanner::fail(const char* what)
{
    if (!m_syntax) {
        m_syntax = what;
        m_errorAt = std::min(m_at, m_text.size());
    }
    return false;
}

bool JsonScanner::literal(std::string_view rest)
{
    if (m_text.size() - m_at <= rest.size() || m_text.substr(m_at, rest.size()) != rest)
        return fail("illegal value");
    m_at += rest.size();
    return true;
}

bool JsonScanner::digits()
{
    const std::size_t start = m_at;
    while (m_at < m_text.size() && m_text[m_at] >= '0' && m_text[m_at] <= '9')
        ++m_at;
    return m_at > start;
}

bool JsonScanner::parseNumber()
{
    if (m_at < m_text.size() && m_text[m_at] == '-')
        ++m_at;
    // Either side of the point may be empty ("1.", ".5"), as the tool
    // has always read numbers, not both.
    bool any = false;
    if (m_at < m_text.size() && m_text[m_at] == '0') {
        ++m_at;
        any = true;
    } else {
        any = digits();
    }
    if (m_at < m_text.size() && m_text[m_at] == '.') {
        ++m_at;
        any = digits() || any;
    }
    if (!any)
        return fail(m_at >= m_text.size() ? "invalid termination by number" : "illegal number");
    if (m_at < m_text.size() && (m_text[m_at] == 'e' || m_text[m_at] == 'E')) {
        ++m_at;
        if (m_at < m_text.size() && (m_text[m_at] == '+' || m_text[m_at] == '-'))
            ++m_at;
        if (!digits())
            return fail(m_at >= m_text.size() ? "invalid termination by number" : "illegal number");
    }
    if (m_at >= m_text.size())
        return fail("invalid termination by number");
    return true;
}

bool JsonScanner::hex4(char32_t& value)
{
    if (m_text.size() - m_at < 4)
        return false;
    value = 0;
    for (int i = 0; i < 4; ++i) {
        const char c = m_text[m_at++];
        const int digit = c >= '0' && c <= '9' ? c - '0'
            : c >= 'a' && c <= 'f'             ? c - 'a' + 10
            : c >= 'A' && c <= 'F'             ? c - 'A' + 10
                                               : -1;
        if (digit < 0)
            return false;
        value = value * 16 + char32_t(digit);
    }
    return true;
}

bool JsonScanner::parseString(std::string& out)
{
    out.clear();
    for (;;) {
        const std::size_t run = m_at;
        while (m_at < m_text.size() && m_text[m_at] != '"' && m_text[m_at] != '\\')
            ++m_at;
        const std::string_view raw = m_text.substr(run, m_at - run);
        if (!codePointsFromUtf8(raw, m_scratch)) {
            m_at = run;
            return fail("invalid UTF8 string");
        }
        out += raw;
        if (m_at >= m_text.size())
            return fail("unterminated string");
        // A closing quote that ends the text leaves the document unfinished.
        if (m_text[m_at++] == '"')
            return m_at < m_text.size() || fail("unterminated string");
        if (m_at >= m_text.size())
            return fail("unterminated string");
        const char escape = m_text[m_at++];
        char32_t c = 0;
        switch (escape) {
        case '"':
        case '\\':
        case '/':
            c = char32_t(escape);
            break;
        case 'b':
            c = U'\b';
            break;
        case 'f':
            c = U'\f';
            break;
        case 'n':
            c = U'\n';
            break;
        case 'r':
            c = U'\r';
            break;
        case 't':
            c = U'\t';
            break;
        case 'u':
            if (!hex4(c))
                return fail("invalid escape sequence");
            if (c >= 0xD800 && c <= 0xDBFF && m_text.substr(m_at, 2) == "\\u") {
                const std::size_t back = m_at;
                m_at += 2;
                char32_t low = 0;
                if (hex4(low) && low >= 0xDC00 && low <= 0xDFFF)
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                else
                    m_at = back;
            }
            break;
        default:
            // Any other character after a backslash stands for itself.
            if (static_cast<unsigned char>(escape) >= 0x80)
                return fail("invalid UTF8 string");
            --m_at;
            continue;
        }
        appendGeneralizedUtf8(out, c);
    }
}

void JsonScanner::appendGeneralizedUtf8(std::string& out, char32_t c)
{
    if (c < 0xD800 || c > 0xDFFF)
        return appendUtf8(out, c);
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
}

} // namespace pintwise
