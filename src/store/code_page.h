#pragma once

#include <array>
#include <atomic>
#include <string_view>
#include <utility>

// The data file keeps one byte per character in the host's 8-bit code page:
// on Windows the ANSI code page of the system's language, and on Linux the
// one Windows would give the user's locale (host_code_page.h). The single-byte
// ANSI code pages (874, 1250-1258) are tables generated from glibc's iconv at
// build time. This converts single characters across that boundary; it knows
// nothing about records, fields or where the choice comes from.

namespace pintwise {

// One single-byte code page: its 256 bytes' characters and the way back.
// Every byte survives a read and a save unchanged: a byte the code page
// leaves undefined maps to the character of the same value (a C1 control
// below 0xA0), which maps back to it. It converts nothing outside the BMP and
// keeps no state between characters.
class CodePage {
public:
    // The code page of that number, 874 or 1250-1258; nullptr for any other.
    static const CodePage* byNumber(int number);

    int number() const { return m_number; }
    // "Windows-1250".
    std::string_view name() const { return m_name; }
    // Every byte's character, each one UTF-16 unit: a table a caller can
    // index once per byte, in its inner loop.
    const std::array<char16_t, 256>& characters() const { return *m_characters; }
    char16_t character(unsigned char byte) const { return (*m_characters)[byte]; }
    // Whether the code page gives the byte a character of its own.
    bool isDefined(unsigned char byte) const { return (*m_defined)[byte]; }
    // A character the code page lacks becomes '?', still one byte.
    unsigned char byteOf(char32_t codePoint) const;
    // Whether the character survives a save and a read unchanged.
    bool holds(char32_t codePoint) const { return character(byteOf(codePoint)) == codePoint; }

    // The tables behind it, sorted by character for the way back.
    using ByteOfCharacter = std::array<std::pair<char16_t, unsigned char>, 128>;
    constexpr CodePage(int number, std::string_view name, const std::array<char16_t, 256>& characters,
                       const std::array<bool, 256>& defined, const ByteOfCharacter& upperBytes)
        : m_number(number)
        , m_name(name)
        , m_characters(&characters)
        , m_defined(&defined)
        , m_upperBytes(&upperBytes)
    {
    }

private:
    int m_number;
    std::string_view m_name;
    const std::array<char16_t, 256>* m_characters;
    const std::array<bool, 256>* m_defined;
    const ByteOfCharacter* m_upperBytes; // the bytes 0x80-0xFF; below, a byte is its ASCII character
};

namespace detail {
inline std::atomic<const CodePage*> g_codePageInUse { nullptr };
const CodePage& fixCodePageInUse();
} // namespace detail

// The code page in use, the same for the whole process as the OS's own ANSI
// code page is: the one useCodePage() set, else the host's, fixed by the
// first call.
inline const CodePage& codePageInUse()
{
    const CodePage* page = detail::g_codePageInUse.load(std::memory_order_acquire);
    return page ? *page : detail::fixCodePageInUse();
}

// Sets the process's code page before any conversion; false once another
// one is in use, which then stays.
bool useCodePage(const CodePage& page);

// Of the code page in use.
inline char32_t codePointFromByte(unsigned char byte)
{
    return codePageInUse().character(byte);
}

// Of the code page in use: a character it lacks becomes '?', still one byte.
inline unsigned char byteFromCodePoint(char32_t codePoint)
{
    return codePageInUse().byteOf(codePoint);
}

// Whether the code page in use holds the character, so that it survives a
// save and a read unchanged: what a strict import checks before '?' would
// stand in.
inline bool isRepresentable(char32_t codePoint)
{
    return codePageInUse().holds(codePoint);
}

} // namespace pintwise
