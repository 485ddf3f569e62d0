// Figure 8's floor: libxlsxwriter alone writing the cells an xlsx export of
// a log at its limit writes: a header row, then 32,767 rows of a number and
// ten texts (the sample log's, as UTF-8), in constant-memory mode, with the
// same column widths, text format and frozen header. The texts are made
// before the clock starts; it prints the milliseconds the writing took.
// Built for Linux and for Windows alike (figure 14, under Wine).
// Usage: bench_xlsx_floor OUTPUT.xlsx

#include "bench_common.h"
#include "record_writers.h"

#include <xlsxwriter.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace pintwise;

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.xlsx\n", argv[0]);
        return 2;
    }
    std::vector<std::string> texts;
    texts.reserve(std::size_t(kMaxRecords) * kFieldCount);
    for (int n = 1; n <= kMaxRecords; ++n) {
        const Record record = bench::sampleRecord(n);
        for (int f = 0; f < kFieldCount; ++f) {
            const auto bytes = record.fieldBytes(static_cast<Field>(f));
            std::string text(bytes.begin(), bytes.end());
            text.erase(text.find_last_not_of(' ') + 1);
            texts.push_back(std::move(text));
        }
    }

    const auto start = std::chrono::steady_clock::now();
    lxw_workbook_options options {};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(argv[1], &options);
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Log");
    lxw_format* text = workbook_add_format(workbook);
    format_set_num_format(text, "@");
    lxw_format* header = workbook_add_format(workbook);
    format_set_num_format(header, "@");
    format_set_bold(header);
    for (std::size_t c = 0; c < kColumnNames.size(); ++c) {
        worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c),
                             c == 0        ? 8
                                 : c == 10 ? 60
                                           : 22,
                             c == 0 ? nullptr : text);
        worksheet_write_string(sheet, 0, lxw_col_t(c), kColumnNames[c], header);
    }
    worksheet_freeze_panes(sheet, 1, 0);
    std::size_t next = 0;
    for (int n = 1; n <= kMaxRecords; ++n) {
        worksheet_write_number(sheet, lxw_row_t(n), 0, n, nullptr);
        for (int f = 0; f < kFieldCount; ++f)
            worksheet_write_string(sheet, lxw_row_t(n), lxw_col_t(f + 1), texts[next++].c_str(), text);
    }
    if (workbook_close(workbook) != LXW_NO_ERROR) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("%.6f\n", std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    return 0;
}
