#include "xlsx_writer.h"

#include "code_page.h"
#include "file_api.h"
#include "platform.h"
#include "record_text.h"
#include "record_writers.h"

#include <xlsxwriter.h>

#include <cerrno>

namespace pintwise {
namespace {

bool isHex(unsigned char byte)
{
    const char32_t c = codePointFromByte(byte);
    return (c >= U'0' && c <= U'9') || (c >= U'a' && c <= U'f') || (c >= U'A' && c <= U'F');
}

bool is(unsigned char byte, char32_t c)
{
    return codePointFromByte(byte) == c;
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

void XlsxWriter::appendCellText(std::string& out, std::span<const unsigned char> bytes)
{
    std::size_t from = 0;
    for (std::size_t i = 0; i + 6 < bytes.size(); ++i) {
        if (is(bytes[i], U'_') && is(bytes[i + 1], U'x') && isHex(bytes[i + 2]) && isHex(bytes[i + 3])
            && isHex(bytes[i + 4]) && isHex(bytes[i + 5]) && is(bytes[i + 6], U'_')) {
            appendUtf8(out, bytes.subspan(from, i + 1 - from));
            out += "x005F_";
            from = i + 1;
        }
    }
    appendUtf8(out, bytes.subspan(from));
}

ToolStatus XlsxWriter::begin()
{
    lxw_workbook_options options {};
    options.constant_memory = LXW_TRUE;
    // Its rows wait in temporary files, opened with fopen() as the workbook is.
    std::error_code unnamed;
    const std::string folder = kFopenTakesUtf8 ? std::string() : libraryPath(temporaryDirectory(unnamed), unnamed);
    if (!folder.empty())
        options.tmpdir = const_cast<char*>(folder.c_str());
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
        const auto bytes = shownBytes(record, static_cast<Field>(f), TrailingSpaces::Trim);
        if (bytes.empty())
            continue; // an empty cell: the row still holds its number
        m_cell.clear();
        appendCellText(m_cell, bytes);
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
