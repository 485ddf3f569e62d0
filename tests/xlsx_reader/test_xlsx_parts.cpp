// The xlsx reader's parts, each alone: the archive, the XML push parse, the
// relationships, number formats and dates, and a sheet's rows; and the
// depth limit on whole workbooks. What `pintwise-log import` shows of a
// workbook end to end is test_log_tool's.

#include "number_formats.h"
#include "sheet_rows.h"
#include "workbook_relationships.h"
#include "xlsx_reader.h"
#include "xml_push_parser.h"
#include "zip_parts.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <zip.h>

#include <cmath>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace pintwise;

namespace {

// A zip archive of the named parts, deflated, built in memory.
std::string zipOf(const std::vector<std::pair<std::string, std::string>>& parts)
{
    zip_source_t* archive = zip_source_buffer_create(nullptr, 0, 0, nullptr);
    zip_source_keep(archive);
    zip_t* zip = zip_open_from_source(archive, ZIP_TRUNCATE, nullptr);
    for (const auto& [name, bytes] : parts)
        zip_file_add(zip, name.c_str(), zip_source_buffer(zip, bytes.data(), bytes.size(), 0), ZIP_FL_OVERWRITE);
    zip_close(zip); // reads the parts' bytes, still alive here
    zip_stat_t stat;
    zip_source_stat(archive, &stat);
    std::string bytes(stat.size, '\0');
    zip_source_open(archive);
    zip_source_read(archive, bytes.data(), stat.size);
    zip_source_close(archive);
    zip_source_free(archive);
    return bytes;
}

// Each element and text as it goes by: "<a x=1>", "text", "</a>".
class Recorder final : public XmlHandler {
public:
    bool start(std::string_view name, const XmlAttributes& attributes) override
    {
        events += "<" + std::string(name);
        for (const char* attribute : { "x", "id" })
            if (const auto value = attributes.value(attribute); !value.empty())
                (events += " ") += attribute + ("=" + std::string(value));
        if (const auto value = attributes.value("id", "urn:r"); !value.empty())
            events += " r:id=" + std::string(value);
        events += ">";
        if (name != "stop")
            return true;
        refusal = "stopped at <stop>";
        return false;
    }
    bool end(std::string_view name) override
    {
        events += "</" + std::string(name) + ">";
        return true;
    }
    void text(std::string_view chars) override { events += chars; }

    std::string events;
};

// Parses `xml` fed `chunk` bytes at a time: its failure's message, or "".
std::string parse(std::string_view xml, XmlHandler& handler, std::size_t chunk = 4096)
{
    XmlPushParser parser("p.xml", handler);
    for (std::size_t at = 0; at < xml.size() && parser.feed(xml.substr(at, chunk)); at += chunk) { }
    parser.finish();
    const auto failure = parser.failure();
    return failure ? failure->message : "";
}

std::string nested(std::size_t depth, std::string_view name = "c")
{
    std::string xml;
    for (std::size_t i = 0; i < depth; ++i)
        ((xml += "<") += name) += ">";
    for (std::size_t i = 0; i < depth; ++i)
        ((xml += "</") += name) += ">";
    return xml;
}

// A workbook whose sheet's one row nests `depth` cells, closed or cut off
// (unused on Windows, where the one test that builds it is skipped).
[[maybe_unused]] std::string deepWorkbook(std::size_t depth, bool closed)
{
    const std::string type = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    std::string sheet = "<worksheet><sheetData><row>";
    sheet.reserve(sheet.size() + depth * (closed ? 7 : 3) + 32);
    for (std::size_t i = 0; i < depth; ++i)
        sheet += "<c>";
    for (std::size_t i = 0; closed && i < depth; ++i)
        sheet += "</c>";
    if (closed)
        sheet += "</row></sheetData></worksheet>";
    return zipOf({
        { "xl/workbook.xml", "<workbook xmlns:r=\"" + type + "\"><sheets><sheet r:id=\"rId1\"/></sheets></workbook>" },
        { "xl/_rels/workbook.xml.rels",
          "<Relationships><Relationship Id=\"rId1\" Type=\"" + type
              + "/worksheet\" Target=\"s.xml\"/></Relationships>" },
        { "xl/s.xml", sheet },
    });
}

} // namespace

TEST(ZipParts, StreamsAPartInChunksUpToItsLimit)
{
    struct Row {
        const char* name;
        std::string part;
        std::size_t size; // of xl/p.xml, in 'a's
        std::string error;
    };
    const std::size_t limit = std::size_t(1) << 20;
    const Row rows[] = {
        { "at the limit, in chunks", "xl/p.xml", limit, "" },
        { "a byte past it", "xl/p.xml", limit + 1,
          "xl/p.xml inflates to more than 1 MiB, far more than any log's workbook holds" },
        { "a part that is not there", "xl/q.xml", 1, "xl/q.xml is missing from the archive" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string bytes = zipOf({ { "xl/p.xml", std::string(row.size, 'a') } });
        ZipParts parts(bytes, limit);
        ASSERT_TRUE(parts.isOpen());
        std::size_t inflated = 0, chunks = 0, largest = 0;
        const bool whole = parts.stream(row.part, [&](std::string_view chunk) {
            inflated += chunk.size();
            largest = std::max(largest, chunk.size());
            ++chunks;
            return chunk.find_first_not_of('a') == std::string_view::npos;
        });
        EXPECT_EQ(parts.error(), row.error);
        EXPECT_EQ(whole, row.error.empty());
        if (whole) {
            EXPECT_EQ(inflated, row.size);
            EXPECT_EQ(largest, std::size_t(256) << 10);
            EXPECT_EQ(chunks, 4U);
        }
    }
}

TEST(XmlPushParser, HandsOnEventsAndRefusesWhatItMust)
{
    struct Row {
        const char* name;
        std::string xml;
        std::size_t chunk;
        std::string events;
        std::string failure;
    };
    const std::string deepest = nested(XmlPushParser::kMaxDepth);
    const Row rows[] = {
        { "attributes by name and namespace, a byte at a time",
          "<a xmlns:r=\"urn:r\" x=\"1\" r:id=\"rId9\"><b id=\"2\">t<![CDATA[<u>]]></b></a>", 1,
          "<a x=1 r:id=rId9><b id=2>t<u></b></a>", "" },
        { "as deep as it may go", deepest, 7, deepest, "" },
        { "one level deeper", nested(XmlPushParser::kMaxDepth + 1), 4096,
          nested(XmlPushParser::kMaxDepth).substr(0, 192),
          "p.xml nests its elements more than 64 deep, far deeper than any workbook's parts" },
        { "a handler's refusal stops the parse", "<a><stop/><after/></a>", 4096, "<a><stop>", "stopped at <stop>" },
        { "an error's line, across chunks", "<a>\n<b>\n</a>", 2, "<a>\n<b>\n",
          "p.xml is not well-formed XML (line 3: Opening and ending tag mismatch.)" },
        { "a part cut short", "<a><b/>", 4096, "<a><b></b>",
          "p.xml is not well-formed XML (line 1: Extra content at the end of the document.)" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Recorder recorder;
        EXPECT_EQ(parse(row.xml, recorder, row.chunk), row.failure);
        EXPECT_EQ(recorder.events, row.events);
    }
}

TEST(WorkbookRelationships, ResolvesTargetsToEntryNames)
{
    struct Row {
        const char* name;
        std::string folder, target, path;
    };
    const Row rows[] = {
        { "relative", "xl/", "worksheets/sheet1.xml", "xl/worksheets/sheet1.xml" },
        { "absolute", "xl/", "/xl/styles.xml", "xl/styles.xml" },
        { "up a folder", "xl/worksheets/", "../sharedStrings.xml", "xl/sharedStrings.xml" },
        { "dots and doubled slashes", "xl/", "./a//./b.xml", "xl/a/b.xml" },
        { "above the root stays at it", "xl/", "../../../b.xml", "b.xml" },
        { "from the package root", "", "xl/workbook.xml", "xl/workbook.xml" },
    };
    for (const Row& row : rows)
        EXPECT_EQ(resolveTarget(row.folder, row.target), row.path) << row.name;
    EXPECT_EQ(relationshipsOf("xl/workbook.xml"), "xl/_rels/workbook.xml.rels");
    EXPECT_EQ(relationshipsOf("book.xml"), "_rels/book.xml.rels");
}

TEST(WorkbookRelationships, FindsTheFirstWorksheetAndTheDateSystem)
{
    const std::string type = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    const std::string rels = "<Relationships><Relationship Id=\"rId1\" Type=\"" + type
        + "chartsheet\" Target=\"charts/c.xml\"/><Relationship Id=\"rId2\" Type=\"" + type
        + "worksheet\" Target=\"/data/s.xml\"/><Relationship Id=\"rId3\" Type=\"" + type
        + "worksheet\" Target=\"../s3.xml\"/></Relationships>";
    struct Row {
        const char* name;
        std::string workbook, sheet;
        bool date1904;
    };
    const auto book = [&](const std::string& inside) {
        return "<workbook xmlns:r=\"" + type.substr(0, type.size() - 1) + "\">" + inside + "</workbook>";
    };
    const Row rows[] = {
        { "a chart sheet first, then worksheets",
          book("<sheets><sheet r:id=\"rId1\"/><sheet r:id=\"rId3\"/>"
               "<sheet r:id=\"rId2\"/></sheets>"),
          "s3.xml", false },
        { "an absolute target", book("<sheets><sheet r:id=\"rId2\"/></sheets>"), "data/s.xml", false },
        { "an id outside the namespace is none", book("<sheets><sheet id=\"rId2\"/></sheets>"), "", false },
        { "the 1904 system as 1", book("<workbookPr date1904=\"1\"/>"), "", true },
        { "the 1904 system as true", book("<workbookPr date1904=\"true\"/>"), "", true },
        { "the 1900 system as 0", book("<workbookPr date1904=\"0\"/>"), "", false },
    };
    Relationships relationships;
    RelationshipList list("xl/", relationships);
    ASSERT_EQ(parse(rels, list), "");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WorkbookSheets sheets(relationships);
        ASSERT_EQ(parse(row.workbook, sheets), "");
        EXPECT_EQ(sheets.sheet, row.sheet);
        EXPECT_EQ(sheets.date1904, row.date1904);
    }
}

TEST(NumberFormats, KindOfACode)
{
    const std::pair<const char*, NumberKind> rows[] = {
        { "yyyy-mm-dd", NumberKind::Date },   { "mmm", NumberKind::Date },
        { "h:mm", NumberKind::Time },         { "mm:ss", NumberKind::Time },
        { "[h]:mm", NumberKind::Time },       { "m/d/yyyy h:mm", NumberKind::DateTime },
        { "[$-409]dddd", NumberKind::Date },  { "0.00", NumberKind::Number },
        { "\"day\" 0", NumberKind::Number },  { "[Red]0", NumberKind::Number },
        { "GENERAL", NumberKind::Number },    { "\\d0 _m *y", NumberKind::Number },
        { "m \xC5\xBF", NumberKind::Number }, // U+017F folds to 's': minutes
    };
    for (const auto& [code, kind] : rows)
        EXPECT_EQ(kindOfFormatCode(code), kind) << code;
}

TEST(NumberFormats, SerialAsShown)
{
    struct Row {
        double serial;
        NumberKind kind, shown; // the style's, and as shown
        bool date1904;
        std::string text;
    };
    const auto D = NumberKind::Date, T = NumberKind::Time, DT = NumberKind::DateTime, N = NumberKind::Number;
    const Row rows[] = {
        { 0, D, D, false, "1899-12-31" },
        { 1, D, D, false, "1900-01-01" },
        { 59.5, DT, DT, false, "1900-02-28 12:00:00" },
        { 60, D, D, false, "1900-02-29" },
        { 61, D, D, false, "1900-03-01" },
        { 46023, D, D, false, "2026-01-01" },
        { 0, D, D, true, "1904-01-01" },
        { 1462, D, D, true, "1908-01-02" },
        { 45000.75, DT, DT, true, "2027-03-16 18:00:00" },
        { 0.999999, T, T, false, "00:00:00" },
        { 45000.999999, DT, DT, false, "2023-03-16 00:00:00" },
        { 2958465, D, D, false, "9999-12-31" },
        // Rounded up into the year 10000, which has no date text: the time alone.
        { 2958465.999999, DT, DT, false, " 00:00:00" },
        { 2957004, D, D, true, "" },
        { 2958466, D, N, false, "2958466" },
        { -1, T, N, false, "-1" },
        { 0.1 + 0.2, N, N, false, "0.3" },
        { 1.0 / 3, N, N, false, "0.333333333333333" },
        { 1e-7, N, N, false, "1E-07" },
    };
    for (const Row& row : rows) {
        const ShownNumber shown = showNumber(row.serial, row.kind, row.date1904);
        EXPECT_EQ(shown.text, row.text) << row.serial << (row.date1904 ? " (1904)" : "");
        EXPECT_EQ(shown.kind, row.shown) << row.serial;
    }
}

TEST(NumberFormats, NumbersAsTheXmlWritesThem)
{
    const std::pair<const char*, int> ints[] = {
        { " 12\n", 12 }, { "+7", 7 }, { "-2147483648", -2147483648 }, { "2147483648", 0 }, { "1x", 0 }, { "", 0 },
    };
    for (const auto& [text, value] : ints)
        EXPECT_EQ(intOf(text), value) << text;
    EXPECT_EQ(unsignedOf("+3"), 3U);
    EXPECT_EQ(unsignedOf("-0"), std::nullopt);
    const std::pair<const char*, std::optional<double>> doubles[] = {
        { "1E+21", 1e21 },
        { "+.5", 0.5 },
        { "-inf", -HUGE_VAL },
        { "1e-310", 1e-310 },
        { "1e400", std::nullopt },
        { "1e-400", std::nullopt },
        { "+-1", std::nullopt },
        { "0x10", std::nullopt },
        { "infinity", std::nullopt },
        { "1,5", std::nullopt },
    };
    for (const auto& [text, value] : doubles)
        EXPECT_EQ(doubleOf(text), value) << text;
}

TEST(SheetRows, CellsToTextsPerColumn)
{
    struct Row {
        const char* name;
        std::string sheet;
        std::string rows;  // "row: text|text;" each
        std::string other; // "A2 what=text" each
        std::string refusal;
    };
    const auto c = [](const char* attributes, const char* inside) {
        return std::string("<c ") + attributes + ">" + inside + "</c>";
    };
    const std::string header = "<row>" + c("t=\"s\"", "<v>0</v>") + "</row>";
    const Row rows[] = {
        { "rows and cells without numbers follow the last",
          header + "<row>" + c("t=\"s\"", "<v> 1 </v>") + c("", "<v>2</v>") + "</row><row r=\"4\">"
              + c("r=\"C4\" s=\"1\"", "<v>61.25</v>") + "</row>",
          "1: H;2: x|2;3: ;4: ||1900-03-01 06:00:00;", "B2 a number=2;C4 a date=1900-03-01 06:00:00;", "" },
        { "inline rich text, its phonetic guide left out, escapes joined",
          header + "<row>"
              + c("t=\"inlineStr\"", "<is><r><t>_xD83C_</t></r><r><t>_xDF7A_!</t></r><rPh><t>no</t></rPh></is>")
              + c("t=\"inlineStr\"", "<is><t>_xD83C_</t></is>") + "</row>",
          "1: H;2: \xF0\x9F\x8D\xBA!|?;", "", "" },
        { "dates as text, booleans, a formula's string",
          header + "<row>" + c("t=\"d\"", "<v>2026-01-01T00:00:00</v>") + c("t=\"b\"", "<v>0</v>")
              + c("t=\"str\"", "<f>A1</f><v>a_x0009_</v>") + "</row>",
          "1: H;2: 2026-01-01|FALSE|a\t;", "A2 a date=2026-01-01;B2 a boolean=FALSE;C2 a formula's result=a\t;", "" },
        { "a row out of order", header + "<row r=\"1\"/>", "1: H;", "", "s.xml has a row numbered 1 out of order" },
        { "a cell past the last column", "<row>" + c("r=\"XFE1\"", "") + "</row>", "", "",
          "s.xml has a cell outside the sheet (\"XFE1\")" },
        { "a number that is not one", header + "<row>" + c("", "<v>1,5</v>") + "</row>", "1: H;", "",
          "s.xml cell A2 holds \"1,5\", which is not a number" },
    };
    SharedStrings strings;
    strings.add("H");
    strings.add("x");
    const std::vector<NumberKind> kinds { NumberKind::Number, NumberKind::DateTime };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string emitted, other;
        const SheetRows::RowHandler handler = [&](int number, std::span<const std::string> fields) {
            emitted += std::to_string(number) + ": ";
            for (const std::string& field : fields)
                (emitted += field) += &field == &fields.back() ? "" : "|";
            emitted += ";";
        };
        std::vector<SheetCell> cells;
        SheetRows sheet("s.xml", { strings, kinds, false }, handler, cells);
        EXPECT_EQ(parse("<worksheet><sheetData>" + row.sheet + "</sheetData></worksheet>", sheet), row.refusal);
        for (const SheetCell& cell : cells)
            other += columnName(cell.column) + std::to_string(cell.row) + " " + cell.what + "=" + cell.text + ";";
        EXPECT_EQ(emitted, row.rows);
        EXPECT_EQ(other, row.other);
    }
}

// The whole reader: a part nesting past the limit is refused as soon as it
// gets there, and costs no memory for the levels it never reaches.
TEST(XlsxReader, RefusesADeepSheetWithBoundedMemory)
{
#ifdef _WIN32
    GTEST_SKIP() << "measured in a child process of fork()";
#else
    struct Row {
        const char* name;
        std::size_t depth;
        bool closed;
    };
    const Row rows[] = {
        { "100,000 cells in cells", 100000, true },
        { "42 million, never closed", 42000000, false },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string bytes = deepWorkbook(row.depth, row.closed);
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            rusage before {}, after {};
            getrusage(RUSAGE_SELF, &before);
            XlsxReader reader([](int, std::span<const std::string>) {});
            reader.read(bytes);
            getrusage(RUSAGE_SELF, &after);
            const std::string report = std::to_string(after.ru_maxrss - before.ru_maxrss) + " " + reader.error();
            _exit(write(out[1], report.data(), report.size()) == ssize_t(report.size()) ? 0 : 1);
        }
        close(out[1]);
        std::string report(512, '\0');
        report.resize(std::size_t(std::max<ssize_t>(0, read(out[0], report.data(), report.size()))));
        close(out[0]);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << report;
        const std::size_t space = report.find(' ');
        EXPECT_EQ(report.substr(space + 1),
                  "xl/s.xml nests its elements more than 64 deep, far deeper than any workbook's parts");
        EXPECT_LT(std::stol(report.substr(0, space)), 32L << 10) << "KiB grown while reading";
    }
#endif
}
