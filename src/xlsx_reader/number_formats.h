#pragma once

#include "xml_push_parser.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Numbers as a workbook's XML writes them, and as a spreadsheet shows them:
// which cell styles show a number as a date or a time (the styles part's
// number formats and cell formats), and the text a serial date or a number
// in the General format shows. Fonts, fills, the rest of a style, and the
// cells themselves are left to others.

namespace pintwise {

enum class NumberKind : std::uint8_t { Number, Date, Time, DateTime };

// A number format's kind from its code: a day, month or year outside quotes
// and brackets makes a date; hours or seconds alone a time.
NumberKind kindOfFormatCode(std::string_view code);
// A built-in format's kind: 14-17 dates, 18-21 and 45-47 times, 22 both.
NumberKind kindOfBuiltInFormat(int id);

// The kind of each cell style, in the order of the styles part's cellXfs.
class CellStyles final : public XmlHandler {
public:
    explicit CellStyles(std::vector<NumberKind>& kinds)
        : m_kinds(kinds)
    {
    }
    bool start(std::string_view name, const XmlAttributes& attributes) override;
    bool end(std::string_view name) override;

private:
    std::vector<NumberKind>& m_kinds;
    std::map<int, NumberKind> m_custom;
    bool m_inCellFormats = false;
};

// The text the General format shows for a number: up to 15 significant
// digits, the exponent form for very large or small numbers.
std::string generalNumber(double value);

// A number shown in a style of `kind`: a date or time when the kind is one
// and the number a serial in range (then `kind` stays), else as General
// shows it (then `kind` is Number). `date1904` is the workbook's date system.
struct ShownNumber {
    std::string text;
    NumberKind kind = NumberKind::Number;
};
ShownNumber showNumber(double number, NumberKind kind, bool date1904);

// The numbers of the XML, read as the reader always has: leading and
// trailing ASCII white space ignored, and for the integers a '+' or '-'.
std::string_view trimmed(std::string_view text);
// 0 when it is not an int.
int intOf(std::string_view text);
std::optional<std::uint64_t> unsignedOf(std::string_view text);
// "nan", "inf", "+inf", "-inf", or a decimal number; not one that
// overflows or rounds to zero from a digit that is not.
std::optional<double> doubleOf(std::string_view text);

} // namespace pintwise
