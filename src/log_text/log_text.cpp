#include "log_text.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace pintwise {

void fieldText(const Record& record, Field field, TrailingSpaces trailing, QString& result)
{
    std::u32string_view text = record.fieldView(field);
    if (trailing == TrailingSpaces::Trim) {
        // A plain loop: find_last_not_of searches a set for every character,
        // and an export trims 327,670 fields.
        std::size_t length = text.size();
        static constexpr std::array<char32_t, 16> kSpaces = [] {
            std::array<char32_t, 16> spaces {};
            spaces.fill(U' ');
            return spaces;
        }();
        while (length >= kSpaces.size()
               && std::memcmp(&text[length - kSpaces.size()], kSpaces.data(), sizeof kSpaces) == 0)
            length -= kSpaces.size(); // a long field's padding, sixteen at a time
        while (length > 0 && text[length - 1] == U' ')
            --length;
        text = text.substr(0, length);
    }

    // Every character the log's code page holds is below U+D800, one UTF-16
    // unit: copy them straight, past the general decoder (the name list does
    // 32,767), and start again with it only if a character proved otherwise.
    result.resize(static_cast<qsizetype>(text.size()));
    QChar* out = result.data();
    bool oneUnitEach = true;
    for (const char32_t c : text) {
        oneUnitEach &= c < 0xD800;
        *out++ = QChar(char16_t(c));
    }
    if (!oneUnitEach)
        result = QString::fromUcs4(text.data(), static_cast<qsizetype>(text.size()));
}

QString fieldText(const Record& record, Field field, TrailingSpaces trailing)
{
    QString result;
    fieldText(record, field, trailing, result);
    return result;
}

std::u32string toCodePoints(const QString& text)
{
    const QList<uint> codePoints = text.toUcs4();
    return std::u32string(codePoints.begin(), codePoints.end());
}

} // namespace pintwise
