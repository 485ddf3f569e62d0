#include "power_loss_file_api.h"
#include "temp_log.h"

#include <QTest>

#include <map>
#include <set>

// The power goes out at every OS call of a scripted session in turn, and the
// disk comes back in many of the states it could be in then: each one is
// written to a real file and opened with the real store. Every save that
// returned must be there byte for byte, no entry may appear that nobody
// saved, and only a record being overwritten at that instant may come back
// part old, part new. No application object exists (QTEST_APPLESS_MAIN):
// only the store is involved.

using namespace pintwise;
using Call = PowerLossFileApi::Call;
using Keep = PowerLossFileApi::Keep;

namespace {

// The disk states tried at each crash point: the two extremes, then random ones.
constexpr int kRandomOutcomes = 62;
constexpr int kOutcomesPerPoint = kRandomOutcomes + 2;

// The session, as the entry window drives the store: three entries saved,
// one deleted (a blank record written over it), a delete and a save whose
// sync fails and which are rolled back, and that save made again.
constexpr RecordNumber kNewSlot = 0;   // reserve the next slot, as New does
constexpr RecordNumber kSameSlot = -1; // the slot reserved last, as Save after a failure does
struct Step {
    const char* what;
    const char* entry; // nullptr: delete
    RecordNumber slot;
    bool syncFails;
};
constexpr Step kSession[] = {
    { "save Alpha", "Alpha", kNewSlot, false },
    { "save Bravo", "Bravo", kNewSlot, false },
    { "save Charlie", "Charlie", kNewSlot, false },
    { "delete Bravo", nullptr, 2, false },
    { "delete Charlie, its sync failing", nullptr, 3, true },
    { "save Delta, its sync failing", "Delta", kNewSlot, true },
    { "save Delta again", "Delta", kSameSlot, false },
};

QByteArray bytesOf(const Record& record)
{
    const RecordBytes bytes = record.toBytes();
    return { reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()) };
}

// sampleRecord(name), entered field by field as the window does.
Record entry(const char* name)
{
    Record record;
    for (int i = 0; i < kFieldCount; ++i) {
        const QString text = i == 0 ? QString(name) : QString("%1 %2").arg(name).arg(i + 1);
        record.setField(static_cast<Field>(i), text.toStdU32String());
    }
    return record;
}

// The save in progress when the power went out.
struct InFlight {
    const char* what;
    RecordNumber slot;
    QByteArray before; // empty: the save was adding the slot
    QByteArray after;
};

struct Session {
    std::map<RecordNumber, QByteArray> saved; // slot -> the bytes of the last save that returned
    std::optional<InFlight> inFlight;
    int returned = 0;
    int failed = 0;
};

Session runSession(PowerLossFileApi& disk, const std::string& directory)
{
    Session session;
    LogStore store(directory, disk);
    if (store.locate() || store.open() || store.count())
        return session;
    for (const Step& step : kSession) {
        if (step.slot == kNewSlot && store.reserveSlot())
            return session;
        const RecordNumber slot = step.slot > 0 ? step.slot : store.currentRecord();
        store.recordBuffer() = step.entry ? entry(step.entry) : Record::blank();
        const QByteArray after = bytesOf(store.recordBuffer());
        if (step.syncFails)
            disk.failNext(Call::Fdatasync);
        const bool crashedBefore = disk.crashed();
        const Status failure = store.writeRecord(slot);
        disk.failNext({}); // a failure this save never reached must not hit the next one
        if (failure) {
            ++session.failed;
        } else {
            session.saved[slot] = after;
            ++session.returned;
        }
        if (!crashedBefore && disk.crashed())
            session.inFlight
                = InFlight { step.what, slot, session.saved.count(slot) ? session.saved[slot] : QByteArray(), after };
    }
    store.close();
    return session;
}

// Writes `image` as the log (none: no file) and opens it as the program would.
struct Reopened {
    bool opened = false;
    QByteArray file;
    QList<QByteArray> records; // as the store read them
};

Reopened reopen(const TempLog& log, const PowerLossFileApi::Image& image)
{
    Reopened result;
    QFile::remove(log.filePath());
    if (image)
        log.write(QByteArray(reinterpret_cast<const char*>(image->data()), qsizetype(image->size())));
    LogStore store(log.directoryPath());
    if (store.locate() || store.open() || store.count())
        return result;
    for (RecordNumber n = 1; n <= store.recordCount(); ++n) {
        if (store.readRecord(n))
            return result;
        result.records.append(bytesOf(store.recordBuffer()));
    }
    result.opened = true;
    result.file = log.read();
    return result;
}

// The start of a record for a message, NULs as dots.
QString shown(const QByteArray& record)
{
    return QString::fromLatin1(record.left(24)).replace(QChar(0), '.');
}

// True when every 512-byte sector of the disk that `slot` covers holds
// either `before` or `after` there: an overwrite torn by the power cut.
bool tornBetween(RecordNumber slot, const QByteArray& record, const QByteArray& before, const QByteArray& after)
{
    const qsizetype start = (slot - 1) * qsizetype(kRecordSize);
    for (qsizetype at = 0; at < record.size();) {
        const qsizetype sectorEnd = (start + at) / 512 * 512 + 512 - start;
        const qsizetype length = qMin(sectorEnd, record.size()) - at;
        const QByteArray part = record.mid(at, length);
        if (part != before.mid(at, length) && part != after.mid(at, length))
            return false;
        at += length;
    }
    return true;
}

// A compact picture of a disk image for the model's table: runs of one byte,
// "o1000" for a thousand 'o's, "o490 n20"; "zeros" are NUL bytes.
QString picture(const PowerLossFileApi::Image& image)
{
    if (!image)
        return "no file";
    QStringList runs;
    for (std::size_t at = 0; at < image->size();) {
        std::size_t end = at;
        while (end < image->size() && (*image)[end] == (*image)[at])
            ++end;
        runs.append(((*image)[at] == 0 ? QString("z") : QString(QChar((*image)[at]))) + QString::number(end - at));
        at = end;
    }
    return runs.isEmpty() ? "empty" : runs.join(' ');
}

} // namespace

class TestPowerLoss : public QObject {
    Q_OBJECT

private slots:
    // What the simulated disk may come back with after a cut: each row a few
    // calls (";"-separated; pwrite writes `count` copies of a letter), then
    // every distinct image over many random cuts and both extremes.
    void diskModel_data()
    {
        QTest::addColumn<QString>("calls");
        QTest::addColumn<QStringList>("images");
        const QString log = "create; dirsync; pwrite 0 1000 o; fdatasync; ";
        QTest::newRow("synced writes all survive")
            << log + "pwrite 100 10 n; fdatasync" << QStringList { "o100 n10 o890" };
        QTest::newRow("an overwrite tears at a sector boundary")
            << log + "pwrite 510 4 n" << QStringList { "o1000", "o510 n2 o488", "o512 n2 o486", "o510 n4 o486" };
        QTest::newRow("an overwrite inside one sector survives whole or not at all")
            << log + "pwrite 0 100 n" << QStringList { "o1000", "n100 o900" };
        QTest::newRow("an append survives whole with its length, or not at all")
            << log + "pwrite 1000 600 n" << QStringList { "o1000", "o1000 n600" };
        QTest::newRow("an append tears only where it overwrites")
            << log + "pwrite 990 20 n" << QStringList { "o1000", "o990 n10", "o1000 n10", "o990 n20" };
        QTest::newRow("a truncation keeps the old length or the new")
            << log + "ftruncate 600" << QStringList { "o1000", "o600" };
        QTest::newRow("a reservation that keeps the length changes nothing")
            << log + "fallocate keep 1000 380; pwrite 1000 380 n" << QStringList { "o1000", "o1000 n380" };
        QTest::newRow("a reservation that grows the file can leave zeros")
            << log + "fallocate grow 1000 380; pwrite 1000 380 n"
            << QStringList { "o1000", "o1000 z380", "o1000 n24 z356", "o1000 z24 n356", "o1000 n380" };
        QTest::newRow("a call failed on cue does nothing")
            << log + "fail pwrite; pwrite 0 10 n; fail fdatasync; pwrite 20 10 n; fdatasync"
            << QStringList { "o1000", "o20 n10 o970" };
        QTest::newRow("a new file may vanish until its directory is synced")
            << "create; pwrite 0 10 n; fdatasync" << QStringList { "no file", "n10" };
        QTest::newRow("nothing after the crash reaches the disk")
            << log + "pwrite 0 10 n; crash; fdatasync; pwrite 10 10 n" << QStringList { "o1000", "n10 o990" };
    }

    void diskModel()
    {
        QFETCH(QString, calls);
        QFETCH(QStringList, images);
        PowerLossFileApi disk("/log", "Entry.Dat");
        int fd = -1;
        for (const QString& call : calls.split("; ")) {
            const QStringList word = call.split(' ');
            const auto number = [&](int i) { return off_t(word[i].toLongLong()); };
            if (word[0] == "create") {
                fd = disk.open("/log/Entry.Dat", O_RDWR | O_CREAT | O_EXCL, 0666);
            } else if (word[0] == "dirsync") {
                const int directory = disk.open("/log", O_RDONLY | O_DIRECTORY, 0);
                QCOMPARE(disk.fsync(directory), 0);
                QCOMPARE(disk.close(directory), 0);
            } else if (word[0] == "pwrite") {
                const QByteArray bytes(word[2].toInt(), word[3][0].toLatin1());
                disk.pwrite(fd, bytes.constData(), size_t(bytes.size()), number(1));
            } else if (word[0] == "fdatasync") {
                disk.fdatasync(fd);
            } else if (word[0] == "ftruncate") {
                QCOMPARE(disk.ftruncate(fd, number(1)), 0);
            } else if (word[0] == "fallocate") {
                QCOMPARE(disk.fallocate(fd, word[1] == "keep" ? FALLOC_FL_KEEP_SIZE : 0, number(2), number(3)), 0);
            } else if (word[0] == "fail") {
                disk.failNext(word[1] == "pwrite" ? Call::Pwrite : Call::Fdatasync);
            } else if (word[0] == "crash") {
                disk.crashAt = disk.calls + 1;
            } else {
                QFAIL(qPrintable("unknown call " + call));
            }
        }
        QVERIFY(fd >= 0);
        std::set<QString> seen;
        std::mt19937 random(7);
        seen.insert(picture(disk.image(Keep::Nothing, random)));
        seen.insert(picture(disk.image(Keep::Everything, random)));
        for (int i = 0; i < 200; ++i)
            seen.insert(picture(disk.image(Keep::Random, random)));
        images.sort();
        QCOMPARE(QStringList(seen.begin(), seen.end()), images);
    }

    void cutAtEveryCall()
    {
        TempLog log;      // the simulated disk's directory stands for this one
        TempLog restored; // where each image is opened with the real store
        const std::string directory = log.directoryPath();
        const std::string fileName = LogStore::kDataFileName;

        PowerLossFileApi clean(directory, fileName);
        const Session whole = runSession(clean, directory);
        const int calls = clean.calls;

        int points = 0, outcomes = 0, checked = 0, lost = 0, phantoms = 0, torn = 0, unreadable = 0;
        QStringList problems;
        for (int point = 1; point <= calls; ++point) {
            PowerLossFileApi disk(directory, fileName);
            disk.crashAt = point;
            const Session session = runSession(disk, directory);
            QVERIFY(disk.crashed());
            ++points;
            const auto base = RecordNumber(session.saved.size());
            const std::optional<InFlight>& inFlight = session.inFlight;

            for (int k = 0; k < kOutcomesPerPoint; ++k) {
                std::mt19937 random(std::uint32_t(point * 1000 + k));
                const Keep keep = k == 0 ? Keep::Nothing : k == 1 ? Keep::Everything : Keep::Random;
                const Reopened after = reopen(restored, disk.image(keep, random));
                ++outcomes;
                const QString where = QString("crash at call %1 (%2), outcome %3")
                                          .arg(point)
                                          .arg(inFlight ? inFlight->what : "between saves")
                                          .arg(k);
                const auto problem = [&](int& counter, const QString& what) {
                    ++counter;
                    if (problems.size() < 8)
                        problems.append(where + ": " + what);
                };
                if (!after.opened) {
                    problem(unreadable, "the log does not open, count and read");
                    continue;
                }
                if (after.file.size() % qsizetype(kRecordSize) != 0)
                    problem(phantoms, QString("a partial record: %1 bytes").arg(after.file.size()));
                const auto count = RecordNumber(after.records.size());
                for (RecordNumber slot = 1; slot <= qMax(count, base); ++slot) {
                    const bool moving = inFlight && inFlight->slot == slot;
                    if (slot > count) {
                        problem(lost, QString("record %1 is gone").arg(slot));
                        continue;
                    }
                    const QByteArray& record = after.records[slot - 1];
                    if (slot > base) {
                        // Only the entry being added may be there, and then whole.
                        if (!(moving && inFlight->before.isEmpty() && record == inFlight->after))
                            problem(phantoms, QString("record %1 nobody saved: %2").arg(slot).arg(shown(record)));
                        continue;
                    }
                    const QByteArray& saved = session.saved.at(slot);
                    if (record == saved) {
                        ++checked;
                    } else if (moving && record == inFlight->after) {
                        continue;
                    } else if (moving && !inFlight->before.isEmpty()
                               && tornBetween(slot, record, inFlight->before, inFlight->after)) {
                        ++torn;
                    } else {
                        problem(lost, QString("record %1 holds %2").arg(slot).arg(shown(record)));
                    }
                }
            }
        }
        qInfo("%d crash points (one for each OS call of the session), %d disk images opened, %d saved records "
              "checked: %d lost, %d phantom or partial records, %d unreadable logs; %d deletes torn at a sector "
              "boundary, each one in flight",
              points, outcomes, checked, lost, phantoms, unreadable, torn);
        for (const QString& found : problems)
            qWarning("%s", qPrintable(found));
        QCOMPARE(lost, 0);
        QCOMPARE(phantoms, 0);
        QCOMPARE(unreadable, 0);
        QCOMPARE(points, calls);
        QCOMPARE(outcomes, points * kOutcomesPerPoint);
        // The figures the README quotes; the images are seeded, so they repeat exactly.
        QCOMPARE(points, 33);
        QCOMPARE(outcomes, 2112);
        QCOMPARE(checked, 3776);
        QCOMPARE(torn, 28);

        // Without a crash the session ends with exactly these records, all synced.
        QCOMPARE(whole.returned, 5);
        QCOMPARE(whole.failed, 2);
        const QByteArray blank(kRecordSize, ' ');
        const QList<QByteArray> finalLog { sampleRecord("Alpha"), blank, sampleRecord("Charlie"),
                                           sampleRecord("Delta") };
        QList<QByteArray> saved;
        for (const auto& [slot, bytes] : whole.saved)
            saved.append(bytes);
        QCOMPARE(saved, finalLog);
        std::mt19937 unused;
        QCOMPARE(reopen(restored, clean.image(Keep::Nothing, unused)).records, finalLog);
    }
};

QTEST_APPLESS_MAIN(TestPowerLoss)
#include "test_power_loss.moc"
