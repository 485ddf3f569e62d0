#include "command_line.h"

#include "code_page.h"

#include <algorithm>
#include <array>
#include <span>

#ifndef PINTWISE_VERSION
#define PINTWISE_VERSION "unknown"
#endif

namespace pintwise {
namespace {

using Command = Invocation::Command;

ToolError usage(const std::string& what)
{
    return { kExitUsage, what + "; see \"pintwise-log --help\"" };
}

// One option of one command: how it is typed, what it sets, and its help.
// The parser reads only this table and the help is written only from it,
// so an option cannot be documented and not read, or the other way round.
struct Option {
    const char* name;       // "--format"
    const char* shortName;  // "-o", or nullptr
    const char* value;      // what follows it ("csv|json|xlsx"), or nullptr for a flag
    const char* valueShort; // the value in the overview once it has been spelled out there
    const char* help;       // its lines after the first are indented under the first
    // Takes the value (empty for a flag); a usage error's text, or nothing.
    ToolStatus (*set)(Invocation& invocation, const std::string& value);
};

ToolStatus setFormat(Invocation& invocation, const std::string& value)
{
    if (value == "csv")
        invocation.format = Invocation::Format::Csv;
    else if (value == "json")
        invocation.format = Invocation::Format::Json;
    else if (value == "xlsx")
        invocation.format = Invocation::Format::Xlsx;
    else
        return usage("unknown format \"" + value + "\" (csv, json or xlsx)");
    return {};
}

// Only the code pages the store has tables for; a number the OS knows but the
// log cannot hold (437, 65001) is refused rather than read as another.
ToolStatus setCodePage(Invocation& invocation, const std::string& value)
{
    const bool digits = !value.empty() && value.size() <= 4
        && std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits || !CodePage::byNumber(std::stoi(value)))
        return usage("unknown code page \"" + value + "\" (874 or 1250 to 1258)");
    invocation.codePage = std::stoi(value);
    return {};
}

// The same option for every command: a log from a machine of another
// language. The overview names it once, below the commands, not in each line.
constexpr Option kCodePageOption = { "--code-page",
                                     nullptr,
                                     "N",
                                     "N",
                                     "the log's code page (874 or 1250 to 1258)\n"
                                     "instead of the one this machine's language gives",
                                     setCodePage };

bool isCodePageOption(const Option& option)
{
    return std::string_view(option.name) == kCodePageOption.name;
}

const Option kExportOptions[] = {
    { "--format", nullptr, "csv|json|xlsx", "F", "the output format (xlsx never to a terminal)", setFormat },
    kCodePageOption,
    { "--output", "-o", "FILE", "FILE", "write FILE instead of standard output (- is standard output)",
      [](Invocation& invocation, const std::string& value) -> ToolStatus {
          invocation.output = value;
          return {};
      } },
};

const Option kImportOptions[] = {
    { "--format", nullptr, "csv|json|xlsx", "F", "read FILE as this, whatever its content looks like", setFormat },
    kCodePageOption,
    { "--cut", nullptr, nullptr, nullptr,
      "store texts too long for their field, or with characters\n"
      "the code page lacks, as the window would: cut to width, '?'",
      [](Invocation& invocation, const std::string&) -> ToolStatus {
          invocation.cut = true;
          return {};
      } },
    { "--dry-run", nullptr, nullptr, nullptr, "check everything and say what would be added; change nothing",
      [](Invocation& invocation, const std::string&) -> ToolStatus {
          invocation.dryRun = true;
          return {};
      } },
};

const Option kCheckOptions[] = { kCodePageOption };

const std::string kLogNote = "LOG is the log file; left out, the Entry.Dat beside pintwise-log.\n";

struct CommandEntry {
    const char* name;
    Command command;
    std::span<const Option> options;
    const char* arguments; // after the options: "FILE [LOG]"
    bool needsFile;        // import's FILE before the LOG
    const char* summary;   // its line in the overview
    const char* about;     // what --help says before the options
};

const std::array<CommandEntry, 3> kCommands = { {
    { "export", Command::Export, kExportOptions, "[LOG]", false, "write the log as CSV, JSON or xlsx",
      "Writes every record of the log, blank and never-written ones too, as CSV\n"
      "(the default), JSON or an xlsx workbook: one row per record, in record order,\n"
      "each text as the window shows it. Reads only: the log is never changed or locked.\n"
      "For a spreadsheet use xlsx: every text is a text cell, so that 007, 1/2 or\n"
      "=SUM(A1) stay as typed; a spreadsheet guesses at CSV and changes them.\n" },
    { "import", Command::Import, kImportOptions, "FILE [LOG]", true, "add entries from CSV, JSON or xlsx",
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
      "Exit status 0 means every row is on disk; any other, the log is as it was.\n" },
    { "check", Command::Check, kCheckOptions, "[LOG]", false, "report on the log file",
      "Reports the log's length, its record count by the window's rounding rule,\n"
      "entries with text, blank and never written, a partial record at the end,\n"
      "the code page and why, the bytes it leaves undefined, and whether Pintwise\n"
      "can open it.\n"
      "Exit status 0 when Pintwise opens it and it holds whole records only.\n"
      "Reads only: the log is never changed or locked.\n" },
} };

// The tool's own options, before any command; parseCommandLine() knows them
// by name, and "help" and -h too.
struct ToolOption {
    const char* name;
    const char* help;
};
const ToolOption kToolOptions[] = {
    { "--help", "show this text; pintwise-log COMMAND --help shows one command's" },
    { "--version", "show the version" },
};
// The tool's options stand two columns further out than a command's.
constexpr std::size_t kToolOptionGap = 4;

const CommandEntry* findCommand(Command command)
{
    const auto found = std::find_if(kCommands.begin(), kCommands.end(),
                                    [&](const CommandEntry& entry) { return entry.command == command; });
    return found == kCommands.end() ? nullptr : &*found;
}

std::string padded(std::string text, std::size_t width)
{
    text.resize(std::max(text.size(), width), ' ');
    return text;
}

// "[--format csv|json|xlsx] [--output FILE] LOG": how a command is typed.
std::string synopsis(const CommandEntry& entry, std::vector<std::string>* spelledOut = nullptr)
{
    std::string text = entry.name;
    for (const Option& option : entry.options) {
        if (spelledOut && isCodePageOption(option))
            continue;
        (text += " [") += option.name;
        if (option.value) {
            const bool known
                = spelledOut && std::find(spelledOut->begin(), spelledOut->end(), option.name) != spelledOut->end();
            (text += ' ') += known ? option.valueShort : option.value;
            if (spelledOut && !known)
                spelledOut->push_back(option.name);
        }
        text += ']';
    }
    return (text += ' ') += entry.arguments;
}

// A command's option lines: those with a value aligned among themselves,
// then the flags among themselves; a help's further lines under its first.
std::string optionLines(std::span<const Option> options)
{
    const auto shown = [](const Option& option) {
        std::string text = option.name;
        if (option.value)
            ((text += ' ') += option.value);
        if (option.shortName)
            (((text += ", ") += option.shortName) += ' ') += option.value;
        return text;
    };
    std::string lines;
    for (const bool withValue : { true, false }) {
        std::size_t width = 0;
        for (const Option& option : options)
            width = (option.value != nullptr) == withValue ? std::max(width, shown(option).size()) : width;
        for (const Option& option : options) {
            if ((option.value != nullptr) != withValue)
                continue;
            const std::size_t column = 2 + width + 2;
            std::string help = option.help;
            for (auto at = help.find('\n'); at != std::string::npos; at = help.find('\n', at + 1 + column))
                help.insert(at + 1, column, ' ');
            lines += padded("  " + shown(option), column) + help + "\n";
        }
    }
    return lines;
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
    const auto entry = std::find_if(kCommands.begin(), kCommands.end(),
                                    [&](const CommandEntry& command) { return first == command.name; });
    if (entry == kCommands.end())
        return usage(first.starts_with("-") ? "unknown option \"" + first + "\"" : "unknown command \"" + first + "\"");
    invocation.command = entry->command;

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
            invocation.helpFor = entry->command;
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
        const auto option = std::find_if(entry->options.begin(), entry->options.end(), [&](const Option& o) {
            return argument == o.name || (o.shortName && argument == o.shortName);
        });
        if (option == entry->options.end())
            return usage(("unknown option \"" + argument).append("\" for ").append(first));
        if (!option->value && hasValue)
            return usage("the option " + argument + " takes no value");
        if (option->value && !hasValue) {
            if (i + 1 >= arguments.size())
                return usage("the option " + argument + " needs a value");
            value = arguments[++i];
        }
        if (auto failure = option->set(invocation, value))
            return failure;
    }

    const std::size_t required = entry->needsFile ? 1 : 0;
    if (paths.size() < required)
        return usage("import needs the file to read (or - for standard input)");
    if (paths.size() > required + 1)
        return usage("too many arguments for " + first + ": \"" + paths[required + 1] + "\"");
    if (entry->needsFile)
        invocation.input = paths[0];
    if (paths.size() > required)
        invocation.log = paths[required];
    if (invocation.log == "-")
        return usage("the log must be a file, not standard input or output");
    return {};
}

std::string helpText(Command command)
{
    if (const CommandEntry* entry = findCommand(command)) {
        std::string text = "Usage: pintwise-log " + synopsis(*entry) + "\n" + entry->about;
        if (!entry->options.empty())
            (text += "\n") += optionLines(entry->options);
        return text + kLogNote;
    }
    std::string text = "Usage: pintwise-log COMMAND [OPTIONS] [ARGUMENTS]\n"
                       "Exports, imports and checks the log of Pintwise without its window.\n\n"
                       "Commands:\n";
    // Each option's values are spelled out the first time the overview shows it.
    std::vector<std::string> spelledOut, lines;
    std::size_t width = 0;
    for (const CommandEntry& entry : kCommands) {
        lines.push_back(synopsis(entry, &spelledOut));
        width = std::max(width, lines.back().size());
    }
    for (std::size_t c = 0; c < kCommands.size(); ++c)
        text += padded("  " + lines[c], 2 + width + 2) + kCommands[c].summary + "\n";
    text += std::string("\nEach command takes ") + kCodePageOption.name + " " + kCodePageOption.value + ": "
        + kCodePageOption.help + ".\n\n";
    width = 0;
    for (const ToolOption& option : kToolOptions)
        width = std::max(width, std::string(option.name).size());
    for (const ToolOption& option : kToolOptions)
        text += padded(std::string("  ") + option.name, 2 + width + kToolOptionGap) + option.help + "\n";
    return text + "\n" + kLogNote
        + "Exit status: 0 done, 1 the work failed (or check found a problem), 2 a usage error.\n";
}

std::string versionText()
{
    return std::string("pintwise-log ") + PINTWISE_VERSION + "\n";
}

} // namespace pintwise
