// The record format: where each field lands in the 380 bytes, how text is
// cut, padded and kept in the code page, and how a file's length counts
// records. The record alone, no file.

#include "code_page.h"
#include "record.h"
#include "record_text.h"

#include <algorithm>
#include <gtest/gtest.h>

#include <vector>

using namespace pintwise;

namespace {

std::string fileForm(const Record& record)
{
    const RecordBytes bytes = record.toBytes();
    return std::string(bytes.begin(), bytes.end());
}

Record fromFileForm(const std::string& data)
{
    RecordBytes bytes {};
    std::copy(data.begin(), data.end(), bytes.begin());
    return Record::fromBytes(bytes);
}

template <typename Case> std::string caseName(const testing::TestParamInfo<Case>& info)
{
    return info.param.name;
}

std::u32string repeated(std::u32string_view text, std::size_t times)
{
    std::u32string result;
    for (std::size_t i = 0; i < times; ++i)
        result += text;
    return result;
}

struct StoringCase {
    std::string name;
    Field field;
    std::u32string text;
    std::u16string kept;  // the characters the field then reads, before padding
    std::string fileText; // their file bytes, before padding
};

std::vector<StoringCase> storingCases()
{
    const char* names[] = { "Bier", "Country", "Location", "Brewery", "Purchese", "Cost", "Style", "Taste", "Color" };
    std::vector<StoringCase> rows;
    rows.reserve(20);
    for (int i = 0; i < 9; ++i)
        rows.push_back({ std::string(names[i]) + "At" + std::to_string(i * 20), Field(i), U"ab", u"ab", "ab" });
    rows.push_back({ "NotesAt180", Field::Notes, U"ab", u"ab", "ab" });
    const std::u32string emoji = U"\U0001F37A"; // outside the BMP: a surrogate pair in UTF-16
    const std::string twenty = "abcdefghijklmnopqrst";
    const std::string notes = std::string(199, 'n') + "x";
    const auto u32 = [](const std::string& ascii) { return std::u32string(ascii.begin(), ascii.end()); };
    const auto u16 = [](const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); };
    rows.insert(
        rows.end(),
        {
            { "TwentyCharactersKept", Field::Bier, u32(twenty), u16(twenty), twenty },
            { "TwentyOneCharactersCut", Field::Color, u32(twenty + "u"), u16(twenty), twenty },
            { "Notes200Kept", Field::Notes, u32(notes), u16(notes), notes },
            { "Notes250Cut", Field::Notes, u32(notes + std::string(50, 'y')), u16(notes), notes },
            { "Empty", Field::Cost, U"", u"", "" },
            { "OuterSpacesKept", Field::Style, U"  ale ", u"  ale ", "  ale " },
            { "EAcuteEuroYDiaeresis", Field::Country, U"\u00E9\u20AC\u0178", u"\u00E9\u20AC\u0178", "\xE9\x80\x9F" },
            { "Emoji", Field::Taste, U"a" + emoji + U"b", u"a?b", "a?b" },
            { "TwentyOneEmojiCutToTwenty", Field::Bier, repeated(emoji, 21), std::u16string(20, u'?'),
              std::string(20, '?') },
            { "Cjk", Field::Location, U"\u4EAC", u"?", "?" },
        });
    return rows;
}

class Storing : public testing::TestWithParam<StoringCase> { };

// The field reads as the kept characters padded to its width, each as the
// file keeps it; in the file they land at its offset and every other byte
// of the zero record stays zero.
TEST_P(Storing, LandsAtTheFieldsOffsetCutAndPadded)
{
    const StoringCase& c = GetParam();
    const auto [offset, width] = fieldLayout(c.field);
    Record record;
    record.setField(c.field, c.text);
    EXPECT_EQ(fieldText16(record, c.field), c.kept + std::u16string(width - c.kept.size(), u' '));
    std::string expected(kRecordSize, '\0');
    expected.replace(offset, width, c.fileText + std::string(width - c.fileText.size(), ' '));
    EXPECT_EQ(fileForm(record), expected);
}

INSTANTIATE_TEST_SUITE_P(Record, Storing, testing::ValuesIn(storingCases()), caseName<StoringCase>);

TEST(Record, ZeroByteEndsText)
{
    for (int i = 0; i < kFieldCount; ++i) {
        EXPECT_EQ(fieldText16(Record(), Field(i)), u"");
        EXPECT_EQ(fieldText16(Record::blank(), Field(i)), std::u16string(fieldLayout(Field(i)).width, u' '));
    }
    EXPECT_EQ(fileForm(Record::blank()), std::string(kRecordSize, ' '));
    std::string bytes(kRecordSize, ' ');
    bytes.replace(20, 5, std::string("ab\0cd", 5));
    EXPECT_EQ(fieldText16(fromFileForm(bytes), Field::Country), u"ab");
}

// What a field shows of its bytes in the file: a zero byte ends the text,
// and trailing spaces go when asked. The rows cross the eight-byte steps
// the scans take; the field (Country) starts at byte 20, off any step.
struct ShownCase {
    std::string name;
    std::string fileText; // padded to the field's 20 bytes with spaces
    TrailingSpaces trailing;
    std::string shown;
};

class Shown : public testing::TestWithParam<ShownCase> { };

TEST_P(Shown, StopsAtZeroAndTrimsWhenAsked)
{
    const ShownCase& c = GetParam();
    std::string bytes(kRecordSize, 'x');
    bytes.replace(20, 20, c.fileText + std::string(20 - c.fileText.size(), ' '));
    const Record record = fromFileForm(bytes); // the span points into it
    const auto shown = shownBytes(record, Field::Country, c.trailing);
    EXPECT_EQ(std::string(shown.begin(), shown.end()), c.shown);
}

using namespace std::string_literals;
const auto kKeep = TrailingSpaces::Keep;
const auto kTrim = TrailingSpaces::Trim;
const ShownCase kShown[] = {
    { "NoZeroAllTwentyBytes", "abcdefghijklmnopqrst", kKeep, "abcdefghijklmnopqrst" },
    { "ZeroFirst", "\0bcdefgh"s, kKeep, "" },
    { "ZeroEndingTheFirstStep", "abcdefg\0ijk"s, kKeep, "abcdefg" },
    { "ZeroStartingTheSecondStep", "abcdefgh\0jk"s, kKeep, "abcdefgh" },
    { "ZeroInTheLastByte", "abcdefghijklmnopqrs\0"s, kKeep, "abcdefghijklmnopqrs" },
    { "BytesAbove7FAreNoZero", "\x80\x81\xFF\x01\x80\x80\x80\x80\x80\x01", kKeep,
      "\x80\x81\xFF\x01\x80\x80\x80\x80\x80\x01" + std::string(10, ' ') },
    { "TrailingSpacesKept", "Ale", kKeep, "Ale" + std::string(17, ' ') },
    { "EightTrailingSpaces", "abcdefghijkl", kTrim, "abcdefghijkl" },
    { "NineTrailingSpaces", "abcdefghijk", kTrim, "abcdefghijk" },
    { "AllSpaces", "", kTrim, "" },
    { "SpacesInsideStay", "a        b", kTrim, "a        b" },
    { "SpacesBeforeAZero", "ab        \0cd"s, kTrim, "ab" },
};
INSTANTIATE_TEST_SUITE_P(Record, Shown, testing::ValuesIn(kShown), caseName<ShownCase>);

// Latin-1 outside 0x80-0x9F; the five bytes left undefined there keep their own value.
struct CodePageCase {
    std::string name;
    unsigned char byte;
    char32_t codePoint;
};

const CodePageCase kCodePage[] = {
    { "0x41", 0x41, 0x41 }, { "0x80", 0x80, 0x20AC }, { "0x9F", 0x9F, 0x178 },
    { "0xE9", 0xE9, 0xE9 }, { "0x81", 0x81, 0x81 },   { "0x8D", 0x8D, 0x8D },
    { "0x8F", 0x8F, 0x8F }, { "0x90", 0x90, 0x90 },   { "0x9D", 0x9D, 0x9D },
};

class CodePage : public testing::TestWithParam<CodePageCase> { };

TEST_P(CodePage, ByteAndCharacterMapBothWays)
{
    const CodePageCase& c = GetParam();
    EXPECT_EQ(std::uint32_t(codePointFromByte(c.byte)), std::uint32_t(c.codePoint));
    EXPECT_EQ(int(byteFromCodePoint(c.codePoint)), int(c.byte));
}

INSTANTIATE_TEST_SUITE_P(Record, CodePage, testing::ValuesIn(kCodePage), caseName<CodePageCase>);

TEST(Record, EveryByteRoundTrips)
{
    std::string bytes(kRecordSize, '\0');
    for (std::size_t i = 0; i < kRecordSize; ++i)
        bytes[i] = char((i + 1) % 256);
    EXPECT_EQ(fileForm(fromFileForm(bytes)), bytes);
}

struct CountingCase {
    std::uint64_t length;
    std::int64_t records;
};

const CountingCase kCounting[] = {
    { 0, 0 },   { 189, 0 }, { 190, 0 }, { 191, 1 },  { 380, 1 },          { 569, 1 },          { 570, 2 },
    { 571, 2 }, { 950, 2 }, { 951, 3 }, { 1330, 4 }, { 12451649, 32767 }, { 12451650, 32768 },
};

class Counting : public testing::TestWithParam<CountingCase> { };

TEST_P(Counting, RoundsHalvesToEven)
{
    EXPECT_EQ(recordCountForLength(GetParam().length), GetParam().records);
}

INSTANTIATE_TEST_SUITE_P(Record, Counting, testing::ValuesIn(kCounting),
                         [](const testing::TestParamInfo<CountingCase>& info) {
                             return std::to_string(info.param.length) + "Bytes";
                         });

} // namespace
