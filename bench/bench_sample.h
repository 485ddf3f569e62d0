#pragma once

#include "record.h"

#include <string>

// The sample entry every benchmark writes, on Linux and for Windows alike:
// the record alone, with no toolkit and no file, so that a benchmark built
// for either system, and a floor built for both, fills its log the same way.

namespace pintwise::bench {

// Every field filled, so any entry can be saved again as it is.
inline Record sampleRecord(int n)
{
    static const char* const prefixes[kFieldCount]
        = { "Bier no. ", "Country ", "Location ", "Brewery ", "Bar ",
            "Cost ",     "Style ",   "Taste ",    "Color ",   "Notes on entry number " };
    Record record;
    for (int f = 0; f < kFieldCount; ++f) {
        const std::string text = prefixes[f] + std::to_string(n);
        record.setField(static_cast<Field>(f), std::u32string(text.begin(), text.end()));
    }
    return record;
}

} // namespace pintwise::bench
