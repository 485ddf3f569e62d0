#include "record_text.h"

#include "byte_scan.h"
#include "code_page.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace pintwise {
namespace {

bool isSurrogate(char32_t c)
{
    return c >= 0xD800 && c <= 0xDFFF;
}

// Writes `c` as UTF-8 at `put`; returns the end.
char* putUtf8(char* put, char32_t c)
{
    const auto byte = [&](char32_t value) { *put++ = static_cast<char>(value); };
    if (c < 0x80) {
        byte(c);
        return put;
    }
    if (isSurrogate(c) || c > 0x10FFFF)
        c = 0xFFFD;
    if (c < 0x800) {
        byte(0xC0 | (c >> 6));
    } else if (c < 0x10000) {
        byte(0xE0 | (c >> 12));
        byte(0x80 | ((c >> 6) & 0x3F));
    } else {
        byte(0xF0 | (c >> 18));
        byte(0x80 | ((c >> 12) & 0x3F));
        byte(0x80 | ((c >> 6) & 0x3F));
    }
    byte(0x80 | (c & 0x3F));
    return put;
}

} // namespace

std::span<const unsigned char> shownBytes(const Record& record, Field field, TrailingSpaces trailing)
{
    std::span<const unsigned char> bytes = record.fieldBytes(field);
    return trailing == TrailingSpaces::Trim ? byte_scan::withoutTrailingSpaces(bytes) : bytes;
}

void fieldText16(const Record& record, Field field, TrailingSpaces trailing, std::u16string& result)
{
    const auto bytes = shownBytes(record, field, trailing);
    // Every character of a code page is one UTF-16 unit: no allocation once
    // `result` has grown, and one table lookup a byte.
    result.resize(bytes.size());
    std::transform(bytes.begin(), bytes.end(), result.begin(),
                   [&characters = codePageInUse().characters()](unsigned char byte) { return characters[byte]; });
}

std::u16string fieldText16(const Record& record, Field field, TrailingSpaces trailing)
{
    std::u16string text;
    fieldText16(record, field, trailing, text);
    return text;
}

void appendUtf8(std::string& out, std::span<const unsigned char> bytes)
{
    const std::size_t start = out.size();
    out.resize(start + bytes.size() * 3); // a code page's characters are all in the BMP
    char* put = out.data() + start;
    // Below 0x80 every code page is ASCII, its own UTF-8: most text is, and
    // is copied eight bytes at a time.
    std::size_t at = 0;
    for (; at + 8 <= bytes.size(); at += 8) {
        const std::uint64_t word = byte_scan::wordAt(bytes.data() + at);
        if (byte_scan::hasHighByte(word))
            break;
        std::memcpy(put, &word, sizeof word);
        put += sizeof word;
    }
    const auto& characters = codePageInUse().characters();
    for (; at < bytes.size(); ++at)
        put = putUtf8(put, characters[bytes[at]]);
    out.resize(static_cast<std::size_t>(put - out.data()));
}

void appendUtf8(std::string& out, char32_t codePoint)
{
    char bytes[4];
    out.append(bytes, putUtf8(bytes, codePoint));
}

std::u32string codePointsFromUtf16(std::u16string_view text)
{
    std::u32string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            result.push_back(0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else {
            result.push_back(isSurrogate(unit) ? U'\uFFFD' : static_cast<char32_t>(unit));
        }
    }
    return result;
}

bool codePointsFromUtf8(std::string_view text, std::u32string& out, bool loneSurrogates)
{
    out.clear();
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            out.push_back(lead);
            ++i;
            continue;
        }
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (length == 0 || lead > 0xF4 || i + length > text.size())
            return false;
        char32_t c = lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (next & 0x3F);
        }
        constexpr char32_t kLeast[5] = { 0, 0, 0x80, 0x800, 0x10000 };
        if (c < kLeast[length] || (isSurrogate(c) && !loneSurrogates) || c > 0x10FFFF)
            return false;
        out.push_back(c);
        i += length;
    }
    return true;
}

} // namespace pintwise
