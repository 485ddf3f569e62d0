#include "commands.h"

#include "csv_reader.h"
#include "log_check.h"
#include "log_store.h"
#include "record_writers.h"
#include "row_importer.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <unistd.h>

namespace pintwise {
namespace {

// The log the user named, or Entry.Dat beside the executable.
Status locateLog(LogStore& store, const Invocation& invocation)
{
    if (invocation.log.empty())
        return store.locate();
    store.setDataFilePath(invocation.log);
    return {};
}

// Export and check only look: the log opened to read, without the lock.
Status openLogToRead(LogStore& store, const Invocation& invocation)
{
    if (auto failure = locateLog(store, invocation))
        return failure;
    return store.openForReading();
}

// "1 entry", "2 entries".
std::string entries(int count)
{
    return std::to_string(count) + (count == 1 ? " entry" : " entries");
}

ToolError nothingAdded(const std::string& what)
{
    return { kExitFailure, what + "; nothing was added" };
}

// Feeds the whole CSV, from a file or standard input, to `reader`.
ToolStatus readCsv(const std::string& path, int standardInput, CsvReader& reader)
{
    const bool fromStdin = path == "-";
    const std::string name = fromStdin ? std::string("standard input") : quoted(path);
    const int fd = fromStdin ? standardInput : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return ToolError { kExitFailure, "cannot open " + name + ": " + reasonText(errno) };
    std::vector<char> chunk(std::size_t(256) * 1024);
    int readError = 0;
    bool parsed = true;
    while (parsed) {
        const ssize_t n = ::read(fd, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            readError = errno;
        if (n <= 0)
            break;
        parsed = reader.feed(std::string_view(chunk.data(), static_cast<std::size_t>(n)));
    }
    if (!fromStdin)
        ::close(fd);
    if (readError != 0)
        return nothingAdded("cannot read " + name + ": " + reasonText(readError));
    if (!parsed || !reader.finish())
        return nothingAdded(name + " is not valid CSV: " + reader.error());
    return {};
}

} // namespace

ToolStatus runExport(const Invocation& invocation, OutputSink& out, FileApi& files)
{
    LogStore store({}, files);
    if (auto failure = openLogToRead(store, invocation))
        return fromStoreError(*failure);
    if (auto failure = store.count())
        return fromStoreError(*failure);

    OutputSink file;
    OutputSink* sink = &out;
    if (!invocation.output.empty() && invocation.output != "-") {
        std::error_code ignored;
        if (std::filesystem::equivalent(invocation.output, store.dataFilePath(), ignored))
            return ToolError { kExitFailure, "will not write the export over the log " + quoted(invocation.output) };
        if (auto failure = file.openFile(invocation.output))
            return failure;
        sink = &file;
    }

    std::unique_ptr<RecordWriter> writer;
    if (invocation.format == Invocation::Format::Json)
        writer = std::make_unique<JsonWriter>(*sink);
    else
        writer = std::make_unique<CsvWriter>(*sink);
    writer->begin();
    for (int n = 1; n <= store.recordCount(); ++n) {
        if (auto failure = store.readRecord(static_cast<RecordNumber>(n)))
            return fromStoreError(*failure);
        writer->write(n, store.recordBuffer());
    }
    writer->end();
    return sink == &file ? file.finish() : ToolStatus {};
}

ToolStatus runImport(const Invocation& invocation, OutputSink& out, FileApi& files, int standardInput)
{
    LogStore store({}, files);
    if (auto failure = locateLog(store, invocation))
        return fromStoreError(*failure);
    // Locked before the CSV is read: a refusal costs the user no wait, and no
    // save from the window can come between the count and the append.
    bool missing = false;
    if (auto failure = store.open(invocation.dryRun ? LogStore::IfMissing::Fail : LogStore::IfMissing::Create)) {
        missing = invocation.dryRun && failure->kind == StoreError::Kind::Open
            && failure->reason == std::errc::no_such_file_or_directory;
        if (!missing)
            return fromStoreError(*failure);
    }
    if (!missing) {
        if (auto failure = store.count())
            return fromStoreError(*failure);
    }

    RowImporter importer(invocation.cut);
    CsvReader reader([&](int line, std::span<const std::string> fields) { importer.addRow(line, fields); });
    if (auto failure = readCsv(invocation.csv, standardInput, reader))
        return failure;
    const std::string csvName = invocation.csv == "-" ? std::string("standard input") : quoted(invocation.csv);
    if (!importer.hasHeader())
        return nothingAdded(csvName + " has no header row");
    if (importer.headerError())
        return nothingAdded(csvName + " " + *importer.headerError());
    if (!importer.problems().empty()) {
        const auto count = importer.problems().size();
        std::string message = csvName + " has " + std::to_string(count) + (count == 1 ? " problem" : " problems")
            + "; nothing was added (--cut stores texts as the window would: cut to width, '?' for a "
              "character Windows-1252 lacks):";
        for (const std::string& place : importer.problems())
            message += "\n  " + place;
        return ToolError { kExitFailure, message };
    }

    const int before = store.recordCount();
    const int rows = importer.rowCount();
    const std::string log = quoted(store.dataFilePath());
    if (rows > kMaxRecords - before)
        return nothingAdded(log + " holds " + entries(before) + " and " + csvName + " " + std::to_string(rows)
                            + " rows, more than the 32767 a log can hold");
    if (invocation.cut && importer.changedValues() > 0)
        out.append(std::to_string(importer.changedValues())
                   + (importer.changedValues() == 1 ? " value was" : " values were")
                   + " cut to fit or had characters replaced by '?'.\n");
    if (invocation.dryRun) {
        out.append("Would add " + entries(rows) + " to " + log + (missing ? ", creating it" : "")
                   + "; it would then hold " + std::to_string(before + rows) + ". Nothing was changed.\n");
        return {};
    }
    if (auto failure = store.appendRecords(importer.records()))
        return fromStoreError(*failure);
    out.append("Added " + entries(rows) + " to " + log + "; it now holds " + std::to_string(store.recordCount())
               + ".\n");
    return {};
}

ToolStatus runCheck(const Invocation& invocation, OutputSink& out, FileApi& files)
{
    LogStore store({}, files);
    if (auto failure = openLogToRead(store, invocation))
        return fromStoreError(*failure);
    CheckReport report;
    if (auto failure = checkLog(store, report))
        return fromStoreError(*failure);
    out.append(report.text());
    if (!report.healthy())
        return ToolError { kExitFailure, report.problem() };
    return {};
}

int runLogTool(const std::vector<std::string>& arguments, OutputSink& out, std::string& errors, FileApi& files)
{
    Invocation invocation;
    ToolStatus status = parseCommandLine(arguments, invocation);
    if (!status) {
        switch (invocation.command) {
        case Invocation::Command::Help:
            out.append(helpText(invocation.helpFor));
            break;
        case Invocation::Command::Version:
            out.append(versionText());
            break;
        case Invocation::Command::Export:
            status = runExport(invocation, out, files);
            break;
        case Invocation::Command::Import:
            status = runImport(invocation, out, files);
            break;
        case Invocation::Command::Check:
            status = runCheck(invocation, out, files);
            break;
        }
    }
    // What was printed must arrive, even when the command failed.
    const ToolStatus written = out.finish();
    if (!status)
        status = written;
    if (!status)
        return 0;
    errors += "pintwise-log: " + status->message + "\n";
    return status->exitStatus;
}

} // namespace pintwise
