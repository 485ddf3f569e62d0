#include "win32_text.h"

#include "win32_api.h"

namespace pintwise {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows keeps UTF-16 in wchar_t");

std::wstring wideFromUtf8(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    return wide;
}

std::wstring wideFromUtf16(std::u16string_view text)
{
    return std::wstring(text.begin(), text.end());
}

std::u16string utf16FromWide(std::wstring_view text)
{
    return std::u16string(text.begin(), text.end());
}

} // namespace pintwise
