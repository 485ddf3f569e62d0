// pintwise-log import, in process: every row of a table is an input file
// imported into a log of one record ("old"), or none at all, with what the
// tool says and what the log holds afterwards. Then the import's guarantees:
// all or nothing whichever OS call fails, the window's lock, the log's limit.

#include "faulty_file_api.h"
#include "log_store.h"
#include "workbooks.h"
#include "xlsx_reader.h"

#include <algorithm>
#include <optional>

using namespace pintwise;
using namespace pintwise::test;

namespace {

struct ImportRow {
    std::string name;
    std::optional<std::string> before; // none: no log file
    std::vector<std::string> options;
    std::string input; // the file is "in.csv", whatever it holds
    int status;
    std::string out; // %LOG% the log, %CSV% the input
    std::string err;
    std::string added; // after `before`
};

class Import : public testing::TestWithParam<ImportRow> { };

TEST_P(Import, SaysWhatItDidAndAddsAllOrNothing)
{
    const ImportRow& row = GetParam();
    const TempFolder log;
    if (row.before)
        log.write(*row.before);
    const std::string csvPath = pathText(log.path() / "in.csv");
    writeFile(csvPath, row.input);
    std::vector<std::string> arguments { "import" };
    arguments.insert(arguments.end(), row.options.begin(), row.options.end());
    arguments.insert(arguments.end(), { csvPath, pathText(log.log()) });
    const ToolRun run = runTool(arguments);
    const auto filled = [&](const std::string& text) {
        return fill(text, { { "%LOG%", pathText(log.log()) }, { "%CSV%", csvPath } });
    };
    EXPECT_EQ(run.err, filled(row.err));
    EXPECT_EQ(run.out, filled(row.out));
    EXPECT_EQ(run.status, row.status);
    const bool dryRun = std::find(row.options.begin(), row.options.end(), "--dry-run") != row.options.end();
    EXPECT_EQ(std::filesystem::exists(log.log()), row.before.has_value() || (row.status == 0 && !dryRun));
    EXPECT_EQ(log.read(), row.before.value_or("") + row.added);
}

const std::string kOld = sampleRecord("old");
const std::string kNothing = "; nothing was added\n";
const std::string kCutHint = "; nothing was added (--cut stores texts as the window would: cut to width, '?' "
                             "for a character Windows-1252 lacks):";
const std::string kAdded1 = "Added 1 entry to \"%LOG%\"; it now holds 2.\n";
// Past what the reader keeps of a value: 3000 'x', and "é" before 3000 "ł".
std::string longToCut()
{
    std::string text = "Bier,Notes\n" + std::string(3000, 'x') + ",\xC3\xA9";
    for (int i = 0; i < 3000; ++i)
        text += "\xC5\x82";
    return text + "\n";
}
const std::string kLongToCut = longToCut();
const std::string kFits
    = "Bier,Notes\n" + std::string(21, 'x') + ",ok\nfine," + std::string(201, 'n') + "\n\xCE\x95\xCE\xBB,x\nfine,\n";

INSTANTIATE_TEST_SUITE_P(
    Csv, Import,
    testing::Values(
        ImportRow { "any case, Record ignored, missing columns empty",
                    kOld,
                    {},
                    "record,BIER,notes\r\n7,Pils,fine\r\n",
                    0,
                    kAdded1,
                    "",
                    recordBytes({ "Pils", "", "", "", "", "", "", "", "", "fine" }) },
        ImportRow { "columns in any order",
                    kOld,
                    {},
                    "Notes,Bier\nn,b\n",
                    0,
                    kAdded1,
                    "",
                    recordBytes({ "b", "", "", "", "", "", "", "", "", "n" }) },
        ImportRow { "an empty row is a blank entry", kOld, {}, "Bier,Country\n,\n", 0, kAdded1, "", kSpaces },
        ImportRow { "trailing spaces past the width are padding",
                    kOld,
                    {},
                    "Bier\n\"twenty characters!!     \"\n",
                    0,
                    kAdded1,
                    "",
                    recordBytes({ "twenty characters!!" }) },
        ImportRow { "header only", kOld, {}, "Bier\r\n", 0, "Added 0 entries to \"%LOG%\"; it now holds 1.\n", "", "" },
        ImportRow { "no log yet: created",
                    std::nullopt,
                    {},
                    "Bier\nx\ny\n",
                    0,
                    "Added 2 entries to \"%LOG%\"; it now holds 2.\n",
                    "",
                    recordBytes({ "x" }) + recordBytes({ "y" }) },
        ImportRow { "no log yet, refused: none created",
                    std::nullopt,
                    {},
                    "Bier\n" + std::string(21, 'x') + "\n",
                    1,
                    "",
                    "pintwise-log: \"%CSV%\" has 1 problem" + kCutHint
                        + "\n  line 2, Bier: 21 characters, but the field holds 20\n",
                    "" },
        ImportRow { "dry run",
                    kOld,
                    { "--dry-run" },
                    "Bier\nx\n",
                    0,
                    "Would add 1 entry to \"%LOG%\"; it would then hold 2. Nothing was changed.\n",
                    "",
                    "" },
        ImportRow { "dry run, no log: none created",
                    std::nullopt,
                    { "--dry-run" },
                    "Bier\nx\n",
                    0,
                    "Would add 1 entry to \"%LOG%\", creating it; it would then hold 1. Nothing was changed.\n",
                    "",
                    "" },
        ImportRow { "unknown column",
                    kOld,
                    {},
                    "Bier,Price\nx,1\n",
                    1,
                    "",
                    "pintwise-log: \"%CSV%\" line 1: unknown column \"Price\"; the columns are Record, Bier, Country, "
                    "Location, Brewery, Purchese, Cost, Style, Taste, Color and Notes"
                        + kNothing,
                    "" },
        ImportRow { "a column twice",
                    kOld,
                    {},
                    "Bier,bier\nx,y\n",
                    1,
                    "",
                    "pintwise-log: \"%CSV%\" line 1: the column Bier appears twice" + kNothing,
                    "" },
        ImportRow { "no header", kOld, {}, "\n", 1, "", "pintwise-log: \"%CSV%\" has no header row" + kNothing, "" },
        ImportRow { "not CSV",
                    kOld,
                    {},
                    "Bier\nx\n\"open\n",
                    1,
                    "",
                    "pintwise-log: \"%CSV%\" is not valid CSV: line 3: a quoted field is never closed" + kNothing,
                    "" },
        ImportRow { "every place that would not survive",
                    kOld,
                    {},
                    kFits + "\xE9t\xE9,x\n" + std::string("b,\"a\0b\"\n", 8) + "short\n",
                    1,
                    "",
                    "pintwise-log: \"%CSV%\" has 6 problems" + kCutHint
                        + "\n  line 2, Bier: 21 characters, but the field holds 20"
                          "\n  line 3, Notes: 201 characters, but the field holds 200"
                          "\n  line 4, Bier: \"\u0395\" (U+0395) is not a Windows-1252 character"
                          "\n  line 6, Bier: not UTF-8 text"
                          "\n  line 7, Notes: a zero character would end the text"
                          "\n  line 8: 1 value, but the header has 2 columns\n",
                    "" },
        ImportRow { "a value longer than a reader keeps is counted whole",
                    kOld,
                    {},
                    "Bier,Notes\n" + std::string(3000, 'x') + ",n\n" + std::string(3000, 'y') + "\xC5\x81,n\ns"
                        + std::string(3000, ' ') + ",\"" + std::string(2000, ' ') + "\xff\"\n" + std::string(70, ',')
                        + "\n",
                    1,
                    "",
                    "pintwise-log: \"%CSV%\" has 5 problems" + kCutHint
                        + "\n  line 2, Bier: 3000 characters, but the field holds 20"
                          "\n  line 3, Bier: 3001 characters, but the field holds 20"
                          "\n  line 3, Bier: \"\u0141\" (U+0141) is not a Windows-1252 character"
                          "\n  line 4, Notes: not UTF-8 text"
                          "\n  line 5: 71 values, but the header has 2 columns\n",
                    "" },
        ImportRow {
            "a long value cut as the window stores it",
            kOld,
            { "--cut" },
            kLongToCut,
            0,
            "2 values were cut to fit or had characters replaced by '?'.\n" + kAdded1,
            "",
            recordBytes({ std::string(20, 'x'), {}, {}, {}, {}, {}, {}, {}, {}, "\xE9" + std::string(199, '?') }) },
        ImportRow { "cut: stored as the window stores it",
                    kOld,
                    { "--cut" },
                    kFits,
                    0,
                    "3 values were cut to fit or had characters replaced by '?'.\n"
                    "Added 4 entries to \"%LOG%\"; it now holds 5.\n",
                    "",
                    recordBytes({ std::string(20, 'x'), {}, {}, {}, {}, {}, {}, {}, {}, "ok" })
                        + recordBytes({ "fine", {}, {}, {}, {}, {}, {}, {}, {}, std::string(200, 'n') })
                        + recordBytes({ "??", {}, {}, {}, {}, {}, {}, {}, {}, "x" }) + recordBytes({ "fine" }) }),
    RowName());

// Workbooks and JSON, found by their content, read by the same column rules as CSV.
const std::string kNotXlsx = "pintwise-log: \"%CSV%\" is not an xlsx workbook pintwise-log can read: ";

INSTANTIATE_TEST_SUITE_P(
    Formats, Import,
    testing::Values(
        ImportRow { "xlsx: shared, inline and rich text as they are",
                    kOld,
                    {},
                    workbook(kHeader + row("2", "<c r=\"A2\" t=\"s\"><v>0</v></c><c r=\"B2\" t=\"s\"><v>1</v></c>"),
                             "<si><t xml:space=\"preserve\"> 007</t></si><si><r><t>3.</t></r><r><rPr><b/></rPr>"
                             "<t>50</t></r><rPh><t>ignored</t></rPh></si>"),
                    0,
                    kAdded1,
                    "",
                    recordBytes({ " 007", {}, {}, {}, {}, "3.50" }) },
        ImportRow { "xlsx: _xHHHH_ escapes",
                    kOld,
                    {},
                    workbook(kHeader + row("2", text("A2", "a_x000D_b_x0009_") + text("B2", "_x005F_x0041_"))),
                    0,
                    kAdded1,
                    "",
                    recordBytes({ "a\rb\t", {}, {}, {}, {}, "_x0041_" }) },
        ImportRow {
            "xlsx: CDATA and character references are text",
            kOld,
            {},
            workbook(kHeader + row("2", text("A2", "<![CDATA[a<b]]>&#65;") + "<c r=\"B2\" t=\"s\"><v>0</v></c>"),
                     "<si><t>x</t><t><![CDATA[y]]></t></si>"),
            0,
            kAdded1,
            "",
            recordBytes({ "a<bA", {}, {}, {}, {}, "xy" }) },
        ImportRow { "xlsx: entities the sheet declares are neither expanded nor loaded",
                    kOld,
                    {},
                    workbook(kHeader + row("2", text("A2", "&e;") + text("B2", "&x;")), {}, {},
                             "<sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/>",
                             "<!DOCTYPE worksheet [<!ENTITY e \"expanded\"><!ENTITY x SYSTEM "
                             "\"file:///etc/hostname\">]>"),
                    1,
                    "",
                    kNotXlsx + "xl/worksheets/sheet1.xml is not well-formed XML (line 1: Entity 'e' not defined.)"
                        + kNothing,
                    "" },
        ImportRow {
            "xlsx: cells that are not text, imported as General shows them and listed",
            kOld,
            {},
            workbook(kHeader + row("2", "<c r=\"A2\"><v>3.5</v></c><c r=\"B2\" s=\"1\"><v>46023</v></c>")
                         + row("3", "<c r=\"A3\" t=\"b\"><v>1</v></c><c r=\"B3\" s=\"2\"><v>0.5208333333333334</v></c>")
                         + row("4", "<c r=\"A4\" t=\"str\"><f>A1</f><v>x</v></c><c r=\"B4\"><v>1E+21</v></c>"),
                     {}, "<xf numFmtId=\"14\"/><xf numFmtId=\"164\"/>"),
            0,
            "Added 3 entries to \"%LOG%\"; it now holds 4.\n",
            "pintwise-log: \"%CSV%\" has 6 cells that the spreadsheet does not hold as text; each is imported "
            "as its General format shows it:\n"
            "  row 2, Bier (A2): a number, imported as \"3.5\"\n"
            "  row 2, Cost (B2): a date, imported as \"2026-01-01\"\n"
            "  row 3, Bier (A3): a boolean, imported as \"TRUE\"\n"
            "  row 3, Cost (B3): a time, imported as \"12:30:00\"\n"
            "  row 4, Bier (A4): a formula's result, imported as \"x\"\n"
            "  row 4, Cost (B4): a number, imported as \"1E+21\"\n",
            recordBytes({ "3.5", {}, {}, {}, {}, "2026-01-01" }) + recordBytes({ "TRUE", {}, {}, {}, {}, "12:30:00" })
                + recordBytes({ "x", {}, {}, {}, {}, "1E+21" }) },
        ImportRow {
            "xlsx: a dry run lists them too",
            kOld,
            { "--dry-run" },
            workbook(kHeader + row("2", "<c r=\"B2\"><v>7</v></c>")),
            0,
            "Would add 1 entry to \"%LOG%\"; it would then hold 2. Nothing was changed.\n",
            "pintwise-log: \"%CSV%\" has 1 cell that the spreadsheet does not hold as text; each is imported as "
            "its General format shows it:\n  row 2, Cost (B2): a number, imported as \"7\"\n",
            "" },
        ImportRow { "xlsx: Record ignored, whatever it holds",
                    kOld,
                    {},
                    workbook(row("1", text("A1", "Record") + text("B1", "Bier"))
                             + row("2", "<c r=\"A2\" t=\"e\"><v>#REF!</v></c>" + text("B2", "b"))),
                    0,
                    kAdded1,
                    "",
                    recordBytes({ "b" }) },
        ImportRow { "xlsx: an error cell stops the import",
                    kOld,
                    {},
                    workbook(kHeader + row("2", "<c r=\"B2\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c>")
                             + row("3", text("A3", "x"))),
                    1,
                    "",
                    "pintwise-log: \"%CSV%\" has 1 cell holding an error; nothing was added:\n"
                    "  row 2, Cost (B2): the error #DIV/0!\n",
                    "" },
        ImportRow { "xlsx: empty rows inside are blank entries, after the last ignored",
                    kOld,
                    {},
                    workbook(kHeader + row("2", text("A2", "a")) + row("3", "<c r=\"A3\" s=\"1\"/>") + "<row r=\"4\"/>"
                             + row("5", text("B5", "b")) + row("6", text("A6", "")) + "<row r=\"9\"/>"),
                    0,
                    "Added 4 entries to \"%LOG%\"; it now holds 5.\n",
                    "",
                    recordBytes({ "a" }) + kSpaces + kSpaces + recordBytes({ {}, {}, {}, {}, {}, "b" }) },
        ImportRow { "xlsx: rows and texts checked as CSV's are",
                    kOld,
                    {},
                    workbook(kHeader + row("2", text("A2", std::string(21, 'x'))) + row("3", text("C3", "far"))),
                    1,
                    "",
                    "pintwise-log: \"%CSV%\" has 2 problems; nothing was added (--cut stores texts as the window "
                    "would: cut to width, '?' for a character Windows-1252 lacks):\n"
                    "  row 2, Bier: 21 characters, but the field holds 20\n"
                    "  row 3: 3 values, but the header has 2 columns\n",
                    "" },
        ImportRow { "xlsx: more than 32767 rows",
                    kOld,
                    {},
                    workbook(kHeader + row("32769", text("A32769", "x"))),
                    1,
                    "",
                    kNotXlsx + "it has more than 32767 rows below its header, more than a log can hold" + kNothing,
                    "" },
        ImportRow { "xlsx: no worksheet",
                    kOld,
                    {},
                    workbook(kHeader, {}, {}, ""),
                    1,
                    "",
                    kNotXlsx + "the workbook holds no worksheet" + kNothing,
                    "" },
        ImportRow { "xlsx: a zip without a workbook",
                    kOld,
                    {},
                    zipOf({ { "word/document.xml", "<w/>" } }),
                    1,
                    "",
                    kNotXlsx + "its zip archive holds no workbook" + kNothing,
                    "" },
        ImportRow { "xlsx: cut short",
                    kOld,
                    {},
                    workbook(kHeader).substr(0, 900),
                    1,
                    "",
                    kNotXlsx + "its zip archive is cut short or damaged: the directory at its end is missing"
                        + kNothing,
                    "" },
        ImportRow { "xlsx: not a zip",
                    kOld,
                    { "--format", "xlsx" },
                    "Bier\nx\n",
                    1,
                    "",
                    kNotXlsx + "it is not a zip archive" + kNothing,
                    "" },
        ImportRow { "xlsx: a shared string that does not exist",
                    kOld,
                    {},
                    workbook(kHeader + row("2", "<c r=\"A2\" t=\"s\"><v>5</v></c>")),
                    1,
                    "",
                    kNotXlsx + "xl/worksheets/sheet1.xml cell A2 refers to a shared string that does not exist"
                        + kNothing,
                    "" },
        ImportRow { "xlsx: a sheet that is not XML",
                    kOld,
                    {},
                    workbook(kHeader + "<row r=\"2\"><c>"),
                    1,
                    "",
                    kNotXlsx
                        + "xl/worksheets/sheet1.xml is not well-formed XML (line 1: Opening and ending tag mismatch.)"
                        + kNothing,
                    "" },
        ImportRow { "JSON: Record optional, any case, a missing key an empty text",
                    kOld,
                    {},
                    "\xEF\xBB\xBF [{\"bier\":\"b\",\"Notes\":\"n\\r\\n\"},\n {\"Record\":9,\"Cost\":\"3.50\"}]",
                    0,
                    "Added 2 entries to \"%LOG%\"; it now holds 3.\n",
                    "",
                    recordBytes({ "b", {}, {}, {}, {}, {}, {}, {}, {}, "n\r\n" })
                        + recordBytes({ {}, {}, {}, {}, {}, "3.50" }) },
        ImportRow { "JSON: unknown keys named",
                    kOld,
                    {},
                    "[{\"Bier\":\"b\"},{\"Price\":\"1\",\"Rating\":\"5\"}]",
                    1,
                    "",
                    "pintwise-log: \"%CSV%\" object 2 has unknown keys \"Price\", \"Rating\"; the keys are Record, "
                    "Bier, Country, Location, Brewery, Purchese, Cost, Style, Taste, Color and Notes"
                        + kNothing,
                    "" },
        ImportRow { "JSON: values must be strings",
                    kOld,
                    {},
                    "[{\"Cost\":3.5}]",
                    1,
                    "",
                    "pintwise-log: \"%CSV%\" object 1: the value of \"Cost\" is a number, not a string" + kNothing,
                    "" },
        ImportRow { "JSON: texts checked as CSV's are",
                    kOld,
                    {},
                    "[{\"Bier\":\"\u0141\"}]",
                    1,
                    "",
                    "pintwise-log: \"%CSV%\" has 1 problem; nothing was added (--cut stores texts as the window would: "
                    "cut to width, '?' for a character Windows-1252 lacks):\n"
                    "  object 1, Bier: \"\u0141\" (U+0141) is not a Windows-1252 character\n",
                    "" },
        ImportRow { "JSON: half a surrogate pair is a character Windows-1252 lacks",
                    kOld,
                    {},
                    "[{\"Bier\":\"\\ud800x\",\"Notes\":\"\\udc00\"}]",
                    1,
                    "",
                    "pintwise-log: \"%CSV%\" has 2 problems" + kCutHint
                        + "\n  object 1, Bier: U+D800 is not a Windows-1252 character"
                          "\n  object 1, Notes: U+DC00 is not a Windows-1252 character\n",
                    "" },
        ImportRow { "JSON: a whole pair is one character",
                    kOld,
                    {},
                    "[{\"Bier\":\"\\ud83c\\udf7a\"}]",
                    1,
                    "",
                    "pintwise-log: \"%CSV%\" has 1 problem" + kCutHint
                        + "\n  object 1, Bier: \"\U0001F37A\" (U+1F37A) is not a Windows-1252 character\n",
                    "" },
        ImportRow { "JSON: half a pair cut, as the window stores it",
                    kOld,
                    { "--cut" },
                    "[{\"Bier\":\"\\ud800x\"}]",
                    0,
                    "1 value was cut to fit or had characters replaced by '?'.\n" + kAdded1,
                    "",
                    recordBytes({ "?x" }) },
        ImportRow { "JSON: not valid",
                    kOld,
                    {},
                    "[\n{\"Bier\":\"b\",}\n]",
                    1,
                    "",
                    "pintwise-log: \"%CSV%\" is not valid JSON: line 2: object is missing after a comma" + kNothing,
                    "" },
        ImportRow { "JSON: a comma before the closing bracket",
                    kOld,
                    {},
                    "[{\"Bier\":\"x\"},\n]",
                    1,
                    "",
                    "pintwise-log: \"%CSV%\" is not valid JSON: line 2: object is missing after a comma" + kNothing,
                    "" },
        ImportRow { "JSON: the text ends right after a string",
                    kOld,
                    {},
                    "[{\"Bier\":\"x\"",
                    1,
                    "",
                    "pintwise-log: \"%CSV%\" is not valid JSON: line 1: unterminated string" + kNothing,
                    "" },
        ImportRow { "JSON: 1. and .5 are numbers",
                    kOld,
                    {},
                    "[{\"Bier\":1.,\"Cost\":.5}]",
                    1,
                    "",
                    "pintwise-log: \"%CSV%\" object 1: the value of \"Bier\" is a number, not a string" + kNothing,
                    "" },
        ImportRow { "JSON: an unknown escape stands for itself",
                    kOld,
                    {},
                    "[{\"Bier\":\"a\\qb\\/\"}]",
                    0,
                    kAdded1,
                    "",
                    recordBytes({ "aqb/" }) },
        ImportRow { "JSON: objects only",
                    kOld,
                    {},
                    "[\"Bier\"]",
                    1,
                    "",
                    "pintwise-log: \"%CSV%\" object 1 is a string, not an object" + kNothing,
                    "" },
        ImportRow { "--format csv reads a JSON-looking file as CSV",
                    kOld,
                    { "--format=csv" },
                    "[Bier]\n",
                    1,
                    "",
                    "pintwise-log: \"%CSV%\" line 1: unknown column \"[Bier]\"; the columns are Record, Bier, "
                    "Country, Location, Brewery, Purchese, Cost, Style, Taste, Color and Notes"
                        + kNothing,
                    "" },
        ImportRow { "--format json reads CSV as JSON",
                    kOld,
                    { "--format", "json" },
                    "Bier\nx\n",
                    1,
                    "",
                    "pintwise-log: \"%CSV%\" is not valid JSON: line 1: illegal value" + kNothing,
                    "" }),
    RowName());

// A sheet that inflates past the limit is refused while it inflates, never held whole.
TEST(ImportLimits, AZipBombIsRefusedWhileItInflates)
{
    const TempFolder log;
    log.write(sampleRecord("old"));
    const std::string bomb = workbook(kHeader + std::string(std::size_t(XlsxReader::kMaxPartSize), ' '));
    EXPECT_LT(bomb.size(), std::size_t(1) << 20);
    const std::string path = pathText(log.path() / "bomb.xlsx");
    writeFile(path, bomb);
    const ToolRun run = runTool({ "import", path, pathText(log.log()) });
    EXPECT_EQ(run.err,
              "pintwise-log: \"" + path
                  + "\" is not an xlsx workbook pintwise-log can read: xl/worksheets/sheet1.xml inflates to more "
                    "than 128 MiB, far more than any log's workbook holds; nothing was added\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(log.read(), sampleRecord("old"));
}

// A JSON file is read whole, so its size is bounded: far past any log's
// export, a one-line refusal. The file is sparse: nothing is written to make it.
TEST(ImportLimits, JsonPastItsSizeIsRefused)
{
    const TempFolder log;
    log.write(sampleRecord("old"));
    const std::string path = pathText(log.path() / "huge.json");
    writeFile(path, "[");
    std::filesystem::resize_file(path, (std::uintmax_t(256) << 20) + 1);
    const ToolRun run = runTool({ "import", "--format", "json", path, pathText(log.log()) });
    EXPECT_EQ(run.err,
              "pintwise-log: \"" + path
                  + "\" is larger than 256 MiB, far more than JSON of any log; nothing was added\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(log.read(), sampleRecord("old"));
}

TEST(ImportLimits, PastTheLogsLimitNothingIsAdded)
{
    const TempFolder log;
    log.write("x");
    std::filesystem::resize_file(log.log(), std::uintmax_t(32766) * 380);
    const std::string csvPath = pathText(log.path() / "in.csv");
    writeFile(csvPath, "Bier\nx\ny\n");
    const ToolRun run = runTool({ "import", csvPath, pathText(log.log()) });
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "pintwise-log: \"" + pathText(log.log()) + "\" holds 32766 entries and \"" + csvPath
                  + "\" 2 rows, more than the 32767 a log can hold; nothing was added\n");
    EXPECT_EQ(std::filesystem::file_size(log.log()), std::uintmax_t(32766) * 380);
}

// Whichever OS call of an import fails, the log is left byte for byte as
// it was; and the run that fails nothing adds the rows.
struct FaultRow {
    std::string name;
    std::string before;
    int error;
};

class ImportIsAllOrNothing : public testing::TestWithParam<FaultRow> { };

TEST_P(ImportIsAllOrNothing, WhicheverCallFails)
{
    const std::string& before = GetParam().before;
    const TempFolder log;
    const std::string csvPath = pathText(log.path() / "in.csv");
    writeFile(csvPath, "Bier,Notes\nnew 1,n\nnew 2,m\n");
    const auto count = std::size_t(recordCountForLength(std::uint64_t(before.size())));
    std::string after = before.substr(0, count * kRecordSize);
    after.resize(count * kRecordSize, '\0');
    after += recordBytes({ "new 1", {}, {}, {}, {}, {}, {}, {}, {}, "n" })
        + recordBytes({ "new 2", {}, {}, {}, {}, {}, {}, {}, {}, "m" });

    int failures = 0;
    for (int failAt = 1;; ++failAt) {
        log.write(before);
        FaultyFileApi files;
        files.failAt = failAt;
        files.error = GetParam().error;
        const ToolRun run = runTool({ "import", csvPath, pathText(log.log()) }, files);
        if (!files.failedCall) { // every call has had its turn
            EXPECT_EQ(run.status, 0);
            EXPECT_EQ(log.read(), after);
            break;
        }
        EXPECT_EQ(log.read(), run.status == 0 ? after : before)
            << "call " << failAt << " failed, status " << run.status;
        if (run.status != 0) {
            ++failures;
            // It names the file whose call failed: the log, or the input.
            const bool named
                = run.err.find(pathText(log.log())) != std::string::npos || run.err.find(csvPath) != std::string::npos;
            EXPECT_TRUE(run.err.starts_with("pintwise-log: ") && named) << run.err;
        }
    }
    EXPECT_GE(failures, 5); // open, lock, stat, reserve, write, sync
}

const std::string kTwo = sampleRecord("a") + sampleRecord("b");

INSTANTIATE_TEST_SUITE_P(
    Logs, ImportIsAllOrNothing,
    testing::Values(FaultRow { "after whole records, EIO", kTwo, EIO },
                    FaultRow { "after whole records, no space", kTwo, ENOSPC },
                    FaultRow { "over a partial record that does not count", kTwo + std::string(150, 'p'), EIO },
                    FaultRow { "after a partial record that counts: a zero gap", kTwo + std::string(250, 'p'), EIO }),
    RowName());

// Pintwise's lock keeps an import out, and only an import.
struct LockRow {
    std::string name;
    std::vector<std::string> arguments; // %CSV% the input
    int status;
};

class WhileTheWindowHoldsTheLog : public testing::TestWithParam<LockRow> { };

TEST_P(WhileTheWindowHoldsTheLog, OnlyAnImportIsKeptOut)
{
    const TempFolder log;
    log.write(sampleRecord("mine"));
    LogStore window(log.utf8());
    ASSERT_TRUE(!window.locate() && !window.open());
    const std::string csvPath = pathText(log.path() / "in.csv");
    writeFile(csvPath, "Bier\nx\n");
    std::vector<std::string> arguments;
    for (const std::string& argument : GetParam().arguments)
        arguments.push_back(fill(argument, { { "%CSV%", csvPath } }));
    arguments.push_back(pathText(log.log()));
    const ToolRun run = runTool(arguments);
    EXPECT_EQ(run.status, GetParam().status);
    EXPECT_EQ(run.err,
              GetParam().status ? "pintwise-log: \"" + pathText(log.log())
                      + "\" is open in Pintwise or in another import; close it and try again (nothing was "
                        "changed)\n"
                                : std::string());
    EXPECT_EQ(log.read(), sampleRecord("mine"));
}

INSTANTIATE_TEST_SUITE_P(Commands, WhileTheWindowHoldsTheLog,
                         testing::Values(LockRow { "import refused", { "import", "%CSV%" }, 1 },
                                         LockRow { "dry run refused too", { "import", "--dry-run", "%CSV%" }, 1 },
                                         LockRow { "export reads", { "export" }, 0 },
                                         LockRow { "check reads", { "check" }, 0 }),
                         RowName());

} // namespace
