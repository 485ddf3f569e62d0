#pragma once

#include "command_line.h"
#include "log_store.h"

// What the commands' own files share, and no one else needs: finding the log
// the user named. It opens nothing itself and words no message.

namespace pintwise {

// The log the user named, or Entry.Dat beside the executable.
Status locateLog(LogStore& store, const Invocation& invocation);

} // namespace pintwise
