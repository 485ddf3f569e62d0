// The command and move buttons in both modes, start-up and exit, and how the
// window behaves when the data file fails under it.

#include "entry_window.h"
#include "faulty_file_api.h"
#include "name_list_window.h"
#include "scripted_message_box.h"
#include "temp_log.h"

#include <QAbstractItemModel>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using namespace pintwise;
using Answer = MessageBox::Answer;

namespace {

// The buttons by objectName: cmdAction 0-3 and cmdMove 0-3.
const QString kNewSave = "cmdAction0", kDeleteCancel = "cmdAction1", kList = "cmdAction2", kExit = "cmdAction3";
const QString kFirst = "cmdMove0", kPrevious = "cmdMove1", kNext = "cmdMove2", kLast = "cmdMove3";

// Each box as "prompt|buttons|icon|title".
const QString kDeleteBox = "Delete the log?|YesNo|Question|";
const QString kExitBox = "Exit - are you sure?|YesNo|Question|";
const QString kNewFileBox = "New file-start entering Biers?|YesNo|None|New file";
const QString kFirstBox = "Already at first record!|Ok|None|";
const QString kLastBox = "Already at last record!|Ok|None|";

const QByteArray kThree = sampleRecord("A") + sampleRecord("B") + sampleRecord("C");
const QStringList kEmptyFields(kFieldCount, QString());

QString padded(const QString& text)
{
    return text.leftJustified(20);
}

// Answers from the script, noting whether the entry window was on screen
// when each box was asked.
struct WatchedBoxes final : MessageBox {
    ScriptedMessageBox scripted;
    QWidget* window = nullptr;
    QList<bool> windowShown;

    Answer show(std::string_view prompt, Buttons buttons, Icon icon, std::string_view title) override
    {
        windowShown.append(window->isVisible());
        return scripted.show(prompt, buttons, icon, title);
    }
};

struct Harness {
    TempLog log;
    FaultyFileApi files;
    LogStore store { log.directoryPath(), files };
    WatchedBoxes boxes;
    EntryWindow window { store, boxes };

    Harness() { boxes.window = &window; }

    bool start(const QByteArray& file, const QList<Answer>& answers = {})
    {
        log.write(file);
        boxes.scripted.script.append(answers);
        return window.load() == EntryWindow::LoadResult::Shown;
    }

    QLineEdit* edit(int f) const { return window.findChild<QLineEdit*>(kFieldNames[f]); }
    QPushButton* button(const QString& name) const { return window.findChild<QPushButton*>(name); }
    void click(const QString& name, const QList<Answer>& answers = {})
    {
        boxes.scripted.script.append(answers);
        QTest::mouseClick(button(name), Qt::LeftButton);
    }

    // Types "<name>", "<name> 2" ... "<name> 10": sampleRecord(name) once saved.
    QStringList type(const QByteArray& name, bool withNotes = true)
    {
        QStringList typed;
        for (int f = 0; f < kFieldCount; ++f) {
            typed.append(f == 0 ? QString(name) : QString("%1 %2").arg(QString(name)).arg(f + 1));
            if (f == kFieldCount - 1 && !withNotes)
                typed.last().clear();
            QTest::keyClicks(edit(f), typed.last());
        }
        return typed;
    }

    QStringList shown() const
    {
        QStringList texts;
        for (int f = 0; f < kFieldCount; ++f)
            texts.append(edit(f)->text());
        return texts;
    }

    QStringList asked() const
    {
        QStringList result;
        for (const AskedBox& box : boxes.scripted.asked)
            result.append(QString("%1|%2|%3|%4")
                              .arg(box.prompt, box.buttons == MessageBox::Buttons::Ok ? "Ok" : "YesNo",
                                   box.icon == MessageBox::Icon::Question ? "Question" : "None", box.title));
        return result;
    }

    // "browse New/Delete 2/3": the mode, the two captions, current/count.
    QString state() const
    {
        return QString("%1 %2/%3 %4/%5")
            .arg(store.addingNew() ? "adding" : "browse", button(kNewSave)->text(), button(kDeleteCancel)->text())
            .arg(store.currentRecord())
            .arg(store.recordCount());
    }
};

QString saveError(const Harness& h, int entry, const QString& reason)
{
    return QString("Could not save entry %1 to the log file \"%2\": %3.|Ok|None|")
        .arg(entry)
        .arg(h.log.filePath(), reason);
}

} // namespace

class TestCommands : public QObject {
    Q_OBJECT

private slots:
    // Three entries, on record 2; in adding mode slot 4 holds "N", "N 2" ... typed.
    void commandTable_data()
    {
        QTest::addColumn<QString>("typing"); // "": browse; "all"/"nine": New, then fields typed
        QTest::addColumn<QString>("button");
        QTest::addColumn<QList<Answer>>("answer");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("bier");
        QTest::addColumn<QByteArray>("file");

        const QList<Answer> none, yes { Answer::Yes }, no { Answer::No };
        const QString onTwo = "browse New/Delete 2/3", adding = "adding Save/Cancel 4/4";
        const QByteArray deleted = sampleRecord("A") + QByteArray(380, ' ') + sampleRecord("C");
        const QString a = padded("A"), b = padded("B"), c = padded("C");
        QTest::newRow("browse New") << "" << kNewSave << none << QStringList() << adding << "" << kThree;
        QTest::newRow("browse Delete Yes")
            << "" << kDeleteCancel << yes << QStringList { kDeleteBox } << onTwo << "" << deleted;
        QTest::newRow("browse Delete No")
            << "" << kDeleteCancel << no << QStringList { kDeleteBox } << onTwo << b << kThree;
        QTest::newRow("browse List") << "" << kList << none << QStringList() << onTwo << b << kThree;
        QTest::newRow("browse Exit No") << "" << kExit << no << QStringList { kExitBox } << onTwo << b << kThree;
        QTest::newRow("browse <<") << "" << kFirst << none << QStringList() << "browse New/Delete 1/3" << a << kThree;
        QTest::newRow("browse <") << "" << kPrevious << none << QStringList() << "browse New/Delete 1/3" << a << kThree;
        QTest::newRow("browse >") << "" << kNext << none << QStringList() << "browse New/Delete 3/3" << c << kThree;
        QTest::newRow("browse >>") << "" << kLast << none << QStringList() << "browse New/Delete 3/3" << c << kThree;
        QTest::newRow("adding Save") << "all" << kNewSave << none << QStringList() << "browse New/Delete 4/4"
                                     << "N" << kThree + sampleRecord("N");
        QTest::newRow("adding Save, notes empty")
            << "nine" << kNewSave << none << QStringList() << "browse New/Delete 4/4"
            << "N" << kThree;
        QTest::newRow("adding Cancel") << "all" << kDeleteCancel << none << QStringList() << "browse New/Delete 3/4"
                                       << c << kThree;
        QTest::newRow("adding List") << "all" << kList << none << QStringList() << adding << "N" << kThree;
        QTest::newRow("adding Exit No") << "all" << kExit << no << QStringList { kExitBox } << adding << "N" << kThree;
        const QStringList moves { kFirst, kPrevious, kNext, kLast };
        for (int i = 0; i < 4; ++i)
            QTest::addRow("adding %s", QList { "<<", "<", ">", ">>" }[i])
                << "all" << moves[i] << none << QStringList() << adding << "N" << kThree;
    }

    void commandTable()
    {
        QFETCH(QString, typing);
        QFETCH(QString, button);
        QFETCH(QList<Answer>, answer);
        Harness h;
        QVERIFY(h.start(kThree));
        h.click(kNext);
        QStringList typed = kEmptyFields;
        if (!typing.isEmpty()) {
            h.click(kNewSave);
            typed = h.type("N", typing == "all");
        }
        h.click(button, answer);

        QTEST(h.asked(), "boxes");
        QTEST(h.state(), "state");
        QTEST(h.edit(0)->text(), "bier");
        QTEST(h.log.read(), "file");
        if (h.store.addingNew())
            QCOMPARE(h.shown(), typed); // nothing typed is lost
        QCOMPARE(h.window.nameListWindow() != nullptr, button == kList);
        QVERIFY(h.store.isOpen() && h.window.isVisible());
    }

    void newCancelLeavesAnAbandonedSlot()
    {
        Harness h;
        QVERIFY(h.start(kThree + sampleRecord("D") + sampleRecord("E")));
        h.click(kNewSave);
        h.click(kDeleteCancel);
        QCOMPARE(h.state(), "browse New/Delete 5/6");
        QCOMPARE(h.edit(0)->text(), padded("E"));
        h.click(kNext); // slot 6, past the end of the file: shown without a word
        QCOMPARE(h.state(), "browse New/Delete 6/6");
        QCOMPARE(h.shown(), kEmptyFields);
        QCOMPARE(h.asked(), QStringList());
        h.click(kNext);
        QCOMPARE(h.asked(), QStringList { kLastBox });
        QCOMPARE(h.state(), "browse New/Delete 6/6");
        QCOMPARE(h.log.read().size(), 5 * 380);
    }

    void firstRecordBoundary()
    {
        Harness h;
        QVERIFY(h.start(kThree));
        QTest::keyClicks(h.edit(0), "typed over");
        h.click(kPrevious);
        QCOMPARE(h.asked(), QStringList { kFirstBox });
        QCOMPARE(h.edit(0)->text(), padded("A"));
        QTest::keyClicks(h.edit(0), "typed over");
        h.click(kFirst); // reads record 1 again, silently
        QCOMPARE(h.asked(), QStringList { kFirstBox });
        QCOMPARE(h.edit(0)->text(), padded("A"));
        QCOMPARE(h.state(), "browse New/Delete 1/3");
    }

    void incompleteFirstEntryThenDelete()
    {
        Harness h;
        QVERIFY(h.start({}, { Answer::Yes }));
        h.type("N", false);
        h.click(kNewSave);
        QCOMPARE(h.state(), "browse New/Delete 1/1");
        QCOMPARE(h.log.read(), QByteArray());
        h.click(kLast);
        QCOMPARE(h.shown(), kEmptyFields);
        h.click(kDeleteCancel, { Answer::Yes });
        QCOMPARE(h.log.read(), QByteArray(380, ' '));
        QCOMPARE(h.asked(), QStringList({ kNewFileBox, kDeleteBox }));
    }

    void cancelFirstEntryOfEmptyLog()
    {
        Harness h;
        QVERIFY(h.start({}, { Answer::Yes }));
        h.type("N");
        h.click(kDeleteCancel);
        QCOMPARE(h.state(), "browse New/Delete 1/1"); // never record 0
        QCOMPARE(h.shown(), kEmptyFields);
        QCOMPARE(h.log.read(), QByteArray());
    }

    void exitNoClosesListAndKeepsLog()
    {
        Harness h;
        QVERIFY(h.start(kThree));
        h.click(kList);
        QPointer<NameListWindow> list = h.window.nameListWindow();
        QVERIFY(list && list->isVisible());
        h.click(kExit, { Answer::No });
        QTRY_VERIFY(list.isNull());
        QVERIFY(h.window.isVisible());
        h.click(kNewSave);
        h.type("N");
        h.click(kNewSave);
        QCOMPARE(h.log.read(), kThree + sampleRecord("N"));
    }

    void exitYesClosesEverything()
    {
        Harness h;
        QVERIFY(h.start(kThree));
        h.click(kList);
        QPointer<NameListWindow> list = h.window.nameListWindow();
        h.click(kExit, { Answer::Yes });
        QCOMPARE(h.asked(), QStringList { kExitBox });
        QVERIFY(!h.store.isOpen() && !h.window.isVisible());
        QTRY_VERIFY(list.isNull());
        QCOMPARE(h.log.read(), kThree);
    }

    void closeBoxAsksTheSame()
    {
        Harness h;
        QVERIFY(h.start(kThree, { Answer::No, Answer::Yes }));
        QVERIFY(!h.window.close());
        QVERIFY(h.window.isVisible() && h.store.isOpen());
        QVERIFY(h.window.close());
        QCOMPARE(h.asked(), QStringList({ kExitBox, kExitBox }));
        QVERIFY(!h.store.isOpen());
    }

    void listIsFilledOncePerOpening()
    {
        Harness h;
        QVERIFY(h.start(kThree));
        h.click(kList);
        QPointer<NameListWindow> list = h.window.nameListWindow();
        h.click(kNewSave);
        h.type("N");
        h.click(kNewSave);
        list->showMinimized();
        h.click(kList); // only brought forward, restored if minimised
        QCOMPARE(h.window.nameListWindow(), list.data());
        QVERIFY(!list->isMinimized());
        QCOMPARE(list->list()->model()->rowCount(), 3);
        list->close();
        QTRY_VERIFY(list.isNull());
        h.click(kList);
        QCOMPARE(h.window.nameListWindow()->list()->model()->rowCount(), 4);
        QCOMPARE(h.asked(), QStringList());
    }

    void startOnEmptyLog_data()
    {
        QTest::addColumn<bool>("hasFile");
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<Answer>("answer");
        QTest::newRow("no file, No") << false << QByteArray() << Answer::No;
        QTest::newRow("no file, Yes") << false << QByteArray() << Answer::Yes;
        QTest::newRow("0 bytes, Yes") << true << QByteArray() << Answer::Yes;
        QTest::newRow("100 bytes, No") << true << QByteArray(100, 'x') << Answer::No;
        QTest::newRow("100 bytes, Yes") << true << QByteArray(100, 'x') << Answer::Yes;
    }

    void startOnEmptyLog()
    {
        QFETCH(bool, hasFile);
        QFETCH(QByteArray, contents);
        QFETCH(Answer, answer);
        Harness h;
        if (hasFile)
            h.log.write(contents);
        h.boxes.scripted.answer({ answer });
        const bool yes = answer == Answer::Yes;
        QCOMPARE(h.window.load(), yes ? EntryWindow::LoadResult::Shown : EntryWindow::LoadResult::Declined);
        QCOMPARE(h.asked(), QStringList { kNewFileBox }); // and no exit question
        QCOMPARE(h.boxes.windowShown, QList<bool> { false });
        QCOMPARE(h.window.isVisible(), yes);
        QCOMPARE(h.store.isOpen(), yes);
        QVERIFY(h.log.exists());
        QCOMPARE(h.log.read(), contents); // never truncated
        if (yes) {
            QCOMPARE(h.state(), "adding Save/Cancel 1/1");
            QCOMPARE(h.shown(), kEmptyFields);
        }
    }

    void startWithRecords()
    {
        Harness h;
        QVERIFY(h.start(kThree));
        QCOMPARE(h.asked(), QStringList());
        QCOMPARE(h.state(), "browse New/Delete 1/3");
        QCOMPARE(h.shown().first(), padded("A"));
        QCOMPARE(h.shown().last(), QString("A 10").leftJustified(200));
    }

    void startFailure_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("message"); // %1: the file's path
        QTest::newRow("a directory in its place") << "directory"
                                                  << "Could not open the log file \"%1\": Is a directory.";
        QTest::newRow("open in another copy") << "locked"
                                              << "The log file \"%1\" is already open in another copy "
                                                 "of Pintwise. Close that copy and start again.";
        QTest::newRow("32,768 records") << "large"
                                        << "The log file \"%1\" is too large: Pintwise can keep at most "
                                           "32,767 entries. The file has not been changed.";
    }

    void startFailure()
    {
        QFETCH(QString, failure);
        QFETCH(QString, message);
        Harness h;
        LogStore other(h.log.directoryPath());
        QFile file(h.log.filePath());
        if (failure == "directory") {
            QVERIFY(QDir(h.log.directory()).mkdir(LogStore::kDataFileName));
        } else if (failure == "locked") {
            h.log.write(kThree);
            QVERIFY(!other.locate() && !other.open() && !other.count());
        } else {
            QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(12'451'650)); // 32,767.5 records
        }
        QCOMPARE(h.window.load(), EntryWindow::LoadResult::Failed);
        QCOMPARE(h.asked(), QStringList { message.arg(h.log.filePath()) + "|Ok|None|" });
        QCOMPARE(h.boxes.windowShown, QList<bool> { false });
        QVERIFY(!h.window.isVisible() && !h.store.isOpen());
        if (failure == "locked") {
            QCOMPARE(h.log.read(), kThree);
            QVERIFY(!other.readRecord(2) && !other.writeRecord(4)); // the other copy carries on
            QCOMPARE(h.log.read(), kThree + sampleRecord("B"));
        } else if (failure == "large") {
            QCOMPARE(QFileInfo(file).size(), 12'451'650);
        }
    }

    void failedSaveKeepsTheEntry_data()
    {
        using Call = FaultyFileApi::Call;
        QTest::addColumn<Call>("call");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("reason");
        QTest::newRow("reserving space, disk full") << Call::Fallocate << ENOSPC << "No space left on device";
        QTest::newRow("writing, disk full") << Call::Pwrite << ENOSPC << "No space left on device";
        QTest::newRow("writing, I/O error") << Call::Pwrite << EIO << "Input/output error";
        QTest::newRow("syncing, I/O error") << Call::Fdatasync << EIO << "Input/output error";
    }

    void failedSaveKeepsTheEntry()
    {
        QFETCH(FaultyFileApi::Call, call);
        QFETCH(int, error);
        QFETCH(QString, reason);
        Harness h;
        QVERIFY(h.start(kThree));
        h.click(kNewSave);
        const QStringList typed = h.type("N");
        h.files.onlyCall = call;
        h.files.error = error;
        h.files.calls = 0;
        h.files.failAt = 1;
        h.click(kNewSave);
        QCOMPARE(h.asked(), QStringList { saveError(h, 4, reason) });
        QCOMPARE(h.state(), "adding Save/Cancel 4/4");
        QCOMPARE(h.shown(), typed);
        QCOMPARE(h.log.read(), kThree);
        h.files.failAt = 0; // the fault has gone: Save again
        h.click(kNewSave);
        QCOMPARE(h.state(), "browse New/Delete 4/4");
        QCOMPARE(h.log.read(), kThree + sampleRecord("N"));
        QCOMPARE(h.asked().size(), 1);
    }

    void failedDeleteKeepsTheRecord()
    {
        Harness h;
        QVERIFY(h.start(kThree));
        h.files.onlyCall = FaultyFileApi::Call::Pwrite;
        h.files.failAt = h.files.calls + 1;
        h.click(kDeleteCancel, { Answer::Yes });
        QCOMPARE(h.asked(), QStringList({ kDeleteBox, saveError(h, 1, "Input/output error") }));
        QCOMPARE(h.log.read(), kThree);
        QCOMPARE(h.state(), "browse New/Delete 1/3");
        QCOMPARE(h.shown().first(), padded("A")); // the entry is still there, and shown again
    }
};

QTEST_MAIN(TestCommands)
#include "test_commands.moc"
