// The code page tables generated from glibc's iconv against a second,
// independent source: Windows' own conversion (MultiByteToWideChar and
// WideCharToMultiByte, Wine's tables here) for every byte a table defines.
// Bytes a page leaves undefined are ours to map (code_page.h), so not
// compared.

#include "code_page.h"
#include "win32_api.h"

#include <gtest/gtest.h>

#include <string>

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

} // namespace
