// The JSON reader and the import's row checks on any bytes.

#include "fuzz_readers.h"
#include "json_reader.h"

using namespace pintwise;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    RowImporter importer(size % 2 == 1, "object");
    JsonReader reader([&](int object, std::span<const std::string> fields) { importer.addRow(object, fields); });
    reader.read(fuzz::bytesOf(data, size));
    fuzz::finishImport(importer);
    return 0;
}
