// SPDX-License-Identifier: GPL-3.0-or-later
// Earlier versions and what a reread changed, through the real main window: a save keeps
// the file as it was, the Earlier Versions window brings notes back, a reread reports its
// changes, and a change made by another program is noticed.

#include "NoteWindowsTestKit.h"
#include "dialogs/VersionWindows.h"
#include "dialogs/frmNoteChanges.h"
#include "dialogs/frmVersions.h"
#include "mainwindow/MainCommands.h"
#include "session/OpenFileGuard.h"
#include "storage/VersionStore.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

using namespace quillary;
using namespace quillary::test;

namespace {

frmMain& StartAnn(MainWindowFixture& f, const std::vector<std::string>& texts) {
    frmMain& w = StartWithNotes(f, Notes(texts));
    RegisterVersionWindows(w);
    return w;
}

std::vector<std::string> TextsOf(const clsDatabase& db) {
    std::vector<std::string> out;
    for (int i = 0; i < db.GetNumRecords(); ++i)
        out.push_back(db.GetRecordObject(i)->RawText());
    return out;
}

std::vector<VersionInfo> VersionsOf(MainWindowFixture& f) {
    return VersionStore(f.UserFile("ann", "Ann").toStdString()).List();
}

// Types at the end of the shown note's text, as a person does.
void TypeIntoNote(frmMain& w, const QString& text) {
    w.TextEditor()->setFocus();
    w.TextEditor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(w.TextEditor(), text);
}

bool Asked(MainWindowFixture& f, const QString& part) {
    for (const auto& m : f.services.messages)
        if (m.text.contains(part))
            return true;
    return false;
}

} // namespace

class tst_Versions : public QObject {
    Q_OBJECT

private slots:
    void saveKeepsTheFileAsItWasOnce() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f, {"one", "two"});
        const auto original = TextsOf(*MainWindowFixture::ReadDatabase(f.UserFile("ann", "Ann")));
        TypeIntoNote(w, " more");
        Trigger(w, "mnuSave");
        auto versions = VersionsOf(f);
        QCOMPARE(versions.size(), size_t(1));
        QCOMPARE(versions[0].records, 2);
        // Saving again without a change keeps nothing new; a change keeps the last file.
        Trigger(w, "mnuSave");
        QCOMPARE(VersionsOf(f).size(), size_t(1));
        TypeIntoNote(w, " again");
        Trigger(w, "mnuSave");
        versions = VersionsOf(f);
        QCOMPARE(versions.size(), size_t(2));
        std::vector<uint8_t> bytes;
        QVERIFY(
            VersionStore(f.UserFile("ann", "Ann").toStdString()).Read(versions[1], bytes, nullptr));
        clsDatabase first;
        QVERIFY(first.LoadDatabaseBytes(bytes.data(), bytes.size(), "v"));
        QCOMPARE(TextsOf(first), original);
        QVERIFY(f.services.messages.isEmpty());
    }

    void restoreChosenNotesAsNewNotes() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f, {"keep me", "lost note", "third"});
        // The person removes the second note and saves.
        w.NoteSelector()->setCurrentIndex(1);
        f.services.messageAnswers.enqueue(MsgResult::Yes); // remove this note?
        Trigger(w, "mnuRemoveRecord");
        Trigger(w, "mnuSave");
        QCOMPARE(w.Database().GetNumRecords(), 2);

        f.services.dialogScripts.enqueue([](QDialog& d) {
            auto& dialog = static_cast<frmVersions&>(d);
            QTRY_COMPARE(dialog.VersionList()->topLevelItemCount(), 1);
            QCOMPARE(dialog.VersionList()->topLevelItem(0)->text(2), QString("3"));
            QListWidget* notes = dialog.NoteList();
            QCOMPARE(notes->count(), 3);
            // The picture of the note shown before was scrolled to its far corner.
            auto* scroll = dialog.findChild<QScrollArea*>("scrVersionPicture");
            QVERIFY(scroll);
            scroll->resize(120, 120);
            scroll->horizontalScrollBar()->setValue(scroll->horizontalScrollBar()->maximum());
            scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
            QVERIFY(scroll->verticalScrollBar()->value() > 0);
            const QRect row = notes->visualItemRect(notes->item(1));
            QTest::mouseClick(notes->viewport(), Qt::LeftButton, {}, row.center());
            QCOMPARE(dialog.NoteText()->toPlainText(), QString("lost note"));
            QVERIFY(dialog.NotePicture()->pixmap().width() > 0);
            QCOMPARE(scroll->horizontalScrollBar()->value(), 0);
            QCOMPARE(scroll->verticalScrollBar()->value(), 0);
            QVERIFY(dialog.CopyButton()->isEnabled());
            QTest::mouseClick(dialog.CopyButton(), Qt::LeftButton);
            d.reject();
        });
        Trigger(w, "mnuVersions");
        QCOMPARE(f.services.dialogsShown, QStringList{"frmVersions"});
        QCOMPARE(TextsOf(w.Database()),
                 (std::vector<std::string>{"keep me", "third", "lost note"}));
        QCOMPARE(w.Database().GetUniqueID(2), 0u);
        QVERIFY(w.Database().GetRecordObject(2)->DirtyFlag());
        QVERIFY(w.Database().m_FileDirtyFlag);
        QCOMPARE(f.services.messages.last().text,
                 QString("1 note was copied to the end of the open database as a new note. "
                         "Save to keep it."));
    }

    // Two versions kept in the same minute show their seconds, in the list and in the
    // question before a replace; a version alone in its minute shows the short time.
    void versionsInOneMinuteShowTheirSeconds() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f, {"now"});
        VersionStore store(f.UserFile("ann", "Ann").toStdString());
        const std::time_t minute = std::time_t(1765375200); // a whole minute, UTC
        const std::time_t kept[] = {minute - 3600, minute + 5, minute + 42};
        for (int i = 0; i < 3; ++i) {
            clsDatabase db;
            db.m_NewNoteTitle = [] { return std::string("title - "); };
            db.AddNewDatabase();
            db.AddNewRecord(0);
            db.GetRecordObject(0)->SetText("version " + std::to_string(i));
            QVERIFY(store.KeepBytes(db.GetDatabaseBytes(), nullptr, nullptr, kept[i]));
        }
        auto local = [](std::time_t t) {
            return QDateTime::fromSecsSinceEpoch(qint64(t)).toLocalTime().time();
        };
        const QString shortFormat = QLocale().timeFormat(QLocale::ShortFormat);
        QString withSeconds = shortFormat;
        if (!withSeconds.contains('s'))
            withSeconds.replace("mm", "mm:ss");
        f.services.dialogScripts.enqueue([&](QDialog& d) {
            auto& dialog = static_cast<frmVersions&>(d);
            QTreeWidget* list = dialog.VersionList();
            QCOMPARE(list->topLevelItemCount(), 3);
            QStringList times;
            for (int i = 0; i < 3; ++i)
                times << list->topLevelItem(i)->text(1);
            // Newest first.
            QCOMPARE(times, QStringList({QLocale().toString(local(kept[2]), withSeconds),
                                         QLocale().toString(local(kept[1]), withSeconds),
                                         QLocale().toString(local(kept[0]), shortFormat)}));
            QVERIFY(times.at(0) != times.at(1));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->topLevelItem(1)).center());
            f.services.messageAnswers.enqueue(MsgResult::No);
            QTest::mouseClick(dialog.ReplaceButton(), Qt::LeftButton);
            QVERIFY(f.services.messages.last().text.contains(list->topLevelItem(1)->text(0) + ' ' +
                                                             times.at(1) + '?'));
            d.reject();
        });
        Trigger(w, "mnuVersions");
        QCOMPARE(TextsOf(w.Database()), std::vector<std::string>{"now"});
    }

    void replaceWholeDatabaseAndUndoIt() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f, {"a", "b"});
        f.services.messageAnswers.enqueue(MsgResult::Yes);
        Trigger(w, "mnuRemoveRecord");
        TypeIntoNote(w, " unsaved");
        Trigger(w, "mnuSave");
        TypeIntoNote(w, " typed");
        QVERIFY(w.SaveChanges());
        const auto edited = TextsOf(w.Database());

        auto replaceWithOldest = [&f](QDialog& d) {
            auto& dialog = static_cast<frmVersions&>(d);
            QTreeWidget* list = dialog.VersionList();
            QVERIFY(list->topLevelItemCount() >= 1);
            const QRect row =
                list->visualItemRect(list->topLevelItem(list->topLevelItemCount() - 1));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
            f.services.messageAnswers.enqueue(MsgResult::Yes); // replace?
            QTest::mouseClick(dialog.ReplaceButton(), Qt::LeftButton);
        };
        // Declined: nothing changes.
        f.services.dialogScripts.enqueue([&](QDialog& d) {
            auto& dialog = static_cast<frmVersions&>(d);
            f.services.messageAnswers.enqueue(MsgResult::No);
            QTest::mouseClick(dialog.ReplaceButton(), Qt::LeftButton);
            d.reject();
        });
        Trigger(w, "mnuVersions");
        QCOMPARE(TextsOf(w.Database()), edited);

        f.services.dialogScripts.enqueue(replaceWithOldest);
        Trigger(w, "mnuVersions");
        QCOMPARE(TextsOf(w.Database()), (std::vector<std::string>{"a", "b"}));
        QVERIFY(!w.Database().m_FileDirtyFlag);
        QCOMPARE(TextsOf(*MainWindowFixture::ReadDatabase(f.UserFile("ann", "Ann"))),
                 (std::vector<std::string>{"a", "b"}));

        // The notes the replace dropped, unsaved typing included, are the newest version
        // before the replacement's own.
        bool found = false;
        for (const VersionInfo& v : VersionsOf(f)) {
            std::vector<uint8_t> bytes;
            clsDatabase db;
            if (VersionStore(f.UserFile("ann", "Ann").toStdString()).Read(v, bytes, nullptr) &&
                db.LoadDatabaseBytes(bytes.data(), bytes.size(), "v"))
                found = found || TextsOf(db) == edited;
        }
        QVERIFY(found);
    }

    void rereadReportsWhatChanged() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f, {"stays", "edited on the handheld", "deleted there", "moves"});
        MainWindowFixture::WriteDatabase(f.UserFile("ann", "Ann"),
                                         {"moves", "stays", "edited there", "made there"});
        w.ReloadCurrentUser();
        QToolButton* button = w.ChangesButton();
        QVERIFY(button->isVisible());
        // No unique IDs here: by content, then by position.
        QCOMPARE(button->text(), QString("HotSync: 2 notes changed, 1 moved"));
        QVERIFY(button->toolTip().startsWith(button->text()));
        // Beside the panels, not squeezed between them: a wider window shows it whole.
        w.resize(1000, w.height());
        QTRY_VERIFY(button->width() >= button->sizeHint().width());
        const NoteChangeReport& report = w.FileGuard().LastReport();
        QCOMPARE(report.moved + report.changed + report.added + report.removed,
                 int(report.changes.size()));

        f.services.dialogScripts.enqueue([&w](QDialog& d) {
            auto& dialog = static_cast<frmNoteChanges&>(d);
            QTreeWidget* list = dialog.ChangeList();
            QCOMPARE(list->topLevelItemCount(), 3);
            QCOMPARE(list->topLevelItem(0)->text(0), QString("Moved"));
            QCOMPARE(list->topLevelItem(1)->text(0), QString("Changed"));
            QCOMPARE(list->topLevelItem(1)->text(2), QString("edited there"));
            // Double-clicking a changed note shows it in the main window.
            QTRY_VERIFY(list->viewport()->isVisible());
            const QRect row = list->visualItemRect(list->topLevelItem(2));
            QVERIFY2(list->viewport()->rect().contains(row.center()), "row 3 is cut off");
            // A hand's double click: the first click, then the second.
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row.center());
            QCOMPARE(w.TextEditor()->toPlainText(), QString("made there"));
            d.accept();
        });
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(f.services.dialogsShown, QStringList{"frmNoteChanges"});
        // The notes the window showed are kept.
        QCOMPARE(VersionsOf(f).size(), size_t(1));
    }

    // Text typed and not yet saved is in the earlier version kept before a Refresh or a
    // reread replaces the notes shown, not only in the text box that is about to change.
    void rereadKeepsWhatWasBeingTyped_data() {
        QTest::addColumn<bool>("refresh");
        QTest::newRow("refresh") << true;
        QTest::newRow("hotsync") << false;
    }
    void rereadKeepsWhatWasBeingTyped() {
        QFETCH(bool, refresh);
        MainWindowFixture f;
        frmMain& w = StartAnn(f, {"one"});
        TypeIntoNote(w, " typed");
        if (refresh) {
            Trigger(w, "mnuRefresh");
        } else {
            MainWindowFixture::WriteDatabase(f.UserFile("ann", "Ann"), {"one", "two"});
            w.ReloadCurrentUser();
        }
        const std::vector<VersionInfo> versions = VersionsOf(f);
        QCOMPARE(versions.size(), size_t(1));
        std::vector<uint8_t> bytes;
        std::string why;
        QVERIFY2(VersionStore(f.UserFile("ann", "Ann").toStdString()).Read(versions.front(), bytes,
                                                                          &why),
                 why.c_str());
        clsDatabase kept;
        QVERIFY(kept.LoadDatabaseBytes(bytes.data(), bytes.size(), "kept.pdb", {}, &why));
        QCOMPARE(TextsOf(kept), std::vector<std::string>{"one typed"});
        QCOMPARE(w.TextEditor()->toPlainText(), QString("one")); // the file's notes are shown
    }

    void refreshReportsOnlyAChangedFile() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f, {"one"});
        Trigger(w, "mnuRefresh");
        QVERIFY(!w.ChangesButton()->isVisible());
        MainWindowFixture::WriteDatabase(f.UserFile("ann", "Ann"), {"one", "two"});
        Trigger(w, "mnuRefresh");
        QTRY_VERIFY(w.ChangesButton()->isVisible());
        QCOMPARE(w.ChangesButton()->text(), QString("Refresh: 1 note added"));
    }

    void outsideChangeIsNoticed_data() {
        QTest::addColumn<bool>("unsaved");
        QTest::addColumn<bool>("reread");
        QTest::newRow("saved, reread") << false << true;
        QTest::newRow("saved, keep") << false << false;
        QTest::newRow("unsaved, reread") << true << true;
        QTest::newRow("unsaved, keep") << true << false;
    }
    void outsideChangeIsNoticed() {
        QFETCH(bool, unsaved);
        QFETCH(bool, reread);
        MainWindowFixture f;
        frmMain& w = StartAnn(f, {"mine"});
        if (unsaved)
            TypeIntoNote(w, " typed");
        QVERIFY(w.SaveChanges());
        const auto shown = TextsOf(w.Database());
        f.services.messageAnswers.enqueue(reread ? MsgResult::Yes : MsgResult::No);
        MainWindowFixture::WriteDatabase(f.UserFile("ann", "Ann"), {"theirs", "more"});
        QTRY_VERIFY_WITH_TIMEOUT(Asked(f, "was changed by another program"), 10000);
        QCOMPARE(Asked(f, "drop your unsaved changes"), unsaved);
        if (reread) {
            QTRY_COMPARE(TextsOf(w.Database()), (std::vector<std::string>{"theirs", "more"}));
            QCOMPARE(w.ChangesButton()->isVisible(), true);
            // The report takes the place of the message, not a place over it, and leaves
            // the panels in view.
            QCOMPARE(w.statusBar()->currentMessage(), QString());
            QStatusBar* bar = w.statusBar();
            QApplication::processEvents();
            for (const QLabel* panel : bar->findChildren<QLabel*>(QRegularExpression("^pnl"))) {
                const int right = panel->mapTo(&w, panel->rect().topRight()).x();
                QVERIFY2(panel->isVisible() && right < w.width(),
                         qPrintable(panel->objectName() + " ends at " + QString::number(right)));
            }
            if (unsaved) // the dropped typing is an earlier version
                QCOMPARE(VersionsOf(f).size(), size_t(1));
            return;
        }
        QCOMPARE(TextsOf(w.Database()), shown);
        // Saving over the other program's file asks; No leaves it.
        const int asked = f.services.messages.size();
        f.services.messageAnswers.enqueue(MsgResult::No);
        Trigger(w, "mnuSave");
        QCOMPARE(f.services.messages.size(), asked + 1);
        QVERIFY(f.services.messages.last().text.contains("after it was read here"));
        QCOMPARE(TextsOf(*MainWindowFixture::ReadDatabase(f.UserFile("ann", "Ann"))),
                 (std::vector<std::string>{"theirs", "more"}));
        // Yes replaces it, keeping the other program's file as a version.
        f.services.messageAnswers.enqueue(MsgResult::Yes);
        Trigger(w, "mnuSave");
        QCOMPARE(TextsOf(*MainWindowFixture::ReadDatabase(f.UserFile("ann", "Ann"))), shown);
        const auto versions = VersionsOf(f);
        QVERIFY(!versions.empty());
        QCOMPARE(versions[0].records, 2);
        // Our own save is no outside change (checked now, not after the settle time).
        w.FileGuard().CheckFileNow();
        QCOMPARE(f.services.messages.size(), asked + 2);
    }

    // A file where the folder should be cannot be written into, even by root.
    void versionFolderThatCannotBeWrittenStillSaves() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f, {"one"});
        const QString blocker =
            QFileInfo(f.UserFile("ann", "Ann")).absolutePath() + "/.quillary-versions";
        {
            QFile file(blocker);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("in the way");
        }
        TypeIntoNote(w, " two");
        Trigger(w, "mnuSave");
        QVERIFY(Asked(f, "No earlier version of the notes file could be kept"));
        QVERIFY(w.statusBar()->currentMessage().contains("No earlier version"));
        QVERIFY(!w.Database().m_FileDirtyFlag);
        QCOMPARE(TextsOf(*MainWindowFixture::ReadDatabase(f.UserFile("ann", "Ann"))),
                 (std::vector<std::string>{"one two"}));
    }
};

QTEST_MAIN(tst_Versions)
#include "tst_Versions.moc"
