#pragma once

#include "output_sink.h"
#include "record.h"

#include <QString>
#include <QStringView>

#include <array>
#include <string>

// The two export formats, one record at a time into an OutputSink. Each text
// is the field as the window shows it (log_text's fieldText, trailing spaces
// trimmed), written as UTF-8 without a byte order mark. A writer never holds
// more than the record in hand and never touches the log or decides which
// records to write.

namespace pintwise {

// The column names of both formats, Record first, then the fields in file order.
inline constexpr std::array<const char*, kFieldCount + 1> kColumnNames
    = { "Record", "Bier", "Country", "Location", "Brewery", "Purchese", "Cost", "Style", "Taste", "Color", "Notes" };

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

    static void appendField(std::string& out, QStringView text);

private:
    OutputSink& m_sink;
    QString m_text; // one field at a time, its storage reused
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

    static void appendString(std::string& out, QStringView text);

private:
    OutputSink& m_sink;
    QString m_text;
    bool m_first = true;
};

// UTF-16 to UTF-8, appended; a lone surrogate becomes U+FFFD.
void appendUtf8(std::string& out, QStringView text);

} // namespace pintwise
