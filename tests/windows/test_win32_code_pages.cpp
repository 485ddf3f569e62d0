// The code page tables generated from glibc's iconv against a second,
// independent source: Windows' own conversion (MultiByteToWideChar and
// WideCharToMultiByte, Wine's tables here) for every byte a table defines.
// Bytes a page leaves undefined are ours to map (code_page.h), so not
// compared. And the locale rule (host_code_page.h) against Windows' own
// locale data: every locale Wine knows, under the name glibc gives it, must
// get the ANSI code page Windows gives it.

#include "code_page.h"
#include "host_code_page.h"
#include "win32_api.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

using namespace pintwise;

namespace {

class AgainstWindows : public testing::TestWithParam<int> { };

TEST_P(AgainstWindows, EveryDefinedByte)
{
    const int number = GetParam();
    const CodePage* page = CodePage::byNumber(number);
    ASSERT_NE(page, nullptr);
    int defined = 0;
    for (unsigned byte = 0; byte < 256; ++byte) {
        if (!page->isDefined(static_cast<unsigned char>(byte)))
            continue;
        ++defined;
        SCOPED_TRACE("byte " + std::to_string(byte));
        const char in = static_cast<char>(byte);
        wchar_t character = 0;
        ASSERT_EQ(MultiByteToWideChar(static_cast<UINT>(number), MB_ERR_INVALID_CHARS, &in, 1, &character, 1), 1);
        EXPECT_EQ(static_cast<unsigned>(character), static_cast<unsigned>(page->character(in)));

        char out = 0;
        BOOL usedDefault = FALSE;
        ASSERT_EQ(WideCharToMultiByte(static_cast<UINT>(number), WC_NO_BEST_FIT_CHARS, &character, 1, &out, 1, nullptr,
                                      &usedDefault),
                  1);
        EXPECT_FALSE(usedDefault);
        EXPECT_EQ(static_cast<unsigned char>(out), byte);
    }
    // Every page defines at least its ASCII half and most of the rest.
    EXPECT_GT(defined, 200);
}

INSTANTIATE_TEST_SUITE_P(CodePages, AgainstWindows,
                         testing::Values(874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258),
                         [](const testing::TestParamInfo<int>& info) { return "cp" + std::to_string(info.param); });

// A Windows locale: LOCALE_SNAME's language[-Script][-REGION][-variant],
// and its LOCALE_IDEFAULTANSICODEPAGE (0 for Unicode only).
struct WindowsLocale {
    std::string name, language, script, region, variant;
    unsigned ansiCodePage = 0;
};

BOOL CALLBACK collectLocale(LPWSTR name, DWORD, LPARAM locales)
{
    WindowsLocale locale;
    if (!GetLocaleInfoEx(name, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                         reinterpret_cast<LPWSTR>(&locale.ansiCodePage), sizeof locale.ansiCodePage / sizeof(wchar_t)))
        ADD_FAILURE() << "no code page";
    wchar_t sname[LOCALE_NAME_MAX_LENGTH] = {};
    GetLocaleInfoEx(name, LOCALE_SNAME, sname, LOCALE_NAME_MAX_LENGTH);
    std::vector<std::string> parts(1);
    for (const wchar_t* c = sname; *c; ++c) {
        locale.name += static_cast<char>(*c);
        if (*c == L'-')
            parts.emplace_back();
        else
            parts.back() += static_cast<char>(*c);
    }
    std::size_t next = 0;
    locale.language = parts[next++];
    if (next < parts.size() && parts[next].size() == 4)
        locale.script = parts[next++];
    if (next < parts.size())
        locale.region = parts[next++];
    if (next < parts.size())
        locale.variant = parts[next];
    reinterpret_cast<std::vector<WindowsLocale>*>(locales)->push_back(locale);
    return TRUE;
}

// For a language Windows writes in two scripts: the script glibc's locale of
// it (in that territory, or in any) uses without a modifier; empty where
// glibc has no locale of the language at all. A Windows name without a
// script means the language's usual one, the same as glibc's.
constexpr struct {
    std::string_view language, territory, script;
} kGlibcScripts[] = {
    { "az", "", "Latn" }, { "bs", "", "Latn" },   { "ff", "", "Latn" },   { "iu", "", "Cans" },
    { "ks", "", "Arab" }, { "mn", "", "Cyrl" },   { "pa", "", "Guru" },   { "pa", "PK", "Arab" },
    { "sd", "", "Arab" }, { "sr", "", "Cyrl" },   { "uz", "", "Latn" },   { "yue", "", "Hant" },
    { "zh", "", "Hans" }, { "zh", "HK", "Hant" }, { "zh", "MO", "Hant" }, { "zh", "TW", "Hant" },
    { "kk", "", "Cyrl" }, { "kok", "", "Deva" },  { "kaa", "", "" },      { "shi", "", "" },
    { "vai", "", "" },
};

// glibc's modifier for a script other than the language's usual one.
const std::map<std::string_view, std::string_view> kGlibcModifiers
    = { { "Latn", "latin" }, { "Cyrl", "cyrillic" }, { "Deva", "devanagari" } };

// Windows' Kurdish is Central Kurdish in the Arabic script: glibc's ckb.
// (glibc's ku is Northern Kurdish in Latin, which Windows has no locale of.)
const std::map<std::string_view, std::string_view> kGlibcLanguages = { { "ku", "ckb" } };

// The glibc name of a Windows locale, or empty and why it has none.
std::string glibcName(const WindowsLocale& locale, bool languageInTwoScripts, std::string& whyNone)
{
    if (locale.language.empty())
        whyNone = "the invariant locale";
    else if (locale.region.empty())
        whyNone = "no region, as every glibc locale has";
    else if (!locale.variant.empty())
        whyNone = "a variant of a locale";
    else if (!std::isalpha(static_cast<unsigned char>(locale.region[0])))
        whyNone = "a region of several countries, not one of glibc's territories";
    if (!whyNone.empty())
        return {};

    std::string modifier;
    if (!locale.script.empty() && languageInTwoScripts) {
        const auto* usual = std::find_if(std::begin(kGlibcScripts), std::end(kGlibcScripts), [&](const auto& row) {
            return row.language == locale.language && row.territory == locale.region;
        });
        if (usual == std::end(kGlibcScripts))
            usual = std::find_if(std::begin(kGlibcScripts), std::end(kGlibcScripts), [&](const auto& row) {
                return row.language == locale.language && row.territory.empty();
            });
        if (usual == std::end(kGlibcScripts)) {
            ADD_FAILURE() << locale.name << ": a language in two scripts with no row in kGlibcScripts";
            return {};
        }
        if (usual->script.empty()) {
            whyNone = "a language glibc has no locale of";
            return {};
        }
        if (locale.script != usual->script) {
            const auto named = kGlibcModifiers.find(locale.script);
            if (named == kGlibcModifiers.end()) {
                whyNone = "a script glibc names no modifier for";
                return {};
            }
            modifier = "@" + std::string(named->second);
        }
    }
    const auto renamed = kGlibcLanguages.find(locale.language);
    const std::string language = renamed == kGlibcLanguages.end() ? locale.language : std::string(renamed->second);
    return language + "_" + locale.region + ".UTF-8" + modifier;
}

// Windows' page where it is one of ours, else Windows-1252.
TEST(LocaleRule, GivesEachWindowsLocaleItsAnsiCodePage)
{
    std::vector<WindowsLocale> locales;
    ASSERT_TRUE(EnumSystemLocalesEx(collectLocale, LOCALE_SPECIFICDATA, reinterpret_cast<LPARAM>(&locales), nullptr));
    std::map<std::string, std::set<std::string>> scripts;
    for (const WindowsLocale& locale : locales)
        scripts[locale.language].insert(locale.script);

    std::map<std::string, std::string> skipped;
    std::set<std::string> compared;
    for (const WindowsLocale& locale : locales) {
        std::string whyNone;
        const std::string name = glibcName(locale, scripts[locale.language].size() > 1, whyNone);
        if (name.empty()) {
            skipped[whyNone] += " " + locale.name;
            continue;
        }
        const int expected
            = CodePage::byNumber(static_cast<int>(locale.ansiCodePage)) ? static_cast<int>(locale.ansiCodePage) : 1252;
        EXPECT_EQ(codePageForLocale(nullptr, nullptr, name.c_str()).page->number(), expected)
            << locale.name << " (Windows' page " << locale.ansiCodePage << ") as " << name;
        compared.insert(name);
    }
    for (const auto& [why, names] : skipped)
        std::printf("skipped, %s:%s\n", why.c_str(), names.c_str());

    // The names the rule tells apart by modifier or territory were among them.
    EXPECT_GT(compared.size(), 500u);
    for (const char* name : { "sr_RS.UTF-8", "sr_RS.UTF-8@latin", "uz_UZ.UTF-8@cyrillic", "az_AZ.UTF-8@cyrillic",
                              "bs_BA.UTF-8@cyrillic", "sd_IN.UTF-8@devanagari", "pa_PK.UTF-8", "ckb_IQ.UTF-8" })
        EXPECT_EQ(compared.count(name), 1u) << name;
}

} // namespace
