// SPDX-License-Identifier: GPL-3.0-or-later
#include "clsNotify.h"

namespace quillary {

clsNotify::clsNotify(Host& host, QObject* parent) : QObject(parent), m_Host(host) {
    setObjectName(QStringLiteral("clsNotify"));
}

bool clsNotify::IsCurrentUser(qint32 userId) const {
    qint32 shown = 0;
    return m_Host.CurrentUserId(&shown) && shown == userId;
}

bool clsNotify::HS_Notify(qint32 code, qint32 userId) {
    switch (quint32(code)) {
    case kCodeSyncStarting:
        if (!IsCurrentUser(userId))
            return false;
        if (m_Host.HasUnsavedChanges()) {
            m_Host.ArmNotifyTimer(kRefusalTimer);
            return true;
        }
        m_Host.SyncUnderWay();
        return false;
    case kCodeSyncDoneA:
    case kCodeSyncDoneB:
        if (IsCurrentUser(userId))
            m_Host.ArmNotifyTimer(kReloadTimer);
        else
            m_Host.OtherUserSynced(userId);
        return false;
    default:
        return false;
    }
}

bool clsNotify::HS_AskNewUser(const QString& name, qint32 userId) {
    return m_Host.AskAddHandheldUser(name, userId);
}

} // namespace quillary
