// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmMain.h"

#include "CommandLineOpener.h"
#include "ElidingComboBox.h"
#include "MainCommands.h"
#include "MainStatusBar.h"
#include "OpenFileGuard.h"
#include "draw/DrawBoxLayout.h"
#include "draw/PictureHistories.h"
#include "draw/clsPopupMenu.h"
#include "draw/ctlDrawBox.h"
#include "core/DatabaseDialogs.h"
#include "core/PlatformServices.h"
#include "shell/ShellResources.h"
#include "core/TextCodec.h"
#include "shell/clsRecentFile.h"
#include "core/clsSettings.h"
#include "shell/frmSplash.h"
#include "core/modGlobals.h"
#include "storage/TextUtil.h"
#include "storage/clsBitmap.h"
#include "storage/clsDatabase.h"
#include "storage/clsQuillaryItem.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>
#include <QUndoStack>

#include <unordered_set>

namespace quillary {

namespace {

const QString kStoredTextLimitMessage =
    QStringLiteral("A note holds at most 1999 characters; the rest was not added.");

// Shows the hourglass for the lifetime of the object.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

int SettingNumber(clsSettings& settings, const QString& key) {
    return int(LeadingNumber(settings.GetSetting(key).toStdString()));
}

// Notes keep LF line ends; the UI shows them as the text box's own line breaks.
QString ToUiText(const std::string& rawLf) {
    return FromCp1252(rawLf);
}

} // namespace

frmMain::frmMain(PlatformServices& services, clsSettings& settings, clsDatabase& database,
                 QWidget* parent)
    : QMainWindow(parent), m_Services(services), m_Settings(settings),
      m_Database(database), m_Context{services, settings, &database}, m_Desk(&settings) {
    setObjectName(QStringLiteral("frmMain"));
    m_Database.m_NewNoteTitle = [this] { return NewNoteTitle(); };
    m_PictureHistories = std::make_unique<PictureHistories>();
    BuildWindow();
    m_Commands = std::make_unique<MainCommands>(*this);
    m_FileGuard = new OpenFileGuard(*this);
    m_RecentFiles = std::make_unique<clsRecentFile>(m_Settings, m_Commands->RecentFileActions(),
                                                    m_Commands->RecentLine());
    SetAppTitle();
}

frmMain::~frmMain() {
    m_drbNote->SetUndoStack(nullptr); // the histories go before the editor
    delete m_FindWindow.data();       // it has no parent to delete it
    m_Database.m_NewNoteTitle = nullptr;
}

void frmMain::BuildWindow() {
    InitShellResources(); // the window's icon, wherever the window is made
    setWindowIcon(QIcon(QStringLiteral(":/icons/quillary.svg")));
    m_Central = new QWidget(this);
    setCentralWidget(m_Central);
    setStatusBar(new MainStatusBar(this));

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

    m_drbNote = new ctlDrawBox(&m_Services, m_Central);
    m_drbNote->setObjectName(QStringLiteral("drbNote"));
    m_lblPictureProblem = new QLabel(m_Central);
    m_lblPictureProblem->setObjectName(QStringLiteral("lblPictureProblem"));
    m_lblPictureProblem->setWordWrap(true);
    m_lblPictureProblem->setAutoFillBackground(true);
    m_lblPictureProblem->setContentsMargins(4, 2, 4, 2);
    m_lblPictureProblem->setStyleSheet(
        QStringLiteral("QLabel { background: #fff3c4; color: black; border: 1px solid #c9a800; }"));
    m_lblPictureProblem->hide();

    m_fmeDivide = new QWidget(m_Central);
    m_fmeDivide->setObjectName(QStringLiteral("fmeDivide"));
    m_fmeDivide->setCursor(Qt::SplitVCursor);
    m_fmeDivide->setAutoFillBackground(true);
    m_fmeDivide->installEventFilter(this);

    m_txtNote = new QPlainTextEdit(m_Central);
    m_txtNote->setObjectName(QStringLiteral("txtNote"));
    m_txtNote->setTabChangesFocus(true); // as in every other field; notes hold no tabs
    m_txtNote->installEventFilter(this); // the Edit menu owns the clipboard keys

    for (const char* tip :
         {"Category", "Database Size", "Note Size", "Number of Notes In Database", "Record ID"}) {
        auto* panel = new QLabel(statusBar());
        panel->setToolTip(QString::fromLatin1(tip));
        panel->setObjectName(QStringLiteral("pnl") + QString::fromLatin1(tip).remove(' '));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setMinimumWidth(60);
        // Permanent, so that temporary messages get their own place to the left instead
        // of hiding the panels.
        statusBar()->addPermanentWidget(panel);
        m_Panels << panel;
    }
    m_Panels.first()->installEventFilter(this); // the category panel opens a menu
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
    connect(m_txtNote->document(), &QTextDocument::contentsChange, this,
            &frmMain::OnContentsChange);
    connect(m_txtNote, &QPlainTextEdit::textChanged, this, &frmMain::OnTextChanged);
    connect(m_drbNote, &ctlDrawBox::Change, this, &frmMain::OnPictureChange);

    // The picture's zoom: "Fit" or 1, 2, 4, 8.
    const QString zoom = m_Settings.GetSetting(QStringLiteral("Picture Zoom"));
    m_drbNote->SetZoom(zoom == QLatin1String("Fit") ? 0 : zoom.isEmpty() ? 1 : zoom.toInt());
    connect(m_drbNote, &ctlDrawBox::ZoomChanged, this, [this](int level) {
        m_Settings.SetSetting(QStringLiteral("Picture Zoom"),
                              level == 0 ? QStringLiteral("Fit") : QString::number(level));
    });
}

void frmMain::LeavePictureHistory() {
    if (m_PictureKey)
        m_PictureHistories->Leave(m_PictureKey, m_drbNote->Picture());
    m_PictureKey = 0;
    m_drbNote->SetUndoStack(nullptr);
}

void frmMain::ForgetPictureHistories() {
    m_PictureKey = 0;
    m_drbNote->SetUndoStack(nullptr);
    m_PictureHistories->Clear();
}

std::string frmMain::NewNoteTitle() {
    const QDateTime now = m_Services.now();
    const QLocale locale = QLocale::system();
    const QTime t = now.time();
    const int hour12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    const QString ampm = t.hour() < 12 ? locale.amText() : locale.pmText();
    const QString title =
        locale.toString(now.date(), QLocale::ShortFormat) + QChar(' ') + QString::number(hour12) +
        QChar(':') + QStringLiteral("%1").arg(t.minute(), 2, 10, QChar('0')) + QChar(' ') +
        (ampm.isEmpty() ? QString(t.hour() < 12 ? "am" : "pm") : ampm) + QStringLiteral(" - ");
    return ToCp1252(title.toLower());
}

// ---------------------------------------------------------------------------------------
// Loading, users and databases

void frmMain::Form_Load() {
    // Refresh: what it reads anew is reported, and the notes shown before are kept.
    const bool refresh = m_CurrentUserIndex >= 0;
    if (refresh)
        m_FileGuard->BeforeReread(OpenFileGuard::Cause::Refresh);
    if (m_Settings.GetSetting(QStringLiteral("FontName")).isEmpty()) {
        // The text box's own font becomes the stored note font.
        m_Settings.SetSetting(QStringLiteral("FontName"), QStringLiteral("Tahoma"));
        m_Settings.SetSetting(QStringLiteral("FontSize"), QStringLiteral("9.75"));
        for (const char* key : {"FontBold", "FontItalic", "FontStrikeThru", "FontUnderLine"})
            m_Settings.SetSetting(QString::fromLatin1(key), QStringLiteral("False"));
    }
    m_CurrentUserIndex = -1;
    m_DividerOffset = MainLayout::kInitialOffset;
    m_WantedOffset = MainLayout::kInitialOffset;
    // Refresh rereads the notes; the window stays where the person put it.
    if (!m_GeometryRestored)
        RestoreGeometry();
    m_GeometryRestored = true;
    UpdateStatusBar(QString(), 0, 0, 0, 0);
    m_Database.m_ScreenDisplayFlag = true;
    LoadUsers();
    if (refresh)
        m_FileGuard->AfterReread();
    else
        m_txtNote->setFocus(); // typing at start goes into the note
}

void frmMain::RestoreGeometry() {
    const QRect screen = QGuiApplication::primaryScreen()
                             ? QGuiApplication::primaryScreen()->availableGeometry()
                             : QRect(0, 0, 1024, 768);
    const int w = SettingNumber(m_Settings, QStringLiteral("Form Main Width"));
    const int h = SettingNumber(m_Settings, QStringLiteral("Form Main Height"));
    const int top = SettingNumber(m_Settings, QStringLiteral("Form Main Top"));
    const int left = SettingNumber(m_Settings, QStringLiteral("Form Main Left"));
    const QSize first = FirstStartSize();
    const int wPx = w > 0 ? TwipsToPixels(w) : first.width();
    const int hPx = h > 0 ? TwipsToPixels(h) : first.height();
    resize(wPx, hPx);
    // A toolbar the person hid stays hidden.
    m_Commands->MainToolBar()->setVisible(
        m_Settings.GetSetting(QStringLiteral("Show Main Toolbar")) != QLatin1String("False"));
    m_Commands->NoteToolBar()->setVisible(
        m_Settings.GetSetting(QStringLiteral("Show Note Toolbar")) != QLatin1String("False"));
    move(left > 0 ? TwipsToPixels(left) : screen.x() + (screen.width() - wPx) / 2,
         top > 0 ? TwipsToPixels(top) : screen.y() + (screen.height() - hPx) / 2);
}

QSize frmMain::FirstStartSize() const {
    const QRect screen = QGuiApplication::primaryScreen()
                             ? QGuiApplication::primaryScreen()->availableGeometry()
                             : QRect(0, 0, 1024, 768);
    // The picture pane is as wide as the central area; its height follows the layout with
    // the initial divider offset, which leaves the text box about ten lines.
    const int frame = 2 * m_drbNote->frameWidth() + 4;
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
    m_Settings.SetSetting(QStringLiteral("Show Main Toolbar"), m_Commands->MainToolBar()->isHidden()
                                                                   ? QStringLiteral("False")
                                                                   : QStringLiteral("True"));
    m_Settings.SetSetting(QStringLiteral("Show Note Toolbar"), m_Commands->NoteToolBar()->isHidden()
                                                                   ? QStringLiteral("False")
                                                                   : QStringLiteral("True"));
    m_Settings.SetSetting(QStringLiteral("Form Main Top"), QString::number(PixelsToTwips(y())));
    m_Settings.SetSetting(QStringLiteral("Form Main Left"), QString::number(PixelsToTwips(x())));
    m_Settings.SetSetting(QStringLiteral("Form Main Width"),
                          QString::number(PixelsToTwips(width())));
    m_Settings.SetSetting(QStringLiteral("Form Main Height"),
                          QString::number(PixelsToTwips(height())));
}

void frmMain::LoadUsers() {
    m_Desk.Reload();
    if (!m_Desk.Warnings().isEmpty())
        ReportError(m_Context, QStringLiteral("Some HotSync users could not be read:\r") +
                                   m_Desk.Warnings().join(QChar('\r')));
    m_Users = UserTable::Load(m_Desk);
    {
        const QSignalBlocker block(m_cmbUser);
        m_cmbUser->clear();
        for (int i = 0; i < m_Users.Count(); ++i)
            m_cmbUser->addItem(QChar(' ') + m_Users.names.at(i), i);
        m_cmbUser->setCurrentIndex(-1);
    }
    const qint64 wanted = LeadingNumber(m_Settings.GetSetting("Default User ID").toStdString());
    int position = 0;
    for (int p = 0; p < m_cmbUser->count(); ++p)
        if (m_Users.ids.value(m_cmbUser->itemData(p).toInt()) == wanted)
            position = p; // the last match wins
    if (m_cmbUser->count() > 0)
        m_cmbUser->setCurrentIndex(position);
}

bool frmMain::CurrentUserId(qint32* id) const {
    const int position = m_cmbUser->currentIndex();
    if (position < 0)
        return false;
    *id = m_Users.ids.value(m_cmbUser->itemData(position).toInt());
    return true;
}

QString frmMain::GetUserFileName(int userIndex) const {
    return quillary::GetUserFileName(m_Desk, m_Users, userIndex);
}

void frmMain::OnUserSelected(int position) {
    if (position == m_CurrentUserIndex)
        return;
    auto restoreSelector = [this] {
        const QSignalBlocker block(m_cmbUser);
        m_cmbUser->setCurrentIndex(m_CurrentUserIndex);
    };
    if (QuerySaveChanges()) {
        restoreSelector();
        return;
    }
    CloseFindWindow(); // its entries name the notes of the user being left
    const int previousUser = m_CurrentUserIndex;
    const QString previousId = m_Settings.GetSetting(QStringLiteral("Default User ID"));
    const std::string previousFile = m_Database.GetFileName();

    m_CurrentUserIndex = position;
    const int u = m_cmbUser->itemData(position).toInt();
    m_Settings.SetSetting(QStringLiteral("Default User ID"), QString::number(m_Users.ids.value(u)));
    const QString path = GetUserFileName(u);
    if (QFileInfo::exists(path)) {
        m_Database.SetFileName(path.toStdString());
        if (!OpenDatabase()) {
            // The notes shown still belong to the previous file: keep pointing there, or
            // the next save would write them over this user's file. Without a previous
            // user (start-up, Refresh) the shown notes still have an owner, so that
            // discarding them asks first and a HotSync of that user is refused.
            m_Database.SetFileName(previousFile);
            int shown = previousUser;
            if (shown < 0)
                shown = UserPositionOfFile(previousFile);
            if (shown < 0)
                shown = position;
            m_CurrentUserIndex = shown;
            m_Settings.SetSetting(QStringLiteral("Default User ID"),
                                  shown == previousUser ? previousId
                                                        : QString::number(m_Users.ids.value(
                                                              m_cmbUser->itemData(shown).toInt())));
            restoreSelector();
            return;
        }
    } else {
        AddNewDatabase();
        m_Database.SetFileName(path.toStdString());
        SetAppTitle(); // it names the file the notes will be saved to
    }
    emit databaseReloaded();
}

int frmMain::UserPositionOfFile(const std::string& file) const {
    if (file.empty())
        return -1;
    for (int p = 0; p < m_cmbUser->count(); ++p)
        if (GetUserFileName(m_cmbUser->itemData(p).toInt()).toStdString() == file)
            return p;
    return -1;
}

void frmMain::ReloadCurrentUser() {
    const int position = m_cmbUser->currentIndex();
    const int previous = m_CurrentUserIndex;
    m_FileGuard->BeforeReread(OpenFileGuard::Cause::HotSync);
    m_CurrentUserIndex = -1;
    if (position >= 0)
        OnUserSelected(position);
    if (m_CurrentUserIndex < 0 && previous >= 0) {
        // The file could not be read again: the shown notes stay this user's.
        m_CurrentUserIndex = previous;
        const QSignalBlocker block(m_cmbUser);
        m_cmbUser->setCurrentIndex(previous);
    }
    m_FileGuard->AfterReread();
}

bool frmMain::QuerySaveChanges() {
    if (m_CurrentUserIndex < 0 || !m_Database.m_FileDirtyFlag)
        return false;
    const int u = m_cmbUser->itemData(m_CurrentUserIndex).toInt();
    const MsgResult answer = m_Services.messageBox(
        QStringLiteral("Do you want to save your changes for user \r") + m_Users.names.value(u) +
            QStringLiteral(" for the current session?"),
        kAppTitle, MsgButtons::YesNoCancel, MsgIcon::Exclamation);
    switch (answer) {
    case MsgResult::Yes:
        SaveChanges();
        // A save that failed has been reported, and a drawing the note cannot hold is
        // still unsaved: going on would throw the changes away.
        return !SaveDatabase() || m_Database.m_FileDirtyFlag;
    case MsgResult::No:
        return false;
    default:
        return true;
    }
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

bool frmMain::OpenDatabase() {
    WaitCursor wait;
    ShowProgress(true);
    const bool ok = OpenDatabaseInteractive(m_Context, m_Database, ProgressReporter(),
                                            [this] { ShowProgress(false); });
    if (ok) {
        m_RecentFiles->PushRecentFile(QString::fromStdString(m_Database.GetFileName()));
        if (m_Database.GetNumRecords() < 1)
            m_Database.AddNewRecord(0);
        ForgetPictureHistories(); // another file's or user's notes
        RefreshDisplayFromDatabaseObject();
    }
    ShowProgress(false);
    return ok;
}

bool frmMain::SaveDatabase() {
    // Another program's change is not replaced without asking; the file as it was is kept.
    if (!m_FileGuard->BeforeSave())
        return false;
    WaitCursor wait;
    CreateUserFolder();
    ShowProgress(true);
    const bool ok = SaveDatabaseInteractive(m_Context, m_Database, ProgressReporter(),
                                            [this] { ShowProgress(false); });
    ShowProgress(false);
    m_FileGuard->AfterSave(ok);
    if (ok) {
        m_RecentFiles->PushRecentFile(QString::fromStdString(m_Database.GetFileName()));
        // A drawing the note could not take is not in the file.
        if (m_drbNote->DirtyFlag())
            m_Database.m_FileDirtyFlag = true;
        emit databaseReloaded();
    }
    SetAppTitle();
    return ok;
}

void frmMain::CreateUserFolder() {
    // A user listed in users.txt may have no folder yet: it is made on the first save,
    // but only inside the desktop folder.
    const QString file = QString::fromStdString(m_Database.GetFileName());
    if (file.isEmpty())
        return;
    const QString folder = QFileInfo(file).absolutePath();
    if (QFileInfo::exists(folder))
        return;
    const QString root = QDir(m_Desk.KWUmGetRootDirectory()).absolutePath();
    if (root.isEmpty() || !QDir(root).exists() || !folder.startsWith(root + QChar('/')))
        return;
    QDir().mkpath(folder); // a failure shows as the save's own error
}

void frmMain::AddNewDatabase() {
    ForgetPictureHistories();
    m_Database.AddNewDatabase();
    m_Database.AddNewRecord(0);
    RefreshDisplayFromDatabaseObject();
    m_txtNote->moveCursor(QTextCursor::End); // typing follows the new note's title
}

void frmMain::OpenRecentFile(int entry) {
    if (QuerySaveChanges())
        return;
    const QString path = m_RecentFiles->GetRecentFile(entry);
    const std::string previousFile = m_Database.GetFileName();
    m_Database.SetFileName(path.toStdString());
    if (!OpenDatabase()) {
        m_Database.SetFileName(previousFile);
        m_RecentFiles->RemoveRecentFile(entry);
    } else {
        m_RecentFiles->PushRecentFile(QString::fromStdString(m_Database.GetFileName()));
        emit databaseReloaded();
    }
}

bool frmMain::OpenNotesFile(const QString& path) {
    const QString refusal = CommandLineOpener::RefusalReason(path);
    if (!refusal.isEmpty()) {
        m_Services.messageBox(refusal, kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    if (QuerySaveChanges())
        return false;
    const std::string previousFile = m_Database.GetFileName();
    m_Database.SetFileName(path.toStdString());
    if (!OpenDatabase()) {
        m_Database.SetFileName(previousFile);
        return false;
    }
    emit databaseReloaded();
    return true;
}

// ---------------------------------------------------------------------------------------
// Notes

int frmMain::RefreshDisplayFromDatabaseObject() {
    m_txtNote->document()->setDefaultTextOption(QTextOption(
        SettingNumber(m_Settings, QStringLiteral("RightJustify")) == 1 ? Qt::AlignRight
                                                                       : Qt::AlignLeft));
    m_RecentFiles->PushRecentFile(QString::fromStdString(m_Database.GetFileName()));
    SetAppTitle();
    const int wanted = SettingNumber(m_Settings, QStringLiteral("Default Record Index"));
    const int count = m_Database.GetNumRecords();
    // Imports, archives and restored versions may have freed notes: their histories go.
    LeavePictureHistory();
    {
        std::unordered_set<uint64_t> live;
        live.reserve(size_t(count));
        for (int i = 0; i < count; ++i)
            live.insert(m_Database.GetRecordObject(i)->Serial());
        m_PictureHistories->Retain([&live](uint64_t key) { return live.contains(key); });
    }
    {
        const QSignalBlocker block(m_lstNotes);
        m_lstNotes->clear();
        m_CurrentNoteIndex = -1;
        QStringList entries;
        entries.reserve(count);
        for (int i = 0; i < count; ++i) {
            const std::string& raw = m_Database.GetRecordObject(i)->RawText();
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
    if (position == m_CurrentNoteIndex)
        return;
    WaitCursor wait;
    if (!SaveChanges()) {
        const QSignalBlocker block(m_lstNotes);
        m_lstNotes->setCurrentIndex(m_CurrentNoteIndex);
        return;
    }
    LeavePictureHistory();
    m_CurrentNoteIndex = position;
    ClearTextMessage(true);
    if (position < 0) {
        emit currentNoteChanged(-1);
        return;
    }
    const clsQuillaryItem* note = m_Database.GetRecordObject(position);
    clsBitmap picture;
    std::string error;
    if (!note->GetBitmap(picture, &error)) {
        // Show a blank picture; the note keeps its stored one unless it is redrawn.
        picture.InitializeBitmap(500, 500, 1);
        ShowPictureProblem(QStringLiteral("This note's picture cannot be shown: ") +
                           QString::fromStdString(error) +
                           QStringLiteral(" It is kept as stored unless you draw a new one."));
    } else {
        ShowPictureProblem(QString());
    }
    m_drbNote->SetNoteBitmap(picture);
    m_PictureKey = note->Serial();
    m_drbNote->SetUndoStack(m_PictureHistories->StackFor(m_PictureKey, m_drbNote->Picture()));
    {
        m_LoadingNote = true;
        m_txtNote->setPlainText(ToUiText(note->RawText()));
        m_LoadingNote = false;
    }
    QTextCursor caret = m_txtNote->textCursor();
    caret.movePosition(QTextCursor::End);
    m_txtNote->setTextCursor(caret);
    m_Settings.SetSetting(QStringLiteral("Default Record Index"), QString::number(position));
    UpdateFormStatus();
    emit currentNoteChanged(position);
}

void frmMain::ShowPictureProblem(const QString& text) {
    const bool wasShown = m_PictureUnreadable;
    m_PictureUnreadable = !text.isEmpty();
    m_lblPictureProblem->setText(text);
    m_lblPictureProblem->setVisible(m_PictureUnreadable);
    // Before the window has its size the first resize lays it out; doing it earlier would
    // move the divider.
    if ((m_PictureUnreadable || wasShown) && isVisible())
        ResizeMe();
    // In the status bar too, once the window is up: a message shown before the window
    // would leave the panels painted over it.
    QTimer::singleShot(0, this, [this, text] {
        if (!text.isEmpty() && m_lblPictureProblem->text() == text)
            statusBar()->showMessage(text, 15000);
        else if (text.isEmpty() &&
                 statusBar()->currentMessage().startsWith(QStringLiteral("This note's picture")))
            statusBar()->clearMessage();
    });
}

QString frmMain::BoxText() const {
    // toPlainText() turns no-break spaces into plain ones; the note must keep its bytes.
    QString text = m_txtNote->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QChar('\n')).replace(QChar::LineSeparator, QChar('\n'));
    return text;
}

QString frmMain::CurrentNoteUiText() const {
    const clsQuillaryItem* note = m_Database.GetRecordObject(m_CurrentNoteIndex);
    return note ? ToUiText(note->RawText()) : QString();
}

bool frmMain::SaveChanges() {
    if (m_CurrentNoteIndex < 0)
        return true;
    WaitCursor wait;
    clsQuillaryItem* note = m_Database.GetRecordObject(m_CurrentNoteIndex);
    if (!note)
        return true;
    bool stored = true;
    if (m_drbNote->DirtyFlag()) {
        std::string error;
        if (m_PictureUnreadable &&
            m_Services.messageBox(
                QStringLiteral("The picture stored with this note could not be read.\r"
                               "Replace it with the picture you drew?"),
                kAppTitle, MsgButtons::YesNo, MsgIcon::Exclamation) != MsgResult::Yes) {
            // The stored bytes stay as they were read; the drawing is dropped.
            clsBitmap blank;
            blank.InitializeBitmap(500, 500, 1);
            m_drbNote->SetNoteBitmap(blank);
            m_drbNote->UndoStack()->clear(); // its steps were made on the dropped drawing
        } else if (note->SetBitmap(m_drbNote->GetNoteBitmap(), &error)) {
            note->SetDirtyFlag(true);
            m_Database.m_FileDirtyFlag = true;
            m_drbNote->SetDirtyFlag(false);
            ShowPictureProblem(QString());
        } else {
            // The drawing stays in the editor, marked unsaved, until it fits or is dropped.
            stored = false;
            m_Database.m_FileDirtyFlag = true;
            m_Services.messageBox(
                QString::fromStdString(error) +
                    QStringLiteral("\rThe drawing is kept in the picture box but not stored "
                                   "in the note."),
                kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
        }
        SetAppTitle();
        UpdateSyncStatus();
    }
    // Only a changed text is written back, so an untouched note keeps its exact bytes.
    const QString text = BoxText();
    if (text != CurrentNoteUiText())
        note->SetText(ToCp1252(text));
    return stored;
}

void frmMain::OnContentsChange(int position, int /*removed*/, int added) {
    if (m_FilteringText)
        return;
    m_ChangePos = position;
    m_ChangeAdded = added;
}

void frmMain::OnTextChanged() {
    if (m_LoadingNote || m_FilteringText)
        return;
    if (m_ChangeAdded > 0) {
        // Keep out what the handheld cannot store: characters outside Windows-1252, and
        // anything past the note's 1999 characters.
        m_FilteringText = true;
        QString message;
        QTextCursor cursor(m_txtNote->document());
        // The cuts belong to the edit that caused them: one undo step takes back both.
        // Edits that need no cut keep their undo steps untouched.
        bool cutting = false;
        auto cut = [&](int from, int to) {
            if (!cutting)
                cursor.joinPreviousEditBlock();
            cutting = true;
            cursor.setPosition(from);
            cursor.setPosition(to, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        };
        const int start = m_ChangePos;
        int end = m_ChangePos + m_ChangeAdded;
        for (int pos = end - 1; pos >= start; --pos) {
            const QChar ch = m_txtNote->document()->characterAt(pos);
            char32_t cp = ch.unicode();
            int length = 1;
            if (ch.isLowSurrogate() && pos > start &&
                m_txtNote->document()->characterAt(pos - 1).isHighSurrogate()) {
                cp = QChar::surrogateToUcs4(m_txtNote->document()->characterAt(pos - 1), ch);
                --pos;
                length = 2;
            }
            if (ch == QChar::ParagraphSeparator || ch == QChar::LineSeparator)
                continue;
            if (FirstUnstorableCharacter(QString::fromUcs4(&cp, 1)) != 0) {
                cut(pos, pos + length);
                end -= length;
                message = UnstorableCharacterMessage(cp);
            }
        }
        const int excess = int(BoxText().size()) - int(clsQuillaryItem::kMaxTextChars);
        if (excess > 0) {
            const int insertedEnd = std::min(end, m_txtNote->document()->characterCount() - 1);
            const int length = std::min(excess, insertedEnd - start);
            if (length > 0)
                cut(insertedEnd - length, insertedEnd);
            message = kStoredTextLimitMessage;
        }
        if (cutting)
            cursor.endEditBlock();
        m_ChangeAdded = 0;
        m_FilteringText = false;
        if (!message.isEmpty())
            statusBar()->showMessage(message, 8000);
    }
    ClearTextMessage(false);
    if (m_CurrentNoteIndex < 0)
        return;
    const QString text = BoxText();
    if (text == CurrentNoteUiText())
        return;
    {
        const QSignalBlocker block(m_lstNotes);
        m_lstNotes->setItemText(m_CurrentNoteIndex,
                                GetFirstLine(QString(text).replace('\n', '\r')));
    }
    m_Database.m_FileDirtyFlag = true;
    SetAppTitle();
    m_Database.GetRecordObject(m_CurrentNoteIndex)->SetDirtyFlag(true);
    UpdateSyncStatus();
}

void frmMain::ClearTextMessage(bool noteChanged) {
    const QString message = statusBar()->currentMessage();
    const bool limit = message == kStoredTextLimitMessage;
    const bool character = message.startsWith(QStringLiteral("The character ")) &&
                           message.endsWith(QStringLiteral("was left out."));
    if ((limit || character) && noteChanged)
        statusBar()->clearMessage();
    else if (limit && BoxText().size() < qsizetype(clsQuillaryItem::kMaxTextChars))
        statusBar()->clearMessage();
}

bool frmMain::RefuseTypedText(const QKeyEvent* key) {
    // Typing is kept out before it lands: a typed character cut afterwards would come back
    // with Undo and be cut again, and the redo history would be lost with it.
    if (key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))
        return false;
    const QString typed = key->text();
    if (typed.isEmpty())
        return false;
    for (const QChar ch : typed)
        if (!ch.isPrint() && !ch.isSurrogate())
            return false; // Return, Tab, Backspace and the like
    if (const char32_t bad = FirstUnstorableCharacter(typed)) {
        statusBar()->showMessage(UnstorableCharacterMessage(bad), 8000);
        return true;
    }
    const qsizetype replaced = m_txtNote->textCursor().selectedText().size();
    if (BoxText().size() - replaced + typed.size() > qsizetype(clsQuillaryItem::kMaxTextChars)) {
        statusBar()->showMessage(kStoredTextLimitMessage, 8000);
        return true;
    }
    return false;
}

void frmMain::OnPictureChange() {
    if (!m_drbNote->DirtyFlag())
        return;
    clsQuillaryItem* note = m_Database.GetRecordObject(m_lstNotes->currentIndex());
    m_Database.m_FileDirtyFlag = true;
    SetAppTitle();
    if (note)
        note->SetDirtyFlag(true);
    UpdateSyncStatus();
}

void frmMain::AddNote() {
    if (!SaveChanges())
        return;
    m_Database.InsertRecordItem(0);
    m_Settings.SetSetting(QStringLiteral("Default Record Index"), QStringLiteral("0"));
    RefreshDisplayFromDatabaseObject();
    m_Database.m_FileDirtyFlag = true;
    SetAppTitle();
    // The new note is there to be written: its text takes the typing, after its title.
    m_txtNote->setFocus();
    m_txtNote->moveCursor(QTextCursor::End);
}

void frmMain::RemoveNote() {
    int i = m_lstNotes->currentIndex();
    if (i < 0)
        return;
    if (m_lstNotes->count() < 2) {
        m_Services.messageBox(QStringLiteral("Must have at least one note in database"), kAppTitle,
                              MsgButtons::Ok, MsgIcon::None);
        return;
    }
    if (m_Services.messageBox(QStringLiteral("Are you sure you want to delete the current note?"),
                              kAppTitle, MsgButtons::YesNo, MsgIcon::Exclamation) != MsgResult::Yes)
        return;
    m_PictureHistories->Forget(m_PictureKey);
    m_PictureKey = 0;
    m_drbNote->SetUndoStack(nullptr);
    m_Database.DeleteRecord(i);
    {
        const QSignalBlocker block(m_lstNotes);
        m_lstNotes->removeItem(i);
    }
    if (i == m_lstNotes->count())
        --i;
    m_CurrentNoteIndex = -1; // the deleted note's panes go nowhere
    m_drbNote->SetDirtyFlag(false);
    m_PictureUnreadable = false;
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
    QString title = m_Database.m_FileDirtyFlag ? kAppTitle + QChar('*') : kAppTitle;
    // Which file is shown: a recent file may belong to no user in the selector.
    const QString file = QString::fromStdString(m_Database.GetFileName());
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
    const int i = m_CurrentNoteIndex;
    if (i >= 0 && i < m_Database.GetNumRecords())
        UpdateStatusBar(FromCp1252(m_Database.GetCategory(i)), m_Database.CalcDBSize(),
                        m_Database.GetItemSize(i), m_Database.GetNumRecords(),
                        m_Database.GetUniqueID(i));
    UpdateNoteButtons();
    UpdateSyncStatus();
    SetAppTitle();
}

QString frmMain::FormatKb(qint64 bytes) {
    const qint64 tenths = (bytes + 50) / 100; // kilobytes to one decimal, rounded
    const qint64 whole = tenths / 10;
    const qint64 fraction = tenths % 10;
    QString digits = whole == 0 ? QString() : QString::number(whole);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QChar(','));
    if (fraction != 0)
        digits += QChar('.') + QString::number(fraction);
    return digits.isEmpty() ? QStringLiteral("0") : digits;
}

void frmMain::UpdateStatusBar(const QString& category, qint64 dbSize, qint64 noteSize, int count,
                              quint32 recordId) {
    m_Panels.at(0)->setText(category);
    if (dbSize > 0)
        m_Panels.at(1)->setText(QStringLiteral("DB: ") + FormatKb(dbSize) + QStringLiteral(" kb"));
    if (noteSize > 0)
        m_Panels.at(2)->setText(QStringLiteral("Note: ") + FormatKb(noteSize) +
                                QStringLiteral(" kb"));
    if (count > 0)
        m_Panels.at(3)->setText(QString::number(count) +
                                (count == 1 ? QStringLiteral(" note") : QStringLiteral(" notes")));
    m_Panels.at(4)->setText(recordId != 0 ? QStringLiteral("ID: ") + QString::number(recordId)
                                          : QStringLiteral("New Record"));
    // Each panel keeps room for its text, and the window for all five panels, so that
    // they never overlap at the smallest window size.
    int needed = 24; // the size grip and the status bar's margins
    for (QLabel* panel : m_Panels) {
        panel->setMinimumWidth(std::max(60, panel->sizeHint().width()));
        needed += panel->minimumWidth() + 6;
    }
    setMinimumWidth(needed);
}

QStringList frmMain::StatusPanelTexts() const {
    QStringList texts;
    for (const QLabel* panel : m_Panels)
        texts << panel->text();
    return texts;
}

void frmMain::UpdateNoteButtons() {
    const int position = m_lstNotes->currentIndex();
    m_Commands->SetNoteButtons(position != 0, position != m_lstNotes->count() - 1);
}

void frmMain::UpdateSyncStatus() {
    if (m_CurrentNoteIndex < 0)
        return;
    bool anyDirty = false;
    for (int i = 0; i < m_Database.GetNumRecords() && !anyDirty; ++i)
        anyDirty = m_Database.GetRecordObject(i)->DirtyFlag();
    QPalette palette = m_lblUser->palette();
    palette.setColor(QPalette::WindowText, anyDirty ? QColor(255, 0, 0) : QColor(0, 0, 255));
    m_lblUser->setPalette(palette);
    m_lblUser->setToolTip(anyDirty ? QStringLiteral("PC has changes since last HotSync.")
                                   : QStringLiteral("PC has no changes since last HotSync."));
    const clsQuillaryItem* note = m_Database.GetRecordObject(m_CurrentNoteIndex);
    m_Commands->SetNoteFlag(note && note->DirtyFlag());
}

void frmMain::OnCategoryPanelClicked() {
    if (m_CurrentNoteIndex < 0)
        return;
    std::vector<std::string> labels;
    const int c = m_Database.GetCategoryList(labels);
    QStringList items;
    for (const std::string& label : labels)
        items << FromCp1252(label);
    items << QStringLiteral("-") << QStringLiteral("Edit Categories...");
    const int k = clsPopupMenu().Popup(m_Services, items);
    if (k >= 1 && k <= c)
        SetCurrentNoteCategory(k - 1);
    else if (k == c + 2)
        m_Commands->RunDialog(QStringLiteral("EditCategories"));
}

void frmMain::SetCurrentNoteCategory(int category) {
    std::vector<std::string> labels;
    if (m_CurrentNoteIndex < 0 || category < 0 || category >= m_Database.GetCategoryList(labels))
        return;
    if (category == m_Database.GetCategoryIndex(m_CurrentNoteIndex))
        return;
    m_Database.SetCategoryIndex(m_CurrentNoteIndex, category);
    m_Database.GetRecordObject(m_CurrentNoteIndex)->SetDirtyFlag(true);
    m_Database.m_FileDirtyFlag = true;
    UpdateFormStatus();
}

// ---------------------------------------------------------------------------------------
// Layout

void frmMain::ResizeMe() {
    m_txtNote->setFont(GetEditorFont(m_Settings));
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
    if (m_PictureUnreadable) {
        // The line that says so sits over the picture, which moves down under it.
        const int lineHeight =
            std::min(m_lblPictureProblem->heightForWidth(picture.width()), picture.height() / 2);
        m_lblPictureProblem->setGeometry(picture.x(), picture.y(), picture.width(), lineHeight);
        m_lblPictureProblem->raise();
        picture.setTop(picture.top() + lineHeight);
    }
    m_drbNote->setGeometry(picture);
    m_fmeDivide->setGeometry(place(m_Layout.divider));
    m_txtNote->setGeometry(place(m_Layout.text));
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
    if (watched == m_txtNote && event->type() == QEvent::ShortcutOverride) {
        // Let the window's Cut/Copy/Paste/Select All run, so they reach the clipboard the
        // same way from every pane.
        auto* key = static_cast<QKeyEvent*>(event);
        for (auto standard :
             {QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste, QKeySequence::SelectAll})
            if (key->matches(standard)) {
                event->ignore();
                return true;
            }
    }
    if (watched == m_txtNote && event->type() == QEvent::KeyPress &&
        RefuseTypedText(static_cast<QKeyEvent*>(event)))
        return true;
    if (watched == m_Panels.value(0) && event->type() == QEvent::MouseButtonRelease) {
        OnCategoryPanelClicked();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------
// Insert databases and imports

QString frmMain::GetInsertFolder() const {
    if (m_CurrentUserIndex < 0)
        return QString();
    return GetUserInsertFolder(m_Desk, m_Users, m_cmbUser->itemData(m_CurrentUserIndex).toInt());
}

QString frmMain::CurrentUserName() const {
    if (m_CurrentUserIndex < 0)
        return QString();
    return m_Users.names.value(m_cmbUser->itemData(m_CurrentUserIndex).toInt());
}

std::function<void(int)> frmMain::ProgressBarReporter() {
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    return [report = ProgressReporter(), clock](int value) {
        if (clock->elapsed() < 50)
            return;
        clock->restart();
        report(value);
    };
}

void frmMain::RefreshAfterImport() {
    if (m_Database.GetNumRecords() < 1)
        m_Database.AddNewRecord(0);
    RefreshDisplayFromDatabaseObject();
    UpdateFormStatus();
    emit databaseReloaded();
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
    if (QuerySaveChanges()) {
        const QSignalBlocker block(m_cmbUser);
        m_cmbUser->setCurrentIndex(m_CurrentUserIndex);
        event->ignore();
        return;
    }
    // The find window stores its settings as it closes: close it before they are written.
    CloseFindWindow();
    StoreGeometry();
    m_Settings.Save();
    if (m_Splash)
        m_Splash->close();
    event->accept();
}

} // namespace quillary
