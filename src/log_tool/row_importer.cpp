#include "row_importer.h"

#include "code_page.h"
#include "record_text.h"
#include "record_writers.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace pintwise {
namespace {

// "ę" (U+0119): the character itself, and its number for a reader to look up.
std::string describe(char32_t c)
{
    char number[16];
    std::snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(c));
    if (c < 0x20 || (c >= 0x7F && c < 0xA0) || (c >= 0xD800 && c <= 0xDFFF))
        return number;
    std::string shown = "\"";
    appendUtf8(shown, c);
    return shown + "\" (" + number + ")";
}

} // namespace

RowImporter::RowImporter(bool cut, std::string rowWord, bool loneSurrogates)
    : m_cut(cut)
    , m_loneSurrogates(loneSurrogates)
    , m_rowWord(std::move(rowWord))
{
    // Address space only: pages are touched as rows arrive.
    m_records.reserve(std::size_t(kMaxRecords) + 1);
}

void RowImporter::problem(int line, int column, const std::string& what)
{
    m_problems.push_back(m_rowWord + " " + std::to_string(line) + ", " + m_columnNames[std::size_t(column)] + ": "
                         + what);
}

void RowImporter::readHeader(int line, std::span<const std::string> names)
{
    m_haveHeader = true;
    const auto fail
        = [&](const std::string& why) { m_headerError = m_rowWord + " " + std::to_string(line) + ": " + why; };
    std::array<bool, kFieldCount + 1> seen {};
    for (const std::string& name : names) {
        const auto known = std::find_if(kColumnNames.begin(), kColumnNames.end(),
                                        [&](const char* column) { return equalIgnoringCase(name, column); });
        if (known == kColumnNames.end())
            return fail("unknown column \"" + name
                        + "\"; the columns are Record, Bier, Country, Location, Brewery, "
                          "Purchese, Cost, Style, Taste, Color and Notes");
        const auto index = static_cast<std::size_t>(known - kColumnNames.begin());
        if (seen[index])
            return fail("the column " + std::string(*known) + " appears twice");
        seen[index] = true;
        m_columnNames.emplace_back(*known);
        m_fieldOfColumn.push_back(static_cast<int>(index) - 1);
    }
}

std::string RowImporter::textColumn(std::size_t column) const
{
    return column < m_fieldOfColumn.size() && m_fieldOfColumn[column] >= 0 ? m_columnNames[column] : std::string();
}

void RowImporter::addRow(int line, std::span<const std::string> fields, std::size_t count,
                         std::span<const LongValue> longValues)
{
    if (m_headerError)
        return;
    if (!m_haveHeader)
        return readHeader(line, fields);
    ++m_rowCount;
    if (count != m_columnNames.size()) {
        m_problems.push_back(m_rowWord + " " + std::to_string(line) + ": " + std::to_string(count)
                             + (count == 1 ? " value" : " values") + ", but the header has "
                             + std::to_string(m_columnNames.size()) + " columns");
        return;
    }

    RecordBytes record;
    record.fill(' ');
    for (std::size_t column = 0; column < fields.size(); ++column) {
        const int f = m_fieldOfColumn[column];
        if (f < 0)
            continue;
        const std::string& value = fields[column];
        const auto [offset, width] = fieldLayout(static_cast<Field>(f));
        unsigned char* const out = record.data() + offset;
        const auto longValue = std::find_if(longValues.begin(), longValues.end(),
                                            [&](const LongValue& candidate) { return candidate.column == column; });
        const ValueTally* tally = longValue == longValues.end() ? nullptr : longValue->tally;

        // Most values are plain ASCII: their bytes are already the file's.
        const auto ascii = [](char c) { return static_cast<unsigned char>(c) - 1U < 0x7FU; }; // 0x01-0x7F
        if (!tally && std::all_of(value.begin(), value.end(), ascii)) {
            // Trailing spaces are padding in the log; only what shows must fit.
            const std::size_t shown = value.find_last_not_of(' ') + 1;
            if (shown > width && !m_cut) {
                problem(line, int(column),
                        std::to_string(shown) + " characters, but the field holds " + std::to_string(width));
                continue;
            }
            m_changed += shown > width ? 1 : 0;
            std::copy_n(value.begin(), std::min(shown, width), out);
            continue;
        }

        std::u32string& text = m_text;
        std::size_t shown = 0;
        std::optional<char32_t> lacking;
        if (tally) {
            if (!tally->utf8()) {
                problem(line, int(column), "not UTF-8 text");
                continue;
            }
            // The kept bytes, cut back to whole characters, hold more than any field.
            std::string_view head = tally->kept();
            while (!codePointsFromUtf8(head, text))
                head.remove_suffix(1);
            shown = tally->shownCharacters();
            if (tally->hasLacking())
                lacking = tally->lacking();
        } else {
            if (!codePointsFromUtf8(value, text, m_loneSurrogates)) {
                problem(line, int(column), "not UTF-8 text");
                continue;
            }
            shown = text.find_last_not_of(U' ') + 1;
            const auto found = std::find_if(text.begin(), text.begin() + std::ptrdiff_t(shown),
                                            [](char32_t c) { return c == 0 || !isRepresentable(c); });
            if (found != text.begin() + std::ptrdiff_t(shown))
                lacking = *found;
        }
        const bool tooLong = shown > width, unrepresentable = lacking.has_value();
        if (m_cut) {
            m_changed += tooLong || unrepresentable ? 1 : 0;
            // A zero character would end the text early; the window cannot type one.
            std::replace(text.begin(), text.end(), U'\0', U'?');
        } else {
            if (tooLong)
                problem(line, int(column),
                        std::to_string(shown) + " characters, but the field holds " + std::to_string(width));
            if (unrepresentable)
                problem(line, int(column),
                        *lacking
                            ? describe(*lacking) + " is not a " + std::string(codePageInUse().name()) + " character"
                            : "a zero character would end the text");
        }
        // As the window saves a field: cut to width, '?' for what the code page lacks.
        std::transform(text.begin(), text.begin() + std::ptrdiff_t(std::min({ shown, width, text.size() })), out,
                       byteFromCodePoint);
    }
    if (m_problems.empty() && m_records.size() <= std::size_t(kMaxRecords))
        m_records.push_back(record);
}

} // namespace pintwise
