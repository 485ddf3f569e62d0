#include "application_identity.h"
#include "entry_window.h"
#include "faulty_file_api.h"
#include "host_word.h"
#include "qt_message_box.h"
#include "scripted_message_box.h"
#include "temp_log.h"

#include <QAccessible>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

using namespace pintwise;

namespace {

struct Harness {
    explicit Harness(const QByteArray& bytes = {}, FileApi& files = systemFileApi())
        : store(log.directoryPath(), files)
    {
        log.write(bytes);
    }
    [[nodiscard]] bool open() { return !store.locate() && !store.open() && !store.count(); }
    QLineEdit* field(int f) const { return window.findChild<QLineEdit*>(kFieldNames[f]); }
    QString caption(const char* button) const { return window.findChild<QPushButton*>(button)->text(); }
    void typeAll(const QStringList& texts)
    {
        for (int f = 0; f < kFieldCount; ++f)
            field(f)->setText(texts[f]);
    }

    TempLog log;
    LogStore store;
    ScriptedMessageBox messages;
    EntryWindow window { store, messages };
};

// "Hop 1" ... "Hop 10": what the tests type into the ten fields.
QStringList typedTexts()
{
    QStringList texts;
    for (int f = 1; f <= kFieldCount; ++f)
        texts.append(QString("Hop %1").arg(f));
    return texts;
}

QString textOf(const HostWord& word)
{
    return QStringView(word.text.data(), qsizetype(word.text.size())).toString();
}

QByteArray bytesOf(const HostWord& word)
{
    return QByteArray(word.bytes.data(), qsizetype(word.bytes.size()));
}

} // namespace

class TestEntryWindow : public QObject {
    Q_OBJECT

private slots:
    void controlLayout_data()
    {
        // The design table in twips; tab is the place among the focusable
        // controls, buddy the field a label names.
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("buddy");
        const auto row
            = [](const char* name, const char* caption, int l, int t, int w, int h, int tab, const char* buddy = "") {
                  QTest::newRow(name) << caption << QRect(l, t, w, h) << tab << buddy;
              };
        row("txtBier", "", 2280, 600, 2175, 375, 0);
        row("txtCountry", "", 2280, 1200, 2175, 375, 1);
        row("txtLocation", "", 2280, 1800, 2175, 375, 2);
        row("txtStyle", "", 2280, 2400, 2175, 375, 3);
        row("txtTaste", "", 2280, 3000, 2175, 375, 4);
        row("txtBrewery", "", 7200, 600, 2175, 375, 5);
        row("txtPurchese", "", 7200, 1200, 2175, 375, 6);
        row("txtCost", "", 7200, 1800, 2175, 375, 7);
        row("txtColor", "", 7200, 2400, 2175, 375, 8);
        row("txtNotes", "", 7200, 3000, 3375, 855, 9);
        row("LblName", "Name of Bier:", 120, 720, 1815, 255, -1, "txtBier");
        row("LblCountry", "Country of Orgin:", 120, 1320, 1815, 255, -1, "txtCountry");
        row("lblLocation", "Location:", 120, 1920, 1815, 255, -1, "txtLocation");
        row("lblStyle", "Style:", 120, 2520, 1815, 255, -1, "txtStyle");
        row("lblTaste", "Taste:", 120, 3120, 1815, 255, -1, "txtTaste");
        row("lblBrewery", "Brewery:", 5160, 720, 1815, 255, -1, "txtBrewery");
        row("lblPurchese", "Tasted at/Purchesed at:", 5160, 1320, 1815, 255, -1, "txtPurchese");
        row("lblCost", "Cost:", 5160, 1920, 1815, 255, -1, "txtCost");
        row("lblColor", "Color:", 5160, 2520, 1815, 255, -1, "txtColor");
        row("lblNote", "Notes:", 5160, 3120, 1815, 255, -1, "txtNotes");
        row("cmdAction0", "New", 240, 4200, 1215, 495, 10);
        row("cmdAction1", "Delete", 2520, 4200, 1215, 495, 17);
        row("cmdAction2", "List", 5520, 4200, 1215, 495, 11);
        row("cmdAction3", "Exit", 8040, 4200, 1215, 495, 12);
        row("cmdMove0", "<<", 240, 4920, 1215, 495, 13);
        row("cmdMove1", "<", 2520, 4920, 1215, 495, 14);
        row("cmdMove2", ">", 5520, 4920, 1215, 495, 15);
        row("cmdMove3", ">>", 8040, 4920, 1215, 495, 16);
    }

    void controlLayout()
    {
        QFETCH(QString, caption);
        QFETCH(QRect, twips);
        QFETCH(int, tab);
        QFETCH(QString, buddy);

        Harness h;
        QCOMPARE(h.window.logicalDpiX(), 96); // 15 twips a pixel
        auto* control = h.window.findChild<QWidget*>(QTest::currentDataTag());
        QVERIFY(control);
        QCOMPARE(control->geometry(), QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));

        QStringList focusOrder; // the focus chain from txtBier, as Tab walks it
        QWidget* w = h.field(0);
        do {
            if (w != &h.window && (w->focusPolicy() & Qt::TabFocus))
                focusOrder.append(w->objectName());
            w = w->nextInFocusChain();
        } while (w != h.field(0));
        QCOMPARE(focusOrder.size(), 18);
        QCOMPARE(focusOrder.indexOf(control->objectName()), tab);

        if (auto* label = qobject_cast<QLabel*>(control)) {
            QCOMPARE(label->text(), caption);
            QCOMPARE(label->focusPolicy(), Qt::NoFocus);
            QCOMPARE(label->buddy(), h.window.findChild<QWidget*>(buddy));
            QVERIFY(QFontMetrics(label->font()).horizontalAdvance(caption) <= label->width()); // nothing clipped
            // A screen reader announces the field by its label.
            QCOMPARE(QAccessible::queryAccessibleInterface(label->buddy())->text(QAccessible::Name), caption);
        } else if (auto* button = qobject_cast<QPushButton*>(control)) {
            QCOMPARE(button->text(), caption);
            QVERIFY(!button->isDefault() && !button->autoDefault());
            QCOMPARE(QAccessible::queryAccessibleInterface(button)->text(QAccessible::Name), caption);
        } else {
            QCOMPARE(qobject_cast<QLineEdit*>(control)->text(), caption);
        }
    }

    void windowAndFields()
    {
        Harness h;
        QCOMPARE(h.window.windowTitle(), QString("Tapsmith Pintwise"));
        QCOMPARE(h.window.focusWidget(), h.field(0));
        h.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&h.window));
        QCOMPARE(h.window.size(), QSize(719, 413));

        // Single-line fields that take text far past QLineEdit's usual 32767.
        const QString longText(40000, QChar('x'));
        for (int f = 0; f < kFieldCount; ++f) {
            h.field(f)->setText(longText);
            QCOMPARE(h.field(f)->text(), longText);
        }

        // A picture of the window has the same size in device-independent
        // pixels at any scale, with the screen's pixels behind each one.
        const QPixmap picture = h.window.grab();
        const qreal scale = qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble();
        QCOMPARE(picture.devicePixelRatio(), scale);
        QCOMPARE(picture.deviceIndependentSize(), QSizeF(719, 413));
        QCOMPARE(picture.size(), QSize(qRound(719 * scale), qRound(413 * scale)));

        QList<QPair<QWidget*, QRect>> before;
        for (QWidget* child : h.window.findChildren<QWidget*>())
            before.append({ child, child->geometry() });
        QCOMPARE(before.size(), 28);
        for (const QSize size : { QSize(300, 200), QSize(1400, 900), QSize(719, 413) }) {
            h.window.resize(size);
            QTRY_COMPARE(h.window.size(), size);
            for (const auto& [child, geometry] : before)
                QCOMPARE(child->geometry(), geometry);
        }
    }

    void displayRecord_data()
    {
        QTest::addColumn<int>("record");
        QTest::addColumn<QByteArray>("shown"); // the bytes the fields show; empty for ten empty fields
        QTest::newRow("full, trailing spaces kept") << 1 << sampleRecord("Duvel");
        QTest::newRow("blank: all spaces") << 2 << QByteArray(380, ' ');
        QTest::newRow("zero-filled: empty") << 3 << QByteArray();
        QTest::newRow("past the end: empty") << 5 << QByteArray();
    }

    void displayRecord()
    {
        QFETCH(int, record);
        QFETCH(QByteArray, shown);
        const QByteArray file = sampleRecord("Duvel") + recordBytes({}) + QByteArray(380, '\0');
        Harness h(file);
        QVERIFY(h.open());
        h.typeAll(QStringList(kFieldCount, "stale"));
        QVERIFY(h.window.displayRecord(static_cast<RecordNumber>(record)));
        for (int f = 0; f < kFieldCount; ++f) {
            const auto layout = fieldLayout(static_cast<Field>(f));
            QCOMPARE(h.field(f)->text(), QString::fromLatin1(shown.mid(layout.offset, layout.width)));
        }
        QVERIFY(h.messages.asked.isEmpty());
        QCOMPARE(h.log.read(), file);
    }

    // A log kept in the host's code page shows its letters (the locale runs).
    void hostLettersShown()
    {
        Harness h(recordBytes({ bytesOf(hostWord()) }));
        QVERIFY(h.open());
        QVERIFY(h.window.displayRecord(1));
        QCOMPARE(h.field(0)->text(), textOf(hostWord()).leftJustified(20));
    }

    void saveCurrentRecord_data()
    {
        QTest::addColumn<int>("field"); // the one field typed differently, -1 for none
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("stored"); // what that field becomes in the file
        QTest::addColumn<bool>("writeFails");

        QTest::newRow("all filled") << -1 << QString() << QByteArray() << false;
        QTest::newRow("single space counts") << 0 << " " << QByteArray(20, ' ') << false;
        QTest::newRow("leading and trailing spaces kept")
            << 4 << "  at the pub  " << QByteArray("  at the pub  ") << false;
        QTest::newRow("notes cut at 200") << 9 << QString(250, 'n') << QByteArray(200, 'n') << false;
        QTest::newRow("write fails") << -1 << QString() << QByteArray() << true;
        QTest::newRow("Bier in the host's code page") << 0 << textOf(hostWord()) << bytesOf(hostWord()) << false;
        for (int f = 0; f < kFieldCount; ++f)
            QTest::addRow("%s empty: nothing written", kFieldNames[f]) << f << "" << QByteArray() << false;
    }

    void saveCurrentRecord()
    {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(QByteArray, stored);
        QFETCH(bool, writeFails);

        FaultyFileApi files;
        files.onlyCall = FaultyFileApi::Call::Pwrite;
        files.failAt = writeFails ? 1 : 0;
        const QByteArray file = sampleRecord("A") + sampleRecord("B") + sampleRecord("C");
        Harness h(file, files);
        QVERIFY(h.open());
        h.store.setCurrentRecord(2);
        QStringList texts = typedTexts();
        if (field >= 0)
            texts[field] = text;
        h.typeAll(texts);
        QList<QByteArray> fields;
        for (const QString& typed : texts)
            fields.append(typed.toLatin1());
        if (field >= 0)
            fields[field] = stored;

        const auto result = h.window.saveCurrentRecord();
        if (writeFails) {
            QCOMPARE(result, EntryWindow::SaveResult::Failed);
            QCOMPARE(h.messages.asked.size(), 1);
            QCOMPARE(h.messages.asked[0].buttons, MessageBox::Buttons::Ok);
            QVERIFY2(h.messages.asked[0].prompt.contains(h.log.filePath()), qPrintable(h.messages.asked[0].prompt));
        } else {
            QCOMPARE(result,
                     text.isEmpty() && field >= 0 ? EntryWindow::SaveResult::Incomplete
                                                  : EntryWindow::SaveResult::Written);
            QVERIFY(h.messages.asked.isEmpty());
        }
        const bool written = result == EntryWindow::SaveResult::Written;
        QCOMPARE(h.log.read(), written ? sampleRecord("A") + recordBytes(fields) + sampleRecord("C") : file);
        for (int f = 0; f < kFieldCount; ++f)
            QCOMPARE(h.field(f)->text(), texts[f]); // whatever happened, the typed entry stays
    }

    void addNewLog_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("room left") << 2;
        QTest::newRow("log full") << 32767;
    }

    void addNewLog()
    {
        QFETCH(int, count);
        Harness h;
        QFile file(h.log.filePath());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(qint64(count) * 380)); // sparse
        file.close();
        QVERIFY(h.open());
        QCOMPARE(h.store.recordCount(), count);
        h.store.setCurrentRecord(1);
        h.typeAll(typedTexts());

        const bool full = count == kMaxRecords;
        QCOMPARE(h.window.addNewLog(), !full);
        QCOMPARE(h.store.recordCount(), full ? count : count + 1);
        QCOMPARE(h.store.currentRecord(), full ? 1 : count + 1);
        QCOMPARE(h.caption("cmdAction0"), QString(full ? "New" : "Save"));
        QCOMPARE(h.caption("cmdAction1"), QString(full ? "Delete" : "Cancel"));
        QCOMPARE(h.field(0)->text(), QString(full ? "Hop 1" : ""));
        QCOMPARE(h.field(9)->text(), QString(full ? "Hop 10" : ""));
        const QString refusal
            = "The log already holds 32,767 entries, the most it can keep. No new entry can be added.";
        QCOMPARE(h.messages.prompts(), full ? QStringList { refusal } : QStringList {});
        QCOMPARE(QFileInfo(h.log.filePath()).size(), qint64(count) * 380); // reserving writes nothing
    }

    void applicationIdentity()
    {
        setApplicationIdentity(*qApp);
        QCOMPARE(QGuiApplication::applicationName(), QString("Pintwise"));
        QCOMPARE(QGuiApplication::desktopFileName(), QString("pintwise")); // data/pintwise.desktop
        // The icon is drawn from its SVG on demand, at any size a window asks for.
        const QIcon icon = QGuiApplication::windowIcon();
        const qreal scale = qApp->devicePixelRatio();
        for (const int size : { 16, 32, 256 }) {
            const QPixmap picture = icon.pixmap(size);
            QCOMPARE(picture.deviceIndependentSize(), QSizeF(size, size));
            const QImage image = picture.toImage();
            QCOMPARE(image.size(), QSize(qRound(size * scale), qRound(size * scale)));
            QVERIFY(image.pixelColor(image.width() / 2, image.height() * 3 / 4).alpha() > 0); // the beer, not blank
        }
        Harness h;
        QCOMPARE(h.window.windowIcon().cacheKey(), icon.cacheKey());
    }

    void realMessageBox_data()
    {
        QTest::addColumn<MessageBox::Buttons>("buttons");
        QTest::addColumn<MessageBox::Icon>("icon");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("shownTitle");
        using B = MessageBox::Buttons;
        using I = MessageBox::Icon;
        QTest::newRow("yes/no, question, default title") << B::YesNo << I::Question << ""
                                                         << "Pintwise";
        QTest::newRow("yes/no, own title") << B::YesNo << I::None << "New file"
                                           << "New file";
        QTest::newRow("ok, answered with Enter") << B::Ok << I::None << ""
                                                 << "Pintwise";
    }

    void realMessageBox()
    {
        QFETCH(MessageBox::Buttons, buttons);
        QFETCH(MessageBox::Icon, icon);
        QFETCH(QString, title);
        QFETCH(QString, shownTitle);

        // Seen from inside the modal loop, checked once show() has returned.
        // Escape (Enter for OK) is sent first; a box it leaves open is then answered No (or OK).
        QString seenTitle, seenText;
        QMessageBox::Icon seenIcon {};
        bool yesIsDefault = false, openAfterKey = false, openAfterClose = false, plainText = false;
        const bool ok = buttons == MessageBox::Buttons::Ok;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return; // show() would never return: the test times out
            seenTitle = box->windowTitle();
            seenText = box->text();
            seenIcon = box->icon();
            plainText = box->textFormat() == Qt::PlainText; // a path like "<b>" shows as typed
            yesIsDefault = box->defaultButton() && box->defaultButton() == box->button(QMessageBox::Yes);
            QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, ok ? Qt::Key_Return : Qt::Key_Escape);
            openAfterKey = box->isVisible();
            openAfterClose = openAfterKey && !box->close() && box->isVisible();
            if (box->isVisible())
                box->button(ok ? QMessageBox::Ok : QMessageBox::No)->click();
        });

        QtMessageBox messages;
        const auto answer = messages.show("Delete the log?", buttons, icon, title.toStdString());
        QCOMPARE(answer, ok ? MessageBox::Answer::Ok : MessageBox::Answer::No);
        QCOMPARE(seenTitle, shownTitle);
        QCOMPARE(seenText, QString("Delete the log?"));
        QCOMPARE(seenIcon, icon == MessageBox::Icon::Question ? QMessageBox::Question : QMessageBox::NoIcon);
        QCOMPARE(yesIsDefault, !ok);
        QCOMPARE(openAfterKey, !ok);
        QCOMPARE(openAfterClose, !ok);
        QVERIFY(plainText);
    }
};

QTEST_MAIN(TestEntryWindow)
#include "test_entry_window.moc"
