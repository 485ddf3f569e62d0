// Figures 6 and 7: pintwise-log's export of a log at its limit (32,767
// records) against one read() of the log plus one write() of as many bytes as
// the export writes; and its import of 32,767 CSV rows into a new log against
// one pwrite() of the records' bytes plus one fdatasync(). Each is run in the
// tool's own code (runLogTool), in turns with its floor, and the medians are
// compared. A dry run of the import shows what reading the CSV costs alone.
//
// Figure 8: the xlsx export of the same log against bench_xlsx_floor, a
// program in which libxlsxwriter writes the same cells from texts already in
// memory, and the export's peak memory (as a process of its own) against the
// CSV export's. Figure 9: importing the workbook LibreOffice Calc saves from
// that export (shared strings, as a spreadsheet writes them) against
// unzipping its sheet and shared strings alone plus importing the same rows
// from CSV.

#include "bench_support.h"
#include "commands.h"

#include <libxml/parser.h>
#include <zip.h>

#include <chrono>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace pintwise;

namespace {

constexpr int kRuns = 11;

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

struct Process {
    double milliseconds = 0;
    std::string out;
};

// Runs a program to its end: its wall time and output.
Process runProcess(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    Process result;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::perror(argv[0]);
        std::exit(1);
    }
    ::close(pipeFds[1]);
    char chunk[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], chunk, sizeof chunk)) > 0;)
        result.out.append(chunk, std::size_t(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.milliseconds = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", argv[0]);
        std::exit(1);
    }
    return result;
}

// The sheet and the shared strings of a workbook, inflated into memory and
// nothing more: what reading a workbook cannot do without.
// With `tokens`, each part instead goes as it inflates into libxml2's push
// parser with no callbacks, as the import feeds it: what the XML parser
// alone costs, beyond the unzipping.
std::size_t unzipSheetAndStrings(const std::string& path, bool tokens = false)
{
    std::size_t inflated = 0;
    int error = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (!zip) {
        std::fprintf(stderr, "cannot open %s as a zip archive\n", path.c_str());
        std::exit(1);
    }
    std::string bytes;
    std::vector<char> chunk(std::size_t(256) << 10);
    for (const char* part : { "xl/worksheets/sheet1.xml", "xl/sharedStrings.xml" }) {
        zip_file_t* file = zip_fopen(zip, part, 0);
        if (!file) {
            std::fprintf(stderr, "%s holds no %s\n", path.c_str(), part);
            std::exit(1);
        }
        bytes.clear();
        xmlSAXHandler sax {};
        sax.initialized = XML_SAX2_MAGIC;
        xmlParserCtxtPtr parser = tokens ? xmlCreatePushParserCtxt(&sax, nullptr, nullptr, 0, part) : nullptr;
        for (zip_int64_t n; (n = zip_fread(file, chunk.data(), chunk.size())) > 0;) {
            inflated += std::size_t(n);
            if (parser)
                xmlParseChunk(parser, chunk.data(), int(n), 0);
            else
                bytes.append(chunk.data(), std::size_t(n));
        }
        zip_fclose(file);
        if (parser) {
            xmlParseChunk(parser, nullptr, 0, 1);
            if (!parser->wellFormed) {
                std::fprintf(stderr, "%s in %s is not well-formed XML\n", part, path.c_str());
                std::exit(1);
            }
            xmlFreeParserCtxt(parser);
        }
    }
    zip_discard(zip);
    return inflated;
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
        exports.push_back(bench::millisecondsOf([&] { runOrDie({ "export", "--output", csv, log }); }));
        exportFloors.push_back(bench::millisecondsOf([&] {
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
        dryRuns.push_back(bench::millisecondsOf([&] { runOrDie({ "import", "--dry-run", csv, newLog }); }));
        imports.push_back(bench::millisecondsOf([&] { runOrDie({ "import", csv, newLog }); }));
        ::unlink(floorFile.c_str());
        importFloors.push_back(bench::millisecondsOf([&] {
            const int out = bench::openOrDie(floorFile, O_WRONLY | O_CREAT | O_TRUNC);
            if (::pwrite(out, logBytes.data(), logSize, 0) != ssize_t(logSize) || ::fdatasync(out) != 0) {
                std::perror("floor");
                std::exit(1);
            }
            ::close(out);
        }));
    }

    // Figure 8. LibreOffice saves the export once, for figure 9, in a profile of its own.
    const std::string xlsx = dir.file("export.xlsx"), floorXlsx = dir.file("floor.xlsx");
    const std::string saved = dir.path() + "/calc/export.xlsx";
    runOrDie({ "export", "--format", "xlsx", "--output", xlsx, log });
    const std::string office = "soffice --headless -env:UserInstallation=file://" + dir.path() + "/profile"
        + " --convert-to xlsx --outdir " + dir.path() + "/calc " + xlsx + " >/dev/null 2>&1";
    if (std::system(office.c_str()) != 0 || sizeOf(saved) == 0) {
        std::fprintf(stderr, "LibreOffice could not save %s (is libreoffice-calc-nogui installed?)\n", xlsx.c_str());
        return 1;
    }
    std::vector<double> xlsxExports, xlsxFloors, xlsxImports, xlsxImportFloors;
    std::vector<double> xlsxPeaks, csvPeaks, xmlAlone;
    for (int run = 0; run < kRuns; ++run) {
        xlsxExports.push_back(bench::millisecondsOf([&] {
            runOrDie({ "export", "--format", "xlsx", "--output", xlsx, log });
        }));
        xlsxFloors.push_back(std::atof(runProcess({ BENCH_XLSX_FLOOR, floorXlsx }).out.c_str()));
        xlsxPeaks.push_back(std::atof(
            runProcess({ BENCH_PEAK_MEMORY, PINTWISE_LOG_BINARY, "export", "--format", "xlsx", "--output", xlsx, log })
                .out.c_str()));
        csvPeaks.push_back(std::atof(
            runProcess({ BENCH_PEAK_MEMORY, PINTWISE_LOG_BINARY, "export", "--output", csv, log }).out.c_str()));

        ::unlink(newLog.c_str());
        xlsxImports.push_back(bench::millisecondsOf([&] { runOrDie({ "import", saved, newLog }); }));
        ::unlink(newLog.c_str());
        xlsxImportFloors.push_back(bench::millisecondsOf([&] {
            unzipSheetAndStrings(saved);
            runOrDie({ "import", csv, newLog });
        }));
        xmlAlone.push_back(bench::millisecondsOf([&] { unzipSheetAndStrings(saved, true); }));
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
    std::printf("xlsx: %zu-byte export, %zu-byte workbook saved by LibreOffice\n", sizeOf(xlsx), sizeOf(saved));
    bench::printFigure("8 export 32,767 records as xlsx (median of pair ratios)", bench::median(xlsxExports),
                       bench::median(xlsxFloors), "ms", 1.3, bench::median(bench::ratios(xlsxExports, xlsxFloors)));
    bench::printFigure("8 peak memory of the xlsx export, against the CSV export's (median)",
                       bench::median(xlsxPeaks) * 1024 / 1e6, bench::median(csvPeaks) * 1024 / 1e6, "MB", 1.5);
    ::unlink(newLog.c_str());
    const double importPeak
        = std::atof(runProcess({ BENCH_PEAK_MEMORY, PINTWISE_LOG_BINARY, "import", saved, newLog }).out.c_str());
    ::unlink(newLog.c_str());
    const double csvImportPeak
        = std::atof(runProcess({ BENCH_PEAK_MEMORY, PINTWISE_LOG_BINARY, "import", csv, newLog }).out.c_str());
    std::printf("peak memory of the xlsx import as a process: %.3g MB (the CSV import's: %.3g MB)\n",
                importPeak * 1024 / 1e6, csvImportPeak * 1024 / 1e6);
    std::printf("the sheet and shared strings LibreOffice saved: %.3g MB inflated\n",
                double(unzipSheetAndStrings(saved)) / 1e6);
    std::printf("unzipping the sheet and shared strings into libxml2's push parser, with no callbacks: %.3g ms\n",
                bench::median(xmlAlone));
    bench::printFigure("9 import 32,767 xlsx rows saved by LibreOffice, synced (median of pair ratios)",
                       bench::median(xlsxImports), bench::median(xlsxImportFloors), "ms", 1.5,
                       bench::median(bench::ratios(xlsxImports, xlsxImportFloors)));
    return 0;
}
