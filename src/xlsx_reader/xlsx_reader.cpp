// XlsxReader: which parts are read, in what order, and each one's failure
// as the user's message. Each part's own work is in its file.

#include "xlsx_reader.h"

#include "number_formats.h"
#include "shared_strings.h"
#include "workbook_relationships.h"

#include <optional>

namespace pintwise {
namespace {

// Reads the part's XML as it inflates, each element and text to `handler`:
// the push parser keeps no more of the part than it has not yet parsed.
std::optional<XmlFailure> parsePart(ZipParts& parts, const std::string& name, XmlHandler& handler)
{
    XmlPushParser parser(name, handler);
    const bool inflated = parts.stream(name, [&](std::string_view chunk) { return parser.feed(chunk); });
    if (!inflated && parser.going())
        return XmlFailure { false, parts.error() };
    if (inflated)
        parser.finish();
    return parser.failure();
}

// A .rels part's relationships; a failure's message names the part alone
// when its XML is the reason.
std::optional<std::string> readRelationships(ZipParts& parts, const std::string& path, const std::string& folder,
                                             Relationships& out)
{
    RelationshipList list(folder, out);
    if (auto failure = parsePart(parts, path, list))
        return failure->malformed ? path + " is not well-formed XML" : failure->message;
    return std::nullopt;
}

} // namespace

XlsxReader::XlsxReader(RowHandler handler)
    : m_handler(std::move(handler))
{
}

bool XlsxReader::fail(const std::string& why)
{
    if (m_error.empty())
        m_error = why;
    return false;
}

bool XlsxReader::read(std::string_view bytes)
{
    ZipParts parts(bytes);
    if (!parts.isOpen())
        return fail(parts.error());

    // The package's relationships name the workbook; without them, where
    // every spreadsheet puts it.
    std::string workbook = "xl/workbook.xml";
    if (parts.has("_rels/.rels")) {
        Relationships relationships;
        if (auto failure = readRelationships(parts, "_rels/.rels", "", relationships))
            return fail(*failure);
        for (const auto& [id, relationship] : relationships) {
            if (typeIs(relationship.type, "officeDocument"))
                workbook = relationship.target;
        }
    }
    if (!parts.has(workbook))
        return fail("its zip archive holds no workbook");

    Relationships relationships;
    const std::string rels = relationshipsOf(workbook);
    if (parts.has(rels)) {
        if (auto failure = readRelationships(parts, rels, folderOf(workbook), relationships))
            return fail(*failure);
    }

    WorkbookSheets sheets(relationships);
    if (auto failure = parsePart(parts, workbook, sheets))
        return fail(failure->message);
    const std::string& sheet = sheets.sheet;
    if (sheet.empty())
        return fail("the workbook holds no worksheet");
    if (!parts.has(sheet))
        return fail("the workbook's first worksheet, " + sheet + ", is missing from the archive");

    std::vector<NumberKind> styleKinds;
    SharedStrings strings;
    for (const auto& [id, relationship] : relationships) {
        std::optional<XmlFailure> failure;
        if (typeIs(relationship.type, "styles") && parts.has(relationship.target)) {
            CellStyles styles(styleKinds);
            failure = parsePart(parts, relationship.target, styles);
        } else if (typeIs(relationship.type, "sharedStrings") && parts.has(relationship.target)) {
            SharedStringsPart items(strings);
            failure = parsePart(parts, relationship.target, items);
        }
        if (failure)
            return fail(failure->message);
    }
    SheetRows rows(sheet, { strings, styleKinds, sheets.date1904 }, m_handler, m_otherCells);
    const auto failure = parsePart(parts, sheet, rows);
    return !failure || fail(failure->message);
}

} // namespace pintwise
