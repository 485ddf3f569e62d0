// Figures 6 and 7: pintwise-log's export of a log at its limit (32,767
// records) against one read() of the log plus one write() of as many bytes as
// the export writes; and its import of 32,767 CSV rows into a new log against
// one pwrite() of the records' bytes plus one fdatasync(). Each is run in the
// tool's own code (runLogTool), in turns with its floor, and the medians are
// compared. A dry run of the import shows what reading the CSV costs alone.

#include "bench_support.h"
#include "commands.h"

#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace pintwise;

namespace {

constexpr int kRuns = 11;

double millisecondsOf(const auto& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void runOrDie(const std::vector<std::string>& arguments)
{
    std::string out, errors;
    OutputSink sink(out);
    if (runLogTool(arguments, sink, errors) != 0) {
        std::fprintf(stderr, "%s", errors.c_str());
        std::exit(1);
    }
}

std::size_t sizeOf(const std::string& path)
{
    struct stat status { };
    return ::stat(path.c_str(), &status) == 0 ? static_cast<std::size_t>(status.st_size) : 0;
}

} // namespace

int main()
{
    bench::BenchDir dir;
    bench::writeSampleLog(dir.path(), kMaxRecords);
    const std::string log = dir.file(LogStore::kDataFileName);
    const std::string csv = dir.file("export.csv");
    const std::string newLog = dir.file("new.dat");
    const std::string floorFile = dir.file("floor.out");

    runOrDie({ "export", "--output", csv, log }); // also warms the page cache
    const std::size_t logSize = sizeOf(log), csvSize = sizeOf(csv);
    std::vector<char> logBytes(logSize), csvBytes(csvSize, 'x');

    std::vector<double> exports, exportFloors, imports, importFloors, dryRuns;
    for (int run = 0; run < kRuns; ++run) {
        exports.push_back(millisecondsOf([&] { runOrDie({ "export", "--output", csv, log }); }));
        exportFloors.push_back(millisecondsOf([&] {
            const int in = bench::openOrDie(log, O_RDONLY);
            const int out = bench::openOrDie(floorFile, O_WRONLY | O_CREAT | O_TRUNC);
            if (::read(in, logBytes.data(), logSize) != ssize_t(logSize)
                || ::write(out, csvBytes.data(), csvSize) != ssize_t(csvSize)) {
                std::perror("floor");
                std::exit(1);
            }
            ::close(in);
            ::close(out);
        }));

        ::unlink(newLog.c_str());
        dryRuns.push_back(millisecondsOf([&] { runOrDie({ "import", "--dry-run", csv, newLog }); }));
        imports.push_back(millisecondsOf([&] { runOrDie({ "import", csv, newLog }); }));
        ::unlink(floorFile.c_str());
        importFloors.push_back(millisecondsOf([&] {
            const int out = bench::openOrDie(floorFile, O_WRONLY | O_CREAT | O_TRUNC);
            if (::pwrite(out, logBytes.data(), logSize, 0) != ssize_t(logSize) || ::fdatasync(out) != 0) {
                std::perror("floor");
                std::exit(1);
            }
            ::close(out);
        }));
    }
    if (sizeOf(newLog) != logSize) {
        std::fprintf(stderr, "the imported log is %zu bytes, not %zu\n", sizeOf(newLog), logSize);
        return 1;
    }
    std::printf("export: %zu-byte log, %zu-byte CSV; medians of %d runs each\n", logSize, csvSize, kRuns);
    // What reading and checking the CSV costs alone, without the write and sync.
    std::printf("import --dry-run of the same CSV: %.3g ms\n", bench::median(dryRuns));
    bench::printFigure("6 export 32,767 records as CSV (median)", bench::median(exports), bench::median(exportFloors),
                       "ms", 3.0);
    bench::printFigure("7 import 32,767 CSV rows, synced (median)", bench::median(imports), bench::median(importFloors),
                       "ms", 2.0);
    return 0;
}
