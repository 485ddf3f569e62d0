#include "xlsx_reader.h"

#include <QDate>
#include <QString>
#include <QXmlStreamReader>

#include <zip.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>

namespace pintwise {
namespace {

constexpr const char* kRelationships = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr int kMaxColumns = 16384; // XFD, the last column a sheet has

// The folder of a part's path, "xl/" for "xl/workbook.xml".
std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A relationship's target, relative to the part's folder or absolute from
// the package root, as a zip entry name.
std::string resolve(const std::string& folder, const QString& target)
{
    std::string path = target.toStdString();
    if (path.starts_with('/'))
        return path.substr(1);
    path = folder + path;
    std::vector<std::string> kept;
    std::size_t from = 0;
    while (from <= path.size()) {
        auto slash = path.find('/', from);
        if (slash == std::string::npos)
            slash = path.size();
        const std::string piece = path.substr(from, slash - from);
        if (piece == "..") {
            if (!kept.empty())
                kept.pop_back();
        } else if (!piece.empty() && piece != ".") {
            kept.push_back(piece);
        }
        from = slash + 1;
    }
    std::string joined;
    for (const std::string& piece : kept)
        (joined += joined.empty() ? "" : "/") += piece;
    return joined;
}

// "_x000D_" is how a cell's text holds a character XML cannot (and
// "_x005F_" an underscore that would otherwise start one).
QString unescaped(const QString& text)
{
    if (!text.contains(u"_x"))
        return text;
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'_' && i + 6 < text.size() && text[i + 1] == u'x' && text[i + 6] == u'_') {
            bool ok = false;
            const uint value = QStringView(text).sliced(i + 2, 4).toUInt(&ok, 16);
            if (ok && !text[i + 2].isSpace() && text[i + 2] != u'+' && text[i + 2] != u'-') {
                result += QChar(char16_t(value));
                i += 6;
                continue;
            }
        }
        result += text[i];
    }
    return result;
}

// The text the General format shows for a number: up to 15 significant
// digits, the exponent form for very large or small numbers.
std::string generalNumber(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.15G", value);
    return text;
}

} // namespace

// The zip archive, open over the caller's bytes; each part read whole, at
// most kMaxPartSize inflated.
class XlsxReader::Parts {
public:
    explicit Parts(std::string_view bytes)
    {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
        if (source) {
            m_zip = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
            if (!m_zip)
                zip_source_free(source);
        }
        // An archive's directory is at its end: a file that starts as a zip
        // and has none was cut short.
        if (!m_zip && zip_error_code_zip(&error) != ZIP_ER_NOZIP)
            m_error = std::string("its zip archive is damaged (") + zip_error_strerror(&error) + ")";
        else if (!m_zip)
            m_error = looksLikeZip(bytes)
                ? "its zip archive is cut short or damaged: the directory at its end is missing"
                : "it is not a zip archive";
        zip_error_fini(&error);
    }
    ~Parts()
    {
        if (m_zip)
            zip_discard(m_zip);
    }
    Parts(const Parts&) = delete;
    Parts& operator=(const Parts&) = delete;

    bool isOpen() const { return m_zip != nullptr; }
    const std::string& error() const { return m_error; }
    bool has(const std::string& name) const { return zip_name_locate(m_zip, name.c_str(), 0) >= 0; }

    // False with error() set when the part is missing, damaged or too large.
    bool read(const std::string& name, QByteArray& bytes)
    {
        bytes.clear();
        zip_file_t* file = zip_fopen(m_zip, name.c_str(), 0);
        if (!file) {
            m_error = name + " is missing from the archive";
            return false;
        }
        // The size the archive claims may lie: what inflates is counted.
        char chunk[65536];
        bool fine = true;
        for (;;) {
            const zip_int64_t n = zip_fread(file, chunk, sizeof chunk);
            if (n < 0) {
                m_error = name + " cannot be inflated (" + zip_file_strerror(file) + ")";
                fine = false;
                break;
            }
            if (n == 0)
                break;
            if (std::uint64_t(bytes.size()) + std::uint64_t(n) > kMaxPartSize) {
                m_error = name + " inflates to more than " + std::to_string(kMaxPartSize >> 20)
                    + " MiB, far more than any log's workbook holds";
                fine = false;
                break;
            }
            bytes.append(chunk, qsizetype(n));
        }
        zip_fclose(file);
        return fine;
    }

    std::string m_error;

private:
    zip_t* m_zip = nullptr;
};

XlsxReader::XlsxReader(RowHandler handler)
    : m_handler(std::move(handler))
{
}

bool XlsxReader::looksLikeZip(std::string_view bytes)
{
    return bytes.starts_with(std::string_view("PK\x03\x04", 4)) || bytes.starts_with(std::string_view("PK\x05\x06", 4));
}

std::string XlsxReader::columnName(int column)
{
    std::string name;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        name.insert(name.begin(), char('A' + (n - 1) % 26));
    return name;
}

bool XlsxReader::fail(const std::string& why)
{
    if (m_error.empty())
        m_error = why;
    return false;
}

namespace {

// A part's XML, or why it is not well-formed.
std::string xmlError(const std::string& part, const QXmlStreamReader& xml)
{
    return part + " is not well-formed XML (line " + std::to_string(xml.lineNumber()) + ": "
        + xml.errorString().toStdString() + ")";
}

// Each relationship's Id, Type and target of a .rels part.
struct Relationship {
    QString type;
    std::string target;
};

bool readRelationships(const QByteArray& bytes, const std::string& folder, std::map<QString, Relationship>& out)
{
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"Relationship") {
            const auto attributes = xml.attributes();
            out[attributes.value("Id").toString()]
                = { attributes.value("Type").toString(), resolve(folder, attributes.value("Target").toString()) };
        }
    }
    return !xml.hasError();
}

// The .rels part that belongs to `part`: "xl/_rels/workbook.xml.rels".
std::string relationshipsOf(const std::string& part)
{
    const std::string folder = folderOf(part);
    return folder + "_rels/" + part.substr(folder.size()) + ".rels";
}

bool typeIs(const QString& type, QStringView last)
{
    return type.endsWith(last) && type.size() > last.size() && type[type.size() - last.size() - 1] == u'/';
}

// The text of a <si> or <is>: its <t>, or its runs' <t>s joined; the
// phonetic guides (<rPh>) are not part of the text.
QString readRichText(QXmlStreamReader& xml)
{
    QString text;
    int depth = 1, phonetic = 0;
    while (depth > 0 && !xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (xml.name() == u"t" && phonetic == 0) {
                text += xml.readElementText();
                continue;
            }
            ++depth;
            if (xml.name() == u"rPh")
                ++phonetic;
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
            if (xml.name() == u"rPh")
                --phonetic;
        }
    }
    return unescaped(text);
}

// Date formats by their code: a day, month or year outside quotes and
// brackets makes a date; hours or seconds alone a time.
bool hasDateOrTime(const QString& code, bool& date, bool& time)
{
    date = time = false;
    bool quoted = false, bracket = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i].toLower();
        if (quoted) {
            quoted = c != u'"';
        } else if (bracket) {
            if (c == u']')
                bracket = false;
            else if (c == u'h' || c == u's')
                time = true; // [h]:mm elapsed time
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u'[') {
            bracket = true;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i; // the next character is shown as it is
        } else if (c == u'd' || c == u'y') {
            date = true;
        } else if (c == u'h' || c == u's') {
            time = true;
        } else if (c == u'm') {
            date = date || (!time && !code.mid(i).contains(u's', Qt::CaseInsensitive));
        } else if (c == u'g' && code.mid(i, 7).compare(u"general", Qt::CaseInsensitive) == 0) {
            i += 6;
        }
    }
    return date || time;
}

} // namespace

bool XlsxReader::read(std::string_view bytes)
{
    Parts parts(bytes);
    if (!parts.isOpen())
        return fail(parts.error());

    // The package's relationships name the workbook; without them, where
    // every spreadsheet puts it.
    std::string workbook = "xl/workbook.xml";
    QByteArray xml;
    if (parts.has("_rels/.rels")) {
        std::map<QString, Relationship> relationships;
        if (!parts.read("_rels/.rels", xml))
            return fail(parts.error());
        if (!readRelationships(xml, "", relationships))
            return fail("_rels/.rels is not well-formed XML");
        for (const auto& [id, relationship] : relationships) {
            if (typeIs(relationship.type, u"officeDocument"))
                workbook = relationship.target;
        }
    }
    if (!parts.has(workbook))
        return fail("its zip archive holds no workbook");

    std::map<QString, Relationship> relationships;
    const std::string rels = relationshipsOf(workbook);
    if (parts.has(rels)) {
        if (!parts.read(rels, xml))
            return fail(parts.error());
        if (!readRelationships(xml, folderOf(workbook), relationships))
            return fail(rels + " is not well-formed XML");
    }

    if (!parts.read(workbook, xml))
        return fail(parts.error());
    std::string sheet;
    {
        QXmlStreamReader reader(xml);
        while (!reader.atEnd()) {
            if (reader.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (reader.name() == u"workbookPr") {
                const auto value = reader.attributes().value("date1904");
                m_date1904 = value == u"1" || value == u"true";
            } else if (reader.name() == u"sheet" && sheet.empty()) {
                const auto found = relationships.find(reader.attributes().value(kRelationships, "id").toString());
                if (found != relationships.end() && typeIs(found->second.type, u"worksheet"))
                    sheet = found->second.target;
            }
        }
        if (reader.hasError())
            return fail(xmlError(workbook, reader));
    }
    if (sheet.empty())
        return fail("the workbook holds no worksheet");
    if (!parts.has(sheet))
        return fail("the workbook's first worksheet, " + sheet + ", is missing from the archive");

    for (const auto& [id, relationship] : relationships) {
        if (typeIs(relationship.type, u"styles") && parts.has(relationship.target)
            && !readStyles(parts, relationship.target))
            return false;
        if (typeIs(relationship.type, u"sharedStrings") && parts.has(relationship.target)
            && !readSharedStrings(parts, relationship.target))
            return false;
    }
    return readSheet(parts, sheet);
}

bool XlsxReader::readStyles(Parts& parts, const std::string& path)
{
    QByteArray bytes;
    if (!parts.read(path, bytes))
        return fail(parts.error());
    QXmlStreamReader xml(bytes);
    std::map<int, NumberKind> custom;
    bool inCellFormats = false;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == u"cellXfs")
            inCellFormats = false;
        if (token != QXmlStreamReader::StartElement)
            continue;
        const auto attributes = xml.attributes();
        if (xml.name() == u"numFmt") {
            bool date = false, time = false;
            if (hasDateOrTime(attributes.value("formatCode").toString(), date, time))
                custom[attributes.value("numFmtId").toInt()]
                    = date && time ? NumberKind::DateTime : (date ? NumberKind::Date : NumberKind::Time);
        } else if (xml.name() == u"cellXfs") {
            inCellFormats = true;
        } else if (xml.name() == u"xf" && inCellFormats) {
            const int id = attributes.value("numFmtId").toInt();
            NumberKind kind = NumberKind::Number;
            // The built-in formats: 14-17 dates, 18-21 and 45-47 times, 22 both.
            if (id >= 14 && id <= 17)
                kind = NumberKind::Date;
            else if ((id >= 18 && id <= 21) || (id >= 45 && id <= 47))
                kind = NumberKind::Time;
            else if (id == 22)
                kind = NumberKind::DateTime;
            else if (const auto found = custom.find(id); found != custom.end())
                kind = found->second;
            m_styleKinds.push_back(kind);
        }
    }
    return !xml.hasError() || fail(xmlError(path, xml));
}

bool XlsxReader::readSharedStrings(Parts& parts, const std::string& path)
{
    QByteArray bytes;
    if (!parts.read(path, bytes))
        return fail(parts.error());
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"si")
            m_sharedStrings.push_back(readRichText(xml).toStdString());
    }
    return !xml.hasError() || fail(xmlError(path, xml));
}

bool XlsxReader::readSheet(Parts& parts, const std::string& path)
{
    QByteArray bytes;
    if (!parts.read(path, bytes))
        return fail(parts.error());
    QXmlStreamReader xml(bytes);

    int headerRow = 0, lastRow = 0, lastEmitted = 0, width = 0;
    std::vector<std::string> fields, blank;
    std::vector<Cell> pending; // this row's cells that are not text
    const auto here = [&](int row, int column) { return columnName(column) + std::to_string(row); };

    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"row")
            continue;
        const auto rowNumber = xml.attributes().value("r");
        const int row = rowNumber.isEmpty() ? lastRow + 1 : rowNumber.toInt();
        if (row <= lastRow || row > 1048576)
            return fail(path + " has a row numbered " + rowNumber.toString().toStdString() + " out of order");
        lastRow = row;
        for (std::string& field : fields)
            field.clear();
        pending.clear();
        int column = -1, lastColumn = -1;

        while (xml.readNextStartElement()) {
            if (xml.name() != u"c") {
                xml.skipCurrentElement();
                continue;
            }
            const auto attributes = xml.attributes();
            const QString reference = attributes.value("r").toString();
            if (reference.isEmpty()) {
                ++column;
            } else {
                int letters = 0, named = 0;
                while (letters < reference.size() && reference[letters].isUpper() && named <= kMaxColumns)
                    named = named * 26 + (reference[letters++].unicode() - 'A' + 1);
                column = named - 1;
            }
            if (column < 0 || column >= kMaxColumns)
                return fail(path + " has a cell outside the sheet (\"" + reference.toStdString() + "\")");
            const QString type = attributes.value("t").toString();
            const int style = attributes.value("s").toInt();

            QString value, inline_;
            bool hasValue = false, formula = false, hasInline = false;
            while (xml.readNextStartElement()) {
                if (xml.name() == u"v") {
                    value = xml.readElementText();
                    hasValue = true;
                } else if (xml.name() == u"is") {
                    inline_ = readRichText(xml);
                    hasInline = true;
                } else {
                    formula = formula || xml.name() == u"f";
                    xml.skipCurrentElement();
                }
            }
            if (xml.hasError())
                break;

            std::string text, what;
            bool isError = false;
            if (type == u"inlineStr") {
                text = inline_.toStdString();
                what = hasInline && formula ? "a formula's result" : "";
            } else if (!hasValue) {
                continue; // a formatted cell that holds nothing
            } else if (type == u"s") {
                bool ok = false;
                const qulonglong index = value.trimmed().toULongLong(&ok);
                if (!ok || index >= m_sharedStrings.size())
                    return fail(path + " cell " + here(row, column) + " refers to a shared string that does not exist");
                text = m_sharedStrings[std::size_t(index)];
                what = formula ? "a formula's result" : "";
            } else if (type == u"str") {
                text = unescaped(value).toStdString();
                what = "a formula's result";
            } else if (type == u"b") {
                text = value.trimmed() == u"1" ? "TRUE" : "FALSE";
                what = "a boolean";
            } else if (type == u"e") {
                text = value.toStdString();
                what = "an error";
                isError = true;
            } else if (type == u"d") {
                text = value.trimmed().toStdString();
                if (text.ends_with("T00:00:00"))
                    text.resize(text.size() - 9);
                what = "a date";
            } else {
                bool ok = false;
                const double number = value.trimmed().toDouble(&ok);
                if (!ok)
                    return fail(path + " cell " + here(row, column) + " holds \"" + value.toStdString()
                                + "\", which is not a number");
                const NumberKind kind = style >= 0 && std::size_t(style) < m_styleKinds.size()
                    ? m_styleKinds[std::size_t(style)]
                    : NumberKind::Number;
                // Days since the epoch of the workbook's date system, the
                // day's fraction its time.
                const double days = std::floor(number);
                if (kind != NumberKind::Number && number >= 0 && number < 2958466) {
                    auto seconds = std::lround((number - days) * 86400);
                    qint64 day = qint64(days);
                    if (seconds == 86400) {
                        ++day;
                        seconds = 0;
                    }
                    std::string date;
                    if (m_date1904)
                        date = QDate(1904, 1, 1).addDays(day).toString(Qt::ISODate).toStdString();
                    else if (day == 60) // the day the 1900 system counts that never was
                        date = "1900-02-29";
                    else
                        date = QDate(1899, 12, day < 60 ? 31 : 30).addDays(day).toString(Qt::ISODate).toStdString();
                    char time[48];
                    std::snprintf(time, sizeof time, "%02ld:%02ld:%02ld", seconds / 3600, seconds / 60 % 60,
                                  seconds % 60);
                    text = kind == NumberKind::Date ? date
                        : kind == NumberKind::Time  ? std::string(time)
                                                    : date + " " + time;
                    what = kind == NumberKind::Time ? "a time" : "a date";
                } else {
                    text = generalNumber(number);
                    what = "a number";
                }
                if (formula)
                    what = "a formula's result";
            }
            if (text.empty() && !isError)
                continue;
            if (column >= int(fields.size()))
                fields.resize(std::size_t(column) + 1);
            fields[std::size_t(column)] = std::move(text);
            lastColumn = std::max(lastColumn, column);
            if (!what.empty())
                pending.push_back({ row, column, what, fields[std::size_t(column)], isError });
        }
        if (xml.hasError())
            break;
        if (lastColumn < 0)
            continue; // nothing in this row: a blank entry if a later row holds something

        if (headerRow == 0) {
            headerRow = row;
            width = lastColumn + 1;
        } else {
            if (row - headerRow > kMaxRows)
                return fail("it has more than " + std::to_string(kMaxRows)
                            + " rows below its header, more than a log can hold");
            blank.assign(std::size_t(width), std::string());
            for (int r = lastEmitted + 1; r < row; ++r)
                m_handler(r, blank);
            m_otherCells.insert(m_otherCells.end(), pending.begin(), pending.end());
        }
        const std::size_t count = std::max(std::size_t(width), std::size_t(lastColumn) + 1);
        fields.resize(std::max(fields.size(), count));
        m_handler(row, std::span<const std::string>(fields.data(), count));
        lastEmitted = row;
    }
    return !xml.hasError() || fail(xmlError(path, xml));
}

} // namespace pintwise
