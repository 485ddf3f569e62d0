#include "host_code_page.h"

#include "code_page.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string_view>

#ifdef _WIN32
#include "win32_api.h"
#endif

namespace pintwise {

namespace {

struct LanguageCodePage {
    std::string_view language;  // ISO 639 code, as in the locale's name
    std::string_view territory; // the locale's territory this row needs; empty for any
    std::string_view script;    // the locale's @modifier this row needs; empty for the language's usual script
    int codePage;
};

// The ANSI code page Windows gives each language's locales: the
// LOCALE_IDEFAULTANSICODEPAGE of its locale data, as Wine has it, under the
// name glibc gives the same locale (tests/windows/test_win32_code_pages.cpp
// compares the two locale by locale). Every language not listed gets
// Windows-1252: those of Western Europe and the Americas, and those Windows
// gives a double-byte code page or none (ja, zh, ko, hi, ...). Where one
// language is written in two scripts, the glibc locale's modifier names the
// other one, or, for Punjabi, the territory tells.
constexpr LanguageCodePage kLanguageCodePages[] = {
    // Central European
    { "bs", "", "", 1250 },
    { "cs", "", "", 1250 },
    { "hr", "", "", 1250 },
    { "hu", "", "", 1250 },
    { "pl", "", "", 1250 },
    { "ro", "", "", 1250 },
    { "sk", "", "", 1250 },
    { "sl", "", "", 1250 },
    { "sq", "", "", 1250 },
    { "sr", "", "latin", 1250 },
    { "tk", "", "", 1250 },
    // Cyrillic (not Kazakh: Windows gives it none, Unicode only)
    { "az", "", "cyrillic", 1251 },
    { "ba", "", "", 1251 },
    { "be", "", "", 1251 },
    { "bg", "", "", 1251 },
    { "bs", "", "cyrillic", 1251 },
    { "ky", "", "", 1251 },
    { "mk", "", "", 1251 },
    { "mn", "", "", 1251 },
    { "ru", "", "", 1251 },
    { "sah", "", "", 1251 },
    { "sr", "", "", 1251 },
    { "tg", "", "", 1251 },
    { "tt", "", "", 1251 },
    { "uk", "", "", 1251 },
    { "uz", "", "cyrillic", 1251 },
    // Greek
    { "el", "", "", 1253 },
    // Turkish, and the Latin script of the Turkic languages
    { "az", "", "", 1254 },
    { "tr", "", "", 1254 },
    { "uz", "", "", 1254 },
    // Hebrew
    { "he", "", "", 1255 },
    // Arabic script: Central Kurdish (glibc's ckb) has it in Iraq alone,
    // Punjabi in Pakistan alone; Sindhi in Devanagari has none.
    { "ar", "", "", 1256 },
    { "ckb", "IQ", "", 1256 },
    { "fa", "", "", 1256 },
    { "pa", "PK", "", 1256 },
    { "prs", "", "", 1256 },
    { "sd", "", "", 1256 },
    { "sd", "", "devanagari", 1252 },
    { "ug", "", "", 1256 },
    { "ur", "", "", 1256 },
    // Baltic
    { "et", "", "", 1257 },
    { "lt", "", "", 1257 },
    { "lv", "", "", 1257 },
    // Vietnamese
    { "vi", "", "", 1258 },
    // Thai
    { "th", "", "", 874 },
};

std::string lowered(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

const CodePage& westernEuropean()
{
    return *CodePage::byNumber(1252);
}

} // namespace

CodePageChoice codePageForAnsiCodePage(unsigned ansiCodePage)
{
    std::string source = "from GetACP " + std::to_string(ansiCodePage);
    if (const CodePage* page = CodePage::byNumber(static_cast<int>(ansiCodePage)))
        return { page, source };
    return { &westernEuropean(), source + ", not a single-byte code page" };
}

CodePageChoice codePageForLocale(const char* lcAll, const char* lcCtype, const char* lang)
{
    // As POSIX has it: a variable set to the empty string counts as unset.
    const std::pair<const char*, const char*> variables[]
        = { { "LC_ALL", lcAll }, { "LC_CTYPE", lcCtype }, { "LANG", lang } };
    const auto* set = std::find_if(std::begin(variables), std::end(variables),
                                   [](const auto& variable) { return variable.second && *variable.second; });
    if (set == std::end(variables))
        return { &westernEuropean(), "no locale set" };

    // language[_territory][.codeset][@modifier]
    const std::string_view locale = set->second;
    const auto languageEnd = std::min(locale.find_first_of("_.@"), locale.size());
    const std::string language = lowered(locale.substr(0, languageEnd));
    std::string territory;
    if (languageEnd < locale.size() && locale[languageEnd] == '_')
        territory = lowered(locale.substr(languageEnd + 1, locale.find_first_of(".@", languageEnd) - languageEnd - 1));
    const auto at = locale.find('@');
    const std::string modifier = at == std::string_view::npos ? std::string() : lowered(locale.substr(at + 1));
    // The row naming the locale's modifier, else its language's usual one
    // (a modifier like @euro changes no script); a row for its territory
    // before one for any.
    const LanguageCodePage* match = nullptr;
    int matchScore = -1;
    for (const LanguageCodePage& row : kLanguageCodePages) {
        if (row.language != language || !(row.territory.empty() || lowered(row.territory) == territory)
            || !(row.script.empty() || row.script == modifier))
            continue;
        const int score = (row.script.empty() ? 0 : 2) + (row.territory.empty() ? 0 : 1);
        if (score > matchScore) {
            match = &row;
            matchScore = score;
        }
    }
    const std::string source = std::string("from ") + set->first + "=" + std::string(locale);
    return { match ? CodePage::byNumber(match->codePage) : &westernEuropean(), source };
}

CodePageChoice hostCodePage()
{
#ifdef _WIN32
    return codePageForAnsiCodePage(GetACP());
#else
    return codePageForLocale(std::getenv("LC_ALL"), std::getenv("LC_CTYPE"), std::getenv("LANG"));
#endif
}

} // namespace pintwise
