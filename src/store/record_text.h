#pragma once

#include "record.h"

#include <span>
#include <string>
#include <string_view>

// A record's fields as the windows show them, in UTF-16, the text type both
// window systems use, and typed text back as the code points a field keeps.
// No toolkit: the Qt and the Win32 front-ends share it. It converts text and
// nothing else: cutting to a field's width and the code page stay the
// Record's business.

namespace pintwise {

enum class TrailingSpaces { Keep, Trim };

// The bytes a window shows of a field: a zero byte ends the text, trailing
// spaces are dropped only when asked (leading spaces always stay).
std::span<const unsigned char> shownBytes(const Record& record, Field field, TrailingSpaces trailing);

// The same as text. Every byte is one UTF-16 unit.
std::u16string fieldText16(const Record& record, Field field, TrailingSpaces trailing = TrailingSpaces::Keep);

// UTF-16 as code points; a lone surrogate, which no code page holds, becomes
// U+FFFD and so is stored as '?'.
std::u32string codePointsFromUtf16(std::u16string_view text);

} // namespace pintwise
