#include "command_line.h"

#include <array>
#include <utility>

#ifndef PINTWISE_VERSION
#define PINTWISE_VERSION "unknown"
#endif

namespace pintwise {
namespace {

using Command = Invocation::Command;

constexpr std::array<std::pair<const char*, Command>, 3> kCommands
    = { { { "export", Command::Export }, { "import", Command::Import }, { "check", Command::Check } } };

ToolError usage(const std::string& what)
{
    return { kExitUsage, what + "; see \"pintwise-log --help\"" };
}

} // namespace

ToolStatus parseCommandLine(const std::vector<std::string>& arguments, Invocation& invocation)
{
    invocation = Invocation {};
    if (arguments.empty())
        return usage("no command given");
    const std::string& first = arguments[0];
    if (first == "--help" || first == "-h" || first == "help") {
        invocation.command = Command::Help;
        return {};
    }
    if (first == "--version") {
        invocation.command = Command::Version;
        return {};
    }
    bool known = false;
    for (const auto& [name, command] : kCommands) {
        if (first == name) {
            invocation.command = command;
            known = true;
        }
    }
    if (!known)
        return usage(first.starts_with("-") ? "unknown option \"" + first + "\"" : "unknown command \"" + first + "\"");

    const Command command = invocation.command;
    std::vector<std::string> paths;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        std::string argument = arguments[i];
        if (optionsEnded || argument == "-" || !argument.starts_with("-")) {
            paths.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "--help" || argument == "-h") {
            invocation.helpFor = command;
            invocation.command = Command::Help;
            return {};
        }
        // --format=json and --format json alike.
        std::string value;
        bool hasValue = false;
        if (const auto equals = argument.find('='); argument.starts_with("--") && equals != std::string::npos) {
            value = argument.substr(equals + 1);
            argument.resize(equals);
            hasValue = true;
        }
        const auto takeValue = [&]() -> ToolStatus {
            if (hasValue)
                return {};
            if (i + 1 >= arguments.size())
                return usage("the option " + argument + " needs a value");
            value = arguments[++i];
            return {};
        };
        const auto flag = [&](bool& target) -> ToolStatus {
            if (hasValue)
                return usage("the option " + argument + " takes no value");
            target = true;
            return {};
        };
        ToolStatus status;
        if ((command == Command::Export || command == Command::Import) && argument == "--format") {
            if (!(status = takeValue())) {
                if (value == "csv")
                    invocation.format = Invocation::Format::Csv;
                else if (value == "json")
                    invocation.format = Invocation::Format::Json;
                else if (value == "xlsx")
                    invocation.format = Invocation::Format::Xlsx;
                else
                    status = usage("unknown format \"" + value + "\" (csv, json or xlsx)");
            }
        } else if (command == Command::Export && (argument == "--output" || argument == "-o")) {
            status = takeValue();
            invocation.output = value;
        } else if (command == Command::Import && argument == "--cut") {
            status = flag(invocation.cut);
        } else if (command == Command::Import && argument == "--dry-run") {
            status = flag(invocation.dryRun);
        } else {
            std::string what = "unknown option \"";
            ((what += argument) += "\" for ") += first;
            status = usage(what);
        }
        if (status)
            return status;
    }

    const std::size_t required = command == Command::Import ? 1 : 0;
    if (paths.size() < required)
        return usage("import needs the file to read (or - for standard input)");
    if (paths.size() > required + 1)
        return usage("too many arguments for " + first + ": \"" + paths[required + 1] + "\"");
    if (command == Command::Import)
        invocation.input = paths[0];
    if (paths.size() > required)
        invocation.log = paths[required];
    if (invocation.log == "-")
        return usage("the log must be a file, not standard input or output");
    return {};
}

std::string helpText(Command command)
{
    const std::string logNote = "LOG is the log file; left out, the Entry.Dat beside pintwise-log.\n";
    switch (command) {
    case Command::Export:
        return "Usage: pintwise-log export [--format csv|json|xlsx] [--output FILE] [LOG]\n"
               "Writes every record of the log, blank and never-written ones too, as CSV\n"
               "(the default), JSON or an xlsx workbook: one row per record, in record order,\n"
               "each text as the window shows it. Reads only: the log is never changed or locked.\n"
               "For a spreadsheet use xlsx: every text is a text cell, so that 007, 1/2 or\n"
               "=SUM(A1) stay as typed; a spreadsheet guesses at CSV and changes them.\n\n"
               "  --format csv|json|xlsx  the output format (xlsx never to a terminal)\n"
               "  --output FILE, -o FILE  write FILE instead of standard output (- is standard output)\n"
            + logNote;
    case Command::Import:
        return "Usage: pintwise-log import [--format csv|json|xlsx] [--cut] [--dry-run] FILE [LOG]\n"
               "Adds every data row of FILE (or - for standard input) as a new entry after\n"
               "the log's last one, all or nothing. FILE is what export writes: an xlsx\n"
               "workbook (a zip archive; its first sheet), JSON (it starts with [) or CSV.\n"
               "The header row names the columns, the keys of JSON:\n"
               "Bier, Country, Location, Brewery, Purchese, Cost, Style, Taste, Color, Notes\n"
               "(any case, any order; Record is ignored; a missing column means empty texts).\n"
               "A sheet's cells that are not text (numbers, dates, booleans, formulas) are\n"
               "imported as the spreadsheet's General format shows them and listed on\n"
               "standard error; a cell holding an error stops the import.\n"
               "A missing log is created. Refused while Pintwise has the log open.\n"
               "Exit status 0 means every row is on disk; any other, the log is as it was.\n\n"
               "  --format csv|json|xlsx  read FILE as this, whatever its content looks like\n"
               "  --cut      store texts too long for their field, or with characters\n"
               "             Windows-1252 lacks, as the window would: cut to width, '?'\n"
               "  --dry-run  check everything and say what would be added; change nothing\n"
            + logNote;
    case Command::Check:
        return "Usage: pintwise-log check [LOG]\n"
               "Reports the log's length, its record count by the window's rounding rule,\n"
               "entries with text, blank and never written, a partial record at the end,\n"
               "undefined Windows-1252 bytes, and whether Pintwise can open it.\n"
               "Exit status 0 when Pintwise opens it and it holds whole records only.\n"
               "Reads only: the log is never changed or locked.\n"
            + logNote;
    case Command::Help:
    case Command::Version:
        break;
    }
    return "Usage: pintwise-log COMMAND [OPTIONS] [ARGUMENTS]\n"
           "Exports, imports and checks the log of Pintwise without its window.\n\n"
           "Commands:\n"
           "  export [--format csv|json|xlsx] [--output FILE] [LOG]  write the log as CSV, JSON or xlsx\n"
           "  import [--format F] [--cut] [--dry-run] FILE [LOG]     add entries from CSV, JSON or xlsx\n"
           "  check [LOG]                                            report on the log file\n\n"
           "  --help       show this text; pintwise-log COMMAND --help shows one command's\n"
           "  --version    show the version\n\n"
        + logNote + "Exit status: 0 done, 1 the work failed (or check found a problem), 2 a usage error.\n";
}

std::string versionText()
{
    return std::string("pintwise-log ") + PINTWISE_VERSION + "\n";
}

} // namespace pintwise
