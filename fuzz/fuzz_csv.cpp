// The CSV reader and the import's row checks on any bytes, fed in two pieces
// split where the input's first byte says, as reads of a pipe split them.

#include "csv_reader.h"
#include "fuzz_readers.h"

using namespace pintwise;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes = fuzz::bytesOf(data, size);
    const std::size_t split = size > 0 ? data[0] % (size + 1) : 0;
    RowImporter importer(size % 2 == 1);
    CsvReader reader([&](int line, std::span<const std::string> fields, std::size_t count,
                         std::span<const LongValue> longValues) { importer.addRow(line, fields, count, longValues); });
    if (reader.feed(bytes.substr(0, split)) && reader.feed(bytes.substr(split)))
        reader.finish();
    fuzz::finishImport(importer);
    return 0;
}
