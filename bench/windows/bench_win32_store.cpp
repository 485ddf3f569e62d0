// Figure 12: a save on the Win32 file layer. The controller's save of a
// record (ten filled fields into the store, written and flushed to disk),
// appending and overwriting, against WriteFile + FlushFileBuffers of 380
// bytes at the end of a file or in place beside it. Under Wine the flush is
// an fsync on the host, whose time varies from one to the next: both are
// timed in rounds, in turns, and the ratio is the median of the rounds'.
// Run under Wine by scripts/bench.sh; prints two FIGURE lines.

#include "answering_message_box.h"
#include "bench_win32_support.h"
#include "entry_controller.h"
#include "log_store.h"
#include "plain_entry_view.h"
#include "temp_folder.h"
#include "win32_api.h"

using namespace pintwise;

namespace {

constexpr int kRounds = 15;
constexpr int kPerRound = 20; // appending: 15 x 20 records, far short of the limit

using Clock = std::chrono::steady_clock;

// The median microseconds of `count` calls of `step`, or -1 once one fails.
template <typename Step> double medianOf(int count, Step step)
{
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        const auto start = Clock::now();
        if (!step())
            return -1;
        times.push_back(bench::microseconds(Clock::now() - start));
    }
    return bench::median(times);
}

// The floor's file, beside the log: 380 bytes written and flushed, in place
// or each time after the last.
class FloorFile {
public:
    explicit FloorFile(const std::filesystem::path& path)
        : m_handle(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr))
        , m_bytes(Record::blank().toBytes())
    {
    }
    ~FloorFile() { CloseHandle(m_handle); }
    FloorFile(const FloorFile&) = delete;
    FloorFile& operator=(const FloorFile&) = delete;

    bool write(bool append)
    {
        OVERLAPPED where {};
        where.Offset = static_cast<DWORD>(m_offset);
        where.OffsetHigh = static_cast<DWORD>(m_offset >> 32);
        DWORD done = 0;
        if (!WriteFile(m_handle, m_bytes.data(), kRecordSize, &done, &where) || done != kRecordSize
            || !FlushFileBuffers(m_handle))
            return false;
        if (append)
            m_offset += kRecordSize;
        return true;
    }

private:
    HANDLE m_handle;
    RecordBytes m_bytes;
    std::uint64_t m_offset = 0;
};

} // namespace

int main()
{
    TempFolder folder;
    folder.write(bench::sampleLog(1));
    LogStore store(folder.utf8());
    AnsweringMessageBox messages;
    PlainEntryView view;
    EntryController controller(store, messages, view);
    view.controller = &controller;
    if (controller.load() != EntryController::LoadResult::Shown)
        return 1;
    const auto save = [&] { return controller.saveCurrentRecord() == EntryController::SaveResult::Written; };
    const auto saveAppending = [&] { return !store.reserveSlot() && save(); };

    for (const bool append : { false, true }) {
        FloorFile floor(folder.path() / "floor.dat");
        std::vector<double> saves, floors, ratios;
        for (int round = -1; round < kRounds; ++round) { // one round to warm up
            const bool saveFirst = round % 2 == 0;
            const auto timeSave
                = [&] { return medianOf(kPerRound, [&] { return append ? saveAppending() : save(); }); };
            const auto timeFloor = [&] { return medianOf(kPerRound, [&] { return floor.write(append); }); };
            const double first = saveFirst ? timeSave() : timeFloor();
            const double second = saveFirst ? timeFloor() : timeSave();
            if (first < 0 || second < 0) {
                std::fprintf(stderr, "a save or the floor's write failed (error %lu)\n", GetLastError());
                return 1;
            }
            if (round < 0)
                continue;
            saves.push_back(saveFirst ? first : second);
            floors.push_back(saveFirst ? second : first);
            ratios.push_back(saves.back() / floors.back());
        }
        bench::printFigure(append ? "12. Win32: save, appending (Wine)" : "12. Win32: save, overwriting (Wine)",
                           bench::median(saves), bench::median(floors), "us", bench::median(ratios), 1.2);
    }
    return messages.asked.empty() ? 0 : 1;
}
