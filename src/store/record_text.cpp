#include "record_text.h"

#include "code_page.h"

#include <algorithm>

namespace pintwise {

std::span<const unsigned char> shownBytes(const Record& record, Field field, TrailingSpaces trailing)
{
    std::span<const unsigned char> bytes = record.fieldBytes(field);
    if (trailing == TrailingSpaces::Trim) {
        while (!bytes.empty() && bytes.back() == ' ')
            bytes = bytes.first(bytes.size() - 1);
    }
    return bytes;
}

std::u16string fieldText16(const Record& record, Field field, TrailingSpaces trailing)
{
    const auto bytes = shownBytes(record, field, trailing);
    std::u16string text(bytes.size(), u'\0');
    std::transform(bytes.begin(), bytes.end(), text.begin(),
                   [&characters = codePageInUse().characters()](unsigned char byte) { return characters[byte]; });
    return text;
}

std::u32string codePointsFromUtf16(std::u16string_view text)
{
    std::u32string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            result.push_back(0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else {
            result.push_back(high || low ? U'\uFFFD' : static_cast<char32_t>(unit));
        }
    }
    return result;
}

} // namespace pintwise
