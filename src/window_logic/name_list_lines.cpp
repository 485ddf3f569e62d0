#include "name_list_lines.h"

#include "code_page.h"
#include "record_text.h"

#include <algorithm>

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
        const auto bytes = shownBytes(store.recordBuffer(), Field::Bier, TrailingSpaces::Trim);
        name.resize(bytes.size());
        std::transform(bytes.begin(), bytes.end(), name.begin(),
                       [&characters = codePageInUse().characters()](unsigned char byte) { return characters[byte]; });
        addName(name);
    }
    return {};
}

} // namespace pintwise
