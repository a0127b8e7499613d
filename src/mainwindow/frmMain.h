// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "mainwindow/MainLayout.h"
#include "mainwindow/MainPanes.h"
#include "mainwindow/MainStatusBar.h"
#include "mainwindow/NoteEditorPane.h"
#include "session/NotesSession.h"

#include <QMainWindow>
#include <QPointer>

#include "shell/frmSplash.h"

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QToolButton;
class QWidget;
class clsDatabase;

namespace quillary {

class MainCommands;
class MainPanes;
class MainStatusBar;
class NoteEditorPane;
class OpenFileGuard;
class ctlDrawBox;
class PictureHistories;
class PlatformServices;
class clsRecentFile;
class clsSettings;
class frmSplash;

// The main window: a view of the notes session, one note at a time, text below picture.
// The session owns the users, the file and the unsaved state; the editor pane owns the
// note being edited; the window lays them out, keeps the selectors, title and status bar
// in step, and runs the commands.
//
// Three dirty states are kept apart: the database's m_FileDirtyFlag (memory differs from
// the file: "*" in the title, save prompt, HotSync refusal; the session's IsDirty), each
// note's DirtyFlag (changed since the last HotSync, stored in the file) and the picture
// editor's DirtyFlag (picture edited since it was loaded into the editor).
class frmMain : public QMainWindow, private SessionView {
    Q_OBJECT
public:
    // The window uses, never owns, the services, settings and the program's one database.
    frmMain(PlatformServices& services, clsSettings& settings, clsDatabase& database,
            QWidget* parent = nullptr);
    ~frmMain() override;

    NotesSession& Session() { return *m_Session; }

    // Initialises the window from the settings and opens the default user's notes; also the
    // Refresh command (which discards unsaved changes without asking).
    void Form_Load();

    // Moves the text and picture panes into the current note; false when the note could
    // not take the drawing (reported; the drawing stays in the editor, still unsaved).
    bool SaveChanges();
    bool SaveDatabase() { return m_Session->Save(); }
    // Careful: true means "stop" (cancelled, or the save asked for failed).
    bool QuerySaveChanges() { return m_Session->QuerySaveChanges(); }
    // Rebuilds the note selector and selects the remembered note; returns its index.
    int RefreshDisplayFromDatabaseObject();
    void SetAppTitle();
    void UpdateFormStatus();
    void UpdateSyncStatus();
    void AddNote();
    void RemoveNote();
    void PreviousNote();
    void NextNote();
    // Files the current note under category 0 to 15 (marking it and the database changed);
    // the category it has already changes nothing.
    void SetCurrentNoteCategory(int category);
    void ResizeMe();
    void OpenRecentFile(int entry);
    // Opens a notes database named on the command line or by a later start: another kind
    // of database is refused with a message; unsaved changes are asked about first.
    bool OpenNotesFile(const QString& path);
    // Reads the shown user's notes again from disk, dropping unsaved changes.
    void ReloadCurrentUser() { m_Session->ReloadCurrentUser(); }
    // Users added to the desktop's list meanwhile join the user selector; the shown user
    // and its notes stay as they are.
    void TakeInAddedUsers();

    // State, for the commands, the HotSync callback and tests.
    int CurrentUserIndex() const { return m_Session->CurrentUser(); }
    int CurrentNoteIndex() const { return m_Session->CurrentNote(); }
    bool CurrentUserId(qint32* id) const { return m_Session->CurrentUserId(id); }
    const UserTable& Users() const { return m_Session->Users(); }
    AppContext& Context() { return m_Session->Context(); }
    clsDatabase& Database() { return m_Session->Database(); }
    MainCommands& Commands() { return *m_Commands; }
    clsRecentFile& RecentFiles() { return *m_RecentFiles; }
    NoteEditorPane& Editor() { return *m_Editor; }
    ctlDrawBox* PictureEditor() const { return m_Editor->PictureEditor(); }
    QPlainTextEdit* TextEditor() const { return m_Editor->TextEditor(); }
    // The line over the picture that says the note's stored picture cannot be shown.
    QLabel* PictureProblem() const { return m_Editor->PictureProblem(); }
    const PictureHistories& PictureUndoHistories() const { return m_Session->Histories(); }
    QComboBox* NoteSelector() const { return m_lstNotes; }
    QComboBox* UserSelector() const { return m_cmbUser; }
    QProgressBar* ProgressBar() const { return m_prgOne; }
    MainStatusBar* StatusBar() const { return m_StatusBar; }
    MainPanes* Panes() const { return m_Panes; }
    int DividerOffset() const { return m_Panes->DividerOffset(); }
    int WantedDividerOffset() const { return m_Panes->WantedDividerOffset(); }
    const MainLayout& CurrentLayout() const { return m_Panes->CurrentLayout(); }
    QWidget* Divider() const { return m_Panes->Divider(); }
    // The about box (splash screen at start-up); the window closes it when it closes.
    void SetSplash(frmSplash* splash) { m_Splash = splash; }
    // The status bar panel texts, in order: category, database size, note size, notes, ID.
    QStringList StatusPanelTexts() const { return m_StatusBar->PanelTexts(); }
    QLabel* CategoryPanel() const { return m_StatusBar->CategoryPanel(); }
    // The status bar button that shows the report of the last reread ("cmdNoteChanges").
    QToolButton* ChangesButton() const { return m_StatusBar->ReportButton(); }
    OpenFileGuard& FileGuard() { return m_Session->FileGuard(); }

    // The progress bar in place of the status bar while a database is read or written, and
    // what moves it (at most every 50 ms: small insert databases then cost no repaints).
    // Shown this way, the bar is drawn whenever its owner repaints it (printing does).
    void ShowProgressBar(bool show) { ShowBar(show, false); }
    std::function<void(int)> ProgressBarReporter() { return m_Session->ProgressReporter(); }
    // After notes were imported or removed by a dialog: keeps at least one note (as opening
    // does), rebuilds the note list and shows the title and status.
    void RefreshAfterImport() { m_Session->NotesReplaced(); }
    // Modal windows to close before the main window closes (the last added closes first);
    // one that refuses to close keeps the main window open.
    void CloseWithMainWindow(QWidget* window);
    // Shows the note at this record index, as choosing it in the note selector does
    // (the note being left is committed first). An index out of range does nothing.
    void ShowNote(int record);
    // The modeless find window: created by its command on first use, kept here, and
    // closed and deleted before a user change and when this window closes, so a window
    // without an owner never outlives the main window. Takes ownership.
    void SetFindWindow(QWidget* window);
    QWidget* FindWindow() const { return m_FindWindow; }
    void CloseFindWindow();

signals:
    // The shown database changed (opened, saved, reread), for windows that follow it.
    void databaseReloaded();
    // The note shown in the panes changed; its record index, or -1 for none.
    void currentNoteChanged(int record);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // SessionView
    bool CommitEdits() override { return SaveChanges(); }
    bool HoldsUnstoredEdits() const override;
    void ShowProgress(bool show) override;
    // reporterDraws: the bar is drawn only when ProgressReporter says so.
    void ShowBar(bool show, bool reporterDraws);
    std::function<void(int)> ProgressReporter() override;
    bool PersonBusy() const override;

    void BuildWindow();
    void ConnectSession();
    void LoadUsers();
    // Drops a temporary status message about the note's text once it no longer applies.
    void ClearTextMessage(bool noteChanged);
    void OnUserSelected(int position);
    void OnNoteSelected(int position);
    void OnNotesReplaced(bool otherFile);
    void SelectNote(int position);
    void UpdateNoteButtons();

    std::unique_ptr<NotesSession> m_Session;
    std::unique_ptr<MainCommands> m_Commands;
    std::unique_ptr<clsRecentFile> m_RecentFiles;
    NoteEditorPane* m_Editor = nullptr; // a child
    QPointer<frmSplash> m_Splash;
    QPointer<QWidget> m_FindWindow;

    bool m_GeometryRestored = false; // Refresh keeps the window where it is
    bool m_WaitCursor = false;       // set by ShowProgress

    MainPanes* m_Panes = nullptr;
    // Parts of the panes the window works with.
    QComboBox* m_lstNotes = nullptr;
    QLabel* m_lblUser = nullptr;
    QComboBox* m_cmbUser = nullptr;
    QProgressBar* m_prgOne = nullptr;
    MainStatusBar* m_StatusBar = nullptr;
    QList<QPointer<QWidget>> m_CloseFirst; // see CloseWithMainWindow
};

} // namespace quillary
