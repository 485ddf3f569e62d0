#pragma once

#include "number_formats.h"
#include "shared_strings.h"
#include "xml_push_parser.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A worksheet's rows as its elements go by: each <row>'s cells gathered into
// one text per column, and the row handed on at its end tag. Every row from
// the first that holds a value (the header) to the last that holds one goes
// on; rows in between that hold nothing come as empty texts. Text cells
// (shared, inline, rich) are taken as they are; any other cell below the
// header becomes the text General shows, or its date, and is listed. The
// shared strings and the styles' kinds are read before, by others.

namespace pintwise {

// A cell below the header that did not hold text.
struct SheetCell {
    int row = 0;
    int column = 0;   // 0 is column A
    std::string what; // "a number", "a date", "a boolean", "a formula's result", "an error"
    std::string text; // as imported; an error's own text (#DIV/0!)
    bool error = false;
};

// "A", "B", ... "AA" for column 0, 1, ... 26.
std::string columnName(int column);

class SheetRows final : public XmlHandler {
public:
    // `fields` is valid during the call only.
    using RowHandler = std::function<void(int row, std::span<const std::string> fields)>;
    // What the sheet's cells refer to, read from the workbook's other parts.
    struct Workbook {
        const SharedStrings& strings;
        const std::vector<NumberKind>& styleKinds; // by cell style index
        bool date1904 = false;
    };
    // Rows below the header: past this many the log could not hold them.
    static constexpr int kMaxRows = 32767;

    // `path` names the part in messages. Cells that are not text are added
    // to `otherCells`, each as its row goes on.
    SheetRows(std::string path, const Workbook& workbook, const RowHandler& handler,
              std::vector<SheetCell>& otherCells);

    bool start(std::string_view name, const XmlAttributes& attributes) override;
    bool end(std::string_view name) override;
    void text(std::string_view chars) override;

private:
    enum class In : std::uint8_t { Sheet, Row, Cell, Value, Inline };

    bool refuse(std::string why);
    std::string here() const { return columnName(m_column) + std::to_string(m_row); }
    bool beginRow(const XmlAttributes& attributes);
    bool beginCell(const XmlAttributes& attributes);
    bool endCell();
    bool endRow();

    std::string m_path;
    Workbook m_workbook;
    const RowHandler& m_handler;
    std::vector<SheetCell>& m_otherCells;
    In m_in = In::Sheet;
    int m_depth = 0;    // elements open
    int m_skipFrom = 0; // the depth of the element being skipped, 0 while none is
    int m_headerRow = 0, m_lastRow = 0, m_lastEmitted = 0, m_width = 0;
    // The row being read.
    int m_row = 0, m_column = -1, m_lastColumn = -1;
    std::vector<std::string> m_fields, m_blank;
    std::vector<SheetCell> m_pending; // its cells that are not text
    // The cell being read.
    std::string m_type, m_value, m_inlineText;
    int m_style = 0;
    bool m_hasValue = false, m_formula = false, m_hasInline = false;
    RichText m_inline;
};

} // namespace pintwise
