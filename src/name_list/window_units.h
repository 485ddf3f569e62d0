#pragma once

#include <QPaintDevice>
#include <QRect>
#include <QString>

#include <algorithm>
#include <string>
#include <string_view>

// Small conversions both windows need: the twips their layouts are designed
// in, and the code-point strings the log store keeps.

namespace pintwise {

// A twip is 1/1440 inch. Converting with the logical DPI (96 at 100% scale:
// 15 twips a pixel) leaves high-DPI scaling to Qt. Each edge is rounded on its
// own, so neighbouring controls never overlap or drift apart by a pixel.
inline QRect twipsToPixels(const QPaintDevice& device, int left, int top, int width, int height)
{
    const auto x = [&](int twips) { return qRound(twips * device.logicalDpiX() / 1440.0); };
    const auto y = [&](int twips) { return qRound(twips * device.logicalDpiY() / 1440.0); };
    const int l = x(left), t = y(top);
    return QRect(l, t, x(left + width) - l, y(top + height) - t);
}

inline QString toQString(std::u32string_view text)
{
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

// Surrogate pairs become one code point each; the store cuts by code points.
inline std::u32string toCodePoints(const QString& text)
{
    const QList<uint> codePoints = text.toUcs4();
    return std::u32string(codePoints.begin(), codePoints.end());
}

} // namespace pintwise
