#pragma once

#include "sheet_rows.h"
#include "xml_push_parser.h"
#include "zip_parts.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Reads the first worksheet of an xlsx workbook held in memory: the zip with
// libzip, each part's XML with libxml2's push parser as it inflates, so that
// no part is ever held whole (only the shared strings are kept, one text
// each, since cells name them by number). Every row from the first
// that holds a value (the header) to the last that holds one goes to the
// handler with its sheet row number, one text per column; rows in between
// that hold nothing come as empty texts, rows after the last are dropped.
// Text cells (shared strings, inline strings, rich text with its runs joined)
// are taken as they are; any other cell below the header becomes the text
// the spreadsheet's General format shows and is listed, so that the caller
// can tell the user what the spreadsheet changed. It knows nothing of column
// names or records, and it refuses, rather than inflates, a part larger than
// any real log's, and a part nesting its elements deeper than
// XmlPushParser::kMaxDepth (64); it loads no DTD, expands no entity and
// opens nothing beyond the archive. The work is done by its parts: ZipParts,
// XmlPushParser, the relationships, CellStyles, SharedStringsPart, SheetRows.

namespace pintwise {

class XlsxReader {
public:
    using RowHandler = SheetRows::RowHandler;
    using Cell = SheetCell;

    static constexpr std::uint64_t kMaxPartSize = ZipParts::kMaxPartSize;
    static constexpr int kMaxRows = SheetRows::kMaxRows;

    explicit XlsxReader(RowHandler handler);

    // False when the bytes are not a workbook this reads; error() says why.
    bool read(std::string_view bytes);
    const std::string& error() const { return m_error; }
    const std::vector<Cell>& otherCells() const { return m_otherCells; }

    static bool looksLikeZip(std::string_view bytes) { return ZipParts::looksLikeZip(bytes); }
    static std::string columnName(int column) { return pintwise::columnName(column); }

private:
    bool fail(const std::string& why);

    RowHandler m_handler;
    std::string m_error;
    std::vector<Cell> m_otherCells;
};

} // namespace pintwise
