// pintwise-log export and check, and the tool as a whole: the command line
// run and its failure worded once. The import is import_command.cpp's.

#include "commands.h"

#include "code_page.h"
#include "command_support.h"
#include "log_check.h"
#include "log_store.h"
#include "record_writers.h"
#include "xlsx_writer.h"

#include "platform.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>

namespace pintwise {

Status locateLog(LogStore& store, const Invocation& invocation)
{
    if (invocation.log.empty())
        return store.locate();
    store.setDataFilePath(invocation.log);
    return {};
}

CodePageChoice codePageChoice(const Invocation& invocation)
{
    if (invocation.codePage != 0)
        return { CodePage::byNumber(invocation.codePage), "from --code-page" };
    return hostCodePage();
}

ToolStatus useInvocationCodePage(const Invocation& invocation)
{
    const CodePage& page = *codePageChoice(invocation).page;
    if (useCodePage(page))
        return {};
    return ToolError { kExitFailure,
                       "cannot read the log in " + std::string(page.name()) + ": this process already uses "
                           + std::string(codePageInUse().name()) };
}

namespace {

// Export and check only look: the log opened to read, without the lock.
Status openLogToRead(LogStore& store, const Invocation& invocation)
{
    if (auto failure = locateLog(store, invocation))
        return failure;
    return store.openForReading();
}

// A new, empty file of its own in the temporary folder, under a name no
// other process has: `path` is set to it.
ToolStatus createTemporaryWorkbook(FileApi& files, std::string& path)
{
    std::error_code reason;
    const std::string folder = temporaryDirectory(reason);
    std::random_device random;
    for (int attempt = 0; !reason && attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "pintwise-log-%08x.xlsx", static_cast<unsigned>(random()));
        path = folder + (folder.ends_with(kPathSeparator) ? "" : std::string(1, kPathSeparator)) + name;
        const int fd = files.open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            files.close(fd);
            return {};
        }
        if (errno != EEXIST)
            reason = std::error_code(errno, std::generic_category());
    }
    if (!reason)
        reason = std::error_code(EEXIST, std::generic_category()); // every name tried was taken
    return ToolError { kExitFailure, "cannot create a temporary file for the workbook: " + reasonText(reason.value()) };
}

// libxlsxwriter writes only to a file it opens by name itself, with the C
// library's fopen(). So a workbook for standard output, or for a file whose
// name fopen() may not spell (on Windows), is written to a temporary file
// first, then copied: to `out`, or to `output`, created only once the
// workbook is whole. The temporary file is read back once libxlsxwriter has
// closed it: Windows lets no one else write a file this process holds open.
ToolStatus exportXlsxByCopy(OutputSink& out, const std::string* output, FileApi& files,
                            const std::function<ToolStatus(const std::string&)>& write)
{
    std::string path;
    if (auto failure = createTemporaryWorkbook(files, path))
        return failure;
    std::error_code unnamed;
    const std::string forLibrary = libraryPath(path, unnamed);
    ToolStatus status = unnamed ? ToolError { kExitFailure,
                                              "cannot name the temporary workbook " + pintwise::quoted(path)
                                                  + " to libxlsxwriter: " + reasonText(unnamed.value()) }
                                : write(forLibrary);
    OutputSink file(files);
    if (!status && output)
        status = file.openFile(*output);
    OutputSink& sink = output ? file : out;
    const int fd = status ? -1 : files.open(path.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (!status && fd < 0)
        status = ToolError { kExitFailure, "cannot read the temporary workbook: " + reasonText(errno) };
    std::vector<char> chunk(std::size_t(64) * 1024);
    while (!status) {
        const ssize_t n = files.read(fd, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            status = ToolError { kExitFailure, "cannot read the temporary workbook: " + reasonText(errno) };
        if (n <= 0)
            break;
        sink.append(std::string_view(chunk.data(), static_cast<std::size_t>(n)));
        sink.flushIfFull();
    }
    if (fd >= 0)
        files.close(fd);
    files.unlink(path.c_str());
    if (!status && output)
        status = file.finish();
    return status;
}

// A path in the store's UTF-8, as the standard library takes it on every
// system (a plain string would be read in Windows' ANSI code page).
std::filesystem::path pathFromUtf8(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

} // namespace

ToolStatus runExport(const Invocation& invocation, OutputSink& out, FileApi& files)
{
    if (auto failure = useInvocationCodePage(invocation))
        return failure;
    LogStore store({}, files);
    if (auto failure = openLogToRead(store, invocation))
        return fromStoreError(*failure);
    if (auto failure = store.count())
        return fromStoreError(*failure);

    const bool toFile = !invocation.output.empty() && invocation.output != "-";
    if (toFile) {
        std::error_code ignored;
        if (std::filesystem::equivalent(pathFromUtf8(invocation.output), pathFromUtf8(store.dataFilePath()), ignored))
            return ToolError { kExitFailure, "will not write the export over the log " + quoted(invocation.output) };
    }
    using Format = Invocation::Format;
    const Format format = invocation.format.value_or(Format::Csv);

    if (format == Format::Xlsx) {
        if (!toFile && out.isTerminal())
            return ToolError { kExitUsage,
                               "will not write an xlsx workbook to a terminal; name a file with --output FILE" };
        const auto write = [&](const std::string& path) -> ToolStatus {
            XlsxWriter writer(path);
            if (auto failure = writer.begin())
                return failure;
            for (int n = 1; n <= store.recordCount(); ++n) {
                if (auto failure = store.readRecord(static_cast<RecordNumber>(n)))
                    return fromStoreError(*failure);
                writer.write(n, store.recordBuffer());
            }
            return writer.finish();
        };
        if (toFile && kFopenTakesUtf8)
            return write(invocation.output);
        return exportXlsxByCopy(out, toFile ? &invocation.output : nullptr, files, write);
    }

    OutputSink file(files);
    OutputSink* sink = &out;
    if (toFile) {
        if (auto failure = file.openFile(invocation.output))
            return failure;
        sink = &file;
    }

    std::unique_ptr<RecordWriter> writer;
    if (format == Format::Json)
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

ToolStatus runCheck(const Invocation& invocation, OutputSink& out, FileApi& files)
{
    if (auto failure = useInvocationCodePage(invocation))
        return failure;
    LogStore store({}, files);
    if (auto failure = openLogToRead(store, invocation))
        return fromStoreError(*failure);
    CheckReport report;
    if (auto failure = checkLog(store, report))
        return fromStoreError(*failure);
    report.codePageSource = codePageChoice(invocation).source;
    out.append(report.text());
    if (!report.healthy())
        return ToolError { kExitFailure, report.problem() };
    return {};
}

int runLogTool(const std::vector<std::string>& arguments, OutputSink& out, std::string& errors, FileApi& files)
{
    Invocation invocation;
    std::string notices; // what the user should know even when the command succeeds
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
            status = runImport(invocation, out, files, notices);
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
    if (!notices.empty())
        errors += "pintwise-log: " + notices;
    if (!status)
        return kExitSuccess;
    errors += "pintwise-log: " + status->message + "\n";
    return status->exitStatus;
}

} // namespace pintwise
