// A whole session through the entry window's controller, run once clean and
// then once for every OS call it makes with that call failing. Whatever
// fails, the user is told, every entry whose save was accepted is on disk
// byte for byte, and the log still opens. The faults sit on the system's
// own file layer: POSIX on Linux, Win32 under Wine.

#include "answering_message_box.h"
#include "entry_controller.h"
#include "faulty_file_api.h"
#include "plain_entry_view.h"
#include "temp_folder.h"
#include "typed_entry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace pintwise;
using Call = FaultyFileApi::Call;
using Answer = MessageBox::Answer;

namespace {

struct Tally {
    int faults = 0;
    int silent = 0; // failed closes, rightly not reported
};

// One session with the failAt-th call failing; returns the number of calls made.
int runSession(Tally& tally, int failAt, int error, std::optional<Call> only)
{
    TempFolder folder;
    FaultyFileApi api;
    api.failAt = failAt;
    api.error = error;
    api.onlyCall = only;
    std::map<int, std::string> expected; // slot -> the bytes a save without an error box put there
    AnsweringMessageBox box;
    const auto errorBoxes = [&] {
        return std::count_if(box.asked.begin(), box.asked.end(), [](const std::string& asked) {
            return asked.find("|Ok|") != std::string::npos && asked.rfind("Already at ", 0) != 0;
        });
    };
    try {
        LogStore store(folder.utf8(), api);
        PlainEntryView view;
        EntryController controller(store, box, view);
        view.controller = &controller;
        const auto click = [&](int action) { // true when no error box came up
            const auto before = errorBoxes();
            controller.actionClicked(action);
            return errorBoxes() == before;
        };
        box.script.push_back(Answer::Yes); // "New file-start entering Biers?"
        if (controller.load() == EntryController::LoadResult::Shown) {
            for (const std::string name : { "Alpha", "Bravo", "Charlie" }) {
                if (!store.addingNew())
                    click(0); // New
                if (!store.addingNew())
                    continue;
                view.type(name);
                const std::size_t sizeBefore = folder.read().size();
                if (click(0)) { // Save
                    expected[store.currentRecord()] = savedRecord(name);
                    continue;
                }
                // The save did not happen: what was typed is kept, the file kept its length.
                EXPECT_TRUE(store.addingNew() && view.fields[0] == typedText(name, 0));
                EXPECT_EQ(folder.read().size(), sizeBefore);
                click(1); // Cancel
            }
            box.script.push_back(Answer::Yes); // "Delete the log?"
            if (click(1))
                expected[store.currentRecord()] = std::string(kRecordSize, ' ');
            click(0); // New
            if (store.addingNew())
                click(1);                      // Cancel
            click(2);                          // List
            controller.moveClicked(3);         // >>
            box.script.push_back(Answer::Yes); // "Exit - are you sure?"
            click(3);
        }
    } catch (...) {
        ADD_FAILURE() << "an exception escaped";
    }

    const std::string where = "failing call " + std::to_string(failAt) + " with errno " + std::to_string(error);
    const std::string file = folder.read();
    EXPECT_EQ(box.unscripted, 0) << where << ": an unexpected question";
    if (failAt > 0) {
        EXPECT_TRUE(api.failedCall.has_value()) << where;
        ++tally.faults;
        // Every write was synced when it was made, so closing cannot lose
        // anything: a failed close is the one failure kept from the user.
        EXPECT_TRUE(errorBoxes() > 0 || api.failedCall == Call::Close) << where << ": not reported";
        tally.silent += errorBoxes() == 0;
    } else {
        EXPECT_TRUE(errorBoxes() == 0 && expected.size() == 3 && file.size() == 3 * kRecordSize) << "clean run";
    }
    EXPECT_EQ(file.size() % kRecordSize, 0u) << where << ": a partial record";
    for (const auto& [slot, bytes] : expected)
        EXPECT_EQ(file.substr((slot - 1) * kRecordSize, kRecordSize), bytes) << where << ": a record lost";

    LogStore restart(folder.utf8());
    EXPECT_TRUE(!restart.locate() && !restart.open() && !restart.count()) << where << ": the log does not open again";
    return api.calls;
}

TEST(FaultInjection, EveryCallFails)
{
    Tally tally;
    const int clean = runSession(tally, 0, 0, {});
    for (int n = 1; n <= clean && !HasFailure(); ++n)
        runSession(tally, n, EIO, {});
    const int withEio = tally.faults;

    // A full disk shows itself only where the file grows or data is flushed.
    for (const Call call : { Call::Fallocate, Call::Pwrite, Call::Fdatasync }) {
        const int calls = runSession(tally, 0, 0, call);
        EXPECT_GT(calls, 0);
        for (int n = 1; n <= calls && !HasFailure(); ++n)
            runSession(tally, n, ENOSPC, call);
    }
    std::printf("%d faults injected, 0 lost records (a session makes %d OS calls; %d failed closes not reported)\n",
                tally.faults, clean, tally.silent);
    // The figures the README quotes.
    EXPECT_EQ(clean, 24);
    EXPECT_EQ(withEio, 24);
    EXPECT_EQ(tally.faults - withEio, 11);
    EXPECT_EQ(tally.faults, 35);
}

} // namespace
