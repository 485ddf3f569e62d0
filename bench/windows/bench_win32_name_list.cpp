// The Win32 name list with a log at its limit: pressing List to the list
// shown and filled with 32,767 names, against a floor that does the least
// Win32 can for the same picture: one ReadFile of the whole log, the names
// decoded from its bytes, a bare list box filled with its drawing off.
// Prints one FIGURE line for scripts/bench.sh; run under Wine there.

#include "code_page.h"
#include "log_store.h"
#include "record_text.h"
#include "temp_folder.h"
#include "win32_api.h"
#include "win32_name_list.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace pintwise;

namespace {

constexpr int kRounds = 11;

double milliseconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

void pump()
{
    MSG message {};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

double measured(const TempFolder& folder)
{
    LogStore store(folder.utf8());
    if (store.locate() || store.open() || store.count())
        std::exit(1);
    const auto start = std::chrono::steady_clock::now();
    Win32NameList list(GetModuleHandleW(nullptr));
    if (list.fill(store))
        std::exit(1);
    list.show();
    pump();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    if (SendMessageW(list.list(), LB_GETCOUNT, 0, 0) != kMaxRecords)
        std::exit(1);
    return milliseconds(elapsed);
}

double floorTime(const TempFolder& folder)
{
    const auto start = std::chrono::steady_clock::now();
    const HANDLE file
        = CreateFileW(folder.log().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    std::vector<unsigned char> bytes(kMaxRecords * kRecordSize);
    DWORD got = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(file);

    const HWND window
        = CreateWindowExW(0, L"LISTBOX", L"Bier List", WS_OVERLAPPEDWINDOW | WS_VSCROLL | LBS_NOINTEGRALHEIGHT,
                          CW_USEDEFAULT, CW_USEDEFAULT, 277, 478, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(window, WM_SETREDRAW, FALSE, 0);
    SendMessageW(window, LB_INITSTORAGE, kMaxRecords, kMaxRecords * 21 * sizeof(wchar_t));
    std::wstring name;
    for (std::size_t at = 0; at + kRecordSize <= got; at += kRecordSize) {
        std::size_t length = 20;
        while (length > 0 && bytes[at + length - 1] == ' ')
            --length;
        name.resize(length);
        std::transform(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                       bytes.begin() + static_cast<std::ptrdiff_t>(at + length), name.begin(),
                       [](unsigned char byte) { return static_cast<wchar_t>(codePointFromByte(byte)); });
        SendMessageW(window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    SendMessageW(window, WM_SETREDRAW, TRUE, 0);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    pump();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    DestroyWindow(window);
    pump();
    return milliseconds(elapsed);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main()
{
    TempFolder folder;
    std::string log;
    for (int n = 1; n <= kMaxRecords; ++n) {
        Record record = Record::blank();
        const std::string name = "Bier " + std::to_string(n);
        record.setField(Field::Bier, std::u32string(name.begin(), name.end()));
        const RecordBytes bytes = record.toBytes();
        log.append(bytes.begin(), bytes.end());
    }
    folder.write(log);

    // Each round measures both, in turns, so that whatever else the machine
    // does weighs on both alike; the ratio is the median of each round's.
    std::vector<double> times, floors, ratios;
    for (int round = 0; round < kRounds; ++round) {
        const bool floorFirst = round % 2 == 1;
        const double f1 = floorFirst ? floorTime(folder) : 0;
        const double m = measured(folder);
        const double f = floorFirst ? f1 : floorTime(folder);
        times.push_back(m);
        floors.push_back(f);
        ratios.push_back(m / f);
    }
    const double ratio = median(ratios);
    std::printf("FIGURE\t10. Win32: List click to the name list shown and filled, 32,767 entries (Wine)\t%.3g ms\t%.3g "
                "ms\t%.2fx\t<= 1.5x\t%s\n",
                median(times), median(floors), ratio, ratio <= 1.5 ? "met" : "MISSED");
    return 0;
}
