// Number format kinds, General numbers and serial dates; which cell holds
// what is the sheet reader's.

#include "number_formats.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>

namespace pintwise {
namespace {

bool isAsciiSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Whether an 's' follows: ignoring case, and with the long s (U+017F),
// which folds to one.
bool hasSeconds(std::string_view rest)
{
    for (char c : rest) {
        if (lower(c) == 's')
            return true;
    }
    return rest.find("\xC5\xBF") != std::string_view::npos;
}

bool startsGeneral(std::string_view rest)
{
    constexpr std::string_view kGeneral = "general";
    if (rest.size() < kGeneral.size())
        return false;
    for (std::size_t i = 0; i < kGeneral.size(); ++i) {
        if (lower(rest[i]) != kGeneral[i])
            return false;
    }
    return true;
}

// Digits alone after an optional sign: the integer's magnitude and sign.
std::optional<std::uint64_t> magnitudeOf(std::string_view text, bool& negative)
{
    text = trimmed(text);
    negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text.remove_prefix(1);
    if (text.empty() || text.front() < '0' || text.front() > '9')
        return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string isoDate(std::chrono::sys_days day)
{
    const std::chrono::year_month_day date(day);
    const int year = int(date.year());
    // Past 9999 a date has no ISO text, and the cell shows none.
    if (year < 0 || year > 9999)
        return {};
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", year, unsigned(date.month()), unsigned(date.day()));
    return text;
}

} // namespace

NumberKind kindOfFormatCode(std::string_view code)
{
    bool date = false, time = false, quoted = false, bracket = false;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = lower(code[i]);
        if (quoted) {
            quoted = c != '"';
        } else if (bracket) {
            if (c == ']')
                bracket = false;
            else if (c == 'h' || c == 's')
                time = true; // [h]:mm elapsed time
        } else if (c == '"') {
            quoted = true;
        } else if (c == '[') {
            bracket = true;
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i; // the next character is shown as it is
        } else if (c == 'd' || c == 'y') {
            date = true;
        } else if (c == 'h' || c == 's') {
            time = true;
        } else if (c == 'm') {
            date = date || (!time && !hasSeconds(code.substr(i)));
        } else if (c == 'g' && startsGeneral(code.substr(i))) {
            i += 6;
        }
    }
    return date && time ? NumberKind::DateTime : date ? NumberKind::Date : time ? NumberKind::Time : NumberKind::Number;
}

NumberKind kindOfBuiltInFormat(int id)
{
    if (id >= 14 && id <= 17)
        return NumberKind::Date;
    if ((id >= 18 && id <= 21) || (id >= 45 && id <= 47))
        return NumberKind::Time;
    return id == 22 ? NumberKind::DateTime : NumberKind::Number;
}

bool CellStyles::start(std::string_view name, const XmlAttributes& attributes)
{
    if (name == "numFmt") {
        const NumberKind kind = kindOfFormatCode(attributes.value("formatCode"));
        if (kind != NumberKind::Number)
            m_custom[intOf(attributes.value("numFmtId"))] = kind;
    } else if (name == "cellXfs") {
        m_inCellFormats = true;
    } else if (name == "xf" && m_inCellFormats) {
        const int id = intOf(attributes.value("numFmtId"));
        NumberKind kind = kindOfBuiltInFormat(id);
        if (const auto found = m_custom.find(id); kind == NumberKind::Number && found != m_custom.end())
            kind = found->second;
        m_kinds.push_back(kind);
    }
    return true;
}

bool CellStyles::end(std::string_view name)
{
    if (name == "cellXfs")
        m_inCellFormats = false;
    return true;
}

std::string generalNumber(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.15G", value);
    return text;
}

ShownNumber showNumber(double number, NumberKind kind, bool date1904)
{
    // 2958466 is 10000-01-01 in the 1900 system: no spreadsheet shows a date from there on.
    if (kind == NumberKind::Number || !(number >= 0 && number < 2958466))
        return { generalNumber(number), NumberKind::Number };
    using namespace std::chrono;
    const double days = std::floor(number);
    auto seconds = std::lround((number - days) * 86400);
    auto day = static_cast<long>(days);
    if (seconds == 86400) {
        ++day;
        seconds = 0;
    }
    std::string date;
    if (date1904)
        date = isoDate(sys_days(1904y / January / 1) + std::chrono::days(day));
    else if (day == 60) // the day the 1900 system counts that never was
        date = "1900-02-29";
    else
        date = isoDate(sys_days(1899y / December / (day < 60 ? 31 : 30)) + std::chrono::days(day));
    char time[48];
    std::snprintf(time, sizeof time, "%02ld:%02ld:%02ld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return { kind == NumberKind::Date ? date : kind == NumberKind::Time ? std::string(time) : date + " " + time, kind };
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isAsciiSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isAsciiSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

int intOf(std::string_view text)
{
    bool negative = false;
    const auto magnitude = magnitudeOf(text, negative);
    const std::uint64_t limit = std::uint64_t(std::numeric_limits<int>::max()) + (negative ? 1 : 0);
    if (!magnitude || *magnitude > limit)
        return 0;
    return negative ? int(-std::int64_t(*magnitude)) : int(*magnitude);
}

std::optional<std::uint64_t> unsignedOf(std::string_view text)
{
    bool negative = false;
    const auto magnitude = magnitudeOf(text, negative);
    if (negative)
        return std::nullopt;
    return magnitude;
}

std::optional<double> doubleOf(std::string_view text)
{
    text = trimmed(text);
    if (text == "nan")
        return std::numeric_limits<double>::quiet_NaN();
    if (text == "inf" || text == "+inf" || text == "-inf")
        return text.front() == '-' ? -HUGE_VAL : HUGE_VAL;
    // from_chars takes no '+', but "infinity" and "nan(...)": only a sign,
    // digits, a point and an exponent pass.
    if (text.starts_with('+') && !text.substr(1).starts_with('-'))
        text.remove_prefix(1);
    if (text.empty() || text.front() == '+' || text.find_first_not_of("0123456789.eE+-") != std::string_view::npos)
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace pintwise
