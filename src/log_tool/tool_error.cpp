#include "tool_error.h"

#include <cerrno>
#include <system_error>

namespace pintwise {

std::string reasonText(int errnoValue)
{
#ifdef _WIN32
    // Windows' C library has no words for these. The file layer gives
    // EWOULDBLOCK for a sharing violation: another program has the file
    // open, as a spreadsheet keeps the workbook it shows.
    if (errnoValue == EWOULDBLOCK)
        return "it is open in another program";
    if (errnoValue == EOPNOTSUPP)
        return "Operation not supported";
#endif
    return std::error_code(errnoValue, std::generic_category()).message();
}

std::string quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

ToolError fromStoreError(const StoreError& error)
{
    const std::string file = quoted(error.path);
    const std::string why = error.reason ? error.reason.message() : std::string("unknown error");
    switch (error.kind) {
    case StoreError::Kind::Open:
        return { kExitFailure, "cannot open " + file + ": " + why };
    case StoreError::Kind::Create:
        return { kExitFailure, "cannot finish creating " + file + ": " + why };
    case StoreError::Kind::NotRegularFile:
        return { kExitFailure, "cannot open " + file + ": it is not a regular file" };
    case StoreError::Kind::AlreadyOpen:
        return { kExitFailure,
                 file + " is open in Pintwise or in another import; close it and try again (nothing was changed)" };
    case StoreError::Kind::TooLarge:
        return { kExitFailure, file + " holds more than 32767 entries, more than Pintwise can open" };
    case StoreError::Kind::Read:
        return { kExitFailure, "cannot read entry " + std::to_string(error.record) + " of " + file + ": " + why };
    case StoreError::Kind::Write: // the tool writes only to append
        return { kExitFailure, "cannot add entries to " + file + ": " + why + " (the log is as it was)" };
    case StoreError::Kind::LogFull:
        return { kExitFailure, file + " would hold more than 32767 entries; nothing was added" };
    case StoreError::Kind::NoProgramDirectory:
    case StoreError::Kind::NotOpen:
    case StoreError::Kind::BadRecordNumber:
        break;
    }
    return { kExitFailure, error.message() };
}

} // namespace pintwise
