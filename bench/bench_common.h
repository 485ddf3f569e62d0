#pragma once

#include "record.h"

#include <chrono>
#include <string>

// What every benchmark shares, on Linux and for Windows alike, with no
// toolkit and no file: the sample entry, so that a benchmark built for
// either system, and a floor built for both, fills its log the same way;
// and the time a piece of work takes.

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

// Milliseconds `work` takes, by the steady clock.
inline double millisecondsOf(const auto& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace pintwise::bench
