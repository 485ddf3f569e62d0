#include "faulty_file_api.h"
#include "log_store.h"
#include "temp_log.h"

#include <QTest>

using namespace pintwise;

Q_DECLARE_METATYPE(pintwise::FaultyFileApi::Call)

#define CHECK_OK(expr)                                                                                                 \
    do {                                                                                                               \
        const Status& s_ = (expr);                                                                                     \
        QVERIFY2(!s_, s_ ? s_->message().c_str() : "");                                                                \
    } while (false)
#define OPEN_LOG(store)                                                                                                \
    CHECK_OK((store).locate());                                                                                        \
    CHECK_OK((store).open());                                                                                          \
    CHECK_OK((store).count())

namespace {

// Records "r<first>" ... "r<last>", each with ten distinct fields.
QByteArray records(int first, int last)
{
    QByteArray bytes;
    for (int n = first; n <= last; ++n)
        bytes += sampleRecord("r" + QByteArray::number(n));
    return bytes;
}

QByteArray buffer(const LogStore& store)
{
    const RecordBytes bytes = store.recordBuffer().toBytes();
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), kRecordSize);
}

void setBuffer(LogStore& store, const QByteArray& data)
{
    RecordBytes bytes {};
    std::copy(data.begin(), data.end(), bytes.begin());
    store.recordBuffer() = Record::fromBytes(bytes);
}

// The file once `record` has been written as number n: a gap fills with zeros.
QByteArray afterWrite(QByteArray file, int n, const QByteArray& record)
{
    file.resize(std::max(file.size(), qsizetype(n * kRecordSize)), '\0');
    return file.replace((n - 1) * qsizetype(kRecordSize), kRecordSize, record);
}

} // namespace

class TestLogStore : public QObject {
    Q_OBJECT

private slots:
    void openNeverTruncates_data()
    {
        QTest::addColumn<QByteArray>("contents"); // null: no file
        QTest::addColumn<int>("count");
        QTest::newRow("missing: created empty") << QByteArray() << 0;
        QTest::newRow("100 bytes") << QByteArray(100, 'x') << 0;
        QTest::newRow("3 records") << records(1, 3) << 3;
        QTest::newRow("2 records and 200 bytes") << records(1, 2) + QByteArray(200, 'x') << 3;
    }

    void openNeverTruncates()
    {
        QFETCH(QByteArray, contents);
        QFETCH(int, count);
        TempLog log;
        if (!contents.isNull())
            log.write(contents);
        LogStore store(log.directoryPath());
        OPEN_LOG(store);
        QCOMPARE(QString::fromStdString(store.dataFilePath()), log.directory() + "/Entry.Dat");
        QCOMPARE(store.recordCount(), count);
        store.close();
        store.close(); // closing a closed log does nothing
        QVERIFY(log.exists());
        QCOMPARE(log.read(), contents);
    }

    // The read before fills the buffer, so leftovers from it would show.
    void readPastEnd_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("n");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray tail = records(9, 9).left(100), partial = tail + QByteArray(280, '\0');
        const QByteArray zeros(kRecordSize, '\0');
        QTest::newRow("partly, sequential") << records(1, 1) + tail << 1 << 2 << partial;
        QTest::newRow("partly, direct") << records(1, 2) + tail << 1 << 3 << partial;
        QTest::newRow("wholly, sequential") << records(1, 2) << 2 << 3 << zeros;
        QTest::newRow("wholly, direct") << records(1, 2) << 1 << 9 << zeros;
    }

    void readPastEnd()
    {
        QFETCH(QByteArray, contents);
        QFETCH(int, before);
        QFETCH(int, n);
        QFETCH(QByteArray, expected);
        TempLog log;
        log.write(contents);
        LogStore store(log.directoryPath());
        OPEN_LOG(store);
        CHECK_OK(store.readRecord(RecordNumber(before)));
        CHECK_OK(store.readRecord(RecordNumber(n)));
        QCOMPARE(buffer(store), expected);
        QCOMPARE(log.read(), contents);
    }

    void writeChangesOnlyThatRecord_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<int>("n");
        QTest::newRow("overwrite in the middle") << records(1, 3) << 2;
        QTest::newRow("append") << records(1, 2) << 3;
        QTest::newRow("record 4 of 2: zero gap") << records(1, 2) << 4;
        QTest::newRow("over a partial tail") << records(1, 1) + QByteArray(100, 'x') << 2;
    }

    void writeChangesOnlyThatRecord()
    {
        QFETCH(QByteArray, contents);
        QFETCH(int, n);
        TempLog log;
        log.write(contents);
        LogStore store(log.directoryPath());
        OPEN_LOG(store);
        setBuffer(store, sampleRecord("new"));
        CHECK_OK(store.writeRecord(RecordNumber(n)));
        const QByteArray expected = afterWrite(contents, n, sampleRecord("new"));
        QCOMPARE(log.read(), expected);
        if (n == 4)
            QCOMPARE(expected, records(1, 2) + QByteArray(kRecordSize, '\0') + sampleRecord("new")); // 1,520 bytes
        CHECK_OK(store.readRecord(RecordNumber(n)));
        QCOMPARE(buffer(store), sampleRecord("new"));
    }

    // Reading in order goes through the read-ahead window (172 records); a
    // write must discard it wherever it lies relative to the reader.
    void sequentialReads_data()
    {
        QTest::addColumn<int>("readFirst");
        QTest::addColumn<int>("written");
        QTest::newRow("ahead of the reader") << 10 << 20;
        QTest::newRow("behind the reader") << 300 << 200;
        QTest::newRow("in a later window") << 10 << 390;
        QTest::newRow("appended after the end") << 400 << 401;
    }

    void sequentialReads()
    {
        QFETCH(int, readFirst);
        QFETCH(int, written);
        TempLog log;
        log.write(records(1, 400));
        LogStore store(log.directoryPath());
        OPEN_LOG(store);
        QByteArray file = log.read();
        auto readAll = [&](int from, int to) { // a failed read shows in the bytes
            QByteArray got;
            for (int n = from; n <= to; ++n)
                got += store.readRecord(RecordNumber(n)) ? "read failed" : buffer(store);
            return got;
        };
        const auto span = [&](int from, int to) {
            return file.mid((from - 1) * qsizetype(kRecordSize), (to - from + 1) * qsizetype(kRecordSize));
        };
        QCOMPARE(readAll(1, readFirst), span(1, readFirst));
        setBuffer(store, sampleRecord("new"));
        CHECK_OK(store.writeRecord(RecordNumber(written)));
        file = afterWrite(file, written, sampleRecord("new"));
        QCOMPARE(log.read(), file);
        const int last = int(file.size() / kRecordSize);
        QCOMPARE(readAll(readFirst + 1, last), span(readFirst + 1, last));
        QCOMPARE(readAll(1, last), span(1, last));
    }

    void secondCopyIsRefused()
    {
        TempLog log;
        log.write(records(1, 2));
        LogStore first(log.directoryPath()), second(log.directoryPath());
        OPEN_LOG(first);
        CHECK_OK(second.locate());
        const Status refused = second.open();
        QVERIFY(refused && refused->kind == StoreError::Kind::AlreadyOpen && !second.isOpen());
        QVERIFY(QString::fromStdString(refused->message()).contains(log.filePath()));
        setBuffer(first, sampleRecord("still mine"));
        CHECK_OK(first.writeRecord(2));
        QCOMPARE(log.read(), records(1, 1) + sampleRecord("still mine"));
        first.close();
        CHECK_OK(second.open());
    }

    // File systems without locks or without space reservation still hold a
    // usable log: it opens, and a new entry is saved, whole.
    void fileSystemWithoutFeature_data()
    {
        QTest::addColumn<FaultyFileApi::Call>("call");
        QTest::addColumn<int>("error");
        using C = FaultyFileApi::Call;
        QTest::newRow("no locks (EOPNOTSUPP)") << C::Flock << EOPNOTSUPP;
        QTest::newRow("no locks (ENOLCK)") << C::Flock << ENOLCK;
        QTest::newRow("no reservation (EOPNOTSUPP)") << C::Fallocate << EOPNOTSUPP;
    }

    void fileSystemWithoutFeature()
    {
        QFETCH(FaultyFileApi::Call, call);
        QFETCH(int, error);
        TempLog log;
        log.write(records(1, 2));
        FaultyFileApi files(call, error);
        LogStore store(log.directoryPath(), files);
        OPEN_LOG(store);
        setBuffer(store, sampleRecord("new"));
        CHECK_OK(store.writeRecord(3));
        QVERIFY(files.failedCall == call);
        QCOMPARE(log.read(), records(1, 2) + sampleRecord("new"));
    }

    void directoryInTheWay()
    {
        TempLog log;
        QVERIFY(QDir(log.directory()).mkdir("Entry.Dat"));
        LogStore store(log.directoryPath());
        CHECK_OK(store.locate());
        const Status status = store.open();
        QVERIFY(status && status->kind == StoreError::Kind::Open);
        QCOMPARE(QString::fromStdString(status->message()),
                 "Could not open the log file \"" + log.filePath() + "\": Is a directory.");
    }

    void sixteenBitLimits_data()
    {
        QTest::addColumn<qint64>("length");
        QTest::addColumn<int>("count"); // -1: too large
        QTest::newRow("32766 records: one more slot") << qint64(32766) * 380 << 32766;
        QTest::newRow("12,451,649 bytes: 32767, full") << qint64(12451649) << 32767;
        QTest::newRow("12,451,650 bytes: too large") << qint64(12451650) << -1;
    }

    void sixteenBitLimits()
    {
        QFETCH(qint64, length);
        QFETCH(int, count);
        TempLog log;
        log.write("x");
        QVERIFY(QFile::resize(log.filePath(), length)); // sparse, so fast
        LogStore store(log.directoryPath());
        CHECK_OK(store.locate());
        CHECK_OK(store.open());
        const Status counted = store.count();
        if (count < 0) {
            QVERIFY(counted && counted->kind == StoreError::Kind::TooLarge);
            QVERIFY(QString::fromStdString(counted->message()).contains(log.filePath()));
            QCOMPARE(store.recordCount(), 0);
        } else {
            CHECK_OK(counted);
            QCOMPARE(store.recordCount(), count);
            store.setCurrentRecord(5);
            const Status reserved = store.reserveSlot();
            QCOMPARE(reserved ? int(reserved->kind) : -1, count < kMaxRecords ? -1 : int(StoreError::Kind::LogFull));
            QCOMPARE(store.recordCount(), std::min(count + 1, int(kMaxRecords)));
            QCOMPARE(store.currentRecord(), count < kMaxRecords ? count + 1 : 5);
        }
        store.close();
        QCOMPARE(QFileInfo(log.filePath()).size(), length);
    }

    void injectedWriteFailure_data()
    {
        QTest::addColumn<FaultyFileApi::Call>("call");
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("n"); // of 2 records
        QTest::addColumn<QString>("reason");
        using C = FaultyFileApi::Call;
        const QString eio = "Input/output error", enospc = "No space left on device";
        QTest::newRow("reserve, no space, append") << C::Fallocate << ENOSPC << 3 << enospc;
        QTest::newRow("reserve, EIO, past a gap") << C::Fallocate << EIO << 5 << eio;
        QTest::newRow("write, EIO, past a gap") << C::Pwrite << EIO << 5 << eio;
        QTest::newRow("write, no space, overwrite") << C::Pwrite << ENOSPC << 2 << enospc;
        QTest::newRow("sync, EIO, append") << C::Fdatasync << EIO << 3 << eio;
        QTest::newRow("sync, no space, overwrite") << C::Fdatasync << ENOSPC << 1 << enospc;
    }

    void injectedWriteFailure()
    {
        QFETCH(FaultyFileApi::Call, call);
        QFETCH(int, error);
        QFETCH(int, n);
        QFETCH(QString, reason);
        TempLog log;
        log.write(records(1, 2));
        FaultyFileApi files(call, error);
        LogStore store(log.directoryPath(), files);
        OPEN_LOG(store);
        setBuffer(store, sampleRecord("lost"));
        const Status failed = store.writeRecord(RecordNumber(n));
        QVERIFY(failed && files.failedCall == call);
        QCOMPARE(failed->kind, StoreError::Kind::Write);
        QCOMPARE(failed->reason, std::error_code(error, std::generic_category()));
        QCOMPARE(QString::fromStdString(failed->message()),
                 QString("Could not save entry %1 to the log file \"%2\": %3.").arg(n).arg(log.filePath(), reason));
        QCOMPARE(log.read(), records(1, 2));
        // The store carries on: the same write now succeeds.
        CHECK_OK(store.writeRecord(RecordNumber(n)));
        QCOMPARE(log.read(), afterWrite(records(1, 2), n, sampleRecord("lost")));
    }
};

QTEST_MAIN(TestLogStore)
#include "test_log_store.moc"
