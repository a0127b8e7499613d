// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/clsNotify.h"

#include <QDBusConnection>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <array>

namespace quillary {

class OpenFileGuard;
class frmMain;

// The main window's side of the HotSync callback: the two one-shot 100 ms timers
// tmrNotify(0) (refusal message) and tmrNotify(1) (reread the shown user's notes), and
// the clsNotify object offered on the D-Bus session bus. Lives as a child of the window.
class HotSyncHandler : public QObject, private clsNotify::Host {
    Q_OBJECT
public:
    static constexpr int kTimerInterval = 100; // ms

    explicit HotSyncHandler(frmMain& window);
    ~HotSyncHandler() override;

    // Offers the callback on the bus under clsNotify::kServiceName. When there is no bus
    // or another process owns the name, tells the person once in the status bar (and on
    // stderr) that HotSync notification is off and returns false; the window works on.
    bool Register(const QDBusConnection& bus);
    bool IsRegistered() const { return m_Registered; }

    clsNotify& Notify() { return *m_Notify; }
    // tmrNotify(index), index 0 or 1; object names "tmrNotify0" and "tmrNotify1".
    QTimer& NotifyTimer(int index) { return *m_tmrNotify.at(index); }
    // Runs from a sync of the shown user being let through until its end code (or, should
    // the end never come, kSyncUnderWayLimit): meanwhile the file's changes are the sync's,
    // and nobody is asked about them. Object name "tmrSyncUnderWay".
    QTimer& SyncUnderWayTimer() { return *m_SyncUnderWay; }
    static constexpr int kSyncUnderWayLimit = 15 * 60 * 1000; // ms

    // The one-line notice shown when notification is off.
    QString OffNotice() const { return m_OffNotice; }

private:
    bool CurrentUserId(qint32* id) const override;
    bool HasUnsavedChanges() const override;
    void ArmNotifyTimer(int index) override;
    void SyncUnderWay() override;
    bool AskAddHandheldUser(const QString& name, qint32 userId) override;
    void OtherUserSynced(qint32 userId) override;

    void OnNotifyTimer(int index);
    void ShowRefusal();
    void RereadCurrentUser();
    // detail (the bus's own words) goes to stderr only.
    void ReportOff(const QString& reason, const QString& detail);

    frmMain& m_Window;
    QPointer<OpenFileGuard> m_Guard;
    std::array<QTimer*, 2> m_tmrNotify{};
    QTimer* m_SyncUnderWay = nullptr;
    clsNotify* m_Notify = nullptr;
    QDBusConnection m_Bus;
    bool m_Registered = false;
    QString m_OffNotice;
};

// Starts HotSync notification for the program's main window on the session bus (or on
// the given bus). Call once, after the window is created and loaded. Returns false when
// notification is off; the reason has been shown in the window's status bar.
bool StartHotSyncNotification(frmMain& window);
bool StartHotSyncNotification(frmMain& window, const QDBusConnection& bus);

} // namespace quillary
