#pragma once

#include "record.h"

#include <optional>
#include <string>
#include <system_error>

// What went wrong with the data file, as a value. The store never throws and
// never shows anything; the entry window turns message() into a message box.

namespace pintwise {

struct StoreError {
    enum class Kind {
        NoProgramDirectory, // the executable's own directory could not be found
        Open,               // the OS refused to create or open the file
        Create,             // the new file's directory entry could not be synced
        NotRegularFile,     // the path names a directory, device or pipe
        AlreadyOpen,        // another running copy holds the file's lock
        TooLarge,           // more than 32,767 records; the file is left untouched
        Read,
        Write,   // includes reserving space and syncing to disk
        LogFull, // a new entry would be number 32,768
        NotOpen,
        BadRecordNumber,
    };

    Kind kind;
    std::string path;
    std::error_code reason {};
    RecordNumber record = 0;

    // One or two sentences in plain words, naming the file and the OS reason.
    std::string message() const;
};

// Success is an empty optional, failure carries the error.
using Status = std::optional<StoreError>;

} // namespace pintwise
