#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// One log entry: ten fixed-width text fields, laid end to end as 380 bytes in
// the data file with no separators, header or padding between them.
//
// In memory each field always holds exactly its width of characters (Unicode
// code points); at the file boundary each character is one Windows-1252 byte.
// A Record knows nothing about files or windows.

namespace pintwise {

enum class Field { Bier, Country, Location, Brewery, Purchese, Cost, Style, Taste, Color, Notes };

inline constexpr int kFieldCount = 10;
inline constexpr std::size_t kRecordSize = 380;

// Record numbers and the record count are signed 16-bit: 32,767 records at most.
using RecordNumber = std::int16_t;
inline constexpr RecordNumber kMaxRecords = 32767;

using RecordBytes = std::array<unsigned char, kRecordSize>;

struct FieldLayout {
    std::size_t offset;
    std::size_t width;
};

constexpr FieldLayout fieldLayout(Field field)
{
    // Nine fields of 20 characters, then Notes with 200.
    const auto index = static_cast<std::size_t>(field);
    return field == Field::Notes ? FieldLayout { 180, 200 } : FieldLayout { index * 20, 20 };
}

class Record {
public:
    // Every character zero: each field reads as empty text, as a slot of the
    // file that was never written does.
    Record();

    // Every character a space: the blank entry that deleting writes.
    static Record blank();

    static Record fromBytes(const RecordBytes& bytes);
    RecordBytes toBytes() const;
    // Sets every character from the first `length` file bytes (at most 380);
    // the rest become zero, as bytes past the end of the file read.
    void setBytes(const unsigned char* bytes, std::size_t length);

    // Stores the first `width` characters of `text`, padded with spaces.
    void setField(Field field, std::u32string_view text);

    // The field's full width, trailing spaces included. A zero character ends
    // the text, so a never-written field is empty and no NUL reaches a window.
    // The view is valid until the record changes.
    std::u32string_view fieldView(Field field) const;

    bool operator==(const Record&) const = default;

private:
    std::array<char32_t, kRecordSize> m_characters {};
};

// The file's length in bytes over 380, rounded to the nearest integer with
// halves going to the even neighbour (190 -> 0, 570 -> 2, 950 -> 2, 1330 -> 4).
// Returned wide: a caller decides what a count past kMaxRecords means.
std::int64_t recordCountForLength(std::uint64_t fileLength);

} // namespace pintwise
