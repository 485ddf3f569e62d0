#include "record.h"

#include "code_page.h"

#include <algorithm>

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
    std::transform(bytes.begin(), bytes.end(), record.m_characters.begin(), codePointFromByte);
    return record;
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

std::u32string Record::field(Field field) const
{
    const auto [offset, width] = fieldLayout(field);
    const auto begin = m_characters.begin() + offset;
    const auto end = std::find(begin, begin + width, U'\0');
    return std::u32string(begin, end);
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
