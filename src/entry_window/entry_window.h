#pragma once

#include "log_store.h"
#include "message_box.h"

#include <QPointer>
#include <QWidget>

#include <array>

class QLineEdit;
class QPushButton;

// frmBier: the main window. Ten labelled fields show one entry of the log; the
// cmdAction buttons (New/Save, Delete/Cancel, List, Exit) and the cmdMove
// buttons (<<, <, >, >>) work on the LogStore it is given. Its life is the
// program's: load() opens the log at start-up, and a confirmed close closes
// the log and the name list.
//
// It keeps no copy of the log: every entry shown was just read through the
// store, and every message goes through the MessageBox it is given.

namespace pintwise {

class NameListWindow;

class EntryWindow : public QWidget {
    Q_OBJECT

public:
    enum class SaveResult {
        Written,
        Incomplete, // a field was empty: nothing written, nothing said
        Failed,     // the write failed and the user was told
    };

    EntryWindow(LogStore& store, MessageBox& messages, QWidget* parent = nullptr);
    ~EntryWindow() override;

    enum class LoadResult {
        Shown,    // the window is up, browsing or adding the first entry
        Declined, // an empty log, and the user chose not to start one
        Failed,   // the log could not be opened; the user was told why
    };

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

    NameListWindow* nameListWindow() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void onActionClicked(int index);
    void onMoveClicked(int index);

    void startNewEntry();
    void saveNewEntry();
    void cancelNewEntry();
    void deleteEntry();
    void showNameList();
    void closeNameList();

    void setAddingCaptions(bool adding);
    void clearFields();
    void showError(const StoreError& error);
    QLineEdit* field(Field f) const { return m_fields[static_cast<std::size_t>(f)]; }

    LogStore& m_store;
    MessageBox& m_messages;
    std::array<QLineEdit*, kFieldCount> m_fields {}; // indexed by Field
    std::array<QPushButton*, 4> m_cmdAction {};
    std::array<QPushButton*, 4> m_cmdMove {};
    QPointer<NameListWindow> m_nameList;
};

} // namespace pintwise
