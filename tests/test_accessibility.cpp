#include "entry_window.h"
#include "name_list_window.h"
#include "qt_message_box.h"
#include "scripted_message_box.h"
#include "temp_log.h"

#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTimer>

// What a screen reader and a keyboard-only user meet: every control as Qt's
// accessibility interfaces announce it, the real message boxes read and
// answered through those interfaces, and every command reached with Tab and
// pressed with Space.

using namespace pintwise;

namespace {

const QStringList kCaptions {
    "Name of Bier:", "Country of Orgin:",       "Location:", "Style:", "Taste:",
    "Brewery:",      "Tasted at/Purchesed at:", "Cost:",     "Color:", "Notes:"
}; // in tab order

// Every accessible object below root, depth first.
QList<QAccessibleInterface*> descendants(QAccessibleInterface* root)
{
    QList<QAccessibleInterface*> found;
    for (int i = 0; i < root->childCount(); ++i) {
        QAccessibleInterface* child = root->child(i);
        found.append(child);
        found.append(descendants(child));
    }
    return found;
}

QStringList namesWithRole(QAccessibleInterface* root, QAccessible::Role role)
{
    QStringList names;
    for (QAccessibleInterface* item : descendants(root))
        if (item->role() == role)
            names.append(item->text(QAccessible::Name));
    return names;
}

// A box the test failed to answer would keep show() from returning: after a
// few seconds it is closed, and the test fails instead of hanging.
void closeBoxIfStillOpen(QObject* context, bool& stillOpen)
{
    QTimer::singleShot(5000, context, [&stillOpen] {
        if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            stillOpen = true;
            box->done(QDialog::Rejected);
        }
    });
}

struct Session {
    explicit Session(const QByteArray& bytes)
    {
        log.write(bytes);
        if (window.load() != EntryWindow::LoadResult::Shown)
            qFatal("the log did not open");
    }
    QPushButton* button(const char* name) const { return window.findChild<QPushButton*>(name); }

    TempLog log;
    LogStore store { log.directoryPath() };
    ScriptedMessageBox messages;
    EntryWindow window { store, messages };
};

const QByteArray kThree = sampleRecord("Alt") + sampleRecord("Bock") + sampleRecord("K\xf6lsch");

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT

private slots:
    void entryWindowAnnounced_data()
    {
        QTest::addColumn<bool>("adding");
        QTest::addColumn<QStringList>("buttons"); // in the order they were made
        QTest::newRow("browsing") << false << QStringList { "New", "Delete", "List", "Exit", "<<", "<", ">", ">>" };
        QTest::newRow("adding") << true << QStringList { "Save", "Cancel", "List", "Exit", "<<", "<", ">", ">>" };
    }

    void entryWindowAnnounced()
    {
        QFETCH(bool, adding);
        QFETCH(QStringList, buttons);

        Session s(kThree);
        if (adding)
            s.button("cmdAction0")->click();
        QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&s.window);
        QCOMPARE(window->text(QAccessible::Name), QString("Tapsmith Pintwise"));

        // Each field is named after its label and related to it, which is how
        // an assistive tool finds the label to read out.
        QStringList fields, labelledBy;
        for (QAccessibleInterface* item : descendants(window)) {
            if (item->role() != QAccessible::EditableText)
                continue;
            fields.append(item->text(QAccessible::Name));
            QVERIFY(item->state().focusable);
            const auto labels = item->relations(QAccessible::Label);
            QCOMPARE(labels.size(), 1);
            labelledBy.append(labels.first().first->text(QAccessible::Name));
        }
        QCOMPARE(fields, kCaptions);
        QCOMPARE(labelledBy, kCaptions);
        QCOMPARE(namesWithRole(window, QAccessible::StaticText), kCaptions);
        QCOMPARE(namesWithRole(window, QAccessible::PushButton), buttons);
    }

    void nameListAnnounced()
    {
        Session s(kThree);
        s.button("cmdAction2")->click();
        NameListWindow* window = s.window.nameListWindow();
        QCOMPARE(QAccessible::queryAccessibleInterface(window)->text(QAccessible::Name), QString("Bier List"));
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(window->list());
        QCOMPARE(list->role(), QAccessible::List);
        QStringList names;
        for (const QString& name : namesWithRole(list, QAccessible::ListItem))
            names.append(name.trimmed());
        QCOMPARE(names, QStringList({ "Alt", "Bock", "K\u00f6lsch" }));
    }

    void messageBoxAnnounced_data()
    {
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<MessageBox::Buttons>("buttons");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("announcedTitle");
        QTest::addColumn<QStringList>("announcedButtons");
        QTest::addColumn<QString>("press");
        QTest::addColumn<MessageBox::Answer>("answer");
        using B = MessageBox::Buttons;
        using A = MessageBox::Answer;
        const QStringList yesNo { "Yes", "No" }, ok { "OK" };
        QTest::newRow("exit question") << "Exit - are you sure?" << B::YesNo << ""
                                       << "Pintwise" << yesNo << "No" << A::No;
        QTest::newRow("new log question") << "New file-start entering Biers?" << B::YesNo << "New file"
                                          << "New file" << yesNo << "Yes" << A::Yes;
        QTest::newRow("boundary notice") << "Already at last record!" << B::Ok << ""
                                         << "Pintwise" << ok << "OK" << A::Ok;
        QTest::newRow("error naming a path")
            << "Could not open the log file \"/opt/<b>beer</b>/Entry.Dat\": Permission denied." << B::Ok << ""
            << "Pintwise" << ok << "OK" << A::Ok;
    }

    void messageBoxAnnounced()
    {
        QFETCH(QString, prompt);
        QFETCH(MessageBox::Buttons, buttons);
        QFETCH(QString, title);
        QFETCH(QString, announcedTitle);
        QFETCH(QStringList, announcedButtons);
        QFETCH(QString, press);
        QFETCH(MessageBox::Answer, answer);

        // Read from inside the box's modal loop, then answered the way an
        // assistive tool would: by the button's press action.
        QString seenTitle;
        QStringList seenTexts, seenButtons;
        QTimer::singleShot(0, this, [&] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box)
                return; // show() would never return: the test times out
            QAccessibleInterface* dialog = QAccessible::queryAccessibleInterface(box);
            seenTitle = dialog->text(QAccessible::Name);
            seenTexts = namesWithRole(dialog, QAccessible::StaticText);
            for (QAccessibleInterface* item : descendants(dialog)) {
                if (item->role() != QAccessible::PushButton)
                    continue;
                seenButtons.append(item->text(QAccessible::Name));
                if (item->text(QAccessible::Name) == press)
                    item->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            }
        });

        bool stillOpen = false;
        closeBoxIfStillOpen(this, stillOpen);
        QtMessageBox messages;
        const MessageBox::Answer given
            = messages.show(prompt.toStdString(), buttons, MessageBox::Icon::None, title.toStdString());
        QVERIFY(!stillOpen);
        QCOMPARE(given, answer);
        QCOMPARE(seenTitle, announcedTitle);
        QVERIFY2(seenTexts.contains(prompt), qPrintable(seenTexts.join(" | ")));
        QCOMPARE(seenButtons, announcedButtons);
    }

    void messageBoxAnsweredByKeys_data()
    {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<MessageBox::Answer>("answer");
        using A = MessageBox::Answer;
        QTest::newRow("Return takes the default, Yes") << QList<int> { Qt::Key_Return } << A::Yes;
        QTest::newRow("Space on the highlighted Yes") << QList<int> { Qt::Key_Space } << A::Yes;
        QTest::newRow("Y") << QList<int> { Qt::Key_Y } << A::Yes;
        QTest::newRow("N") << QList<int> { Qt::Key_N } << A::No;
        QTest::newRow("Escape does nothing, then Y") << QList<int> { Qt::Key_Escape, Qt::Key_Y } << A::Yes;
        QTest::newRow("Tab to No, Space") << QList<int> { Qt::Key_Tab, Qt::Key_Space } << A::No;
        QTest::newRow("Tab to No, Return") << QList<int> { Qt::Key_Tab, Qt::Key_Return } << A::No;
        QTest::newRow("Right to No, Space") << QList<int> { Qt::Key_Right, Qt::Key_Space } << A::No;
        QTest::newRow("Right, Left back to Yes, Space")
            << QList<int> { Qt::Key_Right, Qt::Key_Left, Qt::Key_Space } << A::Yes;
    }

    void messageBoxAnsweredByKeys()
    {
        QFETCH(QList<int>, keys);
        QFETCH(MessageBox::Answer, answer);

        QTimer::singleShot(0, this, [&] {
            for (int key : keys) {
                QWidget* box = QApplication::activeModalWidget();
                if (!box)
                    return; // answered too early: the comparison below fails
                QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key(key));
            }
        });
        bool stillOpen = false;
        closeBoxIfStillOpen(this, stillOpen);
        QtMessageBox messages;
        const MessageBox::Answer given
            = messages.show("Exit - are you sure?", MessageBox::Buttons::YesNo, MessageBox::Icon::Question, {});
        QVERIFY(!stillOpen);
        QCOMPARE(given, answer);
    }

    void keyboardReachesEveryCommand_data()
    {
        // Tab presses from the first field, and what Space on that button
        // does to the second of three entries.
        QTest::addColumn<int>("tabs");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<QString>("shownName");
        QTest::addColumn<bool>("listOpen");
        QTest::addColumn<QString>("firstCaption");
        const auto row = [](const char* name, int tabs, const char* button, const QStringList& asked, const char* shown,
                            bool list = false, const char* caption = "New") {
            QTest::newRow(name) << tabs << button << asked << shown << list << caption;
        };
        row("New", 10, "cmdAction0", {}, "", false, "Save");
        row("List", 11, "cmdAction2", {}, "Bock", true);
        row("Exit", 12, "cmdAction3", { "Exit - are you sure?" }, "Bock");
        row("<<", 13, "cmdMove0", {}, "Alt");
        row("<", 14, "cmdMove1", {}, "Alt");
        row(">", 15, "cmdMove2", {}, "K\xc3\xb6lsch");
        row(">>", 16, "cmdMove3", {}, "K\xc3\xb6lsch");
        row("Delete", 17, "cmdAction1", { "Delete the log?" }, "Bock");
    }

    void keyboardReachesEveryCommand()
    {
        QFETCH(int, tabs);
        QFETCH(QString, button);
        QFETCH(QStringList, asked);
        QFETCH(QString, shownName);
        QFETCH(bool, listOpen);
        QFETCH(QString, firstCaption);

        Session s(kThree);
        s.button("cmdMove2")->click();
        s.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&s.window));
        for (int i = 0; i < tabs; ++i) {
            QVERIFY(QApplication::focusWidget());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(QApplication::focusWidget()->objectName(), button);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space); // the questions are answered No

        QCOMPARE(s.messages.prompts(), asked);
        QCOMPARE(s.window.findChild<QLineEdit*>("txtBier")->text().trimmed(), shownName);
        QCOMPARE(s.window.nameListWindow() != nullptr, listOpen);
        QCOMPARE(s.button("cmdAction0")->text(), firstCaption);
    }
};

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
