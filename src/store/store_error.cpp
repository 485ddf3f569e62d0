#include "store_error.h"

namespace pintwise {

std::string StoreError::message() const
{
    const std::string file = "the log file \"" + path + "\"";
    const std::string why = reason ? reason.message() : std::string("unknown error");
    const std::string entry = "entry " + std::to_string(record);

    switch (kind) {
    case Kind::NoProgramDirectory:
        return "Could not find the folder that holds Pintwise, where its log file is kept: " + why + ".";
    case Kind::Open:
        return "Could not open " + file + ": " + why + ".";
    case Kind::Create:
        return "Could not finish creating " + file + ": " + why + ".";
    case Kind::NotRegularFile:
        return "Could not open " + file + ": it is not a regular file.";
    case Kind::AlreadyOpen:
        return "The log file \"" + path
            + "\" is already open in another copy of Pintwise. "
              "Close that copy and start again.";
    case Kind::TooLarge:
        return "The log file \"" + path
            + "\" is too large: Pintwise can keep at most 32,767 entries. "
              "The file has not been changed.";
    case Kind::Read:
        return "Could not read " + entry + " from " + file + ": " + why + ".";
    case Kind::Write:
        return "Could not save " + entry + " to " + file + ": " + why + ".";
    case Kind::LogFull:
        return "The log already holds 32,767 entries, the most it can keep. No new entry can be added.";
    case Kind::NotOpen:
        return "The log file \"" + path + "\" is not open.";
    case Kind::BadRecordNumber:
        return "There is no " + entry + " in " + file + ".";
    }
    return "Unknown error with " + file + ".";
}

} // namespace pintwise
