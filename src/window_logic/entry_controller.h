#pragma once

#include "entry_view.h"
#include "log_store.h"
#include "message_box.h"

#include <string_view>

// The entry window's behaviour, whatever draws it: start-up, the cmdAction
// buttons (New/Save, Delete/Cancel, List, Exit) and the cmdMove buttons
// (<<, <, >, >>) in their two modes, moving entries between the view's
// fields and the LogStore, and the close question. A front-end forwards its
// window's events here and does nothing else of its own.
//
// It keeps no copy of the log: every entry shown was just read through the
// store. It is the one place where a store error becomes a message box.

namespace pintwise {

class EntryController {
public:
    enum class LoadResult {
        Shown,    // the window is up, browsing or adding the first entry
        Declined, // an empty log, and the user chose not to start one
        Failed,   // the log could not be opened; the user was told why
    };

    enum class SaveResult {
        Written,
        Incomplete, // a field was empty: nothing written, nothing said
        Failed,     // the write failed and the user was told
    };

    EntryController(LogStore& store, MessageBox& messages, EntryView& view);

    // Start-up: locates, opens and counts the log, then shows the window with
    // the first entry, or offers to start a new log when it is empty. Unless
    // it returns Shown, the program ends without the window ever appearing.
    LoadResult load();

    // Shows record n in the fields, full width, trailing spaces included.
    bool displayRecord(RecordNumber n);
    // Writes the fields to the current record when none of them is empty.
    SaveResult saveCurrentRecord();
    // Reserves the next slot and clears the fields for typing.
    bool addNewLog();

    void actionClicked(int index);
    void moveClicked(int index);
    // Any close request: the close box, the system, the Exit button. Asks
    // first; true once the log and the name list are closed and the window
    // may go, false when the user said No and nothing changed.
    bool closeRequested();

private:
    void startNewEntry();
    void saveNewEntry();
    void cancelNewEntry();
    void deleteEntry();
    void showNameList();

    void setAddingCaptions(bool adding);
    void clearFields();
    void showError(const StoreError& error);

    LogStore& m_store;
    MessageBox& m_messages;
    EntryView& m_view;
};

} // namespace pintwise
