#pragma once

#include "row_importer.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// What every reader's fuzz target shares: the bytes as the reader takes them,
// and a RowImporter behind it, so that each row the reader makes is checked as
// an import checks it. A target only runs code; any fault ASan or UBSan finds
// ends it.

namespace pintwise::fuzz {

inline std::string_view bytesOf(const std::uint8_t* data, std::size_t size)
{
    return { reinterpret_cast<const char*>(data), size };
}

// Asks everything an import asks of the importer once the reading is done.
inline void finishImport(const RowImporter& importer)
{
    volatile std::size_t seen = importer.problems().size() + importer.records().size();
    for (std::size_t column = 0; column < 16; ++column)
        seen = seen + importer.textColumn(column).size();
    (void)seen;
}

} // namespace pintwise::fuzz
