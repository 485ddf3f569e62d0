// Cell texts: the escapes, rich text runs and the shared strings part.
// Where the texts go is the sheet reader's.

#include "shared_strings.h"

namespace pintwise {
namespace {

bool isSpace(char16_t c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r') || c == 0x85 || c == 0xA0 || c == 0x1680
        || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

int hexDigit(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// The value of an escape's four characters: hex digits, perhaps after "0x"
// and before white space, as the reader has always taken them.
int escapeValue(std::u16string_view code)
{
    if (isSpace(code.front()) || code.front() == u'+' || code.front() == u'-')
        return -1;
    while (code.back() == u' ' || (code.back() >= u'\t' && code.back() <= u'\r'))
        code.remove_suffix(1);
    if (code.size() > 2 && code[0] == u'0' && (code[1] == u'x' || code[1] == u'X'))
        code.remove_prefix(2);
    int value = 0;
    for (char16_t c : code) {
        const int digit = hexDigit(c);
        if (digit < 0)
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

// libxml2 hands over valid UTF-8 only.
std::u16string utf16Of(std::string_view text)
{
    std::u16string units;
    units.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const int length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? byte : byte & (0x3F >> (length - 1));
        for (int k = 1; k < length && i + std::size_t(k) < text.size(); ++k)
            c = (c << 6) | (static_cast<unsigned char>(text[i + std::size_t(k)]) & 0x3F);
        i += std::size_t(length);
        if (c >= 0x10000) {
            units += char16_t(0xD800 + ((c - 0x10000) >> 10));
            units += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            units += char16_t(c);
        }
    }
    return units;
}

// A surrogate without its other half becomes '?'.
std::string utf8Of(std::u16string_view units)
{
    std::string text;
    text.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
        else if (c >= 0xD800 && c < 0xE000)
            c = '?';
        if (c < 0x80) {
            text += char(c);
        } else if (c < 0x800) {
            text += char(0xC0 | (c >> 6));
            text += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            text += char(0xE0 | (c >> 12));
            text += char(0x80 | ((c >> 6) & 0x3F));
            text += char(0x80 | (c & 0x3F));
        } else {
            text += char(0xF0 | (c >> 18));
            text += char(0x80 | ((c >> 12) & 0x3F));
            text += char(0x80 | ((c >> 6) & 0x3F));
            text += char(0x80 | (c & 0x3F));
        }
    }
    return text;
}

} // namespace

// The escapes are rare, so only a text that has one goes by way of UTF-16,
// where a pair of escaped surrogates makes one character.
std::string unescapedCellText(std::string text)
{
    if (text.find("_x") == std::string::npos)
        return text;
    const std::u16string units = utf16Of(text);
    std::u16string result;
    result.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (units[i] == u'_' && i + 6 < units.size() && units[i + 1] == u'x' && units[i + 6] == u'_') {
            if (const int value = escapeValue(std::u16string_view(units).substr(i + 2, 4)); value >= 0) {
                result += char16_t(value);
                i += 6;
                continue;
            }
        }
        result += units[i];
    }
    return utf8Of(result);
}

void RichText::begin()
{
    m_text.clear();
    m_depth = m_inText = m_phonetic = 0;
}

void RichText::start(std::string_view name)
{
    ++m_depth;
    if (m_inText != 0)
        return;
    if (name == "t" && m_phonetic == 0)
        m_inText = m_depth;
    else if (name == "rPh")
        ++m_phonetic;
}

bool RichText::end(std::string_view name)
{
    if (m_depth == 0)
        return true;
    if (m_inText == m_depth)
        m_inText = 0;
    else if (m_inText == 0 && name == "rPh")
        --m_phonetic;
    --m_depth;
    return false;
}

void RichText::text(std::string_view chars)
{
    if (m_inText != 0)
        m_text.append(chars);
}

void SharedStrings::add(std::string_view text)
{
    m_texts += text;
    m_ends.push_back(std::uint32_t(m_texts.size())); // a part is at most 128 MiB
}

std::string_view SharedStrings::at(std::size_t index) const
{
    const std::uint32_t from = index == 0 ? 0 : m_ends[index - 1];
    return std::string_view(m_texts).substr(from, m_ends[index] - from);
}

bool SharedStringsPart::start(std::string_view name, const XmlAttributes& /*attributes*/)
{
    if (m_inItem) {
        m_text.start(name);
    } else if (name == "si") {
        m_inItem = true;
        m_text.begin();
    }
    return true;
}

bool SharedStringsPart::end(std::string_view name)
{
    if (m_inItem && m_text.end(name)) {
        m_strings.add(m_text.take());
        m_inItem = false;
    }
    return true;
}

void SharedStringsPart::text(std::string_view chars)
{
    if (m_inItem)
        m_text.text(chars);
}

} // namespace pintwise
