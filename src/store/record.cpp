#include "record.h"

#include "code_page.h"

#include <algorithm>
#include <cstring>

namespace pintwise {

Record::Record() = default;

Record Record::blank()
{
    Record record;
    record.m_characters.fill(U' ');
    return record;
}

Record Record::fromBytes(const RecordBytes& bytes)
{
    Record record;
    record.setBytes(bytes.data(), bytes.size());
    return record;
}

void Record::setBytes(const unsigned char* bytes, std::size_t length)
{
    // Every byte but 0x80-0x9F is its own code point. Widening sixteen bytes
    // at a time lets the compiler use vector instructions; only a chunk that
    // holds a byte from 0x80 up goes through the table again.
    const auto decode
        = [](unsigned char byte) -> char32_t { return byte >= 0x80 && byte < 0xA0 ? codePointFromByte(byte) : byte; };
    length = std::min(length, kRecordSize);
    std::size_t i = 0;
    for (; i + 16 <= length; i += 16) {
        unsigned char chunk[16];
        unsigned char high = 0;
        for (std::size_t k = 0; k < 16; ++k) {
            chunk[k] = bytes[i + k];
            high |= chunk[k];
        }
        for (std::size_t k = 0; k < 16; ++k)
            m_characters[i + k] = chunk[k];
        if (high & 0x80) {
            for (std::size_t k = 0; k < 16; ++k)
                m_characters[i + k] = decode(chunk[k]);
        }
    }
    for (; i < length; ++i)
        m_characters[i] = decode(bytes[i]);
    std::fill(m_characters.begin() + length, m_characters.end(), U'\0');
}

RecordBytes Record::toBytes() const
{
    RecordBytes bytes;
    std::transform(m_characters.begin(), m_characters.end(), bytes.begin(), byteFromCodePoint);
    return bytes;
}

void Record::setField(Field field, std::u32string_view text)
{
    const auto [offset, width] = fieldLayout(field);
    const auto kept = text.substr(0, width);
    auto out = std::copy(kept.begin(), kept.end(), m_characters.begin() + offset);
    std::fill(out, m_characters.begin() + offset + width, U' ');
}

std::u32string_view Record::fieldView(Field field) const
{
    const auto [offset, width] = fieldLayout(field);
    const std::u32string_view text(m_characters.data() + offset, width);
    // Fields are mostly padding. Past the last character that is not a space
    // there can be no zero, so the search for one stops there; the padding is
    // skipped sixteen characters at a time (an export reads 327,670 fields).
    static constexpr std::array<char32_t, 16> kSpaces = [] {
        std::array<char32_t, 16> spaces {};
        spaces.fill(U' ');
        return spaces;
    }();
    std::size_t shown = width;
    while (shown >= kSpaces.size() && std::memcmp(&text[shown - kSpaces.size()], kSpaces.data(), sizeof kSpaces) == 0)
        shown -= kSpaces.size();
    while (shown > 0 && text[shown - 1] == U' ')
        --shown;
    const auto zero = text.substr(0, shown).find(U'\0');
    return zero == std::u32string_view::npos ? text : text.substr(0, zero);
}

std::int64_t recordCountForLength(std::uint64_t fileLength)
{
    // Integer arithmetic gives exactly what dividing as floating point and
    // rounding half to even gives, without depending on the rounding mode.
    const auto whole = static_cast<std::int64_t>(fileLength / kRecordSize);
    const auto rest = fileLength % kRecordSize;
    if (rest * 2 > kRecordSize || (rest * 2 == kRecordSize && whole % 2 == 1))
        return whole + 1;
    return whole;
}

} // namespace pintwise
