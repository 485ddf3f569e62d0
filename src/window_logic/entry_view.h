#pragma once

#include "log_store.h"

#include <string>
#include <string_view>

// What the entry window's behaviour needs of a window, and nothing more: its
// ten fields, the two captions that change, being shown and asked to close,
// and the name list. The Qt and the Win32 entry windows implement it; tests
// implement it with plain strings. A view decides nothing: every click goes
// to the EntryController, which calls back here.

namespace pintwise {

class EntryView {
public:
    virtual ~EntryView() = default;

    virtual std::u16string fieldText(Field field) const = 0;
    // Shows the start of the text: a long note is seen from its first word.
    virtual void setFieldText(Field field, std::u16string_view text) = 0;
    // cmdAction 0 or 1, the only captions that change.
    virtual void setActionCaption(int index, std::string_view caption) = 0;
    // Must work while the controller is still loading the window.
    virtual void showWindow() = 0;
    // The window's own close request, as its close box makes: it comes back
    // to EntryController::closeRequested(), which may refuse it.
    virtual void requestClose() = 0;
    // Brings an open name list forward; otherwise creates one, fills it from
    // the store (readNames) and shows it, returning what the filling met.
    [[nodiscard]] virtual Status openNameList(LogStore& store) = 0;
    // Closing a list that is not open does nothing and never creates one.
    virtual void closeNameList() = 0;
};

} // namespace pintwise
