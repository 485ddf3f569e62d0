#include "log_text.h"

#include "code_page.h"

#include <algorithm>

namespace pintwise {

QString fieldText(const Record& record, Field field, TrailingSpaces trailing)
{
    std::span<const unsigned char> bytes = record.fieldBytes(field);
    if (trailing == TrailingSpaces::Trim) {
        while (!bytes.empty() && bytes.back() == ' ')
            bytes = bytes.first(bytes.size() - 1);
    }
    // Every byte is one UTF-16 unit: no general decoder, and one allocation
    // (the name list makes 32,767 of these).
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    std::transform(bytes.begin(), bytes.end(), text.data(),
                   [](unsigned char byte) { return QChar(kCharacterOfByte[byte]); });
    return text;
}

std::u32string toCodePoints(const QString& text)
{
    const QList<uint> codePoints = text.toUcs4();
    return std::u32string(codePoints.begin(), codePoints.end());
}

} // namespace pintwise
