// The sheet's rows and cells; the shared strings, the styles and the XML
// parse come from the other parts.

#include "sheet_rows.h"

#include <algorithm>

namespace pintwise {
namespace {

constexpr int kMaxColumns = 16384; // XFD, the last column a sheet has

} // namespace

std::string columnName(int column)
{
    std::string name;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        name.insert(name.begin(), char('A' + (n - 1) % 26));
    return name;
}

SheetRows::SheetRows(std::string path, const Workbook& workbook, const RowHandler& handler,
                     std::vector<SheetCell>& otherCells)
    : m_path(std::move(path))
    , m_workbook(workbook)
    , m_handler(handler)
    , m_otherCells(otherCells)
{
}

// What is not a row, a cell or a cell's value is skipped whole.
bool SheetRows::start(std::string_view name, const XmlAttributes& attributes)
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

bool SheetRows::end(std::string_view name)
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

void SheetRows::text(std::string_view chars)
{
    if (m_skipFrom != 0)
        return;
    if (m_in == In::Value)
        m_value.append(chars);
    else if (m_in == In::Inline)
        m_inline.text(chars);
}

bool SheetRows::refuse(std::string why)
{
    refusal = std::move(why);
    return false;
}

bool SheetRows::beginRow(const XmlAttributes& attributes)
{
    const auto number = attributes.value("r");
    const int row = number.empty() ? m_lastRow + 1 : intOf(number);
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

bool SheetRows::beginCell(const XmlAttributes& attributes)
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
    m_style = intOf(attributes.value("s"));
    m_value.clear();
    m_inlineText.clear();
    m_hasValue = m_formula = m_hasInline = false;
    m_in = In::Cell;
    return true;
}

bool SheetRows::endCell()
{
    std::string text, what;
    bool isError = false;
    const std::string_view value = trimmed(m_value);
    if (m_type == "inlineStr") {
        text = std::move(m_inlineText);
        what = m_hasInline && m_formula ? "a formula's result" : "";
    } else if (!m_hasValue) {
        return true; // a formatted cell that holds nothing
    } else if (m_type == "s") {
        const auto index = unsignedOf(value);
        if (!index || *index >= m_workbook.strings.size())
            return refuse(m_path + " cell " + here() + " refers to a shared string that does not exist");
        text = m_workbook.strings.at(std::size_t(*index));
        what = m_formula ? "a formula's result" : "";
    } else if (m_type == "str") {
        text = unescapedCellText(m_value);
        what = "a formula's result";
    } else if (m_type == "b") {
        text = value == "1" ? "TRUE" : "FALSE";
        what = "a boolean";
    } else if (m_type == "e") {
        text = m_value;
        what = "an error";
        isError = true;
    } else if (m_type == "d") {
        text = value;
        if (text.ends_with("T00:00:00"))
            text.resize(text.size() - 9);
        what = "a date";
    } else {
        const auto number = doubleOf(value);
        if (!number)
            return refuse(m_path + " cell " + here() + " holds \"" + m_value + "\", which is not a number");
        const auto& kinds = m_workbook.styleKinds;
        const NumberKind kind
            = m_style >= 0 && std::size_t(m_style) < kinds.size() ? kinds[std::size_t(m_style)] : NumberKind::Number;
        ShownNumber shown = showNumber(*number, kind, m_workbook.date1904);
        text = std::move(shown.text);
        what = shown.kind == NumberKind::Number ? "a number" : shown.kind == NumberKind::Time ? "a time" : "a date";
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

bool SheetRows::endRow()
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
            m_handler(r, m_blank);
        m_otherCells.insert(m_otherCells.end(), m_pending.begin(), m_pending.end());
    }
    const std::size_t count = std::max(std::size_t(m_width), std::size_t(m_lastColumn) + 1);
    m_fields.resize(std::max(m_fields.size(), count));
    m_handler(m_row, std::span<const std::string>(m_fields.data(), count));
    m_lastEmitted = m_row;
    return true;
}

} // namespace pintwise
