#pragma once

#include "record.h"

#include <span>
#include <string>
#include <string_view>

// The one place a field's bytes become text and text becomes what a field
// keeps: UTF-16 for the windows (Qt and Win32 alike), UTF-8 for the
// command-line tool. No toolkit. Each byte goes through the code page's own
// functions, so whichever code page is in force, every caller agrees. It
// converts text and nothing else: cutting to a field's width and the code
// page itself stay the Record's business.

namespace pintwise {

enum class TrailingSpaces { Keep, Trim };

// The bytes a window shows of a field: a zero byte ends the text, trailing
// spaces are dropped only when asked (leading spaces always stay).
std::span<const unsigned char> shownBytes(const Record& record, Field field, TrailingSpaces trailing);

// The same as UTF-16 text.
std::u16string fieldText16(const Record& record, Field field, TrailingSpaces trailing = TrailingSpaces::Keep);
// The same into `result`, reusing its storage: for a caller converting many
// records one after another (the name list converts 32,767 names).
void fieldText16(const Record& record, Field field, TrailingSpaces trailing, std::u16string& result);

// A field's bytes as UTF-8, appended to `out`: sized once for the worst case
// and written through a pointer, since an export calls it for every field.
void appendUtf8(std::string& out, std::span<const unsigned char> bytes);
// One code point as UTF-8; a surrogate, which UTF-8 cannot hold, as U+FFFD.
void appendUtf8(std::string& out, char32_t codePoint);

// UTF-16 as code points; a lone surrogate, which no code page holds, becomes
// U+FFFD and so is stored as '?'.
std::u32string codePointsFromUtf16(std::u16string_view text);

// UTF-8 as code points into `out`, reusing its storage. False, with `out`
// unspecified, when the bytes are not UTF-8: a byte out of place, a sequence
// cut short, an overlong form, a surrogate or a value past U+10FFFF. With
// `loneSurrogates` a surrogate's three bytes are its code point: the form a
// JSON escape of half a pair takes, so that the caller can name it.
bool codePointsFromUtf8(std::string_view text, std::u32string& out, bool loneSurrogates = false);

} // namespace pintwise
