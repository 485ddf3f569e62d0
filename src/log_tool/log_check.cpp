#include "log_check.h"

#include "code_page.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace pintwise {
namespace {

// "record 3" or "records 3, 7, 12", the list cut short past twenty.
std::string recordList(const std::vector<int>& numbers)
{
    constexpr std::size_t kShown = 20;
    std::string text = numbers.size() == 1 ? "record " : "records ";
    for (std::size_t i = 0; i < std::min(numbers.size(), kShown); ++i)
        text += (i ? ", " : "") + std::to_string(numbers[i]);
    if (numbers.size() > kShown)
        text += " and " + std::to_string(numbers.size() - kShown) + " more";
    return text;
}

std::string hexByte(unsigned char byte)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", byte);
    return text;
}

} // namespace

Status checkLog(LogStore& store, CheckReport& report)
{
    report = CheckReport {};
    report.path = store.dataFilePath();
    report.length = store.fileSize();
    report.records = recordCountForLength(report.length);
    report.partialLength = report.length % kRecordSize;
    report.partialCounted = report.partialLength > 0 && report.records > std::int64_t(report.length / kRecordSize);
    report.scanned = static_cast<int>(std::min<std::int64_t>(report.records, kMaxRecords));
    const CodePage& page = codePageInUse();
    report.codePage = page.name();

    for (int n = 1; n <= report.scanned; ++n) {
        if (auto failure = store.readRecord(static_cast<RecordNumber>(n)))
            return failure;
        const Record& record = store.recordBuffer();
        const RecordBytes bytes = record.toBytes();
        std::array<int, 256> undefined {};
        bool any = false;
        for (const unsigned char byte : bytes) {
            if (!page.isDefined(byte)) {
                ++undefined[byte];
                any = true;
            }
        }
        for (std::size_t byte = 0; any && byte < undefined.size(); ++byte) {
            if (undefined[byte] > 0) {
                report.undefinedBytes[static_cast<unsigned char>(byte)].push_back(n);
                report.undefinedByteCount += undefined[byte];
            }
        }
        const auto all = [&](unsigned char value) {
            return std::all_of(bytes.begin(), bytes.end(), [&](unsigned char b) { return b == value; });
        };
        bool showsText = false;
        for (int f = 0; f < kFieldCount; ++f) {
            const auto field = record.fieldBytes(static_cast<Field>(f));
            showsText = showsText || std::any_of(field.begin(), field.end(), [](unsigned char b) { return b != ' '; });
        }
        if (all(' '))
            ++report.blank;
        else if (all(0))
            ++report.neverWritten;
        else if (!showsText)
            report.emptyMixed.push_back(n);
        else
            ++report.withText;
    }
    return {};
}

std::string CheckReport::text() const
{
    const auto number = [](auto value) { return std::to_string(value); };
    std::string out;
    out += "File: \"" + path + "\"\n";
    out += "Length: " + number(length) + " bytes\n";
    out += "Records: " + number(records) + " (the length over 380, rounded to the nearest, a half to the even)\n";
    if (scanned < records)
        out += "Read: the first " + number(scanned) + " records, all the window could reach\n";
    out += "Entries with text: " + number(withText) + "\n";
    out += "Blank entries (all spaces): " + number(blank) + "\n";
    out += "Never written (all zeros): " + number(neverWritten) + "\n";
    out += "Empty, spaces and zeros mixed: " + number(emptyMixed.size());
    out += emptyMixed.empty() ? "\n" : ", " + recordList(emptyMixed) + " (the window shows them empty)\n";
    out += "Partial record at the end: ";
    if (partialLength == 0)
        out += "none\n";
    else if (partialCounted)
        out += number(partialLength) + " bytes, counted as record " + number(records)
            + " (its missing bytes read as zeros)\n";
    else
        out += number(partialLength) + " bytes, not counted (the window never shows them)\n";
    out += "Code page: " + codePage + (codePageSource.empty() ? "" : " (" + codePageSource + ")") + "\n";
    out += "Undefined " + codePage + " bytes: ";
    if (undefinedBytes.empty()) {
        out += "none\n";
    } else {
        out += number(undefinedByteCount);
        const char* separator = " (";
        for (const auto& [byte, numbers] : undefinedBytes) {
            out += separator + hexByte(byte) + " in " + recordList(numbers);
            separator = "; ";
        }
        out += "), kept as they are\n";
    }
    out += opensInWindow() ? "Opens in Pintwise: yes, " + number(records) + " of at most 32767 records\n"
                           : "Opens in Pintwise: no, " + number(records) + " records, more than 32767\n";
    out += healthy() ? "Result: OK\n" : "Result: " + problem() + "\n";
    return out;
}

std::string CheckReport::problem() const
{
    if (!opensInWindow())
        return "\"" + path + "\" has " + std::to_string(records) + " records, more than the 32767 Pintwise opens";
    if (!wholeRecordsOnly())
        return "\"" + path + "\" ends in a partial record of " + std::to_string(partialLength) + " bytes";
    return {};
}

} // namespace pintwise
