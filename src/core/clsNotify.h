// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

namespace quillary {

// The HotSync callback. Sync tools call HS_Notify over the D-Bus session bus (service
// kServiceName, object kObjectPath, interface kInterfaceName) around a synchronisation.
// The call only compares the synced user with the shown one, answers and arms one of the
// host's two timers; the refusal message and the reread happen later, in the timer ticks.
class clsNotify : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.quillary.HotSync")
public:
    static constexpr const char* kServiceName = "org.quillary.Quillary";
    static constexpr const char* kObjectPath = "/org/quillary/HotSync";
    static constexpr const char* kInterfaceName = "org.quillary.HotSync";

    // The notifier's codes as 32-bit patterns; on the bus they travel as signed int32
    // (−1074266111, −1074266114, −1074266110).
    static constexpr quint32 kCodeSyncStarting = 0xBFF80001u; // may refuse the HotSync
    static constexpr quint32 kCodeSyncDoneA = 0xBFF7FFFEu;    // reread after the HotSync
    static constexpr quint32 kCodeSyncDoneB = 0xBFF80002u;    // reread after the HotSync

    // Timer indexes of the host.
    static constexpr int kRefusalTimer = 0;
    static constexpr int kReloadTimer = 1;

    // What the callback reads and arms. Implementations must not show anything or read
    // files here: the caller is waiting for the answer.
    class Host {
    public:
        virtual ~Host() = default;
        // False when no user is shown.
        virtual bool CurrentUserId(qint32* id) const = 0;
        virtual bool HasUnsavedChanges() const = 0;
        // Enables the one-shot timer; an armed timer stays armed.
        virtual void ArmNotifyTimer(int index) = 0;
        // A sync of the shown user was let through: its file may change until the end
        // code comes, and is reread then.
        virtual void SyncUnderWay() = 0;
        // Unlike the rest, this one waits for the person: asks whether a handheld user
        // the PC does not know (name as UTF-8, the handheld's user ID) may be added.
        virtual bool AskAddHandheldUser(const QString& name, qint32 userId) = 0;
        // A sync of a user other than the one shown has ended; that user may be new.
        virtual void OtherUserSynced(qint32 userId) { (void)userId; }
    };

    explicit clsNotify(Host& host, QObject* parent = nullptr);

public slots:
    // True refuses the HotSync of userId; false allows it (and is the answer to every code
    // other than the start code). The arguments are only read.
    bool HS_Notify(qint32 code, qint32 userId);
    // The sync service asks this when a handheld user the PC does not know wants to sync.
    // True lets it add the user; the answer waits for the person, so callers give it a
    // long timeout.
    bool HS_AskNewUser(const QString& name, qint32 userId);

private:
    bool IsCurrentUser(qint32 userId) const;

    Host& m_Host;
};

} // namespace quillary
