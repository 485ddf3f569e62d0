#pragma once

#include "entry_controller.h"
#include "entry_view.h"
#include "log_store.h"
#include "message_box.h"

#include <QPointer>
#include <QWidget>

#include <array>

class QLineEdit;
class QPushButton;

// frmBier in Qt: ten labelled fields, the cmdAction buttons (New/Save,
// Delete/Cancel, List, Exit) and the cmdMove buttons (<<, <, >, >>), placed
// from the shared layout table. Every click and close request goes to the
// EntryController it owns, which decides everything; this class only shows
// what it is told and opens the Qt name list.

namespace pintwise {

class NameListWindow;

class EntryWindow : public QWidget, private EntryView {
    Q_OBJECT

public:
    using LoadResult = EntryController::LoadResult;
    using SaveResult = EntryController::SaveResult;

    EntryWindow(LogStore& store, MessageBox& messages, QWidget* parent = nullptr);
    ~EntryWindow() override;

    LoadResult load() { return m_controller.load(); }
    bool displayRecord(RecordNumber n) { return m_controller.displayRecord(n); }
    SaveResult saveCurrentRecord() { return m_controller.saveCurrentRecord(); }
    bool addNewLog() { return m_controller.addNewLog(); }

    NameListWindow* nameListWindow() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();

    // EntryView
    std::u16string fieldText(Field field) const override;
    void setFieldText(Field field, std::u16string_view text) override;
    void setActionCaption(int index, std::string_view caption) override;
    void showWindow() override { show(); }
    void requestClose() override { close(); }
    [[nodiscard]] Status openNameList(LogStore& store) override;
    void closeNameList() override;

    QLineEdit* field(Field f) const { return m_fields[static_cast<std::size_t>(f)]; }

    EntryController m_controller;
    std::array<QLineEdit*, kFieldCount> m_fields {}; // indexed by Field
    std::array<QPushButton*, 4> m_cmdAction {};
    QPointer<NameListWindow> m_nameList;
};

} // namespace pintwise
