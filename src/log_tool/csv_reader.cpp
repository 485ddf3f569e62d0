#include "csv_reader.h"

#include <csv.h>

namespace pintwise {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// libcsv trims spaces and tabs around unquoted fields unless told that no
// character is a space; a leading space is part of a field's text.
int noSpaces(unsigned char)
{
    return 0;
}

} // namespace

CsvReader::CsvReader(RowHandler handler)
    : m_handler(std::move(handler))
    , m_parser(std::make_unique<csv_parser>())
{
    csv_init(m_parser.get(), CSV_STRICT | CSV_STRICT_FINI);
    csv_set_space_func(m_parser.get(), noSpaces);
}

CsvReader::~CsvReader()
{
    csv_free(m_parser.get());
}

void CsvReader::onField(void* data, std::size_t length, void* self)
{
    auto* reader = static_cast<CsvReader*>(self);
    const auto* text = static_cast<const char*>(data);
    if (reader->m_fieldCount < reader->m_fields.size())
        reader->m_fields[reader->m_fieldCount].assign(text, data ? length : 0);
    else
        reader->m_fields.emplace_back(text, data ? length : 0);
    ++reader->m_fieldCount;
}

void CsvReader::onRowEnd(int, void* self)
{
    auto* reader = static_cast<CsvReader*>(self);
    const int line = reader->m_rowStart ? reader->m_rowStart : reader->m_line;
    reader->m_rowStart = 0;
    reader->m_handler(line, std::span<const std::string>(reader->m_fields.data(), reader->m_fieldCount));
    reader->m_fieldCount = 0;
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

bool CsvReader::parse(std::string_view bytes)
{
    // Fed a line at a time, so that each row knows the line it starts on: the
    // first line since the last row ended that holds more than a line end.
    while (!bytes.empty()) {
        const auto newline = bytes.find('\n');
        const auto length = newline == std::string_view::npos ? bytes.size() : newline + 1;
        const std::string_view piece = bytes.substr(0, length);
        if (m_rowStart == 0 && piece.find_first_not_of("\r\n") != std::string_view::npos)
            m_rowStart = m_line;
        if (csv_parse(m_parser.get(), piece.data(), length, onField, onRowEnd, this) != length)
            return fail(csv_error(m_parser.get()) == CSV_EPARSE ? "a double quote out of place"
                                                                : csv_strerror(csv_error(m_parser.get())));
        if (newline != std::string_view::npos)
            ++m_line;
        bytes.remove_prefix(length);
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
    if (csv_fini(m_parser.get(), onField, onRowEnd, this) != 0) {
        m_line = m_rowStart ? m_rowStart : m_line;
        return fail("a quoted field is never closed");
    }
    return true;
}

} // namespace pintwise
