// Thousands of data files of random length and random bytes, each opened as
// a user would, through the entry window's controller on the system's own
// file layer: start, step through every entry, list the names, exit.
// Nothing may crash, the count must follow the rounding rule, no NUL may
// reach a window, and a session that writes nothing must leave the file as
// it was.

#include "answering_message_box.h"
#include "entry_controller.h"
#include "plain_entry_view.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

using namespace pintwise;
using Answer = MessageBox::Answer;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int kFiles = 500; // every entry shown costs far more under the sanitizers
#else
constexpr int kFiles = 2000;
#endif

std::string strangeFile(int index, std::mt19937& random)
{
    const auto below = [&](int n) { return std::uniform_int_distribution(0, n - 1)(random); };
    // First every length that rounds at .5, then every kind of random length.
    constexpr int kHalves = (40 * 1024 - 190) / int(kRecordSize) + 1;
    const int length = std::max(0,
                                index < kHalves      ? 190 + index * int(kRecordSize)
                                    : index % 3 == 0 ? below(108) * int(kRecordSize) + below(3) - 1
                                                     : below(40 * 1024 + 1));
    std::string bytes(std::size_t(length), '\0');
    for (char& byte : bytes)
        byte = char(below(256));
    if (index % 4 == 0) // runs of zeros: fields ended early, slots never written
        for (int run = below(6); run > 0 && !bytes.empty(); --run) {
            const int from = below(int(bytes.size()));
            std::fill_n(bytes.begin() + from, std::min(below(800), int(bytes.size()) - from), '\0');
        }
    if (index % 10 == 1) // every byte value at every offset of a field
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = char(i % 251);
    return bytes;
}

TEST(StrangeFiles, OpenEveryStrangeFile)
{
    std::mt19937 random(1852);
    TempFolder folder;
    int entriesShown = 0;
    int opened = 0;
    for (int index = 0; index < kFiles && !HasFailure(); ++index) {
        const std::string bytes = strangeFile(index, random);
        folder.write(bytes);
        const auto count = int(recordCountForLength(bytes.size()));
        const std::string file = std::to_string(index) + ": " + std::to_string(bytes.size()) + " bytes";

        LogStore store(folder.utf8());
        AnsweringMessageBox box;
        PlainEntryView view;
        EntryController controller(store, box, view);
        view.controller = &controller;
        if (count == 0) {
            box.script.push_back(Answer::No); // "New file-start entering Biers?"
            EXPECT_EQ(controller.load(), EntryController::LoadResult::Declined) << file;
            EXPECT_EQ(box.prompts, std::vector<std::string> { "New file-start entering Biers?" }) << file;
        } else {
            EXPECT_EQ(controller.load(), EntryController::LoadResult::Shown) << file;
            EXPECT_EQ(store.recordCount(), count);
            for (int n = 1; n <= count; ++n) {
                if (n > 1)
                    controller.moveClicked(2); // >
                EXPECT_EQ(store.currentRecord(), n);
                for (const std::u16string& field : view.fields)
                    EXPECT_EQ(field.find(u'\0'), std::u16string::npos) << file;
                ++entriesShown;
            }
            controller.actionClicked(2); // List
            EXPECT_TRUE(view.listOpen);
            EXPECT_EQ(int(view.listNames.size()), count);
            box.script.push_back(Answer::Yes); // "Exit - are you sure?"
            controller.actionClicked(3);
            EXPECT_EQ(box.prompts, std::vector<std::string> { "Exit - are you sure?" }) << file;
        }
        EXPECT_TRUE(folder.read() == bytes) << file << " changed";
        ++opened;
    }
    std::printf("%d strange files opened, %d entries shown, 0 changed\n", opened, entriesShown);
    EXPECT_EQ(opened, kFiles);
}

} // namespace
