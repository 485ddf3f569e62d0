#pragma once

#include "tool_error.h"

#include <optional>
#include <string>
#include <vector>

// The tool's command line: a command, its options and its paths, read from
// argv by one table of commands and options that --help is written from as
// well. Subcommands with options of their own, usage errors that must exit 2
// with a one-line hint, help texts kept to the letter, and paths passed on as
// bytes make a general parser more trouble than this table. It only reads
// the arguments: it opens nothing and checks no path.

namespace pintwise {

struct Invocation {
    enum class Command { Help, Version, Export, Import, Check };
    enum class Format { Csv, Json, Xlsx };

    Command command = Command::Help;
    Command helpFor = Command::Help; // with Help: the command asked about, or Help for all
    // Export: CSV unless given. Import: found from the content unless given.
    std::optional<Format> format;
    std::string output; // empty or "-": standard output
    bool cut = false;
    bool dryRun = false;
    std::string input; // what import reads; "-": standard input
    std::string log;   // empty: Entry.Dat beside the executable
    int codePage = 0;  // the log's code page (874, 1250-1258); 0: the host's
};

// `arguments` leaves out the program's own name.
[[nodiscard]] ToolStatus parseCommandLine(const std::vector<std::string>& arguments, Invocation& invocation);

// The text --help prints: the whole tool, or one command.
std::string helpText(Invocation::Command command);
std::string versionText();

} // namespace pintwise
