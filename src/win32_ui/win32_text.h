#pragma once

#include <string>
#include <string_view>

// Text across the Win32 boundary: the wide-character API takes UTF-16 in
// wchar_t, the shared code speaks UTF-8 (messages, paths) and char16_t
// (field texts). Nothing else.

namespace pintwise {

std::wstring wideFromUtf8(std::string_view utf8);
std::wstring wideFromUtf16(std::u16string_view text);
std::u16string utf16FromWide(std::wstring_view text);

} // namespace pintwise
