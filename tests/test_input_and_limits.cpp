#include "entry_window.h"
#include "scripted_message_box.h"
#include "temp_log.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

// Whatever is typed or pasted, a saved entry is 380 bytes cut and padded as
// the format says, one byte per character; and the log's 16-bit limits hold
// without wrapping.

using namespace pintwise;

class TestInputAndLimits : public QObject {
    Q_OBJECT

private:
    static QPushButton* button(const EntryWindow& window, const char* name)
    {
        return window.findChild<QPushButton*>(name);
    }

private slots:
    void savedAsTheFormatSays_data()
    {
        QTest::addColumn<QString>("fieldName");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("stored"); // the field's bytes, before padding

        const QString beer = QString::fromUcs4(U"\U0001F37A");
        QTest::newRow("100,000 characters in Bier") << "txtBier" << QString(100000, 'a') << QByteArray(20, 'a');
        QTest::newRow("100,000 characters in Notes") << "txtNotes" << QString(100000, 'b') << QByteArray(200, 'b');
        QTest::newRow("control characters")
            << "txtBier" << QString("a\tb\x01\x1b\x7f") << QByteArray("a\tb\x01\x1b\x7f");
        QTest::newRow("right to left") << "txtCountry" << QString::fromUtf8("שלום \u200fبيرة")
                                       << QByteArray("???? ?????");
        QTest::newRow("CJK and Cyrillic")
            << "txtStyle" << QString::fromUtf8("黒ビール Пиво") << QByteArray("???? ????");
        QTest::newRow("code page characters") << "txtTaste" << QString::fromUtf8("Brühl €5 Ÿ…")
                                              << QByteArray("Br\xfchl \x80"
                                                            "5 \x9f\x85");
        QTest::newRow("combining accent") << "txtColor" << QString::fromUtf8("e\u0301") << QByteArray("e?");
        QTest::newRow("emoji is one ?") << "txtBier"
                                        << "a" + beer + "b" << QByteArray("a?b");
        QTest::newRow("21 emoji cut at 20") << "txtBier" << beer.repeated(21) << QByteArray(20, '?');
        QTest::newRow("emoji at the cut") << "txtBrewery" << QString(19, 'c') + beer + "d" << QByteArray(19, 'c') + '?';
        QTest::newRow("200 emoji in Notes") << "txtNotes" << beer.repeated(250) << QByteArray(200, '?');
        QTest::newRow("lone surrogate") << "txtCost" << QString(QChar(0xD83C)) + "x" << QByteArray("?x");
    }

    void savedAsTheFormatSays()
    {
        QFETCH(QString, fieldName);
        QFETCH(QString, typed);
        QFETCH(QByteArray, stored);

        TempLog log;
        LogStore store(log.directoryPath());
        ScriptedMessageBox box;
        EntryWindow window(store, box);
        box.answer({ MessageBox::Answer::Yes }); // "New file-start entering Biers?"
        QCOMPARE(window.load(), EntryWindow::LoadResult::Shown);
        QList<QByteArray> fields;
        for (QLineEdit* edit : window.findChildren<QLineEdit*>()) {
            edit->insert(edit->objectName() == fieldName ? typed : "x"); // as a paste does
            QCOMPARE(edit->text().size(), (edit->objectName() == fieldName ? typed : "x").size());
        }
        button(window, "cmdAction0")->click(); // Save
        QVERIFY(!store.addingNew());
        QCOMPARE(box.asked.size(), 1);

        const QByteArray file = log.read();
        QCOMPARE(file.size(), qsizetype(kRecordSize));
        for (const char* name : kFieldNames)
            fields.append(fieldName == name ? stored : QByteArray("x"));
        QCOMPARE(file, recordBytes(fields));
    }

    void fullLogRefusesNewAndNeverWraps()
    {
        TempLog log;
        {
            QFile file(log.filePath());
            QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(qint64(kMaxRecords) * qint64(kRecordSize)));
        }
        LogStore store(log.directoryPath());
        ScriptedMessageBox box;
        EntryWindow window(store, box);
        QCOMPARE(window.load(), EntryWindow::LoadResult::Shown);
        QCOMPARE(store.recordCount(), kMaxRecords);

        button(window, "cmdAction0")->click(); // New
        QCOMPARE(box.prompts(),
                 QStringList { "The log already holds 32,767 entries, the most it can keep. "
                               "No new entry can be added." });
        QCOMPARE(box.asked[0].buttons, MessageBox::Buttons::Ok);
        QVERIFY(!store.addingNew());
        QCOMPARE(button(window, "cmdAction0")->text(), "New");
        QCOMPARE(store.currentRecord(), 1);

        button(window, "cmdMove3")->click(); // >>
        QCOMPARE(store.currentRecord(), kMaxRecords);
        button(window, "cmdMove2")->click(); // >
        QCOMPARE(box.prompts().last(), "Already at last record!");
        QCOMPARE(store.currentRecord(), kMaxRecords);
        QCOMPARE(box.asked.size(), 2);
        QCOMPARE(QFileInfo(log.filePath()).size(), qint64(kMaxRecords) * qint64(kRecordSize));
    }

    void tooLargeRefusedAtStart_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("opens");
        QTest::newRow("12,451,649 bytes: 32,767 entries") << qint64(12451649) << true;
        QTest::newRow("12,451,650 bytes: rounds to 32,768") << qint64(12451650) << false;
        QTest::newRow("20,000,000 bytes") << qint64(20000000) << false;
    }

    void tooLargeRefusedAtStart()
    {
        QFETCH(qint64, size);
        QFETCH(bool, opens);
        TempLog log;
        {
            QFile file(log.filePath());
            QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(size));
        }
        const QDateTime modified = QFileInfo(log.filePath()).lastModified();
        LogStore store(log.directoryPath());
        ScriptedMessageBox box;
        EntryWindow window(store, box);
        QCOMPARE(window.load(), opens ? EntryWindow::LoadResult::Shown : EntryWindow::LoadResult::Failed);
        QCOMPARE(window.isVisible(), opens);
        if (!opens)
            QCOMPARE(box.prompts(),
                     QStringList { QString("The log file \"%1\" is too large: Pintwise can keep at most "
                                           "32,767 entries. The file has not been changed.")
                                       .arg(log.filePath()) });
        QCOMPARE(QFileInfo(log.filePath()).size(), size);
        QCOMPARE(QFileInfo(log.filePath()).lastModified(), modified);
    }
};

QTEST_MAIN(TestInputAndLimits)
#include "test_input_and_limits.moc"
