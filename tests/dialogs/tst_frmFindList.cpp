// SPDX-License-Identifier: GPL-3.0-or-later
// The find window, opened through the main window's Find command.
#include "NoteWindowsTestKit.h"

#include "dialogs/FindResultsModel.h"
#include "dialogs/frmFindList.h"
#include "mainwindow/MainStatusBar.h"
#include "core/clsSettings.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>

using namespace quillary;
using namespace quillary::test;

namespace {

frmFindList* OpenFind(frmMain& w) {
    Trigger(w, "mnuFind");
    auto* find = qobject_cast<frmFindList*>(w.FindWindow());
    if (find && !QTest::qWaitForWindowExposed(find))
        qWarning("find window not exposed");
    return find;
}

QCheckBox* Check(frmFindList* find, const char* name) {
    return find->findChild<QCheckBox*>(name);
}
QPushButton* FindButton(frmFindList* find) {
    return find->findChild<QPushButton*>("cmdFind");
}

std::vector<int> Listed(frmFindList* find) {
    return find->Results().Records();
}

// The record of the selected entry, or -1.
int SelectedRecord(frmFindList* find) {
    const QModelIndexList rows = find->ResultList()->selectionModel()->selectedIndexes();
    return rows.size() == 1 ? rows.first().data(Qt::UserRole).toInt() : -1;
}

// Types text key by key; letters beyond ASCII arrive as key events carrying their text,
// as a keyboard layout with those letters sends them.
void Type(frmFindList* find, const QString& text) {
    QLineEdit* box = find->SearchBox();
    box->clear();
    for (const QChar ch : text) {
        if (ch.unicode() < 0x80) {
            QTest::keyClicks(box, QString(ch));
            continue;
        }
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(box, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(box, &release);
    }
    QCOMPARE(box->text(), text);
}

const std::vector<std::string> kAnimals = {"A cat here",
                                           "CAT\nupper case",
                                           "Cat nap",
                                           "dog",
                                           "",
                                           "concatenate",
                                           "caf\xe9 cr\xe8me",
                                           "CAF\xc9",
                                           "\x9c"
                                           "uvre",
                                           "\x8c"
                                           "UVRE",
                                           "\x8akoda",
                                           "\x9akoda",
                                           "stra\xdf"
                                           "e"};

} // namespace

class tst_frmFindList : public QObject {
    Q_OBJECT

private slots:
    void oneWindowWithoutOwner() {
        MainWindowFixture f;
        frmMain& w = StartWithNotes(f, Notes({"one"}));
        frmFindList* find = OpenFind(w);
        QVERIFY(find);
        QCOMPARE(find->windowTitle(), QString("Find Note"));
        QVERIFY(find->parentWidget() == nullptr);
        QVERIFY(find->isVisible());
        QVERIFY(!find->isModal());
        // Centred on the main window.
        const QPoint offset = find->geometry().center() - w.geometry().center();
        QVERIFY2(std::abs(offset.x()) <= 2 && std::abs(offset.y()) <= 2,
                 qPrintable(QString("%1,%2").arg(offset.x()).arg(offset.y())));
        QCOMPARE(OpenFind(w), find); // the same instance again
        w.Commands().RunToolbarTag("Find");
        QCOMPARE(w.FindWindow(), find);
        QVERIFY(f.services.messageTexts().filter("not available").isEmpty());
        // Closed by the person, shown anew on the next Find.
        find->close();
        QVERIFY(!find->isVisible());
        QCOMPARE(OpenFind(w), find);
        QVERIFY(find->isVisible());
        // Escape closes it from the keyboard, as it closes the program's other windows.
        find->activateWindow();
        find->SearchBox()->setFocus();
        QTest::keyClick(find->SearchBox(), Qt::Key_Escape);
        QVERIFY(!find->isVisible());
    }

    void searchesWithAndWithoutCase_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<std::vector<int>>("records");
        QTest::newRow("cat") << "cat" << false << std::vector<int>{0, 1, 2, 5};
        QTest::newRow("cat, case") << "cat" << true << std::vector<int>{0, 5};
        QTest::newRow("CAT, case") << "CAT" << true << std::vector<int>{1};
        QTest::newRow("accent") << QString::fromUtf8("é") << false << std::vector<int>{6, 7};
        QTest::newRow("accent, case") << QString::fromUtf8("É") << true << std::vector<int>{7};
        QTest::newRow("ligature") << QString::fromUtf8("Œuvre") << false << std::vector<int>{8, 9};
        QTest::newRow("caron") << QString::fromUtf8("škoda") << false << std::vector<int>{10, 11};
        QTest::newRow("sharp s stays") << QString::fromUtf8("ß") << false << std::vector<int>{12};
        QTest::newRow("line break inside") << "upper" << false << std::vector<int>{1};
        QTest::newRow("nothing") << "zebra" << false << std::vector<int>{};
    }
    void searchesWithAndWithoutCase() {
        QFETCH(QString, pattern);
        QFETCH(bool, caseSensitive);
        QFETCH(std::vector<int>, records);
        MainWindowFixture f;
        f.WriteSetting("FindCaseSensitive", caseSensitive ? "1" : "0");
        frmMain& w = StartWithNotes(f, Notes(kAnimals));
        frmFindList* find = OpenFind(w);
        QVERIFY(find);
        QCOMPARE(Check(find, "chkCase")->isChecked(), caseSensitive);
        Type(find, pattern);
        QCOMPARE(Listed(find), records);
        QCOMPARE(find->CountText(),
                 QString("%1 out of %2 notes").arg(records.size()).arg(kAnimals.size()));
        QCOMPARE(find->ResultList()->model()->rowCount(), int(records.size()));
        if (!records.empty()) // entries show the note's text
            QVERIFY(find->ResultList()->model()->index(0, 0).data().toString().size() > 0);
    }

    // No note can hold a character outside the code page: the box leaves it out and says
    // so in the status bar, as the other boxes whose text is stored do; the search goes on
    // with what is left.
    void unstorableCharactersAreLeftOutAndNamed() {
        MainWindowFixture f;
        frmMain& w = StartWithNotes(f, Notes(kAnimals));
        frmFindList* find = OpenFind(w);
        QVERIFY(find);
        QLineEdit* box = find->SearchBox();
        box->clear();
        TypeCharacters(box, QString::fromUtf8("ca猫t"));
        QCOMPARE(box->text(), QString("cat"));
        QCOMPARE(Listed(find), (std::vector<int>{0, 1, 2, 5}));
        auto* status = find->findChild<QStatusBar*>("statusBar");
        QCOMPARE(status->currentMessage(),
                 QString::fromUtf8("The character 猫 (U+732B) cannot be stored on the handheld "
                                   "and was left out."));
        // The window is narrow: the message wraps in its status bar instead of being cut.
        auto* bar = qobject_cast<MainStatusBar*>(status);
        QVERIFY(bar);
        QTRY_VERIFY(bar->MessageLines() > 1 &&
                    bar->MessageRect().contains(bar->fontMetrics().boundingRect(
                        bar->MessageRect(), Qt::AlignLeading | Qt::AlignVCenter | Qt::TextWordWrap,
                        bar->currentMessage())));
        QTRY_VERIFY(bar->geometry().bottom() <= find->rect().bottom()); // inside the window
        TypeCharacters(box, QString::fromUtf8("😀"));
        QCOMPARE(box->text(), QString("cat"));
        QVERIFY(status->currentMessage().contains(QString::fromUtf8("😀 (U+1F600)")));
    }

    void emptyTextListsEveryNoteWithText() {
        MainWindowFixture f;
        frmMain& w = StartWithNotes(f, Notes({"a", "", "b\nc", ""}));
        frmFindList* find = OpenFind(w);
        QCOMPARE(find->SearchBox()->text(), QString());
        QCOMPARE(Listed(find), (std::vector<int>{0, 2}));
        QCOMPARE(find->CountText(), QString("2 out of 4 notes"));
        QCOMPARE(find->ResultList()->model()->index(1, 0).data().toString(),
                 QString::fromUtf8("b \u00b6 c"));
    }

    void caseCheckBoxSearchesAgainOnlyWithAutoFind() {
        MainWindowFixture f;
        frmMain& w = StartWithNotes(f, Notes(kAnimals));
        frmFindList* find = OpenFind(w);
        Type(find, "cat");
        QCOMPARE(Listed(find).size(), size_t(4));
        ClickButton(Check(find, "chkCase"));
        QCOMPARE(Listed(find), (std::vector<int>{0, 5}));
        ClickButton(Check(find, "chkCase"));
        QCOMPARE(Listed(find).size(), size_t(4));
    }

    void autoFindOffWaitsForTheButton() {
        MainWindowFixture f;
        frmMain& w = StartWithNotes(f, Notes(kAnimals));
        frmFindList* find = OpenFind(w);
        QVERIFY(!FindButton(find)->isVisible());
        Type(find, "dog");
        QCOMPARE(Listed(find), (std::vector<int>{3}));

        ClickButton(Check(find, "chkDisableAutoFind"));
        QVERIFY(FindButton(find)->isVisible());
        Type(find, "cat");
        QCOMPARE(Listed(find), (std::vector<int>{3})); // unchanged while typing
        ClickButton(Check(find, "chkCase"));
        QCOMPARE(Listed(find), (std::vector<int>{3})); // and when the case box changes
        ClickButton(FindButton(find));
        QCOMPARE(Listed(find), (std::vector<int>{0, 5}));
        QCOMPARE(find->CountText(), QString("2 out of 13 notes"));

        // AutoFind back on: the search runs at once and the button goes.
        ClickButton(Check(find, "chkCase"));
        ClickButton(Check(find, "chkDisableAutoFind"));
        QVERIFY(!FindButton(find)->isVisible());
        QCOMPARE(Listed(find), (std::vector<int>{0, 1, 2, 5}));
    }

    void searchSeesTextTypedAMomentAgo() {
        MainWindowFixture f;
        frmMain& w = StartWithNotes(f, Notes({"first", "second", "third"}));
        w.NextNote();
        QTest::keyClicks(w.TextEditor(), " zebra");
        QCOMPARE(f.Database().GetRecordObject(1)->RawText(), std::string("second"));
        frmFindList* find = OpenFind(w);
        Type(find, "ZEB");
        QCOMPARE(Listed(find), (std::vector<int>{1}));
        QCOMPARE(SelectedRecord(find), 1); // the note shown in the main window
        QCOMPARE(w.TextEditor()->toPlainText(), QString("second zebra"));

        // Edited again while the window is open: still found.
        w.NextNote();
        QTest::keyClicks(w.TextEditor(), " zebu");
        Type(find, "zeb");
        QCOMPARE(Listed(find), (std::vector<int>{1, 2}));
    }

    void listAndMainWindowFollowEachOther() {
        MainWindowFixture f;
        std::vector<std::string> texts;
        for (int i = 0; i < 10; ++i)
            texts.push_back((i % 2 == 0 ? "even " : "odd ") + std::to_string(i));
        frmMain& w = StartWithNotes(f, Notes(texts));
        w.ShowNote(4);
        frmFindList* find = OpenFind(w);
        Type(find, "even");
        QCOMPARE(Listed(find), (std::vector<int>{0, 2, 4, 6, 8}));
        QCOMPARE(SelectedRecord(find), 4); // the fifth note is shown and matches

        ClickRow(find->ResultList(), 4); // record 8
        QCOMPARE(w.CurrentNoteIndex(), 8);
        QCOMPARE(w.NoteSelector()->currentIndex(), 8);
        QCOMPARE(w.TextEditor()->toPlainText(), QString("even 8"));

        w.PreviousNote(); // odd 7: not listed
        QCOMPARE(SelectedRecord(find), -1);
        w.PreviousNote(); // even 6
        QCOMPARE(SelectedRecord(find), 6);

        // Keys move through the list and the main window follows.
        find->ResultList()->setFocus();
        QTest::keyClick(find->ResultList(), Qt::Key_Up);
        QCOMPARE(w.CurrentNoteIndex(), 4);

        // A double click shows the note as well.
        const QModelIndex first = find->ResultList()->model()->index(0, 0);
        QTest::mouseDClick(find->ResultList()->viewport(), Qt::LeftButton, {},
                           find->ResultList()->visualRect(first).center());
        QCOMPARE(w.CurrentNoteIndex(), 0);
        QVERIFY(w.isVisible());
    }

    void notesAddedInTheMainWindowAreSearchedAgain() {
        MainWindowFixture f;
        frmMain& w = StartWithNotes(f, Notes({"apple", "pear", "apple pie"}));
        frmFindList* find = OpenFind(w);
        Type(find, "apple");
        QCOMPARE(Listed(find), (std::vector<int>{0, 2}));
        w.AddNote(); // every note moves down one place
        QCOMPARE(Listed(find), (std::vector<int>{1, 3}));
        QCOMPARE(SelectedRecord(find), -1);
    }

    void settingsSurviveARestart() {
        MainWindowFixture f;
        frmMain& w = StartWithNotes(f, Notes(kAnimals));
        frmFindList* find = OpenFind(w);
        Type(find, "Cat");
        ClickButton(Check(find, "chkCase"));
        ClickButton(Check(find, "chkFloat"));
        QCOMPARE(Listed(find), (std::vector<int>{2}));
        f.Close(); // the find window goes with the main window and stores its settings
        {
            clsSettings stored(f.SettingsFile());
            QCOMPARE(stored.GetSetting("FindString"), QString("Cat"));
            QCOMPARE(stored.GetSetting("FindCaseSensitive"), QString("1"));
            QCOMPARE(stored.GetSetting("FindDisableAutoFind"), QString("0"));
            QCOMPARE(stored.GetSetting("FindFloatOnTop"), QString("1"));
        }
        frmMain& again = f.Start();
        RegisterNoteManagementWindows(again);
        find = OpenFind(again);
        QCOMPARE(find->SearchBox()->text(), QString("Cat"));
        QVERIFY(Check(find, "chkCase")->isChecked());
        QVERIFY(Check(find, "chkFloat")->isChecked());
        QVERIFY(find->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(Listed(find), (std::vector<int>{2})); // the list is back at once
    }

    void storedCheckValuesAreRoundedNumbers_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("checked");
        QTest::newRow("empty") << "" << false;
        QTest::newRow("0") << "0" << false;
        QTest::newRow("1") << "1" << true;
        QTest::newRow("0.7 rounds up") << "0.7" << true;
        QTest::newRow("0.4 rounds down") << "0.4" << false;
        QTest::newRow("junk") << "yes" << false;
        QTest::newRow("leading number") << "1abc" << true;
    }
    void storedCheckValuesAreRoundedNumbers() {
        QFETCH(QString, stored);
        QFETCH(bool, checked);
        MainWindowFixture f;
        f.WriteSetting("FindDisableAutoFind", stored);
        f.WriteSetting("FindString", "dog");
        frmMain& w = StartWithNotes(f, Notes(kAnimals));
        frmFindList* find = OpenFind(w);
        QCOMPARE(Check(find, "chkDisableAutoFind")->isChecked(), checked);
        QCOMPARE(FindButton(find)->isVisible(), checked);
        // With AutoFind off the list stays empty until the button is pressed.
        QCOMPARE(Listed(find).size(), checked ? size_t(0) : size_t(1));
    }

    void closedBeforeAUserChangeAndOnExit() {
        MainWindowFixture f;
        f.WriteUsers({{7, "Ann", "ann"}, {8, "Bob", "bob"}});
        MainWindowFixture::WriteDatabase(f.UserFile("ann", "Ann"), {"ann's cat"});
        MainWindowFixture::WriteDatabase(f.UserFile("bob", "Bob"), {"bob", "bob's cat"});
        f.WriteSetting("Default User ID", "7");
        frmMain& w = f.Start();
        RegisterNoteManagementWindows(w);
        QPointer<frmFindList> find = OpenFind(w);
        Type(find, "cat");
        QCOMPARE(Listed(find), (std::vector<int>{0}));
        w.UserSelector()->setCurrentIndex(1); // Bob
        QCOMPARE(w.CurrentUserIndex(), 1);
        QVERIFY(find.isNull());
        QVERIFY(w.FindWindow() == nullptr);
        QCOMPARE(f.Settings().GetSetting("FindString"), QString("cat"));

        find = OpenFind(w);
        QCOMPARE(Listed(find), (std::vector<int>{1}));
        w.close();
        QVERIFY(find.isNull()); // nothing keeps the program running
    }
};

QTEST_MAIN(tst_frmFindList)
#include "tst_frmFindList.moc"
