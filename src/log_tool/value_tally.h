#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// What the import's checks need to know of a value too long to keep: fed
// its UTF-8 bytes in pieces of any size, it keeps the first kKeptBytes and,
// of the whole, only whether it is UTF-8, how many characters it shows (up to
// its last that is not a space) and the first character a field cannot
// hold. No field holds more than 200 characters, so the kept bytes always
// hold what --cut stores. It neither judges the value nor knows its field.

namespace pintwise {

class ValueTally {
public:
    // Four bytes for each of the widest field's 200 characters, and room.
    static constexpr std::size_t kKeptBytes = 1024;

    void clear();
    void add(std::string_view bytes);
    // The value's end: a sequence cut short there is not UTF-8.
    void finish();

    const std::string& kept() const { return m_kept; }
    bool utf8() const { return m_utf8; }
    std::size_t shownCharacters() const { return m_shown; }
    // The first zero character or one the code page lacks.
    bool hasLacking() const { return m_hasLacking; }
    char32_t lacking() const { return m_lacking; }

private:
    void take(char32_t c);

    std::string m_kept;
    bool m_utf8 = true;
    std::size_t m_characters = 0;
    std::size_t m_shown = 0;
    bool m_hasLacking = false;
    char32_t m_lacking = 0;
    // A sequence in progress: its value so far, the bytes it still needs,
    // and the least value its length may encode.
    char32_t m_partial = 0;
    int m_needed = 0;
    char32_t m_least = 0;
};

// A value of a row held only in part: its column and its tally.
struct LongValue {
    std::size_t column;
    const ValueTally* tally;
};

} // namespace pintwise
