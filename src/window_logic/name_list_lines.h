#pragma once

#include "log_store.h"

#include <functional>
#include <string_view>

// What the name list shows, whatever draws it: one line per record slot, in
// record order. No toolkit, no window.

namespace pintwise {

// The name list's lines: the Bier field of records 1 to the record count,
// read once each, in order, without trailing spaces. Stops at the first read
// error, which it returns; the lines so far have been handed out.
[[nodiscard]] Status readNames(LogStore& store, const std::function<void(std::u16string_view name)>& addName);

} // namespace pintwise
