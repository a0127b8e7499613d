// SPDX-License-Identifier: GPL-3.0-or-later
#include "InsertTestKit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSet>
#include <QStatusBar>

#include "storage/Cp1252.h"

Q_DECLARE_METATYPE(quillary::MsgResult)

using namespace quillary;
using namespace quillary::test;

namespace {

QString WriteText(MainWindowFixture& f, const QString& name, const QByteArray& content) {
    const QString path = f.Root() + '/' + name;
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(content);
    return path;
}

QStringList NoteTexts(clsDatabase& db) {
    QStringList texts;
    for (int i = 0; i < db.GetNumRecords(); ++i)
        texts << QString::fromStdString(db.GetRecordObject(i)->RawText());
    return texts;
}

// Chooses an option of an import dialog, sets the check box and presses OK.
void Choose(QDialog& d, int option, bool deleteFirst) {
    auto* radio = Child<QRadioButton>(d, qPrintable(QString("optImport%1").arg(option)));
    QVERIFY(radio);
    QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(4, radio->height() / 2));
    QVERIFY(radio->isChecked());
    auto* box = Child<QCheckBox>(d, "chkNewDB");
    if (box->isChecked() != deleteFirst)
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
    QCOMPARE(box->isChecked(), deleteFirst);
    Click(d, "cmdDone");
}

Inserts Greetings() {
    return {{"Greeting", "Hello there"}, {"Bye", "See you"}};
}

// Opens the insert database manager on its first database and its import dialog.
void InInsertImport(MainWindowFixture& f, const std::function<void(QDialog&)>& script,
                    const std::function<void(QDialog&)>& afterwards = {}) {
    bool ran = false;
    f.services.dialogScripts.enqueue([&](QDialog& list) {
        Click(list, "cmdImport");
        if (afterwards)
            afterwards(list);
        Click(list, "cmdDone");
    });
    f.services.dialogScripts.enqueue([&](QDialog& d) {
        ran = true;
        QCOMPARE(d.windowTitle(), QString("Import/Export Insert Databases"));
        script(d);
    });
    Trigger(f.Window(), "mnuEditInserts");
    QVERIFY(ran);
}

} // namespace

class tst_ImportDialogs : public QObject {
    Q_OBJECT

private slots:
    void notesImport_data() {
        QTest::addColumn<int>("option");
        QTest::addColumn<bool>("deleteFirst");
        QTest::addColumn<QStringList>("expected");
        const QStringList raw = {"one\ntwo", "three\n"};
        const QStringList old = {"alpha", "beta"};
        QTest::newRow("raw text") << 0 << false << old + raw;
        QTest::newRow("raw text, delete first") << 0 << true << raw;
        QTest::newRow("list") << 1 << false << old + QStringList{"from a list"};
        QTest::newRow("list, delete first") << 1 << true << QStringList{"from a list"};
        QTest::newRow("notes database") << 2 << false << old + QStringList{"x", "y"};
        QTest::newRow("notes database, delete first") << 2 << true << QStringList{"x", "y"};
    }
    void notesImport() {
        QFETCH(int, option);
        QFETCH(bool, deleteFirst);
        QFETCH(QStringList, expected);
        MainWindowFixture f;
        frmMain& w = StartAnn(f, {"alpha", "beta"});
        WriteText(f, "a.txt", "from a list");
        const QString file = option == 0 ? WriteText(f, "raw.txt", "one\r\ntwo|\r\nthree\r\n")
                             : option == 1
                                 ? WriteText(f, "list.txt", "0,anything\r\ncomment\r\na.txt\r\n")
                                 : f.Root() + "/other.pdb";
        MainWindowFixture::WriteDatabase(f.Root() + "/other.pdb", {"x", "y"});
        f.services.fileAnswers << file;
        if (deleteFirst)
            f.services.messageAnswers << MsgResult::Yes;
        f.services.dialogScripts.enqueue([&](QDialog& d) {
            QCOMPARE(d.windowTitle(), QString("Import/Export Notes"));
            Choose(d, option, deleteFirst);
            QVERIFY(!d.isVisible());
        });
        Trigger(w, "mnuImport");
        QCOMPARE(NoteTexts(f.Database()), expected);
        QCOMPARE(w.NoteSelector()->count(), expected.size());
        QVERIFY(f.Database().m_FileDirtyFlag);
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));
        QCOMPARE(f.Settings().GetSetting("ImportFormat"), QString::number(option));
        QCOMPARE(f.Settings().GetSetting("ImportNewDB"), QString(deleteFirst ? "1" : "0"));
        QStringList asked = f.services.messageTexts();
        QCOMPARE(asked, deleteFirst ? QStringList{"Are you sure you want to delete all current "
                                                  "notes(overwrite)?"}
                                    : QStringList());
        QCOMPARE(f.services.fileDialogs.size(), 1);
        QCOMPARE(f.services.fileDialogs.first().title,
                 QString(option == 2 ? "Select a Palm Database:" : "Open Text File:"));
        // Imported notes are new to the handheld.
        const clsQuillaryItem* last = f.Database().GetRecordObject(int(expected.size()) - 1);
        QCOMPARE(last->UniqueID, 0u);
        QVERIFY(last->DirtyFlag());
    }

    // An insert database chosen where notes are expected is named as such, instead of the
    // reader's words about a note record it cannot make sense of; nothing changes.
    void insertDatabaseChosenForNotesIsNamed() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f, {"alpha", "beta"});
        WriteInsertDb(f.Root() + "/inserts.pdb", "Mine", Greetings());
        f.services.fileAnswers << f.Root() + "/inserts.pdb";
        f.services.dialogScripts.enqueue([&](QDialog& d) { Choose(d, 2, false); });
        Trigger(w, "mnuImport");
        QCOMPARE(NoteTexts(f.Database()), (QStringList{"alpha", "beta"}));
        const QStringList told = f.services.messageTexts();
        QCOMPARE(told.size(), 1);
        QVERIFY2(told.first().contains("is not a Quillary notes database: it is an insert "
                                       "database (type Inst)"),
                 qPrintable(told.first()));
        QVERIFY(!f.Database().m_FileDirtyFlag);
    }

    void noToDeletingKeepsTheDialogOpen_data() {
        QTest::addColumn<int>("option");
        QTest::newRow("raw text") << 0;
        QTest::newRow("list") << 1;
        QTest::newRow("notes database") << 2;
    }
    void noToDeletingKeepsTheDialogOpen() {
        QFETCH(int, option);
        MainWindowFixture f;
        frmMain& w = StartAnn(f, {"alpha", "beta"});
        f.services.dialogScripts.enqueue([&](QDialog& d) {
            f.services.messageAnswers << MsgResult::No;
            Choose(d, option, true);
            QVERIFY(d.isVisible());
            Click(d, "cmdCancel");
        });
        Trigger(w, "mnuImport");
        QCOMPARE(NoteTexts(f.Database()), QStringList({"alpha", "beta"}));
        QVERIFY(f.services.fileDialogs.isEmpty());
        QVERIFY(!f.Database().m_FileDirtyFlag);
    }

    void nothingToImportChangesNothing_data() {
        QTest::addColumn<int>("option");
        QTest::addColumn<QByteArray>("content"); // empty: the file dialog is cancelled
        QTest::addColumn<QString>("message");
        QTest::newRow("text file dialog cancelled") << 0 << QByteArray() << QString();
        QTest::newRow("database dialog cancelled") << 2 << QByteArray() << QString();
        QTest::newRow("empty file") << 0 << QByteArray("-") << QString("empty");
    }
    void nothingToImportChangesNothing() {
        QFETCH(int, option);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        MainWindowFixture f;
        frmMain& w = StartAnn(f, {"alpha", "beta"});
        if (!content.isEmpty())
            f.services.fileAnswers << WriteText(f, "empty.txt", QByteArray());
        f.services.messageAnswers << MsgResult::Yes;
        f.services.dialogScripts.enqueue([&](QDialog& d) { Choose(d, option, true); });
        Trigger(w, "mnuImport");
        QCOMPARE(NoteTexts(f.Database()), QStringList({"alpha", "beta"}));
        QVERIFY(!f.Database().m_FileDirtyFlag);
        const QStringList texts = f.services.messageTexts();
        QCOMPARE(texts.size(), message.isEmpty() ? 1 : 2);
        if (!message.isEmpty())
            QVERIFY2(texts.last().contains(message), qPrintable(texts.last()));
    }

    void overwriteThatBringsNothingLeavesOneNote() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f, {"alpha", "beta"});
        f.services.fileAnswers << WriteText(f, "list.txt", "5,not a list\r\ncomment\r\na.txt\r\n");
        f.services.messageAnswers << MsgResult::Yes;
        f.services.dialogScripts.enqueue([&](QDialog& d) { Choose(d, 1, true); });
        Trigger(w, "mnuImport");
        QCOMPARE(f.Database().GetNumRecords(), 1);
        QCOMPARE(w.NoteSelector()->count(), 1);
        QCOMPARE(w.CurrentNoteIndex(), 0);
        QVERIFY(!NoteTexts(f.Database()).contains("alpha"));
        QVERIFY(f.services.messageTexts().last().contains("is not a Quillary import list"));
    }

    // A long UTF-8 text comes in whole over consecutive notes, the status bar says so, and
    // a save writes the notes exactly as the window shows them.
    void longUtf8TextArrivesWholeAndSavesAsShown() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f, {"alpha", "beta"});
        QByteArray file;
        for (int i = 0; i < 80; ++i) // 80 lines of 30 characters: 2399 with the line ends
            file += "caf\xC3\xA9 line " + QByteArray::number(i).rightJustified(2, '0') +
                    QByteArray(17, 'x') + "\r\n";
        file.chop(2);
        f.services.fileAnswers << WriteText(f, "long.txt", file + "|");
        f.services.dialogScripts.enqueue([&](QDialog& d) { Choose(d, 0, false); });
        Trigger(w, "mnuImport");
        QCOMPARE(w.statusBar()->currentMessage(),
                 QString("2 notes imported. 1 long text was split into consecutive notes."));
        QCOMPARE(f.Database().GetNumRecords(), 4);
        std::vector<std::string> shown;
        for (int i = 0; i < 4; ++i)
            shown.push_back(f.Database().GetRecordObject(i)->RawText());
        QVERIFY(shown[3].rfind("(continued)\n", 0) == 0);
        // What the window shows of the continuation is the note's text, converted.
        w.ShowNote(3);
        QCOMPARE(w.TextEditor()->toPlainText(), QString::fromStdString(Cp1252ToUtf8(shown[3])));
        QVERIFY(w.TextEditor()->toPlainText().contains(QString::fromUtf8("caf\xC3\xA9 line 79")));

        Trigger(w, "mnuSave");
        const auto saved = MainWindowFixture::ReadDatabase(f.UserFile("ann", "Ann"));
        QVERIFY(saved);
        QCOMPARE(saved->GetNumRecords(), 4);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(saved->GetRecordObject(i)->RawText(), shown[size_t(i)]);
        const QString whole =
            QString::fromStdString(Cp1252ToUtf8(shown[2] + "\n" + shown[3].substr(12)));
        QCOMPARE(whole, QString::fromUtf8(file).remove(u'\r'));
    }

    // A text holding a character the handheld cannot store is refused by file and line,
    // before the notes it was to replace are deleted.
    void refusedTextKeepsTheNotesItWasToReplace() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f, {"alpha", "beta"});
        const QString file = WriteText(f, "snow.txt", "ok|\r\nlet it \xE2\x98\x83|");
        f.services.fileAnswers << file;
        f.services.messageAnswers << MsgResult::Yes;
        f.services.dialogScripts.enqueue([&](QDialog& d) { Choose(d, 0, true); });
        Trigger(w, "mnuImport");
        QCOMPARE(NoteTexts(f.Database()), QStringList({"alpha", "beta"}));
        QVERIFY(!f.Database().m_FileDirtyFlag);
        const QString report = f.services.messageTexts().last();
        QVERIFY2(report.contains(QDir::toNativeSeparators(file) +
                                 QString::fromUtf8(", line 2: the character \"\xE2\x98\x83\" "
                                                   "(U+2603) cannot be stored on the handheld.")),
                 qPrintable(report));
        QCOMPARE(w.statusBar()->currentMessage(), QString("0 notes imported. 2 notes refused."));
    }

    void importKeepsTheNoteBeingEdited() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f, {"alpha", "beta"});
        QPlainTextEdit* text = w.TextEditor();
        text->setFocus();
        text->moveCursor(QTextCursor::End);
        QTest::keyClicks(text, " edited");
        f.services.messageAnswers << MsgResult::No; // do not save first
        f.services.fileAnswers << WriteText(f, "raw.txt", "new|");
        f.services.dialogScripts.enqueue([&](QDialog& d) { Choose(d, 0, false); });
        Trigger(w, "mnuImport");
        QVERIFY(f.services.messageTexts().first().startsWith("Do you want to save your changes"));
        QCOMPARE(NoteTexts(f.Database()), QStringList({"alpha edited", "beta", "new"}));
        QCOMPARE(w.TextEditor()->toPlainText(), QString("alpha edited"));
    }

    void exportWritesACopyUnderANewName() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f, {"alpha", "beta"});
        const QString own = f.UserFile("ann", "Ann");
        const QByteArray before = ReadBytes(own);
        QPlainTextEdit* text = w.TextEditor();
        text->setFocus();
        QTest::keyClicks(text, "!");
        f.services.messageAnswers << MsgResult::No; // keep the change unsaved
        f.services.fileAnswers << f.Root() + "/copy";
        f.services.dialogScripts.enqueue([&](QDialog& d) {
            Choose(d, 5, true); // deleting does not apply to an export: nothing is asked
        });
        QAction* toolbarImport = w.findChild<QAction*>("tbrImport");
        QVERIFY(toolbarImport);
        toolbarImport->trigger();
        QCOMPARE(f.services.messages.size(), 1);
        QCOMPARE(f.services.fileDialogs.first().title,
                 QString("Select Windows Filename for Quillary Database:"));
        auto copy = MainWindowFixture::ReadDatabase(f.Root() + "/copy.pdb");
        QCOMPARE(NoteTexts(*copy), QStringList({"alpha!", "beta"}));
        QCOMPARE(QString::fromStdString(f.Database().GetFileName()), own);
        QCOMPARE(ReadBytes(own), before);
        QVERIFY(f.Database().m_FileDirtyFlag); // the open file still lacks the change
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));
        QCOMPARE(NoteTexts(f.Database()), QStringList({"alpha!", "beta"}));
    }

    void notesDialogRestoresItsSettings_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("newDb");
        QTest::addColumn<QString>("checkedOption");
        QTest::addColumn<bool>("checked");
        QTest::newRow("export") << "5"
                                << "1"
                                << "optImport5" << true;
        QTest::newRow("list") << "1"
                              << "0"
                              << "optImport1" << false;
        QTest::newRow("an option without action") << "3"
                                                  << ""
                                                  << "optImport0" << false;
    }
    void notesDialogRestoresItsSettings() {
        QFETCH(QString, format);
        QFETCH(QString, newDb);
        QFETCH(QString, checkedOption);
        QFETCH(bool, checked);
        MainWindowFixture f;
        frmMain& w = StartAnn(f);
        f.Settings().SetSetting("ImportFormat", format);
        f.Settings().SetSetting("ImportNewDB", newDb);
        f.services.dialogScripts.enqueue([&](QDialog& d) {
            QVERIFY(Child<QRadioButton>(d, qPrintable(checkedOption))->isChecked());
            QCOMPARE(Child<QCheckBox>(d, "chkNewDB")->isChecked(), checked);
            QCOMPARE(Child<QCheckBox>(d, "chkNewDB")->text().remove('&'),
                     QString("Delete Existing Records Before Importing"));
            Click(d, "cmdCancel");
        });
        Trigger(w, "mnuImport");
        QCOMPARE(f.Settings().GetSetting("ImportFormat"), format); // Cancel stores nothing
        QVERIFY(f.services.messages.isEmpty());
    }

    void insertImport_data() {
        QTest::addColumn<int>("option");
        QTest::addColumn<bool>("deleteFirst");
        QTest::addColumn<MsgResult>("answer");
        QTest::addColumn<int>("expectedCount");
        QTest::newRow("raw inserts") << 0 << false << MsgResult::Yes << 3;
        QTest::newRow("raw inserts, delete first") << 0 << true << MsgResult::Yes << 2;
        QTest::newRow("raw inserts, delete refused") << 0 << true << MsgResult::No << 1;
        QTest::newRow("insert database") << 2 << false << MsgResult::Yes << 3;
        QTest::newRow("insert database, delete first") << 2 << true << MsgResult::Yes << 2;
        QTest::newRow("insert database, delete refused") << 2 << true << MsgResult::No << 1;
    }
    void insertImport() {
        QFETCH(int, option);
        QFETCH(bool, deleteFirst);
        QFETCH(MsgResult, answer);
        QFETCH(int, expectedCount);
        MainWindowFixture f;
        StartAnn(f);
        const QString target = InsertFile(f, "g");
        WriteInsertDb(target, "Mine", {{"Hi", "a\nb"}});
        const QByteArray before = ReadBytes(target);
        WriteInsertDb(f.Root() + "/other.pdb", "Other", Greetings());
        f.services.fileAnswers << (option == 0 ? WriteText(f, "raw.txt",
                                                           "#Greeting#Hello there#Bye#See you#")
                                               : f.Root() + "/other.pdb");
        if (deleteFirst)
            f.services.messageAnswers << answer;
        InInsertImport(
            f,
            [&](QDialog& d) {
                Choose(d, option, deleteFirst);
                QVERIFY(!d.isVisible()); // a refusal closes the dialog too
            },
            [&](QDialog& list) {
                QCOMPARE(Label(list, "lblDBSize"),
                         QString("Number of Records: %1").arg(expectedCount));
            });
        Inserts expected = Greetings();
        if (!deleteFirst)
            expected.insert(expected.begin(), {"Hi", "a\nb"});
        if (answer == MsgResult::No) {
            QCOMPARE(ReadBytes(target), before);
            QVERIFY(f.services.fileDialogs.isEmpty());
        } else {
            QCOMPARE(ReadInserts(target), expected);
        }
        QCOMPARE(f.Settings().GetSetting("ImportInsertFormat"), QString::number(option));
        QCOMPARE(f.Settings().GetSetting("ImportInsertNewDB"), QString(deleteFirst ? "1" : "0"));
        if (deleteFirst)
            QCOMPARE(f.services.messageTexts().first(),
                     QString("Are you sure you want to delete all current inserts(overwrite)?"));
        else
            QVERIFY(f.services.messages.isEmpty());
    }

    void insertFormatOptionHasNothingToDo() {
        MainWindowFixture f;
        StartAnn(f);
        WriteInsertDb(InsertFile(f, "g"), "Mine", {{"Hi", "a"}});
        const QByteArray before = ReadBytes(InsertFile(f, "g"));
        InInsertImport(f, [&](QDialog& d) {
            Choose(d, 1, true);
            QVERIFY(d.isVisible());
            Click(d, "cmdCancel");
        });
        QCOMPARE(f.services.messages.size(), 1);
        QVERIFY(f.services.messages.first().text.contains("not available"));
        QCOMPARE(ReadBytes(InsertFile(f, "g")), before);
    }

    void exportInsertDatabases_data() {
        QTest::addColumn<QByteArray>("type");
        QTest::newRow("text inserts") << QByteArray("Inst");
        QTest::newRow("bitmap inserts, as a whole file") << QByteArray("Ins2");
    }
    void exportInsertDatabases() {
        QFETCH(QByteArray, type);
        MainWindowFixture f;
        StartAnn(f);
        const QString source = InsertFile(f, "g");
        WriteInsertDb(source, "Mine", {{"Hi", "a\nb"}, {"Caf\xe9", "\x80"}}, type.constData());
        const QByteArray before = ReadBytes(source);
        f.services.fileAnswers << f.Root() + "/copy.PDB";
        InInsertImport(f, [&](QDialog& d) { Choose(d, 3, true); });
        QCOMPARE(ReadBytes(f.Root() + "/copy.PDB"), before);
        QCOMPARE(ReadBytes(source), before);
        QVERIFY(f.services.messages.isEmpty());
        QCOMPARE(f.services.fileDialogs.first().title,
                 QString("Select Windows Filename for Quillary Database:"));
    }

    void bitmapInsertsCannotBeImportedInto() {
        MainWindowFixture f;
        StartAnn(f);
        WriteInsertDb(InsertFile(f, "p"), "Pictures", {{"x", "y"}}, "Ins2");
        const QByteArray before = ReadBytes(InsertFile(f, "p"));
        f.services.fileAnswers << WriteText(f, "raw.txt", "#a#b#");
        InInsertImport(f, [&](QDialog& d) {
            Choose(d, 0, false);
            QVERIFY(d.isVisible());
            Click(d, "cmdCancel");
        });
        QCOMPARE(f.services.messages.size(), 1);
        QVERIFY(f.services.messages.first().text.contains("bitmap insert database"));
        QCOMPARE(ReadBytes(InsertFile(f, "p")), before);
        QVERIFY(f.services.fileDialogs.isEmpty());
    }

    // Every option and the check box can be chosen from the keyboard with its own access
    // key: Alt+letter checks that option and moves the focus to it.
    void optionsHaveTheirOwnAccessKeys_data() {
        QTest::addColumn<bool>("inserts");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("option");
        QTest::newRow("notes: raw text") << false << int(Qt::Key_R) << "optImport0";
        QTest::newRow("notes: list") << false << int(Qt::Key_L) << "optImport1";
        QTest::newRow("notes: palm db") << false << int(Qt::Key_P) << "optImport2";
        QTest::newRow("notes: export") << false << int(Qt::Key_E) << "optImport5";
        QTest::newRow("notes: delete first") << false << int(Qt::Key_D) << "chkNewDB";
        QTest::newRow("inserts: raw text") << true << int(Qt::Key_R) << "optImport0";
        QTest::newRow("inserts: format") << true << int(Qt::Key_F) << "optImport1";
        QTest::newRow("inserts: palm db") << true << int(Qt::Key_P) << "optImport2";
        QTest::newRow("inserts: export") << true << int(Qt::Key_E) << "optImport3";
        QTest::newRow("inserts: delete first") << true << int(Qt::Key_D) << "chkNewDB";
    }
    void optionsHaveTheirOwnAccessKeys() {
        QFETCH(bool, inserts);
        QFETCH(int, key);
        QFETCH(QString, option);
        MainWindowFixture f;
        frmMain& w = StartAnn(f);
        bool ran = false;
        auto script = [&](QDialog& d) {
            ran = true;
            QSet<QChar> keys;
            const auto buttons = d.findChildren<QAbstractButton*>();
            for (QAbstractButton* b : buttons) {
                const qsizetype amp = b->text().indexOf('&');
                QVERIFY2(amp >= 0 && amp + 1 < b->text().size(), qPrintable(b->text()));
                const QChar letter = b->text().at(amp + 1).toUpper();
                QVERIFY2(!keys.contains(letter), qPrintable(b->text()));
                keys.insert(letter);
            }
            auto* target = Child<QAbstractButton>(d, qPrintable(option));
            QVERIFY(target);
            if (target->isChecked()) // the first option starts checked: choose another
                for (QRadioButton* other : d.findChildren<QRadioButton*>())
                    if (other != target) {
                        other->click();
                        break;
                    }
            QVERIFY(!target->isChecked());
            QTest::keyClick(&d, Qt::Key(key), Qt::AltModifier);
            QTRY_VERIFY(target->isChecked());
            QVERIFY(target->hasFocus());
            Click(d, "cmdCancel");
        };
        if (inserts) {
            WriteInsertDb(InsertFile(f, "g"), "Mine", {});
            InInsertImport(f, script);
        } else {
            f.services.dialogScripts.enqueue(script);
            Trigger(w, "mnuImport");
        }
        QVERIFY(ran);
    }

    void insertDialogRestoresItsSettings() {
        MainWindowFixture f;
        StartAnn(f);
        WriteInsertDb(InsertFile(f, "g"), "Mine", {});
        f.Settings().SetSetting("ImportInsertFormat", "2");
        f.Settings().SetSetting("ImportInsertNewDB", "1");
        InInsertImport(f, [&](QDialog& d) {
            QVERIFY(Child<QRadioButton>(d, "optImport2")->isChecked());
            QVERIFY(Child<QCheckBox>(d, "chkNewDB")->isChecked());
            QCOMPARE(Child<QRadioButton>(d, "optImport0")->text().remove('&'),
                     QString("Import Raw Text Insert Database"));
            Click(d, "cmdCancel");
        });
        QVERIFY(f.services.messages.isEmpty());
    }

private:
    static QString Label(QDialog& d, const char* name) { return Child<QLabel>(d, name)->text(); }
};

QTEST_MAIN(tst_ImportDialogs)
#include "tst_ImportDialogs.moc"
