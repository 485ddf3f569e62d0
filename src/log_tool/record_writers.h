#pragma once

#include "output_sink.h"
#include "record.h"

#include <array>
#include <span>
#include <string>
#include <string_view>

// The two export formats, one record at a time into an OutputSink. Each text
// is the field as the window shows it (record_text's shownBytes, trailing
// spaces trimmed), written as UTF-8 without a byte order mark. A writer never holds
// more than the record in hand and never touches the log or decides which
// records to write.

namespace pintwise {

// The column names of both formats, Record first, then the fields in file order.
inline constexpr std::array<const char*, kFieldCount + 1> kColumnNames
    = { "Record", "Bier", "Country", "Location", "Brewery", "Purchese", "Cost", "Style", "Taste", "Color", "Notes" };

// Whether two names are the same in any case of their ASCII letters: a
// column name, a JSON key, a file name's ending.
bool equalIgnoringCase(std::string_view name, std::string_view column);

class RecordWriter {
public:
    virtual ~RecordWriter() = default;
    virtual void begin() = 0;
    virtual void write(int number, const Record& record) = 0;
    virtual void end() = 0;
};

// RFC 4180: commas, CRLF after every row, a header row; a field is quoted only
// when it holds a comma, a double quote, CR or LF, and its quotes are doubled.
class CsvWriter final : public RecordWriter {
public:
    explicit CsvWriter(OutputSink& sink)
        : m_sink(sink)
    {
    }
    void begin() override;
    void write(int number, const Record& record) override;
    void end() override { }

    // A field's bytes as one CSV value.
    static void appendField(std::string& out, std::span<const unsigned char> bytes);

private:
    OutputSink& m_sink;
};

// One JSON array, one object per record on a line of its own: "Record" a
// number, the ten texts strings, keys in file order.
class JsonWriter final : public RecordWriter {
public:
    explicit JsonWriter(OutputSink& sink)
        : m_sink(sink)
    {
    }
    void begin() override;
    void write(int number, const Record& record) override;
    void end() override;

    // A field's bytes as one JSON string.
    static void appendString(std::string& out, std::span<const unsigned char> bytes);

private:
    OutputSink& m_sink;
    bool m_first = true;
};

} // namespace pintwise
