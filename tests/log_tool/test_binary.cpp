// The real pintwise-log as a script sees it: exit statuses, standard error's
// lines, standard output that is a full disk, a pipe nobody reads or a
// terminal. POSIX only (process_run.h).

#include "log_tool_support.h"
#include "process_run.h"

#include <algorithm>
#include <sstream>

using namespace pintwise;
using namespace pintwise::test;

namespace {

struct ExitRow {
    std::string name;
    std::vector<std::string> arguments; // %LOG% the log, %DIR% its folder
    std::string input;
    Process::Output output;
    int status;
    std::string err;
};

class ExitStatus : public testing::TestWithParam<ExitRow> { };

TEST_P(ExitStatus, IsWhatAScriptNeeds)
{
    const ExitRow& row = GetParam();
    const TempFolder log, scratch;
    const std::string before = sampleRecord("a") + sampleRecord("b");
    log.write(before);
    const auto filled = [&](const std::string& text) {
        return fill(text, { { "%LOG%", pathText(log.log()) }, { "%DIR%", log.utf8() } });
    };
    // The contract: an import into the log exits 0 exactly when its rows are on disk.
    const auto& arguments = row.arguments;
    const bool adds = !arguments.empty() && arguments.front() == "import"
        && std::find(arguments.begin(), arguments.end(), "--dry-run") == arguments.end() && arguments.back() == "%LOG%";
    Process tool;
    tool.arguments = { PINTWISE_LOG_BINARY };
    for (const std::string& argument : arguments)
        tool.arguments.push_back(filled(argument));
    tool.input = row.input;
    tool.workingDirectory = log.path();
    tool.output = row.output;
    const Process::Result result = tool.run(scratch.path());
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(result.err, filled(row.err));
    EXPECT_EQ(result.status, row.status);
    EXPECT_EQ(result.out.empty(), !(row.status == 0 && row.output == Process::Output::Caught));
    EXPECT_EQ(log.read(), adds && row.status == 0 ? before + recordBytes({ "x" }) : before);
}

using Output = Process::Output;
const std::string kHint = "; see \"pintwise-log --help\"\n";
// Once the rows are synced, only exit 0 tells a script the truth.
const std::string kAddedBut
    = "pintwise-log: Added 1 entry to \"%LOG%\"; it now holds 3. (cannot write to standard output: ";

INSTANTIATE_TEST_SUITE_P(
    Runs, ExitStatus,
    testing::Values(ExitRow { "help", { "--help" }, "", Output::Caught, 0, "" },
                    ExitRow { "a command's help", { "import", "--help" }, "", Output::Caught, 0, "" },
                    ExitRow { "version", { "--version" }, "", Output::Caught, 0, "" },
                    ExitRow { "export", { "export", "%LOG%" }, "", Output::Caught, 0, "" },
                    ExitRow {
                        "import from standard input", { "import", "-", "%LOG%" }, "Bier\nx\n", Output::Caught, 0, "" },
                    ExitRow { "check", { "check", "%LOG%" }, "", Output::Caught, 0, "" },
                    ExitRow { "import into a new log named without a folder",
                              { "import", "-", "new.dat" },
                              "Bier\nx\n",
                              Output::Caught,
                              0,
                              "" },
                    ExitRow { "no command", {}, "", Output::Caught, 2, "pintwise-log: no command given" + kHint },
                    ExitRow { "unknown command",
                              { "exprot" },
                              "",
                              Output::Caught,
                              2,
                              "pintwise-log: unknown command \"exprot\"" + kHint },
                    ExitRow { "another command's option",
                              { "export", "--cut" },
                              "",
                              Output::Caught,
                              2,
                              "pintwise-log: unknown option \"--cut\" for export" + kHint },
                    ExitRow { "option without its value",
                              { "export", "--output" },
                              "",
                              Output::Caught,
                              2,
                              "pintwise-log: the option --output needs a value" + kHint },
                    ExitRow { "unknown code page",
                              { "check", "--code-page", "437", "%LOG%" },
                              "",
                              Output::Caught,
                              2,
                              "pintwise-log: unknown code page \"437\" (874 or 1250 to 1258)" + kHint },
                    ExitRow { "unknown format",
                              { "export", "--format=xml" },
                              "",
                              Output::Caught,
                              2,
                              "pintwise-log: unknown format \"xml\" (csv, json or xlsx)" + kHint },
                    ExitRow { "import without a CSV",
                              { "import" },
                              "",
                              Output::Caught,
                              2,
                              "pintwise-log: import needs the file to read (or - for standard input)" + kHint },
                    ExitRow { "too many paths",
                              { "check", "a", "b" },
                              "",
                              Output::Caught,
                              2,
                              "pintwise-log: too many arguments for check: \"b\"" + kHint },
                    ExitRow { "missing log",
                              { "check", "%DIR%/none" },
                              "",
                              Output::Caught,
                              1,
                              "pintwise-log: cannot open \"%DIR%/none\": No such file or directory\n" },
                    ExitRow { "output file on a full disk",
                              { "export", "--output", "/dev/full", "%LOG%" },
                              "",
                              Output::Caught,
                              1,
                              "pintwise-log: cannot write to \"/dev/full\": No space left on device\n" },
                    ExitRow { "standard output on a full disk",
                              { "export", "%LOG%" },
                              "",
                              Output::FullDisk,
                              1,
                              "pintwise-log: cannot write to standard output: No space left on device\n" },
                    ExitRow { "export over the log itself",
                              { "export", "-o", "%LOG%", "%LOG%" },
                              "",
                              Output::Caught,
                              1,
                              "pintwise-log: will not write the export over the log \"%LOG%\"\n" },
                    ExitRow { "xlsx to standard output that is no terminal",
                              { "export", "--format", "xlsx", "%LOG%" },
                              "",
                              Output::Caught,
                              0,
                              "" },
                    ExitRow { "import, standard output on a full disk: added, exit 0",
                              { "import", "-", "%LOG%" },
                              "Bier\nx\n",
                              Output::FullDisk,
                              0,
                              kAddedBut + "No space left on device)\n" },
                    ExitRow { "import, standard output a closed pipe: added, exit 0",
                              { "import", "-", "%LOG%" },
                              "Bier\nx\n",
                              Output::ClosedPipe,
                              0,
                              kAddedBut + "Broken pipe)\n" },
                    ExitRow { "dry run, standard output on a full disk: exit 1",
                              { "import", "--dry-run", "-", "%LOG%" },
                              "Bier\nx\n",
                              Output::FullDisk,
                              1,
                              "pintwise-log: cannot write to standard output: No space left on device\n" }),
    RowName());

// The code page is set once per process, so each row is a process of its
// own: a log of another language read and filled in its code page, and the
// host's choice where none is given.
struct CodePageRow {
    std::string name;
    std::string lang;    // the child's LANG; empty: the suite's own
    std::string command; // its words, %LOG% the log
    std::string log;
    std::string input;
    std::string out; // somewhere in standard output
    std::string err;
    std::string added; // after `log`
};

class CodePageRun : public testing::TestWithParam<CodePageRow> { };

TEST_P(CodePageRun, ReadsAndWritesTheLogInIt)
{
    const CodePageRow& row = GetParam();
    const TempFolder log, scratch;
    log.write(row.log);
    Process tool;
    tool.arguments = { PINTWISE_LOG_BINARY };
    std::istringstream words(fill(row.command, { { "%LOG%", pathText(log.log()) } }));
    for (std::string word; words >> word;)
        tool.arguments.push_back(word);
    tool.input = row.input;
    if (!row.lang.empty())
        tool.environment = { { "LANG", row.lang } };
    const Process::Result result = tool.run(scratch.path());
    EXPECT_EQ(result.status, row.err.empty() ? 0 : 1);
    EXPECT_EQ(result.err, row.err);
    EXPECT_NE(result.out.find(row.out), std::string::npos) << result.out;
    EXPECT_EQ(log.read(), row.log + row.added);
}

const std::string kCyrillic = recordBytes({ "\xE6\xE8\xE2\xEE" }); // "живо" in Windows-1251
const std::string kAA = recordBytes({ "\xAA" }); // "ª" in Windows-1252, "Ş" in 1250, undefined in 1253

INSTANTIATE_TEST_SUITE_P(
    Pages, CodePageRun,
    testing::Values(
        CodePageRow { "export, Cyrillic", "", "export --code-page 1251 %LOG%", kCyrillic, "",
                      "\r\n1,\u0436\u0438\u0432\u043E,,,,,,,,,\r\n", "", "" },
        CodePageRow { "import, Polish", "", "import --code-page=1250 - %LOG%", "", "Bier\n\u0141\u00F3d\u017A\n",
                      "Added 1 entry", "", recordBytes({ "\xA3\xF3\x64\x9F" }) },
        CodePageRow { "import refuses a letter the page lacks", "", "import --code-page 1250 - %LOG%", "",
                      "Bier\n\u0436\n", "",
                      "pintwise-log: standard input has 1 problem; nothing was added (--cut "
                      "stores texts as the window would: cut to width, '?' for a character Windows-1250 lacks):\n"
                      "  line 2, Bier: \"\u0436\" (U+0436) is not a Windows-1250 character\n",
                      "" },
        CodePageRow { "check, the option before the locale", "pl_PL.UTF-8", "check --code-page 1253 %LOG%", kAA, "",
                      "\nCode page: Windows-1253 (from --code-page)\n"
                      "Undefined Windows-1253 bytes: 1 (0xAA in record 1), kept as they are\n",
                      "", "" },
        CodePageRow { "check, the locale's", "pl_PL.UTF-8", "check %LOG%", kAA, "",
                      "\nCode page: Windows-1250 (from LANG=pl_PL.UTF-8)\nUndefined Windows-1250 bytes: none\n", "",
                      "" }),
    RowName());

// One CSV field of 200 MiB is counted, not kept: the tool refuses it in far
// less memory than the field's size, with the count of its characters.
TEST(Memory, ALongCsvFieldIsCountedNotKept)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer's shadow memory does not fit under a limit on the address space";
#endif
    const TempFolder log, scratch;
    log.write(sampleRecord("old"));
    const auto csv = scratch.path() / "long.csv";
    writeFile(csv, "Bier\n");
    std::filesystem::resize_file(csv, std::uintmax_t(200) << 20); // zeros, and a sparse file: quick to make
    Process tool;
    tool.arguments = { PINTWISE_LOG_BINARY, "import", "-", pathText(log.log()) };
    tool.inputFile = csv;
    tool.addressSpace = rlim_t(128) << 20;
    const Process::Result result = tool.run(scratch.path());
    EXPECT_EQ(result.err,
              "pintwise-log: standard input has 2 problems; nothing was added (--cut stores texts as "
              "the window would: cut to width, '?' for a character Windows-1252 lacks):\n"
              "  line 2, Bier: 209715195 characters, but the field holds 20\n"
              "  line 2, Bier: a zero character would end the text\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(log.read(), sampleRecord("old"));
}

// A workbook's bytes would only garble a terminal; script(1) gives the tool one.
TEST(Terminal, NoXlsxToATerminal)
{
    const TempFolder log, scratch;
    log.write(sampleRecord("a"));
    Process terminal;
    terminal.arguments
        = { "script", "-qec", "exec '" PINTWISE_LOG_BINARY "' export --format xlsx '" + pathText(log.log()) + "'",
            "/dev/null" };
    const Process::Result result = terminal.run(scratch.path());
    std::string shown = result.out;
    while (!shown.empty() && (shown.back() == '\n' || shown.back() == '\r'))
        shown.pop_back();
    EXPECT_EQ(shown, "pintwise-log: will not write an xlsx workbook to a terminal; name a file with --output FILE");
    EXPECT_EQ(result.status, 2);
}

} // namespace
