#pragma once

#include "command_line.h"
#include "host_code_page.h"
#include "log_store.h"

// What the commands' own files share, and no one else needs: finding the log
// the user named and fixing the code page a command reads and writes it in.
// It opens nothing itself and words no message but the code page's.

namespace pintwise {

// The log the user named, or Entry.Dat beside the executable.
Status locateLog(LogStore& store, const Invocation& invocation);

// The code page --code-page names, else the host's: the same rule as the
// window's, and the reason, for check to print.
CodePageChoice codePageChoice(const Invocation& invocation);

// Fixes that code page for the process before the command converts a byte.
// A failure only where something in the same process has already converted
// in another one: the real tool converts nothing before this.
[[nodiscard]] ToolStatus useInvocationCodePage(const Invocation& invocation);

} // namespace pintwise
