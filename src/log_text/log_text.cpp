#include "log_text.h"

#include <algorithm>

namespace pintwise {

QString fieldText(const Record& record, Field field, TrailingSpaces trailing)
{
    std::u32string_view text = record.fieldView(field);
    if (trailing == TrailingSpaces::Trim)
        text = text.substr(0, text.find_last_not_of(U' ') + 1);

    // Every character the log's code page holds is one UTF-16 unit: copy
    // those straight, past the general decoder (the name list does 32,767).
    const auto oneUnit = [](char32_t c) { return c < 0xD800 || (c >= 0xE000 && c < 0x10000); };
    if (std::all_of(text.begin(), text.end(), oneUnit)) {
        QString result(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
        std::transform(text.begin(), text.end(), result.data(), [](char32_t c) { return QChar(char16_t(c)); });
        return result;
    }
    return QString::fromUcs4(text.data(), static_cast<qsizetype>(text.size()));
}

std::u32string toCodePoints(const QString& text)
{
    const QList<uint> codePoints = text.toUcs4();
    return std::u32string(codePoints.begin(), codePoints.end());
}

} // namespace pintwise
