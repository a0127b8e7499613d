// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "mainwindow/MainLayout.h"
#include "core/AppContext.h"
#include "core/modKWBase.h"

#include <QMainWindow>
#include <QPointer>

#include "shell/frmSplash.h"

#include <functional>
#include <memory>

class QComboBox;
class QKeyEvent;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QToolButton;
class QWidget;
class clsDatabase;

namespace quillary {

class MainCommands;
class OpenFileGuard;
class ctlDrawBox;
class PictureHistories;
class PlatformServices;
class clsRecentFile;
class clsSettings;
class frmSplash;

// The main window: the HotSync user's notes, one at a time, text below picture.
//
// Three dirty states are kept apart: the database's m_FileDirtyFlag (memory differs from
// the file: "*" in the title, save prompt, HotSync refusal), each note's DirtyFlag (changed
// since the last HotSync, stored in the file) and the picture editor's DirtyFlag (picture
// edited since it was loaded into the editor).
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    // The window uses, never owns, the services, settings and the program's one database.
    frmMain(PlatformServices& services, clsSettings& settings, clsDatabase& database,
            QWidget* parent = nullptr);
    ~frmMain() override;

    // Initialises the window from the settings and opens the default user's notes; also the
    // Refresh command (which discards unsaved changes without asking).
    void Form_Load();

    bool SaveDatabase();
    // Moves the text and picture panes into the current note; false when the note could
    // not take the drawing (reported; the drawing stays in the editor, still unsaved).
    bool SaveChanges();
    bool OpenDatabase();
    // Rebuilds the note selector and selects the remembered note; returns its index.
    int RefreshDisplayFromDatabaseObject();
    void AddNewDatabase();
    QString GetUserFileName(int userIndex) const;
    void SetAppTitle();
    void UpdateFormStatus();
    // Asks whether to save unsaved changes; true when the person cancelled (or the save
    // they asked for failed, so nothing may be discarded).
    bool QuerySaveChanges();
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
    // Reads the shown user's notes again from disk, dropping unsaved changes (after a
    // HotSync has rewritten the file).
    void ReloadCurrentUser();

    // State, for the commands, the HotSync callback and tests.
    int CurrentUserIndex() const { return m_CurrentUserIndex; }
    int CurrentNoteIndex() const { return m_CurrentNoteIndex; }
    // The HotSync user ID shown in the selector, if any.
    bool CurrentUserId(qint32* id) const;
    const UserTable& Users() const { return m_Users; }
    AppContext& Context() { return m_Context; }
    clsDatabase& Database() { return m_Database; }
    MainCommands& Commands() { return *m_Commands; }
    clsRecentFile& RecentFiles() { return *m_RecentFiles; }
    ctlDrawBox* PictureEditor() const { return m_drbNote; }
    // The notes' picture undo histories (one per note visited).
    const PictureHistories& PictureUndoHistories() const { return *m_PictureHistories; }
    QPlainTextEdit* TextEditor() const { return m_txtNote; }
    QComboBox* NoteSelector() const { return m_lstNotes; }
    QComboBox* UserSelector() const { return m_cmbUser; }
    QProgressBar* ProgressBar() const { return m_prgOne; }
    int DividerOffset() const { return m_DividerOffset; }
    // The divider offset the person chose by dragging; the layout's clamps only limit what
    // is shown, so a window shrunk and grown again gets its panes back.
    int WantedDividerOffset() const { return m_WantedOffset; }
    const MainLayout& CurrentLayout() const { return m_Layout; }
    QWidget* Divider() const { return m_fmeDivide; }
    // The line over the picture that says the note's stored picture cannot be shown.
    QLabel* PictureProblem() const { return m_lblPictureProblem; }
    // The about box (splash screen at start-up); the window closes it when it closes.
    void SetSplash(frmSplash* splash) { m_Splash = splash; }
    // The status bar panel texts, in order: category, database size, note size, notes, ID.
    QStringList StatusPanelTexts() const;
    // The status bar panel that shows (and, clicked, changes) the note's category.
    QLabel* CategoryPanel() const { return m_Panels.value(0); }

    // A nameless size: "1,234.6", ".3" (the status bar's "#,#.#").
    static QString FormatKb(qint64 bytes);

    // What the insert database and import windows use.
    // The shown user's insert folder and name; "" when no user is shown.
    QString GetInsertFolder() const;
    QString CurrentUserName() const;
    // The progress bar in place of the status bar while a database is read or written, and
    // what moves it (at most every 50 ms: small insert databases then cost no repaints).
    void ShowProgressBar(bool show) { ShowProgress(show); }
    std::function<void(int)> ProgressBarReporter();
    // After notes were imported or removed by a dialog: keeps at least one note (as opening
    // does), rebuilds the note list and shows the title and status.
    void RefreshAfterImport();
    // Modal windows to close before the main window closes (the last added closes first);
    // one that refuses to close keeps the main window open.
    void CloseWithMainWindow(QWidget* window);
    // ---- For the note management windows ----
    // Shows the note at this record index, as choosing it in the note selector does
    // (the note being left is committed first). An index out of range does nothing.
    void ShowNote(int record);
    // The modeless find window: created by its command on first use, kept here, and
    // closed and deleted before a user change and when this window closes, so a window
    // without an owner never outlives the main window. Takes ownership.
    void SetFindWindow(QWidget* window);
    QWidget* FindWindow() const { return m_FindWindow; }
    void CloseFindWindow();
    // Earlier versions, outside changes and the report of what a reread changed.
    OpenFileGuard& FileGuard() { return *m_FileGuard; }

signals:
    // The shown database changed (opened, saved, reread), for windows that follow it.
    void databaseReloaded();
    // The note shown in the panes changed; its record index, or -1 for none.
    void currentNoteChanged(int record);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildWindow();
    void LoadUsers();
    void RestoreGeometry();
    // Without a stored size: the whole default picture and about ten lines of text, within
    // the available screen.
    QSize FirstStartSize() const;
    void StoreGeometry();
    // Drops a temporary status message about the note's text once it no longer applies.
    void ClearTextMessage(bool noteChanged);
    void OnUserSelected(int position);
    void OnNoteSelected(int position);
    void SelectNote(int position);
    void OnTextChanged();
    void OnContentsChange(int position, int removed, int added);
    void OnPictureChange();
    // Keeps out a typed character the handheld cannot store; true when the key is refused.
    bool RefuseTypedText(const QKeyEvent* key);
    void OnCategoryPanelClicked();
    void UpdateStatusBar(const QString& category, qint64 dbSize, qint64 noteSize, int count,
                         quint32 recordId);
    void UpdateNoteButtons();
    void ShowProgress(bool show);
    std::function<void(int)> ProgressReporter();
    QString CurrentNoteUiText() const;
    QString BoxText() const;
    std::string NewNoteTitle();
    int UserPositionOfFile(const std::string& file) const;
    void CreateUserFolder();
    void ShowPictureProblem(const QString& text);

    PlatformServices& m_Services;
    clsSettings& m_Settings;
    clsDatabase& m_Database;
    AppContext m_Context;
    KWDeskLibrary m_Desk;
    UserTable m_Users;
    std::unique_ptr<MainCommands> m_Commands;
    std::unique_ptr<clsRecentFile> m_RecentFiles;
    // Each note's picture history while the program runs; the key is the note's record.
    std::unique_ptr<PictureHistories> m_PictureHistories;
    uint64_t m_PictureKey = 0; // serial of the note whose history the picture uses
    void LeavePictureHistory();
    void ForgetPictureHistories();
    QPointer<frmSplash> m_Splash;
    QPointer<QWidget> m_FindWindow;
    OpenFileGuard* m_FileGuard = nullptr; // a child of this window

    int m_CurrentUserIndex = -1;
    int m_CurrentNoteIndex = -1;
    int m_DividerOffset = MainLayout::kInitialOffset;
    int m_WantedOffset = MainLayout::kInitialOffset;
    bool m_GeometryRestored = false; // Refresh keeps the window where it is
    MainLayout m_Layout;
    double m_DragOrigin = 0;
    bool m_LoadingNote = false;
    bool m_FilteringText = false;
    bool m_PictureUnreadable = false; // the current note's stored picture could not be decoded
    int m_ChangePos = 0;
    int m_ChangeAdded = 0;

    QWidget* m_Central = nullptr;
    QWidget* m_TopRow = nullptr;
    QComboBox* m_lstNotes = nullptr;
    QWidget* m_picUserBox = nullptr;
    QLabel* m_lblUser = nullptr;
    QComboBox* m_cmbUser = nullptr;
    ctlDrawBox* m_drbNote = nullptr;
    QLabel* m_lblPictureProblem = nullptr;
    QWidget* m_fmeDivide = nullptr;
    QPlainTextEdit* m_txtNote = nullptr;
    QProgressBar* m_prgOne = nullptr;
    QList<QLabel*> m_Panels;
    QList<QPointer<QWidget>> m_CloseFirst; // see CloseWithMainWindow
};

} // namespace quillary
