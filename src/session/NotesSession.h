// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/AppContext.h"
#include "core/modKWBase.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class clsDatabase;

namespace quillary {

class OpenFileGuard;
class PictureHistories;
class PlatformServices;
class clsSettings;

// What the session asks of the window that shows it. Without a view (tests, tools) there
// is nothing being edited and no progress to show.
class SessionView {
public:
    virtual ~SessionView() = default;
    // Moves what is being edited into the current note; false when the note could not
    // take it (the view has said why; the edit stays, unsaved).
    virtual bool CommitEdits() = 0;
    // True while the view holds an edit its note could not take: it is not in the file.
    virtual bool HoldsUnstoredEdits() const = 0;
    // The progress bar (and hourglass) while a database is read or written.
    virtual void ShowProgress(bool show) = 0;
    virtual std::function<void(int)> ProgressReporter() = 0;
    // True while the person is in a dialog or menu: questions about the file wait.
    virtual bool PersonBusy() const = 0;
};

// The notes a person works on, without any window: the HotSync users, the user and file
// shown, opening, saving and rereading (each failure leaves the notes shown with the file
// and user they belong to), the watch on the open file (OpenFileGuard), the unsaved state
// (the database's m_FileDirtyFlag: the windows change it only here, and dirtyChanged
// announces it) and each
// note's picture undo history. Windows show it and act through it. (Storage's own save,
// load and delete set or clear the flag too; DirtyMayHaveChanged announces those.)
class NotesSession : public QObject {
    Q_OBJECT
public:
    // Uses, never owns, the services, settings and the program's one database.
    NotesSession(PlatformServices& services, clsSettings& settings, clsDatabase& database,
                 QObject* parent = nullptr);
    ~NotesSession() override;

    void SetView(SessionView* view) { m_View = view; }
    SessionView* View() const { return m_View; }

    AppContext& Context() { return m_Context; }
    PlatformServices& Services() const { return m_Context.services; }
    clsSettings& Settings() const { return m_Context.settings; }
    clsDatabase& Database() { return m_Database; }
    const clsDatabase& Database() const { return m_Database; }

    // ---- HotSync users
    // Reads the desktop's users again; users that cannot be read are reported.
    void LoadUsers();
    const UserTable& Users() const { return m_Users; }
    // Takes in users added to the end of the desktop's list since it was read (a new
    // handheld's first network HotSync) and says whether there were any. Nothing changes
    // when the users already known are no longer where they were: the shown user's index
    // must stay right, and Refresh reads the list anew.
    bool TakeInAddedUsers();
    // The user of the stored "Default User ID" (the last match), else the first; -1 when
    // there is no user.
    int DefaultUser() const;
    // The user whose notes are shown; -1 before any.
    int CurrentUser() const { return m_CurrentUser; }
    bool CurrentUserId(qint32* id) const;
    QString CurrentUserName() const;
    QString GetUserFileName(int user) const;
    // The shown user's insert database folder; "" when no user is shown.
    QString GetInsertFolder() const;
    // Shows the user's notes: reads their file, or starts a new database when they have
    // none. Asks nothing about unsaved changes (QuerySaveChanges first). When the file
    // cannot be read the notes shown stay, with the file and user they belong to: false.
    bool SelectUser(int user);
    // The next SelectUser reads the file again even for the same user (Refresh).
    void ForgetCurrentUser() { m_CurrentUser = -1; }
    // Reads the shown user's notes again from disk, dropping unsaved changes (after a
    // HotSync or another program rewrote the file); what changed is reported.
    void ReloadCurrentUser();

    // ---- Files
    // Opens a notes database named by the person, the command line or a recent-files
    // entry. Asks nothing about unsaved changes. On failure the notes shown stay with
    // their file.
    bool OpenFile(const QString& path);
    // Saves the notes to their file, keeping the file replaced as an earlier version;
    // asks before replacing a file another program changed.
    bool Save();
    // Asks whether to save unsaved changes. Careful: true means "stop", when the person
    // cancelled or the save they asked for failed, so nothing may be discarded.
    bool QuerySaveChanges();
    // An empty database with one new note, for a user without a notes file.
    void NewDatabase();
    QString FileName() const;

    // ---- The unsaved state
    bool IsDirty() const;
    void SetDirty(bool dirty);
    void MarkChanged() { SetDirty(true); }
    // After a storage operation that sets or clears the flag itself.
    void DirtyMayHaveChanged();

    // ---- Notes
    // The record shown in the editor (set by the view); -1 for none.
    int CurrentNote() const { return m_CurrentNote; }
    void SetCurrentNote(int record);
    // Asks the view to show the note at this record index (find results, reports).
    void ShowNote(int record) { emit showNoteRequested(record); }
    // Moves what the view is editing into the current note; true without a view.
    bool CommitEdits();
    // A new note at the top, titled with the date and time; it becomes the remembered
    // note. The caller commits the edited note first and shows the notes again.
    void AddNote();
    // Asks, then deletes the note at record: the last note of a database is never deleted.
    // True when it was deleted (the caller's panes must no longer point at it).
    bool RemoveNote(int record);
    // Files the note under category 0 to 15, marking it and the database changed; false
    // when nothing changed (the category it has already, or an index out of range).
    bool SetNoteCategory(int record, int category);
    // Whether any note was changed here since the last HotSync.
    bool AnyNoteChangedSinceHotSync() const;
    // After notes were imported, removed or restored outside the view: keeps at least one
    // note (as opening does) and has the view show them again.
    void NotesReplaced();
    // "12/11/26 9:05 am - " from the services' clock, for new notes.
    std::string NewNoteTitle() const;
    PictureHistories& Histories() { return *m_Histories; }
    // Drops the histories of notes that are no longer in the database.
    void PruneHistories();
    // The view's progress bar; the reporter moves it at most every 50 ms, so small
    // databases cost no repaints. Without a view they do nothing.
    void ShowProgress(bool show);
    std::function<void(int)> ProgressReporter();
    OpenFileGuard& FileGuard() { return *m_FileGuard; }

signals:
    void dirtyChanged(bool dirty);
    // The file the notes belong to has another name.
    void fileNameChanged();
    // A user is about to be shown (windows about the user being left close).
    void userAboutToChange();
    void currentUserChanged(int user);
    // The database's notes were replaced: the view shows them again. otherFile: another
    // file's or user's notes (their undo histories are gone).
    void notesReplaced(bool otherFile);
    // The shown database changed (opened, saved, reread), for windows that follow it.
    void databaseReloaded();
    void currentNoteChanged(int record);
    void showNoteRequested(int record);
    // A file was opened or saved (for the recent files).
    void fileUsed(const QString& path);
    // A line for the status bar.
    void statusMessage(const QString& text, int timeoutMs);

private:
    bool OpenCurrentFile();
    void CreateUserFolder();
    int UserOfFile(const std::string& file) const;
    std::function<void(int)> RawProgress();

    AppContext m_Context;
    clsDatabase& m_Database;
    KWDeskLibrary m_Desk;
    UserTable m_Users;
    SessionView* m_View = nullptr;
    std::unique_ptr<PictureHistories> m_Histories;
    OpenFileGuard* m_FileGuard = nullptr; // a child
    int m_CurrentUser = -1;
    int m_CurrentNote = -1;
    bool m_ShownDirty = false; // the state dirtyChanged last announced
};

} // namespace quillary
