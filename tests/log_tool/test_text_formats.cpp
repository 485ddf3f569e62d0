// A field's bytes as each export format writes them, and CSV read back in
// pieces of any size: the texts alone, without a log.

#include "csv_reader.h"
#include "log_tool_support.h"
#include "record_writers.h"
#include "xlsx_writer.h"

using namespace pintwise;
using namespace pintwise::test;

namespace {

// `bytes`: the field as the log keeps it, in Windows-1252.
struct TextRow {
    std::string name;
    std::string bytes;
    std::string written;
};

std::span<const unsigned char> asField(const std::string& bytes)
{
    return { reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size() };
}

class CsvField : public testing::TestWithParam<TextRow> { };

TEST_P(CsvField, IsWrittenAsOneValue)
{
    std::string out;
    CsvWriter::appendField(out, asField(GetParam().bytes));
    EXPECT_EQ(out, GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(Texts, CsvField,
                         testing::Values(TextRow { "plain", "Pils", "Pils" }, TextRow { "empty", "", "" },
                                         TextRow { "leading spaces kept, unquoted", "  Ale", "  Ale" },
                                         TextRow { "comma", "Pils, hell", "\"Pils, hell\"" },
                                         TextRow { "quotes doubled", "say \"hi\"", "\"say \"\"hi\"\"\"" },
                                         TextRow { "a lone quote", "\"", "\"\"\"\"" },
                                         TextRow { "LF", "a\nb", "\"a\nb\"" }, TextRow { "CR", "a\rb", "\"a\rb\"" },
                                         TextRow { "tab and semicolon stay bare", "a\t;b", "a\t;b" },
                                         TextRow { "UTF-8", "\xE9\x80", "\xC3\xA9\xE2\x82\xAC" },
                                         TextRow { "UTF-8 inside and after eight bytes", "K\xF6lsch aus K\xF6ln",
                                                   "K\xC3\xB6lsch aus K\xC3\xB6ln" },
                                         TextRow { "a comma late", "Pilsner Urquell,", "\"Pilsner Urquell,\"" },
                                         TextRow { "C1 control of an undefined byte", "\x81", "\xC2\x81" }),
                         RowName());

class JsonString : public testing::TestWithParam<TextRow> { };

TEST_P(JsonString, IsWrittenAsOneString)
{
    std::string out;
    JsonWriter::appendString(out, asField(GetParam().bytes));
    EXPECT_EQ(out, GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(Texts, JsonString,
                         testing::Values(TextRow { "plain", "Pils", "\"Pils\"" },
                                         TextRow { "quote and backslash", "a\"b\\c", "\"a\\\"b\\\\c\"" },
                                         TextRow { "line breaks and tab", "a\r\n\tb", "\"a\\r\\n\\tb\"" },
                                         TextRow { "other controls", "\x01\x1f", "\"\\u0001\\u001f\"" },
                                         TextRow { "DEL and C1 stay raw", "\x7f\x9D", "\"\x7f\xC2\x9D\"" },
                                         TextRow { "UTF-8", "K\xF6ln \x80", "\"K\xC3\xB6ln \xE2\x82\xAC\"" }),
                         RowName());

class XlsxCellText : public testing::TestWithParam<TextRow> { };

TEST_P(XlsxCellText, IsWrittenAsTheCellHoldsIt)
{
    std::string out;
    XlsxWriter::appendCellText(out, asField(GetParam().bytes));
    EXPECT_EQ(out, GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(Texts, XlsxCellText,
                         testing::Values(TextRow { "plain", "_x004 _x0041", "_x004 _x0041" },
                                         TextRow { "what reads as an escape keeps its underscore", "a_x0041_b_x00e9_",
                                                   "a_x005F_x0041_b_x005F_x00e9_" }),
                         RowName());

struct CsvRow {
    std::string name;
    std::string input;
    std::string rows; // "1:a|b / 2:c": each row's first line, then its fields
    std::string error;
};

// The rows `input` makes, fed whole or a byte at a time.
std::string readCsv(const std::string& input, bool byteByByte, std::string& error)
{
    std::string rows;
    CsvReader reader([&](int line, std::span<const std::string> fields, std::size_t, std::span<const LongValue>) {
        rows += (rows.empty() ? "" : " / ") + std::to_string(line) + ":";
        for (std::size_t i = 0; i < fields.size(); ++i)
            rows += (i ? "|" : "") + fields[i];
    });
    bool fine = true;
    if (byteByByte) {
        for (std::size_t i = 0; fine && i < input.size(); ++i)
            fine = reader.feed(std::string_view(input).substr(i, 1));
    } else {
        fine = reader.feed(input);
    }
    if (fine)
        reader.finish();
    error = reader.error();
    return rows;
}

class CsvReading : public testing::TestWithParam<CsvRow> { };

TEST_P(CsvReading, MakesTheSameRowsInPiecesOfAnySize)
{
    for (const bool byteByByte : { false, true }) {
        SCOPED_TRACE(byteByByte ? "a byte at a time" : "whole");
        std::string error;
        EXPECT_EQ(readCsv(GetParam().input, byteByByte, error), GetParam().rows);
        EXPECT_EQ(error, GetParam().error);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CsvReading,
    testing::Values(
        CsvRow { "LF", "a,b\nc,d\n", "1:a|b / 2:c|d", "" }, CsvRow { "CRLF", "a,b\r\nc,d\r\n", "1:a|b / 2:c|d", "" },
        CsvRow { "no line end at the end", "a,b\nc,d", "1:a|b / 2:c|d", "" },
        CsvRow { "BOM",
                 "\xEF\xBB\xBF"
                 "a,b\n",
                 "1:a|b", "" },
        CsvRow { "BOM alone", "\xEF\xBB\xBF", "", "" },
        CsvRow { "BOM-like text is data",
                 "\xEF\xBB"
                 "x\n",
                 "1:\xEF\xBB"
                 "x",
                 "" },
        CsvRow { "quoted line breaks", "\"x\ny\r\nz\",w\r\nv\n", "1:x\ny\r\nz|w / 4:v", "" },
        CsvRow { "quotes and commas", "\"a \"\"q\"\", b\",c\n", "1:a \"q\", b|c", "" },
        CsvRow { "spaces kept", " a , b \n", "1: a | b ", "" },
        CsvRow { "empty fields", ",,\n\"\",x\n", "1:|| / 2:|x", "" },
        CsvRow { "blank lines skipped", "a\n\n\r\nb\n", "1:a / 4:b", "" },
        CsvRow { "quote inside a bare field", "ok\na\"b,c\n", "1:ok", "line 2: a double quote out of place" },
        CsvRow { "text after the closing quote", "\"a\"b\n", "", "line 1: a double quote out of place" },
        CsvRow { "unbalanced quote", "a,b\n\"c,d\ne\n", "1:a|b", "line 2: a quoted field is never closed" }),
    RowName());

} // namespace
