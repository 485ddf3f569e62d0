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

using namespace pintwise;

namespace {

constexpr int kRuns = 21;
constexpr DWORD kPatience = 30000; // milliseconds before a start counts as failed

[[noreturn]] void fail(const char* what, const std::filesystem::path& program)
{
    std::fprintf(stderr, "%s: %s (error %lu)\n", program.string().c_str(), what, GetLastError());
    std::exit(1);
}

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

// Milliseconds from CreateProcessW to the window shown; checks that it shows
// `expected` in its first field.
double startUp(const std::filesystem::path& program, const std::wstring& expected)
{
    STARTUPINFOW startup {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process {};
    std::wstring commandLine = L"\"" + program.wstring() + L"\"";
    const std::wstring folder = program.parent_path().wstring();

    const auto start = std::chrono::steady_clock::now();
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &process))
        fail("cannot start", program);
    if (WaitForInputIdle(process.hProcess, kPatience) != 0)
        fail("never went idle", program);
    const HWND window = visibleWindowOf(process.dwProcessId);
    DWORD_PTR ignored = 0;
    if (!window || !SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kPatience, &ignored))
        fail("went idle with no window shown", program);
    const auto elapsed = std::chrono::steady_clock::now() - start;

    if (firstFieldText(window) != expected)
        fail("does not show the expected first field", program);
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, kPatience);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return bench::microseconds(elapsed) / 1000;
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
    std::filesystem::copy_file(here() / BENCH_PINTWISE_EXE, app);
    std::filesystem::copy_file(here() / BENCH_STARTUP_FLOOR_EXE, floor);

    std::vector<double> appMs, floorMs, ratios;
    for (int run = -2; run < kRuns; ++run) { // two runs to warm up
        // Each goes first every other time: neither always starts on a warm cache.
        const bool appFirst = run % 2 == 0;
        const double first = appFirst ? startUp(app, L"Bier no. 1") : startUp(floor, L"");
        const double second = appFirst ? startUp(floor, L"") : startUp(app, L"Bier no. 1");
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
