#include "csv_reader.h"

#include <algorithm>

namespace pintwise {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool endsLine(char c)
{
    return c == '\n' || c == '\r';
}

} // namespace

CsvReader::CsvReader(RowHandler handler)
    : m_handler(std::move(handler))
{
}

bool CsvReader::fail(const std::string& why)
{
    if (m_error.empty())
        m_error = "line " + std::to_string(m_line) + ": " + why;
    return false;
}

bool CsvReader::feed(std::string_view bytes)
{
    if (!m_error.empty())
        return false;
    if (!m_started) {
        m_bomProbe.append(bytes);
        if (m_bomProbe.size() < kBom.size() && kBom.starts_with(m_bomProbe))
            return true; // too few bytes yet to tell
        m_started = true;
        std::string probe = std::move(m_bomProbe);
        std::string_view rest = probe;
        if (rest.starts_with(kBom))
            rest.remove_prefix(kBom.size());
        return parse(rest);
    }
    return parse(bytes);
}

// Into the field in progress, which keeps its first bytes and tallies the rest.
void CsvReader::append(std::string_view bytes)
{
    if (m_fieldCount >= kKeptFields || bytes.empty())
        return;
    if (m_fieldCount == m_fields.size())
        m_fields.emplace_back();
    std::string& field = m_fields[m_fieldCount];
    if (!m_fieldIsLong && field.size() + bytes.size() <= ValueTally::kKeptBytes) {
        field.append(bytes);
        return;
    }
    if (!m_fieldIsLong) {
        m_fieldIsLong = true;
        if (m_longColumns.size() == m_tallies.size())
            m_tallies.emplace_back();
        m_tallies[m_longColumns.size()].clear();
        m_tallies[m_longColumns.size()].add(field);
        m_longColumns.push_back(m_fieldCount);
    }
    m_tallies[m_longColumns.size() - 1].add(bytes);
}

void CsvReader::endField()
{
    if (m_fieldCount < kKeptFields) {
        if (m_fieldCount == m_fields.size())
            m_fields.emplace_back();
        if (m_fieldIsLong) {
            ValueTally& tally = m_tallies[m_longColumns.size() - 1];
            tally.finish();
            m_fields[m_fieldCount] = tally.kept();
        }
    }
    m_fieldIsLong = false;
    ++m_fieldCount;
    m_state = State::FieldNotBegun;
}

void CsvReader::endRow()
{
    endField();
    const int line = m_rowStart ? m_rowStart : m_line;
    m_rowStart = 0;
    m_longFields.clear();
    for (std::size_t i = 0; i < m_longColumns.size(); ++i)
        m_longFields.push_back({ m_longColumns[i], &m_tallies[i] });
    m_handler(line, std::span<const std::string>(m_fields.data(), std::min(m_fieldCount, kKeptFields)), m_fieldCount,
              m_longFields);
    m_fieldCount = 0;
    m_longColumns.clear();
    for (std::size_t i = 0; i < std::min(m_fields.size(), kKeptFields); ++i)
        m_fields[i].clear();
    m_state = State::RowNotBegun;
}

bool CsvReader::parse(std::string_view bytes)
{
    for (std::size_t i = 0; i < bytes.size();) {
        const char c = bytes[i];
        switch (m_state) {
        case State::RowNotBegun:
            if (endsLine(c))
                break; // a blank line holds no row
            m_rowStart = m_line;
            m_state = State::FieldNotBegun;
            continue;
        case State::FieldNotBegun:
            if (c == '"')
                m_state = State::Quoted;
            else if (c == ',')
                endField();
            else if (endsLine(c))
                endRow();
            else
                m_state = State::Bare;
            if (m_state != State::Bare)
                break;
            continue;
        case State::Bare: {
            // A run of plain bytes at once.
            std::size_t end = i;
            while (end < bytes.size() && bytes[end] != ',' && bytes[end] != '"' && !endsLine(bytes[end]))
                ++end;
            append(bytes.substr(i, end - i));
            if (end == bytes.size())
                return true;
            i = end;
            if (bytes[i] == '"')
                return fail("a double quote out of place");
            if (bytes[i] == ',')
                endField();
            else
                endRow();
            break;
        }
        case State::Quoted: {
            std::size_t end = i;
            while (end < bytes.size() && bytes[end] != '"') {
                m_line += bytes[end] == '\n' ? 1 : 0;
                ++end;
            }
            append(bytes.substr(i, end - i));
            if (end == bytes.size())
                return true;
            i = end + 1;
            m_state = State::QuoteInQuoted;
            continue;
        }
        case State::QuoteInQuoted:
            if (c == '"') {
                append("\"");
                m_state = State::Quoted;
            } else if (c == ',') {
                endField();
            } else if (endsLine(c)) {
                endRow();
            } else {
                return fail("a double quote out of place");
            }
            break;
        }
        if (bytes[i] == '\n')
            ++m_line;
        ++i;
    }
    return true;
}

bool CsvReader::finish()
{
    if (!m_error.empty())
        return false;
    if (!m_started) {
        m_started = true;
        if (!parse(m_bomProbe))
            return false;
    }
    if (m_state == State::Quoted) {
        m_line = m_rowStart ? m_rowStart : m_line;
        return fail("a quoted field is never closed");
    }
    if (m_state != State::RowNotBegun)
        endRow();
    return true;
}

} // namespace pintwise
