// The xlsx reader and the import's row checks on any bytes. An input that
// starts as a zip archive is read as it is: damaged archives, parts that
// inflate too far. Any other input is cut at its NUL bytes into a sheet,
// shared strings, styles and a workbook, stored in an archive made here: a
// change to an archive's bytes almost always breaks its checksum, so only
// this way do mutations reach the XML behind the zip.

#include "fuzz_readers.h"
#include "xlsx_reader.h"

#include <array>
#include <vector>

using namespace pintwise;

namespace {

std::uint32_t crc32(std::string_view bytes)
{
    static const auto table = [] {
        std::array<std::uint32_t, 256> entries {};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320U ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
        return entries;
    }();
    std::uint32_t crc = 0xFFFFFFFFU;
    for (const char byte : bytes)
        crc = table[(crc ^ static_cast<unsigned char>(byte)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFU;
}

void put(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A zip archive of uncompressed parts.
std::string storedZip(const std::vector<std::pair<std::string, std::string_view>>& parts)
{
    std::string archive, directory;
    for (const auto& part : parts) {
        const std::string& name = part.first;
        const std::string_view bytes = part.second;
        const std::uint32_t offset = std::uint32_t(archive.size()), crc = crc32(bytes);
        const auto header = [&](std::string& out, bool central) {
            put(out, central ? 0x02014b50 : 0x04034b50, 4);
            if (central)
                put(out, 20, 2); // made by
            put(out, 20, 2);     // needed to extract
            put(out, 0, 2);      // flags
            put(out, 0, 2);      // stored
            put(out, 0, 4);      // time and date
            put(out, crc, 4);
            put(out, std::uint32_t(bytes.size()), 4);
            put(out, std::uint32_t(bytes.size()), 4);
            put(out, std::uint32_t(name.size()), 2);
            put(out, 0, 2); // extra
            if (central) {
                put(out, 0, 2); // comment
                put(out, 0, 2); // disk
                put(out, 0, 2); // internal attributes
                put(out, 0, 4); // external attributes
                put(out, offset, 4);
            }
            out += name;
        };
        header(archive, false);
        archive += bytes;
        header(directory, true);
    }
    const std::uint32_t directoryOffset = std::uint32_t(archive.size());
    archive += directory;
    put(archive, 0x06054b50, 4);
    put(archive, 0, 4);
    put(archive, std::uint32_t(parts.size()), 2);
    put(archive, std::uint32_t(parts.size()), 2);
    put(archive, std::uint32_t(directory.size()), 4);
    put(archive, directoryOffset, 4);
    put(archive, 0, 2);
    return archive;
}

constexpr std::string_view kRelationships
    = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
      "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
      "worksheet\" Target=\"worksheets/sheet1.xml\"/>"
      "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
      "sharedStrings\" Target=\"sharedStrings.xml\"/>"
      "<Relationship Id=\"rId3\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
      "styles\" Target=\"styles.xml\"/></Relationships>";
constexpr std::string_view kWorkbook
    = "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><workbookPr/>"
      "<sheets><sheet name=\"Log\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes = fuzz::bytesOf(data, size);
    std::string archive;
    if (!XlsxReader::looksLikeZip(bytes)) {
        std::array<std::string_view, 4> pieces { std::string_view(), std::string_view(), std::string_view(),
                                                 kWorkbook };
        std::string_view rest = bytes;
        for (std::size_t i = 0; i < pieces.size() && !rest.empty(); ++i) {
            const auto end = rest.find('\0');
            pieces[i] = rest.substr(0, end);
            rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        }
        archive = storedZip({ { "xl/worksheets/sheet1.xml", pieces[0] },
                              { "xl/sharedStrings.xml", pieces[1] },
                              { "xl/styles.xml", pieces[2] },
                              { "xl/workbook.xml", pieces[3] },
                              { "xl/_rels/workbook.xml.rels", kRelationships } });
    }
    RowImporter importer(size % 2 == 1, "row");
    XlsxReader reader([&](int row, std::span<const std::string> fields) { importer.addRow(row, fields); });
    if (reader.read(archive.empty() ? bytes : std::string_view(archive))) {
        for (const XlsxReader::Cell& cell : reader.otherCells())
            (void)importer.textColumn(std::size_t(cell.column));
    }
    fuzz::finishImport(importer);
    return 0;
}
