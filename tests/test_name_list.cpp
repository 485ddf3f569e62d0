#include "faulty_file_api.h"
#include "host_word.h"
#include "name_list_window.h"
#include "temp_log.h"

#include <QListView>

using namespace pintwise;

namespace {

QStringList linesOf(const NameListWindow& window)
{
    QStringList lines;
    const QAbstractItemModel* model = window.list()->model();
    for (int row = 0; row < model->rowCount(); ++row)
        lines.append(model->index(row, 0).data().toString());
    return lines;
}

} // namespace

class TestNameList : public QObject {
    Q_OBJECT

private slots:
    void fill_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("reserved"); // slots counted past the end of the file
        QTest::addColumn<QStringList>("lines");

        QTest::newRow("three entries in record order")
            << recordBytes({ "Zwickel" }) + recordBytes({ "  Abbey Ale" }) + recordBytes({ "Westmalle Dubbel Abt" })
            << 0 << QStringList { "Zwickel", "  Abbey Ale", "Westmalle Dubbel Abt" };
        QTest::newRow("Windows-1252 name") << recordBytes({ "K\xf6lsch \x80 3" }) << 0 << QStringList { "Kölsch € 3" };
        const HostWord& word = hostWord();
        QTest::newRow("name in the host's code page")
            << recordBytes({ QByteArray(word.bytes.data(), qsizetype(word.bytes.size())) }) << 0
            << QStringList { QStringView(word.text.data(), qsizetype(word.text.size())).toString() };
        QTest::newRow("blank and zero-filled slots") << recordBytes({ "Ale" }) + recordBytes({}) + QByteArray(380, '\0')
                + recordBytes({ "Stout" }) << 0 << QStringList { "Ale", "", "", "Stout" };
        QTest::newRow("slots past the end") << recordBytes({ "Ale" }) << 2 << QStringList { "Ale", "", "" };
        QTest::newRow("empty log") << QByteArray("") << 0 << QStringList {};
    }

    void fill()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, reserved);
        QFETCH(QStringList, lines);

        TempLog log;
        log.write(file);
        LogStore store(log.directoryPath());
        QVERIFY(!store.locate() && !store.open() && !store.count());
        for (int i = 0; i < reserved; ++i)
            QVERIFY(!store.reserveSlot());

        NameListWindow window;
        QVERIFY(!window.fill(store));
        QCOMPARE(linesOf(window), lines);
        QCOMPARE(log.read(), file);
    }

    void readFailureKeepsLinesSoFar_data()
    {
        QTest::addColumn<int>("failAt");
        QTest::newRow("first read") << 1;
        QTest::newRow("second read") << 2;
        QTest::newRow("third read") << 3;
    }

    void readFailureKeepsLinesSoFar()
    {
        QFETCH(int, failAt);

        // Enough records that the store needs several reads for them all.
        constexpr int kRecords = 1000;
        QByteArray file;
        QStringList names;
        for (int n = 1; n <= kRecords; ++n) {
            names.append(QString("Bier %1").arg(n));
            file += recordBytes({ names.last().toLatin1() });
        }
        TempLog log;
        log.write(file);
        FaultyFileApi files;
        files.onlyCall = FaultyFileApi::Call::Pread;
        files.failAt = failAt;
        LogStore store(log.directoryPath(), files);
        QVERIFY(!store.locate() && !store.open() && !store.count());

        NameListWindow window;
        const Status failure = window.fill(store);
        QVERIFY(files.failedCall);
        QVERIFY(failure);
        QCOMPARE(failure->kind, StoreError::Kind::Read);
        QVERIFY2(failure->record >= failAt && failure->record < kRecords, qPrintable(QString::number(failure->record)));
        QCOMPARE(linesOf(window), names.mid(0, failure->record - 1));
    }

    void listFillsClientArea()
    {
        NameListWindow window;
        QCOMPARE(window.windowTitle(), QString("Bier List"));
        QVERIFY(window.isWindow());
        QCOMPARE(window.windowModality(), Qt::NonModal);
        QCOMPARE(window.size(), QSize(277, 478)); // 4155 x 7170 twips
        QListView* list = window.list();
        QCOMPARE(list->objectName(), QString("List1"));
        QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);

        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(list->geometry(), QRect(0, 0, 277, 478));
        for (const QSize size : { QSize(500, 300), QSize(120, 700), QSize(1, 1), QSize(277, 478) }) {
            window.resize(size);
            QTRY_COMPARE(window.size(), size);
            QCOMPARE(list->geometry(), QRect(QPoint(0, 0), size));
        }

        window.showMinimized();
        QTRY_VERIFY(window.isMinimized());
        QCOMPARE(list->size(), QSize(0, 0));
        window.showNormal();
        QTRY_VERIFY(!window.isMinimized());
        QCOMPARE(list->geometry(), window.rect());
    }
};

QTEST_MAIN(TestNameList)
#include "test_name_list.moc"
