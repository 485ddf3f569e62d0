// The command line and its help: every option a command's --help shows is
// one the command reads, in each way the help writes it.

#include "command_line.h"
#include "log_tool_support.h"

#include <algorithm>

using namespace pintwise;
using namespace pintwise::test;

namespace {

// "--output FILE, -o FILE" -> { "--output FILE", "-o FILE" }; a value
// "csv|json|xlsx" stands for each of its choices, FILE for a file's name,
// N for a code page's number.
std::vector<std::vector<std::string>> typings(const std::string& shown)
{
    std::vector<std::vector<std::string>> result;
    std::size_t at = 0;
    while (at < shown.size()) {
        auto end = shown.find(", ", at);
        end = end == std::string::npos ? shown.size() : end;
        const std::string form = shown.substr(at, end - at);
        at = end + 2;
        const auto space = form.find(' ');
        if (space == std::string::npos) {
            result.push_back({ form });
            continue;
        }
        const std::string name = form.substr(0, space), value = form.substr(space + 1);
        if (value == "N") {
            result.push_back({ name, "1250" });
            continue;
        }
        if (value.find('|') == std::string::npos) {
            result.push_back({ name, "some.file" });
            continue;
        }
        for (std::size_t from = 0; from <= value.size();) {
            const auto bar = std::min(value.find('|', from), value.size());
            result.push_back({ name, value.substr(from, bar - from) });
            from = bar + 1;
        }
    }
    return result;
}

class HelpedOption : public testing::TestWithParam<Invocation::Command> { };

TEST_P(HelpedOption, IsRead)
{
    const std::string help = helpText(GetParam());
    const std::string command = help.substr(20, help.find(' ', 20) - 20); // after "Usage: pintwise-log "
    int options = 0;
    for (std::size_t at = 0; at < help.size();) {
        const auto end = help.find('\n', at);
        const std::string line = help.substr(at, end - at);
        at = end + 1;
        if (!line.starts_with("  -"))
            continue;
        const std::string shown = line.substr(2, line.find("  ", 2) - 2);
        for (const auto& typed : typings(shown)) {
            std::vector<std::string> arguments { command };
            arguments.insert(arguments.end(), typed.begin(), typed.end());
            arguments.push_back("FILE");
            Invocation invocation;
            const ToolStatus status = parseCommandLine(arguments, invocation);
            EXPECT_FALSE(status) << shown << ": " << status->message;
            ++options;
        }
    }
    EXPECT_GT(options, 0);
}

INSTANTIATE_TEST_SUITE_P(Commands, HelpedOption,
                         testing::Values(Invocation::Command::Export, Invocation::Command::Import,
                                         Invocation::Command::Check),
                         [](const testing::TestParamInfo<Invocation::Command>& info) {
                             return info.param == Invocation::Command::Export ? "export"
                                 : info.param == Invocation::Command::Import  ? "import"
                                                                              : "check";
                         });

} // namespace
