#include "record.h"

#include "byte_scan.h"
#include "code_page.h"

#include <algorithm>

namespace pintwise {

Record::Record() = default;

Record Record::blank()
{
    Record record;
    record.m_bytes.fill(' ');
    return record;
}

Record Record::fromBytes(const RecordBytes& bytes)
{
    Record record;
    record.m_bytes = bytes;
    return record;
}

void Record::setBytes(const unsigned char* bytes, std::size_t length)
{
    length = std::min(length, kRecordSize);
    std::copy_n(bytes, length, m_bytes.begin());
    std::fill(m_bytes.begin() + static_cast<std::ptrdiff_t>(length), m_bytes.end(), 0);
}

void Record::setField(Field field, std::u32string_view text)
{
    const auto [offset, width] = fieldLayout(field);
    const auto kept = text.substr(0, width);
    auto out = std::transform(kept.begin(), kept.end(), m_bytes.begin() + offset, byteFromCodePoint);
    std::fill(out, m_bytes.begin() + offset + width, ' ');
}

std::span<const unsigned char> Record::fieldBytes(Field field) const
{
    const auto [offset, width] = fieldLayout(field);
    const std::span<const unsigned char> bytes(m_bytes.data() + offset, width);
    return bytes.first(byte_scan::lengthBeforeZero(bytes));
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
