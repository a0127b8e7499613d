// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "storage/NoteChanges.h"
#include "storage/VersionStore.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

#include <functional>

class QFileSystemWatcher;
class clsDatabase;

namespace quillary {

class NotesSession;

// Looks after the session's open notes file, so no note is lost to a save, a
// HotSync or another program:
// - keeps the file as it was as an earlier version before a save replaces it, and the
//   notes the window showed once a reread has replaced them (unless the file held just
//   those: the reread's own read tells, no second one);
// - watches the file: a change made by another program is said, with the choice to read
//   it again or keep the window's notes; saving over such a change asks first;
// - after a reread (HotSync, Refresh, outside change) says in the status bar how many notes
//   were added, changed and removed (ReportText; the window offers the list of notes).
// Lives as a child of the session; knows no window.
class OpenFileGuard : public QObject {
    Q_OBJECT
public:
    static constexpr int kSettleMs = 300; // file events of one write come in bursts

    explicit OpenFileGuard(NotesSession& session);
    ~OpenFileGuard() override;

    // Before a save: false when the file was changed by another program and the person
    // chose not to replace it. Otherwise sets how the save keeps the file it replaces as an
    // earlier version (the storage's save keeps it; the window's retention applies, and a
    // version that cannot be kept is reported by AfterSave and does not stop the save).
    bool BeforeSave();
    void AfterSave(bool saved);

    // Around a reread that replaces the shown notes by the file's.
    enum class Cause { HotSync, Refresh, OutsideChange };
    void BeforeReread(Cause cause);
    void AfterReread();

    // The person keeps the window's notes over the file as it is now (asked elsewhere): no
    // more questions about this state of the file until it changes again.
    void KeepOwnOverFile();

    // The versions of the open file (empty path: none).
    VersionStore Store() const;
    VersionRetention Retention() const;
    // Keeps the open file as it is now as a version, for a replacement by an earlier
    // one; false with the reason.
    bool KeepCurrentFile(QString* error);

    const NoteChangeReport& LastReport() const { return m_Report; }
    QString LastReportTitle() const { return m_ReportTitle; }
    // The last report as one short line ("HotSync: 2 notes changed, 1 moved"); "" when
    // there is none for the open file.
    QString ReportText() const { return m_ReportText; }
    // While a HotSync is under way its end rereads the file: no question meanwhile.
    void SetHotSyncPending(std::function<bool()> pending) { m_HotSyncPending = std::move(pending); }
    // Checks the file now instead of after the settle time (tests, and after a dialog).
    void CheckFileNow();

signals:
    // The report changed or went (ReportText).
    void reportChanged();

private:
    struct DiskState {
        bool exists = false;
        qint64 size = -1;
        qint64 modified = -1; // ms since the epoch
        quint64 hash = 0;
        bool operator==(const DiskState&) const = default;
    };
    static DiskState ReadState(const QString& path, bool withHash);
    // The file as the database just read or wrote it: its hash from that read or write
    // when size and time still match, so an open, save or reread reads it no second time.
    DiskState StateAfterOwnAccess(const QString& path) const;
    // The file now; its hash is m_Known's while size and time are as known.
    DiskState StateNow(const QString& path) const;
    bool SameContent(const DiskState& a, const DiskState& b) const;
    QString OpenPath() const;
    void OnDatabaseReloaded();
    void Rewatch();
    void ResetKnown();
    void OnFileEvent();
    void ReportKeepFailure(const QString& why);
    void ShowReport();

    NotesSession& m_Session;
    QFileSystemWatcher* m_Watcher = nullptr;
    QTimer m_Settle;
    std::function<bool()> m_HotSyncPending;
    QString m_ReportText;
    QString m_WatchedPath;
    DiskState m_Known;    // the file as last read or written by the window
    DiskState m_Declined; // a changed file the person chose not to read
    bool m_Asking = false;
    bool m_KeepFailureShown = false;
    Cause m_Cause = Cause::HotSync;
    std::unique_ptr<clsDatabase> m_Before; // the shown notes before a reread
    QString m_BeforePath;                  // their file
    uint64_t m_ShownSize = 0, m_ShownHash = 0; // of the image a save of them would write
    NoteChangeReport m_Report;
    QString m_ReportTitle;
};

} // namespace quillary
