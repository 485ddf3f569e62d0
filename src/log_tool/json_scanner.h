#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The tokens of a JSON text, for JsonReader's parser to build on: white
// space, the literals, numbers and strings (their escapes decoded, a lone
// surrogate kept in generalized UTF-8). The first syntax error is kept with
// its place; nothing after it counts. It knows no arrays, objects or rows:
// those, and every message about a well-formed document, are the parser's.

namespace pintwise {

class JsonScanner {
protected:
    explicit JsonScanner(std::string_view text)
        : m_text(text)
    {
    }

    // Keeps the first syntax error, where the scanner stands; always false.
    bool fail(const char* what);

    // Skips white space; false at the end of the text.
    bool eatSpace()
    {
        while (m_at < m_text.size()
               && (m_text[m_at] == ' ' || m_text[m_at] == '\t' || m_text[m_at] == '\n' || m_text[m_at] == '\r'))
            ++m_at;
        return m_at < m_text.size();
    }
    char nextToken() { return eatSpace() ? m_text[m_at++] : '\0'; }

    // After its first letter; the text must go on past it.
    bool literal(std::string_view rest);
    bool parseNumber();
    // After the opening quote; the text as UTF-8 into `out`.
    bool parseString(std::string& out);

    std::string_view m_text;
    std::size_t m_at = 0;
    std::optional<std::string> m_syntax;
    std::size_t m_errorAt = 0;

private:
    bool digits();
    // Four hex digits after "\u".
    bool hex4(char32_t& value);
    // UTF-8, but a lone surrogate too, in the three bytes its value takes.
    static void appendGeneralizedUtf8(std::string& out, char32_t c);

    std::u32string m_scratch;
};

} // namespace pintwise
