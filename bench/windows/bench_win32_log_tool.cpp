// Figures 13 and 14: pintwise-log.exe's exports of a log at its limit
// (32,767 records) under Wine, measured as figures 6 and 8 are on Linux: the
// tool's own code in this process (runLogTool), in turns with its floor.
// Figure 13, the CSV export, against one ReadFile of the log and one
// WriteFile of as many bytes as the CSV; figure 14, the xlsx export, against
// bench_xlsx_floor.exe, the Linux floor built for Windows: libxlsxwriter
// alone writing the same cells from texts already in memory, timed by
// itself, so its process start is not in its time. It measures neither
// import nor memory. It also replays, alone, the two things the CSV export
// asks of Wine that its floor does not: a ReadFile at an offset (the store's
// pread), for which Wine makes a round trip to the wineserver, and the file
// layer's GetConsoleMode before each write. Run under Wine by
// scripts/bench.sh; prints two FIGURE lines. Every file name is ASCII:
// libxlsxwriter opens its file with the ANSI fopen.

#include "bench_win32_support.h"
#include "commands.h"
#include "faulty_file_api.h"
#include "log_store.h"
#include "temp_folder.h"
#include "win32_api.h"

#include <cstdlib>
#include <filesystem>

using namespace pintwise;

namespace {

constexpr int kRuns = 11;

[[noreturn]] void die(const std::string& what)
{
    std::fprintf(stderr, "%s\n", what.c_str());
    std::exit(1);
}

std::string utf8(const std::filesystem::path& path)
{
    const auto text = path.u8string();
    return std::string(text.begin(), text.end());
}

void runOrDie(const std::vector<std::string>& arguments, FileApi& files = systemFileApi())
{
    std::string out, errors;
    OutputSink sink(out);
    if (runLogTool(arguments, sink, errors, files) != 0)
        die(errors);
}

// How many calls of one kind the tool makes for `arguments`.
int callsOf(FaultyFileApi::Call call, const std::vector<std::string>& arguments)
{
    FaultyFileApi counting; // fails nothing: failAt stays 0
    counting.onlyCall = call;
    runOrDie(arguments, counting);
    return counting.calls;
}

// Milliseconds for `count` ReadFile calls covering `bytes` of the file in
// equal consecutive pieces: each at its offset, as the store reads, or from
// the file position.
double readInPieces(HANDLE file, std::string& bytes, int count, bool atOffsets)
{
    const std::size_t piece = (bytes.size() + count - 1) / count;
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    return bench::millisecondsOf([&] {
        for (std::size_t at = 0; at < bytes.size(); at += piece) {
            OVERLAPPED where {};
            where.Offset = DWORD(at);
            DWORD read = 0;
            if (!ReadFile(file, bytes.data() + at, DWORD(std::min(piece, bytes.size() - at)), &read,
                          atOffsets ? &where : nullptr))
                die("a replayed read failed (error " + std::to_string(GetLastError()) + ")");
        }
    });
}

std::size_t sizeOf(const std::filesystem::path& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<std::size_t>(size);
}

// Figure 13's floor: the log read whole with one ReadFile, and `bytes`
// written into a new `out` with one WriteFile.
void readAndWrite(const std::filesystem::path& log, std::string& logBytes, const std::filesystem::path& out,
                  const std::string& bytes)
{
    const HANDLE in = CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    const HANDLE written = CreateFileW(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD read = 0, wrote = 0;
    const bool done = in != INVALID_HANDLE_VALUE && written != INVALID_HANDLE_VALUE
        && ReadFile(in, logBytes.data(), DWORD(logBytes.size()), &read, nullptr) && read == logBytes.size()
        && WriteFile(written, bytes.data(), DWORD(bytes.size()), &wrote, nullptr) && wrote == bytes.size();
    const DWORD error = GetLastError();
    CloseHandle(in);
    CloseHandle(written);
    if (!done)
        die("the floor's read or write failed (error " + std::to_string(error) + ")");
}

// Runs `program` with one argument to its end and returns what it printed.
std::string outputOf(const std::filesystem::path& program, const std::filesystem::path& argument)
{
    std::wstring commandLine = L"\"" + program.wstring() + L"\" \"" + argument.wstring() + L"\"";
    SECURITY_ATTRIBUTES inherit { sizeof inherit, nullptr, TRUE };
    HANDLE outRead = nullptr, outWrite = nullptr;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0))
        die("cannot make a pipe");
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = outWrite;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE); // its complaint, if any, beside this one's
    PROCESS_INFORMATION process {};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process))
        die(program.string() + ": cannot start (error " + std::to_string(GetLastError()) + ")");
    CloseHandle(outWrite);
    std::string out;
    char chunk[4096];
    for (DWORD n = 0; ReadFile(outRead, chunk, sizeof chunk, &n, nullptr) && n > 0;)
        out.append(chunk, n);
    CloseHandle(outRead);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 1;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (status != 0)
        die(program.string() + " failed");
    return out;
}

std::filesystem::path here()
{
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return std::filesystem::path(path).parent_path();
}

// Times `measured` and `floor` kRuns times, each going first every other
// time, after one untimed pair; both medians and the median of the pairs' ratios.
struct Medians {
    double measured, floor, ratio;
};
Medians inTurns(const auto& measured, const auto& floor)
{
    std::vector<double> values, floors, ratios;
    for (int run = -1; run < kRuns; ++run) {
        const bool measuredFirst = run % 2 == 0;
        const double first = measuredFirst ? measured() : floor();
        const double second = measuredFirst ? floor() : measured();
        if (run < 0)
            continue;
        values.push_back(measuredFirst ? first : second);
        floors.push_back(measuredFirst ? second : first);
        ratios.push_back(values.back() / floors.back());
    }
    return { bench::median(values), bench::median(floors), bench::median(ratios) };
}

} // namespace

int main()
{
    TempFolder folder;
    folder.write(bench::sampleLog(kMaxRecords));
    const std::string log = utf8(folder.log());
    const std::filesystem::path csv = folder.path() / "export.csv", floorCsv = folder.path() / "floor.csv";
    const std::filesystem::path xlsx = folder.path() / "export.xlsx", floorXlsx = folder.path() / "floor.xlsx";

    const std::vector<std::string> csvExportArguments { "export", "--output", utf8(csv), log };
    runOrDie(csvExportArguments);
    std::string logBytes(sizeOf(folder.log()), '\0'), csvBytes(sizeOf(csv), 'x');
    const Medians csvExport = inTurns(
        [&] { return bench::millisecondsOf([&] { runOrDie(csvExportArguments); }); },
        [&] { return bench::millisecondsOf([&] { readAndWrite(folder.log(), logBytes, floorCsv, csvBytes); }); });

    const std::filesystem::path floorProgram = here() / BENCH_XLSX_FLOOR_EXE;
    const Medians xlsxExport = inTurns(
        [&] {
            return bench::millisecondsOf([&] {
                runOrDie({ "export", "--format", "xlsx", "--output", utf8(xlsx), log });
            });
        },
        [&] { return std::atof(outputOf(floorProgram, floorXlsx).c_str()); });
    if (sizeOf(xlsx) == 0 || sizeOf(floorXlsx) == 0)
        die("an export or the floor wrote no workbook");

    const int preads = callsOf(FaultyFileApi::Call::Pread, csvExportArguments);
    const int writes = callsOf(FaultyFileApi::Call::Write, csvExportArguments);
    const HANDLE logFile = CreateFileW(folder.log().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
    const HANDLE csvFile = CreateFileW(floorCsv.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (logFile == INVALID_HANDLE_VALUE || csvFile == INVALID_HANDLE_VALUE)
        die("cannot open the log or the floor's CSV again");
    std::vector<double> atOffsets, fromPosition, consoleModes;
    for (int run = 0; run < kRuns; ++run) {
        atOffsets.push_back(readInPieces(logFile, logBytes, preads, true));
        fromPosition.push_back(readInPieces(logFile, logBytes, preads, false));
        consoleModes.push_back(bench::millisecondsOf([&] {
            DWORD mode = 0;
            for (int n = 0; n < writes; ++n)
                GetConsoleMode(csvFile, &mode);
        }));
    }
    CloseHandle(logFile);
    CloseHandle(csvFile);

    std::printf("export: %zu-byte log, %zu-byte CSV; medians of %d runs each\n", logBytes.size(), csvBytes.size(),
                kRuns);
    std::printf("xlsx: %zu-byte export, %zu-byte floor workbook\n", sizeOf(xlsx), sizeOf(floorXlsx));
    std::printf("the CSV export's %d reads of the log replayed alone: %.3g ms at offsets, as the store reads; %.3g ms "
                "from the file position\n",
                preads, bench::median(atOffsets), bench::median(fromPosition));
    std::printf("its %d writes' GetConsoleMode calls on a file, replayed alone: %.3g ms\n", writes,
                bench::median(consoleModes));
    bench::printFigure("13. Win32: pintwise-log export of 32,767 records as CSV (Wine)", csvExport.measured,
                       csvExport.floor, "ms", csvExport.ratio, 3.0);
    bench::printFigure("14. Win32: pintwise-log export of 32,767 records as xlsx (Wine)", xlsxExport.measured,
                       xlsxExport.floor, "ms", xlsxExport.ratio, 1.3);
    return 0;
}
