#include "entry_window.h"
#include "faulty_file_api.h"
#include "scripted_message_box.h"
#include "temp_log.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <map>

// A whole session through the real window, run once clean and then once for
// every OS call it makes with that call failing. Whatever fails, the user is
// told, every entry whose save was accepted is on disk byte for byte, and the
// log still opens.

using namespace pintwise;
using Call = FaultyFileApi::Call;
using Answer = MessageBox::Answer;

class TestFaultInjection : public QObject {
    Q_OBJECT

    int m_faults = 0;
    int m_silent = 0; // failed closes, rightly not reported

    // One session with the failAt-th call failing; `calls` gets the number of calls made.
    void runSession(int failAt, int error, std::optional<Call> only, int* calls = nullptr)
    {
        TempLog log;
        FaultyFileApi api;
        api.failAt = failAt;
        api.error = error;
        api.onlyCall = only;
        std::map<int, QByteArray> expected; // slot -> the bytes a save without an error box put there
        ScriptedMessageBox box;
        const auto errorBoxes = [&] {
            return std::count_if(box.asked.begin(), box.asked.end(), [](const AskedBox& asked) {
                return asked.buttons == MessageBox::Buttons::Ok && !asked.prompt.startsWith("Already at ");
            });
        };
        try {
            LogStore store(log.directoryPath(), api);
            EntryWindow window(store, box);
            const auto click = [&](const char* name) { // true when no error box came up
                const auto before = errorBoxes();
                window.findChild<QPushButton*>(name)->click();
                return errorBoxes() == before;
            };
            box.answer({ Answer::Yes }); // "New file-start entering Biers?"
            if (window.load() == EntryWindow::LoadResult::Shown) {
                for (const QByteArray name : { "Alpha", "Bravo", "Charlie" }) {
                    if (!store.addingNew())
                        click("cmdAction0"); // New
                    if (!store.addingNew())
                        continue;
                    QList<QLineEdit*> edits; // in Field order, as sampleRecord() lays them out
                    for (const char* field : kFieldNames)
                        edits.append(window.findChild<QLineEdit*>(field));
                    for (int i = 0; i < kFieldCount; ++i)
                        edits[i]->setText(i == 0 ? name : name + ' ' + QByteArray::number(i + 1));
                    const qsizetype sizeBefore = log.read().size();
                    if (click("cmdAction0")) { // Save
                        expected[store.currentRecord()] = sampleRecord(name);
                        continue;
                    }
                    // The save did not happen: what was typed is kept, the file kept its length.
                    QVERIFY(store.addingNew() && edits[0]->text() == name);
                    QCOMPARE(log.read().size(), sizeBefore);
                    click("cmdAction1"); // Cancel
                }
                box.answer({ Answer::Yes }); // "Delete the log?"
                if (click("cmdAction1"))
                    expected[store.currentRecord()] = QByteArray(kRecordSize, ' ');
                click("cmdAction0"); // New
                if (store.addingNew())
                    click("cmdAction1");     // Cancel
                click("cmdAction2");         // List
                click("cmdMove3");           // >>
                box.answer({ Answer::Yes }); // "Exit - are you sure?"
                click("cmdAction3");
            }
        } catch (...) {
            QFAIL("an exception escaped");
        }
        if (calls)
            *calls = api.calls;

        const QByteArray where
            = "failing call " + QByteArray::number(failAt) + " with errno " + QByteArray::number(error);
        const QByteArray file = log.read();
        QVERIFY2(box.unscripted == 0, where + ": an unexpected question");
        if (failAt > 0) {
            QVERIFY2(api.failedCall.has_value(), where);
            ++m_faults;
            // Every write was synced when it was made, so closing cannot lose
            // anything: a failed close is the one failure kept from the user.
            QVERIFY2(errorBoxes() > 0 || api.failedCall == Call::Close, where + ": not reported");
            m_silent += errorBoxes() == 0;
        } else {
            QVERIFY2(errorBoxes() == 0 && expected.size() == 3 && file.size() == 3 * qsizetype(kRecordSize),
                     "clean run");
        }
        QVERIFY2(file.size() % qsizetype(kRecordSize) == 0, where + ": a partial record");
        for (const auto& [slot, bytes] : expected)
            QVERIFY2(file.mid((slot - 1) * qsizetype(kRecordSize), kRecordSize) == bytes, where + ": a record lost");

        LogStore restart(log.directoryPath());
        QVERIFY2(!restart.locate() && !restart.open() && !restart.count(), where + ": the log does not open again");
    }

private slots:
    void everyCallFails()
    {
        int clean = 0;
        runSession(0, 0, {}, &clean);
        for (int n = 1; n <= clean && !QTest::currentTestFailed(); ++n)
            runSession(n, EIO, {});
        const int withEio = m_faults;

        // A full disk shows itself only where the file grows or data is flushed.
        for (const Call call : { Call::Fallocate, Call::Pwrite, Call::Fdatasync }) {
            int calls = 0;
            runSession(0, 0, call, &calls);
            QVERIFY(calls > 0);
            for (int n = 1; n <= calls && !QTest::currentTestFailed(); ++n)
                runSession(n, ENOSPC, call);
        }
        qInfo("%d faults injected, 0 lost records (a session makes %d OS calls; %d failed closes not reported)",
              m_faults, clean, m_silent);
        // The figures the README quotes.
        QCOMPARE(clean, 24);
        QCOMPARE(withEio, 24);
        QCOMPARE(m_faults - withEio, 11);
        QCOMPARE(m_faults, 35);
    }
};

QTEST_MAIN(TestFaultInjection)
#include "test_fault_injection.moc"
