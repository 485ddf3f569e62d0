#include "entry_window.h"

#include "log_text.h"
#include "name_list_window.h"
#include "window_units.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSessionManager>

#include <algorithm>
#include <climits>
#include <vector>

namespace pintwise {
namespace {

// The window as designed, in twips. Tab order runs down the left column of
// fields, then the right one, then New, List, Exit, the move buttons, Delete.
struct FieldRow {
    Field field;
    const char* name;
    int left, top;
    const char* labelName;
    const char* caption;
    int labelLeft, labelTop;
};

constexpr FieldRow kFieldRows[] = {
    { Field::Bier, "txtBier", 2280, 600, "LblName", "Name of Bier:", 120, 720 },
    { Field::Country, "txtCountry", 2280, 1200, "LblCountry", "Country of Orgin:", 120, 1320 },
    { Field::Location, "txtLocation", 2280, 1800, "lblLocation", "Location:", 120, 1920 },
    { Field::Style, "txtStyle", 2280, 2400, "lblStyle", "Style:", 120, 2520 },
    { Field::Taste, "txtTaste", 2280, 3000, "lblTaste", "Taste:", 120, 3120 },
    { Field::Brewery, "txtBrewery", 7200, 600, "lblBrewery", "Brewery:", 5160, 720 },
    { Field::Purchese, "txtPurchese", 7200, 1200, "lblPurchese", "Tasted at/Purchesed at:", 5160, 1320 },
    { Field::Cost, "txtCost", 7200, 1800, "lblCost", "Cost:", 5160, 1920 },
    { Field::Color, "txtColor", 7200, 2400, "lblColor", "Color:", 5160, 2520 },
    { Field::Notes, "txtNotes", 7200, 3000, "lblNote", "Notes:", 5160, 3120 },
};
constexpr int kFieldWidth = 2175, kFieldHeight = 375;
constexpr int kNotesWidth = 3375, kNotesHeight = 855;
constexpr int kLabelWidth = 1815, kLabelHeight = 255;

struct ButtonRow {
    const char* caption;
    int left, top;
    int tabIndex;
};

constexpr ButtonRow kActionRows[] = {
    { "New", 240, 4200, 20 },
    { "Delete", 2520, 4200, 27 },
    { "List", 5520, 4200, 21 },
    { "Exit", 8040, 4200, 22 },
};
constexpr ButtonRow kMoveRows[] = {
    { "<<", 240, 4920, 23 },
    { "<", 2520, 4920, 24 },
    { ">", 5520, 4920, 25 },
    { ">>", 8040, 4920, 26 },
};
constexpr int kButtonWidth = 1215, kButtonHeight = 495;
constexpr int kClientWidth = 10785, kClientHeight = 6195;

// The captions were designed for a narrower font than most desktops use. One
// that would be clipped at its fixed width is drawn a little smaller instead.
void shrinkToFit(QLabel* label)
{
    QFont font = label->font();
    while (font.pointSizeF() > 6 && QFontMetrics(font).horizontalAdvance(label->text()) > label->width())
        font.setPointSizeF(font.pointSizeF() - 0.5);
    label->setFont(font);
}

} // namespace

EntryWindow::EntryWindow(LogStore& store, MessageBox& messages, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_messages(messages)
{
    setObjectName("frmBier");
    setWindowTitle("Tapsmith Pintwise");
    resize(twipsToPixels(*this, 0, 0, kClientWidth, kClientHeight).size());
    buildControls();

    // Logging off is a close request like any other, but Qt 6 no longer turns
    // it into one: ask here, and keep the session from ending on No.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
        if (isVisible() && manager.allowsInteraction()) {
            if (!close())
                manager.cancel();
            manager.release();
        }
    });
}

EntryWindow::~EntryWindow()
{
    delete m_nameList;
}

void EntryWindow::buildControls()
{
    // Plain child widgets at fixed places, no layout: resizing the window
    // leaves every control where it is.
    std::vector<std::pair<int, QWidget*>> tabOrder;

    int fieldTabIndex = 0;
    for (const FieldRow& row : kFieldRows) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(row.name);
        edit->setMaxLength(INT_MAX); // no length limit: the store cuts on saving
        const bool notes = row.field == Field::Notes;
        edit->setGeometry(twipsToPixels(*this, row.left, row.top, notes ? kNotesWidth : kFieldWidth,
                                        notes ? kNotesHeight : kFieldHeight));
        m_fields[static_cast<std::size_t>(row.field)] = edit;
        tabOrder.emplace_back(fieldTabIndex++, edit);

        // The buddy makes a screen reader announce the field by its label.
        auto* label = new QLabel(row.caption, this);
        label->setObjectName(row.labelName);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setGeometry(twipsToPixels(*this, row.labelLeft, row.labelTop, kLabelWidth, kLabelHeight));
        label->setBuddy(edit);
        shrinkToFit(label);
    }

    const auto makeButtons = [&](const ButtonRow(&rows)[4], const char* name, std::array<QPushButton*, 4>& buttons,
                                 void (EntryWindow::*handler)(int)) {
        for (int index = 0; index < 4; ++index) {
            const ButtonRow& row = rows[index];
            auto* button = new QPushButton(this);
            button->setObjectName(QString("%1%2").arg(name).arg(index));
            button->setText(row.caption); // no caption holds "&", so none has an access key
            button->setAutoDefault(false);
            button->setDefault(false);
            button->setGeometry(twipsToPixels(*this, row.left, row.top, kButtonWidth, kButtonHeight));
            connect(button, &QPushButton::clicked, this, [this, handler, index] { (this->*handler)(index); });
            buttons[static_cast<std::size_t>(index)] = button;
            tabOrder.emplace_back(row.tabIndex, button);
        }
    };
    makeButtons(kActionRows, "cmdAction", m_cmdAction, &EntryWindow::onActionClicked);
    makeButtons(kMoveRows, "cmdMove", m_cmdMove, &EntryWindow::onMoveClicked);

    std::sort(tabOrder.begin(), tabOrder.end());
    for (std::size_t i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
    field(Field::Bier)->setFocus();
}

EntryWindow::LoadResult EntryWindow::load()
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
        show();
        return LoadResult::Shown;
    }

    const auto answer = m_messages.show("New file-start entering Biers?", MessageBox::Buttons::YesNo,
                                        MessageBox::Icon::None, "New file");
    if (answer != MessageBox::Answer::Yes) {
        m_store.close();
        return LoadResult::Declined;
    }
    m_store.setAddingNew(true);
    show();
    addNewLog(); // cannot be refused: the log is empty
    return LoadResult::Shown;
}

bool EntryWindow::displayRecord(RecordNumber n)
{
    // A failed read leaves the buffer empty, never holding an older entry.
    const Status failure = m_store.readRecord(n);
    const Record& record = m_store.recordBuffer();
    for (int f = 0; f < kFieldCount; ++f) {
        QLineEdit* edit = m_fields[static_cast<std::size_t>(f)];
        edit->setText(fieldText(record, static_cast<Field>(f)));
        edit->setCursorPosition(0); // show the start of a long note, not its end
    }
    if (failure) {
        showError(*failure);
        return false;
    }
    return true;
}

EntryWindow::SaveResult EntryWindow::saveCurrentRecord()
{
    // An entry is stored only when every field holds text; spaces count.
    if (std::any_of(m_fields.begin(), m_fields.end(), [](QLineEdit* edit) { return edit->text().isEmpty(); }))
        return SaveResult::Incomplete;

    Record& buffer = m_store.recordBuffer();
    for (int f = 0; f < kFieldCount; ++f)
        buffer.setField(static_cast<Field>(f), toCodePoints(m_fields[static_cast<std::size_t>(f)]->text()));

    if (const Status failure = m_store.writeRecord(m_store.currentRecord())) {
        showError(*failure);
        return SaveResult::Failed;
    }
    return SaveResult::Written;
}

bool EntryWindow::addNewLog()
{
    if (const Status failure = m_store.reserveSlot()) {
        showError(*failure);
        return false;
    }
    setAddingCaptions(true);
    clearFields();
    return true;
}

void EntryWindow::onActionClicked(int index)
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
        close();         // asks first, in closeEvent
        closeNameList(); // whatever the answer was
        break;
    }
}

void EntryWindow::startNewEntry()
{
    m_store.setAddingNew(true);
    if (!addNewLog())
        m_store.setAddingNew(false); // the log is full: stay in browse mode
}

void EntryWindow::saveNewEntry()
{
    // A failed write keeps everything typed, so Save can be pressed again.
    if (saveCurrentRecord() == SaveResult::Failed)
        return;
    m_store.setAddingNew(false);
    setAddingCaptions(false);
}

void EntryWindow::cancelNewEntry()
{
    setAddingCaptions(false);
    m_store.setAddingNew(false);
    // The reserved slot stays counted. There is no record 0 to go back to
    // from the first entry of a new log, so that one shows its own empty slot.
    const auto previous = static_cast<RecordNumber>(std::max(1, m_store.currentRecord() - 1));
    m_store.setCurrentRecord(previous);
    displayRecord(previous);
}

void EntryWindow::deleteEntry()
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

void EntryWindow::onMoveClicked(int index)
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
    }
    m_store.setCurrentRecord(static_cast<RecordNumber>(target));
    if (boundary)
        m_messages.show(boundary);
    // Always read again, so anything typed over the entry is replaced.
    displayRecord(static_cast<RecordNumber>(target));
}

void EntryWindow::showNameList()
{
    // A closed list is deleted only later; until then it counts as gone.
    if (m_nameList && m_nameList->isVisible()) {
        m_nameList->setWindowState(m_nameList->windowState() & ~Qt::WindowMinimized);
        m_nameList->raise();
        m_nameList->activateWindow();
        return;
    }
    m_nameList = new NameListWindow;
    const Status failure = m_nameList->fill(m_store);
    m_nameList->show();
    if (failure)
        showError(*failure);
}

NameListWindow* EntryWindow::nameListWindow() const
{
    return m_nameList;
}

void EntryWindow::closeNameList()
{
    if (m_nameList)
        m_nameList->close();
}

void EntryWindow::closeEvent(QCloseEvent* event)
{
    const auto answer = m_messages.show("Exit - are you sure?", MessageBox::Buttons::YesNo, MessageBox::Icon::Question);
    if (answer != MessageBox::Answer::Yes) {
        event->ignore();
        return;
    }
    m_store.close();
    event->accept();
    // The list goes in the same step; the entry window hides as this returns.
    closeNameList();
}

void EntryWindow::setAddingCaptions(bool adding)
{
    m_cmdAction[0]->setText(adding ? "Save" : "New");
    m_cmdAction[1]->setText(adding ? "Cancel" : "Delete");
}

void EntryWindow::clearFields()
{
    for (QLineEdit* edit : m_fields)
        edit->clear();
}

void EntryWindow::showError(const StoreError& error)
{
    m_messages.show(QString::fromStdString(error.message()));
}

} // namespace pintwise
