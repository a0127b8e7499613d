// SPDX-License-Identifier: GPL-3.0-or-later
// Edit > Insert Snippet: choosing a text insert and putting it into the note, through the
// real main window with real key events.
#include "InsertTestKit.h"

#include "dialogs/SnippetCatalog.h"
#include "dialogs/frmInsertSnippet.h"
#include "storage/clsQuillaryItem.h"

#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextCursor>

using namespace quillary;
using namespace quillary::test;

namespace {

QListWidget* SnippetList(QDialog& d) {
    return Child<QListWidget>(d, "lstSnippets");
}

QLineEdit* Filter(QDialog& d) {
    return Child<QLineEdit>(d, "txtFilter");
}

QStringList Rows(QDialog& d) {
    QStringList rows;
    for (int i = 0; i < SnippetList(d)->count(); ++i)
        rows << SnippetList(d)->item(i)->text();
    return rows;
}

QString Preview(QDialog& d) {
    return Child<QPlainTextEdit>(d, "txtPreview")->toPlainText();
}

// Two databases: Greetings (two inserts, one of two lines) and Work.
void WriteTwoDatabases(MainWindowFixture& f) {
    WriteInsertDb(InsertFile(f, "a"), "Greetings",
                  {{"Hi", "Hello there"}, {"Bye", "Goodbye\nfriend"}});
    WriteInsertDb(InsertFile(f, "b"), "Work",
                  {{"Sig", "Regards, Ann"}, {"Caf\xE9", "Coffee at ten"}});
}

// Opens Insert Snippet on the main window and runs script in it.
void InSnippetWindow(MainWindowFixture& f, const std::function<void(QDialog&)>& script) {
    bool ran = false;
    f.services.dialogScripts.enqueue([&](QDialog& d) {
        ran = true;
        script(d);
    });
    Trigger(f.Window(), "mnuInsertSnippet");
    QVERIFY(ran);
}

void Activate(QWidget& window) {
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

const QString kGreetingsHi = QString::fromUtf8("Greetings \u2014 Hi");
const QString kGreetingsBye = QString::fromUtf8("Greetings \u2014 Bye");
const QString kWorkSig = QString::fromUtf8("Work \u2014 Sig");
const QString kWorkCafe = QString::fromUtf8("Work \u2014 Caf\u00e9");

} // namespace

class tst_InsertSnippet : public QObject {
    Q_OBJECT

private slots:
    void filterNarrowsTheList_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("nothing typed: every text insert, database by database")
            << "" << QStringList({kGreetingsHi, kGreetingsBye, kWorkSig, kWorkCafe});
        QTest::newRow("title, other case") << "bYE" << QStringList({kGreetingsBye});
        QTest::newRow("text, other case") << "REGARDS" << QStringList({kWorkSig});
        QTest::newRow("text across titles") << "the" << QStringList({kGreetingsHi});
        QTest::newRow("accent as typed")
            << QString::fromUtf8("CAF\u00c9") << QStringList({kWorkCafe});
        QTest::newRow("no accent typed, none matched") << "cafe" << QStringList();
    }
    void filterNarrowsTheList() {
        QFETCH(QString, typed);
        QFETCH(QStringList, rows);
        MainWindowFixture f;
        StartAnn(f);
        WriteTwoDatabases(f);
        InSnippetWindow(f, [&](QDialog& d) {
            QCOMPARE(d.windowTitle(), QString("Insert Snippet"));
            TypeText(Filter(d), typed);
            QCOMPARE(Rows(d), rows);
            auto* nothing = Child<QLabel>(d, "lblNothing");
            QCOMPARE(nothing->isVisible(), rows.isEmpty());
            QCOMPARE(Child<QPushButton>(d, "cmdInsert")->isEnabled(), !rows.isEmpty());
            if (rows.isEmpty()) {
                QVERIFY2(nothing->text().contains("\"" + typed + "\""),
                         qPrintable(nothing->text()));
                QVERIFY(Preview(d).isEmpty());
            } else {
                QCOMPARE(SnippetList(d)->currentRow(), 0);
            }
            QTest::keyClick(Filter(d), Qt::Key_Escape);
            QVERIFY(!d.isVisible());
        });
        QCOMPARE(f.Window().Editor().BoxText(), QString("one"));
        QVERIFY(!f.Window().Session().IsDirty());
    }

    // Up and Down work from the filter box, the preview follows, the choice stays while
    // it matches; Tab goes filter, list, Insert, Close; everything has a name to be read out.
    void keyboardAloneChooses() {
        MainWindowFixture f;
        StartAnn(f);
        WriteTwoDatabases(f);
        InSnippetWindow(f, [&](QDialog& d) {
            Activate(d);
            QCOMPARE(QApplication::focusWidget(), Filter(d));
            QCOMPARE(Preview(d), QString("Hello there"));
            QTest::keyClick(Filter(d), Qt::Key_Down);
            QCOMPARE(SnippetList(d)->currentRow(), 1);
            QCOMPARE(Preview(d), QString("Goodbye\nfriend"));
            QTest::keyClick(Filter(d), Qt::Key_Down);
            QTest::keyClick(Filter(d), Qt::Key_Up);
            QCOMPARE(SnippetList(d)->currentRow(), 1);
            TypeText(Filter(d), "o"); // all but Sig have an o; Bye stays chosen
            QCOMPARE(Rows(d), QStringList({kGreetingsHi, kGreetingsBye, kWorkCafe}));
            QCOMPARE(Rows(d).at(SnippetList(d)->currentRow()), kGreetingsBye);

            QStringList order;
            for (int i = 0; i < 4; ++i) {
                order << QApplication::focusWidget()->objectName();
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
            QCOMPARE(order, QStringList({"txtFilter", "lstSnippets", "cmdInsert", "cmdClose"}));
            for (const char* name : {"txtFilter", "lstSnippets", "txtPreview"})
                QVERIFY2(!Child<QWidget>(d, name)->accessibleName().isEmpty(), name);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            QVERIFY(!d.isVisible());
        });
        QCOMPARE(f.Window().Editor().BoxText(), QString("one"));
    }

    // Enter puts the chosen text where the caret is, over the selection, as one undo step;
    // the note is marked changed and Save writes it.
    void enterInsertsAtTheCaretReplacingTheSelection() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f, {"one two three", "second"});
        WriteTwoDatabases(f);
        Activate(w);
        QPlainTextEdit* text = w.TextEditor();
        text->setFocus();
        QTest::keyClick(text, Qt::Key_Home, Qt::ControlModifier);
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(text, Qt::Key_Right);
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(text, Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(text->textCursor().selectedText(), QString("two"));
        QVERIFY(!w.Session().IsDirty());

        InSnippetWindow(f, [&](QDialog& d) {
            TypeText(Filter(d), "bye");
            QTest::keyClick(Filter(d), Qt::Key_Return);
            QVERIFY(!d.isVisible());
        });
        QCOMPARE(w.Editor().BoxText(), QString("one Goodbye\nfriend three"));
        QCOMPARE(text->textCursor().position(), 4 + 14); // after the snippet
        QVERIFY(!text->textCursor().hasSelection());
        QCOMPARE(w.focusWidget(), text);
        QVERIFY(w.Session().IsDirty());
        QVERIFY(w.windowTitle().startsWith("Quillary*"));
        QVERIFY(f.Database().GetRecordObject(0)->DirtyFlag());
        QVERIFY(f.services.messages.isEmpty());

        // One Ctrl+Z takes the whole snippet out and gives the selection back.
        QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w.Editor().BoxText(), QString("one two three"));
        QTest::keyClick(text, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(w.Editor().BoxText(), QString("one Goodbye\nfriend three"));

        Trigger(w, "mnuSave");
        QVERIFY(!w.Session().IsDirty());
        auto saved = MainWindowFixture::ReadDatabase(f.UserFile("ann", "Ann"));
        QVERIFY(saved);
        QCOMPARE(saved->GetRecordObject(0)->RawText(), std::string("one Goodbye\nfriend three"));
        QCOMPARE(saved->GetRecordObject(1)->RawText(), std::string("second"));
    }

    // From the list, a double click or Enter inserts the chosen snippet, once.
    void listInsertsOnce_data() {
        QTest::addColumn<bool>("doubleClick");
        QTest::newRow("double click") << true;
        QTest::newRow("Enter in the list") << false;
    }
    void listInsertsOnce() {
        QFETCH(bool, doubleClick);
        MainWindowFixture f;
        frmMain& w = StartAnn(f);
        WriteTwoDatabases(f);
        InSnippetWindow(f, [&](QDialog& d) {
            QListWidget* list = SnippetList(d);
            const QPoint at = list->visualItemRect(list->item(2)).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
            QCOMPARE(list->currentRow(), 2);
            if (doubleClick)
                QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
            else
                QTest::keyClick(list, Qt::Key_Return);
            QVERIFY(!d.isVisible());
        });
        QCOMPARE(w.Editor().BoxText(), QString("oneRegards, Ann")); // the caret was at the end
        QVERIFY(w.Session().IsDirty());
    }

    // A note holds 1999 characters: a snippet that fits exactly goes in, one more and
    // nothing goes in; the window says so and stays open. A line end is one character; a
    // selection is room, since the snippet replaces it.
    void noteLimit_data() {
        QTest::addColumn<int>("noteLength");
        QTest::addColumn<int>("selected"); // the last characters of the note, selected
        QTest::addColumn<QString>("snippet");
        QTest::addColumn<bool>("fits");
        const int max = int(clsQuillaryItem::kMaxTextChars);
        QTest::newRow("exactly at the limit") << max - 5 << 0 << "bbbbb" << true;
        QTest::newRow("one over") << max - 5 << 0 << "bbbbbb" << false;
        QTest::newRow("line end counts one") << max - 5 << 0 << "bb\nbb" << true;
        QTest::newRow("full note, selection replaced") << max << 3 << "bbb" << true;
        QTest::newRow("full note, one over the selection") << max << 3 << "bbbb" << false;
        QTest::newRow("full note, nothing selected") << max << 0 << "b" << false;
    }
    void noteLimit() {
        QFETCH(int, noteLength);
        QFETCH(int, selected);
        QFETCH(QString, snippet);
        QFETCH(bool, fits);
        MainWindowFixture f;
        frmMain& w = StartAnn(f, {std::string(size_t(noteLength), 'a')});
        WriteInsertDb(InsertFile(f, "a"), "Long", {{"Tail", snippet.toStdString()}});
        QPlainTextEdit* text = w.TextEditor();
        text->setFocus();
        for (int i = 0; i < selected; ++i)
            QTest::keyClick(text, Qt::Key_Left, Qt::ShiftModifier);
        const QString before = w.Editor().BoxText();

        InSnippetWindow(f, [&](QDialog& d) {
            QTest::keyClick(Filter(d), Qt::Key_Return);
            QCOMPARE(d.isVisible(), !fits);
        });
        const int max = int(clsQuillaryItem::kMaxTextChars);
        if (fits) {
            QCOMPARE(w.Editor().BoxText(), before.left(noteLength - selected) + snippet);
            QVERIFY(w.Editor().BoxText().size() <= max);
            QVERIFY(f.services.messages.isEmpty());
            QVERIFY(w.Session().IsDirty());
            return;
        }
        QCOMPARE(w.Editor().BoxText(), before);
        QCOMPARE(int(text->textCursor().selectedText().size()), selected);
        QVERIFY(!text->document()->isUndoAvailable());
        QVERIFY(!w.Session().IsDirty());
        QVERIFY(!f.Database().GetRecordObject(0)->DirtyFlag());
        QCOMPARE(f.services.messageTexts(),
                 QStringList({QString("The snippet \"Tail\" has %1 characters; the note has room "
                                      "for %2 more (a note holds at most %3). Nothing was "
                                      "inserted.")
                                  .arg(int(snippet.size()))
                                  .arg(max - noteLength + selected)
                                  .arg(max)}));
    }

    // A database that cannot be read costs only its own inserts: it is named in the
    // window, with the short file and the bitmap database left out, and the rest works.
    void unreadableDatabasesAreNamed() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f);
        WriteInsertDb(InsertFile(f, "a"), "Greetings", {{"Hi", "Hello there"}});
        WriteInsertDb(InsertFile(f, "Broken"), "Broken", {{"x", "yyyy"}, {"z", "w"}});
        QByteArray broken = ReadBytes(InsertFile(f, "Broken"));
        broken.chop(2); // the last insert loses its text and end
        QFile file(InsertFile(f, "Broken"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(broken);
        file.close();
        QFile shortFile(InsertFile(f, "Short"));
        QVERIFY(shortFile.open(QIODevice::WriteOnly));
        shortFile.write("not a database");
        shortFile.close();
        WriteInsertDb(InsertFile(f, "Pictures"), "Pictures", {}, "Ins2");

        InSnippetWindow(f, [&](QDialog& d) {
            QCOMPARE(Rows(d), QStringList({kGreetingsHi}));
            auto* notListed = Child<QLabel>(d, "lblNotListed");
            QVERIFY(notListed->isVisible());
            const QStringList lines = notListed->text().split('\n');
            QCOMPARE(lines.size(), 3);
            QVERIFY2(lines.filter("Broken.pdb").size() == 1, qPrintable(notListed->text()));
            QVERIFY2(lines.filter("Short.pdb").size() == 1, qPrintable(notListed->text()));
            QVERIFY2(lines.filter("\"Pictures\" is a bitmap insert database").size() == 1,
                     qPrintable(notListed->text()));
            QTest::keyClick(Filter(d), Qt::Key_Return);
            QVERIFY(!d.isVisible());
        });
        QVERIFY(f.services.messages.isEmpty());
        QCOMPARE(w.Editor().BoxText(), QString("oneHello there"));
    }

    // Without inserts the command still opens and says how to make some.
    void nothingToInsert() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f);
        InSnippetWindow(f, [&](QDialog& d) {
            QCOMPARE(SnippetList(d)->count(), 0);
            auto* nothing = Child<QLabel>(d, "lblNothing");
            QVERIFY(nothing->isVisible());
            QVERIFY2(nothing->text().contains("Edit Insert Databases"),
                     qPrintable(nothing->text()));
            QVERIFY(!Child<QPushButton>(d, "cmdInsert")->isEnabled());
            QVERIFY(!Child<QLabel>(d, "lblNotListed")->isVisible());
            QTest::keyClick(Filter(d), Qt::Key_Return); // nothing to insert: stays
            QVERIFY(d.isVisible());
            QTest::keyClick(Filter(d), Qt::Key_Escape);
            QVERIFY(!d.isVisible());
        });
        QVERIFY(f.services.messages.isEmpty());
        QCOMPARE(w.Editor().BoxText(), QString("one"));
        QVERIFY(!w.Session().IsDirty());
    }

    // Ctrl+Shift+I opens it from the main window; it is there only while a note is.
    void shortcutOpensItAndNeedsANote() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f);
        WriteTwoDatabases(f);
        QAction* action = w.Commands().Action("mnuInsertSnippet");
        QVERIFY(action);
        QCOMPARE(action->text(), QString("Insert &Snippet..."));
        QCOMPARE(action->shortcut(), QKeySequence("Ctrl+Shift+I"));
        QVERIFY(action->isEnabled());
        Activate(w);
        w.TextEditor()->setFocus();
        bool ran = false;
        f.services.dialogScripts.enqueue([&](QDialog& d) {
            ran = true;
            QCOMPARE(Rows(d).size(), 4);
            d.reject();
        });
        QTest::keySequence(&w, QKeySequence("Ctrl+Shift+I"));
        QVERIFY(ran);
        QCOMPARE(f.services.dialogsShown, QStringList({"frmInsertSnippet"}));

        w.Session().SetCurrentNote(-1);
        QVERIFY(!action->isEnabled());
        QTest::keySequence(&w, QKeySequence("Ctrl+Shift+I"));
        QCOMPARE(f.services.dialogsShown.size(), 1);
        w.Session().SetCurrentNote(0);
        QVERIFY(action->isEnabled());
    }
};

QTEST_MAIN(tst_InsertSnippet)
#include "tst_InsertSnippet.moc"
