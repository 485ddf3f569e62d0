// pintwise-log export and check, in process: what an exported workbook holds,
// every format's round trip byte for byte, every slot a row, and check's
// report on logs whole, odd and too large.

#include "record_text.h"
#include "record_writers.h"
#include "workbooks.h"

#include <algorithm>
#include <nlohmann/json.hpp>

using namespace pintwise;
using namespace pintwise::test;

namespace {

// What the export's workbook holds, in the sheet's own XML.
struct XmlRow {
    std::string name;
    std::string xml;
};

class ExportXlsx : public testing::TestWithParam<XmlRow> { };

TEST_P(ExportXlsx, SheetHolds)
{
    const TempFolder log;
    log.write(recordBytes({ "007", {}, {}, {}, {}, {}, {}, {}, {}, "=SUM(A1)" }) + kSpaces);
    const ToolRun run = runTool({ "export", "--format", "xlsx", pathText(log.log()) });
    ASSERT_EQ(run.status, 0);
    const auto path = log.path() / "out.xlsx";
    writeFile(path, run.out);
    const std::string sheet = unzipPart(path, "xl/worksheets/sheet1.xml");
    ASSERT_FALSE(sheet.empty());
    EXPECT_NE(sheet.find(GetParam().xml), std::string::npos) << sheet;
}

INSTANTIATE_TEST_SUITE_P(
    Workbook, ExportXlsx,
    testing::Values(XmlRow { "the header row frozen",
                             "<pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" state=\"frozen\"/>" },
                    XmlRow { "Record a number cell", "<c r=\"A2\"><v>1</v></c>" },
                    XmlRow { "a number-like text a string cell",
                             "<c r=\"B2\" s=\"2\" t=\"inlineStr\"><is><t>007</t></is></c>" },
                    XmlRow { "a formula-like text a string cell",
                             "<c r=\"K2\" s=\"2\" t=\"inlineStr\"><is><t>=SUM(A1)</t></is></c>" },
                    XmlRow { "text columns readable and formatted as text",
                             "<col min=\"10\" max=\"10\" width=\"22.7109375\" style=\"2\" customWidth=\"1\"/>" },
                    XmlRow { "Notes wider", "<col min=\"11\" max=\"11\" width=\"60.7109375\" style=\"2\"" },
                    XmlRow { "a deleted entry keeps its number", "<row r=\"3\"><c r=\"A3\"><v>2</v></c></row>" }),
    RowName());

// A record holding every byte from 0x01 to 0xFF once: Notes takes the first
// 200, the other fields the rest, each ending in a character that is not a space.
std::string everyByteRecord()
{
    std::string bytes;
    for (int b = 0x01; b <= 0xFF; ++b)
        bytes += char(b);
    const std::string notes = bytes.substr(0, 200), rest = bytes.substr(200); // 55 bytes
    return recordBytes({ rest.substr(0, 20), rest.substr(20, 20), rest.substr(40), {}, {}, {}, {}, {}, {}, notes });
}

// Space-padded records, blank ones and every byte 0x01-0xFF come back
// byte for byte; JSON carries the same texts as the window shows them.
class RoundTrip : public testing::TestWithParam<std::string> { };

TEST_P(RoundTrip, ComesBackByteForByte)
{
    const std::string format = GetParam();
    const TempFolder log, copy;
    const std::string tricky
        = recordBytes({ "  lead", "a,b", "say \"hi\"", "line\r\nbreak", "\"", "x\ry", "tab\t", "_x0041_", "<&>" });
    const std::string original = sampleRecord("one") + kSpaces + everyByteRecord() + tricky;
    log.write(original);
    const std::string exported = pathText(log.path() / ("out." + format));
    ASSERT_EQ(runTool({ "export", "--format", format, "--output", exported, pathText(log.log()) }).status, 0);
    const ToolRun imported = runTool({ "import", exported, pathText(copy.log()) });
    EXPECT_EQ(imported.err, "");
    EXPECT_EQ(copy.read(), original);
    if (format != "json")
        return;

    // Read by a parser of its own, as any program reading the export would.
    const auto rows = nlohmann::json::parse(readFile(exported), nullptr, false);
    ASSERT_FALSE(rows.is_discarded());
    ASSERT_EQ(rows.size(), 4U);
    for (std::size_t n = 1; n <= 4; ++n) {
        RecordBytes bytes {};
        const std::string slice = original.substr((n - 1) * kRecordSize, kRecordSize);
        std::copy(slice.begin(), slice.end(), bytes.begin());
        const Record record = Record::fromBytes(bytes);
        const auto& row = rows[n - 1];
        EXPECT_EQ(row.value("Record", 0), int(n));
        for (int f = 0; f < kFieldCount; ++f) {
            std::string shown;
            appendUtf8(shown, shownBytes(record, Field(f), TrailingSpaces::Trim));
            EXPECT_EQ(row.value(kColumnNames[std::size_t(f) + 1], std::string("missing")), shown);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, RoundTrip, testing::Values("csv", "json", "xlsx"),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

// Never-written slots and a partial record export as empty texts, one row each.
TEST(Export, EverySlotIsARow)
{
    const TempFolder log;
    log.write(sampleRecord("one") + kZeros + kSpaces + "Part");
    const ToolRun run = runTool({ "export", pathText(log.log()) });
    EXPECT_EQ(run.status, 0);
    const std::string header = "Record,Bier,Country,Location,Brewery,Purchese,Cost,Style,Taste,Color,Notes\r\n";
    EXPECT_EQ(run.out,
              header
                  + "1,one,one 2,one 3,one 4,one 5,one 6,one 7,one 8,one 9,one 10\r\n"
                    "2,,,,,,,,,,\r\n3,,,,,,,,,,\r\n");
    log.write(sampleRecord("one") + kZeros + kSpaces + std::string(20, 'P') + std::string(180, ' '));
    EXPECT_TRUE(
        runTool({ "export", pathText(log.log()) }).out.ends_with("\r\n4," + std::string(20, 'P') + ",,,,,,,,,\r\n"));
}

struct CheckRow {
    std::string name;
    std::string contents;
    std::uintmax_t sparseLength;    // > 0: the file is that long, all zeros
    std::vector<std::string> lines; // among the report's lines
    std::string problem;            // empty: exit status 0
};

class Check : public testing::TestWithParam<CheckRow> { };

TEST_P(Check, Reports)
{
    const CheckRow& row = GetParam();
    const TempFolder log;
    log.write(row.contents);
    if (row.sparseLength > 0)
        std::filesystem::resize_file(log.log(), row.sparseLength);
    const ToolRun run = runTool({ "check", pathText(log.log()) });
    std::vector<std::string> got;
    for (std::size_t at = 0; at <= run.out.size();) {
        const auto end = std::min(run.out.find('\n', at), run.out.size());
        got.push_back(run.out.substr(at, end - at));
        at = end + 1;
    }
    const std::string file = quoted(pathText(log.log()));
    EXPECT_EQ(got.front(), "File: " + file);
    const auto has = [&](const std::string& line) { return std::find(got.begin(), got.end(), line) != got.end(); };
    for (const std::string& line : row.lines)
        EXPECT_TRUE(has(line)) << line << "\nnot in\n" << run.out;
    EXPECT_EQ(run.status, row.problem.empty() ? 0 : 1);
    EXPECT_EQ(run.err, row.problem.empty() ? std::string() : "pintwise-log: " + file + " " + row.problem + "\n");
    if (!row.problem.empty()) {
        EXPECT_TRUE(has("Result: " + file + " " + row.problem));
    }
    EXPECT_EQ(std::filesystem::file_size(log.log()), row.sparseLength > 0 ? row.sparseLength : row.contents.size());
}

std::string mixed()
{
    std::string record = kSpaces;
    record[25] = '\0';
    return record;
}

std::string odd(bool odder)
{
    std::string record = sampleRecord("b");
    record[3] = '\x81';
    if (odder)
        record[300] = '\x9D';
    return record;
}

const std::string kOk = "Result: OK";

// The suite's locale (CMakeLists.txt) gives Windows-1252: on Linux through
// LANG, under Wine through GetACP(), which Wine takes from it.
#ifdef _WIN32
const std::string kWesternCodePage = "Code page: Windows-1252 (from GetACP 1252)";
#else
const std::string kWesternCodePage = "Code page: Windows-1252 (from LANG=C.UTF-8)";
#endif

INSTANTIATE_TEST_SUITE_P(
    Logs, Check,
    testing::Values(
        CheckRow { "new, empty",
                   "",
                   0,
                   { "Length: 0 bytes", "Records: 0 (the length over 380, rounded to the nearest, a half to the even)",
                     "Partial record at the end: none", kOk },
                   "" },
        CheckRow { "text, blank, never written, mixed",
                   sampleRecord("a") + kSpaces + kZeros + mixed(),
                   0,
                   { "Entries with text: 1", "Blank entries (all spaces): 1", "Never written (all zeros): 1",
                     "Empty, spaces and zeros mixed: 1, record 4 (the window shows them empty)", kWesternCodePage,
                     "Undefined Windows-1252 bytes: none", "Opens in Pintwise: yes, 4 of at most 32767 records", kOk },
                   "" },
        CheckRow { "undefined bytes",
                   odd(false) + kSpaces + odd(true),
                   0,
                   { "Entries with text: 2",
                     "Undefined Windows-1252 bytes: 3 (0x81 in records 1, 3; 0x9D in record 3), kept as they are",
                     kOk },
                   "" },
        CheckRow { "bytes other code pages leave undefined",
                   recordBytes({ "\xAA\xA1\xFF" }),
                   0,
                   { "Undefined Windows-1252 bytes: none", kOk },
                   "" },
        CheckRow { "partial record, counted",
                   sampleRecord("a") + sampleRecord("b") + std::string(200, 'c'),
                   0,
                   { "Records: 3 (the length over 380, rounded to the nearest, a half to the even)",
                     "Partial record at the end: 200 bytes, counted as record 3 (its missing bytes read as zeros)",
                     "Entries with text: 3" },
                   "ends in a partial record of 200 bytes" },
        CheckRow { "partial record, not counted",
                   sampleRecord("a") + std::string(189, 'c'),
                   0,
                   { "Length: 569 bytes", "Entries with text: 1",
                     "Partial record at the end: 189 bytes, not counted (the window never shows them)" },
                   "ends in a partial record of 189 bytes" },
        CheckRow { "too large for the window",
                   "",
                   12451650,
                   { "Records: 32768 (the length over 380, rounded to the nearest, a half to the even)",
                     "Read: the first 32767 records, all the window could reach", "Never written (all zeros): 32767",
                     "Opens in Pintwise: no, 32768 records, more than 32767" },
                   "has 32768 records, more than the 32767 Pintwise opens" }),
    RowName());

} // namespace
