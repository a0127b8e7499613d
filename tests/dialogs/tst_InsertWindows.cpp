// SPDX-License-Identifier: GPL-3.0-or-later
#include "InsertTestKit.h"

#include "dialogs/frmEditInserts.h"
#include "dialogs/frmInsertDBList.h"
#include "storage/InsertFolder.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QStatusBar>

using namespace quillary;
using namespace quillary::test;

namespace {

QListWidget* DbList(QDialog& d) {
    return Child<QListWidget>(d, "lstInsertDB");
}

void ClickRow(QListWidget* list, int row, bool twice = false) {
    QVERIFY(list && row < list->count());
    const QPoint at = list->visualItemRect(list->item(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    if (twice)
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(list->currentRow(), row);
}

QStringList Lines(QListWidget* list) {
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

QString Label(QDialog& d, const char* name) {
    return Child<QLabel>(d, name)->text();
}

// Opens the manager and, inside it, the editor on the database at row; `edit` drives the
// editor, `nested` the windows the editor opens, in order.
void InEditor(MainWindowFixture& f, int row, const std::function<void(QDialog&)>& edit,
              const QList<std::function<void(QDialog&)>>& nested = {}) {
    bool ran = false;
    f.services.dialogScripts.enqueue([&](QDialog& list) {
        ClickRow(DbList(list), row);
        Click(list, "cmdEdit");
        if (list.isVisible())
            Click(list, "cmdDone");
    });
    f.services.dialogScripts.enqueue([&](QDialog& editor) {
        ran = true;
        edit(editor);
    });
    for (const auto& script : nested)
        f.services.dialogScripts.enqueue(script);
    Trigger(f.Window(), "mnuEditInserts");
    QVERIFY(ran);
}

} // namespace

class tst_InsertWindows : public QObject {
    Q_OBJECT

private slots:
    void managerListsTextAndBitmapDatabases() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f);
        WriteInsertDb(InsertFile(f, "b"), "Greetings", {{"Hi", "a\nb"}});
        WriteInsertDb(InsertFile(f, "a"), "Pictures", {}, "Ins2");
        WriteInsertDb(InsertFile(f, "c"), "Notes", {{"x", "y"}}, "Not2");
        bool ran = false;
        f.services.dialogScripts.enqueue([&](QDialog& d) {
            ran = true;
            QCOMPARE(d.windowTitle(), QString("Insert Database Manager"));
            QCOMPARE(Label(d, "lblDatabaseList"), QString("Insert Databases for Ann"));
            QCOMPARE(Lines(DbList(d)), QStringList({" Pictures   (bitmap inserts)", " Greetings"}));
            QCOMPARE(DbList(d)->currentRow(), 0);
            QCOMPARE(Label(d, "lblPalmFileName"), QString("Palm Database Name: Pictures"));
            QCOMPARE(Label(d, "lblDBType"), QString("Type: Bitmap Insert Database"));
            QCOMPARE(w.statusBar()->currentMessage(), QString("Bitmap Insert Database"));

            ClickRow(DbList(d), 1);
            QCOMPARE(Label(d, "lblWinFileName"),
                     "Windows File Name: " + QDir::toNativeSeparators(InsertFile(f, "b")));
            QCOMPARE(Label(d, "lblPalmFileName"), QString("Palm Database Name: Greetings"));
            QCOMPARE(Label(d, "lblDBSize"), QString("Number of Records: 1"));
            QCOMPARE(w.statusBar()->currentMessage(), QString("Text Insert Database"));
            Click(d, "cmdDone");
        });
        Trigger(w, "mnuEditInserts");
        QVERIFY(ran);
        QCOMPARE(f.services.dialogsShown, QStringList({"frmInsertDBList"}));
        QVERIFY(f.services.messages.isEmpty());
        QVERIFY(w.statusBar()->currentMessage().isEmpty());
    }

    void missingFolderIsCreatedAndListedEmpty() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f);
        QVERIFY(!QFileInfo::exists(InsertFolder(f)));
        f.services.dialogScripts.enqueue([&](QDialog& d) {
            QCOMPARE(DbList(d)->count(), 0);
            for (const char* name : {"cmdRename", "cmdEdit", "cmdImport", "cmdDelete"})
                QVERIFY2(!Child<QPushButton>(d, name)->isEnabled(), name);
            QVERIFY(Child<QPushButton>(d, "cmdNewDatabase")->isEnabled());
            Click(d, "cmdDone");
        });
        Trigger(w, "mnuEditInserts");
        QVERIFY(QFileInfo(InsertFolder(f)).isDir());
        QVERIFY(f.services.messages.isEmpty());
    }

    void folderThatCannotBeMadeIsReported() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f);
        QFile blocker(InsertFolder(f)); // a file where the folder should be
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        f.services.dialogScripts.enqueue([&](QDialog& d) {
            QCOMPARE(DbList(d)->count(), 0);
            Click(d, "cmdDone");
        });
        Trigger(w, "mnuEditInserts");
        QCOMPARE(f.services.messageTexts(),
                 QStringList({"Failed to create Insert database directory in user account"}));
        QCOMPARE(f.services.messages.first().buttons, MsgButtons::Ok);
        QVERIFY(QFileInfo(InsertFolder(f)).isFile());
    }

    void newDatabaseFollowsThePalmName() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f);
        WriteInsertDb(InsertFile(f, "Zeta"), "Zeta", {});
        f.services.dialogScripts.enqueue([&](QDialog& d) {
            Click(d, "cmdNewDatabase");
            QCOMPARE(Lines(DbList(d)), QStringList({" Greetings", " Zeta"}));
            QCOMPARE(DbList(d)->currentRow(), 0); // the new database
            Click(d, "cmdDone");
        });
        f.services.dialogScripts.enqueue([&](QDialog& add) {
            QCOMPARE(add.windowTitle(), QString("Add Insert Database"));
            QVERIFY(!Child<QLineEdit>(add, "txtWindowsFileName")->isEnabled());
            TypeInto(add, "txtPalmFileName", "Greetings");
            QCOMPARE(Child<QLineEdit>(add, "txtWindowsFileName")->text(),
                     QDir::toNativeSeparators(InsertFile(f, "Greetings")));
            // Enter in the name box acts as Done.
            QTest::keyClick(Child<QLineEdit>(add, "txtPalmFileName"), Qt::Key_Return);
            QVERIFY(!add.isVisible());
        });
        Trigger(w, "mnuEditInserts");
        const QByteArray bytes = ReadBytes(InsertFile(f, "Greetings"));
        QCOMPARE(bytes.size(), 78);
        QCOMPARE(bytes.left(10), QByteArray("Greetings\0", 10));
        QCOMPARE(bytes.mid(60, 8), QByteArray("InstQLRY"));
        QCOMPARE(bytes.mid(52, 4), QByteArray(4, '\0')); // no application-info block
        QVERIFY(f.services.messages.isEmpty());
    }

    void newDatabaseWithItsOwnFileName() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f);
        f.Settings().SetSetting("InsertDisableSyncFileName", "1");
        f.services.dialogScripts.enqueue([&](QDialog& d) {
            Click(d, "cmdNewDatabase");
            Click(d, "cmdDone");
        });
        f.services.dialogScripts.enqueue([&](QDialog& add) {
            auto* sync = Child<QCheckBox>(add, "chkInsertSyncFileName");
            QVERIFY(sync->isChecked());
            QVERIFY(Child<QLineEdit>(add, "txtWindowsFileName")->isEnabled());
            TypeInto(add, "txtPalmFileName", "Phrases");
            QVERIFY(Child<QLineEdit>(add, "txtWindowsFileName")->text().isEmpty());
            // Clearing the box makes the file name follow at once; setting it frees it again.
            QTest::mouseClick(sync, Qt::LeftButton);
            QCOMPARE(f.Settings().GetSetting("InsertDisableSyncFileName"), QString("0"));
            QCOMPARE(Child<QLineEdit>(add, "txtWindowsFileName")->text(),
                     QDir::toNativeSeparators(InsertFile(f, "Phrases")));
            QTest::mouseClick(sync, Qt::LeftButton);
            QCOMPARE(f.Settings().GetSetting("InsertDisableSyncFileName"), QString("1"));
            TypeInto(add, "txtWindowsFileName", "mine");
            Click(add, "cmdDone");
        });
        Trigger(w, "mnuEditInserts");
        std::string name;
        QVERIFY(ReadInserts(InsertFile(f, "mine"), &name).empty());
        QCOMPARE(name, std::string("Phrases"));
        QVERIFY(!QFileInfo::exists(InsertFile(f, "Phrases")));
    }

    void namesThatCannotBeUsed_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << ""
                               << "Please enter a Palm File Name";
        QTest::newRow("taken") << "greetings"
                               << "An insert database named \"greetings\" already";
        QTest::newRow("taken by a bitmap database") << "Pictures"
                                                    << "already exists";
    }
    void namesThatCannotBeUsed() {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        MainWindowFixture f;
        frmMain& w = StartAnn(f);
        WriteInsertDb(InsertFile(f, "g"), "Greetings", {{"Hi", "there"}});
        WriteInsertDb(InsertFile(f, "p"), "Pictures", {}, "Ins2");
        const QByteArray before = ReadBytes(InsertFile(f, "g"));
        f.services.dialogScripts.enqueue([&](QDialog& d) {
            Click(d, "cmdNewDatabase");
            QCOMPARE(DbList(d)->count(), 2);
            Click(d, "cmdDone");
        });
        f.services.dialogScripts.enqueue([&](QDialog& add) {
            TypeInto(add, "txtPalmFileName", typed);
            Click(add, "cmdDone");
            QVERIFY(add.isVisible()); // the name can still be corrected
            Click(add, "cmdCancel");
        });
        Trigger(w, "mnuEditInserts");
        QCOMPARE(f.services.messages.size(), 1);
        QVERIFY2(f.services.messages.first().text.contains(message),
                 qPrintable(f.services.messages.first().text));
        QCOMPARE(QDir(InsertFolder(f)).entryList(QDir::Files).size(), 2);
        QCOMPARE(ReadBytes(InsertFile(f, "g")), before);
    }

    void palmNameHoldsThirtyOneCharacters() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f);
        const QString typed = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghij"; // 36
        f.services.dialogScripts.enqueue([&](QDialog& d) {
            Click(d, "cmdNewDatabase");
            Click(d, "cmdDone");
        });
        f.services.dialogScripts.enqueue([&](QDialog& add) {
            TypeInto(add, "txtPalmFileName", QString::fromUtf8("Ω"));
            QVERIFY(Child<QLineEdit>(add, "txtPalmFileName")->text().isEmpty());
            QVERIFY(Label(add, "lblMessage").contains("cannot be stored on the handheld"));
            TypeInto(add, "txtPalmFileName", typed);
            QCOMPARE(Child<QLineEdit>(add, "txtPalmFileName")->text(), typed.left(31));
            QVERIFY(Label(add, "lblMessage").contains("at most 31 characters"));
            Click(add, "cmdDone");
        });
        Trigger(w, "mnuEditInserts");
        std::string name, type;
        int count = -1;
        QVERIFY(ReadPdbHeaderInfo(InsertFile(f, typed.left(31)).toStdString(), name, type, count));
        QCOMPARE(QString::fromStdString(name), typed.left(31));
        QCOMPARE(type, std::string("Inst"));
    }

    void replacingAnExistingFileAsksFirst() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f);
        f.Settings().SetSetting("InsertDisableSyncFileName", "1");
        WriteInsertDb(InsertFile(f, "old"), "Old", {{"keep", "me"}});
        f.services.dialogScripts.enqueue([&](QDialog& d) {
            Click(d, "cmdNewDatabase");
            Click(d, "cmdDone");
        });
        f.services.dialogScripts.enqueue([&](QDialog& add) {
            TypeInto(add, "txtPalmFileName", "New");
            TypeInto(add, "txtWindowsFileName", "old.pdb");
            f.services.messageAnswers << MsgResult::No;
            Click(add, "cmdDone");
            QVERIFY(add.isVisible());
            QCOMPARE(ReadInserts(InsertFile(f, "old")).size(), size_t(1));
            f.services.messageAnswers << MsgResult::Yes;
            Click(add, "cmdDone");
            QVERIFY(!add.isVisible());
        });
        Trigger(w, "mnuEditInserts");
        QCOMPARE(f.services.messages.size(), 2);
        QVERIFY(f.services.messages.first().text.endsWith(
            "already exists.\rDo you want to replace it?"));
        std::string name;
        QVERIFY(ReadInserts(InsertFile(f, "old"), &name).empty());
        QCOMPARE(name, std::string("New"));
    }

    void renameDatabase_data() {
        QTest::addColumn<bool>("syncNames");
        QTest::addColumn<QString>("newName");
        QTest::addColumn<QString>("expectedFile");
        QTest::newRow("Palm name only") << false << "Salutations"
                                        << "Greetings";
        QTest::newRow("names in step") << true << "Salutations"
                                       << "Salutations";
        QTest::newRow("31 characters") << true << "A name of exactly thirty-one ch"
                                       << "A name of exactly thirty-one ch";
    }
    void renameDatabase() {
        QFETCH(bool, syncNames);
        QFETCH(QString, newName);
        QFETCH(QString, expectedFile);
        MainWindowFixture f;
        frmMain& w = StartAnn(f);
        f.Settings().SetSetting("InsertDisableSyncFileName", syncNames ? "0" : "1");
        WriteInsertDb(InsertFile(f, "Greetings"), "Greetings", {{"Hi", "a\nb"}, {"Bye", "c"}});
        WriteInsertDb(InsertFile(f, "Other"), "Other", {});
        const QByteArray before = ReadBytes(InsertFile(f, "Greetings"));
        f.services.dialogScripts.enqueue([&](QDialog& d) {
            ClickRow(DbList(d), 0);
            Click(d, "cmdRename");
            QCOMPARE(qobject_cast<frmInsertDBList*>(&d)->ReturnFlag, 0);
            QCOMPARE(DbList(d)->currentItem()->text(), " " + newName);
            Click(d, "cmdDone");
        });
        f.services.dialogScripts.enqueue([&](QDialog& add) {
            QCOMPARE(Child<QLineEdit>(add, "txtPalmFileName")->text(), QString("Greetings"));
            QCOMPARE(Child<QLineEdit>(add, "txtWindowsFileName")->text(),
                     QDir::toNativeSeparators(InsertFile(f, "Greetings")));
            TypeInto(add, "txtPalmFileName", newName);
            Click(add, "cmdDone");
        });
        Trigger(w, "mnuEditInserts");
        QVERIFY(f.services.messages.isEmpty());
        const QByteArray after = ReadBytes(InsertFile(f, expectedFile));
        QCOMPARE(after.size(), before.size());
        QCOMPARE(after.mid(32), before.mid(32)); // header rest and records untouched
        QByteArray field = newName.toLatin1();
        if (field.size() < 32)
            field += '\0';
        field = field.leftJustified(32, ' ');
        QCOMPARE(after.left(32), field);
        QCOMPARE(QFileInfo::exists(InsertFile(f, "Greetings")), expectedFile == "Greetings");
    }

    void cancelledOrRefusedRenameChangesNothing_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("pressDone");
        QTest::newRow("cancelled") << "Salutations" << false;
        QTest::newRow("name of another database") << "Other" << true;
    }
    void cancelledOrRefusedRenameChangesNothing() {
        QFETCH(QString, typed);
        QFETCH(bool, pressDone);
        MainWindowFixture f;
        frmMain& w = StartAnn(f);
        WriteInsertDb(InsertFile(f, "Greetings"), "Greetings", {{"Hi", "a"}});
        WriteInsertDb(InsertFile(f, "Other"), "Other", {});
        const QByteArray before = ReadBytes(InsertFile(f, "Greetings"));
        const QByteArray other = ReadBytes(InsertFile(f, "Other"));
        f.services.dialogScripts.enqueue([&](QDialog& d) {
            Click(d, "cmdRename");
            QCOMPARE(qobject_cast<frmInsertDBList*>(&d)->ReturnFlag, 1);
            QCOMPARE(Lines(DbList(d)), QStringList({" Greetings", " Other"}));
            Click(d, "cmdDone");
        });
        f.services.dialogScripts.enqueue([&](QDialog& add) {
            TypeInto(add, "txtPalmFileName", typed);
            if (pressDone)
                Click(add, "cmdDone");
            Click(add, "cmdCancel");
        });
        Trigger(w, "mnuEditInserts");
        QCOMPARE(f.services.messages.size(), pressDone ? 1 : 0);
        QCOMPARE(ReadBytes(InsertFile(f, "Greetings")), before);
        QCOMPARE(ReadBytes(InsertFile(f, "Other")), other);
        QCOMPARE(QDir(InsertFolder(f)).entryList(QDir::Files).size(), 2);
    }

    void deleteAsksFirst() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f);
        WriteInsertDb(InsertFile(f, "a"), "Alpha", {});
        WriteInsertDb(InsertFile(f, "b"), "Beta", {});
        f.services.dialogScripts.enqueue([&](QDialog& d) {
            ClickRow(DbList(d), 1);
            f.services.messageAnswers << MsgResult::No;
            Click(d, "cmdDelete");
            QCOMPARE(DbList(d)->count(), 2);
            f.services.messageAnswers << MsgResult::Yes;
            Click(d, "cmdDelete");
            QCOMPARE(Lines(DbList(d)), QStringList({" Alpha"}));
            QCOMPARE(DbList(d)->currentRow(), 0);
            Click(d, "cmdDone");
        });
        Trigger(w, "mnuEditInserts");
        QCOMPARE(f.services.messageTexts(), QStringList({"Are you sure you want to delete Beta",
                                                         "Are you sure you want to delete Beta"}));
        QCOMPARE(f.services.messages.first().buttons, MsgButtons::YesNo);
        QCOMPARE(f.services.messages.first().icon, MsgIcon::Exclamation);
        QVERIFY(QFileInfo::exists(InsertFile(f, "a")));
        QVERIFY(!QFileInfo::exists(InsertFile(f, "b")));
    }

    void bitmapDatabaseIsNotOpenedForEditing() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f);
        WriteInsertDb(InsertFile(f, "p"), "Pictures", {{"x", "y"}}, "Ins2");
        const QByteArray before = ReadBytes(InsertFile(f, "p"));
        f.services.dialogScripts.enqueue([&](QDialog& d) {
            Click(d, "cmdEdit");
            ClickRow(DbList(d), 0, true); // a double click edits too
            Click(d, "cmdDone");
        });
        Trigger(w, "mnuEditInserts");
        QCOMPARE(f.services.dialogsShown, QStringList({"frmInsertDBList"}));
        QCOMPARE(f.services.messages.size(), 2);
        QVERIFY(f.services.messages.first().text.contains("is a bitmap insert database"));
        QCOMPARE(ReadBytes(InsertFile(f, "p")), before);
    }

    void editorShowsTheInserts() {
        MainWindowFixture f;
        StartAnn(f);
        WriteInsertDb(InsertFile(f, "g"),
                      "Gr\xfc\xdf"
                      "e",
                      {{"Caf\xe9 \x80", "a\nb"}, {"Bye", "c"}});
        InEditor(f, 0, [&](QDialog& e) {
            QCOMPARE(e.windowTitle(), QString::fromUtf8("Grüße"));
            auto* list = Child<QListWidget>(e, "lstInsertItems");
            QCOMPARE(Lines(list), QStringList({QString::fromUtf8("Café €"), "Bye"}));
            QCOMPARE(list->currentRow(), 0);
            QCOMPARE(Child<QLineEdit>(e, "txtInsertName")->text(), QString::fromUtf8("Café €"));
            QCOMPARE(Child<QPlainTextEdit>(e, "txtInsert")->toPlainText(), QString("a\nb"));
            QCOMPARE(Label(e, "lblDatabase"), QString("Database Up-to-date"));
            QCOMPARE(Label(e, "lblHeader"), QString("Record Up-to-date"));
            QVERIFY(!Child<QPushButton>(e, "cmdApply")->isEnabled());
            const qint64 size = ReadBytes(InsertFile(f, "g")).size();
            QCOMPARE(qobject_cast<frmEditInserts*>(&e)->StatusPanelTexts(),
                     QStringList({QString("DB: %1 bytes").arg(size), "Note: 21 bytes", "2 records",
                                  "ID: 256"}));
            ClickRow(list, 1);
            QCOMPARE(Child<QLineEdit>(e, "txtInsertName")->text(), QString("Bye"));
            QCOMPARE(qobject_cast<frmEditInserts*>(&e)->StatusPanelTexts().at(3),
                     QString("ID: 257"));
            Click(e, "cmdCancel");
        });
        QCOMPARE(f.services.dialogsShown, QStringList({"frmInsertDBList", "frmEditInserts"}));
    }

    void typingMarksTheInsertAndApplySaves() {
        MainWindowFixture f;
        StartAnn(f);
        WriteInsertDb(InsertFile(f, "g"), "Greetings", {{"Hi", "a\nb"}, {"Bye", "c"}});
        InEditor(f, 0, [&](QDialog& e) {
            TypeInto(e, "txtInsertName", QString::fromUtf8("Grüß"));
            QCOMPARE(Child<QListWidget>(e, "lstInsertItems")->item(0)->text(),
                     QString::fromUtf8("Grüß"));
            QCOMPARE(Label(e, "lblHeader"), QString("Record Dirty"));
            QCOMPARE(Label(e, "lblDatabase"), QString("Database Dirty"));
            QCOMPARE(e.windowTitle(), QString("Greetings*"));
            auto* text = Child<QPlainTextEdit>(e, "txtInsert");
            text->setFocus();
            text->moveCursor(QTextCursor::End);
            QTest::keyClick(text, Qt::Key_Return);
            TypeText(text, QString::fromUtf8("Ça va"));
            Click(e, "cmdApply");
            QVERIFY(!Child<QPushButton>(e, "cmdApply")->isEnabled());
            QCOMPARE(e.windowTitle(), QString("Greetings"));
            // The dirty bits are stored with the inserts: still changed since the HotSync.
            QCOMPARE(Label(e, "lblDatabase"), QString("Database Dirty"));
            const Inserts saved = ReadInserts(InsertFile(f, "g"));
            QCOMPARE(saved.at(0).first, std::string("Gr\xfc\xdf"));
            QCOMPARE(saved.at(0).second, std::string("a\nb\n\xc7"
                                                     "a va"));
            // Later edits dropped with Cancel leave the applied ones in the file.
            TypeInto(e, "txtInsertName", "dropped");
            Click(e, "cmdCancel");
        });
        const Inserts saved = ReadInserts(InsertFile(f, "g"));
        QCOMPARE(saved.size(), size_t(2));
        QCOMPARE(saved.at(0).first, std::string("Gr\xfc\xdf"));
        QVERIFY(f.services.messages.isEmpty());
    }

    // Cut and undo, in the text and in the title: the insert and its line in the list
    // follow the box each time, and what is saved is the insert as it was.
    void undoAfterCutRestoresTheInsert() {
        MainWindowFixture f;
        StartAnn(f);
        WriteInsertDb(InsertFile(f, "g"), "Greetings",
                      {{"Hi there", "first\nsecond"}, {"Bye", "c"}});
        InEditor(f, 0, [&](QDialog& e) {
            auto* text = Child<QPlainTextEdit>(e, "txtInsert");
            text->setFocus();
            text->moveCursor(QTextCursor::Start);
            text->moveCursor(QTextCursor::EndOfLine, QTextCursor::KeepAnchor);
            QTest::keyClick(text, Qt::Key_X, Qt::ControlModifier);
            QCOMPARE(text->toPlainText(), QString("\nsecond"));
            QCOMPARE(QGuiApplication::clipboard()->text(), QString("first"));
            QCOMPARE(Label(e, "lblHeader"), QString("Record Dirty"));
            QCOMPARE(e.windowTitle(), QString("Greetings*"));
            QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(text->toPlainText(), QString("first\nsecond"));
            QCOMPARE(qobject_cast<frmEditInserts*>(&e)->StatusPanelTexts().at(1),
                     QString("Note: 32 bytes"));

            auto* title = Child<QLineEdit>(e, "txtInsertName");
            auto* list = Child<QListWidget>(e, "lstInsertItems");
            title->setFocus();
            title->setSelection(0, 3);
            QTest::keyClick(title, Qt::Key_X, Qt::ControlModifier);
            QCOMPARE(title->text(), QString("there"));
            QCOMPARE(list->item(0)->text(), QString("there"));
            QTest::keyClick(title, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(title->text(), QString("Hi there"));
            QCOMPARE(list->item(0)->text(), QString("Hi there"));
            Click(e, "cmdDone");
        });
        QCOMPARE(ReadInserts(InsertFile(f, "g")),
                 Inserts({{"Hi there", "first\nsecond"}, {"Bye", "c"}}));
        QVERIFY(f.services.messages.isEmpty());
    }

    void addDeleteAndSortThenOk() {
        MainWindowFixture f;
        StartAnn(f);
        WriteInsertDb(InsertFile(f, "g"), "Greetings", {});
        const std::function<void(QDialog&)> sorter = [&](QDialog& manager) {
            QTest::mouseClick(Child<QPushButton>(manager, "cmdSort"), Qt::LeftButton);
            Click(manager, "cmdDone");
        };
        InEditor(f, 0,
                 [&](QDialog& e) {
                     auto* list = Child<QListWidget>(e, "lstInsertItems");
                     auto* editor = qobject_cast<frmEditInserts*>(&e);
                     QVERIFY(!Child<QLineEdit>(e, "txtInsertName")->isEnabled());
                     Click(e, "cmdDeleteItem"); // nothing to delete: nothing happens
                     QCOMPARE(list->count(), 0);
                     QCOMPARE(editor->StatusPanelTexts().at(2), QString("0 records"));

                     Click(e, "cmdAddItem");
                     QCOMPARE(list->count(), 1);
                     QCOMPARE(list->currentRow(), 0);
                     QCOMPARE(editor->StatusPanelTexts().at(3), QString("New Record"));
                     QVERIFY(Child<QLineEdit>(e, "txtInsertName")->isEnabled());
                     QTest::keyClicks(Child<QLineEdit>(e, "txtInsertName"), "beta");
                     Click(e, "cmdAddItem"); // right after the current one
                     TypeInto(e, "txtInsertName", "Alpha");
                     Click(e, "cmdAddItem");
                     TypeInto(e, "txtInsertName", "doomed");
                     QCOMPARE(Lines(list), QStringList({"beta", "Alpha", "doomed"}));
                     Click(e, "cmdDeleteItem");
                     QCOMPARE(Lines(list), QStringList({"beta", "Alpha"}));
                     QCOMPARE(list->currentRow(), 1);
                     Click(e, "cmdSortItems");
                     QCOMPARE(Lines(list), QStringList({"Alpha", "beta"}));
                     QCOMPARE(list->currentRow(), 0);
                     QCOMPARE(editor->StatusPanelTexts().at(2), QString("2 records"));
                     Click(e, "cmdDone");
                     QVERIFY(!e.isVisible());
                 },
                 {sorter});
        QCOMPARE(f.services.dialogsShown,
                 QStringList({"frmInsertDBList", "frmEditInserts", "frmSortInserts"}));
        const Inserts saved = ReadInserts(InsertFile(f, "g"));
        QCOMPARE(saved, Inserts({{"Alpha", ""}, {"beta", ""}}));
    }

    void recordManagerOrders_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("selectRow");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("sort") << "cmdSort" << 0 << QStringList({"Alpha", "alpha", "beta", "beta"});
        QTest::newRow("r-sort") << "cmdRSort" << 0
                                << QStringList({"beta", "beta", "alpha", "Alpha"});
        QTest::newRow("up") << "cmdUp" << 1 << QStringList({"Alpha", "beta", "alpha", "beta"});
        QTest::newRow("up at the top")
            << "cmdUp" << 0 << QStringList({"beta", "Alpha", "alpha", "beta"});
        QTest::newRow("down") << "cmdDn" << 2 << QStringList({"beta", "Alpha", "beta", "alpha"});
    }
    void recordManagerOrders() {
        QFETCH(QString, button);
        QFETCH(int, selectRow);
        QFETCH(QStringList, expected);
        MainWindowFixture f;
        StartAnn(f);
        // Two inserts titled beta, told apart by their texts, show that equal titles keep
        // (sort) or reverse (r-sort) their order.
        WriteInsertDb(InsertFile(f, "g"), "G",
                      {{"beta", "1"}, {"Alpha", "2"}, {"alpha", "3"}, {"beta", "4"}});
        const std::function<void(QDialog&)> sorter = [&](QDialog& manager) {
            QCOMPARE(manager.windowTitle(), QString("Record Manager"));
            auto* list = Child<QListWidget>(manager, "lstCurList");
            QCOMPARE(Lines(list), QStringList({" beta", " Alpha", " alpha", " beta"}));
            ClickRow(list, selectRow);
            QVERIFY(!Child<QPushButton>(manager, "cmdApply")->isEnabled());
            QTest::mouseClick(Child<QPushButton>(manager, qPrintable(button)), Qt::LeftButton);
            Click(manager, "cmdDone");
        };
        InEditor(f, 0,
                 [&](QDialog& e) {
                     Click(e, "cmdSortItems");
                     QCOMPARE(Lines(Child<QListWidget>(e, "lstInsertItems")), expected);
                     Click(e, "cmdDone");
                 },
                 {sorter});
        const Inserts saved = ReadInserts(InsertFile(f, "g"));
        QStringList titles;
        for (const auto& [title, text] : saved)
            titles << QString::fromStdString(title);
        QCOMPARE(titles, expected);
        if (button == "cmdSort")
            QCOMPARE(saved.at(2).second + saved.at(3).second, std::string("14"));
        if (button == "cmdRSort")
            QCOMPARE(saved.at(0).second + saved.at(1).second, std::string("41"));
    }

    void cancelLeavesTheFileByteIdentical() {
        MainWindowFixture f;
        StartAnn(f);
        WriteInsertDb(InsertFile(f, "g"), "Greetings", {{"Hi", "a\nb"}, {"Bye", "c"}});
        const QByteArray before = ReadBytes(InsertFile(f, "g"));
        const std::function<void(QDialog&)> sorter = [&](QDialog& manager) {
            QTest::mouseClick(Child<QPushButton>(manager, "cmdRSort"), Qt::LeftButton);
            Click(manager, "cmdDone");
        };
        InEditor(f, 0,
                 [&](QDialog& e) {
                     TypeInto(e, "txtInsertName", "Hello");
                     QTest::keyClicks(Child<QPlainTextEdit>(e, "txtInsert"), "more");
                     Click(e, "cmdAddItem");
                     Click(e, "cmdSortItems");
                     Click(e, "cmdDeleteItem");
                     Click(e, "cmdCancel");
                 },
                 {sorter});
        QCOMPARE(ReadBytes(InsertFile(f, "g")), before);
        // Opened again, the editor shows the file as it is.
        InEditor(f, 0, [&](QDialog& e) {
            QCOMPARE(Lines(Child<QListWidget>(e, "lstInsertItems")), QStringList({"Hi", "Bye"}));
            Click(e, "cmdCancel");
        });
    }

    void insertsKeepToWhatTheHandheldStores() {
        MainWindowFixture f;
        StartAnn(f);
        WriteInsertDb(InsertFile(f, "g"), "Greetings",
                      {{"Hi", std::string(2100, 'x')}, {std::string(2100, 't'), "long title"}});
        InEditor(f, 0, [&](QDialog& e) {
            auto* status = Child<QStatusBar>(e, "statusBar");
            auto* text = Child<QPlainTextEdit>(e, "txtInsert");
            // A stored text over the limit is shown whole.
            QCOMPARE(text->toPlainText().size(), 2100);
            TypeInto(e, "txtInsertName", QString::fromUtf8("AΩB"));
            QCOMPARE(Child<QLineEdit>(e, "txtInsertName")->text(), QString("AB"));
            QCOMPARE(status->currentMessage(),
                     QString::fromUtf8("The character Ω (U+03A9) cannot be stored on the "
                                       "handheld and was left out."));
            text->setFocus();
            QTest::keyClicks(text, "y");
            QCOMPARE(text->toPlainText().size(), 2100);
            QCOMPARE(status->currentMessage(),
                     QString("An insert holds at most 1999 characters; the rest was not added."));
            text->selectAll();
            text->insertPlainText(QString(1990, 'z') + QString::fromUtf8("€ΩÄ") + QString(20, 'w'));
            QCOMPARE(text->toPlainText().size(), 1999);
            QVERIFY(text->toPlainText().startsWith(QString(1990, 'z') + QString::fromUtf8("€Ä")));

            // So is a long title; typing at its end is refused.
            ClickRow(Child<QListWidget>(e, "lstInsertItems"), 1);
            auto* title = Child<QLineEdit>(e, "txtInsertName");
            QCOMPARE(title->text().size(), 2100);
            title->setFocus();
            title->end(false);
            QTest::keyClick(title, 'u');
            QCOMPARE(title->text().size(), 2100);
            QCOMPARE(status->currentMessage(),
                     QString("An insert title holds at most 1999 characters; the rest was not "
                             "added."));
            Click(e, "cmdDone");
        });
        const Inserts saved = ReadInserts(InsertFile(f, "g"));
        QCOMPARE(saved.at(1).first, std::string(2100, 't'));
        QCOMPARE(saved.at(0).first, std::string("AB"));
        QCOMPARE(saved.at(0).second.size(), size_t(1999));
        QCOMPARE(saved.at(0).second.substr(1990, 3), std::string("\x80\xc4w"));
    }

    void exitClosesTheEditorAfterAsking() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f);
        WriteInsertDb(InsertFile(f, "g"), "Greetings", {{"Hi", "a"}});
        InEditor(f, 0, [&](QDialog& e) {
            TypeInto(e, "txtInsertName", "Hello");
            f.services.messageAnswers << MsgResult::Cancel;
            QVERIFY(!w.close());
            QVERIFY(e.isVisible());
            QVERIFY(w.isVisible());
            QCOMPARE(ReadInserts(InsertFile(f, "g")).at(0).first, std::string("Hi"));
            f.services.messageAnswers << MsgResult::Yes;
            QVERIFY(w.close());
            QVERIFY(!e.isVisible());
        });
        QVERIFY(!w.isVisible());
        QCOMPARE(f.services.messageTexts().first(),
                 QString("Do you want to save the changes to the insert database \rGreetings?"));
        QCOMPARE(ReadInserts(InsertFile(f, "g")).at(0).first, std::string("Hello"));
    }
};

QTEST_MAIN(tst_InsertWindows)
#include "tst_InsertWindows.moc"
