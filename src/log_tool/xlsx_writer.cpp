#include "xlsx_writer.h"

#include "log_text.h"
#include "record_writers.h"

#include <xlsxwriter.h>

#include <cerrno>

namespace pintwise {
namespace {

bool isHex(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// Characters wide, in the spreadsheet's unit: a field's width and a little
// room; Notes is shown in part, as a line of 200 characters is read by
// widening the column or in the cell itself.
double columnWidth(std::size_t column)
{
    if (column == 0)
        return 8;
    return column == kColumnNames.size() - 1 ? 60 : 22;
}

} // namespace

XlsxWriter::XlsxWriter(const std::string& path)
    : m_path(path)
{
}

XlsxWriter::~XlsxWriter()
{
    // A workbook never finished is freed without writing a file.
    if (m_workbook)
        lxw_workbook_free(m_workbook);
}

void XlsxWriter::appendCellText(std::string& out, QStringView text)
{
    qsizetype from = 0;
    for (qsizetype i = 0; i + 6 < text.size(); ++i) {
        if (text[i] == u'_' && text[i + 1] == u'x' && isHex(text[i + 2]) && isHex(text[i + 3]) && isHex(text[i + 4])
            && isHex(text[i + 5]) && text[i + 6] == u'_') {
            appendUtf8(out, text.sliced(from, i + 1 - from));
            out += "x005F_";
            from = i + 1;
        }
    }
    appendUtf8(out, text.sliced(from));
}

ToolStatus XlsxWriter::begin()
{
    lxw_workbook_options options {};
    options.constant_memory = LXW_TRUE;
    m_workbook = workbook_new_opt(m_path.c_str(), &options);
    if (m_workbook)
        m_sheet = workbook_add_worksheet(m_workbook, "Log");
    if (!m_sheet)
        return ToolError { kExitFailure, "cannot start the workbook " + quoted(m_path) + ": out of memory" };
    m_text = workbook_add_format(m_workbook);
    format_set_num_format(m_text, "@");
    lxw_format* header = workbook_add_format(m_workbook);
    format_set_num_format(header, "@");
    format_set_bold(header);
    for (std::size_t c = 0; c < kColumnNames.size(); ++c) {
        worksheet_set_column(m_sheet, lxw_col_t(c), lxw_col_t(c), columnWidth(c), c == 0 ? nullptr : m_text);
        worksheet_write_string(m_sheet, 0, lxw_col_t(c), kColumnNames[c], header);
    }
    worksheet_freeze_panes(m_sheet, 1, 0);
    return {};
}

void XlsxWriter::write(int number, const Record& record)
{
    ++m_row;
    lxw_error error = worksheet_write_number(m_sheet, lxw_row_t(m_row), 0, number, nullptr);
    for (int f = 0; f < kFieldCount && error == LXW_NO_ERROR; ++f) {
        fieldText(record, static_cast<Field>(f), TrailingSpaces::Trim, m_field);
        if (m_field.isEmpty())
            continue; // an empty cell: the row still holds its number
        m_cell.clear();
        appendCellText(m_cell, m_field);
        error = worksheet_write_string(m_sheet, lxw_row_t(m_row), lxw_col_t(f + 1), m_cell.c_str(), m_text);
    }
    if (error != LXW_NO_ERROR && m_firstError == 0)
        m_firstError = int(error);
}

ToolStatus XlsxWriter::finish()
{
    if (m_firstError != 0)
        return ToolError { kExitFailure,
                           "cannot write " + quoted(m_path) + ": " + lxw_strerror(lxw_error(m_firstError)) };
    errno = 0;
    const lxw_error error = workbook_close(m_workbook);
    m_workbook = nullptr; // freed by workbook_close, whatever it returns
    if (error == LXW_NO_ERROR)
        return {};
    const std::string why = errno != 0 ? reasonText(errno) : std::string(lxw_strerror(error));
    return ToolError { kExitFailure, "cannot write " + quoted(m_path) + ": " + why };
}

} // namespace pintwise
