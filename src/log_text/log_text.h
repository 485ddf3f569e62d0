#pragma once

#include "record_text.h"

#include <QList>
#include <QString>

#include <string>

// A record's texts as Qt strings, and back: what the windows show and the
// command-line tool exports and imports. QtCore only, so a program without a
// display can use it. It converts text and nothing else: cutting to a field's
// width and the code page stay the Record's business.

namespace pintwise {

// The field as a window shows it: a zero character ends the text, trailing
// spaces are kept unless asked otherwise (leading spaces always are).
QString fieldText(const Record& record, Field field, TrailingSpaces trailing = TrailingSpaces::Keep);
// The same into `result`, reusing its storage: for a caller converting many
// records one after another.
void fieldText(const Record& record, Field field, TrailingSpaces trailing, QString& result);

// Surrogate pairs become one code point each; the store cuts by code points.
std::u32string toCodePoints(const QString& text);

} // namespace pintwise
