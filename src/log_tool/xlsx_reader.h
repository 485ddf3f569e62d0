#pragma once

#include <cstdint>
#include <functional>
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
// any real log's; it loads no DTD, expands no entity and opens nothing
// beyond the archive.

namespace pintwise {

class XlsxReader {
public:
    // `fields` is valid during the call only.
    using RowHandler = std::function<void(int row, std::span<const std::string> fields)>;

    // A cell below the header that did not hold text.
    struct Cell {
        int row = 0;
        int column = 0;   // 0 is column A
        std::string what; // "a number", "a date", "a boolean", "a formula's result", "an error"
        std::string text; // as imported; an error's own text (#DIV/0!)
        bool error = false;
    };

    // No part of a real log's workbook comes near this inflated: a full log
    // of 32,767 entries makes a sheet of a few tens of MiB at most.
    static constexpr std::uint64_t kMaxPartSize = std::uint64_t(128) << 20;
    // Rows below the header: past this many the log could not hold them.
    static constexpr int kMaxRows = 32767;

    explicit XlsxReader(RowHandler handler);

    // False when the bytes are not a workbook this reads; error() says why.
    bool read(std::string_view bytes);
    const std::string& error() const { return m_error; }
    const std::vector<Cell>& otherCells() const { return m_otherCells; }

    // A zip archive's first bytes: a local file header, or an empty archive's end.
    static bool looksLikeZip(std::string_view bytes);
    // "A", "B", ... "AA" for column 0, 1, ... 26.
    static std::string columnName(int column);

private:
    class Parts;
    class SheetRows;
    bool readStyles(Parts& parts, const std::string& path);
    bool readSharedStrings(Parts& parts, const std::string& path);
    bool readSheet(Parts& parts, const std::string& path);
    bool fail(const std::string& why);

    RowHandler m_handler;
    std::string m_error;
    std::vector<Cell> m_otherCells;
    // The shared strings, one after another in UTF-8, and where each ends: a
    // full log's 327,681 as strings of their own would cost 32 bytes each.
    std::string m_sharedTexts;
    std::vector<std::uint32_t> m_sharedEnds;
    enum class NumberKind : std::uint8_t { Number, Date, Time, DateTime };
    std::vector<NumberKind> m_styleKinds; // by cell style index
    bool m_date1904 = false;
};

} // namespace pintwise
