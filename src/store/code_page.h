#pragma once

#include <array>

// The data file keeps one byte per character in Windows-1252, the 8-bit code
// page the log has always been written in. This converts single characters
// across that boundary; it knows nothing about records or fields.

namespace pintwise {

// Every byte's character. All of them lie below U+10000, so each is one
// UTF-16 unit: a table a caller can index once per byte, in its inner loop.
// The five bytes the code page leaves undefined map to the C1 controls of the
// same value, so that a file's every byte survives a read and a write.
inline constexpr std::array<char16_t, 256> kCharacterOfByte = [] {
    // 0x80-0x9F, the only stretch where Windows-1252 differs from Latin-1.
    constexpr char16_t high[32] = {
        u'\u20AC', u'\u0081', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
        u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\u008D', u'\u017D', u'\u008F',
        u'\u0090', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
        u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\u009D', u'\u017E', u'\u0178',
    };
    std::array<char16_t, 256> table {};
    for (unsigned byte = 0; byte < 256; ++byte)
        table[byte] = static_cast<char16_t>(byte >= 0x80 && byte < 0xA0 ? high[byte - 0x80] : byte);
    return table;
}();

inline char32_t codePointFromByte(unsigned char byte)
{
    return kCharacterOfByte[byte];
}

// A character the code page lacks becomes '?', still one byte.
unsigned char byteFromCodePoint(char32_t codePoint);

// Whether the code page holds the character, so that it survives a save and
// a read unchanged: what a strict import checks before '?' would stand in.
bool isRepresentable(char32_t codePoint);

} // namespace pintwise
