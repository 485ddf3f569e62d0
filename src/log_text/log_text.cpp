#include "log_text.h"

#include "code_page.h"

#include <algorithm>

namespace pintwise {

void fieldText(const Record& record, Field field, TrailingSpaces trailing, QString& result)
{
    const std::span<const unsigned char> bytes = shownBytes(record, field, trailing);
    // Every byte is one UTF-16 unit: no general decoder, and no allocation
    // once `result` has grown (the name list converts 32,767 names, an
    // export ten times as many fields).
    result.resize(static_cast<qsizetype>(bytes.size()));
    std::transform(bytes.begin(), bytes.end(), result.data(),
                   [](unsigned char byte) { return QChar(codePageInUse().character(byte)); });
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
