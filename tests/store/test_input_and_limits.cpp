// Whatever is typed or pasted, a saved entry is 380 bytes cut and padded as
// the record says, one byte per character; and the log's 16-bit limits hold
// without wrapping. Through the entry window's controller, on the system's
// own file layer; what the Qt window's fields take stays in the Qt suite.

#include "answering_message_box.h"
#include "entry_controller.h"
#include "plain_entry_view.h"
#include "platform.h"
#include "temp_folder.h"
#include "typed_entry.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace pintwise;
using Answer = MessageBox::Answer;

namespace {

std::u16string repeated(std::u16string_view text, std::size_t times)
{
    std::u16string result;
    for (std::size_t i = 0; i < times; ++i)
        result += text;
    return result;
}

const std::u16string kBeer = u"\U0001F37A";

struct InputCase {
    const char* name;
    Field field;
    std::u16string typed;
    std::string stored; // the field's bytes, before padding
};

const InputCase kInputs[] = {
    { "Characters100000InBier", Field::Bier, std::u16string(100000, u'a'), std::string(20, 'a') },
    { "Characters100000InNotes", Field::Notes, std::u16string(100000, u'b'), std::string(200, 'b') },
    { "ControlCharacters", Field::Bier, u"a\tb\x01\x1b\x7f", "a\tb\x01\x1b\x7f" },
    { "RightToLeft", Field::Country, u"\u05E9\u05DC\u05D5\u05DD \u200F\u0628\u064A\u0631\u0629", "???? ?????" },
    { "CjkAndCyrillic", Field::Style, u"\u9ED2\u30D3\u30FC\u30EB \u041F\u0438\u0432\u043E", "???? ????" },
    { "CodePageCharacters", Field::Taste, u"Br\u00FChl \u20AC5 \u0178\u2026",
      "Br\xfchl \x80"
      "5 \x9f\x85" },
    { "CombiningAccent", Field::Color, u"e\u0301", "e?" },
    { "EmojiIsOneQuestionMark", Field::Bier, u"a" + kBeer + u"b", "a?b" },
    { "TwentyOneEmojiCutAtTwenty", Field::Bier, repeated(kBeer, 21), std::string(20, '?') },
    { "EmojiAtTheCut", Field::Brewery, std::u16string(19, u'c') + kBeer + u"d", std::string(19, 'c') + '?' },
    { "Emoji200InNotes", Field::Notes, repeated(kBeer, 250), std::string(200, '?') },
    { "LoneSurrogate", Field::Cost, std::u16string(1, char16_t(0xD83C)) + u"x", "?x" },
};

class SavedAsTheRecordSays : public testing::TestWithParam<InputCase> { };

TEST_P(SavedAsTheRecordSays, OneBytePerCharacterCutAndPadded)
{
    const InputCase& c = GetParam();
    TempFolder folder;
    LogStore store(folder.utf8());
    AnsweringMessageBox box;
    PlainEntryView view;
    EntryController controller(store, box, view);
    view.controller = &controller;
    box.script.push_back(Answer::Yes); // "New file-start entering Biers?"
    ASSERT_EQ(controller.load(), EntryController::LoadResult::Shown);
    std::vector<std::string> fields;
    for (int f = 0; f < kFieldCount; ++f) {
        const bool typedHere = Field(f) == c.field;
        view.fields[std::size_t(f)] = typedHere ? c.typed : u"x";
        fields.push_back(typedHere ? c.stored : "x");
    }
    controller.actionClicked(0); // Save
    EXPECT_FALSE(store.addingNew());
    EXPECT_EQ(box.asked.size(), 1u);

    const std::string file = folder.read();
    EXPECT_EQ(file.size(), kRecordSize);
    EXPECT_EQ(file, paddedRecord(fields));
}

INSTANTIATE_TEST_SUITE_P(InputAndLimits, SavedAsTheRecordSays, testing::ValuesIn(kInputs),
                         [](const testing::TestParamInfo<InputCase>& info) { return std::string(info.param.name); });

TEST(InputAndLimits, FullLogRefusesNewAndNeverWraps)
{
    TempFolder folder;
    folder.write("");
    const std::uint64_t full = std::uint64_t(kMaxRecords) * kRecordSize;
    std::filesystem::resize_file(folder.log(), full);
    LogStore store(folder.utf8());
    AnsweringMessageBox box;
    PlainEntryView view;
    EntryController controller(store, box, view);
    view.controller = &controller;
    ASSERT_EQ(controller.load(), EntryController::LoadResult::Shown);
    EXPECT_EQ(store.recordCount(), kMaxRecords);

    controller.actionClicked(0); // New
    EXPECT_EQ(box.asked,
              std::vector<std::string> { "The log already holds 32,767 entries, the most it can keep. "
                                         "No new entry can be added.|Ok|None|" });
    EXPECT_FALSE(store.addingNew());
    EXPECT_EQ(view.captions[0], "New");
    EXPECT_EQ(store.currentRecord(), 1);

    controller.moveClicked(3); // >>
    EXPECT_EQ(store.currentRecord(), kMaxRecords);
    controller.moveClicked(2); // >
    EXPECT_EQ(box.prompts.back(), "Already at last record!");
    EXPECT_EQ(store.currentRecord(), kMaxRecords);
    EXPECT_EQ(box.asked.size(), 2u);
    EXPECT_EQ(std::filesystem::file_size(folder.log()), full);
}

struct TooLargeCase {
    const char* name;
    std::uint64_t size;
    bool opens;
};

class TooLargeRefusedAtStart : public testing::TestWithParam<TooLargeCase> { };

TEST_P(TooLargeRefusedAtStart, BeforeTheWindowAndUntouched)
{
    const TooLargeCase& c = GetParam();
    TempFolder folder;
    folder.write("");
    std::filesystem::resize_file(folder.log(), c.size);
    const auto modified = std::filesystem::last_write_time(folder.log());
    LogStore store(folder.utf8());
    AnsweringMessageBox box;
    PlainEntryView view;
    EntryController controller(store, box, view);
    view.controller = &controller;
    EXPECT_EQ(controller.load(), c.opens ? EntryController::LoadResult::Shown : EntryController::LoadResult::Failed);
    EXPECT_EQ(view.shown, c.opens);
    if (!c.opens) {
        EXPECT_EQ(box.prompts,
                  std::vector<std::string> { "The log file \"" + folder.utf8() + kPathSeparator
                                             + "Entry.Dat\" is too large: Pintwise can keep at most "
                                               "32,767 entries. The file has not been changed." });
    }
    store.close();
    EXPECT_EQ(std::filesystem::file_size(folder.log()), c.size);
    EXPECT_EQ(std::filesystem::last_write_time(folder.log()), modified);
}

INSTANTIATE_TEST_SUITE_P(InputAndLimits, TooLargeRefusedAtStart,
                         testing::Values(TooLargeCase { "Bytes12451649Hold32767Entries", 12451649, true },
                                         TooLargeCase { "Bytes12451650RoundTo32768", 12451650, false },
                                         TooLargeCase { "Bytes20000000", 20000000, false }),
                         [](const testing::TestParamInfo<TooLargeCase>& info) { return std::string(info.param.name); });

} // namespace
