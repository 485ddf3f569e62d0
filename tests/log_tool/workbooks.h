#pragma once

#include "log_tool_support.h"

#include <algorithm>
#include <zip.h>

#include <regex>
#include <string>
#include <utility>
#include <vector>

// Workbooks made for the import's tests, damaged ones too, and a part read
// back out of an exported one: libzip directly, no spreadsheet.

namespace pintwise::test {

// A zip archive of the named parts, as a spreadsheet saves one.
inline std::string zipOf(const std::vector<std::pair<std::string, std::string>>& parts)
{
    const TempFolder folder;
    const auto path = folder.path() / "parts.zip";
    int error = 0;
    zip_t* zip = zip_open(path.string().c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    for (const auto& [name, bytes] : parts) {
        zip_source_t* source = zip_source_buffer(zip, bytes.data(), bytes.size(), 0);
        zip_file_add(zip, name.c_str(), source, ZIP_FL_OVERWRITE);
    }
    zip_close(zip); // reads the parts' bytes, still alive here
    return readFile(path);
}

// One part of the archive at `path`, empty if it is not there.
inline std::string unzipPart(const std::filesystem::path& path, const char* part)
{
    int error = 0;
    zip_t* zip = zip_open(path.string().c_str(), ZIP_RDONLY, &error);
    if (!zip)
        return {};
    std::string bytes;
    if (zip_file_t* file = zip_fopen(zip, part, 0)) {
        bytes.resize(1 << 16);
        bytes.resize(std::size_t(std::max<zip_int64_t>(0, zip_fread(file, bytes.data(), bytes.size()))));
        zip_fclose(file);
    }
    zip_discard(zip);
    return bytes;
}

// An exported workbook's parts, each name then bytes, with the moment it
// was written masked: two exports of one log differ only in the times of
// docProps/core.xml, to the second. Bytes that are no zip come back as they
// are.
inline std::string withoutWriteTime(const std::string& bytes)
{
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, nullptr);
    zip_t* zip = source ? zip_open_from_source(source, ZIP_RDONLY, nullptr) : nullptr;
    if (!zip) {
        zip_source_free(source);
        return bytes;
    }
    std::string parts;
    for (zip_int64_t index = 0; index < zip_get_num_entries(zip, 0); ++index) {
        zip_stat_t stat;
        zip_file_t* file = zip_stat_index(zip, zip_uint64_t(index), 0, &stat) == 0
            ? zip_fopen_index(zip, zip_uint64_t(index), 0)
            : nullptr;
        std::string part(file ? stat.size : 0, '\0');
        if (file) {
            part.resize(std::size_t(std::max<zip_int64_t>(0, zip_fread(file, part.data(), part.size()))));
            zip_fclose(file);
        }
        const std::string name = zip_get_name(zip, zip_uint64_t(index), 0);
        if (name == "docProps/core.xml")
            part = std::regex_replace(part, std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)"), "TIME");
        parts.append(name).append(1, '\n').append(part).append(1, '\n');
    }
    zip_discard(zip); // and the source with it
    return parts;
}

// A workbook whose first worksheet holds `rows` (<row> elements), with the
// shared strings (<si> elements) and cell styles (<xf> elements) given, and
// `prolog` (a DOCTYPE) before the sheet's root.
inline std::string workbook(const std::string& rows, const std::string& shared = {}, const std::string& styles = {},
                            const std::string& sheets = "<sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/>",
                            const std::string& prolog = {})
{
    const std::string main = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    const std::string relationships = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                                      "relationships\">";
    return zipOf({
        { "_rels/.rels",
          relationships + "<Relationship Id=\"rId1\" Type=\"" + rel + "/officeDocument\" Target=\"xl/workbook.xml\"/>"
              + "</Relationships>" },
        { "xl/workbook.xml",
          "<workbook " + main + " xmlns:r=\"" + rel + "\"><sheets>" + sheets + "</sheets></workbook>" },
        { "xl/_rels/workbook.xml.rels",
          relationships + "<Relationship Id=\"rId1\" Type=\"" + rel + "/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
              + "<Relationship Id=\"rId2\" Type=\"" + rel + "/sharedStrings\" Target=\"/xl/sharedStrings.xml\"/>"
              + "<Relationship Id=\"rId3\" Type=\"" + rel + "/styles\" Target=\"styles.xml\"/></Relationships>" },
        { "xl/worksheets/sheet1.xml",
          prolog + "<worksheet " + main + "><sheetData>" + rows + "</sheetData></worksheet>" },
        { "xl/sharedStrings.xml", "<sst " + main + ">" + shared + "</sst>" },
        { "xl/styles.xml",
          "<styleSheet " + main + "><numFmts><numFmt numFmtId=\"164\" formatCode=\"[$-409]hh:mm;@\"/></numFmts>"
              + "<cellXfs><xf numFmtId=\"0\"/>" + styles + "</cellXfs></styleSheet>" },
    });
}

// One inline-string cell.
inline std::string text(const char* cell, const std::string& value)
{
    return std::string("<c r=\"") + cell + "\" t=\"inlineStr\"><is><t>" + value + "</t></is></c>";
}

inline std::string row(const char* number, const std::string& cells)
{
    return std::string("<row r=\"") + number + "\">" + cells + "</row>";
}

inline const std::string kHeader = "<row r=\"1\">" + text("A1", "Bier") + text("B1", "Cost") + "</row>";

} // namespace pintwise::test
