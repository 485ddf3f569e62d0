#pragma once

#include "record.h"
#include "record_text.h"

#include <string>

// The entry the toolkit-free tests type: entry "X" is the ten texts "X",
// "X 2" ... "X 10", and savedRecord("X") the 380 bytes saving it writes.

namespace pintwise {

inline std::u16string typedText(const std::string& name, int field)
{
    const std::string text = field == 0 ? name : name + " " + std::to_string(field + 1);
    return std::u16string(text.begin(), text.end());
}

inline std::string savedRecord(const std::string& name)
{
    Record record;
    for (int f = 0; f < kFieldCount; ++f)
        record.setField(static_cast<Field>(f), codePointsFromUtf16(typedText(name, f)));
    const RecordBytes bytes = record.toBytes();
    return std::string(bytes.begin(), bytes.end());
}

} // namespace pintwise
