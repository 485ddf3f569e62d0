#include "entry_controller.h"

#include "record_text.h"

#include <algorithm>
#include <array>

namespace pintwise {
namespace {

constexpr auto kAllFields = [] {
    std::array<Field, kFieldCount> fields {};
    for (int f = 0; f < kFieldCount; ++f)
        fields[static_cast<std::size_t>(f)] = static_cast<Field>(f);
    return fields;
}();

} // namespace

EntryController::EntryController(LogStore& store, MessageBox& messages, EntryView& view)
    : m_store(store)
    , m_messages(messages)
    , m_view(view)
{
}

EntryController::LoadResult EntryController::load()
{
    Status failure = m_store.locate();
    if (!failure)
        failure = m_store.open();
    if (!failure)
        failure = m_store.count();
    if (failure) {
        m_store.close();
        showError(*failure);
        return LoadResult::Failed;
    }

    if (m_store.recordCount() != 0) {
        m_store.setCurrentRecord(1);
        m_store.setAddingNew(false);
        displayRecord(1);
        m_view.showWindow();
        return LoadResult::Shown;
    }

    const auto answer = m_messages.show("New file-start entering Biers?", MessageBox::Buttons::YesNo,
                                        MessageBox::Icon::None, "New file");
    if (answer != MessageBox::Answer::Yes) {
        m_store.close();
        return LoadResult::Declined;
    }
    m_store.setAddingNew(true);
    m_view.showWindow();
    addNewLog(); // cannot be refused: the log is empty
    return LoadResult::Shown;
}

bool EntryController::displayRecord(RecordNumber n)
{
    // A failed read leaves the buffer empty, never holding an older entry.
    const Status failure = m_store.readRecord(n);
    for (Field f : kAllFields)
        m_view.setFieldText(f, fieldText16(m_store.recordBuffer(), f));
    if (failure) {
        showError(*failure);
        return false;
    }
    return true;
}

EntryController::SaveResult EntryController::saveCurrentRecord()
{
    // An entry is stored only when every field holds text; spaces count.
    std::array<std::u16string, kFieldCount> texts;
    for (Field f : kAllFields) {
        texts[static_cast<std::size_t>(f)] = m_view.fieldText(f);
        if (texts[static_cast<std::size_t>(f)].empty())
            return SaveResult::Incomplete;
    }

    Record& buffer = m_store.recordBuffer();
    for (Field f : kAllFields)
        buffer.setField(f, codePointsFromUtf16(texts[static_cast<std::size_t>(f)]));

    if (const Status failure = m_store.writeRecord(m_store.currentRecord())) {
        showError(*failure);
        return SaveResult::Failed;
    }
    return SaveResult::Written;
}

bool EntryController::addNewLog()
{
    if (const Status failure = m_store.reserveSlot()) {
        showError(*failure);
        return false;
    }
    setAddingCaptions(true);
    clearFields();
    return true;
}

void EntryController::actionClicked(int index)
{
    const bool adding = m_store.addingNew();
    switch (index) {
    case 0:
        adding ? saveNewEntry() : startNewEntry();
        break;
    case 1:
        adding ? cancelNewEntry() : deleteEntry();
        break;
    case 2:
        showNameList();
        break;
    case 3:
        m_view.requestClose();  // asks first, in closeRequested
        m_view.closeNameList(); // whatever the answer was
        break;
    default:
        break;
    }
}

void EntryController::startNewEntry()
{
    m_store.setAddingNew(true);
    if (!addNewLog())
        m_store.setAddingNew(false); // the log is full: stay in browse mode
}

void EntryController::saveNewEntry()
{
    // A failed write keeps everything typed, so Save can be pressed again.
    if (saveCurrentRecord() == SaveResult::Failed)
        return;
    m_store.setAddingNew(false);
    setAddingCaptions(false);
}

void EntryController::cancelNewEntry()
{
    setAddingCaptions(false);
    m_store.setAddingNew(false);
    // The reserved slot stays counted. There is no record 0 to go back to
    // from the first entry of a new log, so that one shows its own empty slot.
    const auto previous = static_cast<RecordNumber>(std::max(1, m_store.currentRecord() - 1));
    m_store.setCurrentRecord(previous);
    displayRecord(previous);
}

void EntryController::deleteEntry()
{
    const auto answer = m_messages.show("Delete the log?", MessageBox::Buttons::YesNo, MessageBox::Icon::Question);
    if (answer != MessageBox::Answer::Yes)
        return;
    // The slot stays, blank: all spaces, whatever the completeness rule says.
    clearFields();
    m_store.recordBuffer() = Record::blank();
    if (const Status failure = m_store.writeRecord(m_store.currentRecord())) {
        showError(*failure);
        displayRecord(m_store.currentRecord()); // it is still there: show it again
    }
}

void EntryController::moveClicked(int index)
{
    if (m_store.addingNew())
        return;

    const int count = m_store.recordCount();
    int target = m_store.currentRecord();
    const char* boundary = nullptr;
    switch (index) {
    case 0:
        target = 1;
        break;
    case 1:
        if (--target < 1) {
            target = 1;
            boundary = "Already at first record!";
        }
        break;
    case 2:
        if (++target > count) {
            target = count;
            boundary = "Already at last record!";
        }
        break;
    case 3:
        target = count;
        break;
    default:
        return;
    }
    m_store.setCurrentRecord(static_cast<RecordNumber>(target));
    if (boundary)
        m_messages.show(boundary);
    // Always read again, so anything typed over the entry is replaced.
    displayRecord(static_cast<RecordNumber>(target));
}

void EntryController::showNameList()
{
    if (const Status failure = m_view.openNameList(m_store))
        showError(*failure);
}

bool EntryController::closeRequested()
{
    const auto answer = m_messages.show("Exit - are you sure?", MessageBox::Buttons::YesNo, MessageBox::Icon::Question);
    if (answer != MessageBox::Answer::Yes)
        return false;
    m_store.close();
    // The list goes in the same step; the entry window goes as this returns.
    m_view.closeNameList();
    return true;
}

void EntryController::setAddingCaptions(bool adding)
{
    m_view.setActionCaption(0, adding ? "Save" : "New");
    m_view.setActionCaption(1, adding ? "Cancel" : "Delete");
}

void EntryController::clearFields()
{
    for (Field f : kAllFields)
        m_view.setFieldText(f, {});
}

void EntryController::showError(const StoreError& error)
{
    m_messages.show(error.message());
}

} // namespace pintwise
