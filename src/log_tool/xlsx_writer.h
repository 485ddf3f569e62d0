#pragma once

#include "record.h"
#include "tool_error.h"

#include <span>
#include <string>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

// The xlsx export: one worksheet, written to a named file by libxlsxwriter in
// its constant-memory mode (each row goes to a temporary file as soon as the
// next one starts, so memory stays flat at any log size). The header row is
// frozen, Record is a number cell and every text a string cell in a column
// formatted as text, so that a spreadsheet neither reinterprets an exported
// text nor one typed into those columns later. It writes files only: copying
// the workbook to standard output and choosing the records are the caller's.

namespace pintwise {

class XlsxWriter {
public:
    explicit XlsxWriter(const std::string& path);
    ~XlsxWriter();
    XlsxWriter(const XlsxWriter&) = delete;
    XlsxWriter& operator=(const XlsxWriter&) = delete;

    [[nodiscard]] ToolStatus begin();
    void write(int number, const Record& record);
    // Writes the workbook out; only then does the file exist.
    [[nodiscard]] ToolStatus finish();

    // A field's bytes as a cell must hold them: libxlsxwriter escapes control
    // characters as _xHHHH_ itself, but not a text that already reads like
    // such an escape, which a reader would turn into another character; that
    // text's underscore becomes _x005F_.
    static void appendCellText(std::string& out, std::span<const unsigned char> bytes);

private:
    std::string m_path;
    lxw_workbook* m_workbook = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    lxw_format* m_text = nullptr;
    int m_row = 0;
    int m_firstError = 0; // lxw_error of the first failed cell
    std::string m_cell;
};

} // namespace pintwise
