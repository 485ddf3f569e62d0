#include "log_text.h"

#include <algorithm>

namespace pintwise {

void fieldText(const Record& record, Field field, TrailingSpaces trailing, QString& result)
{
    std::u32string_view text = record.fieldView(field);
    if (trailing == TrailingSpaces::Trim) {
        // A plain loop: find_last_not_of searches a set for every character,
        // and an export trims 327,670 fields.
        std::size_t length = text.size();
        while (length > 0 && text[length - 1] == U' ')
            --length;
        text = text.substr(0, length);
    }

    // Every character the log's code page holds is one UTF-16 unit: copy
    // those straight, past the general decoder (the name list does 32,767).
    // Both loops run to the end without a branch out, so they vectorise.
    bool oneUnitEach = true;
    for (const char32_t c : text)
        oneUnitEach &= c < 0xD800 || (c >= 0xE000 && c < 0x10000);
    if (!oneUnitEach) {
        result = QString::fromUcs4(text.data(), static_cast<qsizetype>(text.size()));
        return;
    }
    result.resize(static_cast<qsizetype>(text.size()));
    std::transform(text.begin(), text.end(), result.data(), [](char32_t c) { return QChar(char16_t(c)); });
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
