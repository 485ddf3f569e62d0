// The code pages and which one the host gets: letters where each page puts
// them, every byte's round trip, the locale and GetACP rules, and setting
// the process's page. Windows-1252's own bytes are test_record's; the tables
// against Windows' conversion are checked under Wine
// (tests/windows/test_win32_code_pages.cpp), the windows under a Polish and
// a Russian locale by the window suites' locale runs.

#include "code_page.h"
#include "host_code_page.h"

#include <gtest/gtest.h>

#include <string>

using namespace pintwise;

namespace {

// Each page's letter where it belongs and back; an undefined byte is the
// character of its own value.
TEST(CodePages, LettersWhereTheyBelong)
{
    const struct {
        int page;
        char32_t character;
        unsigned char byte;
        bool defined;
    } letters[] = {
        { 874, U'\u0E01', 0xA1, true },  { 1250, U'\u0142', 0xB3, true }, { 1251, U'\u0436', 0xE6, true },
        { 1253, U'\u03B1', 0xE1, true }, { 1254, U'\u0131', 0xFD, true }, { 1255, U'\u05E9', 0xF9, true },
        { 1257, U'\u010D', 0xE8, true }, { 874, U'\u00DB', 0xDB, false }, { 1253, U'\u00AA', 0xAA, false },
    };
    for (const auto& c : letters) {
        SCOPED_TRACE(std::to_string(c.page) + " byte " + std::to_string(c.byte));
        const CodePage* page = CodePage::byNumber(c.page);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->name(), "Windows-" + std::to_string(c.page));
        EXPECT_EQ(page->character(c.byte), c.character);
        EXPECT_EQ(page->byteOf(c.character), c.byte);
        EXPECT_EQ(page->isDefined(c.byte), c.defined);
    }
    // What a page lacks becomes '?'; other numbers are no page of ours.
    EXPECT_EQ(CodePage::byNumber(1252)->byteOf(U'\u0141'), '?');
    EXPECT_FALSE(CodePage::byNumber(1251)->holds(U'\u00E9'));
    EXPECT_FALSE(CodePage::byNumber(1250)->holds(U'\U0001F37A'));
    for (const int number : { 437, 932, 1249, 1259, 65001 })
        EXPECT_EQ(CodePage::byNumber(number), nullptr) << number;
}

// A file's every byte survives a read and a save, in every page.
TEST(CodePages, EveryByteRoundTrips)
{
    for (const int number : { 874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258 }) {
        const CodePage* page = CodePage::byNumber(number);
        ASSERT_NE(page, nullptr) << number;
        for (unsigned byte = 0; byte < 256; ++byte)
            EXPECT_EQ(page->byteOf(page->character(static_cast<unsigned char>(byte))), byte) << number;
    }
}

struct LocaleCase {
    const char* name;
    const char* lcAll;
    const char* lcCtype;
    const char* lang;
    int page;
    const char* source;
};

class LocaleRule : public testing::TestWithParam<LocaleCase> { };

TEST_P(LocaleRule, PicksWhatWindowsGivesTheLanguage)
{
    const LocaleCase& c = GetParam();
    const CodePageChoice choice = codePageForLocale(c.lcAll, c.lcCtype, c.lang);
    EXPECT_EQ(choice.page->number(), c.page);
    EXPECT_EQ(choice.source, c.source);
}

constexpr LocaleCase kLocales[] = {
    { "nothing_set", nullptr, nullptr, nullptr, 1252, "no locale set" },
    { "all_empty", "", "", "", 1252, "no locale set" },
    { "LANG", nullptr, nullptr, "pl_PL.UTF-8", 1250, "from LANG=pl_PL.UTF-8" },
    { "LC_CTYPE_before_LANG", nullptr, "ru_RU.UTF-8", "pl_PL.UTF-8", 1251, "from LC_CTYPE=ru_RU.UTF-8" },
    { "LC_ALL_before_both", "el_GR.UTF-8", "ru_RU.UTF-8", "pl_PL", 1253, "from LC_ALL=el_GR.UTF-8" },
    { "empty_counts_as_unset", "", "", "tr_TR.UTF-8", 1254, "from LANG=tr_TR.UTF-8" },
    { "C", nullptr, nullptr, "C", 1252, "from LANG=C" },
    { "POSIX", nullptr, "POSIX", nullptr, 1252, "from LC_CTYPE=POSIX" },
    { "Serbian_Cyrillic", nullptr, nullptr, "sr_RS", 1251, "from LANG=sr_RS" },
    { "Serbian_Latin", nullptr, nullptr, "sr_RS.UTF-8@latin", 1250, "from LANG=sr_RS.UTF-8@latin" },
    { "Azerbaijani_Latin", nullptr, nullptr, "az_AZ.UTF-8", 1254, "from LANG=az_AZ.UTF-8" },
    { "Azerbaijani_Cyrillic", nullptr, nullptr, "az_AZ@cyrillic", 1251, "from LANG=az_AZ@cyrillic" },
    { "Uzbek_Latin", nullptr, nullptr, "uz_UZ", 1254, "from LANG=uz_UZ" },
    { "Uzbek_Cyrillic", nullptr, nullptr, "uz_UZ.UTF-8@cyrillic", 1251, "from LANG=uz_UZ.UTF-8@cyrillic" },
    { "Punjabi_Pakistan", nullptr, nullptr, "pa_PK.UTF-8", 1256, "from LANG=pa_PK.UTF-8" },
    { "Punjabi_India", nullptr, nullptr, "pa_IN", 1252, "from LANG=pa_IN" },
    { "Sindhi_Devanagari", nullptr, nullptr, "sd_IN@devanagari", 1252, "from LANG=sd_IN@devanagari" },
    { "Japanese_double_byte", nullptr, nullptr, "ja_JP.UTF-8", 1252, "from LANG=ja_JP.UTF-8" },
    { "Hindi_no_code_page", nullptr, nullptr, "hi_IN", 1252, "from LANG=hi_IN" },
};
INSTANTIATE_TEST_SUITE_P(HostCodePage, LocaleRule, testing::ValuesIn(kLocales),
                         [](const testing::TestParamInfo<LocaleCase>& info) { return std::string(info.param.name); });

// Windows: GetACP's page when it is one of ours, else Windows-1252.
TEST(HostCodePage, AnsiCodePageRule)
{
    EXPECT_EQ(codePageForAnsiCodePage(1250).page->number(), 1250);
    EXPECT_EQ(codePageForAnsiCodePage(1250).source, "from GetACP 1250");
    EXPECT_EQ(codePageForAnsiCodePage(932).page->number(), 1252);
    EXPECT_EQ(codePageForAnsiCodePage(65001).source, "from GetACP 65001, not a single-byte code page");
}

// Set once, before any conversion: the conversions follow it, and it stays.
TEST(CodePageInUse, SetOnceBeforeAnyConversion)
{
    const CodePage& baltic = *CodePage::byNumber(1257);
    ASSERT_TRUE(useCodePage(baltic));
    EXPECT_EQ(codePointFromByte(0xE8), U'\u010D');
    EXPECT_EQ(byteFromCodePoint(U'\u010D'), 0xE8);
    EXPECT_FALSE(isRepresentable(U'\u0436'));
    EXPECT_TRUE(useCodePage(baltic)) << "the same page again is no change";
    EXPECT_FALSE(useCodePage(*CodePage::byNumber(1250)));
    EXPECT_EQ(codePageInUse().number(), 1257);
}

} // namespace
