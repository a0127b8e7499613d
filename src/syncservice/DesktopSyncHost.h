// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sync/SyncSession.h"

#include <QDBusConnection>
#include <QString>

namespace quillary {

// The desktop's answers to one sync, for a sync thread: the users and folders exactly as
// the window finds them (users.txt in the desktop folder, the same settings file, the
// same QUILLARY_DESKTOP_DIR and QUILLARY_CONFIG_DIR), the window's say over D-Bus
// (clsNotify), and the log in the user's folder. Never shows anything; a window that is
// not running lets the sync go ahead. The settings file is only read, never written.
class DesktopSyncHost : public sync::SyncHost {
public:
    struct Options {
        bool acceptNew = false; // --accept-new: a new handheld user is added without asking
        // How long the window's question about a new handheld may wait for the person.
        int questionTimeoutMs = 120000;
    };

    // Opens a session-bus connection of its own (closed again by the destructor), so its
    // blocking calls never run the window's slots in this thread when both share a
    // process.
    explicit DesktopSyncHost(Options options);
    ~DesktopSyncHost() override;
    DesktopSyncHost(const DesktopSyncHost&) = delete;
    DesktopSyncHost& operator=(const DesktopSyncHost&) = delete;

    std::optional<sync::SyncUser> FindUser(const std::string& handheldName,
                                           uint32_t handheldUserId) override;
    // Also the way for a handheld that never synchronized (ID 0) to sync as the PC user of
    // its name, with the same agreement as a new user.
    std::optional<sync::SyncUser> AddUser(const std::string& handheldName, uint32_t handheldUserId,
                                          std::string* refusal) override;
    bool BeforeSync(const sync::SyncUser& user, std::string* refusal) override;
    void AfterSync(const sync::SyncUser& user, const sync::SyncReport& report) override;
    uint32_t PcId() const override;
    sync::DlpTime Now() const override;

    // Appends the sync to <user folder>/HotSync.log (date, handheld, outcome, every line of
    // report.log). Without a user (refused before one was known) or when the log cannot be
    // written, the same text goes to stderr. `peer` names the handheld's address.
    static void WriteLog(const sync::SyncReport& report, const QString& peer);
    // The text WriteLog writes, one sync.
    static QString LogText(const sync::SyncReport& report, const QString& peer,
                           const QDateTime& when);

    // This machine's ID for the handheld's "last sync PC": the same on every run, never 0.
    static uint32_t MachinePcId();

private:
    // Whether the window offers its HotSync callback on the bus now.
    bool WindowRuns();
    // Whether a new handheld user may be added: --accept-new, else the window's question
    // when it runs, else the setting "Accept New Handhelds".
    bool MayAddUser(const QString& name, uint32_t userId, std::string* refusal);

    Options m_Options;
    QString m_BusName;
    QDBusConnection m_Bus;
};

} // namespace quillary
