#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct csv_parser;

// Reads CSV text fed in pieces of any size, on top of libcsv in its strict
// mode: RFC 4180 with LF or CRLF line ends, quoted fields that hold line
// breaks, and an optional UTF-8 byte order mark. Every field keeps its spaces.
// Each row goes to the handler with the line it starts on. It knows nothing
// of column names, encodings or records: that is RowImporter's business.

namespace pintwise {

class CsvReader {
public:
    // `fields` is valid during the call only.
    using RowHandler = std::function<void(int line, std::span<const std::string> fields)>;

    explicit CsvReader(RowHandler handler);
    ~CsvReader();
    CsvReader(const CsvReader&) = delete;
    CsvReader& operator=(const CsvReader&) = delete;

    // False once the text cannot be CSV; error() then says where and why.
    bool feed(std::string_view bytes);
    // The end of the text: hands over a last row without a line end.
    bool finish();

    const std::string& error() const { return m_error; }

private:
    static void onField(void* data, std::size_t length, void* self);
    static void onRowEnd(int terminator, void* self);
    bool parse(std::string_view bytes);
    bool fail(const std::string& why);

    RowHandler m_handler;
    std::unique_ptr<csv_parser> m_parser;
    std::vector<std::string> m_fields; // reused from row to row: fewer allocations
    std::size_t m_fieldCount = 0;
    int m_line = 1;         // the line being fed
    int m_rowStart = 0;     // the line the row in progress starts on, 0 before it starts
    std::string m_bomProbe; // the first bytes, until they prove to be a BOM or not
    bool m_started = false;
    std::string m_error;
};

} // namespace pintwise
