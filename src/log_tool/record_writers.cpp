#include "record_writers.h"

#include "log_text.h"

#include <algorithm>

namespace pintwise {

void appendUtf8(std::string& out, QStringView text)
{
    // Sized once for the worst case (three bytes a unit), written through a
    // pointer, then cut back: an export calls this 327,670 times.
    const std::size_t start = out.size();
    out.resize(start + std::size_t(text.size()) * 3);
    char* put = out.data() + start;
    const auto byte = [&](char32_t value) { *put++ = static_cast<char>(value); };
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (c < 0x80) {
            byte(c);
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), text[++i].unicode());
        else if (QChar::isSurrogate(c))
            c = 0xFFFD;
        if (c < 0x800) {
            byte(0xC0 | (c >> 6));
        } else if (c < 0x10000) {
            byte(0xE0 | (c >> 12));
            byte(0x80 | ((c >> 6) & 0x3F));
        } else { // two UTF-16 units made four bytes: still within the six reserved
            byte(0xF0 | (c >> 18));
            byte(0x80 | ((c >> 12) & 0x3F));
            byte(0x80 | ((c >> 6) & 0x3F));
        }
        byte(0x80 | (c & 0x3F));
    }
    out.resize(std::size_t(put - out.data()));
}

void CsvWriter::appendField(std::string& out, QStringView text)
{
    const bool quote = std::any_of(text.begin(), text.end(),
                                   [](QChar c) { return c == u',' || c == u'"' || c == u'\r' || c == u'\n'; });
    if (!quote)
        return appendUtf8(out, text);
    out += '"';
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'"') {
            appendUtf8(out, text.sliced(from, i + 1 - from));
            out += '"';
            from = i + 1;
        }
    }
    appendUtf8(out, text.sliced(from));
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
        fieldText(record, static_cast<Field>(f), TrailingSpaces::Trim, m_text);
        appendField(out, m_text);
    }
    out += "\r\n";
    m_sink.flushIfFull();
}

void JsonWriter::appendString(std::string& out, QStringView text)
{
    static const char hex[] = "0123456789abcdef";
    out += '"';
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x20 && c != u'"' && c != u'\\')
            continue;
        appendUtf8(out, text.sliced(from, i - from));
        from = i + 1;
        switch (c) {
        case u'"':
            out += "\\\"";
            break;
        case u'\\':
            out += "\\\\";
            break;
        case u'\n':
            out += "\\n";
            break;
        case u'\r':
            out += "\\r";
            break;
        case u'\t':
            out += "\\t";
            break;
        default:
            (out += "\\u00") += hex[c >> 4];
            out += hex[c & 0xF];
        }
    }
    appendUtf8(out, text.sliced(from));
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
        fieldText(record, static_cast<Field>(f), TrailingSpaces::Trim, m_text);
        appendString(out, m_text);
    }
    out += '}';
    m_sink.flushIfFull();
}

void JsonWriter::end()
{
    m_sink.append(m_first ? "]\n" : "\n]\n");
}

} // namespace pintwise
