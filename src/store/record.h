#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// One log entry: ten fixed-width text fields, laid end to end as 380 bytes in
// the data file with no separators, header or padding between them.
//
// A Record holds the file's own 380 bytes, one byte of the code page in use per
// character: reading a record from the file is a copy, and a field becomes
// text only when someone asks for it (record_text). A character the
// code page lacks is stored as '?' the moment it is set, exactly as the file
// would keep it. A Record knows nothing about files or windows.

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
    RecordBytes toBytes() const { return m_bytes; }
    // Takes the first `length` file bytes (at most 380); the rest become zero,
    // as bytes past the end of the file read.
    void setBytes(const unsigned char* bytes, std::size_t length);

    // Stores the first `width` characters of `text`, each as its code page
    // byte ('?' where it has none), padded with spaces.
    void setField(Field field, std::u32string_view text);

    // The field's bytes, trailing spaces included. A zero byte ends the text,
    // so a never-written field is empty and no NUL reaches a window. The view
    // is valid until the record changes.
    std::span<const unsigned char> fieldBytes(Field field) const;

    bool operator==(const Record&) const = default;

private:
    RecordBytes m_bytes {};
};

// The file's length in bytes over 380, rounded to the nearest integer with
// halves going to the even neighbour (190 -> 0, 570 -> 2, 950 -> 2, 1330 -> 4).
// Returned wide: a caller decides what a count past kMaxRecords means.
std::int64_t recordCountForLength(std::uint64_t fileLength);

} // namespace pintwise
