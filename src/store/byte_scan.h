#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <span>

// Scans over a record's bytes that an export makes for every field of every
// entry, eight bytes at a time, so that they cost the same whatever the C
// library's own memchr is (on Windows, one byte at a time). They know
// nothing about fields or code pages.

namespace pintwise::byte_scan {

inline constexpr std::uint64_t kEveryByte = 0x0101010101010101u;

inline std::uint64_t wordAt(const unsigned char* bytes)
{
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

// Whether one of the word's bytes is above 0x7F: not ASCII.
inline bool hasHighByte(std::uint64_t word)
{
    return (word & (kEveryByte * 0x80)) != 0;
}

// Whether one of the word's bytes is zero.
inline bool hasZeroByte(std::uint64_t word)
{
    return ((word - kEveryByte) & ~word & (kEveryByte * 0x80)) != 0;
}

// How many bytes come before the first zero byte: all of them if none is.
inline std::size_t lengthBeforeZero(std::span<const unsigned char> bytes)
{
    std::size_t length = 0;
    while (length + 8 <= bytes.size() && !hasZeroByte(wordAt(bytes.data() + length)))
        length += 8;
    while (length < bytes.size() && bytes[length] != 0)
        ++length;
    return length;
}

// Whether any of `bytes` is one of `wanted`.
inline bool containsAny(std::span<const unsigned char> bytes, std::initializer_list<unsigned char> wanted)
{
    const auto holds = [&](std::uint64_t word) {
        for (const unsigned char byte : wanted)
            if (hasZeroByte(word ^ (kEveryByte * byte)))
                return true;
        return false;
    };
    std::size_t at = 0;
    while (at + 8 <= bytes.size() && !holds(wordAt(bytes.data() + at)))
        at += 8;
    for (; at < bytes.size(); ++at)
        for (const unsigned char byte : wanted)
            if (bytes[at] == byte)
                return true;
    return false;
}

// `bytes` without the spaces at its end.
inline std::span<const unsigned char> withoutTrailingSpaces(std::span<const unsigned char> bytes)
{
    while (bytes.size() >= 8 && wordAt(bytes.data() + bytes.size() - 8) == kEveryByte * ' ')
        bytes = bytes.first(bytes.size() - 8);
    while (!bytes.empty() && bytes.back() == ' ')
        bytes = bytes.first(bytes.size() - 1);
    return bytes;
}

} // namespace pintwise::byte_scan
