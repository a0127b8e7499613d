// SPDX-License-Identifier: GPL-3.0-or-later
// The notes session on its own, as a window would drive it but with no window at all: the
// program's rules about users, files and unsaved changes hold below the widgets.
#include "core/SettingsKeys.h"
#include "core/clsSettings.h"
#include "session/NotesSession.h"
#include "session/OpenFileGuard.h"
#include "storage/clsDatabase.h"
#include "storage/clsQuillaryItem.h"
#include "support/DeskFiles.h"
#include "support/ScriptedPlatformServices.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace quillary;
using namespace quillary::test;

namespace {

// A desktop folder with users, a settings file and the program's one database.
struct Desk {
    QTemporaryDir dir;
    ScriptedPlatformServices services;
    std::unique_ptr<clsSettings> settings;
    clsDatabase database;
    std::unique_ptr<NotesSession> session;

    Desk() {
        qputenv("QUILLARY_DESKTOP_DIR", Folder().toUtf8());
        QDir().mkpath(Folder());
        settings = std::make_unique<clsSettings>(dir.filePath("kestwin.ini"));
    }
    QString Folder() const { return dir.filePath("desktop"); }
    QString UserFile(const QString& folder, const QString& name) const {
        return Folder() + '/' + folder + "/QL" + name + ".pdb";
    }
    void WriteUsers(const std::vector<std::tuple<qint32, QString, QString>>& users) {
        WriteUsersFile(Folder(), users);
    }
    static void WriteNotes(const QString& path, const std::vector<std::string>& texts) {
        WriteNotesFile(path, texts);
    }
    static std::string FirstNote(const QString& path) {
        clsDatabase db;
        db.SetFileName(path.toStdString());
        return db.OpenDatabase() ? db.GetRecordObject(0)->RawText() : std::string("(unreadable)");
    }
    NotesSession& Start() {
        session = std::make_unique<NotesSession>(services, *settings, database);
        session->LoadUsers();
        return *session;
    }
    // Ann (101) with one note, Bob (202) with one note.
    NotesSession& StartWithTwoUsers() {
        WriteUsers({{101, "Ann", "ann"}, {202, "Bob", "bob"}});
        WriteNotes(UserFile("ann", "Ann"), {"ann one"});
        WriteNotes(UserFile("bob", "Bob"), {"bob one"});
        NotesSession& s = Start();
        if (!s.SelectUser(0))
            qWarning("Ann's notes could not be read");
        return s;
    }
};

} // namespace

class tst_NotesSession : public QObject {
    Q_OBJECT
private slots:
    void init() { qputenv("USER", "tester"); }

    // A user whose file cannot be read leaves the notes shown with the user and file they
    // belong to, and the stored default user as it was: the next save must not write Ann's
    // notes over Bob's file.
    void failedUserSwitchRollsBack() {
        Desk d;
        NotesSession& s = d.StartWithTwoUsers();
        QCOMPARE(s.CurrentUser(), 0);
        QFile bob(d.UserFile("bob", "Bob"));
        QVERIFY(bob.open(QIODevice::WriteOnly | QIODevice::Truncate));
        bob.write("not a database");
        bob.close();
        d.services.messageAnswers << MsgResult::Ok;
        QSignalSpy users(&s, &NotesSession::currentUserChanged);

        QVERIFY(!s.SelectUser(1));
        QCOMPARE(s.CurrentUser(), 0);
        QCOMPARE(s.FileName(), d.UserFile("ann", "Ann"));
        QCOMPARE(d.settings->Get(Config::DefaultUserId), QString("101"));
        QCOMPARE(users.size(), 1); // the view's selector goes back to Ann
        QCOMPARE(users.first().first().toInt(), 0);
        QVERIFY(!d.services.messages.isEmpty()); // and the person was told why
    }

    // The user chosen reaches the settings file at once, so a program that is killed still
    // starts with that user; choosing the same user again writes nothing.
    void chosenUserIsStoredAtOnce() {
        Desk d;
        NotesSession& s = d.StartWithTwoUsers();
        const QString ini = d.dir.filePath("kestwin.ini");
        auto stored = [&] {
            clsSettings onDisk(ini);
            return onDisk.Get(Config::DefaultUserId);
        };
        QCOMPARE(stored(), QString("101"));
        QVERIFY(s.SelectUser(1));
        QCOMPARE(stored(), QString("202"));
        QFile::remove(ini);
        QVERIFY(s.SelectUser(1)); // a reread of the same user
        QVERIFY(!QFile::exists(ini));
    }

    // The unsaved state is written only through the session and announced once per change:
    // the window's title follows the signal.
    void dirtyStateIsAnnouncedOnChange() {
        Desk d;
        NotesSession& s = d.StartWithTwoUsers();
        QSignalSpy dirty(&s, &NotesSession::dirtyChanged);
        s.MarkChanged();
        s.MarkChanged();
        QCOMPARE(dirty.size(), 1);
        QCOMPARE(dirty.last().first().toBool(), true);
        QVERIFY(s.Save());
        QCOMPARE(dirty.size(), 2);
        QCOMPARE(dirty.last().first().toBool(), false);
        // A change the storage marked itself is announced when the caller says so.
        s.Database().m_FileDirtyFlag = true;
        s.DirtyMayHaveChanged();
        QCOMPARE(dirty.size(), 3);
        QVERIFY(s.IsDirty());
    }

    // Leaving unsaved notes asks first; the answer decides what reaches the file.
    void querySaveChangesFollowsTheAnswer_data() {
        QTest::addColumn<MsgResult>("answer");
        QTest::addColumn<bool>("stop");
        QTest::addColumn<QString>("onDisk");
        QTest::newRow("yes") << MsgResult::Yes << false << "ann changed";
        QTest::newRow("no") << MsgResult::No << false << "ann one";
        QTest::newRow("cancel") << MsgResult::Cancel << true << "ann one";
    }
    void querySaveChangesFollowsTheAnswer() {
        QFETCH(MsgResult, answer);
        QFETCH(bool, stop);
        QFETCH(QString, onDisk);
        Desk d;
        NotesSession& s = d.StartWithTwoUsers();
        QVERIFY(!s.QuerySaveChanges()); // nothing unsaved: nothing asked
        QVERIFY(d.services.messages.isEmpty());
        s.Database().GetRecordObject(0)->SetText("ann changed");
        s.MarkChanged();
        d.services.messageAnswers << answer;
        QCOMPARE(s.QuerySaveChanges(), stop);
        QCOMPARE(d.services.messages.size(), 1);
        QCOMPARE(d.services.messages.first().text,
                 QString("Do you want to save your changes for user \rAnn for the current "
                         "session?"));
        QCOMPARE(QString::fromStdString(Desk::FirstNote(d.UserFile("ann", "Ann"))), onDisk);
    }

    // A file another program changed after it was read is not replaced without asking.
    void saveAsksBeforeReplacingAnOutsideChange() {
        Desk d;
        NotesSession& s = d.StartWithTwoUsers();
        Desk::WriteNotes(d.UserFile("ann", "Ann"), {"written elsewhere"});
        s.Database().GetRecordObject(0)->SetText("ann here");
        s.MarkChanged();
        d.services.messageAnswers << MsgResult::No;
        QVERIFY(!s.Save());
        QVERIFY(d.services.messages.first().text.contains("was changed by another program"));
        QCOMPARE(Desk::FirstNote(d.UserFile("ann", "Ann")), std::string("written elsewhere"));
        QVERIFY(s.IsDirty());
    }

    // A reread (HotSync) replaces the notes with the file's and says what changed.
    void reloadReadsTheFileAndReports() {
        Desk d;
        NotesSession& s = d.StartWithTwoUsers();
        QSignalSpy replaced(&s, &NotesSession::notesReplaced);
        QSignalSpy report(&s.FileGuard(), &OpenFileGuard::reportChanged);
        Desk::WriteNotes(d.UserFile("ann", "Ann"), {"ann one", "from the handheld"});
        s.ReloadCurrentUser();
        QCOMPARE(s.Database().GetNumRecords(), 2);
        QCOMPARE(s.CurrentUser(), 0);
        QCOMPARE(replaced.size(), 1);
        QCOMPARE(report.size(), 1);
        QCOMPARE(s.FileGuard().ReportText(), QString("HotSync: 1 note added"));
    }

    // The last note of a database is never deleted; another is, after asking.
    void removeNoteKeepsTheLastOne() {
        Desk d;
        NotesSession& s = d.StartWithTwoUsers();
        QVERIFY(!s.RemoveNote(0));
        QCOMPARE(d.services.messages.last().text,
                 QString("Must have at least one note in database"));
        QCOMPARE(s.Database().GetNumRecords(), 1);
        s.AddNote();
        d.services.messageAnswers << MsgResult::Yes;
        QVERIFY(s.RemoveNote(1));
        QCOMPARE(s.Database().GetNumRecords(), 1);
        QCOMPARE(s.Database().GetRecordObject(0)->RawText(), s.NewNoteTitle()); // the new one
    }

    // A user without a notes file gets a new database with one note, saved to that user's
    // file (in a folder made on the first save).
    void userWithoutFileStartsANewDatabase() {
        Desk d;
        d.WriteUsers({{7, "Cy", "cy"}});
        QDir(d.Folder()).rmdir("cy");
        NotesSession& s = d.Start();
        QCOMPARE(s.DefaultUser(), 0);
        QVERIFY(s.SelectUser(0));
        QCOMPARE(s.Database().GetNumRecords(), 1);
        QCOMPARE(s.FileName(), d.UserFile("cy", "Cy"));
        s.MarkChanged();
        QVERIFY(s.Save());
        QVERIFY(QFile::exists(d.UserFile("cy", "Cy")));
    }
};

QTEST_GUILESS_MAIN(tst_NotesSession)
#include "tst_NotesSession.moc"
