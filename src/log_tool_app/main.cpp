// pintwise-log: exports, imports and checks the log without a window. All
// the work is in pintwise_log_tool; this prints its errors, the one place.

#include "commands.h"

#include <cstdio>

int main(int argc, char* argv[])
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    pintwise::OutputSink out;
    std::string errors;
    const int status = pintwise::runLogTool(arguments, out, errors);
    std::fputs(errors.c_str(), stderr);
    return status;
}
