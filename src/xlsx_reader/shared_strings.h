#pragma once

#include "xml_push_parser.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The texts of cells: the shared strings part's items, kept for the sheet's
// cells to name by number; a <si> or inline <is> with its runs joined; and
// the _xHHHH_ escapes a text holds. Formatting, and which cell a text is
// in, are left to others.

namespace pintwise {

// "_x000D_" is how a cell's text holds a character XML cannot (and
// "_x005F_" an underscore that would otherwise start one).
std::string unescapedCellText(std::string text);

// The text of a <si> or <is> as its elements go by: its <t>, or its runs'
// <t>s joined; the phonetic guides (<rPh>) are not part of the text. It
// keeps no formatting of the runs.
class RichText {
public:
    void begin();
    void start(std::string_view name);
    // True when `name` ends the <si> or <is> itself.
    bool end(std::string_view name);
    void text(std::string_view chars);
    std::string take() { return unescapedCellText(std::move(m_text)); }

private:
    std::string m_text;
    int m_depth = 0, m_inText = 0, m_phonetic = 0;
};

// The shared strings, one after another in UTF-8, and where each ends: a
// full log's 327,681 as strings of their own would cost 32 bytes each.
// Equal texts are not merged.
class SharedStrings {
public:
    void add(std::string_view text);
    std::size_t size() const { return m_ends.size(); }
    // The text numbered `index`, which must be below size().
    std::string_view at(std::size_t index) const;

private:
    std::string m_texts;
    std::vector<std::uint32_t> m_ends;
};

// Every <si>'s text, in order, added to `strings`.
class SharedStringsPart final : public XmlHandler {
public:
    explicit SharedStringsPart(SharedStrings& strings)
        : m_strings(strings)
    {
    }
    bool start(std::string_view name, const XmlAttributes& attributes) override;
    bool end(std::string_view name) override;
    void text(std::string_view chars) override;

private:
    SharedStrings& m_strings;
    RichText m_text;
    bool m_inItem = false;
};

} // namespace pintwise
