#include "record_writers.h"

#include "byte_scan.h"
#include "code_page.h"
#include "record_text.h"

#include <algorithm>

namespace pintwise {

bool equalIgnoringCase(std::string_view name, std::string_view column)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return std::equal(name.begin(), name.end(), column.begin(), column.end(),
                      [&](char a, char b) { return lower(a) == lower(b); });
}

void CsvWriter::appendField(std::string& out, std::span<const unsigned char> bytes)
{
    // Each character that needs quoting is ASCII, which every code page
    // keeps as its own byte and no other byte stands for. So the bytes are
    // looked at as they are, and the text cut at them and each piece
    // converted straight into `out`.
    const bool quote = byte_scan::containsAny(bytes, { ',', '"', '\r', '\n' });
    if (!quote)
        return appendUtf8(out, bytes);
    out += '"';
    std::size_t from = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '"') {
            appendUtf8(out, bytes.subspan(from, i + 1 - from));
            out += '"';
            from = i + 1;
        }
    }
    appendUtf8(out, bytes.subspan(from));
    out += '"';
}

void CsvWriter::begin()
{
    std::string& out = m_sink.buffer();
    for (std::size_t i = 0; i < kColumnNames.size(); ++i)
        (out += i ? "," : "") += kColumnNames[i];
    out += "\r\n";
}

void CsvWriter::write(int number, const Record& record)
{
    std::string& out = m_sink.buffer();
    out += std::to_string(number);
    for (int f = 0; f < kFieldCount; ++f) {
        out += ',';
        appendField(out, shownBytes(record, static_cast<Field>(f), TrailingSpaces::Trim));
    }
    out += "\r\n";
    m_sink.flushIfFull();
}

void JsonWriter::appendString(std::string& out, std::span<const unsigned char> bytes)
{
    static const char hex[] = "0123456789abcdef";
    out += '"';
    std::size_t from = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char32_t c = codePointFromByte(bytes[i]);
        if (c >= 0x20 && c != U'"' && c != U'\\')
            continue;
        appendUtf8(out, bytes.subspan(from, i - from));
        from = i + 1;
        switch (c) {
        case U'"':
            out += "\\\"";
            break;
        case U'\\':
            out += "\\\\";
            break;
        case U'\n':
            out += "\\n";
            break;
        case U'\r':
            out += "\\r";
            break;
        case U'\t':
            out += "\\t";
            break;
        default:
            (out += "\\u00") += hex[c >> 4];
            out += hex[c & 0xF];
        }
    }
    appendUtf8(out, bytes.subspan(from));
    out += '"';
}

void JsonWriter::begin()
{
    m_sink.append("[");
}

void JsonWriter::write(int number, const Record& record)
{
    std::string& out = m_sink.buffer();
    out += m_first ? "\n{\"Record\":" : ",\n{\"Record\":";
    m_first = false;
    out += std::to_string(number);
    for (int f = 0; f < kFieldCount; ++f) {
        ((out += ",\"") += kColumnNames[f + 1]) += "\":";
        appendString(out, shownBytes(record, static_cast<Field>(f), TrailingSpaces::Trim));
    }
    out += '}';
    m_sink.flushIfFull();
}

void JsonWriter::end()
{
    m_sink.append(m_first ? "]\n" : "\n]\n");
}

} // namespace pintwise
