#pragma once

#include <cstdlib>
#include <string_view>

// A word in the letters of the locale a window suite runs under, and its
// bytes in the code page of that locale: the window suites run again under a
// Polish and a Russian locale (tests/CMakeLists.txt,
// tests/windows/CMakeLists.txt) and check a log kept in that code page.
// Chosen by LANG, as those runs set it; every other run is Western European.
// It knows no code page: the bytes are written out here, as a log has them.

namespace pintwise {

struct HostWord {
    std::string_view lang;
    std::string_view bytes;
    std::u16string_view text;
};

inline const HostWord& hostWord()
{
    static constexpr HostWord kWords[] = {
        { "pl_PL.UTF-8", "\xA3\xF3\x64\x9F", u"\u0141\u00F3d\u017A" },      // Łódź, Windows-1250
        { "ru_RU.UTF-8", "\xCF\xE8\xE2\xEE", u"\u041F\u0438\u0432\u043E" }, // Пиво, Windows-1251
        { "", "\xC9\x74\xE9", u"\u00C9t\u00E9" },                           // Été, Windows-1252
    };
    const char* lang = std::getenv("LANG");
    for (const HostWord& word : kWords) {
        if (lang && word.lang == lang)
            return word;
    }
    return kWords[std::size(kWords) - 1];
}

} // namespace pintwise
