#include "name_list_lines.h"

#include "record_text.h"

namespace pintwise {

Status readNames(LogStore& store, const std::function<void(std::u16string_view name)>& addName)
{
    // One buffer for every name: a log at its limit hands out 32,767 of
    // them, and a front-end copies each into its own string type anyway.
    std::u16string name;
    const int count = store.recordCount();
    for (int n = 1; n <= count; ++n) {
        if (Status failure = store.readRecord(static_cast<RecordNumber>(n)))
            return failure;
        fieldText16(store.recordBuffer(), Field::Bier, TrailingSpaces::Trim, name);
        addName(name);
    }
    return {};
}

} // namespace pintwise
