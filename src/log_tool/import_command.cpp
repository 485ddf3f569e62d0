// pintwise-log import: reads the input (a file or standard input, CSV fed
// as it arrives, JSON and xlsx whole), finds its format, hands every row to a
// RowImporter and appends the records all or nothing. The readers parse,
// RowImporter judges the texts, LogStore writes; this only puts them in order.
// Export and check are in commands.cpp.

#include "code_page.h"
#include "command_support.h"
#include "commands.h"
#include "csv_reader.h"
#include "json_reader.h"
#include "log_store.h"
#include "record_writers.h"
#include "row_importer.h"
#include "xlsx_reader.h"

#include "platform.h"

#include <cerrno>
#include <memory>

namespace pintwise {
namespace {

// "1 entry", "2 entries".
std::string entries(int count)
{
    return std::to_string(count) + (count == 1 ? " entry" : " entries");
}

ToolError nothingAdded(const std::string& what)
{
    return { kExitFailure, what + "; nothing was added" };
}

using Format = Invocation::Format;

// A JSON or xlsx file is read whole: far past any log's export, it is not one.
constexpr std::size_t kMaxWholeInput = std::size_t(256) << 20;

std::string inputName(const std::string& path)
{
    return path == "-" ? std::string("standard input") : quoted(path);
}

// What the first bytes say the input is: a zip archive is a workbook, "["
// (after a byte order mark and white space) JSON, anything else CSV. A name
// ending in .xlsx means a workbook too, so that one that is not a zip is
// refused as such rather than read as text.
Format detectFormat(std::string_view head, const std::string& path)
{
    if (XlsxReader::looksLikeZip(head))
        return Format::Xlsx;
    if (path.size() > 5 && equalIgnoringCase(std::string_view(path).substr(path.size() - 5), ".xlsx"))
        return Format::Xlsx;
    if (head.starts_with("\xEF\xBB\xBF"))
        head.remove_prefix(3);
    const auto first = head.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && head[first] == '[' ? Format::Json : Format::Csv;
}

// Reads the import's input, from a file or standard input, finds its format
// (unless given), and hands every row to `importer`. The rows of a sheet
// that held something other than text go to `otherCells`.
ToolStatus readRows(const Invocation& invocation, FileApi& files, int standardInput, Format& format,
                    std::unique_ptr<RowImporter>& importer, std::vector<XlsxReader::Cell>& otherCells)
{
    const std::string& path = invocation.input;
    const bool fromStdin = path == "-";
    const std::string name = inputName(path);
    const int fd = fromStdin ? standardInput : files.open(path.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0)
        return ToolError { kExitFailure, "cannot open " + name + ": " + reasonText(errno) };
    std::vector<char> chunk(std::size_t(256) * 1024);
    std::string whole; // JSON and xlsx
    std::unique_ptr<CsvReader> csv;
    const auto handler = [&](int line, std::span<const std::string> fields) { importer->addRow(line, fields); };
    const auto csvHandler
        = [&](int line, std::span<const std::string> fields, std::size_t count, std::span<const LongValue> longValues) {
              importer->addRow(line, fields, count, longValues);
          };
    bool known = false, parsed = true, tooLarge = false;
    int readError = 0;
    while (parsed && !tooLarge) {
        const ssize_t n = files.read(fd, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            readError = errno;
        if (n <= 0)
            break;
        const std::string_view bytes(chunk.data(), static_cast<std::size_t>(n));
        // The format is told by the first bytes: gathered until there are enough.
        if (!known && whole.size() + bytes.size() < 64) {
            whole.append(bytes);
            continue;
        }
        if (!known) {
            known = true;
            whole.append(bytes);
            format = invocation.format.value_or(detectFormat(whole, path));
            if (format == Format::Csv) {
                csv = std::make_unique<CsvReader>(csvHandler);
                parsed = csv->feed(whole);
                whole.clear();
            }
            continue;
        }
        if (csv) {
            parsed = csv->feed(bytes);
        } else {
            tooLarge = whole.size() + bytes.size() > kMaxWholeInput;
            if (!tooLarge)
                whole.append(bytes);
        }
    }
    if (!fromStdin)
        files.close(fd);
    if (readError != 0)
        return nothingAdded("cannot read " + name + ": " + reasonText(readError));
    if (!known) {
        format = invocation.format.value_or(detectFormat(whole, path));
        if (format == Format::Csv) {
            csv = std::make_unique<CsvReader>(csvHandler);
            parsed = csv->feed(whole);
        }
    }
    const std::string formatName = format == Format::Json ? "JSON" : "an xlsx workbook";
    if (tooLarge)
        return nothingAdded(name + " is larger than " + std::to_string(kMaxWholeInput >> 20) + " MiB, far more than "
                            + formatName + " of any log");

    switch (format) {
    case Format::Csv:
        if (!parsed || !csv->finish())
            return nothingAdded(name + " is not valid CSV: " + csv->error());
        return {};
    case Format::Json: {
        importer = std::make_unique<RowImporter>(invocation.cut, "object", true);
        JsonReader reader(handler);
        if (!reader.read(whole))
            return nothingAdded(name + " " + reader.error());
        return {};
    }
    case Format::Xlsx: {
        importer = std::make_unique<RowImporter>(invocation.cut, "row");
        XlsxReader reader(handler);
        if (!reader.read(whole))
            return nothingAdded(name + " is not an xlsx workbook pintwise-log can read: " + reader.error());
        otherCells = reader.otherCells();
        return {};
    }
    }
    return {};
}

// "row 3, Cost (G3)": a sheet's cell, as the user finds it.
std::string cellPlace(const XlsxReader::Cell& cell, const std::string& column)
{
    return "row " + std::to_string(cell.row) + ", " + column + " (" + XlsxReader::columnName(cell.column)
        + std::to_string(cell.row) + ")";
}

} // namespace

ToolStatus runImport(const Invocation& invocation, OutputSink& out, FileApi& files, std::string& notices,
                     int standardInput)
{
    if (auto failure = useInvocationCodePage(invocation))
        return failure;
    LogStore store({}, files);
    if (auto failure = locateLog(store, invocation))
        return fromStoreError(*failure);
    // Locked before the CSV is read: a refusal costs the user no wait, and no
    // save from the window can come between the count and the append. A log
    // that does not exist yet is created only once its rows are known to fit
    // (below), so that a refused import leaves no file behind.
    bool missing = false;
    if (auto failure = store.open(LogStore::IfMissing::Fail)) {
        missing = failure->kind == StoreError::Kind::Open && failure->reason == std::errc::no_such_file_or_directory;
        if (!missing)
            return fromStoreError(*failure);
    }
    if (!missing) {
        if (auto failure = store.count())
            return fromStoreError(*failure);
    }

    Format format = Format::Csv;
    auto importer = std::make_unique<RowImporter>(invocation.cut);
    std::vector<XlsxReader::Cell> otherCells;
    if (auto failure = readRows(invocation, files, standardInput, format, importer, otherCells))
        return failure;
    const std::string inName = inputName(invocation.input);
    if (!importer->hasHeader())
        return nothingAdded(inName + " has no header row");
    if (importer->headerError())
        return nothingAdded(inName + " " + *importer->headerError());

    // A sheet's cells that are not text: an error stops the import, the rest
    // are imported as shown and listed, so the user sees what the spreadsheet
    // made of the texts. The Record column is ignored, whatever it holds.
    std::string errorCells, changedCells;
    int errorCount = 0, changedCount = 0;
    for (const XlsxReader::Cell& cell : otherCells) {
        const std::string column = importer->textColumn(std::size_t(cell.column));
        if (column.empty())
            continue;
        if (cell.error) {
            ++errorCount;
            errorCells += "\n  " + cellPlace(cell, column) + ": the error " + cell.text;
        } else {
            ++changedCount;
            changedCells += "\n  " + cellPlace(cell, column) + ": " + cell.what + ", imported as \"" + cell.text + "\"";
        }
    }
    if (errorCount > 0)
        return ToolError { kExitFailure,
                           inName + " has " + std::to_string(errorCount) + (errorCount == 1 ? " cell" : " cells")
                               + " holding an error; nothing was added:" + errorCells };
    if (changedCount > 0)
        notices += inName + " has " + std::to_string(changedCount) + (changedCount == 1 ? " cell" : " cells")
            + " that the spreadsheet does not hold as text; each is imported as its General format shows it:"
            + changedCells + "\n";

    if (!importer->problems().empty()) {
        const auto count = importer->problems().size();
        std::string message = inName + " has " + std::to_string(count) + (count == 1 ? " problem" : " problems")
            + "; nothing was added (--cut stores texts as the window would: cut to width, '?' for a "
              "character "
            + std::string(codePageInUse().name()) + " lacks):";
        for (const std::string& place : importer->problems())
            message += "\n  " + place;
        return ToolError { kExitFailure, message };
    }

    const int rows = importer->rowCount();
    const std::string log = quoted(store.dataFilePath());
    const auto fits = [&]() -> ToolStatus {
        const int before = store.recordCount();
        if (rows > kMaxRecords - before)
            return nothingAdded(log + " holds " + entries(before) + " and " + inName + " " + std::to_string(rows)
                                + " rows, more than the 32767 a log can hold");
        return {};
    };
    if (auto failure = fits())
        return failure;
    const int before = store.recordCount();
    if (invocation.cut && importer->changedValues() > 0)
        out.append(std::to_string(importer->changedValues())
                   + (importer->changedValues() == 1 ? " value was" : " values were")
                   + " cut to fit or had characters replaced by '?'.\n");
    if (invocation.dryRun) {
        out.append("Would add " + entries(rows) + " to " + log + (missing ? ", creating it" : "")
                   + "; it would then hold " + std::to_string(before + rows) + ". Nothing was changed.\n");
        return {};
    }
    if (missing) {
        // Someone may have made the log meanwhile: it is counted, and locked, afresh.
        if (auto failure = store.open(LogStore::IfMissing::Create))
            return fromStoreError(*failure);
        if (auto failure = store.count())
            return fromStoreError(*failure);
        if (auto failure = fits())
            return failure;
    }
    if (auto failure = store.appendRecords(importer->records()))
        return fromStoreError(*failure);
    const std::string added
        = "Added " + entries(rows) + " to " + log + "; it now holds " + std::to_string(store.recordCount()) + ".";
    out.append(added + "\n");
    // The rows are on disk: from here on nothing may turn the exit status
    // into a failure, or a script that retries would add them twice.
    if (auto failure = out.finish())
        return ToolError { kExitSuccess, added + " (" + failure->message + ")" };
    return {};
}
} // namespace pintwise
