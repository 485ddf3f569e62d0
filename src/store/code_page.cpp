#include "code_page.h"

#include "code_page_tables.h"
#include "host_code_page.h"

#include <algorithm>
#include <cstddef>

namespace pintwise {

namespace {

using generated::CodePageTable;
using generated::kCodePageTables;
constexpr std::size_t kPageCount = std::size(kCodePageTables);

constexpr CodePage::ByteOfCharacter upperBytesOf(const CodePageTable& table)
{
    CodePage::ByteOfCharacter pairs {};
    for (unsigned byte = 0x80; byte < 256; ++byte)
        pairs[byte - 0x80] = { table.characters[byte], static_cast<unsigned char>(byte) };
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}

// byteOf() takes a character below 0x80 for its own byte and looks the rest
// up among the upper bytes: right only while every page is ASCII below 0x80
// and no two bytes share a character, which the compiler checks here.
constexpr bool everyByteRoundTrips(const CodePageTable& table)
{
    for (unsigned byte = 0; byte < 0x80; ++byte) {
        if (table.characters[byte] != byte)
            return false;
    }
    const CodePage::ByteOfCharacter upper = upperBytesOf(table);
    for (std::size_t i = 0; i < upper.size(); ++i) {
        if (upper[i].first < 0x80 || (i > 0 && upper[i - 1].first == upper[i].first))
            return false;
    }
    return true;
}
static_assert(std::all_of(std::begin(kCodePageTables), std::end(kCodePageTables), everyByteRoundTrips),
              "a generated code page breaks the round trip of its bytes");

constexpr std::array<CodePage::ByteOfCharacter, kPageCount> kUpperBytes = [] {
    std::array<CodePage::ByteOfCharacter, kPageCount> tables {};
    for (std::size_t i = 0; i < kPageCount; ++i)
        tables[i] = upperBytesOf(kCodePageTables[i]);
    return tables;
}();

// "Windows-874" ... "Windows-1258".
using Name = std::array<char, 16>;
constexpr std::array<Name, kPageCount> kNames = [] {
    std::array<Name, kPageCount> names {};
    for (std::size_t i = 0; i < kPageCount; ++i) {
        const std::string_view prefix = "Windows-";
        std::copy(prefix.begin(), prefix.end(), names[i].begin());
        char digits[8] {};
        int length = 0;
        for (int n = kCodePageTables[i].number; n > 0; n /= 10)
            digits[length++] = static_cast<char>('0' + n % 10);
        std::reverse_copy(digits, digits + length, names[i].begin() + prefix.size());
    }
    return names;
}();

template <std::size_t... I> constexpr std::array<CodePage, kPageCount> makePages(std::index_sequence<I...>)
{
    return { CodePage(kCodePageTables[I].number, std::string_view(kNames[I].data()), kCodePageTables[I].characters,
                      kCodePageTables[I].defined, kUpperBytes[I])... };
}
constexpr std::array<CodePage, kPageCount> kPages = makePages(std::make_index_sequence<kPageCount>());

} // namespace

const CodePage* CodePage::byNumber(int number)
{
    const auto* page
        = std::find_if(kPages.begin(), kPages.end(), [number](const CodePage& p) { return p.number() == number; });
    return page == kPages.end() ? nullptr : page;
}

unsigned char CodePage::byteOf(char32_t codePoint) const
{
    if (codePoint < 0x80)
        return static_cast<unsigned char>(codePoint);
    if (codePoint > 0xFFFF)
        return '?';
    const auto key = static_cast<char16_t>(codePoint);
    const auto found = std::lower_bound(m_upperBytes->begin(), m_upperBytes->end(), key,
                                        [](const auto& pair, char16_t c) { return pair.first < c; });
    return found != m_upperBytes->end() && found->first == key ? found->second : '?';
}

const CodePage& detail::fixCodePageInUse()
{
    const CodePage* expected = nullptr;
    g_codePageInUse.compare_exchange_strong(expected, hostCodePage().page, std::memory_order_acq_rel);
    return *g_codePageInUse.load(std::memory_order_acquire);
}

bool useCodePage(const CodePage& page)
{
    const CodePage* expected = nullptr;
    return detail::g_codePageInUse.compare_exchange_strong(expected, &page, std::memory_order_acq_rel)
        || expected == &page;
}

} // namespace pintwise
