#include "entry_window.h"
#include "name_list_window.h"
#include "scripted_message_box.h"
#include "temp_log.h"

#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>

#include <random>

// Thousands of data files of random length and random bytes, each opened as a
// user would: start, step through every entry, list the names, exit. Nothing
// may crash, the count must follow the rounding rule, no NUL may reach a
// window, and a session that writes nothing must leave the file as it was.

using namespace pintwise;

#if defined(__SANITIZE_ADDRESS__)
constexpr int kFiles = 500; // every entry shown costs far more under the sanitizers
#else
constexpr int kFiles = 2000;
#endif

class TestStrangeFiles : public QObject {
    Q_OBJECT

private:
    static QByteArray strangeFile(int index, std::mt19937& random)
    {
        const auto below = [&](int n) { return std::uniform_int_distribution(0, n - 1)(random); };
        // First every length that rounds at .5, then every kind of random length.
        constexpr int kHalves = (40 * 1024 - 190) / int(kRecordSize) + 1;
        const int length = qMax(0,
                                index < kHalves      ? 190 + index * int(kRecordSize)
                                    : index % 3 == 0 ? below(108) * int(kRecordSize) + below(3) - 1
                                                     : below(40 * 1024 + 1));
        QByteArray bytes(length, Qt::Uninitialized);
        for (char& byte : bytes)
            byte = char(below(256));
        if (index % 4 == 0) // runs of zeros: fields ended early, slots never written
            for (int run = below(6); run > 0 && !bytes.isEmpty(); --run) {
                const int from = below(int(bytes.size()));
                std::fill_n(bytes.begin() + from, qMin(below(800), int(bytes.size()) - from), '\0');
            }
        if (index % 10 == 1) // every byte value at every offset of a field
            for (qsizetype i = 0; i < bytes.size(); ++i)
                bytes[i] = char(i % 251);
        return bytes;
    }

private slots:
    void openEveryStrangeFile()
    {
        std::mt19937 random(1852);
        TempLog log;
        int entriesShown = 0;
        int opened = 0;
        for (int index = 0; index < kFiles && !QTest::currentTestFailed(); ++index) {
            const QByteArray bytes = strangeFile(index, random);
            log.write(bytes);
            const auto count = int(recordCountForLength(quint64(bytes.size())));
            const QByteArray file = QByteArray::number(index) + ": " + QByteArray::number(bytes.size()) + " bytes";

            LogStore store(log.directoryPath());
            ScriptedMessageBox box;
            EntryWindow window(store, box);
            if (count == 0) {
                box.answer({ MessageBox::Answer::No }); // "New file-start entering Biers?"
                QVERIFY2(window.load() == EntryWindow::LoadResult::Declined, file);
                QCOMPARE(box.prompts(), QStringList { "New file-start entering Biers?" });
            } else {
                QVERIFY2(window.load() == EntryWindow::LoadResult::Shown, file);
                QCOMPARE(store.recordCount(), count);
                const auto fields = window.findChildren<QLineEdit*>();
                for (int n = 1; n <= count; ++n) {
                    if (n > 1)
                        window.findChild<QPushButton*>("cmdMove2")->click(); // >
                    QCOMPARE(store.currentRecord(), n);
                    for (const QLineEdit* field : fields)
                        QVERIFY2(!field->text().contains(QChar(0)), file);
                    ++entriesShown;
                }
                window.findChild<QPushButton*>("cmdAction2")->click(); // List
                QVERIFY(window.nameListWindow());
                QCOMPARE(window.nameListWindow()->list()->model()->rowCount(), count);
                box.answer({ MessageBox::Answer::Yes }); // "Exit - are you sure?"
                window.findChild<QPushButton*>("cmdAction3")->click();
                QCOMPARE(box.prompts(), QStringList { "Exit - are you sure?" });
            }
            QVERIFY2(log.read() == bytes, file + " changed");
            ++opened;
        }
        qInfo("%d strange files opened, %d entries shown, 0 changed", opened, entriesShown);
        QCOMPARE(opened, kFiles);
    }
};

QTEST_MAIN(TestStrangeFiles)
#include "test_strange_files.moc"
