#include "commands.h"
#include "csv_reader.h"
#include "faulty_file_api.h"
#include "code_page.h"
#include "record_text.h"
#include "record_writers.h"
#include "temp_log.h"
#include "xlsx_reader.h"
#include "xlsx_writer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <unistd.h>
#include <zip.h>

using namespace pintwise;

namespace {

const QByteArray kSpaces(kRecordSize, ' ');

// The bytes a field holds for `text`.
std::vector<unsigned char> fieldBytes(const QString& text)
{
    std::vector<unsigned char> bytes;
    for (const uint c : text.toUcs4())
        bytes.push_back(byteFromCodePoint(c));
    return bytes;
}
const QByteArray kZeros(kRecordSize, '\0');

struct Run {
    int status;
    QString out;
    QString err;
    QByteArray outBytes; // as written: a workbook is no text
};

Run runTool(const QStringList& arguments, FileApi& files = systemFileApi())
{
    std::vector<std::string> args;
    for (const QString& argument : arguments)
        args.push_back(argument.toStdString());
    std::string out, err;
    int status = 0;
    {
        OutputSink sink(out);
        status = runLogTool(args, sink, err, files);
    }
    return { status, QString::fromStdString(out), QString::fromStdString(err), QByteArray::fromStdString(out) };
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// "1:a|b / 2:c": each row's first line, then its fields.
QString readCsv(const QByteArray& input, bool byteByByte, QString& error)
{
    QStringList rows;
    CsvReader reader([&](int line, std::span<const std::string> fields) {
        QStringList texts;
        for (const std::string& field : fields)
            texts.append(QString::fromStdString(field));
        rows.append(QString::number(line) + ":" + texts.join('|'));
    });
    bool fine = true;
    if (byteByByte) {
        for (qsizetype i = 0; fine && i < input.size(); ++i)
            fine = reader.feed(std::string_view(input.constData() + i, 1));
    } else {
        fine = reader.feed(std::string_view(input.constData(), std::size_t(input.size())));
    }
    if (fine)
        reader.finish();
    error = QString::fromStdString(reader.error());
    return rows.join(" / ");
}

// A record holding every byte from 0x01 to 0xFF once: Notes takes the first
// 200, the other fields the rest, each ending in a character that is not a space.
QByteArray everyByteRecord()
{
    QByteArray bytes;
    for (int b = 0x01; b <= 0xFF; ++b)
        bytes += char(b);
    QByteArray notes = bytes.left(200), rest = bytes.mid(200); // 55 bytes
    return recordBytes({ rest.mid(0, 20), rest.mid(20, 20), rest.mid(40), {}, {}, {}, {}, {}, {}, notes });
}

// A zip archive of the named parts, as a spreadsheet saves one.
QByteArray zipOf(const QList<QPair<QString, QByteArray>>& parts)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("parts.zip");
    int error = 0;
    zip_t* zip = zip_open(path.toLocal8Bit().constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    for (const auto& [name, bytes] : parts) {
        zip_source_t* source = zip_source_buffer(zip, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        zip_file_add(zip, name.toUtf8().constData(), source, ZIP_FL_OVERWRITE);
    }
    zip_close(zip); // reads the parts' bytes, still alive here
    return readFile(path);
}

// A workbook whose first worksheet holds `rows` (<row> elements), with the
// shared strings (<si> elements) and cell styles (<xf> elements) given, and
// `prolog` (a DOCTYPE) before the sheet's root.
QByteArray workbook(const QByteArray& rows, const QByteArray& shared = {}, const QByteArray& styles = {},
                    const QByteArray& sheets = "<sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/>",
                    const QByteArray& prolog = {})
{
    const QByteArray main = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
    const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    const QByteArray relationships = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                                     "relationships\">";
    return zipOf({
        { "_rels/.rels",
          relationships + "<Relationship Id=\"rId1\" Type=\"" + rel + "/officeDocument\" Target=\"xl/workbook.xml\"/>"
              + "</Relationships>" },
        { "xl/workbook.xml",
          "<workbook " + main + " xmlns:r=\"" + rel + "\"><sheets>" + sheets + "</sheets></workbook>" },
        { "xl/_rels/workbook.xml.rels",
          relationships + "<Relationship Id=\"rId1\" Type=\"" + rel + "/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
              + "<Relationship Id=\"rId2\" Type=\"" + rel + "/sharedStrings\" Target=\"/xl/sharedStrings.xml\"/>"
              + "<Relationship Id=\"rId3\" Type=\"" + rel + "/styles\" Target=\"styles.xml\"/></Relationships>" },
        { "xl/worksheets/sheet1.xml",
          prolog + "<worksheet " + main + "><sheetData>" + rows + "</sheetData></worksheet>" },
        { "xl/sharedStrings.xml", "<sst " + main + ">" + shared + "</sst>" },
        { "xl/styles.xml",
          "<styleSheet " + main + "><numFmts><numFmt numFmtId=\"164\" formatCode=\"[$-409]hh:mm;@\"/></numFmts>"
              + "<cellXfs><xf numFmtId=\"0\"/>" + styles + "</cellXfs></styleSheet>" },
    });
}

// One inline-string cell.
QByteArray text(const char* cell, const QByteArray& value)
{
    return QByteArray("<c r=\"") + cell + "\" t=\"inlineStr\"><is><t>" + value + "</t></is></c>";
}

const QByteArray kHeader = "<row r=\"1\">" + text("A1", "Bier") + text("B1", "Cost") + "</row>";

} // namespace

class TestLogTool : public QObject {
    Q_OBJECT

private slots:
    void csvField_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("csv");
        QTest::newRow("plain") << "Pils" << QByteArray("Pils");
        QTest::newRow("empty") << "" << QByteArray("");
        QTest::newRow("leading spaces kept, unquoted") << "  Ale" << QByteArray("  Ale");
        QTest::newRow("comma") << "Pils, hell" << QByteArray("\"Pils, hell\"");
        QTest::newRow("quotes doubled") << "say \"hi\"" << QByteArray("\"say \"\"hi\"\"\"");
        QTest::newRow("a lone quote") << "\"" << QByteArray("\"\"\"\"");
        QTest::newRow("LF") << "a\nb" << QByteArray("\"a\nb\"");
        QTest::newRow("CR") << "a\rb" << QByteArray("\"a\rb\"");
        QTest::newRow("tab and semicolon stay bare") << "a\t;b" << QByteArray("a\t;b");
        QTest::newRow("UTF-8") << QString::fromUtf8("é€") << QByteArray("\xC3\xA9\xE2\x82\xAC");
        QTest::newRow("C1 control of an undefined byte") << QString(QChar(0x81)) << QByteArray("\xC2\x81");
    }

    void csvField()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, csv);
        std::string out;
        CsvWriter::appendField(out, fieldBytes(text));
        QCOMPARE(QByteArray::fromStdString(out), csv);
    }

    void jsonString_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("plain") << "Pils" << QByteArray("\"Pils\"");
        QTest::newRow("quote and backslash") << "a\"b\\c" << QByteArray("\"a\\\"b\\\\c\"");
        QTest::newRow("line breaks and tab") << "a\r\n\tb" << QByteArray("\"a\\r\\n\\tb\"");
        QTest::newRow("other controls") << QString("\x01\x1f") << QByteArray("\"\\u0001\\u001f\"");
        QTest::newRow("DEL and C1 stay raw") << QString("\x7f") + QChar(0x9D) << QByteArray("\"\x7f\xC2\x9D\"");
        QTest::newRow("UTF-8") << QString::fromUtf8("Köln €") << QByteArray("\"K\xC3\xB6ln \xE2\x82\xAC\"");
    }

    void jsonString()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, json);
        std::string out;
        JsonWriter::appendString(out, fieldBytes(text));
        QCOMPARE(QByteArray::fromStdString(out), json);
    }

    void csvReader_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("error");
        QTest::newRow("LF") << QByteArray("a,b\nc,d\n") << "1:a|b / 2:c|d"
                            << "";
        QTest::newRow("CRLF") << QByteArray("a,b\r\nc,d\r\n") << "1:a|b / 2:c|d"
                              << "";
        QTest::newRow("no line end at the end") << QByteArray("a,b\nc,d") << "1:a|b / 2:c|d"
                                                << "";
        QTest::newRow("BOM") << QByteArray("\xEF\xBB\xBF"
                                           "a,b\n")
                             << "1:a|b"
                             << "";
        QTest::newRow("BOM alone") << QByteArray("\xEF\xBB\xBF") << ""
                                   << "";
        QTest::newRow("BOM-like text is data") << QByteArray("\xEF\xBB"
                                                             "x\n")
                                               << "1:\xEF\xBB"
                                                  "x"
                                               << "";
        QTest::newRow("quoted line breaks") << QByteArray("\"x\ny\r\nz\",w\r\nv\n") << "1:x\ny\r\nz|w / 4:v"
                                            << "";
        QTest::newRow("quotes and commas") << QByteArray("\"a \"\"q\"\", b\",c\n") << "1:a \"q\", b|c"
                                           << "";
        QTest::newRow("spaces kept") << QByteArray(" a , b \n") << "1: a | b "
                                     << "";
        QTest::newRow("empty fields") << QByteArray(",,\n\"\",x\n") << "1:|| / 2:|x"
                                      << "";
        QTest::newRow("blank lines skipped") << QByteArray("a\n\n\r\nb\n") << "1:a / 4:b"
                                             << "";
        QTest::newRow("quote inside a bare field") << QByteArray("ok\na\"b,c\n") << "1:ok"
                                                   << "line 2: a double quote out of place";
        QTest::newRow("text after the closing quote") << QByteArray("\"a\"b\n") << ""
                                                      << "line 1: a double quote out of place";
        QTest::newRow("unbalanced quote") << QByteArray("a,b\n\"c,d\ne\n") << "1:a|b"
                                          << "line 2: a quoted field is never closed";
    }

    void csvReader()
    {
        QFETCH(QByteArray, input);
        QFETCH(QString, rows);
        QFETCH(QString, error);
        for (const bool byteByByte : { false, true }) {
            QString gotError;
            QCOMPARE(readCsv(input, byteByByte, gotError), rows);
            QCOMPARE(gotError, error);
        }
    }

    // Every import starts from a log of one record ("old"), or none at all.
    void import_data()
    {
        QTest::addColumn<QByteArray>("before"); // null: no log file
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::addColumn<QByteArray>("added"); // after `before`
        const QByteArray old = sampleRecord("old");
        const QString nothing = "; nothing was added\n";
        const QString cutHint = "; nothing was added (--cut stores texts as the window would: cut to width, '?' "
                                "for a character Windows-1252 lacks):";
        const QString added1 = "Added 1 entry to \"%LOG%\"; it now holds 2.\n";

        QTest::newRow("any case, Record ignored, missing columns empty")
            << old << QStringList() << QByteArray("record,BIER,notes\r\n7,Pils,fine\r\n") << 0 << added1 << ""
            << recordBytes({ "Pils", "", "", "", "", "", "", "", "", "fine" });
        QTest::newRow("columns in any order") << old << QStringList() << QByteArray("Notes,Bier\nn,b\n") << 0 << added1
                                              << "" << recordBytes({ "b", "", "", "", "", "", "", "", "", "n" });
        QTest::newRow("an empty row is a blank entry")
            << old << QStringList() << QByteArray("Bier,Country\n,\n") << 0 << added1 << "" << kSpaces;
        QTest::newRow("trailing spaces past the width are padding")
            << old << QStringList() << QByteArray("Bier\n\"twenty characters!!     \"\n") << 0 << added1 << ""
            << recordBytes({ "twenty characters!!" });
        QTest::newRow("header only") << old << QStringList() << QByteArray("Bier\r\n") << 0
                                     << "Added 0 entries to \"%LOG%\"; it now holds 1.\n"
                                     << "" << QByteArray();
        QTest::newRow("no log yet: created") << QByteArray() << QStringList() << QByteArray("Bier\nx\ny\n") << 0
                                             << "Added 2 entries to \"%LOG%\"; it now holds 2.\n"
                                             << "" << recordBytes({ "x" }) + recordBytes({ "y" });
        QTest::newRow("dry run") << old << QStringList { "--dry-run" } << QByteArray("Bier\nx\n") << 0
                                 << "Would add 1 entry to \"%LOG%\"; it would then hold 2. Nothing was changed.\n"
                                 << "" << QByteArray();
        QTest::newRow("dry run, no log: none created")
            << QByteArray() << QStringList { "--dry-run" } << QByteArray("Bier\nx\n") << 0
            << "Would add 1 entry to \"%LOG%\", creating it; it would then hold 1. Nothing was changed.\n"
            << "" << QByteArray();
        QTest::newRow("unknown column")
            << old << QStringList() << QByteArray("Bier,Price\nx,1\n") << 1 << ""
            << "pintwise-log: \"%CSV%\" line 1: unknown column \"Price\"; the columns are Record, Bier, Country, "
               "Location, Brewery, Purchese, Cost, Style, Taste, Color and Notes"
                + nothing
            << QByteArray();
        QTest::newRow("a column twice") << old << QStringList() << QByteArray("Bier,bier\nx,y\n") << 1 << ""
                                        << "pintwise-log: \"%CSV%\" line 1: the column Bier appears twice" + nothing
                                        << QByteArray();
        QTest::newRow("no header") << old << QStringList() << QByteArray("\n") << 1 << ""
                                   << "pintwise-log: \"%CSV%\" has no header row" + nothing << QByteArray();
        QTest::newRow("not CSV") << old << QStringList() << QByteArray("Bier\nx\n\"open\n") << 1 << ""
                                 << "pintwise-log: \"%CSV%\" is not valid CSV: line 3: a quoted field is never closed"
                + nothing << QByteArray();
        const QByteArray fits = "Bier,Notes\n" + QByteArray(21, 'x') + ",ok\nfine," + QByteArray(201, 'n')
            + "\n\xCE\x95\xCE\xBB,x\nfine,\n";
        const QByteArray tooMuch = fits + "\xE9t\xE9,x\n" + QByteArray("b,\"a\0b\"\n", 8) + "short\n";
        QTest::newRow("every place that would not survive") << old << QStringList() << tooMuch << 1 << ""
                                                            << "pintwise-log: \"%CSV%\" has 6 problems" + cutHint
                + "\n  line 2, Bier: 21 characters, but the field holds 20"
                  "\n  line 3, Notes: 201 characters, but the field holds 200"
                  "\n  line 4, Bier: \"\u0395\" (U+0395) is not a Windows-1252 character"
                  "\n  line 6, Bier: not UTF-8 text"
                  "\n  line 7, Notes: a zero character would end the text"
                  "\n  line 8: 1 value, but the header has 2 columns\n"
                                                            << QByteArray();
        QTest::newRow("cut: stored as the window stores it")
            << old << QStringList { "--cut" } << fits << 0
            << "3 values were cut to fit or had characters replaced by '?'.\n"
               "Added 4 entries to \"%LOG%\"; it now holds 5.\n"
            << ""
            << recordBytes({ QByteArray(20, 'x'), {}, {}, {}, {}, {}, {}, {}, {}, "ok" })
                + recordBytes({ "fine", {}, {}, {}, {}, {}, {}, {}, {}, QByteArray(200, 'n') })
                + recordBytes({ "??", {}, {}, {}, {}, {}, {}, {}, {}, "x" }) + recordBytes({ "fine" });
    }

    void import()
    {
        QFETCH(QByteArray, before);
        QFETCH(QStringList, options);
        QFETCH(QByteArray, csv);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(QByteArray, added);
        TempLog log;
        if (!before.isNull())
            log.write(before);
        const QString csvPath = log.directory() + "/in.csv";
        writeFile(csvPath, csv);
        const Run run = runTool(QStringList { "import" } + options + QStringList { csvPath, log.filePath() });
        const auto fill = [&](QString text) { return text.replace("%LOG%", log.filePath()).replace("%CSV%", csvPath); };
        QCOMPARE(run.err, fill(err));
        QCOMPARE(run.out, fill(out));
        QCOMPARE(run.status, status);
        const bool dryRun = options.contains("--dry-run");
        QCOMPARE(log.exists(), !before.isNull() || (status == 0 && !dryRun));
        QCOMPARE(log.read(), before + added);
    }

    // Workbooks and JSON, found by their content (the file is "in.csv"
    // whatever it holds), read by the same column rules as CSV.
    void importFormats_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::addColumn<QByteArray>("added");
        const QByteArray old = sampleRecord("old");
        const QString nothing = "; nothing was added\n";
        const QString added1 = "Added 1 entry to \"%LOG%\"; it now holds 2.\n";
        const QString notXlsx = "pintwise-log: \"%CSV%\" is not an xlsx workbook pintwise-log can read: ";
        const auto row = [](const char* number, const QByteArray& cells) {
            return QByteArray("<row r=\"") + number + "\">" + cells + "</row>";
        };

        QTest::newRow("xlsx: shared, inline and rich text as they are")
            << old << QStringList()
            << workbook(kHeader + row("2", "<c r=\"A2\" t=\"s\"><v>0</v></c><c r=\"B2\" t=\"s\"><v>1</v></c>"),
                        "<si><t xml:space=\"preserve\"> 007</t></si><si><r><t>3.</t></r><r><rPr><b/></rPr><t>50</t>"
                        "</r><rPh><t>ignored</t></rPh></si>")
            << 0 << added1 << "" << recordBytes({ " 007", {}, {}, {}, {}, "3.50" });
        QTest::newRow("xlsx: _xHHHH_ escapes")
            << old << QStringList()
            << workbook(kHeader + row("2", text("A2", "a_x000D_b_x0009_") + text("B2", "_x005F_x0041_"))) << 0 << added1
            << "" << recordBytes({ "a\rb\t", {}, {}, {}, {}, "_x0041_" });
        QTest::newRow("xlsx: CDATA and character references are text")
            << old << QStringList()
            << workbook(kHeader + row("2", text("A2", "<![CDATA[a<b]]>&#65;") + "<c r=\"B2\" t=\"s\"><v>0</v></c>"),
                        "<si><t>x</t><t><![CDATA[y]]></t></si>")
            << 0 << added1 << "" << recordBytes({ "a<bA", {}, {}, {}, {}, "xy" });
        QTest::newRow("xlsx: entities the sheet declares are neither expanded nor loaded")
            << old << QStringList()
            << workbook(kHeader + row("2", text("A2", "&e;") + text("B2", "&x;")), {}, {},
                        "<sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/>",
                        "<!DOCTYPE worksheet [<!ENTITY e \"expanded\"><!ENTITY x SYSTEM \"file:///etc/hostname\">]>")
            << 1 << ""
            << notXlsx + "xl/worksheets/sheet1.xml is not well-formed XML (line 1: Entity 'e' not defined.)" + nothing
            << QByteArray();
        QTest::newRow("xlsx: cells that are not text, imported as General shows them and listed")
            << old << QStringList()
            << workbook(
                   kHeader + row("2", "<c r=\"A2\"><v>3.5</v></c><c r=\"B2\" s=\"1\"><v>46023</v></c>")
                       + row("3", "<c r=\"A3\" t=\"b\"><v>1</v></c><c r=\"B3\" s=\"2\"><v>0.5208333333333334</v></c>")
                       + row("4", "<c r=\"A4\" t=\"str\"><f>A1</f><v>x</v></c><c r=\"B4\"><v>1E+21</v></c>"),
                   {}, "<xf numFmtId=\"14\"/><xf numFmtId=\"164\"/>")
            << 0 << "Added 3 entries to \"%LOG%\"; it now holds 4.\n"
            << "pintwise-log: \"%CSV%\" has 6 cells that the spreadsheet does not hold as text; each is imported as "
               "its General format shows it:\n"
               "  row 2, Bier (A2): a number, imported as \"3.5\"\n"
               "  row 2, Cost (B2): a date, imported as \"2026-01-01\"\n"
               "  row 3, Bier (A3): a boolean, imported as \"TRUE\"\n"
               "  row 3, Cost (B3): a time, imported as \"12:30:00\"\n"
               "  row 4, Bier (A4): a formula's result, imported as \"x\"\n"
               "  row 4, Cost (B4): a number, imported as \"1E+21\"\n"
            << recordBytes({ "3.5", {}, {}, {}, {}, "2026-01-01" })
                + recordBytes({ "TRUE", {}, {}, {}, {}, "12:30:00" }) + recordBytes({ "x", {}, {}, {}, {}, "1E+21" });
        QTest::newRow("xlsx: a dry run lists them too")
            << old << QStringList { "--dry-run" } << workbook(kHeader + row("2", "<c r=\"B2\"><v>7</v></c>")) << 0
            << "Would add 1 entry to \"%LOG%\"; it would then hold 2. Nothing was changed.\n"
            << "pintwise-log: \"%CSV%\" has 1 cell that the spreadsheet does not hold as text; each is imported as its "
               "General format shows it:\n  row 2, Cost (B2): a number, imported as \"7\"\n"
            << QByteArray();
        QTest::newRow("xlsx: Record ignored, whatever it holds")
            << old << QStringList()
            << workbook(row("1", text("A1", "Record") + text("B1", "Bier"))
                        + row("2", "<c r=\"A2\" t=\"e\"><v>#REF!</v></c>" + text("B2", "b")))
            << 0 << added1 << "" << recordBytes({ "b" });
        QTest::newRow("xlsx: an error cell stops the import")
            << old << QStringList()
            << workbook(kHeader + row("2", "<c r=\"B2\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c>")
                        + row("3", text("A3", "x")))
            << 1 << ""
            << "pintwise-log: \"%CSV%\" has 1 cell holding an error; nothing was added:\n"
               "  row 2, Cost (B2): the error #DIV/0!\n"
            << QByteArray();
        QTest::newRow("xlsx: empty rows inside are blank entries, after the last ignored")
            << old << QStringList()
            << workbook(kHeader + row("2", text("A2", "a")) + row("3", "<c r=\"A3\" s=\"1\"/>") + "<row r=\"4\"/>"
                        + row("5", text("B5", "b")) + row("6", text("A6", "")) + "<row r=\"9\"/>")
            << 0 << "Added 4 entries to \"%LOG%\"; it now holds 5.\n"
            << "" << recordBytes({ "a" }) + kSpaces + kSpaces + recordBytes({ {}, {}, {}, {}, {}, "b" });
        QTest::newRow("xlsx: rows and texts checked as CSV's are")
            << old << QStringList()
            << workbook(kHeader + row("2", text("A2", QByteArray(21, 'x'))) + row("3", text("C3", "far"))) << 1 << ""
            << "pintwise-log: \"%CSV%\" has 2 problems; nothing was added (--cut stores texts as the window would: cut "
               "to width, '?' for a character Windows-1252 lacks):\n"
               "  row 2, Bier: 21 characters, but the field holds 20\n"
               "  row 3: 3 values, but the header has 2 columns\n"
            << QByteArray();
        QTest::newRow("xlsx: more than 32767 rows")
            << old << QStringList() << workbook(kHeader + row("32769", text("A32769", "x"))) << 1 << ""
            << notXlsx + "it has more than 32767 rows below its header, more than a log can hold" + nothing
            << QByteArray();
        QTest::newRow("xlsx: no worksheet") << old << QStringList() << workbook(kHeader, {}, {}, "") << 1 << ""
                                            << notXlsx + "the workbook holds no worksheet" + nothing << QByteArray();
        QTest::newRow("xlsx: a zip without a workbook")
            << old << QStringList() << zipOf({ { "word/document.xml", "<w/>" } }) << 1 << ""
            << notXlsx + "its zip archive holds no workbook" + nothing << QByteArray();
        QTest::newRow("xlsx: cut short") << old << QStringList() << workbook(kHeader).left(900) << 1 << ""
                                         << notXlsx
                + "its zip archive is cut short or damaged: the directory at its end is missing" + nothing
                                         << QByteArray();
        QTest::newRow("xlsx: not a zip") << old << QStringList { "--format", "xlsx" } << QByteArray("Bier\nx\n") << 1
                                         << "" << notXlsx + "it is not a zip archive" + nothing << QByteArray();
        QTest::newRow("xlsx: a shared string that does not exist")
            << old << QStringList() << workbook(kHeader + row("2", "<c r=\"A2\" t=\"s\"><v>5</v></c>")) << 1 << ""
            << notXlsx + "xl/worksheets/sheet1.xml cell A2 refers to a shared string that does not exist" + nothing
            << QByteArray();
        QTest::newRow("xlsx: a sheet that is not XML")
            << old << QStringList() << workbook(kHeader + "<row r=\"2\"><c>") << 1 << ""
            << notXlsx + "xl/worksheets/sheet1.xml is not well-formed XML (line 1: Opening and ending tag mismatch.)"
                + nothing
            << QByteArray();
        QTest::newRow("JSON: Record optional, any case, a missing key an empty text")
            << old << QStringList()
            << QByteArray("\xEF\xBB\xBF [{\"bier\":\"b\",\"Notes\":\"n\\r\\n\"},\n {\"Record\":9,\"Cost\":\"3.50\"}]")
            << 0 << "Added 2 entries to \"%LOG%\"; it now holds 3.\n"
            << ""
            << recordBytes({ "b", {}, {}, {}, {}, {}, {}, {}, {}, "n\r\n" })
                + recordBytes({ {}, {}, {}, {}, {}, "3.50" });
        QTest::newRow("JSON: unknown keys named")
            << old << QStringList() << QByteArray("[{\"Bier\":\"b\"},{\"Price\":\"1\",\"Rating\":\"5\"}]") << 1 << ""
            << "pintwise-log: \"%CSV%\" object 2 has unknown keys \"Price\", \"Rating\"; the keys are Record, Bier, "
               "Country, Location, Brewery, Purchese, Cost, Style, Taste, Color and Notes"
                + nothing
            << QByteArray();
        QTest::newRow("JSON: values must be strings")
            << old << QStringList() << QByteArray("[{\"Cost\":3.5}]") << 1 << ""
            << "pintwise-log: \"%CSV%\" object 1: the value of \"Cost\" is a number, not a string" + nothing
            << QByteArray();
        QTest::newRow("JSON: texts checked as CSV's are")
            << old << QStringList() << QByteArray("[{\"Bier\":\"\u0141\"}]") << 1 << ""
            << "pintwise-log: \"%CSV%\" has 1 problem; nothing was added (--cut stores texts as the window would: cut "
               "to width, '?' for a character Windows-1252 lacks):\n"
               "  object 1, Bier: \"\u0141\" (U+0141) is not a Windows-1252 character\n"
            << QByteArray();
        QTest::newRow("JSON: not valid")
            << old << QStringList() << QByteArray("[\n{\"Bier\":\"b\",}\n]") << 1 << ""
            << "pintwise-log: \"%CSV%\" is not valid JSON: line 2: object is missing after a comma" + nothing
            << QByteArray();
        QTest::newRow("JSON: objects only")
            << old << QStringList() << QByteArray("[\"Bier\"]") << 1 << ""
            << "pintwise-log: \"%CSV%\" object 1 is a string, not an object" + nothing << QByteArray();
        QTest::newRow("--format csv reads a JSON-looking file as CSV")
            << old << QStringList { "--format=csv" } << QByteArray("[Bier]\n") << 1 << ""
            << "pintwise-log: \"%CSV%\" line 1: unknown column \"[Bier]\"; the columns are Record, Bier, Country, "
               "Location, Brewery, Purchese, Cost, Style, Taste, Color and Notes"
                + nothing
            << QByteArray();
        QTest::newRow("--format json reads CSV as JSON")
            << old << QStringList { "--format", "json" } << QByteArray("Bier\nx\n") << 1 << ""
            << "pintwise-log: \"%CSV%\" is not valid JSON: line 1: illegal value" + nothing << QByteArray();
    }

    void importFormats() { import(); }

    // A sheet that inflates past the limit is refused while it inflates, never held whole.
    void importZipBomb()
    {
        TempLog log;
        log.write(sampleRecord("old"));
        const QByteArray bomb = workbook(kHeader + QByteArray(qsizetype(XlsxReader::kMaxPartSize), ' '));
        QVERIFY(bomb.size() < 1 << 20);
        const QString path = log.directory() + "/bomb.xlsx";
        writeFile(path, bomb);
        const Run run = runTool({ "import", path, log.filePath() });
        QCOMPARE(run.err,
                 "pintwise-log: \"" + path
                     + "\" is not an xlsx workbook pintwise-log can read: xl/worksheets/sheet1.xml inflates to more "
                       "than 128 MiB, far more than any log's workbook holds; nothing was added\n");
        QCOMPARE(run.status, 1);
        QCOMPARE(log.read(), sampleRecord("old"));
    }

    // What the export's workbook holds, in the sheet's own XML.
    void exportXlsx_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::newRow("the header row frozen")
            << QByteArray("<pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" state=\"frozen\"/>");
        QTest::newRow("Record a number cell") << QByteArray("<c r=\"A2\"><v>1</v></c>");
        QTest::newRow("a number-like text a string cell")
            << QByteArray("<c r=\"B2\" s=\"2\" t=\"inlineStr\"><is><t>007</t></is></c>");
        QTest::newRow("a formula-like text a string cell")
            << QByteArray("<c r=\"K2\" s=\"2\" t=\"inlineStr\"><is><t>=SUM(A1)</t></is></c>");
        QTest::newRow("text columns readable and formatted as text")
            << QByteArray("<col min=\"10\" max=\"10\" width=\"22.7109375\" style=\"2\" customWidth=\"1\"/>");
        QTest::newRow("Notes wider") << QByteArray("<col min=\"11\" max=\"11\" width=\"60.7109375\" style=\"2\"");
        QTest::newRow("a deleted entry keeps its number") << QByteArray("<row r=\"3\"><c r=\"A3\"><v>2</v></c></row>");
    }

    void exportXlsx()
    {
        QFETCH(QByteArray, xml);
        TempLog log;
        log.write(recordBytes({ "007", {}, {}, {}, {}, {}, {}, {}, {}, "=SUM(A1)" }) + kSpaces);
        const Run run = runTool({ "export", "--format", "xlsx", log.filePath() });
        QCOMPARE(run.status, 0);
        const QString path = log.directory() + "/out.xlsx";
        writeFile(path, run.outBytes);
        int error = 0;
        zip_t* zip = zip_open(path.toLocal8Bit().constData(), ZIP_RDONLY, &error);
        QVERIFY(zip);
        zip_file_t* sheet = zip_fopen(zip, "xl/worksheets/sheet1.xml", 0);
        QVERIFY(sheet);
        QByteArray bytes(1 << 16, '\0');
        bytes.resize(qsizetype(zip_fread(sheet, bytes.data(), zip_uint64_t(bytes.size()))));
        zip_fclose(sheet);
        zip_discard(zip);
        QVERIFY2(bytes.contains(xml), bytes.constData());
    }

    // A workbook's bytes would only garble a terminal; script(1) gives the tool one.
    void xlsxNeverToATerminal()
    {
        TempLog log;
        log.write(sampleRecord("a"));
        QProcess terminal;
        terminal.start("script",
                       { "-qec",
                         QString("exec '%1' export --format xlsx '%2'").arg(PINTWISE_LOG_BINARY, log.filePath()),
                         "/dev/null" });
        QVERIFY(terminal.waitForFinished(10000));
        QCOMPARE(QString::fromUtf8(terminal.readAllStandardOutput()).trimmed(),
                 "pintwise-log: will not write an xlsx workbook to a terminal; name a file with --output FILE");
        QCOMPARE(terminal.exitCode(), 2);
    }

    void xlsxCellText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("cell");
        QTest::newRow("plain") << "_x004 _x0041" << QByteArray("_x004 _x0041");
        QTest::newRow("what reads as an escape keeps its underscore")
            << "a_x0041_b_x00e9_" << QByteArray("a_x005F_x0041_b_x005F_x00e9_");
    }

    void xlsxCellText()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, cell);
        std::string out;
        XlsxWriter::appendCellText(out, fieldBytes(text));
        QCOMPARE(QByteArray::fromStdString(out), cell);
    }

    // Space-padded records, blank ones and every byte 0x01-0xFF come back
    // byte for byte; JSON carries the same texts as the window shows them.
    void roundTrip_data()
    {
        QTest::addColumn<QString>("format");
        QTest::newRow("CSV") << "csv";
        QTest::newRow("JSON") << "json";
        QTest::newRow("xlsx") << "xlsx";
    }

    void roundTrip()
    {
        QFETCH(QString, format);
        TempLog log, copy;
        QByteArray tricky
            = recordBytes({ "  lead", "a,b", "say \"hi\"", "line\r\nbreak", "\"", "x\ry", "tab\t", "_x0041_", "<&>" });
        const QByteArray original = sampleRecord("one") + kSpaces + everyByteRecord() + tricky;
        log.write(original);
        const QString exported = log.directory() + "/out." + format;
        QCOMPARE(runTool({ "export", "--format", format, "--output", exported, log.filePath() }).status, 0);
        const Run imported = runTool({ "import", exported, copy.filePath() });
        QCOMPARE(imported.err, QString());
        QCOMPARE(copy.read(), original);
        if (format != "json")
            return;

        QJsonParseError parsed;
        const QJsonArray rows = QJsonDocument::fromJson(readFile(exported), &parsed).array();
        QCOMPARE(parsed.errorString(), QJsonParseError().errorString());
        QCOMPARE(rows.size(), 4);
        for (int n = 1; n <= 4; ++n) {
            RecordBytes bytes {};
            const QByteArray slice = original.mid((n - 1) * qsizetype(kRecordSize), kRecordSize);
            std::copy(slice.begin(), slice.end(), bytes.begin());
            const Record record = Record::fromBytes(bytes);
            const QJsonObject row = rows[n - 1].toObject();
            QCOMPARE(row.value("Record").toInt(), n);
            for (int f = 0; f < kFieldCount; ++f)
                QCOMPARE(row.value(kColumnNames[std::size_t(f) + 1]).toString(),
                         QString::fromStdU16String(fieldText16(record, Field(f), TrailingSpaces::Trim)));
        }
    }

    // Never-written slots and a partial record export as empty texts, one row each.
    void exportEverySlot()
    {
        TempLog log;
        log.write(sampleRecord("one") + kZeros + kSpaces + "Part");
        const Run run = runTool({ "export", log.filePath() });
        QCOMPARE(run.status, 0);
        const QString header = "Record,Bier,Country,Location,Brewery,Purchese,Cost,Style,Taste,Color,Notes\r\n";
        QCOMPARE(run.out,
                 header
                     + "1,one,one 2,one 3,one 4,one 5,one 6,one 7,one 8,one 9,one 10\r\n"
                       "2,,,,,,,,,,\r\n3,,,,,,,,,,\r\n");
        log.write(sampleRecord("one") + kZeros + kSpaces + QByteArray(20, 'P') + QByteArray(180, ' '));
        QVERIFY(runTool({ "export", log.filePath() }).out.endsWith("\r\n4," + QString(20, 'P') + ",,,,,,,,,\r\n"));
    }

    // Whichever OS call of an import fails, the log is left byte for byte as
    // it was; and the run that fails nothing adds the rows.
    void importIsAllOrNothing_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<int>("error");
        const QByteArray two = sampleRecord("a") + sampleRecord("b");
        QTest::newRow("after whole records, EIO") << two << EIO;
        QTest::newRow("after whole records, no space") << two << ENOSPC;
        QTest::newRow("over a partial record that does not count") << two + QByteArray(150, 'p') << EIO;
        QTest::newRow("after a partial record that counts: a zero gap") << two + QByteArray(250, 'p') << EIO;
    }

    void importIsAllOrNothing()
    {
        QFETCH(QByteArray, before);
        QFETCH(int, error);
        TempLog log;
        const QString csvPath = log.directory() + "/in.csv";
        writeFile(csvPath, "Bier,Notes\nnew 1,n\nnew 2,m\n");
        const int count = int(recordCountForLength(std::uint64_t(before.size())));
        QByteArray after = before.left(count * qsizetype(kRecordSize));
        after = after.leftJustified(count * qsizetype(kRecordSize), '\0')
            + recordBytes({ "new 1", {}, {}, {}, {}, {}, {}, {}, {}, "n" })
            + recordBytes({ "new 2", {}, {}, {}, {}, {}, {}, {}, {}, "m" });

        int failures = 0;
        for (int failAt = 1;; ++failAt) {
            log.write(before);
            FaultyFileApi files;
            files.failAt = failAt;
            files.error = error;
            const Run run = runTool({ "import", csvPath, log.filePath() }, files);
            if (!files.failedCall) { // every call has had its turn
                QCOMPARE(run.status, 0);
                QCOMPARE(log.read(), after);
                break;
            }
            const QByteArray expected = run.status == 0 ? after : before;
            QVERIFY2(log.read() == expected,
                     qPrintable(QString("call %1 failed, status %2").arg(failAt).arg(run.status)));
            if (run.status != 0) {
                ++failures;
                QVERIFY2(run.err.startsWith("pintwise-log: ") && run.err.contains(log.filePath()), qPrintable(run.err));
            }
        }
        QVERIFY2(failures >= 5, qPrintable(QString::number(failures))); // open, lock, stat, reserve, write, sync
    }

    // Pintwise's lock keeps an import out, and only an import.
    void whileTheWindowHoldsTheLog_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::newRow("import refused") << QStringList { "import", "%CSV%" } << 1;
        QTest::newRow("dry run refused too") << QStringList { "import", "--dry-run", "%CSV%" } << 1;
        QTest::newRow("export reads") << QStringList { "export" } << 0;
        QTest::newRow("check reads") << QStringList { "check" } << 0;
    }

    void whileTheWindowHoldsTheLog()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        TempLog log;
        log.write(sampleRecord("mine"));
        LogStore window(log.directoryPath());
        QVERIFY(!window.locate() && !window.open());
        const QString csvPath = log.directory() + "/in.csv";
        writeFile(csvPath, "Bier\nx\n");
        arguments.replaceInStrings("%CSV%", csvPath);
        const Run run = runTool(arguments + QStringList { log.filePath() });
        QCOMPARE(run.status, status);
        QCOMPARE(run.err,
                 status ? "pintwise-log: \"" + log.filePath()
                         + "\" is open in Pintwise or in another import; close it and try again (nothing was "
                           "changed)\n"
                        : QString());
        QCOMPARE(log.read(), sampleRecord("mine"));
    }

    void importPastTheLimit()
    {
        TempLog log;
        log.write("x");
        QVERIFY(QFile::resize(log.filePath(), qint64(32766) * 380));
        const QString csvPath = log.directory() + "/in.csv";
        writeFile(csvPath, "Bier\nx\ny\n");
        const Run run = runTool({ "import", csvPath, log.filePath() });
        QCOMPARE(run.status, 1);
        QCOMPARE(run.err,
                 "pintwise-log: \"" + log.filePath() + "\" holds 32766 entries and \"" + csvPath
                     + "\" 2 rows, more than the 32767 a log can hold; nothing was added\n");
        QCOMPARE(QFileInfo(log.filePath()).size(), qint64(32766) * 380);
    }

    void check_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<qint64>("sparseLength"); // > 0: the file is that long, all zeros
        QTest::addColumn<QStringList>("lines");   // among the report's lines
        QTest::addColumn<QString>("problem");     // empty: exit status 0
        const QString ok = "Result: OK";
        QTest::newRow("new, empty") << QByteArray("") << qint64(0)
                                    << QStringList { "Length: 0 bytes",
                                                     "Records: 0 (the length over 380, rounded to the nearest, a "
                                                     "half to the even)",
                                                     "Partial record at the end: none", ok }
                                    << "";
        QByteArray mixed = kSpaces;
        mixed[25] = '\0';
        QTest::newRow("text, blank, never written, mixed")
            << sampleRecord("a") + kSpaces + kZeros + mixed << qint64(0)
            << QStringList { "Entries with text: 1",
                             "Blank entries (all spaces): 1",
                             "Never written (all zeros): 1",
                             "Empty, spaces and zeros mixed: 1, record 4 (the window shows them empty)",
                             "Undefined Windows-1252 bytes: none",
                             "Opens in Pintwise: yes, 4 of at most 32767 records",
                             ok }
            << "";
        QByteArray odd = sampleRecord("b");
        odd[3] = '\x81';
        QByteArray odder = odd;
        odder[300] = '\x9D';
        QTest::newRow("undefined bytes")
            << odd + kSpaces + odder << qint64(0)
            << QStringList { "Entries with text: 2",
                             "Undefined Windows-1252 bytes: 3 (0x81 in records 1, 3; 0x9D in record 3), kept as they "
                             "are",
                             ok }
            << "";
        QTest::newRow("partial record, counted")
            << sampleRecord("a") + sampleRecord("b") + QByteArray(200, 'c') << qint64(0)
            << QStringList { "Records: 3 (the length over 380, rounded to the nearest, a half to the even)",
                             "Partial record at the end: 200 bytes, counted as record 3 (its missing bytes read as "
                             "zeros)",
                             "Entries with text: 3" }
            << "ends in a partial record of 200 bytes";
        QTest::newRow("partial record, not counted")
            << sampleRecord("a") + QByteArray(189, 'c') << qint64(0)
            << QStringList { "Length: 569 bytes", "Entries with text: 1",
                             "Partial record at the end: 189 bytes, not counted (the window never shows them)" }
            << "ends in a partial record of 189 bytes";
        QTest::newRow("too large for the window")
            << QByteArray() << qint64(12451650)
            << QStringList { "Records: 32768 (the length over 380, rounded to the nearest, a half to the even)",
                             "Read: the first 32767 records, all the window could reach",
                             "Never written (all zeros): 32767",
                             "Opens in Pintwise: no, 32768 records, more than 32767" }
            << "has 32768 records, more than the 32767 Pintwise opens";
    }

    void check()
    {
        QFETCH(QByteArray, contents);
        QFETCH(qint64, sparseLength);
        QFETCH(QStringList, lines);
        QFETCH(QString, problem);
        TempLog log;
        log.write(contents);
        if (sparseLength > 0)
            QVERIFY(QFile::resize(log.filePath(), sparseLength));
        const Run run = runTool({ "check", log.filePath() });
        const QStringList got = run.out.split('\n');
        QCOMPARE(got.first(), "File: \"" + log.filePath() + "\"");
        for (const QString& line : lines)
            QVERIFY2(got.contains(line), qPrintable(line + "\nnot in\n" + run.out));
        QCOMPARE(run.status, problem.isEmpty() ? 0 : 1);
        QCOMPARE(run.err, problem.isEmpty() ? QString() : "pintwise-log: \"" + log.filePath() + "\" " + problem + "\n");
        if (!problem.isEmpty())
            QVERIFY(got.contains("Result: \"" + log.filePath() + "\" " + problem));
        QCOMPARE(log.read().size(), sparseLength > 0 ? sparseLength : contents.size());
    }

    // The real executable: what a script sees of it.
    void exitStatus_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");
        // Standard output: a pipe the test reads, "full" /dev/full, "closed pipe" one nobody reads.
        QTest::addColumn<QString>("output");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("err");
        const QString hint = "; see \"pintwise-log --help\"\n";
        QTest::newRow("help") << QStringList { "--help" } << QByteArray() << "" << 0 << "";
        QTest::newRow("a command's help") << QStringList { "import", "--help" } << QByteArray() << "" << 0 << "";
        QTest::newRow("version") << QStringList { "--version" } << QByteArray() << "" << 0 << "";
        QTest::newRow("export") << QStringList { "export", "%LOG%" } << QByteArray() << "" << 0 << "";
        QTest::newRow("import from standard input")
            << QStringList { "import", "-", "%LOG%" } << QByteArray("Bier\nx\n") << "" << 0 << "";
        QTest::newRow("check") << QStringList { "check", "%LOG%" } << QByteArray() << "" << 0 << "";
        QTest::newRow("import into a new log named without a folder")
            << QStringList { "import", "-", "new.dat" } << QByteArray("Bier\nx\n") << "" << 0 << "";
        QTest::newRow("no command") << QStringList() << QByteArray() << "" << 2
                                    << "pintwise-log: no command given" + hint;
        QTest::newRow("unknown command") << QStringList { "exprot" } << QByteArray() << "" << 2
                                         << "pintwise-log: unknown command \"exprot\"" + hint;
        QTest::newRow("another command's option") << QStringList { "export", "--cut" } << QByteArray() << "" << 2
                                                  << "pintwise-log: unknown option \"--cut\" for export" + hint;
        QTest::newRow("option without its value") << QStringList { "export", "--output" } << QByteArray() << "" << 2
                                                  << "pintwise-log: the option --output needs a value" + hint;
        QTest::newRow("unknown format") << QStringList { "export", "--format=xml" } << QByteArray() << "" << 2
                                        << "pintwise-log: unknown format \"xml\" (csv, json or xlsx)" + hint;
        QTest::newRow("import without a CSV")
            << QStringList { "import" } << QByteArray() << "" << 2
            << "pintwise-log: import needs the file to read (or - for standard input)" + hint;
        QTest::newRow("too many paths") << QStringList { "check", "a", "b" } << QByteArray() << "" << 2
                                        << "pintwise-log: too many arguments for check: \"b\"" + hint;
        QTest::newRow("missing log") << QStringList { "check", "%DIR%/none" } << QByteArray() << "" << 1
                                     << "pintwise-log: cannot open \"%DIR%/none\": No such file or directory\n";
        QTest::newRow("output file on a full disk")
            << QStringList { "export", "--output", "/dev/full", "%LOG%" } << QByteArray() << "" << 1
            << "pintwise-log: cannot write to \"/dev/full\": No space left on device\n";
        QTest::newRow("standard output on a full disk")
            << QStringList { "export", "%LOG%" } << QByteArray() << "full" << 1
            << "pintwise-log: cannot write to standard output: No space left on device\n";
        QTest::newRow("export over the log itself")
            << QStringList { "export", "-o", "%LOG%", "%LOG%" } << QByteArray() << "" << 1
            << "pintwise-log: will not write the export over the log \"%LOG%\"\n";
        QTest::newRow("xlsx to standard output that is no terminal")
            << QStringList { "export", "--format", "xlsx", "%LOG%" } << QByteArray() << "" << 0 << "";
        // Once the rows are synced, only exit 0 tells a script the truth.
        const QString added
            = "pintwise-log: Added 1 entry to \"%LOG%\"; it now holds 3. (cannot write to standard output: ";
        QTest::newRow("import, standard output on a full disk: added, exit 0")
            << QStringList { "import", "-", "%LOG%" } << QByteArray("Bier\nx\n") << "full" << 0
            << added + "No space left on device)\n";
        QTest::newRow("import, standard output a closed pipe: added, exit 0")
            << QStringList { "import", "-", "%LOG%" } << QByteArray("Bier\nx\n") << "closed pipe" << 0
            << added + "Broken pipe)\n";
        QTest::newRow("dry run, standard output on a full disk: exit 1")
            << QStringList { "import", "--dry-run", "-", "%LOG%" } << QByteArray("Bier\nx\n") << "full" << 1
            << "pintwise-log: cannot write to standard output: No space left on device\n";
    }

    void exitStatus()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(QString, output);
        QFETCH(int, status);
        QFETCH(QString, err);
        TempLog log;
        const QByteArray before = sampleRecord("a") + sampleRecord("b");
        log.write(before);
        // The contract: an import into the log exits 0 exactly when its rows are on disk.
        const bool adds
            = arguments.startsWith("import") && !arguments.contains("--dry-run") && arguments.endsWith("%LOG%");
        const auto fill
            = [&](QString text) { return text.replace("%LOG%", log.filePath()).replace("%DIR%", log.directory()); };
        arguments.replaceInStrings("%LOG%", log.filePath()).replaceInStrings("%DIR%", log.directory());
        QProcess tool;
        tool.setWorkingDirectory(log.directory());
        if (output == "full")
            tool.setStandardOutputFile("/dev/full");
        int unread[2] = { -1, -1 };
        if (output == "closed pipe") {
            QVERIFY(::pipe(unread) == 0);
            ::close(unread[0]);
            // As a shell starts it: writing to the pipe would raise SIGPIPE.
            tool.setChildProcessModifier([fd = unread[1]] {
                std::signal(SIGPIPE, SIG_DFL);
                ::dup2(fd, 1);
            });
        }
        tool.start(PINTWISE_LOG_BINARY, arguments);
        QVERIFY(tool.waitForStarted());
        if (unread[1] >= 0)
            ::close(unread[1]);
        tool.write(input);
        tool.closeWriteChannel();
        QVERIFY(tool.waitForFinished(10000));
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(QString::fromUtf8(tool.readAllStandardError()), fill(err));
        QCOMPARE(tool.exitCode(), status);
        const QByteArray out = tool.readAllStandardOutput();
        QVERIFY(status == 0 && output.isEmpty() ? !out.isEmpty() : out.isEmpty());
        QCOMPARE(log.read(), adds && status == 0 ? before + recordBytes({ "x" }) : before);
    }
};

QTEST_GUILESS_MAIN(TestLogTool)
#include "test_log_tool.moc"
