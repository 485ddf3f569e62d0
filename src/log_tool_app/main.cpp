// pintwise-log: exports, imports and checks the log without a window. All
// the work is in pintwise_log_tool; this takes the command line as the
// system gives it and prints the tool's errors, the one place.

#include "commands.h"

#include <csignal>
#include <string>
#include <vector>

#ifdef _WIN32
#include "win32_file_support.h"
#endif

namespace {

int run(const std::vector<std::string>& arguments)
{
    pintwise::FileApi& files = pintwise::systemFileApi();
    pintwise::OutputSink out(files);
    std::string errors;
    const int status = pintwise::runLogTool(arguments, out, errors, files);
    // Standard error, through the same layer as the output: on Windows a
    // console shows the message's every character.
    for (std::size_t done = 0; done < errors.size();) {
        const auto n = files.write(2, errors.data() + done, errors.size() - done);
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return status;
}

} // namespace

#ifdef _WIN32
// The arguments as Windows holds them, UTF-16, so that any path a user can
// type arrives whole; the tool takes them in UTF-8.
int wmain(int argc, wchar_t* argv[])
{
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        std::string utf8;
        if (!pintwise::toUtf8(argv[i], utf8)) {
            static constexpr char kUnreadable[] = "pintwise-log: an argument is not valid Unicode\n";
            pintwise::systemFileApi().write(2, kUnreadable, sizeof kUnreadable - 1);
            return 2;
        }
        arguments.push_back(std::move(utf8));
    }
    return run(arguments);
}
#else
int main(int argc, char* argv[])
{
    // Standard output closed by its reader (a pipe into "head") must be a
    // write error the tool reports, not a signal that ends it: an import
    // killed after its rows are synced would exit with a failure.
    std::signal(SIGPIPE, SIG_IGN);
    return run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
