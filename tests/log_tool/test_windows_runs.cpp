// pintwise-log.exe as a Windows user meets it: started by CreateProcessW
// on paths in any script, at a drive root and on a share, its output in a
// console or redirected, kept out of a log the window program holds, and
// its exit statuses when the file layer fails. Windows only; what a script
// sees of the Linux tool is test_binary.cpp's.

#include "faulty_file_api.h"
#include "log_tool_support.h"
#include "win32_api.h"
#include "workbooks.h"

#include <cstdlib>
#include <thread>

using namespace pintwise;
using namespace pintwise::test;

namespace {

std::wstring wide(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())).wstring();
}

// A console of the suite's own, in a code page that has neither "✓" nor
// "Ł": what shows there came as UTF-16.
HANDLE suiteConsole()
{
    static HANDLE console = [] {
        FreeConsole();
        AllocConsole();
        SetConsoleOutputCP(437);
        SECURITY_ATTRIBUTES inherit { sizeof inherit, nullptr, TRUE };
        return CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                           OPEN_EXISTING, 0, nullptr);
    }();
    return console;
}

// The console's rows up to the cursor, one after the other as the screen
// holds them, so that a line wrapped at the console's width reads whole.
std::wstring consoleText(HANDLE console)
{
    CONSOLE_SCREEN_BUFFER_INFO info {};
    GetConsoleScreenBufferInfo(console, &info);
    std::wstring text(std::size_t(info.dwSize.X) * std::size_t(info.dwCursorPosition.Y + 1), L' ');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(console, text.data(), DWORD(text.size()), { 0, 0 }, &read);
    text.resize(read);
    return text;
}

std::string narrow(const std::wstring& text)
{
    const auto utf8 = std::filesystem::path(text).u8string();
    return std::string(utf8.begin(), utf8.end());
}

void clearConsole(HANDLE console)
{
    CONSOLE_SCREEN_BUFFER_INFO info {};
    GetConsoleScreenBufferInfo(console, &info);
    DWORD done = 0;
    FillConsoleOutputCharacterW(console, L' ', DWORD(info.dwSize.X) * DWORD(info.dwSize.Y), { 0, 0 }, &done);
    SetConsoleCursorPosition(console, { 0, 0 });
}

struct ChildRun {
    DWORD status = 0;
    std::string out; // the pipe's bytes
    std::string err;
    std::wstring console; // what the console shows, when it was standard output
};

std::string drain(HANDLE pipe)
{
    std::string bytes;
    char chunk[4096];
    DWORD n = 0;
    while (ReadFile(pipe, chunk, sizeof chunk, &n, nullptr) && n > 0)
        bytes.append(chunk, n);
    return bytes;
}

// Runs `exe` with `arguments`, standard input `input`, standard output a
// pipe or the suite's console, standard error a pipe.
ChildRun runChild(const std::string& exe, const std::vector<std::string>& arguments, const std::string& input = {},
                  bool toConsole = false)
{
    // First: a console made later would inherit the pipes' ends and hold them open.
    const HANDLE console = suiteConsole();
    std::wstring commandLine = L"\"" + wide(exe) + L"\"";
    for (const std::string& argument : arguments)
        commandLine += L" \"" + wide(argument) + L"\"";
    SECURITY_ATTRIBUTES inherit { sizeof inherit, nullptr, TRUE };
    HANDLE inRead, inWrite, outRead, outWrite, errRead, errWrite;
    CreatePipe(&inRead, &inWrite, &inherit, 0);
    CreatePipe(&outRead, &outWrite, &inherit, 0);
    CreatePipe(&errRead, &errWrite, &inherit, 0);
    for (HANDLE mine : { inWrite, outRead, errRead })
        SetHandleInformation(mine, HANDLE_FLAG_INHERIT, 0);
    if (toConsole)
        clearConsole(console);
    STARTUPINFOW startup {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inRead;
    startup.hStdOutput = toConsole ? console : outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION process {};
    ChildRun result;
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        ADD_FAILURE() << "cannot start " << exe << ": error " << GetLastError();
        return result;
    }
    for (HANDLE theirs : { inRead, outWrite, errWrite })
        CloseHandle(theirs);
    std::thread feeder([&] {
        DWORD written = 0;
        WriteFile(inWrite, input.data(), DWORD(input.size()), &written, nullptr);
        CloseHandle(inWrite);
    });
    std::thread errors([&] { result.err = drain(errRead); });
    result.out = drain(outRead);
    feeder.join();
    errors.join();
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &result.status);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    CloseHandle(outRead);
    CloseHandle(errRead);
    if (toConsole)
        result.console = consoleText(console);
    return result;
}

std::string join(const std::string& folder, const std::string& name)
{
    return folder + (folder.ends_with('\\') ? "" : "\\") + name;
}

const std::string kLog = sampleRecord("Zo\xEB") + sampleRecord("b") + recordBytes({});

// Where a user keeps the log: each place gets the log, a copy of the tool
// beside it, and the tool's exports and an import of its own workbook.
struct PlaceRow {
    std::string name;
    const char* environment; // the variable naming the place; null: a folder of the suite's own
    bool besideTheTool;      // the log named by no argument: the Entry.Dat beside the tool
};

class Places : public testing::TestWithParam<PlaceRow> { };

TEST_P(Places, CheckExportAndImportWork)
{
    const PlaceRow& row = GetParam();
    const TempFolder own(std::filesystem::path(u8"Zo\u00EB") / u8"Bier \u2713");
    const char* place = row.environment ? std::getenv(row.environment) : nullptr;
    if (row.environment && !place)
        GTEST_SKIP() << row.environment << " is not set: run through scripts/wine-run.sh, as ctest does";
    const std::string folder = place ? std::string(place) + "\\" : pathText(own.path());
    const std::string log = join(folder, "Entry.Dat");
    writeFile(wide(log), kLog);
    std::string tool = PINTWISE_LOG_BINARY;
    if (row.besideTheTool) {
        tool = join(folder, "pintwise-log.exe");
        ASSERT_TRUE(CopyFileW(wide(PINTWISE_LOG_BINARY).c_str(), wide(tool).c_str(), FALSE));
    }
    const auto logArgument = [&] { return row.besideTheTool ? std::vector<std::string> {} : std::vector { log }; };
    const auto with = [&](std::vector<std::string> arguments) {
        for (const std::string& argument : logArgument())
            arguments.push_back(argument);
        return arguments;
    };

    const ChildRun check = runChild(tool, with({ "check" }));
    EXPECT_EQ(check.status, 0u) << check.err;
    // Beside the tool at a drive root the store names the log "X:\\Entry.Dat",
    // which opens as "X:\Entry.Dat" does.
    const bool driveRoot = folder.size() == 3 && folder[1] == ':';
    const std::string named = row.besideTheTool && driveRoot ? folder + "\\Entry.Dat" : log;
    EXPECT_NE(check.out.find("File: \"" + named + "\"\n"), std::string::npos) << check.out;

    const ChildRun csv = runChild(tool, with({ "export" }));
    EXPECT_EQ(csv.status, 0u) << csv.err;
    EXPECT_EQ(csv.out, runTool({ "export", log }).out);

    // Standard input is bytes, the CSV's UTF-8 as it came.
    const std::string piped = join(folder, "piped.dat");
    EXPECT_EQ(runChild(tool, { "import", "-", piped }, csv.out).status, 0u);
    EXPECT_EQ(readFile(wide(piped)), kLog);

    const std::string workbook = join(folder, "export \u2713.xlsx");
    const std::string copy = join(folder, "new.dat");
    EXPECT_EQ(runChild(tool, with({ "export", "--format", "xlsx", "--output", workbook })).err, "");
    const ChildRun back = runChild(tool, { "import", workbook, copy });
    EXPECT_EQ(back.status, 0u) << back.err;
    EXPECT_EQ(readFile(wide(copy)), kLog);
    if (place) { // the run's drive and share outlive the row
        for (const std::string& name : { log, piped, workbook, copy })
            DeleteFileW(wide(name).c_str());
        if (row.besideTheTool)
            DeleteFileW(wide(tool).c_str());
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, Places,
                         testing::Values(PlaceRow { "a folder named in two scripts", nullptr, false },
                                         PlaceRow { "beside the tool in that folder", nullptr, true },
                                         PlaceRow { "a drive root", "PINTWISE_TEST_DRIVE", false },
                                         PlaceRow { "beside the tool at a drive root", "PINTWISE_TEST_DRIVE", true },
                                         PlaceRow { "a share", "PINTWISE_TEST_SHARE", false },
                                         PlaceRow { "beside the tool on a share", "PINTWISE_TEST_SHARE", true }),
                         RowName());

// Text for a person goes to a console as characters; anything redirected
// gets the Linux tool's bytes.
struct StreamRow {
    std::string name;
    std::vector<std::string> arguments; // %LOG% the log, %DIR% its folder
    bool toConsole;
    DWORD status;
    std::string err;
    std::wstring shown; // in the console, somewhere
};

class Streams : public testing::TestWithParam<StreamRow> { };

TEST_P(Streams, ReachAConsoleAsTextAndARedirectAsBytes)
{
    const StreamRow& row = GetParam();
    const TempFolder folder(std::filesystem::path(u8"Bier \u2713"));
    folder.write(kLog);
    std::vector<std::string> arguments;
    for (const std::string& argument : row.arguments)
        arguments.push_back(fill(argument, { { "%LOG%", pathText(folder.log()) }, { "%DIR%", folder.utf8() } }));
    const ChildRun result = runChild(PINTWISE_LOG_BINARY, arguments, {}, row.toConsole);
    EXPECT_EQ(result.status, row.status);
    EXPECT_EQ(result.err, fill(row.err, { { "%LOG%", pathText(folder.log()) }, { "%DIR%", folder.utf8() } }));
    if (row.toConsole) {
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.console.find(row.shown), std::wstring::npos) << narrow(result.console);
    } else {
        EXPECT_EQ(withoutWriteTime(result.out), withoutWriteTime(runTool(arguments).out));
        EXPECT_EQ(result.out.find("\r\r\n"), std::string::npos);
    }
}

const std::string kXlsxToConsole
    = "pintwise-log: will not write an xlsx workbook to a terminal; name a file with --output FILE\n";

INSTANTIATE_TEST_SUITE_P(
    Runs, Streams,
    testing::Values(
        StreamRow { "check in a console", { "check", "%LOG%" }, true, 0, "", L"\\Bier \u2713\\Entry.Dat\"" },
        StreamRow { "check redirected", { "check", "%LOG%" }, false, 0, "", {} },
        StreamRow { "CSV export in a console", { "export", "%LOG%" }, true, 0, "", L",Zo\u00EB 2," },
        StreamRow { "CSV export redirected", { "export", "%LOG%" }, false, 0, "", {} },
        StreamRow { "JSON export redirected", { "export", "--format=json", "%LOG%" }, false, 0, "", {} },
        StreamRow { "help in a console", { "--help" }, true, 0, "", L"Usage: pintwise-log" },
        StreamRow {
            "a workbook refused to a console", { "export", "--format", "xlsx", "%LOG%" }, true, 2, kXlsxToConsole, {} },
        StreamRow { "a workbook redirected", { "export", "--format", "xlsx", "%LOG%" }, false, 0, "", {} },
        StreamRow { "the export refused over the log itself",
                    { "export", "-o", "%DIR%\\.\\Entry.Dat", "%LOG%" },
                    false,
                    1,
                    "pintwise-log: will not write the export over the log \"%DIR%\\.\\Entry.Dat\"\n",
                    {} },
        StreamRow { "an error naming a path in two scripts",
                    { "check", "%DIR%\\none" },
                    false,
                    1,
                    "pintwise-log: cannot open \"%DIR%\\none\": No such file or directory\n",
                    {} }),
    RowName());

// The window program holding the log keeps an import out, and only an import.
TEST(WindowProgram, KeepsAnImportOutOfItsLog)
{
    const TempFolder folder;
    folder.write(kLog);
    const std::string program = join(folder.utf8(), "pintwise.exe");
    ASSERT_TRUE(CopyFileW(wide(PINTWISE_BINARY).c_str(), wide(program).c_str(), FALSE));
    STARTUPINFOW startup {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION window {};
    std::wstring commandLine = L"\"" + wide(program) + L"\"";
    ASSERT_TRUE(
        CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &window));
    // It opens the log before its window waits for input. Asking by opening
    // the log to write would race it: a writer that came first keeps it out.
    EXPECT_EQ(WaitForInputIdle(window.hProcess, 20000), 0u); // not fatal: the window is ended below
    const std::string log = pathText(folder.log());
    writeFile(folder.path() / "in.csv", "Bier\nx\n");
    const ChildRun import = runChild(PINTWISE_LOG_BINARY, { "import", pathText(folder.path() / "in.csv"), log });
    const ChildRun check = runChild(PINTWISE_LOG_BINARY, { "check", log });
    TerminateProcess(window.hProcess, 0);
    WaitForSingleObject(window.hProcess, INFINITE);
    CloseHandle(window.hProcess);
    CloseHandle(window.hThread);
    EXPECT_EQ(import.status, 1u);
    EXPECT_EQ(import.err,
              "pintwise-log: \"" + log
                  + "\" is open in Pintwise or in another import; close it and try again (nothing was changed)\n");
    EXPECT_EQ(check.status, 0u) << check.err;
    EXPECT_EQ(folder.read(), kLog);
}

// A spreadsheet showing the workbook keeps everyone else from writing it.
TEST(OtherProgram, HoldingTheOutputIsNamed)
{
    const TempFolder folder;
    folder.write(kLog);
    const std::filesystem::path output = folder.path() / "Bier.xlsx";
    writeFile(output, "PK");
    HANDLE spreadsheet = CreateFileW(output.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    const ChildRun run
        = runChild(PINTWISE_LOG_BINARY, { "export", "--format=xlsx", "-o", pathText(output), pathText(folder.log()) });
    CloseHandle(spreadsheet);
    EXPECT_EQ(run.status, 1u);
    EXPECT_EQ(run.err, "pintwise-log: cannot create \"" + pathText(output) + "\": it is open in another program\n");
    EXPECT_EQ(readFile(output), "PK");
}

// What a script sees when the file layer fails: the status and the one
// line, with standard output the process's own (descriptor 1).
struct FailureRow {
    std::string name;
    std::vector<std::string> arguments; // %LOG% the log, %OUT% a file beside it, %CSV% a CSV of one row
    FaultyFileApi::Call call;
    int error;
    int status;
    std::string err;
    bool added;
};

class FileLayerFails : public testing::TestWithParam<FailureRow> { };

TEST_P(FileLayerFails, TheExitStatusSaysWhatHappened)
{
    const FailureRow& row = GetParam();
    const TempFolder folder;
    folder.write(kLog);
    writeFile(folder.path() / "in.csv", "Bier\nx\n");
    const auto filled = [&](const std::string& text) {
        return fill(text,
                    { { "%LOG%", pathText(folder.log()) },
                      { "%OUT%", pathText(folder.path() / "out.csv") },
                      { "%CSV%", pathText(folder.path() / "in.csv") } });
    };
    std::vector<std::string> arguments;
    for (const std::string& argument : row.arguments)
        arguments.push_back(filled(argument));
    FaultyFileApi files(row.call, row.error);
    OutputSink out(files);
    std::string err;
    EXPECT_EQ(runLogTool(arguments, out, err, files), row.status);
    EXPECT_EQ(err, filled(row.err));
    EXPECT_EQ(folder.read(), row.added ? kLog + recordBytes({ "x" }) : kLog);
}

using Call = FaultyFileApi::Call;
const std::string kAdded
    = "pintwise-log: Added 1 entry to \"%LOG%\"; it now holds 4. (cannot write to standard output: ";

INSTANTIATE_TEST_SUITE_P(
    Runs, FileLayerFails,
    testing::Values(FailureRow { "export to a file on a full disk",
                                 { "export", "--output", "%OUT%", "%LOG%" },
                                 Call::Write,
                                 ENOSPC,
                                 1,
                                 "pintwise-log: cannot write to \"%OUT%\": No space left on device\n",
                                 false },
                    FailureRow { "export, standard output on a full disk",
                                 { "export", "%LOG%" },
                                 Call::Write,
                                 ENOSPC,
                                 1,
                                 "pintwise-log: cannot write to standard output: No space left on device\n",
                                 false },
                    FailureRow { "import, the log's write fails",
                                 { "import", "%CSV%", "%LOG%" },
                                 Call::Pwrite,
                                 EIO,
                                 1,
                                 "pintwise-log: cannot add entries to \"%LOG%\": Input/output error (the log is as it "
                                 "was)\n",
                                 false },
                    FailureRow { "import, the log's disk full",
                                 { "import", "%CSV%", "%LOG%" },
                                 Call::Pwrite,
                                 ENOSPC,
                                 1,
                                 "pintwise-log: cannot add entries to \"%LOG%\": No space left on device (the log is "
                                 "as it was)\n",
                                 false },
                    FailureRow { "import, standard output on a full disk: added, exit 0",
                                 { "import", "%CSV%", "%LOG%" },
                                 Call::Write,
                                 ENOSPC,
                                 0,
                                 kAdded + "No space left on device)\n",
                                 true },
                    FailureRow { "import, standard output a closed pipe: added, exit 0",
                                 { "import", "%CSV%", "%LOG%" },
                                 Call::Write,
                                 EPIPE,
                                 0,
                                 kAdded + "Broken pipe)\n",
                                 true },
                    FailureRow { "dry run, standard output on a full disk: exit 1",
                                 { "import", "--dry-run", "%CSV%", "%LOG%" },
                                 Call::Write,
                                 ENOSPC,
                                 1,
                                 "pintwise-log: cannot write to standard output: No space left on device\n",
                                 false }),
    RowName());

} // namespace
