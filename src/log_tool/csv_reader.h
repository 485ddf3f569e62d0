#pragma once

#include "value_tally.h"

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Reads CSV text fed in pieces of any size: RFC 4180, strictly, with LF or
// CRLF line ends, quoted fields that hold line breaks, and an optional UTF-8
// byte order mark. Every field keeps its spaces. Each row goes to the
// handler with the line it starts on. What it holds is bounded whatever the
// text: a field past ValueTally::kKeptBytes is kept only in part, with a
// tally of the rest, and a row's fields past kKeptFields are only counted,
// so that no single field or row can take the memory a file's size allows.
// It knows nothing of column names or records: that is RowImporter's
// business.

namespace pintwise {

class CsvReader {
public:
    // No header of a log's columns has more: past them a row is counted only.
    static constexpr std::size_t kKeptFields = 64;

    // `fields` (the first kKeptFields) and `longFields` are valid during the
    // call only; `count` is every field of the row.
    using RowHandler = std::function<void(int line, std::span<const std::string> fields, std::size_t count,
                                          std::span<const LongValue> longFields)>;

    explicit CsvReader(RowHandler handler);

    // False once the text cannot be CSV; error() then says where and why.
    bool feed(std::string_view bytes);
    // The end of the text: hands over a last row without a line end.
    bool finish();

    const std::string& error() const { return m_error; }

private:
    enum class State { RowNotBegun, FieldNotBegun, Bare, Quoted, QuoteInQuoted };

    bool parse(std::string_view bytes);
    void append(std::string_view bytes);
    void endField();
    void endRow();
    bool fail(const std::string& why);

    RowHandler m_handler;
    State m_state = State::RowNotBegun;
    std::vector<std::string> m_fields;      // reused from row to row: fewer allocations
    std::vector<ValueTally> m_tallies;      // likewise, one for each long field of the row
    std::vector<std::size_t> m_longColumns; // the row's long fields so far
    std::vector<LongValue> m_longFields;
    std::size_t m_fieldCount = 0;
    bool m_fieldIsLong = false;
    int m_line = 1;         // the line being fed
    int m_rowStart = 0;     // the line the row in progress starts on, 0 before it starts
    std::string m_bomProbe; // the first bytes, until they prove to be a BOM or not
    bool m_started = false;
    std::string m_error;
};

} // namespace pintwise
