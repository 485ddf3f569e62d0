#include "xlsx_reader.h"

#include <QByteArrayView>
#include <QDate>
#include <QString>

#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <zip.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>

namespace pintwise {
namespace {

constexpr std::string_view kRelationships = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr int kMaxColumns = 16384; // XFD, the last column a sheet has

// The folder of a part's path, "xl/" for "xl/workbook.xml".
std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A relationship's target, relative to the part's folder or absolute from
// the package root, as a zip entry name.
std::string resolve(const std::string& folder, std::string_view target)
{
    std::string path(target);
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

// The same on UTF-8: the escapes are rare, so only a text that has one goes
// by way of UTF-16, where a pair of escaped surrogates makes one character.
std::string unescaped(std::string text)
{
    if (text.find("_x") == std::string::npos)
        return text;
    return unescaped(QString::fromStdString(text)).toStdString();
}

QByteArrayView bytesOf(std::string_view text)
{
    return { text.data(), qsizetype(text.size()) };
}

int toInt(std::string_view text)
{
    return bytesOf(text).toInt();
}

// The text the General format shows for a number: up to 15 significant
// digits, the exponent form for very large or small numbers.
std::string generalNumber(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.15G", value);
    return text;
}

const char* charsOf(const xmlChar* text)
{
    return reinterpret_cast<const char*>(text);
}

// A start tag's attributes as libxml2 hands them over: five pointers each,
// the local name, the prefix, the namespace and the value's first and
// past-the-end byte. A view, valid during the callback only; it copies nothing.
class Attributes {
public:
    Attributes(const xmlChar** attributes, int count)
        : m_attributes(attributes)
        , m_count(count)
    {
    }
    // The value of `name` without a prefix, or of `name` in the namespace
    // `uri`; empty when the tag has none.
    std::string_view value(std::string_view name, std::string_view uri = {}) const
    {
        for (int i = 0; i < m_count; ++i) {
            const xmlChar* const* at = m_attributes + std::ptrdiff_t(5) * i;
            if (name != charsOf(at[0]))
                continue;
            if (uri.empty() ? at[1] == nullptr : at[2] != nullptr && uri == charsOf(at[2]))
                return { charsOf(at[3]), std::size_t(at[4] - at[3]) };
        }
        return {};
    }

private:
    const xmlChar** m_attributes;
    int m_count;
};

// What a part's reader does with its elements and texts, in document order.
// start() and end() return false to stop the parse, with refusal saying why.
// It sees no XML errors: parseXml reports those.
class XmlHandler {
public:
    virtual ~XmlHandler() = default;
    virtual bool start(std::string_view name, const Attributes& attributes) = 0;
    virtual bool end(std::string_view /*name*/) { return true; }
    virtual void text(std::string_view /*chars*/) { }

    std::string refusal;
};

// Why a part could not be read: `malformed` when its XML is the reason, and
// the message for the user either way.
struct XmlFailure {
    bool malformed = false;
    std::string message;
};

// The text of a <si> or <is> as its elements go by: its <t>, or its runs'
// <t>s joined; the phonetic guides (<rPh>) are not part of the text. It
// keeps no formatting of the runs.
class RichText {
public:
    void begin()
    {
        m_text.clear();
        m_depth = m_inText = m_phonetic = 0;
    }
    void start(std::string_view name)
    {
        ++m_depth;
        if (m_inText != 0)
            return;
        if (name == "t" && m_phonetic == 0)
            m_inText = m_depth;
        else if (name == "rPh")
            ++m_phonetic;
    }
    // True when `name` ends the <si> or <is> itself.
    bool end(std::string_view name)
    {
        if (m_depth == 0)
            return true;
        if (m_inText == m_depth)
            m_inText = 0;
        else if (m_inText == 0 && name == "rPh")
            --m_phonetic;
        --m_depth;
        return false;
    }
    void text(std::string_view chars)
    {
        if (m_inText != 0)
            m_text.append(chars);
    }
    std::string take() { return unescaped(std::move(m_text)); }

private:
    std::string m_text;
    int m_depth = 0, m_inText = 0, m_phonetic = 0;
};

bool typeIs(std::string_view type, std::string_view last)
{
    return type.ends_with(last) && type.size() > last.size() && type[type.size() - last.size() - 1] == '/';
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

// Each relationship's Type and target of a .rels part, by Id.
struct Relationship {
    std::string type;
    std::string target;
};

// A .rels part's relationships, their targets resolved against `folder`;
// it checks neither that a target exists nor what its type means.
class RelationshipList final : public XmlHandler {
public:
    RelationshipList(std::string folder, std::map<std::string, Relationship>& out)
        : m_folder(std::move(folder))
        , m_out(out)
    {
    }
    bool start(std::string_view name, const Attributes& attributes) override
    {
        if (name == "Relationship")
            m_out[std::string(attributes.value("Id"))]
                = { std::string(attributes.value("Type")), resolve(m_folder, attributes.value("Target")) };
        return true;
    }

private:
    std::string m_folder;
    std::map<std::string, Relationship>& m_out;
};

// The .rels part that belongs to `part`: "xl/_rels/workbook.xml.rels".
std::string relationshipsOf(const std::string& part)
{
    const std::string folder = folderOf(part);
    return folder + "_rels/" + part.substr(folder.size()) + ".rels";
}

} // namespace

// The zip archive, open over the caller's bytes; each part handed on as it
// inflates, at most kMaxPartSize of it, and never kept.
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

    // Hands the part to `take` a chunk at a time. False when `take` refused
    // a chunk, or with error() set when the part is missing, damaged or too
    // large.
    template <typename Take> bool stream(const std::string& name, Take&& take)
    {
        m_error.clear();
        zip_file_t* file = zip_fopen(m_zip, name.c_str(), 0);
        if (!file) {
            m_error = name + " is missing from the archive";
            return false;
        }
        // The size the archive claims may lie: what inflates is counted.
        std::uint64_t inflated = 0;
        bool fine = true;
        for (;;) {
            const zip_int64_t n = zip_fread(file, m_chunk.data(), m_chunk.size());
            if (n < 0) {
                m_error = name + " cannot be inflated (" + zip_file_strerror(file) + ")";
                fine = false;
                break;
            }
            if (n == 0)
                break;
            inflated += std::uint64_t(n);
            if (inflated > kMaxPartSize) {
                m_error = name + " inflates to more than " + std::to_string(kMaxPartSize >> 20)
                    + " MiB, far more than any log's workbook holds";
                fine = false;
                break;
            }
            if (!take(std::string_view(m_chunk.data(), std::size_t(n)))) {
                fine = false;
                break;
            }
        }
        zip_fclose(file);
        return fine;
    }

    // Reads the part's XML as it inflates, each element and text to
    // `handler`: libxml2's push parser, which keeps no more of the part than
    // it has not yet parsed. Nothing beyond the part is loaded: no DTD, no
    // entity (one that is not XML's own is an error), nothing from the network.
    std::optional<XmlFailure> parseXml(const std::string& name, XmlHandler& handler);

private:
    zip_t* m_zip = nullptr;
    std::string m_error;
    std::vector<char> m_chunk = std::vector<char>(std::size_t(256) << 10);
};

namespace {

// One parse in progress: what libxml2's callbacks reach through their
// user data.
struct XmlParse {
    explicit XmlParse(XmlHandler& to)
        : handler(to)
    {
    }
    XmlHandler& handler;
    xmlParserCtxtPtr context = nullptr;
    bool refused = false;
    int errorLine = 0;
    std::string errorText; // the first error's, empty while there is none
};

void stopParse(XmlParse& parse)
{
    parse.refused = true;
    xmlStopParser(parse.context);
}

void onStart(void* data, const xmlChar* name, const xmlChar* /*prefix*/, const xmlChar* /*uri*/, int /*namespaceCount*/,
             const xmlChar** /*namespaces*/, int attributeCount, int /*defaulted*/, const xmlChar** attributes)
{
    auto& parse = *static_cast<XmlParse*>(data);
    if (!parse.refused && !parse.handler.start(charsOf(name), Attributes(attributes, attributeCount)))
        stopParse(parse);
}

void onEnd(void* data, const xmlChar* name, const xmlChar* /*prefix*/, const xmlChar* /*uri*/)
{
    auto& parse = *static_cast<XmlParse*>(data);
    if (!parse.refused && !parse.handler.end(charsOf(name)))
        stopParse(parse);
}

void onText(void* data, const xmlChar* text, int length)
{
    auto& parse = *static_cast<XmlParse*>(data);
    if (!parse.refused)
        parse.handler.text(std::string_view(charsOf(text), std::size_t(length)));
}

// libxml2's message to the first colon or line end: the names it adds after
// one repeat what the line number says, and the message must stay one line.
void onError(void* data, xmlErrorPtr error)
{
    auto& parse = *static_cast<XmlParse*>(data);
    if (error == nullptr || error->level < XML_ERR_ERROR || !parse.errorText.empty())
        return;
    std::string_view text = error->message ? error->message : "";
    text = text.substr(0, text.find_first_of(":\n"));
    while (!text.empty() && (text.back() == ' ' || text.back() == '!' || text.back() == '.'))
        text.remove_suffix(1);
    parse.errorText = std::string(text.empty() ? "an XML error" : text) + ".";
    parse.errorLine = error->line;
}

} // namespace

std::optional<XmlFailure> XlsxReader::Parts::parseXml(const std::string& name, XmlHandler& handler)
{
    static const bool initialized = [] {
        xmlInitParser();
        return true;
    }();
    (void)initialized;
    // Only these callbacks (CDATA goes to characters): with none for DTDs
    // or entities, nothing is declared, loaded or expanded.
    xmlSAXHandler sax {};
    sax.initialized = XML_SAX2_MAGIC;
    sax.startElementNs = onStart;
    sax.endElementNs = onEnd;
    sax.characters = onText;
    sax.ignorableWhitespace = onText;
    sax.serror = onError;
    XmlParse parse(handler);
    const std::unique_ptr<xmlParserCtxt, void (*)(xmlParserCtxtPtr)> context(
        xmlCreatePushParserCtxt(&sax, &parse, nullptr, 0, name.c_str()), xmlFreeParserCtxt);
    if (!context)
        return XmlFailure { false, name + " cannot be read: out of memory" };
    xmlCtxtUseOptions(context.get(), XML_PARSE_NONET);
    parse.context = context.get();
    const auto wellFormed = [&] { return context->wellFormed != 0 && context->nsWellFormed != 0; };
    const bool inflated = stream(name, [&](std::string_view chunk) {
        xmlParseChunk(context.get(), chunk.data(), int(chunk.size()), 0);
        return !parse.refused && wellFormed();
    });
    if (!inflated && !parse.refused && wellFormed())
        return XmlFailure { false, m_error };
    if (inflated)
        xmlParseChunk(context.get(), nullptr, 0, 1);
    if (parse.refused)
        return XmlFailure { false, handler.refusal };
    if (!wellFormed()) {
        if (parse.errorText.empty())
            parse.errorText = "an XML error.";
        return XmlFailure { true,
                            name + " is not well-formed XML (line " + std::to_string(parse.errorLine) + ": "
                                + parse.errorText + ")" };
    }
    return std::nullopt;
}

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

// A .rels part's relationships; a failure's message names the part alone
// when its XML is the reason.
std::optional<std::string> readRelationships(auto& parts, const std::string& path, const std::string& folder,
                                             std::map<std::string, Relationship>& out)
{
    RelationshipList list(folder, out);
    if (auto failure = parts.parseXml(path, list))
        return failure->malformed ? path + " is not well-formed XML" : failure->message;
    return std::nullopt;
}

// The workbook's date system and the target of its first sheet that is a
// worksheet; the other sheets and the names are not read.
class WorkbookSheets final : public XmlHandler {
public:
    explicit WorkbookSheets(const std::map<std::string, Relationship>& relationships)
        : m_relationships(relationships)
    {
    }
    bool start(std::string_view name, const Attributes& attributes) override
    {
        if (name == "workbookPr") {
            const auto value = attributes.value("date1904");
            date1904 = value == "1" || value == "true";
        } else if (name == "sheet" && sheet.empty()) {
            const auto found = m_relationships.find(std::string(attributes.value("id", kRelationships)));
            if (found != m_relationships.end() && typeIs(found->second.type, "worksheet"))
                sheet = found->second.target;
        }
        return true;
    }

    bool date1904 = false;
    std::string sheet;

private:
    const std::map<std::string, Relationship>& m_relationships;
};

// Which cell styles show a number as a date or a time; fonts, fills and
// the rest of a style are not read.
template <typename Kind> class CellStyles final : public XmlHandler {
public:
    explicit CellStyles(std::vector<Kind>& kinds)
        : m_kinds(kinds)
    {
    }
    bool start(std::string_view name, const Attributes& attributes) override
    {
        if (name == "numFmt") {
            bool date = false, time = false;
            if (hasDateOrTime(QString::fromUtf8(bytesOf(attributes.value("formatCode"))), date, time))
                m_custom[toInt(attributes.value("numFmtId"))]
                    = date && time ? Kind::DateTime : (date ? Kind::Date : Kind::Time);
        } else if (name == "cellXfs") {
            m_inCellFormats = true;
        } else if (name == "xf" && m_inCellFormats) {
            const int id = toInt(attributes.value("numFmtId"));
            Kind kind = Kind::Number;
            // The built-in formats: 14-17 dates, 18-21 and 45-47 times, 22 both.
            if (id >= 14 && id <= 17)
                kind = Kind::Date;
            else if ((id >= 18 && id <= 21) || (id >= 45 && id <= 47))
                kind = Kind::Time;
            else if (id == 22)
                kind = Kind::DateTime;
            else if (const auto found = m_custom.find(id); found != m_custom.end())
                kind = found->second;
            m_kinds.push_back(kind);
        }
        return true;
    }
    bool end(std::string_view name) override
    {
        if (name == "cellXfs")
            m_inCellFormats = false;
        return true;
    }

private:
    std::vector<Kind>& m_kinds;
    std::map<int, Kind> m_custom;
    bool m_inCellFormats = false;
};

// Every <si>'s text, in order, appended to `texts` with its end in `ends`;
// equal texts are not merged.
class SharedStrings final : public XmlHandler {
public:
    SharedStrings(std::string& texts, std::vector<std::uint32_t>& ends)
        : m_texts(texts)
        , m_ends(ends)
    {
    }
    bool start(std::string_view name, const Attributes& /*attributes*/) override
    {
        if (m_inItem)
            m_text.start(name);
        else if (name == "si") {
            m_inItem = true;
            m_text.begin();
        }
        return true;
    }
    bool end(std::string_view name) override
    {
        if (m_inItem && m_text.end(name)) {
            m_texts += m_text.take();
            m_ends.push_back(std::uint32_t(m_texts.size())); // a part is at most 128 MiB
            m_inItem = false;
        }
        return true;
    }
    void text(std::string_view chars) override
    {
        if (m_inItem)
            m_text.text(chars);
    }

private:
    std::string& m_texts;
    std::vector<std::uint32_t>& m_ends;
    RichText m_text;
    bool m_inItem = false;
};

} // namespace

// The sheet's rows as its elements go by: each <row>'s cells gathered, and
// the row handed on at its end tag. What is not a row, a cell or a cell's
// value is skipped whole.
class XlsxReader::SheetRows final : public XmlHandler {
public:
    SheetRows(XlsxReader& reader, const std::string& path)
        : m_reader(reader)
        , m_path(path)
    {
    }

    bool start(std::string_view name, const Attributes& attributes) override
    {
        ++m_depth;
        if (m_skipFrom != 0)
            return true;
        switch (m_in) {
        case In::Sheet:
            return name != "row" || beginRow(attributes);
        case In::Row:
            if (name == "c")
                return beginCell(attributes);
            break;
        case In::Cell:
            if (name == "v") {
                m_in = In::Value;
                m_value.clear();
                m_hasValue = true;
                return true;
            }
            if (name == "is") {
                m_in = In::Inline;
                m_inline.begin();
                m_hasInline = true;
                return true;
            }
            m_formula = m_formula || name == "f";
            break;
        case In::Value:
            break; // an element inside a value holds none of it
        case In::Inline:
            m_inline.start(name);
            return true;
        }
        m_skipFrom = m_depth;
        return true;
    }

    bool end(std::string_view name) override
    {
        const int depth = m_depth--;
        if (m_skipFrom != 0) {
            if (depth == m_skipFrom)
                m_skipFrom = 0;
            return true;
        }
        switch (m_in) {
        case In::Sheet:
            return true;
        case In::Row:
            m_in = In::Sheet;
            return endRow();
        case In::Cell:
            m_in = In::Row;
            return endCell();
        case In::Value:
            m_in = In::Cell;
            return true;
        case In::Inline:
            if (m_inline.end(name)) {
                m_in = In::Cell;
                m_inlineText = m_inline.take();
            }
            return true;
        }
        return true;
    }

    void text(std::string_view chars) override
    {
        if (m_skipFrom != 0)
            return;
        if (m_in == In::Value)
            m_value.append(chars);
        else if (m_in == In::Inline)
            m_inline.text(chars);
    }

private:
    enum class In : std::uint8_t { Sheet, Row, Cell, Value, Inline };

    bool refuse(std::string why)
    {
        refusal = std::move(why);
        return false;
    }
    std::string here() const { return columnName(m_column) + std::to_string(m_row); }

    bool beginRow(const Attributes& attributes)
    {
        const auto number = attributes.value("r");
        const int row = number.empty() ? m_lastRow + 1 : toInt(number);
        if (row <= m_lastRow || row > 1048576)
            return refuse(m_path + " has a row numbered " + std::string(number) + " out of order");
        m_row = m_lastRow = row;
        for (std::string& field : m_fields)
            field.clear();
        m_pending.clear();
        m_column = m_lastColumn = -1;
        m_in = In::Row;
        return true;
    }

    bool beginCell(const Attributes& attributes)
    {
        const auto reference = attributes.value("r");
        if (reference.empty()) {
            ++m_column;
        } else {
            std::size_t letters = 0;
            int named = 0;
            while (letters < reference.size() && reference[letters] >= 'A' && reference[letters] <= 'Z'
                   && named <= kMaxColumns)
                named = named * 26 + (reference[letters++] - 'A' + 1);
            m_column = named - 1;
        }
        if (m_column < 0 || m_column >= kMaxColumns)
            return refuse(m_path + " has a cell outside the sheet (\"" + std::string(reference) + "\")");
        m_type = attributes.value("t");
        m_style = toInt(attributes.value("s"));
        m_value.clear();
        m_inlineText.clear();
        m_hasValue = m_formula = m_hasInline = false;
        m_in = In::Cell;
        return true;
    }

    bool endCell()
    {
        std::string text, what;
        bool isError = false;
        const auto trimmed = bytesOf(m_value).trimmed();
        if (m_type == "inlineStr") {
            text = std::move(m_inlineText);
            what = m_hasInline && m_formula ? "a formula's result" : "";
        } else if (!m_hasValue) {
            return true; // a formatted cell that holds nothing
        } else if (m_type == "s") {
            bool ok = false;
            const qulonglong index = trimmed.toULongLong(&ok);
            const auto& ends = m_reader.m_sharedEnds;
            if (!ok || index >= ends.size())
                return refuse(m_path + " cell " + here() + " refers to a shared string that does not exist");
            const std::uint32_t from = index == 0 ? 0 : ends[std::size_t(index) - 1];
            text.assign(m_reader.m_sharedTexts, from, ends[std::size_t(index)] - from);
            what = m_formula ? "a formula's result" : "";
        } else if (m_type == "str") {
            text = unescaped(m_value);
            what = "a formula's result";
        } else if (m_type == "b") {
            text = trimmed == "1" ? "TRUE" : "FALSE";
            what = "a boolean";
        } else if (m_type == "e") {
            text = m_value;
            what = "an error";
            isError = true;
        } else if (m_type == "d") {
            text = trimmed.toByteArray().toStdString();
            if (text.ends_with("T00:00:00"))
                text.resize(text.size() - 9);
            what = "a date";
        } else {
            bool ok = false;
            const double number = trimmed.toDouble(&ok);
            if (!ok)
                return refuse(m_path + " cell " + here() + " holds \"" + m_value + "\", which is not a number");
            const NumberKind kind = m_style >= 0 && std::size_t(m_style) < m_reader.m_styleKinds.size()
                ? m_reader.m_styleKinds[std::size_t(m_style)]
                : NumberKind::Number;
            const bool dated = kind != NumberKind::Number && number >= 0 && number < 2958466;
            text = dated ? dateText(number, kind) : generalNumber(number);
            what = !dated ? "a number" : (kind == NumberKind::Time ? "a time" : "a date");
            if (m_formula)
                what = "a formula's result";
        }
        if (text.empty() && !isError)
            return true;
        if (m_column >= int(m_fields.size()))
            m_fields.resize(std::size_t(m_column) + 1);
        m_fields[std::size_t(m_column)] = std::move(text);
        m_lastColumn = std::max(m_lastColumn, m_column);
        if (!what.empty())
            m_pending.push_back({ m_row, m_column, what, m_fields[std::size_t(m_column)], isError });
        return true;
    }

    // Days since the epoch of the workbook's date system, the day's fraction
    // its time.
    std::string dateText(double number, NumberKind kind) const
    {
        const double days = std::floor(number);
        auto seconds = std::lround((number - days) * 86400);
        qint64 day = qint64(days);
        if (seconds == 86400) {
            ++day;
            seconds = 0;
        }
        std::string date;
        if (m_reader.m_date1904)
            date = QDate(1904, 1, 1).addDays(day).toString(Qt::ISODate).toStdString();
        else if (day == 60) // the day the 1900 system counts that never was
            date = "1900-02-29";
        else
            date = QDate(1899, 12, day < 60 ? 31 : 30).addDays(day).toString(Qt::ISODate).toStdString();
        char time[48];
        std::snprintf(time, sizeof time, "%02ld:%02ld:%02ld", seconds / 3600, seconds / 60 % 60, seconds % 60);
        return kind == NumberKind::Date ? date : kind == NumberKind::Time ? std::string(time) : date + " " + time;
    }

    bool endRow()
    {
        if (m_lastColumn < 0)
            return true; // nothing in this row: a blank entry if a later row holds something
        if (m_headerRow == 0) {
            m_headerRow = m_row;
            m_width = m_lastColumn + 1;
        } else {
            if (m_row - m_headerRow > kMaxRows)
                return refuse("it has more than " + std::to_string(kMaxRows)
                              + " rows below its header, more than a log can hold");
            m_blank.assign(std::size_t(m_width), std::string());
            for (int r = m_lastEmitted + 1; r < m_row; ++r)
                m_reader.m_handler(r, m_blank);
            m_reader.m_otherCells.insert(m_reader.m_otherCells.end(), m_pending.begin(), m_pending.end());
        }
        const std::size_t count = std::max(std::size_t(m_width), std::size_t(m_lastColumn) + 1);
        m_fields.resize(std::max(m_fields.size(), count));
        m_reader.m_handler(m_row, std::span<const std::string>(m_fields.data(), count));
        m_lastEmitted = m_row;
        return true;
    }

    XlsxReader& m_reader;
    const std::string& m_path;
    In m_in = In::Sheet;
    int m_depth = 0;    // elements open
    int m_skipFrom = 0; // the depth of the element being skipped, 0 while none is
    int m_headerRow = 0, m_lastRow = 0, m_lastEmitted = 0, m_width = 0;
    // The row being read.
    int m_row = 0, m_column = -1, m_lastColumn = -1;
    std::vector<std::string> m_fields, m_blank;
    std::vector<Cell> m_pending; // its cells that are not text
    // The cell being read.
    std::string m_type, m_value, m_inlineText;
    int m_style = 0;
    bool m_hasValue = false, m_formula = false, m_hasInline = false;
    RichText m_inline;
};

bool XlsxReader::read(std::string_view bytes)
{
    Parts parts(bytes);
    if (!parts.isOpen())
        return fail(parts.error());

    // The package's relationships name the workbook; without them, where
    // every spreadsheet puts it.
    std::string workbook = "xl/workbook.xml";
    if (parts.has("_rels/.rels")) {
        std::map<std::string, Relationship> relationships;
        if (auto failure = readRelationships(parts, "_rels/.rels", "", relationships))
            return fail(*failure);
        for (const auto& [id, relationship] : relationships) {
            if (typeIs(relationship.type, "officeDocument"))
                workbook = relationship.target;
        }
    }
    if (!parts.has(workbook))
        return fail("its zip archive holds no workbook");

    std::map<std::string, Relationship> relationships;
    const std::string rels = relationshipsOf(workbook);
    if (parts.has(rels)) {
        if (auto failure = readRelationships(parts, rels, folderOf(workbook), relationships))
            return fail(*failure);
    }

    WorkbookSheets sheets(relationships);
    if (auto failure = parts.parseXml(workbook, sheets))
        return fail(failure->message);
    m_date1904 = sheets.date1904;
    const std::string& sheet = sheets.sheet;
    if (sheet.empty())
        return fail("the workbook holds no worksheet");
    if (!parts.has(sheet))
        return fail("the workbook's first worksheet, " + sheet + ", is missing from the archive");

    for (const auto& [id, relationship] : relationships) {
        if (typeIs(relationship.type, "styles") && parts.has(relationship.target)
            && !readStyles(parts, relationship.target))
            return false;
        if (typeIs(relationship.type, "sharedStrings") && parts.has(relationship.target)
            && !readSharedStrings(parts, relationship.target))
            return false;
    }
    return readSheet(parts, sheet);
}

bool XlsxReader::readStyles(Parts& parts, const std::string& path)
{
    CellStyles<NumberKind> styles(m_styleKinds);
    const auto failure = parts.parseXml(path, styles);
    return !failure || fail(failure->message);
}

bool XlsxReader::readSharedStrings(Parts& parts, const std::string& path)
{
    SharedStrings strings(m_sharedTexts, m_sharedEnds);
    const auto failure = parts.parseXml(path, strings);
    return !failure || fail(failure->message);
}

bool XlsxReader::readSheet(Parts& parts, const std::string& path)
{
    SheetRows rows(*this, path);
    const auto failure = parts.parseXml(path, rows);
    return !failure || fail(failure->message);
}

} // namespace pintwise
