// Figures 2 and 4, with Google Benchmark: reading every record of a log at its
// limit through the store, against one read of the whole file; and one save
// through the entry window (ten filled fields, synced to disk), overwriting
// and appending, against a bare pwrite + fdatasync of 380 bytes beside it.

#include "bench_support.h"
#include "entry_window.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <map>
#include <unistd.h>

using namespace pintwise;

namespace {

bench::BenchDir* g_readDir; // the 32,767-record log
bench::BenchDir* g_saveDir; // a small log and the floor's file, same file system

void BM_ReadEveryRecord(benchmark::State& state)
{
    LogStore store(g_readDir->path());
    if (store.locate() || store.open() || store.count())
        return state.SkipWithError("cannot open the log");
    for ([[maybe_unused]] auto _ : state) {
        for (int n = 1; n <= store.recordCount(); ++n) {
            if (store.readRecord(static_cast<RecordNumber>(n)))
                return state.SkipWithError("read failed");
            benchmark::DoNotOptimize(store.recordBuffer());
        }
    }
}

void BM_ReadWholeFileFloor(benchmark::State& state)
{
    const int fd = bench::openOrDie(g_readDir->file(LogStore::kDataFileName), O_RDONLY);
    std::vector<char> buffer(kMaxRecords * kRecordSize);
    for ([[maybe_unused]] auto _ : state) {
        if (::pread(fd, buffer.data(), buffer.size(), 0) != static_cast<ssize_t>(buffer.size()))
            state.SkipWithError("short read");
        benchmark::DoNotOptimize(buffer.data());
    }
    ::close(fd);
}

void BM_Save(benchmark::State& state, bool append)
{
    bench::writeSampleLog(g_saveDir->path(), 1);
    LogStore store(g_saveDir->path());
    bench::YesMessageBox messages;
    EntryWindow window(store, messages);
    if (window.load() != EntryWindow::LoadResult::Shown)
        return state.SkipWithError("cannot load the log");
    for ([[maybe_unused]] auto _ : state) {
        if (append && store.reserveSlot())
            return state.SkipWithError("log full");
        if (window.saveCurrentRecord() != EntryWindow::SaveResult::Written)
            return state.SkipWithError("save failed");
    }
}

void BM_PwriteFdatasyncFloor(benchmark::State& state, bool append)
{
    const std::string path = g_saveDir->file("floor.dat");
    const int fd = bench::openOrDie(path, O_RDWR | O_CREAT | O_TRUNC);
    const RecordBytes bytes = bench::sampleRecord(1).toBytes();
    off_t offset = 0;
    for ([[maybe_unused]] auto _ : state) {
        if (::pwrite(fd, bytes.data(), bytes.size(), offset) != static_cast<ssize_t>(bytes.size())
            || ::fdatasync(fd) != 0)
            state.SkipWithError("write failed");
        if (append)
            offset += kRecordSize;
    }
    ::close(fd);
    ::unlink(path.c_str());
}

// Appending stops well short of the 32,767-record limit: a fixed count per repetition.
BENCHMARK(BM_ReadEveryRecord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadWholeFileFloor)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Save, overwrite, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PwriteFdatasyncFloor, overwrite, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Save, append, true)->Unit(benchmark::kMicrosecond)->Iterations(500);
BENCHMARK_CAPTURE(BM_PwriteFdatasyncFloor, append, true)->Unit(benchmark::kMicrosecond)->Iterations(500);

// Prints as usual and keeps each benchmark's median real time.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    MedianReporter()
        : ConsoleReporter(OO_Tabular) // no colours: scripts/bench.sh reads this output
    {
    }
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
    }
    std::map<std::string, double> medians;
};

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // Repetitions in random order, so a busy moment of this shared machine
    // falls on a figure and its floor alike; later arguments override these.
    std::vector<char*> args { argv[0] };
    std::string defaults[] = { "--benchmark_repetitions=9", "--benchmark_enable_random_interleaving=true",
                               "--benchmark_report_aggregates_only=true", "--benchmark_min_time=0.2" };
    for (std::string& flag : defaults)
        args.push_back(flag.data());
    args.insert(args.end(), argv + 1, argv + argc);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());

    bench::BenchDir readDir, saveDir;
    bench::writeSampleLog(readDir.path(), kMaxRecords);
    g_readDir = &readDir;
    g_saveDir = &saveDir;

    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto figure = [&](const char* name, const char* real, const char* floor, const char* unit, double goal) {
        if (!reporter.medians.count(real) || !reporter.medians.count(floor))
            return std::fprintf(stderr, "no median for %s or %s\n", real, floor), void();
        bench::printFigure(name, reporter.medians[real], reporter.medians[floor], unit, goal);
    };
    figure("2 read every record (median)", "BM_ReadEveryRecord", "BM_ReadWholeFileFloor", "ms", 4.0);
    figure("4 save, overwriting (median)", "BM_Save/overwrite", "BM_PwriteFdatasyncFloor/overwrite", "us", 1.2);
    figure("4 save, appending (median)", "BM_Save/append", "BM_PwriteFdatasyncFloor/append", "us", 1.2);
    benchmark::Shutdown();
    return 0;
}
