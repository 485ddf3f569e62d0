#pragma once

#include "record.h"

#include <string>
#include <vector>

// The entry the toolkit-free tests type: entry "X" is the ten texts "X",
// "X 2" ... "X 10", and savedRecord("X") the 380 bytes saving it writes.
// The bytes are laid out here by hand, not by Record, so that a test
// comparing them with a file checks the store rather than repeating it.

namespace pintwise {

inline std::string typedText8(const std::string& name, int field)
{
    return field == 0 ? name : name + " " + std::to_string(field + 1);
}

inline std::u16string typedText(const std::string& name, int field)
{
    const std::string text = typedText8(name, field);
    return std::u16string(text.begin(), text.end());
}

// One record's 380 file bytes: each given field cut and space-padded to its
// width (20 bytes, 200 for the tenth); fields not given are all spaces.
inline std::string paddedRecord(const std::vector<std::string>& fields)
{
    std::string bytes;
    for (int i = 0; i < kFieldCount; ++i) {
        const std::size_t width = i == kFieldCount - 1 ? 200 : 20;
        const std::string field = i < static_cast<int>(fields.size()) ? fields[i].substr(0, width) : std::string();
        bytes += field + std::string(width - field.size(), ' ');
    }
    return bytes;
}

inline std::string savedRecord(const std::string& name)
{
    std::vector<std::string> fields;
    fields.reserve(kFieldCount);
    for (int f = 0; f < kFieldCount; ++f)
        fields.push_back(typedText8(name, f));
    return paddedRecord(fields);
}

} // namespace pintwise
