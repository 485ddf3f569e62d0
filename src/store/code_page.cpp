#include "code_page.h"

#include <array>

namespace pintwise {
namespace {

// Bytes 0x80-0x9F, the only stretch where Windows-1252 differs from Latin-1.
// 0x81, 0x8D, 0x8F, 0x90 and 0x9D are undefined there; they keep their own
// value as C1 controls so that a file's every byte survives a read and a write.
constexpr std::array<char32_t, 32> kHighControls = {
    U'\u20AC', U'\u0081', U'\u201A', U'\u0192', U'\u201E', U'\u2026', U'\u2020', U'\u2021',
    U'\u02C6', U'\u2030', U'\u0160', U'\u2039', U'\u0152', U'\u008D', U'\u017D', U'\u008F',
    U'\u0090', U'\u2018', U'\u2019', U'\u201C', U'\u201D', U'\u2022', U'\u2013', U'\u2014',
    U'\u02DC', U'\u2122', U'\u0161', U'\u203A', U'\u0153', U'\u009D', U'\u017E', U'\u0178',
};

constexpr std::array<char32_t, 256> kByteToCodePoint = [] {
    std::array<char32_t, 256> table {};
    for (unsigned byte = 0; byte < 256; ++byte)
        table[byte] = byte; // Latin-1 everywhere else
    for (unsigned i = 0; i < kHighControls.size(); ++i)
        table[0x80 + i] = kHighControls[i];
    return table;
}();

} // namespace

char32_t codePointFromByte(unsigned char byte)
{
    return kByteToCodePoint[byte];
}

unsigned char byteFromCodePoint(char32_t codePoint)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<unsigned char>(codePoint);
    for (unsigned i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == codePoint)
            return static_cast<unsigned char>(0x80 + i);
    }
    return '?';
}

bool isRepresentable(char32_t codePoint)
{
    return codePointFromByte(byteFromCodePoint(codePoint)) == codePoint;
}

} // namespace pintwise
