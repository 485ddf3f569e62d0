// The entry window's behaviour without a window: start-up, the two modes,
// every command and move with its messages, the close question and the name
// list's lines, each as a session from a log on disk to the log on disk.
// The same table runs on Linux and, for the Win32 program, under Wine.

#include "answering_message_box.h"
#include "entry_controller.h"
#include "entry_layout.h"
#include "plain_entry_view.h"
#include "record_text.h"
#include "temp_folder.h"
#include "typed_entry.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace pintwise;
using Answer = MessageBox::Answer;

namespace {

// A log written as letters: a saved entry, '_' a blank one, '0' a never-written slot.
std::string logBytes(const std::string& letters)
{
    std::string bytes;
    for (const char letter : letters)
        bytes += letter == '_' ? std::string(kRecordSize, ' ')
            : letter == '0'    ? std::string(kRecordSize, '\0')
                               : savedRecord(std::string(1, letter));
    return bytes;
}

// The other way round; '?' for a record that is none of these, '+' for a partial one.
std::string letters(const std::string& bytes)
{
    std::string result;
    for (std::size_t at = 0; at < bytes.size(); at += kRecordSize) {
        const std::string record = bytes.substr(at, kRecordSize);
        char letter = record.size() < kRecordSize ? '+' : '?';
        if (record == std::string(kRecordSize, ' '))
            letter = '_';
        else if (record == std::string(kRecordSize, '\0'))
            letter = '0';
        for (char name = 'A'; name <= 'Z' && letter == '?'; ++name) {
            if (record == savedRecord(std::string(1, name)))
                letter = name;
        }
        result += letter;
    }
    return result;
}

// The boxes the program asks, by a short name, each with the buttons, icon
// and title it must have; anything else shows in full.
std::string boxName(const std::string& asked)
{
    static const std::pair<const char*, const char*> known[] = {
        { "New file-start entering Biers?|YesNo|None|New file", "newfile" },
        { "Delete the log?|YesNo|Question|", "delete" },
        { "Exit - are you sure?|YesNo|Question|", "exit" },
        { "Already at first record!|Ok|None|", "first" },
        { "Already at last record!|Ok|None|", "last" },
    };
    for (const auto& [box, name] : known) {
        if (asked == box)
            return name;
    }
    return asked;
}

struct Session {
    const char* name;
    const char* log;    // the log before, as letters
    const char* script; // words: load yes no New Save Delete Cancel List Exit << < > >> close type:X type9:X
    const char* boxes;  // the boxes asked, by short name
    const char* state;  // afterwards: mode, captions, current/count, the Bier field shown, the list's lines
    const char* after;  // the log after, as letters
};

const Session kSessions[] = {
    { "FirstRunStartsAdding", "", "load yes", "newfile", "adding Save/Cancel 1/1 shown ''", "" },
    { "FirstRunDeclinedEndsBeforeTheWindow", "", "load no", "newfile", "browse New/Delete 0/0 hidden ''", "" },
    { "OpensOnTheFirstEntry", "ABC", "load", "", "browse New/Delete 1/3 shown 'A' +19", "ABC" },
    { "FirstEntrySaved", "", "load yes type:A Save", "newfile", "browse New/Delete 1/1 shown 'A'", "A" },
    { "SaveAppends", "ABC", "load New type:D Save", "", "browse New/Delete 4/4 shown 'D'", "ABCD" },
    { "SaveWithAnEmptyFieldWritesNothing", "AB", "load New type9:D Save", "", "browse New/Delete 3/3 shown 'D'", "AB" },
    { "CancelShowsThePreviousEntry", "ABC", "load New Cancel", "", "browse New/Delete 3/4 shown 'C' +19", "ABC" },
    { "CancelledSlotStaysCounted", "ABC", "load New Cancel > >", "last", "browse New/Delete 4/4 shown ''", "ABC" },
    { "CancelOnTheFirstEntryStaysOnOne", "", "load yes Cancel", "newfile", "browse New/Delete 1/1 shown ''", "" },
    { "SkippedSlotBecomesZeros", "A", "load New Cancel New type:C Save", "", "browse New/Delete 3/3 shown 'C'", "A0C" },
    { "DeleteBlanksTheEntry", "ABC", "load > Delete yes", "delete", "browse New/Delete 2/3 shown ''", "A_C" },
    { "DeleteAnsweredNoKeepsIt", "ABC", "load > Delete no", "delete", "browse New/Delete 2/3 shown 'B' +19", "ABC" },
    { "DeleteOfAnUnsavedFirstEntryWritesABlank", "", "load yes type9:A Save Delete yes", "newfile delete",
      "browse New/Delete 1/1 shown ''", "_" },
    { "MovesStopAtBothEnds", "ABC", "load < >> > << >", "first last", "browse New/Delete 2/3 shown 'B' +19", "ABC" },
    { "MovesDoNothingWhileAdding", "ABC", "load New type:D >> < Save", "", "browse New/Delete 4/4 shown 'D'", "ABCD" },
    { "ListShowsEveryNameTrimmed", "A_0C", "load List", "", "browse New/Delete 1/4 shown 'A' +19 list A,,,C", "A_0C" },
    { "ListAgainOnlyBringsItForward", "AB", "load List New type:C Save List", "",
      "browse New/Delete 3/3 shown 'C' list A,B", "ABC" },
    { "ExitAnsweredNoKeepsTheLogOpenAndClosesTheList", "AB", "load List Exit no New type:C Save", "exit",
      "browse New/Delete 3/3 shown 'C'", "ABC" },
    { "ExitAnsweredYesClosesTheLog", "AB", "load List Exit yes", "exit", "closed", "AB" },
    { "CloseBoxAsksTheSame", "AB", "load New type:C close yes", "exit", "closed", "AB" },
};

void PrintTo(const Session& session, std::ostream* out)
{
    *out << session.name;
}

class EntryControllerSession : public testing::TestWithParam<Session> { };

TEST_P(EntryControllerSession, LeavesTheLogAndTheWindowAsExpected)
{
    const Session& session = GetParam();
    TempFolder folder;
    folder.write(logBytes(session.log));
    LogStore store(folder.utf8());
    AnsweringMessageBox boxes;
    PlainEntryView view;
    EntryController controller(store, boxes, view);
    view.controller = &controller;

    std::istringstream words(session.script);
    std::vector<std::string> script(std::istream_iterator<std::string>(words), {});
    for (const std::string& word : script) {
        if (word == "yes" || word == "no")
            boxes.script.push_back(word == "yes" ? Answer::Yes : Answer::No);
    }
    for (const std::string& word : script) {
        static const char* const actions[] = { "New", "Delete", "List", "Exit" };
        static const char* const adding[] = { "Save", "Cancel" };
        static const char* const moves[] = { "<<", "<", ">", ">>" };
        for (int i = 0; i < 4; ++i) {
            if (word == actions[i] || (i < 2 && word == adding[i]))
                controller.actionClicked(i);
            if (word == moves[i])
                controller.moveClicked(i);
        }
        if (word == "load")
            controller.load();
        if (word == "close")
            view.closed = controller.closeRequested();
        if (word.rfind("type", 0) == 0) {
            view.type(std::string(1, word.back()));
            if (word[4] == '9')
                view.fields[9].clear();
        }
    }

    std::string asked;
    for (const std::string& box : boxes.asked)
        asked += (asked.empty() ? "" : " ") + boxName(box);
    EXPECT_EQ(asked, session.boxes);
    EXPECT_EQ(boxes.unscripted, 0);

    std::ostringstream state;
    if (view.closed) {
        state << "closed";
        EXPECT_FALSE(store.isOpen());
        EXPECT_FALSE(view.listOpen);
    } else {
        // The Bier field as shown, its trailing spaces counted: 'A' +19.
        const std::u16string& bier = view.fields[0];
        const std::size_t end = bier.find_last_not_of(u' ') + 1;
        state << (store.addingNew() ? "adding " : "browse ") << view.captions[0] << "/" << view.captions[1] << " "
              << store.currentRecord() << "/" << store.recordCount() << (view.shown ? " shown '" : " hidden '")
              << std::string(bier.begin(), bier.begin() + static_cast<std::ptrdiff_t>(end)) << "'";
        if (end < bier.size())
            state << " +" << bier.size() - end;
        if (view.listOpen) {
            state << " list ";
            for (std::size_t i = 0; i < view.listNames.size(); ++i)
                state << (i == 0 ? "" : ",") << std::string(view.listNames[i].begin(), view.listNames[i].end());
        }
    }
    EXPECT_EQ(state.str(), session.state);
    EXPECT_EQ(letters(folder.read()), session.after);
}

INSTANTIATE_TEST_SUITE_P(Sessions, EntryControllerSession, testing::ValuesIn(kSessions),
                         [](const testing::TestParamInfo<Session>& info) { return std::string(info.param.name); });

// Twips to pixels at the DPIs a screen has: each edge rounded on its own.
struct Conversion {
    const char* name;
    TwipsRect twips;
    int dpi;
    PixelRect pixels;
};

const Conversion kConversions[] = {
    { "ClientAreaAt96", kEntryClientArea, 96, { 0, 0, 719, 413 } },
    { "ClientAreaAt144", kEntryClientArea, 144, { 0, 0, 1079, 620 } },
    { "NotesAt96", kEntryFields[9].box, 96, { 480, 200, 225, 57 } },
    { "NotesAt144", kEntryFields[9].box, 144, { 720, 300, 338, 86 } },
    { "LabelAt120", kEntryFields[6].labelBox, 120, { 430, 110, 151, 21 } },
    { "NameListAt144", kNameListClientArea, 144, { 0, 0, 416, 717 } },
};

void PrintTo(const Conversion& conversion, std::ostream* out)
{
    *out << conversion.name;
}

class TwipsConversion : public testing::TestWithParam<Conversion> { };

TEST_P(TwipsConversion, RoundsEachEdge)
{
    const Conversion& c = GetParam();
    EXPECT_EQ(twipsToPixels(c.twips, c.dpi, c.dpi), c.pixels);
}

INSTANTIATE_TEST_SUITE_P(Layouts, TwipsConversion, testing::ValuesIn(kConversions),
                         [](const testing::TestParamInfo<Conversion>& info) { return std::string(info.param.name); });

} // namespace
