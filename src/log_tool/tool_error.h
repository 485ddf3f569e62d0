#pragma once

#include "store_error.h"

#include <optional>
#include <string>

// What went wrong with a command, as a value: the exit status it means and
// the text main() prints to standard error, the only place anything is
// printed there. It does not decide how a failure is worded for the store:
// fromStoreError() does that once, for every command.

namespace pintwise {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// With kExitSuccess it is a warning: the work is done, yet something the user
// asked for (the summary line on standard output) did not happen.
struct ToolError {
    int exitStatus = kExitFailure;
    // One plain sentence, naming the file and the reason; an import whose
    // texts would not survive adds one indented line per place after it.
    std::string message;
};

using ToolStatus = std::optional<ToolError>;

ToolError fromStoreError(const StoreError& error);

// "No such file or directory" for errno ENOENT: the OS's own words.
std::string reasonText(int errnoValue);

// The path in double quotes, as every message shows a file.
std::string quoted(const std::string& path);

} // namespace pintwise
