// Figure 11: pintwise.exe from process start to its entry window shown with
// record 1 of a log at its limit, against bench_win32_startup_floor.exe,
// the same 28 controls with nothing behind them. Both are copied into one
// folder beside the 32,767-record Entry.Dat and started the same way, in
// turns. "Shown" is what Windows itself offers a launcher: the process has
// gone idle (WaitForInputIdle: its queue is empty, every paint done), its
// window is visible, and a message sent to it comes back. The figure ends
// there; the process is then ended, and its end is not timed. Run under
// Wine by scripts/bench.sh; prints one FIGURE line.

#include "bench_win32_support.h"
#include "log_store.h"
#include "temp_folder.h"
#include "win32_api.h"

#include <filesystem>
#include <iterator>

using namespace pintwise;

namespace {

constexpr int kRuns = 31;
constexpr DWORD kPatience = 30000; // milliseconds before a start counts as failed

HWND visibleWindowOf(DWORD processId)
{
    struct Search {
        DWORD processId;
        HWND found;
    } search { processId, nullptr };
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* search = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != search->processId || !IsWindowVisible(window))
                return TRUE;
            search->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The first field's text, asked of the other process; trailing spaces cut.
std::wstring firstFieldText(HWND window)
{
    const HWND edit = FindWindowExW(window, nullptr, L"Edit", nullptr);
    wchar_t text[64] {};
    DWORD_PTR ignored = 0;
    if (!edit
        || !SendMessageTimeoutW(edit, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                                kPatience, &ignored))
        return {};
    std::wstring result(text);
    result.erase(result.find_last_not_of(L' ') + 1);
    return result;
}

// Milliseconds from CreateProcessW to the window shown, or a negative
// number, said why, when it is not shown with `expected` in its first field.
double startUp(const std::filesystem::path& program, const std::wstring& expected)
{
    STARTUPINFOW startup {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process {};
    std::wstring commandLine = L"\"" + program.wstring() + L"\"";
    const std::wstring folder = program.parent_path().wstring();

    const auto start = std::chrono::steady_clock::now();
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &process)) {
        std::fprintf(stderr, "%s: cannot start (error %lu)\n", program.string().c_str(), GetLastError());
        return -1;
    }
    const bool idle = WaitForInputIdle(process.hProcess, kPatience) == 0;
    const HWND window = idle ? visibleWindowOf(process.dwProcessId) : nullptr;
    DWORD_PTR ignored = 0;
    const bool answered
        = window && SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kPatience, &ignored) != 0;
    const double milliseconds = bench::microseconds(std::chrono::steady_clock::now() - start) / 1000;

    const char* failure = !idle              ? "never went idle"
        : !answered                          ? "went idle with no window shown"
        : firstFieldText(window) != expected ? "does not show the expected first field"
                                             : nullptr;
    TerminateProcess(process.hProcess, 0); // whatever it shows: a question box would wait forever
    WaitForSingleObject(process.hProcess, kPatience);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (failure) {
        std::fprintf(stderr, "%s: %s\n", program.string().c_str(), failure);
        return -1;
    }
    return milliseconds;
}

std::filesystem::path here()
{
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return std::filesystem::path(path).parent_path();
}

} // namespace

int main()
{
    TempFolder folder;
    folder.write(bench::sampleLog(kMaxRecords));
    const std::filesystem::path app = folder.path() / "pintwise.exe", floor = folder.path() / "floor.exe";
    std::error_code error;
    if (!std::filesystem::copy_file(here() / BENCH_PINTWISE_EXE, app, error)
        || !std::filesystem::copy_file(here() / BENCH_STARTUP_FLOOR_EXE, floor, error)) {
        std::fprintf(stderr, "cannot copy the programs: %s\n", error.message().c_str());
        return 1;
    }

    std::vector<double> appMs, floorMs, ratios;
    for (int run = -2; run < kRuns; ++run) { // two runs to warm up
        // Each goes first every other time: neither always starts on a warm cache.
        const bool appFirst = run % 2 == 0;
        const double first = appFirst ? startUp(app, L"Bier no. 1") : startUp(floor, L"");
        const double second = appFirst ? startUp(floor, L"") : startUp(app, L"Bier no. 1");
        if (first < 0 || second < 0)
            return 1;
        if (run < 0)
            continue;
        appMs.push_back(appFirst ? first : second);
        floorMs.push_back(appFirst ? second : first);
        ratios.push_back(appMs.back() / floorMs.back());
    }
    bench::printFigure("11. Win32: start-up to record 1, 32,767 entries (Wine)", bench::median(appMs),
                       bench::median(floorMs), "ms", bench::median(ratios), 1.1);
    return 0;
}
