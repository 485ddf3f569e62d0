#pragma once

#include "record.h"
#include "value_tally.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Turns rows (of CSV, a sheet or JSON) into log records for an import: the first row names the
// columns (any case, in any order; Record is optional and ignored, a missing
// text column means empty texts), every later row becomes one record of ten
// space-padded fields. A text that would not come back unchanged (too long for
// its field, or a character the code page in use lacks) is a problem, listed with its
// place and column; with `cut` it is stored as the window stores it and
// counted instead. It neither reads CSV text nor touches the log.

namespace pintwise {

class RowImporter {
public:
    // `rowWord` names a row's place in the messages: "line" in CSV, "row" in
    // a sheet, "object" in JSON. With `loneSurrogates` a value may hold half
    // a surrogate pair (JsonReader's escapes): a character the code page
    // lacks, like any other.
    explicit RowImporter(bool cut, std::string rowWord = "line", bool loneSurrogates = false);

    void addRow(int line, std::span<const std::string> fields) { addRow(line, fields, fields.size(), {}); }
    // A row a reader kept only in part: `count` values in all, of which
    // `fields` are the first, and the long ones among them tallied.
    void addRow(int line, std::span<const std::string> fields, std::size_t count,
                std::span<const LongValue> longValues);

    // Set when the header is unusable: nothing after it is read.
    const std::optional<std::string>& headerError() const { return m_headerError; }
    bool hasHeader() const { return m_haveHeader; }
    // Every place that stops the import, in CSV order.
    const std::vector<std::string>& problems() const { return m_problems; }
    // Values cut to width or given '?' (with `cut` only).
    int changedValues() const { return m_changed; }
    // The name of the header's column `column` when it is a text column;
    // empty for Record, or past the header.
    std::string textColumn(std::size_t column) const;
    // Data rows read, whether or not they became records.
    int rowCount() const { return m_rowCount; }
    // One per data row while there are no problems; past 32,767, whatever the
    // log holds, the import fails, so no more are kept.
    const std::vector<RecordBytes>& records() const { return m_records; }

private:
    void readHeader(int line, std::span<const std::string> names);
    void problem(int line, int column, const std::string& what);

    bool m_cut;
    bool m_loneSurrogates;
    std::string m_rowWord;
    bool m_haveHeader = false;
    std::optional<std::string> m_headerError;
    std::vector<std::string> m_columnNames;
    std::vector<int> m_fieldOfColumn; // -1: the Record column
    std::vector<std::string> m_problems;
    int m_changed = 0;
    int m_rowCount = 0;
    std::vector<RecordBytes> m_records;
    std::u32string m_text; // one value at a time, its storage reused
};

} // namespace pintwise
