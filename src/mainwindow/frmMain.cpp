// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmMain.h"

#include "MainCommands.h"
#include "MainGeometry.h"
#include "MainPanes.h"
#include "MainStatusBar.h"
#include "NoteEditorPane.h"
#include "NoteListModel.h"
#include "core/DatabaseDialogs.h"
#include "core/PlatformServices.h"
#include "core/TextCodec.h"
#include "core/SettingsKeys.h"
#include "core/clsSettings.h"
#include "core/modGlobals.h"
#include "draw/ctlDrawBox.h"
#include "session/OpenFileGuard.h"
#include "shell/ShellResources.h"
#include "shell/clsRecentFile.h"
#include "shell/WaitCursor.h"
#include "shell/frmSplash.h"
#include "storage/clsDatabase.h"
#include "storage/clsQuillaryItem.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolBar>
#include <QToolButton>

namespace quillary {

namespace {

const QString kTextLimitMessage =
    QStringLiteral("A note holds at most 1999 characters; the rest was not added.");

} // namespace

frmMain::frmMain(PlatformServices& services, clsSettings& settings, clsDatabase& database,
                 QWidget* parent)
    : QMainWindow(parent),
      m_Session(std::make_unique<NotesSession>(services, settings, database)) {
    setObjectName(QStringLiteral("frmMain"));
    m_Session->SetView(this);
    BuildWindow();
    m_Commands = std::make_unique<MainCommands>(*this);
    m_RecentFiles = std::make_unique<clsRecentFile>(settings, m_Commands->RecentFileActions(),
                                                    m_Commands->RecentLine());
    ConnectSession();
    SetAppTitle();
}

frmMain::~frmMain() {
    m_Session->SetView(nullptr);
    m_Editor->PictureEditor()->SetUndoStack(nullptr); // the histories go before the editor
    delete m_FindWindow.data();                       // it has no parent to delete it
}

void frmMain::BuildWindow() {
    InitShellResources(); // the window's icon, wherever the window is made
    setWindowIcon(QIcon(QStringLiteral(":/icons/quillary.svg")));
    m_Panes = new MainPanes(*m_Session, this);
    setCentralWidget(m_Panes);
    m_Editor = &m_Panes->Editor();
    m_lstNotes = m_Panes->NoteSelector();
    m_cmbUser = m_Panes->UserSelector();
    m_lblUser = m_Panes->UserLabel();
    m_StatusBar = new MainStatusBar(this);
    m_StatusBar->AddNotePanels();
    setStatusBar(m_StatusBar);

    m_prgOne = new QProgressBar(this);
    m_prgOne->setObjectName(QStringLiteral("prgOne"));
    m_prgOne->setRange(0, 1000);
    m_prgOne->hide();

    connect(m_cmbUser, &QComboBox::currentIndexChanged, this, &frmMain::OnUserSelected);
    // The box may be too narrow for a long name: the whole name shows as its tip.
    connect(m_cmbUser, &QComboBox::currentTextChanged, m_cmbUser,
            [this](const QString& name) { m_cmbUser->setToolTip(name.trimmed()); });
    connect(m_lstNotes, &QComboBox::currentIndexChanged, this, &frmMain::OnNoteSelected);

    // The picture's zoom: "Fit" or 1, 2, 4, 8.
    clsSettings& settings = m_Session->Settings();
    const QString zoom = settings.Get(Config::PictureZoom);
    ctlDrawBox* picture = m_Editor->PictureEditor();
    picture->SetZoom(zoom == QLatin1String("Fit") ? 0 : zoom.isEmpty() ? 1 : zoom.toInt());
    connect(picture, &ctlDrawBox::ZoomChanged, this, [&settings](int level) {
        settings.Set(Config::PictureZoom,
                     level == 0 ? QStringLiteral("Fit") : QString::number(level));
    });
}

void frmMain::ConnectSession() {
    NotesSession* s = m_Session.get();
    connect(s, &NotesSession::dirtyChanged, this, &frmMain::SetAppTitle);
    connect(s, &NotesSession::fileNameChanged, this, &frmMain::SetAppTitle);
    connect(s, &NotesSession::notesReplaced, this, &frmMain::OnNotesReplaced);
    connect(s, &NotesSession::databaseReloaded, this, &frmMain::databaseReloaded);
    connect(s, &NotesSession::currentNoteChanged, this, &frmMain::currentNoteChanged);
    connect(s, &NotesSession::showNoteRequested, this, &frmMain::ShowNote);
    // Windows about the user being left (the find window's entries name their notes).
    connect(s, &NotesSession::userAboutToChange, this, &frmMain::CloseFindWindow);
    connect(s, &NotesSession::currentUserChanged, this, [this](int user) {
        const QSignalBlocker block(m_cmbUser);
        m_cmbUser->setCurrentIndex(user);
    });
    connect(s, &NotesSession::fileUsed, this,
            [this](const QString& path) { m_RecentFiles->PushRecentFile(path); });
    connect(s, &NotesSession::statusMessage, this,
            [this](const QString& text, int ms) { statusBar()->showMessage(text, ms); });
    connect(&s->FileGuard(), &OpenFileGuard::reportChanged, this, [this] {
        const OpenFileGuard& guard = m_Session->FileGuard();
        m_StatusBar->ShowReport(guard.ReportText(), !guard.LastReport().Empty());
    });
    connect(m_StatusBar, &MainStatusBar::reportClicked, this,
            [this] { m_Commands->RunDialog(QStringLiteral("NoteChanges")); });
    connect(m_StatusBar, &MainStatusBar::categoryPanelClicked, this,
            [this] { m_Commands->ShowCategoryPopup(); });

    connect(m_Editor, &NoteEditorPane::statusMessage, this, [this](const QString& text, int ms) {
        if (!text.isEmpty())
            statusBar()->showMessage(text, ms);
        else if (statusBar()->currentMessage().startsWith(QStringLiteral("This note's picture")))
            statusBar()->clearMessage();
    });
    connect(m_Editor, &NoteEditorPane::textEdited, this, [this] { ClearTextMessage(false); });
    connect(m_Editor, &NoteEditorPane::noteTextEdited, this,
            [this](int record, const QString& firstLine) {
                const QSignalBlocker block(m_lstNotes);
                m_lstNotes->setItemText(record, firstLine);
            });
    connect(m_Editor, &NoteEditorPane::noteMarked, this, &frmMain::UpdateSyncStatus);
    // Before the window has its size the first resize lays it out; doing it earlier would
    // move the divider.
    connect(m_Editor, &NoteEditorPane::pictureProblemChanged, this, [this] {
        if (isVisible())
            ResizeMe();
    });
}

// ---------------------------------------------------------------------------------------
// What the session asks of the window

bool frmMain::HoldsUnstoredEdits() const {
    return m_Editor->PictureEditor()->DirtyFlag();
}

void frmMain::ShowProgress(bool show) {
    ShowBar(show, true);
}

void frmMain::ShowBar(bool show, bool reporterDraws) {
    if (show) {
        // QProgressBar::setValue repaints at once whenever the bar grows by a few pixels:
        // drawn that way, a 5000-note open spent half its time painting the bar. For the
        // session's reads and writes it is drawn only when the reporter says so (below).
        m_prgOne->setUpdatesEnabled(!reporterDraws);
        m_prgOne->setValue(0);
        m_prgOne->setGeometry(statusBar()->geometry());
        statusBar()->hide();
        m_prgOne->show();
        m_prgOne->raise();
    } else {
        m_prgOne->hide();
        m_prgOne->setUpdatesEnabled(true);
        statusBar()->show();
    }
    // The hourglass goes with the bar, so a message about the job shows the arrow.
    if (show != m_WaitCursor) {
        m_WaitCursor = show;
        if (show)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    }
}

namespace {
constexpr qint64 kProgressFirstDrawMs = 150;
constexpr qint64 kProgressDrawMs = 40;
} // namespace

std::function<void(int)> frmMain::ProgressReporter() {
    // Values in steps of 1%: a large database reports thousands. Drawing the bar costs as
    // much as reading a few thousand notes, so it is first drawn once the job has taken a
    // noticeable time, then at most every 40 ms: a quick open draws no steps at all, a long
    // save still moves smoothly.
    auto sinceDrawn = std::make_shared<QElapsedTimer>();
    auto drawn = std::make_shared<bool>(false);
    sinceDrawn->start();
    return [this, sinceDrawn, drawn](int value) {
        if (value / 10 == m_prgOne->value() / 10 && value != 1000)
            return;
        m_prgOne->setValue(value);
        if (sinceDrawn->elapsed() < (*drawn ? kProgressDrawMs : kProgressFirstDrawMs))
            return;
        sinceDrawn->restart();
        *drawn = true;
        const bool updates = m_prgOne->updatesEnabled();
        m_prgOne->setUpdatesEnabled(true);
        m_prgOne->repaint();
        m_prgOne->setUpdatesEnabled(updates);
    };
}

bool frmMain::PersonBusy() const {
    return QApplication::activeModalWidget() || QApplication::activePopupWidget();
}

// ---------------------------------------------------------------------------------------
// Loading, users and files

void frmMain::Form_Load() {
    // Refresh: what it reads anew is reported, and the notes shown before are kept.
    const bool refresh = m_Session->CurrentUser() >= 0;
    OpenFileGuard& guard = m_Session->FileGuard();
    if (refresh) {
        SaveChanges(); // the version kept of the notes shown holds what is being typed
        guard.BeforeReread(OpenFileGuard::Cause::Refresh);
    }
    clsSettings& settings = m_Session->Settings();
    if (!settings.HasValue(Config::FontName)) {
        // The text box's own font becomes the stored note font.
        settings.Set(Config::FontName, QStringLiteral("Tahoma"));
        settings.Set(Config::FontSize, QStringLiteral("9.75"));
        for (Config key :
             {Config::FontBold, Config::FontItalic, Config::FontStrikeThru, Config::FontUnderLine})
            settings.SetFlag(key, false);
    }
    m_Session->ForgetCurrentUser();
    m_Panes->ResetDivider();
    // Refresh rereads the notes; the window stays where the person put it.
    if (!m_GeometryRestored)
        RestoreMainGeometry(*this, m_Session->Settings(),
                            FirstStartSize(*this, PictureEditor()->frameWidth(),
                                           m_Panes->TopRow()->sizeHint().height()),
                            m_Commands->MainToolBar(), m_Commands->NoteToolBar());
    m_GeometryRestored = true;
    setMinimumWidth(m_StatusBar->ShowNoteStatus(QString(), 0, 0, 0, 0));
    m_Session->Database().m_ScreenDisplayFlag = true;
    LoadUsers();
    if (refresh)
        guard.AfterReread();
    else
        TextEditor()->setFocus(); // typing at start goes into the note
}

void frmMain::LoadUsers() {
    m_Session->LoadUsers();
    const UserTable& users = m_Session->Users();
    {
        const QSignalBlocker block(m_cmbUser);
        m_cmbUser->clear();
        for (int i = 0; i < users.Count(); ++i)
            m_cmbUser->addItem(QChar(' ') + users.names.at(i), i);
        m_cmbUser->setCurrentIndex(-1);
    }
    const int user = m_Session->DefaultUser();
    if (user >= 0)
        m_cmbUser->setCurrentIndex(user);
}

void frmMain::TakeInAddedUsers() {
    if (!m_Session->TakeInAddedUsers())
        return;
    const UserTable& users = m_Session->Users();
    const QSignalBlocker block(m_cmbUser);
    for (int i = m_cmbUser->count(); i < users.Count(); ++i)
        m_cmbUser->addItem(QChar(' ') + users.names.at(i), i);
}

void frmMain::OnUserSelected(int position) {
    if (position == m_Session->CurrentUser())
        return;
    if (m_Session->QuerySaveChanges()) {
        const QSignalBlocker block(m_cmbUser);
        m_cmbUser->setCurrentIndex(m_Session->CurrentUser());
        return;
    }
    m_Session->SelectUser(position); // the selector follows what it shows
}

void frmMain::OpenRecentFile(int entry) {
    if (m_Session->QuerySaveChanges())
        return;
    if (!m_Session->OpenFile(m_RecentFiles->GetRecentFile(entry)))
        m_RecentFiles->RemoveRecentFile(entry);
}

bool frmMain::OpenNotesFile(const QString& path) {
    const QString refusal = NotesKindRefusal(path);
    if (!refusal.isEmpty()) {
        m_Session->Services().messageBox(refusal, kAppTitle, MsgButtons::Ok,
                                         MsgIcon::Exclamation);
        return false;
    }
    if (m_Session->QuerySaveChanges())
        return false;
    return m_Session->OpenFile(path);
}

// ---------------------------------------------------------------------------------------
// Notes

void frmMain::OnNotesReplaced(bool otherFile) {
    if (otherFile)
        m_Editor->ForgetHistories();
    RefreshDisplayFromDatabaseObject();
    if (!otherFile)
        UpdateFormStatus();
}

int frmMain::RefreshDisplayFromDatabaseObject() {
    clsSettings& settings = m_Session->Settings();
    const clsDatabase& database = m_Session->Database();
    TextEditor()->document()->setDefaultTextOption(
        QTextOption(settings.GetFlag(Config::RightJustify) ? Qt::AlignRight : Qt::AlignLeft));
    m_RecentFiles->PushRecentFile(m_Session->FileName());
    SetAppTitle();
    const int wanted = settings.GetInt(Config::DefaultRecordIndex);
    const int count = database.GetNumRecords();
    // The panes go nowhere until a note is selected again (nothing is committed into a
    // note that may be gone). Imports, archives and restored versions may have freed
    // notes: their histories go.
    m_Editor->LoadNote(-1);
    m_Session->PruneHistories();
    {
        const QSignalBlocker block(m_lstNotes);
        m_Session->SetCurrentNote(-1);
        m_Panes->NoteList().Reload(); // the texts are read when the list shows them
        m_lstNotes->setCurrentIndex(-1);
    }
    int selected = wanted;
    if (wanted < 0)
        selected = 0;
    else if (wanted >= count)
        selected = count - 1;
    if (count >= 1)
        SelectNote(selected);
    return selected;
}

void frmMain::SelectNote(int position) {
    {
        const QSignalBlocker block(m_lstNotes);
        m_lstNotes->setCurrentIndex(position);
    }
    OnNoteSelected(position);
}

void frmMain::OnNoteSelected(int position) {
    if (position == m_Session->CurrentNote())
        return;
    WaitCursor wait;
    if (!SaveChanges()) {
        const QSignalBlocker block(m_lstNotes);
        m_lstNotes->setCurrentIndex(m_Session->CurrentNote());
        return;
    }
    m_Editor->LoadNote(position);
    ClearTextMessage(true);
    if (position >= 0) {
        m_Session->Settings().SetInt(Config::DefaultRecordIndex, position);
    }
    m_Session->SetCurrentNote(position);
    if (position >= 0)
        UpdateFormStatus();
}

bool frmMain::SaveChanges() {
    const bool stored = m_Editor->Commit();
    SetAppTitle();
    return stored;
}

void frmMain::ClearTextMessage(bool noteChanged) {
    const QString message = statusBar()->currentMessage();
    const bool limit = message == kTextLimitMessage;
    const bool character = message.startsWith(QStringLiteral("The character ")) &&
                           message.endsWith(QStringLiteral("was left out."));
    if ((limit || character) && noteChanged)
        statusBar()->clearMessage();
    else if (limit && m_Editor->BoxText().size() < qsizetype(clsQuillaryItem::kMaxTextChars))
        statusBar()->clearMessage();
}

void frmMain::AddNote() {
    if (!SaveChanges())
        return;
    m_Session->AddNote();
    RefreshDisplayFromDatabaseObject();
    // The new note is there to be written: its text takes the typing, after its title.
    TextEditor()->setFocus();
    TextEditor()->moveCursor(QTextCursor::End);
}

void frmMain::RemoveNote() {
    int i = m_lstNotes->currentIndex();
    if (i < 0)
        return;
    if (!m_Session->RemoveNote(i))
        return;
    m_Editor->DropNote(); // the deleted note's panes go nowhere
    {
        const QSignalBlocker block(m_lstNotes);
        m_lstNotes->removeItem(i);
    }
    if (i == m_lstNotes->count())
        --i;
    m_Session->SetCurrentNote(-1);
    SelectNote(i);
    SetAppTitle();
}

void frmMain::PreviousNote() {
    const int position = m_lstNotes->currentIndex();
    if (position >= 1)
        SelectNote(position - 1);
}

void frmMain::NextNote() {
    const int position = m_lstNotes->currentIndex();
    if (position < m_lstNotes->count() - 1)
        SelectNote(position + 1);
}

void frmMain::ShowNote(int record) {
    if (record >= 0 && record < m_lstNotes->count())
        SelectNote(record);
}

void frmMain::SetFindWindow(QWidget* window) {
    if (m_FindWindow && m_FindWindow != window)
        CloseFindWindow();
    m_FindWindow = window;
}

void frmMain::CloseFindWindow() {
    if (!m_FindWindow)
        return;
    QWidget* window = m_FindWindow.data();
    m_FindWindow.clear();
    if (window->isVisible())
        window->close();
    delete window;
}

// ---------------------------------------------------------------------------------------
// Title and status

void frmMain::SetAppTitle() {
    QString title = m_Session->IsDirty() ? kAppTitle + QChar('*') : kAppTitle;
    // Which file is shown: a recent file may belong to no user in the selector.
    const QString file = m_Session->FileName();
    if (!file.isEmpty()) {
        const QFileInfo info(file);
        title += QStringLiteral(" - ") + info.fileName() + QStringLiteral(" (") +
                 ShortenFolder(info.absolutePath()) + QChar(')');
        // File dialogs start beside the shown notes file.
        SetFileDialogHome(info.absolutePath());
    }
    setWindowTitle(title);
}

void frmMain::UpdateFormStatus() {
    const int i = m_Session->CurrentNote();
    const clsDatabase& db = m_Session->Database();
    if (i >= 0 && i < db.GetNumRecords())
        setMinimumWidth(m_StatusBar->ShowNoteStatus(
            FromCp1252(db.GetCategory(i)), db.CalcDBSize(), db.GetItemSize(i), db.GetNumRecords(),
            db.GetUniqueID(i)));
    UpdateNoteButtons();
    UpdateSyncStatus();
    m_Session->DirtyMayHaveChanged();
    SetAppTitle();
}

void frmMain::UpdateNoteButtons() {
    const int position = m_lstNotes->currentIndex();
    m_Commands->SetNoteButtons(position != 0, position != m_lstNotes->count() - 1);
}

void frmMain::UpdateSyncStatus() {
    const int current = m_Session->CurrentNote();
    if (current < 0)
        return;
    const bool anyDirty = m_Session->AnyNoteChangedSinceHotSync();
    QPalette palette = m_lblUser->palette();
    palette.setColor(QPalette::WindowText, anyDirty ? QColor(255, 0, 0) : QColor(0, 0, 255));
    m_lblUser->setPalette(palette);
    m_lblUser->setToolTip(anyDirty ? QStringLiteral("PC has changes since last HotSync.")
                                   : QStringLiteral("PC has no changes since last HotSync."));
    const clsQuillaryItem* note = m_Session->Database().GetRecordObject(current);
    m_Commands->SetNoteFlag(note && note->DirtyFlag());
}

void frmMain::SetCurrentNoteCategory(int category) {
    if (m_Session->SetNoteCategory(m_Session->CurrentNote(), category))
        UpdateFormStatus();
}

// ---------------------------------------------------------------------------------------
// Layout

void frmMain::ResizeMe() {
    m_Panes->Layout();
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    ResizeMe();
    if (m_prgOne->isVisible())
        m_prgOne->setGeometry(statusBar()->geometry());
}

void frmMain::CloseWithMainWindow(QWidget* window) {
    m_CloseFirst.removeAll(nullptr);
    m_CloseFirst << window;
}

// ---------------------------------------------------------------------------------------
// Closing

void frmMain::closeEvent(QCloseEvent* event) {
    // Windows the main window's exit must not leave behind (the insert editor asks about
    // its unsaved inserts and may refuse).
    for (auto it = m_CloseFirst.rbegin(); it != m_CloseFirst.rend(); ++it)
        if (*it && (*it)->isVisible() && !(*it)->close()) {
            event->ignore();
            return;
        }
    if (m_Session->QuerySaveChanges()) {
        const QSignalBlocker block(m_cmbUser);
        m_cmbUser->setCurrentIndex(m_Session->CurrentUser());
        event->ignore();
        return;
    }
    // The find window stores its settings as it closes: close it before they are written.
    CloseFindWindow();
    StoreMainGeometry(*this, m_Session->Settings(), m_Commands->MainToolBar(),
                      m_Commands->NoteToolBar());
    m_Session->Settings().Save();
    if (m_Splash)
        m_Splash->close();
    event->accept();
}

} // namespace quillary
