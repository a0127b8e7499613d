// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmMain.h"

#include "ElidingComboBox.h"
#include "MainCommands.h"
#include "MainStatusBar.h"
#include "NoteEditorPane.h"
#include "core/PlatformServices.h"
#include "core/TextCodec.h"
#include "core/SettingsKeys.h"
#include "core/clsSettings.h"
#include "core/modGlobals.h"
#include "draw/DrawBoxLayout.h"
#include "draw/clsPopupMenu.h"
#include "draw/ctlDrawBox.h"
#include "session/OpenFileGuard.h"
#include "session/PictureHistories.h"
#include "shell/ShellResources.h"
#include "shell/clsRecentFile.h"
#include "shell/frmSplash.h"
#include "storage/TextUtil.h"
#include "storage/clsDatabase.h"
#include "storage/clsQuillaryItem.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolBar>
#include <QToolButton>

namespace quillary {

namespace {

// Shows the hourglass for the lifetime of the object.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

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

ctlDrawBox* frmMain::PictureEditor() const {
    return m_Editor->PictureEditor();
}

QPlainTextEdit* frmMain::TextEditor() const {
    return m_Editor->TextEditor();
}

QLabel* frmMain::PictureProblem() const {
    return m_Editor->PictureProblem();
}

QStringList frmMain::StatusPanelTexts() const {
    return m_StatusBar->PanelTexts();
}

QLabel* frmMain::CategoryPanel() const {
    return m_StatusBar->CategoryPanel();
}

QToolButton* frmMain::ChangesButton() const {
    return m_StatusBar->ReportButton();
}

void frmMain::SetSplash(frmSplash* splash) {
    m_Splash = splash;
}

void frmMain::BuildWindow() {
    InitShellResources(); // the window's icon, wherever the window is made
    setWindowIcon(QIcon(QStringLiteral(":/icons/quillary.svg")));
    m_Central = new QWidget(this);
    setCentralWidget(m_Central);
    m_StatusBar = new MainStatusBar(this);
    m_StatusBar->AddNotePanels();
    setStatusBar(m_StatusBar);

    m_TopRow = new QWidget(m_Central);
    auto* row = new QHBoxLayout(m_TopRow);
    row->setContentsMargins(4, 2, 4, 2);
    m_lstNotes = new QComboBox(m_TopRow);
    m_lstNotes->setObjectName(QStringLiteral("lstNotes"));
    m_lstNotes->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_lstNotes->setMinimumContentsLength(10);
    // A list, not a screen-high menu with arrow buttons: thousands of notes must scroll.
    m_lstNotes->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    m_lstNotes->setMaxVisibleItems(20);
    m_lstNotes->view()->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    row->addWidget(m_lstNotes, 1);
    m_picUserBox = new QWidget(m_TopRow);
    m_picUserBox->setObjectName(QStringLiteral("picUserBox"));
    auto* userRow = new QHBoxLayout(m_picUserBox);
    userRow->setContentsMargins(0, 0, 0, 0);
    m_lblUser = new QLabel(QStringLiteral("User:"), m_picUserBox);
    m_lblUser->setObjectName(QStringLiteral("lblUser"));
    m_cmbUser = new ElidingComboBox(m_picUserBox);
    m_cmbUser->setObjectName(QStringLiteral("cmbUser"));
    // A long user name is shortened with "…" rather than squeezing the note selector.
    m_cmbUser->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_cmbUser->setMinimumContentsLength(14);
    m_lblUser->setBuddy(m_cmbUser);
    userRow->addWidget(m_lblUser);
    userRow->addWidget(m_cmbUser);
    row->addWidget(m_picUserBox);

    m_Editor = new NoteEditorPane(*m_Session, m_Central);
    m_fmeDivide = new QWidget(m_Central);
    m_fmeDivide->setObjectName(QStringLiteral("fmeDivide"));
    m_fmeDivide->setCursor(Qt::SplitVCursor);
    m_fmeDivide->setAutoFillBackground(true);
    m_fmeDivide->installEventFilter(this);

    // The window shrinks no further than the layout does: the selectors, a strip of
    // picture and of text stay in view (see ResizeMe for the mapping).
    m_Central->setMinimumSize(
        TwipsToPixels(MainLayout::kMinWidth - 125),
        m_TopRow->sizeHint().height() +
            TwipsToPixels(MainLayout::kMinHeight - 1740 + MainLayout::kDividerHeight));
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
            &frmMain::OnCategoryPanelClicked);

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
    if (show) {
        m_prgOne->setValue(0);
        m_prgOne->setGeometry(statusBar()->geometry());
        statusBar()->hide();
        m_prgOne->show();
        m_prgOne->raise();
    } else {
        m_prgOne->hide();
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

std::function<void(int)> frmMain::ProgressReporter() {
    // Repaint in steps of 1%: a large database reports thousands of values.
    return [this](int value) {
        if (value / 10 == m_prgOne->value() / 10 && value != 1000)
            return;
        m_prgOne->setValue(value);
        m_prgOne->repaint();
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
    if (refresh)
        guard.BeforeReread(OpenFileGuard::Cause::Refresh);
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
    m_DividerOffset = MainLayout::kInitialOffset;
    m_WantedOffset = MainLayout::kInitialOffset;
    // Refresh rereads the notes; the window stays where the person put it.
    if (!m_GeometryRestored)
        RestoreGeometry();
    m_GeometryRestored = true;
    setMinimumWidth(m_StatusBar->ShowNoteStatus(QString(), 0, 0, 0, 0));
    m_Session->Database().m_ScreenDisplayFlag = true;
    LoadUsers();
    if (refresh)
        guard.AfterReread();
    else
        TextEditor()->setFocus(); // typing at start goes into the note
}

void frmMain::RestoreGeometry() {
    clsSettings& settings = m_Session->Settings();
    const QRect screen = QGuiApplication::primaryScreen()
                             ? QGuiApplication::primaryScreen()->availableGeometry()
                             : QRect(0, 0, 1024, 768);
    const int w = settings.GetInt(Config::FormMainWidth);
    const int h = settings.GetInt(Config::FormMainHeight);
    const int top = settings.GetInt(Config::FormMainTop);
    const int left = settings.GetInt(Config::FormMainLeft);
    const QSize first = FirstStartSize();
    const int wPx = w > 0 ? TwipsToPixels(w) : first.width();
    const int hPx = h > 0 ? TwipsToPixels(h) : first.height();
    resize(wPx, hPx);
    // A toolbar the person hid stays hidden.
    m_Commands->MainToolBar()->setVisible(
        settings.GetFlag(Config::ShowMainToolbar));
    m_Commands->NoteToolBar()->setVisible(
        settings.GetFlag(Config::ShowNoteToolbar));
    move(left > 0 ? TwipsToPixels(left) : screen.x() + (screen.width() - wPx) / 2,
         top > 0 ? TwipsToPixels(top) : screen.y() + (screen.height() - hPx) / 2);
}

QSize frmMain::FirstStartSize() const {
    const QRect screen = QGuiApplication::primaryScreen()
                             ? QGuiApplication::primaryScreen()->availableGeometry()
                             : QRect(0, 0, 1024, 768);
    // The picture pane is as wide as the central area; its height follows the layout with
    // the initial divider offset, which leaves the text box about ten lines.
    const int frame = 2 * PictureEditor()->frameWidth() + 4;
    const int pictureWidth = 500 + DrawBoxLayout::kViewportLeft + frame;
    const int pictureHeight = 500 + frame;
    const int belowPicture = TwipsToPixels(2760 - 1740 + MainLayout::kDividerHeight -
                                           MainLayout::kInitialOffset + MainLayout::kPictureTop);
    int toolBars = 0;
    for (const QToolBar* bar : findChildren<QToolBar*>(Qt::FindDirectChildrenOnly))
        toolBars = std::max(toolBars, bar->sizeHint().height());
    const int height = menuBar()->sizeHint().height() + toolBars + m_TopRow->sizeHint().height() +
                       pictureHeight + belowPicture + statusBar()->sizeHint().height();
    const int width = std::max(pictureWidth, TwipsToPixels(9000));
    // Leave room for the window manager's frame.
    return {std::min(width, screen.width() - 16), std::min(height, screen.height() - 40)};
}

void frmMain::StoreGeometry() {
    clsSettings& settings = m_Session->Settings();
    settings.SetFlag(Config::ShowMainToolbar, !m_Commands->MainToolBar()->isHidden());
    settings.SetFlag(Config::ShowNoteToolbar, !m_Commands->NoteToolBar()->isHidden());
    settings.SetInt(Config::FormMainTop, PixelsToTwips(y()));
    settings.SetInt(Config::FormMainLeft, PixelsToTwips(x()));
    settings.SetInt(Config::FormMainWidth, PixelsToTwips(width()));
    settings.SetInt(Config::FormMainHeight, PixelsToTwips(height()));
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
    const QString refusal = NotesSession::KindRefusal(path);
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
        m_lstNotes->clear();
        m_Session->SetCurrentNote(-1);
        QStringList entries;
        entries.reserve(count);
        for (int i = 0; i < count; ++i) {
            const std::string& raw = database.GetRecordObject(i)->RawText();
            entries << FromCp1252(raw.substr(0, raw.find_first_of("\r\n")));
        }
        m_lstNotes->addItems(entries);
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
    m_Session->Database().InsertRecordItem(0);
    m_Session->Settings().SetInt(Config::DefaultRecordIndex, 0);
    RefreshDisplayFromDatabaseObject();
    m_Session->MarkChanged();
    // The new note is there to be written: its text takes the typing, after its title.
    TextEditor()->setFocus();
    TextEditor()->moveCursor(QTextCursor::End);
}

void frmMain::RemoveNote() {
    int i = m_lstNotes->currentIndex();
    if (i < 0)
        return;
    PlatformServices& services = m_Session->Services();
    if (m_lstNotes->count() < 2) {
        services.messageBox(QStringLiteral("Must have at least one note in database"), kAppTitle,
                            MsgButtons::Ok, MsgIcon::None);
        return;
    }
    if (services.messageBox(QStringLiteral("Are you sure you want to delete the current note?"),
                            kAppTitle, MsgButtons::YesNo, MsgIcon::Exclamation) != MsgResult::Yes)
        return;
    m_Editor->DropNote(); // its panes go nowhere
    m_Session->Database().DeleteRecord(i);
    m_Session->DirtyMayHaveChanged();
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
    const clsDatabase& db = m_Session->Database();
    bool anyDirty = false;
    for (int i = 0; i < db.GetNumRecords() && !anyDirty; ++i)
        anyDirty = db.GetRecordObject(i)->DirtyFlag();
    QPalette palette = m_lblUser->palette();
    palette.setColor(QPalette::WindowText, anyDirty ? QColor(255, 0, 0) : QColor(0, 0, 255));
    m_lblUser->setPalette(palette);
    m_lblUser->setToolTip(anyDirty ? QStringLiteral("PC has changes since last HotSync.")
                                   : QStringLiteral("PC has no changes since last HotSync."));
    const clsQuillaryItem* note = db.GetRecordObject(current);
    m_Commands->SetNoteFlag(note && note->DirtyFlag());
}

void frmMain::OnCategoryPanelClicked() {
    if (m_Session->CurrentNote() < 0)
        return;
    std::vector<std::string> labels;
    const int c = m_Session->Database().GetCategoryList(labels);
    QStringList items;
    for (const std::string& label : labels)
        items << FromCp1252(label);
    items << QStringLiteral("-") << QStringLiteral("Edit Categories...");
    const int k = clsPopupMenu().Popup(m_Session->Services(), items);
    if (k >= 1 && k <= c)
        SetCurrentNoteCategory(k - 1);
    else if (k == c + 2)
        m_Commands->RunDialog(QStringLiteral("EditCategories"));
}

void frmMain::SetCurrentNoteCategory(int category) {
    clsDatabase& db = m_Session->Database();
    const int current = m_Session->CurrentNote();
    std::vector<std::string> labels;
    if (current < 0 || category < 0 || category >= db.GetCategoryList(labels))
        return;
    if (category == db.GetCategoryIndex(current))
        return;
    db.SetCategoryIndex(current, category);
    db.GetRecordObject(current)->SetDirtyFlag(true);
    m_Session->MarkChanged();
    UpdateFormStatus();
}

// ---------------------------------------------------------------------------------------
// Layout

void frmMain::ResizeMe() {
    TextEditor()->setFont(GetEditorFont(m_Session->Settings()));
    const int rowHeight = m_TopRow->sizeHint().height();
    m_TopRow->setGeometry(0, 0, m_Central->width(), rowHeight);
    // The formulas measure the window; map them so the text box ends at the bottom of the
    // central area and the picture starts under the selector row.
    const int windowWidth = PixelsToTwips(m_Central->width()) + 125;
    const int windowHeight =
        PixelsToTwips(m_Central->height() - rowHeight) + 1740 - MainLayout::kDividerHeight;
    // The clamps limit what is shown; the offset the person chose is kept for a larger
    // window.
    m_Layout = MainLayout::Compute(windowWidth, windowHeight, m_WantedOffset);
    m_DividerOffset = m_Layout.offset;
    auto place = [rowHeight](const QRect& twips) {
        return QRect(TwipsToPixels(twips.x()),
                     rowHeight + TwipsToPixels(twips.y() - MainLayout::kPictureTop),
                     TwipsToPixels(twips.width()), std::max(0, TwipsToPixels(twips.height())));
    };
    QRect picture = place(m_Layout.picture);
    if (m_Editor->PictureUnreadable()) {
        QLabel* problem = m_Editor->PictureProblem();
        // The line that says so sits over the picture, which moves down under it.
        const int lineHeight =
            std::min(problem->heightForWidth(picture.width()), picture.height() / 2);
        problem->setGeometry(picture.x(), picture.y(), picture.width(), lineHeight);
        problem->raise();
        picture.setTop(picture.top() + lineHeight);
    }
    PictureEditor()->setGeometry(picture);
    m_fmeDivide->setGeometry(place(m_Layout.divider));
    TextEditor()->setGeometry(place(m_Layout.text));
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    ResizeMe();
    if (m_prgOne->isVisible())
        m_prgOne->setGeometry(statusBar()->geometry());
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_fmeDivide) {
        if (event->type() == QEvent::MouseButtonPress) {
            auto* e = static_cast<QMouseEvent*>(event);
            m_DragOrigin = PixelsToTwips(m_fmeDivide->y()) + PixelsToTwips(1) * e->position().y();
            m_WantedOffset = m_DividerOffset; // a drag starts where the divider is shown
            return true;
        }
        if (event->type() == QEvent::MouseMove) {
            auto* e = static_cast<QMouseEvent*>(event);
            if (e->buttons() == Qt::NoButton)
                return false;
            const double y = PixelsToTwips(m_fmeDivide->y()) + PixelsToTwips(1) * e->position().y();
            m_DividerOffset += int(std::lround(y - m_DragOrigin));
            m_WantedOffset = m_DividerOffset;
            if (std::abs(m_DividerOffset - m_Layout.offset) > 1) {
                ResizeMe();
                update();
                m_WantedOffset = m_DividerOffset; // where the clamps stopped it
            }
            m_DragOrigin = y;
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
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
    StoreGeometry();
    m_Session->Settings().Save();
    if (m_Splash)
        m_Splash->close();
    event->accept();
}

} // namespace quillary
