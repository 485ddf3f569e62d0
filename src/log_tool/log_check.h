#pragma once

#include "log_store.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// What `check` finds in a log, counted by the window's own rules: how many
// records it would show, which hold text, which are blank or never written,
// a partial record at the end, bytes the code page leaves undefined, and
// whether the window can open the file at all. It reads through a store
// opened for reading and never repairs, locks or judges the texts.

namespace pintwise {

struct CheckReport {
    std::string path;
    std::uint64_t length = 0;
    std::int64_t records = 0; // by the window's rounding rule
    int scanned = 0;          // records read: every one, or the first 32,767
    int withText = 0;
    int blank = 0;        // 380 spaces, as deleting writes
    int neverWritten = 0; // 380 zeros, as a skipped slot reads
    // Neither, yet no field shows a character: spaces and zeros mixed. The
    // window shows such an entry as empty; it counts with neither group above.
    std::vector<int> emptyMixed;
    std::uint64_t partialLength = 0; // bytes of a record cut short at the end
    bool partialCounted = false;
    std::string codePage;       // the code page in use: "Windows-1250"
    std::string codePageSource; // why it is the one: "from --code-page"; set by the caller
    std::map<unsigned char, std::vector<int>> undefinedBytes; // byte: its records, each once
    int undefinedByteCount = 0;

    bool opensInWindow() const { return records <= kMaxRecords; }
    bool wholeRecordsOnly() const { return partialLength == 0; }
    bool healthy() const { return opensInWindow() && wholeRecordsOnly(); }

    // The plain lines `check` prints.
    std::string text() const;
    // One sentence: why healthy() is false.
    std::string problem() const;
};

// Reads every record of a store opened with openForReading().
[[nodiscard]] Status checkLog(LogStore& store, CheckReport& report);

} // namespace pintwise
