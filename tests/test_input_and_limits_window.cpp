#include "entry_window.h"
#include "record_text.h"
#include "scripted_message_box.h"
#include "temp_log.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

// Whatever is pasted, the Qt window's fields take it whole and hand the
// controller every UTF-16 unit of it. What the record then keeps of it, and
// the log's limits, are proven without a window in
// tests/store/test_input_and_limits.cpp; here a save only has to match what
// the same text saves there.

using namespace pintwise;

class TestInputAndLimitsWindow : public QObject {
    Q_OBJECT

    static QPushButton* button(const EntryWindow& window, const char* name)
    {
        return window.findChild<QPushButton*>(name);
    }

private slots:
    void pasteIsTakenWhole_data()
    {
        QTest::addColumn<QString>("fieldName");
        QTest::addColumn<QString>("typed");

        const QString beer = QString::fromUcs4(U"\U0001F37A");
        QTest::newRow("100,000 characters in Bier") << "txtBier" << QString(100000, 'a');
        QTest::newRow("100,000 characters in Notes") << "txtNotes" << QString(100000, 'b');
        QTest::newRow("control characters") << "txtBier" << QString("a\tb\x01\x1b\x7f");
        QTest::newRow("right to left") << "txtCountry" << QString::fromUtf8("שלום \u200fبيرة");
        QTest::newRow("CJK and Cyrillic") << "txtStyle" << QString::fromUtf8("黒ビール Пиво");
        QTest::newRow("code page characters") << "txtTaste" << QString::fromUtf8("Brühl €5 Ÿ…");
        QTest::newRow("combining accent") << "txtColor" << QString::fromUtf8("e\u0301");
        QTest::newRow("emoji is one ?") << "txtBier"
                                        << "a" + beer + "b";
        QTest::newRow("21 emoji cut at 20") << "txtBier" << beer.repeated(21);
        QTest::newRow("emoji at the cut") << "txtBrewery" << QString(19, 'c') + beer + "d";
        QTest::newRow("200 emoji in Notes") << "txtNotes" << beer.repeated(250);
        QTest::newRow("lone surrogate") << "txtCost" << QString(QChar(0xD83C)) + "x";
    }

    // No field cuts or converts what is pasted: that is the record's business.
    void pasteIsTakenWhole()
    {
        QFETCH(QString, fieldName);
        QFETCH(QString, typed);

        TempLog log;
        LogStore store(log.directoryPath());
        ScriptedMessageBox box;
        EntryWindow window(store, box);
        box.answer({ MessageBox::Answer::Yes }); // "New file-start entering Biers?"
        QCOMPARE(window.load(), EntryWindow::LoadResult::Shown);
        for (QLineEdit* edit : window.findChildren<QLineEdit*>()) {
            edit->insert(edit->objectName() == fieldName ? typed : "x"); // as a paste does
            QCOMPARE(edit->text().size(), (edit->objectName() == fieldName ? typed : "x").size());
        }
        button(window, "cmdAction0")->click(); // Save
        Record expected;
        for (int i = 0; i < kFieldCount; ++i) {
            const QString text = fieldName == kFieldNames[i] ? typed : "x";
            expected.setField(Field(i), codePointsFromUtf16(text.toStdU16String()));
        }
        const RecordBytes bytes = expected.toBytes();
        QCOMPARE(log.read(), QByteArray(reinterpret_cast<const char*>(bytes.data()), kRecordSize));
    }
};

QTEST_MAIN(TestInputAndLimitsWindow)
#include "test_input_and_limits_window.moc"
