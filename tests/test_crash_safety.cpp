#include "log_store.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstring>
#include <map>
#include <poll.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

// A child process saves entries as fast as it can, appending and overwriting
// in turn, and is killed at a random moment. After every kill the log must
// hold whole records only, each its old or its new value, and every save the
// child saw succeed. No application object exists (QTEST_APPLESS_MAIN), so
// the child forks from a process holding nothing of Qt's but the test runner.

using namespace pintwise;

namespace {

constexpr int kMaxSlots = 400; // past this the child only overwrites

// The 380 bytes of `slot` written as save number `counter`.
QByteArray contentFor(int slot, long counter)
{
    char text[40];
    const int length = std::snprintf(text, sizeof text, "slot %05d save %010ld|", slot, counter);
    return QByteArray(text, length).repeated(int(kRecordSize) / length + 1).left(kRecordSize);
}

// What the child tells the parent: 'B' before a write, 'D' once it returned success.
struct Message {
    char kind;
    int slot;
    long counter;
};

[[noreturn]] void writer(const std::string& directory, int pipe, long counter)
{
    const auto report = [pipe](char kind, int slot, long counter) {
        const Message message { kind, slot, counter };
        if (::write(pipe, &message, sizeof message) != sizeof message)
            ::_exit(3);
    };
    LogStore store(directory);
    if (store.locate() || store.open() || store.count())
        ::_exit(2);
    for (;; ++counter) {
        const bool append = store.recordCount() == 0 || (counter % 2 == 0 && store.recordCount() < kMaxSlots);
        if (append && store.reserveSlot())
            ::_exit(2);
        const int slot = append ? store.recordCount() : 1 + int(counter * 7919 % store.recordCount());
        report('B', slot, counter);
        RecordBytes bytes;
        std::memcpy(bytes.data(), contentFor(slot, counter).constData(), bytes.size());
        store.recordBuffer() = Record::fromBytes(bytes);
        if (store.writeRecord(static_cast<RecordNumber>(slot)))
            ::_exit(2);
        report('D', slot, counter);
    }
}

} // namespace

class TestCrashSafety : public QObject {
    Q_OBJECT

private slots:
    void killedAtRandom()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        std::mt19937 random(20240611);
        std::map<int, QByteArray> saved; // slot -> the bytes the file must hold there
        const int kills = 40;
        int interrupted = 0; // kills that landed between 'B' and 'D'
        int torn = 0;

        for (int round = 0; round < kills; ++round) {
            int fds[2];
            QVERIFY(::pipe(fds) == 0);
            const pid_t child = ::fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                ::close(fds[0]);
                writer(dir.path().toStdString(), fds[1], round * 1'000'000L);
            }
            ::close(fds[1]);

            // Keep the pipe empty until the moment comes, so the child is never kept waiting.
            QByteArray received;
            char buffer[4096];
            const int delayMs = std::uniform_int_distribution(2, 40)(random);
            QElapsedTimer clock;
            clock.start();
            for (int left; (left = delayMs - int(clock.elapsed())) > 0;) {
                pollfd poller { fds[0], POLLIN, 0 };
                const ssize_t n = ::poll(&poller, 1, left) > 0 ? ::read(fds[0], buffer, sizeof buffer) : 0;
                if (n <= 0)
                    break;
                received.append(buffer, n);
            }
            ::kill(child, SIGKILL);
            int status = 0;
            QCOMPARE(::waitpid(child, &status, 0), child);
            QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL, "the writer stopped on its own");
            for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
                received.append(buffer, n);
            ::close(fds[0]);

            Message inFlight {}; // kind 0: no save was cut short
            for (qsizetype at = 0; at + qsizetype(sizeof(Message)) <= received.size(); at += sizeof(Message)) {
                Message message;
                std::memcpy(&message, received.constData() + at, sizeof message);
                if (message.kind == 'B') {
                    inFlight = message;
                } else {
                    saved[message.slot] = contentFor(message.slot, message.counter);
                    inFlight = {};
                }
            }

            QFile file(dir.filePath(LogStore::kDataFileName));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            QVERIFY2(bytes.size() % qsizetype(kRecordSize) == 0, "a partial record");
            const int slotCount = int(bytes.size() / qsizetype(kRecordSize));
            QVERIFY2(saved.empty() || saved.rbegin()->first <= slotCount, "a saved entry is missing");
            for (int slot = 1; slot <= slotCount; ++slot) {
                const QByteArray record = bytes.mid((slot - 1) * qsizetype(kRecordSize), kRecordSize);
                if (saved.count(slot) && record == saved[slot])
                    continue;
                // Only the save cut short may differ: its slot holds the new
                // value, or zeros when the slot was being added.
                QVERIFY2(inFlight.kind == 'B' && inFlight.slot == slot,
                         qPrintable(QString("slot %1 changed").arg(slot)));
                const QByteArray before = saved.count(slot) ? saved[slot] : QByteArray(kRecordSize, '\0');
                const QByteArray after = contentFor(slot, inFlight.counter);
                // The kernel copies a write into the page cache a page at a time
                // and stops between pages once the process is being killed, so
                // the one record in flight, where it straddles a 4 KiB page, can
                // hold new bytes up to the boundary and old ones after it. Only
                // that record, whose save never returned, can be cut this way.
                const qsizetype boundary = 4096 - (slot - 1) * qsizetype(kRecordSize) % 4096;
                const bool tornAtPage
                    = boundary < qsizetype(kRecordSize) && record == after.left(boundary) + before.mid(boundary);
                QVERIFY2(record == after || (!saved.count(slot) && record == before) || tornAtPage,
                         qPrintable(QString("slot %1 holds neither its old nor its new value").arg(slot)));
                torn += tornAtPage;
                saved[slot] = record;
            }
            interrupted += inFlight.kind == 'B';
        }
        qInfo("%d kills survived (%d in the middle of a save), %zu entries checked, 0 lost", kills, interrupted,
              saved.size());
        if (torn > 0)
            qWarning("%d records torn at a page boundary by a kill in the middle of their write", torn);
    }
};

QTEST_APPLESS_MAIN(TestCrashSafety)
#include "test_crash_safety.moc"
