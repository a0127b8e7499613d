// SPDX-License-Identifier: GPL-3.0-or-later
#include "NotesSession.h"

#include "OpenFileGuard.h"
#include "PictureHistories.h"
#include "core/DatabaseDialogs.h"
#include "core/PlatformServices.h"
#include "core/TextCodec.h"
#include "core/SettingsKeys.h"
#include "core/clsSettings.h"
#include "core/modGlobals.h"
#include "storage/TextUtil.h"
#include "storage/clsDatabase.h"
#include "storage/clsQuillaryItem.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <unordered_set>

namespace quillary {

namespace {

} // namespace

NotesSession::NotesSession(PlatformServices& services, clsSettings& settings,
                           clsDatabase& database, QObject* parent)
    : QObject(parent), m_Context{services, settings, &database}, m_Database(database),
      m_Desk(&settings), m_Histories(std::make_unique<PictureHistories>()) {
    setObjectName(QStringLiteral("NotesSession"));
    m_Database.m_NewNoteTitle = [this] { return NewNoteTitle(); };
    m_FileGuard = new OpenFileGuard(*this);
    m_ShownDirty = m_Database.m_FileDirtyFlag;
}

NotesSession::~NotesSession() {
    m_Database.m_NewNoteTitle = nullptr;
}

// ---------------------------------------------------------------------------------------
// Users

void NotesSession::LoadUsers() {
    m_Desk.Reload();
    if (!m_Desk.Warnings().isEmpty())
        ReportError(m_Context, QStringLiteral("Some HotSync users could not be read:\r") +
                                   m_Desk.Warnings().join(QChar('\r')));
    m_Users = UserTable::Load(m_Desk);
}

bool NotesSession::TakeInAddedUsers() {
    KWDeskLibrary desk(&Settings());
    desk.Reload();
    const UserTable fresh = UserTable::Load(desk);
    if (fresh.Count() <= m_Users.Count())
        return false;
    for (int u = 0; u < m_Users.Count(); ++u)
        if (fresh.ids.at(u) != m_Users.ids.at(u) || fresh.names.at(u) != m_Users.names.at(u) ||
            fresh.directories.at(u) != m_Users.directories.at(u))
            return false;
    m_Desk.Reload();
    m_Users = fresh;
    return true;
}

int NotesSession::DefaultUser() const {
    if (m_Users.Count() == 0)
        return -1;
    const qint64 wanted = LeadingNumber(Settings().Get(Config::DefaultUserId).toStdString());
    int user = 0;
    for (int u = 0; u < m_Users.Count(); ++u)
        if (m_Users.ids.value(u) == wanted)
            user = u; // the last match wins
    return user;
}

bool NotesSession::CurrentUserId(qint32* id) const {
    if (m_CurrentUser < 0)
        return false;
    *id = m_Users.ids.value(m_CurrentUser);
    return true;
}

QString NotesSession::CurrentUserName() const {
    return m_CurrentUser < 0 ? QString() : m_Users.names.value(m_CurrentUser);
}

QString NotesSession::GetUserFileName(int user) const {
    return quillary::GetUserFileName(m_Desk, m_Users, user);
}

QString NotesSession::GetInsertFolder() const {
    return m_CurrentUser < 0 ? QString() : GetUserInsertFolder(m_Desk, m_Users, m_CurrentUser);
}

int NotesSession::UserOfFile(const std::string& file) const {
    if (file.empty())
        return -1;
    for (int u = 0; u < m_Users.Count(); ++u)
        if (GetUserFileName(u).toStdString() == file)
            return u;
    return -1;
}

bool NotesSession::SelectUser(int user) {
    emit userAboutToChange();
    const int previousUser = m_CurrentUser;
    // The value as stored, to put back as it was.
    const QString previousId = Settings().GetSetting(KeyName(Config::DefaultUserId));
    const std::string previousFile = m_Database.GetFileName();

    m_CurrentUser = user;
    Settings().SetInt(Config::DefaultUserId, m_Users.ids.value(user));
    const QString path = GetUserFileName(user);
    if (QFileInfo::exists(path)) {
        m_Database.SetFileName(path.toStdString());
        if (!OpenCurrentFile()) {
            // The notes shown still belong to the previous file: keep pointing there, or
            // the next save would write them over this user's file. Without a previous
            // user (start-up, Refresh) the shown notes still have an owner, so that
            // discarding them asks first and a HotSync of that user is refused.
            m_Database.SetFileName(previousFile);
            int shown = previousUser;
            if (shown < 0)
                shown = UserOfFile(previousFile);
            if (shown < 0)
                shown = user;
            m_CurrentUser = shown;
            Settings().Set(Config::DefaultUserId,
                           shown == previousUser ? previousId
                                                 : QString::number(m_Users.ids.value(shown)));
            emit currentUserChanged(m_CurrentUser);
            return false;
        }
    } else {
        NewDatabase();
        m_Database.SetFileName(path.toStdString());
        emit fileNameChanged(); // the notes will be saved to this user's file
    }
    // A user chosen is remembered at once, not only when the window closes: a program
    // that is killed still starts with that user. A reread of the same user writes nothing.
    if (Settings().GetSetting(KeyName(Config::DefaultUserId)) != previousId)
        Settings().Save();
    emit currentUserChanged(m_CurrentUser);
    emit databaseReloaded();
    return true;
}

void NotesSession::ReloadCurrentUser() {
    const int user = m_CurrentUser;
    // What is being typed goes into the notes first, so the earlier version kept of the
    // notes shown holds it too.
    CommitEdits();
    m_FileGuard->BeforeReread(OpenFileGuard::Cause::HotSync);
    m_CurrentUser = -1;
    if (user >= 0)
        SelectUser(user);
    if (m_CurrentUser < 0 && user >= 0) {
        // The file could not be read again: the shown notes stay this user's.
        m_CurrentUser = user;
        emit currentUserChanged(user);
    }
    m_FileGuard->AfterReread();
}

// ---------------------------------------------------------------------------------------
// Files

QString NotesSession::FileName() const {
    return QString::fromStdString(m_Database.GetFileName());
}

bool NotesSession::OpenCurrentFile() {
    ShowProgress(true);
    const bool ok = OpenDatabaseInteractive(m_Context, m_Database, RawProgress(),
                                            [this] { ShowProgress(false); });
    if (ok) {
        emit fileUsed(FileName());
        if (m_Database.GetNumRecords() < 1)
            m_Database.AddNewRecord(0);
        DirtyMayHaveChanged();
        emit notesReplaced(true); // another file's or user's notes
    }
    ShowProgress(false);
    return ok;
}

bool NotesSession::OpenFile(const QString& path) {
    const std::string previousFile = m_Database.GetFileName();
    m_Database.SetFileName(path.toStdString());
    if (!OpenCurrentFile()) {
        m_Database.SetFileName(previousFile);
        return false;
    }
    emit databaseReloaded();
    return true;
}

bool NotesSession::Save() {
    // Another program's change is not replaced without asking; the file as it was is kept.
    if (!m_FileGuard->BeforeSave())
        return false;
    CreateUserFolder();
    ShowProgress(true);
    const bool ok = SaveDatabaseInteractive(m_Context, m_Database, RawProgress(),
                                            [this] { ShowProgress(false); });
    ShowProgress(false);
    m_FileGuard->AfterSave(ok);
    if (ok) {
        emit fileUsed(FileName());
        // An edit the note could not take is not in the file.
        if (m_View && m_View->HoldsUnstoredEdits())
            m_Database.m_FileDirtyFlag = true;
        emit databaseReloaded();
    }
    DirtyMayHaveChanged();
    emit fileNameChanged(); // a save without a name asked for one
    return ok;
}

bool NotesSession::QuerySaveChanges() {
    if (m_CurrentUser < 0 || !m_Database.m_FileDirtyFlag)
        return false;
    const MsgResult answer = Services().messageBox(
        QStringLiteral("Do you want to save your changes for user \r") + CurrentUserName() +
            QStringLiteral(" for the current session?"),
        kAppTitle, MsgButtons::YesNoCancel, MsgIcon::Exclamation);
    switch (answer) {
    case MsgResult::Yes:
        CommitEdits();
        // A save that failed has been reported, and an edit the note cannot hold is still
        // unsaved: going on would throw the changes away.
        return !Save() || m_Database.m_FileDirtyFlag;
    case MsgResult::No:
        return false;
    default:
        return true;
    }
}

void NotesSession::NewDatabase() {
    m_Database.AddNewDatabase();
    m_Database.AddNewRecord(0);
    DirtyMayHaveChanged();
    emit notesReplaced(true);
}

void NotesSession::CreateUserFolder() {
    // A user listed in users.txt may have no folder yet: it is made on the first save,
    // but only inside the desktop folder.
    const QString file = FileName();
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

// ---------------------------------------------------------------------------------------
// The unsaved state

bool NotesSession::IsDirty() const {
    return m_Database.m_FileDirtyFlag;
}

void NotesSession::SetDirty(bool dirty) {
    m_Database.m_FileDirtyFlag = dirty;
    DirtyMayHaveChanged();
}

void NotesSession::DirtyMayHaveChanged() {
    if (m_Database.m_FileDirtyFlag == m_ShownDirty)
        return;
    m_ShownDirty = m_Database.m_FileDirtyFlag;
    emit dirtyChanged(m_ShownDirty);
}

// ---------------------------------------------------------------------------------------
// Notes

void NotesSession::SetCurrentNote(int record) {
    m_CurrentNote = record;
    emit currentNoteChanged(record);
}

bool NotesSession::CommitEdits() {
    return m_View ? m_View->CommitEdits() : true;
}

void NotesSession::AddNote() {
    m_Database.InsertRecordItem(0);
    Settings().SetInt(Config::DefaultRecordIndex, 0);
    MarkChanged();
}

bool NotesSession::RemoveNote(int record) {
    if (record < 0 || record >= m_Database.GetNumRecords())
        return false;
    if (m_Database.GetNumRecords() < 2) {
        Services().messageBox(QStringLiteral("Must have at least one note in database"), kAppTitle,
                              MsgButtons::Ok, MsgIcon::None);
        return false;
    }
    if (Services().messageBox(QStringLiteral("Are you sure you want to delete the current note?"),
                              kAppTitle, MsgButtons::YesNo,
                              MsgIcon::Exclamation) != MsgResult::Yes)
        return false;
    m_Histories->Forget(m_Database.GetRecordObject(record)->Serial());
    m_Database.DeleteRecord(record);
    DirtyMayHaveChanged();
    return true;
}

bool NotesSession::SetNoteCategory(int record, int category) {
    std::vector<std::string> labels;
    if (record < 0 || record >= m_Database.GetNumRecords() || category < 0 ||
        category >= m_Database.GetCategoryList(labels))
        return false;
    if (category == m_Database.GetCategoryIndex(record))
        return false;
    m_Database.SetCategoryIndex(record, category);
    m_Database.GetRecordObject(record)->SetDirtyFlag(true);
    MarkChanged();
    return true;
}

bool NotesSession::AnyNoteChangedSinceHotSync() const {
    for (int i = 0; i < m_Database.GetNumRecords(); ++i)
        if (m_Database.GetRecordObject(i)->DirtyFlag())
            return true;
    return false;
}

void NotesSession::NotesReplaced() {
    if (m_Database.GetNumRecords() < 1)
        m_Database.AddNewRecord(0);
    DirtyMayHaveChanged();
    emit notesReplaced(false);
    emit databaseReloaded();
}

std::string NotesSession::NewNoteTitle() const {
    const QDateTime now = m_Context.services.now();
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

void NotesSession::PruneHistories() {
    const int count = m_Database.GetNumRecords();
    std::unordered_set<uint64_t> live;
    live.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        live.insert(m_Database.GetRecordObject(i)->Serial());
    m_Histories->Retain([&live](uint64_t key) { return live.contains(key); });
}

void NotesSession::ShowProgress(bool show) {
    if (m_View)
        m_View->ShowProgress(show);
}

std::function<void(int)> NotesSession::RawProgress() {
    if (m_View)
        return m_View->ProgressReporter();
    return [](int) {};
}

std::function<void(int)> NotesSession::ProgressReporter() {
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    return [report = RawProgress(), clock](int value) {
        if (clock->elapsed() < 50)
            return;
        clock->restart();
        report(value);
    };
}

} // namespace quillary
