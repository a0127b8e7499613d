// SPDX-License-Identifier: GPL-3.0-or-later
#include "OpenFileGuard.h"

#include "NotesSession.h"
#include "core/PlatformServices.h"
#include "core/SettingsKeys.h"
#include "core/clsSettings.h"
#include "core/modGlobals.h"
#include "storage/FileIO.h"
#include "storage/clsDatabase.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>

namespace quillary {

namespace {


QString Plural(int n, const char* one, const char* many) {
    return QString::number(n) + QLatin1Char(' ') + QString::fromLatin1(n == 1 ? one : many);
}

} // namespace

OpenFileGuard::OpenFileGuard(NotesSession& session) : QObject(&session), m_Session(session) {
    setObjectName(QStringLiteral("OpenFileGuard"));
    m_Watcher = new QFileSystemWatcher(this);
    m_Settle.setSingleShot(true);
    m_Settle.setInterval(kSettleMs);
    connect(&m_Settle, &QTimer::timeout, this, &OpenFileGuard::CheckFileNow);
    connect(m_Watcher, &QFileSystemWatcher::fileChanged, this, &OpenFileGuard::OnFileEvent);
    connect(m_Watcher, &QFileSystemWatcher::directoryChanged, this, &OpenFileGuard::OnFileEvent);
    connect(&session, &NotesSession::databaseReloaded, this, &OpenFileGuard::OnDatabaseReloaded);
}

OpenFileGuard::~OpenFileGuard() = default;

QString OpenFileGuard::OpenPath() const {
    if (m_Session.CurrentUser() < 0)
        return QString();
    return m_Session.FileName();
}

VersionStore OpenFileGuard::Store() const {
    return VersionStore(m_Session.Database().GetFileName());
}

VersionRetention OpenFileGuard::Retention() const {
    clsSettings& settings = m_Session.Settings();
    return ParseVersionRetention(settings.Get(Config::VersionsToKeep).trimmed().toStdString(),
                                 settings.Get(Config::VersionDaysToKeep).trimmed().toStdString());
}

OpenFileGuard::DiskState OpenFileGuard::ReadState(const QString& path, bool withHash) {
    DiskState state;
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile())
        return state;
    state.exists = true;
    state.size = info.size();
    state.modified = info.lastModified().toMSecsSinceEpoch();
    if (withHash) {
        std::vector<uint8_t> bytes;
        if (ReadWholeFile(path.toStdString(), bytes, nullptr))
            state.hash = VersionStore::Hash(bytes.data(), bytes.size());
    }
    return state;
}

OpenFileGuard::DiskState OpenFileGuard::StateAfterOwnAccess(const QString& path) const {
    DiskState state = ReadState(path, false);
    const auto& file = m_Session.Database().LastFileState();
    if (state.exists && file.known && QString::fromStdString(file.path) == path &&
        state.size == qint64(file.size) && state.modified == file.modifiedNs / 1000000) {
        state.hash = file.hash;
        return state;
    }
    return ReadState(path, true);
}

OpenFileGuard::DiskState OpenFileGuard::StateNow(const QString& path) const {
    DiskState state = ReadState(path, false);
    if (state.exists && m_Known.exists && path == m_WatchedPath && state.size == m_Known.size &&
        state.modified == m_Known.modified) {
        state.hash = m_Known.hash;
        return state;
    }
    return ReadState(path, true);
}

bool OpenFileGuard::SameContent(const DiskState& a, const DiskState& b) const {
    if (a.exists != b.exists)
        return false;
    return !a.exists || (a.size == b.size && a.hash == b.hash);
}

// ---------------------------------------------------------------------------------------
// Watching the open file

void OpenFileGuard::OnDatabaseReloaded() {
    // Another file now (opened, another user, saved under a new name). The same file keeps
    // what was known of it: notes imported into the window change nothing on disk.
    if (OpenPath() != m_WatchedPath) {
        ResetKnown();
        if (!m_ReportText.isEmpty()) { // the report was about another file
            m_ReportText.clear();
            emit reportChanged();
        }
    }
}

void OpenFileGuard::ResetKnown() {
    m_Known = StateAfterOwnAccess(OpenPath());
    m_Declined = DiskState{};
    Rewatch();
}

void OpenFileGuard::Rewatch() {
    const QString path = OpenPath();
    if (!m_Watcher->files().isEmpty())
        m_Watcher->removePaths(m_Watcher->files());
    if (!m_Watcher->directories().isEmpty())
        m_Watcher->removePaths(m_Watcher->directories());
    m_WatchedPath = path;
    if (path.isEmpty())
        return;
    // The folder too: a file replaced by renaming another over it is a new file.
    const QFileInfo info(path);
    if (info.exists())
        m_Watcher->addPath(path);
    if (info.dir().exists())
        m_Watcher->addPath(info.absolutePath());
}

void OpenFileGuard::OnFileEvent() {
    // A replaced file drops out of the watch list: watch the new one.
    if (!m_WatchedPath.isEmpty() && !m_Watcher->files().contains(m_WatchedPath) &&
        QFileInfo::exists(m_WatchedPath))
        m_Watcher->addPath(m_WatchedPath);
    m_Settle.start();
}

void OpenFileGuard::CheckFileNow() {
    m_Settle.stop();
    const QString path = OpenPath();
    if (path.isEmpty() || path != m_WatchedPath || m_Asking)
        return;
    DiskState now = ReadState(path, false);
    if (now.exists == m_Known.exists && now.size == m_Known.size &&
        now.modified == m_Known.modified)
        return;
    now = ReadState(path, true);
    if (SameContent(now, m_Known) || (m_Declined.exists && SameContent(now, m_Declined)))
        return;
    // A HotSync says when it is done and is reread then.
    if (m_HotSyncPending && m_HotSyncPending())
        return;
    if (m_Session.View() && m_Session.View()->PersonBusy()) {
        m_Settle.start(); // ask when the person is done with the open dialog or menu
        return;
    }
    const bool dirty = m_Session.IsDirty();
    emit m_Session.statusMessage(QStringLiteral("The notes file was changed by another program."),
                                 15000);
    QString text = QStringLiteral("The notes file\r") + QDir::toNativeSeparators(path) +
                   QStringLiteral("\rwas changed by another program.\r\r");
    if (!now.exists)
        text = QStringLiteral("The notes file\r") + QDir::toNativeSeparators(path) +
               QStringLiteral("\rwas removed or renamed by another program.\r\rThe notes "
                              "shown here are kept; save them to write the file again.");
    else if (dirty)
        text += QStringLiteral("Read it again and drop your unsaved changes here? They are "
                               "kept as an earlier version (File > Earlier Versions...).\r\r"
                               "No keeps the notes shown here; saving them asks before it "
                               "replaces the changed file.");
    else
        text += QStringLiteral("Read it again?\r\rNo keeps the notes shown here; saving them "
                               "asks before it replaces the changed file.");
    m_Asking = true;
    const MsgResult answer = m_Session.Services().messageBox(
        text, kAppTitle, now.exists ? MsgButtons::YesNo : MsgButtons::Ok,
        now.exists ? MsgIcon::Question : MsgIcon::Exclamation);
    m_Asking = false;
    if (now.exists && answer == MsgResult::Yes) {
        m_Cause = Cause::OutsideChange;
        m_Session.ReloadCurrentUser();
        m_Cause = Cause::HotSync;
    } else {
        m_Declined = now;
    }
}

void OpenFileGuard::KeepOwnOverFile() {
    m_Declined = ReadState(OpenPath(), true);
}

// ---------------------------------------------------------------------------------------
// Saving

bool OpenFileGuard::BeforeSave() {
    clsDatabase& db = m_Session.Database();
    // The save itself keeps the file it replaces (as every writer does); the window's
    // settings say how many, and the notes shown are saved even when no version can be kept.
    db.m_VersionPolicy = VersionPolicy{};
    db.m_VersionPolicy.replaceWithoutVersion = true;
    db.m_VersionPolicy.retention = Retention();
    const QString path = QString::fromStdString(db.GetFileName());
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return true;
    if (path == m_WatchedPath) {
        // Size and time as last known: the same file (no second read of a large one).
        DiskState now = ReadState(path, false);
        bool same = now.exists == m_Known.exists && now.size == m_Known.size &&
                    now.modified == m_Known.modified;
        if (!same) {
            now = ReadState(path, true);
            same = SameContent(now, m_Known);
        }
        // Nothing changed on either side: the save writes what the file holds already.
        if (same && !db.m_FileDirtyFlag) {
            db.m_VersionPolicy.keep = false;
            return true;
        }
        if (!same) {
            const MsgResult answer = m_Session.Services().messageBox(
                QStringLiteral("The notes file\r") + QDir::toNativeSeparators(path) +
                    QStringLiteral("\rwas changed by another program after it was read "
                                   "here.\r\rReplace it with the notes shown here? The file as "
                                   "it is now is kept as an earlier version (File > Earlier "
                                   "Versions...)."),
                kAppTitle, MsgButtons::YesNo, MsgIcon::Exclamation);
            if (answer != MsgResult::Yes)
                return false;
        }
    }
    return true;
}

void OpenFileGuard::AfterSave(bool saved) {
    clsDatabase& db = m_Session.Database();
    if (saved) {
        if (!db.VersionWarning().empty())
            ReportKeepFailure(QString::fromStdString(db.VersionWarning()));
        ResetKnown();
    }
    db.m_VersionPolicy = VersionPolicy{};
}

bool OpenFileGuard::KeepCurrentFile(QString* error) {
    std::string why;
    VersionStore store = Store();
    if (!store.KeepFile(&why)) {
        if (error)
            *error = QString::fromStdString(why);
        return false;
    }
    return true;
}

void OpenFileGuard::ReportKeepFailure(const QString& why) {
    const QString text = QStringLiteral("No earlier version of the notes file could be kept:\r") +
                         why + QStringLiteral("\r\rThe notes are saved all the same.");
    emit m_Session.statusMessage(QStringLiteral("No earlier version could be kept: ") +
                                     QString(why).replace('\r', ' '),
                                 15000);
    if (!m_KeepFailureShown) { // once a session; the status bar says it every time
        m_KeepFailureShown = true;
        m_Session.Services().messageBox(text, kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
    }
}

// ---------------------------------------------------------------------------------------
// Rereading

void OpenFileGuard::BeforeReread(Cause cause) {
    m_Cause = cause == Cause::HotSync ? m_Cause : cause;
    m_Before.reset();
    const QString path = OpenPath();
    if (path.isEmpty())
        return;
    clsDatabase& db = m_Session.Database();
    m_Before = db.Snapshot();
    m_BeforePath = path;
    db.ImageSizeAndHash(m_ShownSize, m_ShownHash);
}

void OpenFileGuard::AfterReread() {
    const Cause cause = m_Cause;
    m_Cause = Cause::HotSync;
    ResetKnown();
    if (!m_Before)
        return;
    // What the window showed is gone: it is kept unless the file holds just that. The file
    // is compared as the reread found it, so it is not read a second time to decide.
    const DiskState disk = StateAfterOwnAccess(m_BeforePath);
    if (!disk.exists || disk.size != qint64(m_ShownSize) || disk.hash != m_ShownHash) {
        VersionStore store(m_BeforePath.toStdString());
        std::string why;
        if (!store.KeepBytes(m_Before->GetDatabaseBytes(), &why))
            ReportKeepFailure(QString::fromStdString(why));
        else
            store.Prune(Retention());
    }
    m_Report = CompareNotes(*m_Before, m_Session.Database());
    m_Before.reset();
    if (cause != Cause::HotSync && m_Report.Empty())
        return;
    m_ReportTitle = cause == Cause::HotSync   ? QStringLiteral("HotSync")
                    : cause == Cause::Refresh ? QStringLiteral("Refresh")
                                              : QStringLiteral("Changed by another program");
    ShowReport();
}

void OpenFileGuard::ShowReport() {
    QString text = m_ReportTitle + QStringLiteral(": ");
    if (m_Report.Empty()) {
        text += QStringLiteral("no notes changed");
    } else {
        // Only what happened, so the line stays short enough for the status bar; the first
        // part names the notes ("2 notes changed, 1 moved").
        QStringList parts;
        for (const auto& [count, what] :
             {std::pair{m_Report.added, "added"}, std::pair{m_Report.changed, "changed"},
              std::pair{m_Report.removed, "removed"}, std::pair{m_Report.moved, "moved"}}) {
            if (count == 0)
                continue;
            const QString verb = QString::fromLatin1(what);
            parts << (parts.isEmpty() ? Plural(count, "note ", "notes ") + verb
                                      : QString::number(count) + QLatin1Char(' ') + verb);
        }
        text += parts.join(QStringLiteral(", "));
    }
    m_ReportText = text;
    emit reportChanged();
}

} // namespace quillary
