// pintwise-log: exports, imports and checks the log without a window. All
// the work is in pintwise_log_tool; this prints its errors, the one place.

#include "commands.h"

#include <csignal>
#include <cstdio>

int main(int argc, char* argv[])
{
    // Standard output closed by its reader (a pipe into "head") must be a
    // write error the tool reports, not a signal that ends it: an import
    // killed after its rows are synced would exit with a failure.
    std::signal(SIGPIPE, SIG_IGN);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    pintwise::OutputSink out;
    std::string errors;
    const int status = pintwise::runLogTool(arguments, out, errors);
    std::fputs(errors.c_str(), stderr);
    return status;
}
