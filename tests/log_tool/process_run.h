#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

// POSIX only: runs the real pintwise-log (or any program) as a script would,
// for what only a process shows: exit statuses, standard output that is a
// full disk or a pipe nobody reads, a terminal, a limit on memory. Standard
// input comes from a file holding `input`; standard output and error are
// caught in files, so nothing can block. A Windows build of the suite leaves
// the tests that need it out.

namespace pintwise::test {

struct Process {
    enum class Output { Caught, FullDisk, ClosedPipe };

    std::vector<std::string> arguments; // the program first
    std::string input;
    std::filesystem::path workingDirectory;
    Output output = Output::Caught;
    // Input from this file instead of `input`: a large one, written once.
    std::filesystem::path inputFile;
    // > 0: the child's address space is limited to this many bytes.
    rlim_t addressSpace = 0;
    // Variables set for the child alone: a locale, say.
    std::vector<std::pair<std::string, std::string>> environment;

    struct Result {
        bool exited = false; // false: ended by a signal, or never started
        int status = -1;
        std::string out, err;
    };

    Result run(const std::filesystem::path& scratch) const
    {
        const auto inPath = inputFile.empty() ? scratch / "stdin" : inputFile;
        const auto outPath = scratch / "stdout", errPath = scratch / "stderr";
        if (inputFile.empty())
            std::ofstream(inPath, std::ios::binary) << input;
        int unread[2] = { -1, -1 };
        if (output == Output::ClosedPipe) {
            if (::pipe(unread) != 0)
                return {};
            ::close(unread[0]); // before the child exists: its first write fails
        }
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        const pid_t child = ::fork();
        if (child == 0) {
            if (!workingDirectory.empty() && ::chdir(workingDirectory.c_str()) != 0)
                ::_exit(126);
            for (const auto& [name, value] : environment)
                ::setenv(name.c_str(), value.c_str(), 1);
            // As a shell starts it: writing to a closed pipe raises SIGPIPE.
            ::signal(SIGPIPE, SIG_DFL);
            if (addressSpace > 0) {
                const rlimit limit { addressSpace, addressSpace };
                ::setrlimit(RLIMIT_AS, &limit);
            }
            std::FILE* in = std::freopen(inPath.c_str(), "rb", stdin);
            std::FILE* err = std::freopen(errPath.c_str(), "wb", stderr);
            if (output == Output::ClosedPipe) {
                ::dup2(unread[1], 1);
            } else if (!std::freopen(output == Output::FullDisk ? "/dev/full" : outPath.c_str(), "wb", stdout)) {
                ::_exit(126);
            }
            if (in && err)
                ::execvp(argv[0], argv.data());
            ::_exit(127);
        }
        if (unread[1] >= 0)
            ::close(unread[1]);
        Result result;
        int status = 0;
        if (child < 0 || ::waitpid(child, &status, 0) != child)
            return result;
        result.exited = WIFEXITED(status);
        result.status = result.exited ? WEXITSTATUS(status) : -1;
        const auto slurp = [](const std::filesystem::path& path) {
            std::ifstream file(path, std::ios::binary);
            return std::string(std::istreambuf_iterator<char>(file), {});
        };
        result.out = output == Output::Caught ? slurp(outPath) : std::string();
        result.err = slurp(errPath);
        return result;
    }
};

} // namespace pintwise::test
