// SPDX-License-Identifier: GPL-3.0-or-later
#include "HotSyncHandler.h"

#include "session/OpenFileGuard.h"
#include "frmMain.h"
#include "core/PlatformServices.h"
#include "core/modGlobals.h"
#include "storage/clsDatabase.h"

#include <QApplication>
#include <QDBusConnectionInterface>
#include <QStatusBar>

namespace quillary {

namespace {

const QString kRefusalTitle = QStringLiteral("Synchronization Error!");
const QString kRefusalText =
    QStringLiteral("Synchronization was stopped, because the current user has unsaved "
                   "changes!\rTry saving your changes and then resynchronizing.");
const QString kRereadQuestion = QStringLiteral(
    "The HotSync has rewritten the notes of the current user, but your changes are not "
    "saved.\rRead the synchronized notes again and discard your changes?");

constexpr int kOffNoticeMs = 15000;

} // namespace

HotSyncHandler::HotSyncHandler(frmMain& window)
    : QObject(&window), m_Window(window), m_Bus(QString()) {
    setObjectName(QStringLiteral("HotSyncHandler"));
    for (int i = 0; i < int(m_tmrNotify.size()); ++i) {
        auto* timer = new QTimer(this);
        timer->setObjectName(QStringLiteral("tmrNotify%1").arg(i));
        timer->setSingleShot(true);
        timer->setInterval(kTimerInterval);
        connect(timer, &QTimer::timeout, this, [this, i] { OnNotifyTimer(i); });
        m_tmrNotify[i] = timer;
    }
    m_SyncUnderWay = new QTimer(this);
    m_SyncUnderWay->setObjectName(QStringLiteral("tmrSyncUnderWay"));
    m_SyncUnderWay->setSingleShot(true);
    m_SyncUnderWay->setInterval(kSyncUnderWayLimit);
    m_Notify = new clsNotify(*this, this);
    // The file changes while a HotSync runs; its end rereads it, so the watch asks nothing.
    m_Guard = &window.FileGuard();
    m_Guard->SetHotSyncPending([this] {
        return m_SyncUnderWay->isActive() ||
               m_tmrNotify.at(clsNotify::kReloadTimer)->isActive();
    });
    // A sync that never said it ended: what it changed is looked at as any other change.
    connect(m_SyncUnderWay, &QTimer::timeout, this, [this] {
        if (m_Guard)
            m_Guard->CheckFileNow();
    });
}

HotSyncHandler::~HotSyncHandler() {
    if (m_Guard) // the window's session may already be gone
        m_Guard->SetHotSyncPending(nullptr);
    if (m_Registered) {
        m_Bus.unregisterService(QString::fromLatin1(clsNotify::kServiceName));
        m_Bus.unregisterObject(QString::fromLatin1(clsNotify::kObjectPath));
    }
}

bool HotSyncHandler::Register(const QDBusConnection& bus) {
    if (m_Registered)
        return true;
    m_Bus = bus;
    if (!m_Bus.isConnected()) {
        ReportOff(QStringLiteral("no D-Bus session bus"), m_Bus.lastError().message());
        return false;
    }
    const QString path = QString::fromLatin1(clsNotify::kObjectPath);
    const QString service = QString::fromLatin1(clsNotify::kServiceName);
    if (!m_Bus.registerObject(path, m_Notify, QDBusConnection::ExportAllSlots)) {
        ReportOff(QStringLiteral("the object ") + path +
                      QStringLiteral(" is already in use on the session bus"),
                  m_Bus.lastError().message());
        return false;
    }
    // Never queue for the name: a queued owner would answer nothing while it waits.
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        m_Bus.interface()->registerService(service, QDBusConnectionInterface::DontQueueService,
                                           QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        m_Bus.unregisterObject(path);
        ReportOff(QStringLiteral("another program owns the name ") + service +
                      QStringLiteral(" on the session bus"),
                  reply.error().message());
        return false;
    }
    m_Registered = true;
    return true;
}

void HotSyncHandler::ReportOff(const QString& reason, const QString& detail) {
    m_OffNotice = QStringLiteral("HotSync notification is off: ") + reason + QChar('.');
    qWarning("%s%s", qPrintable(m_OffNotice),
             qPrintable(detail.isEmpty() ? QString() : QChar(' ') + detail));
    m_Window.statusBar()->showMessage(m_OffNotice, kOffNoticeMs);
}

// ---------------------------------------------------------------------------------------
// What the callback reads and arms

bool HotSyncHandler::CurrentUserId(qint32* id) const {
    return m_Window.CurrentUserId(id);
}

bool HotSyncHandler::HasUnsavedChanges() const {
    return m_Window.Session().IsDirty();
}

void HotSyncHandler::ArmNotifyTimer(int index) {
    QTimer* timer = m_tmrNotify.at(index);
    if (!timer->isActive()) // an armed timer keeps its first deadline
        timer->start();
    // The end has come; the reread takes over.
    if (index == clsNotify::kReloadTimer)
        m_SyncUnderWay->stop();
}

void HotSyncHandler::SyncUnderWay() {
    m_SyncUnderWay->start();
}

void HotSyncHandler::OtherUserSynced(qint32 userId) {
    if (m_Window.Session().Users().ids.contains(userId))
        return;
    // After the answer has gone back: the callback itself only answers.
    QTimer::singleShot(0, &m_Window, [window = &m_Window] { window->TakeInAddedUsers(); });
}

bool HotSyncHandler::AskAddHandheldUser(const QString& name, qint32 userId) {
    // A handheld with ID 0 has never synchronized: it may be a known user's after a reset.
    const QString text =
        userId == 0
            ? QStringLiteral("A handheld that has never synchronized, of the HotSync user \"") +
                  name +
                  QStringLiteral("\", wants to synchronize.\rSynchronize it with this PC's "
                                 "user of that name (added, with a folder of its own, if there "
                                 "is none)?")
            : QStringLiteral("A handheld of the HotSync user \"") + name +
                  QStringLiteral("\" (user ID ") + QString::number(quint32(userId)) +
                  QStringLiteral(") wants to synchronize, but this PC does not know that "
                                 "user.\rAdd the user, with a folder of its own, and "
                                 "synchronize?");
    return m_Window.Context().services.messageBox(text, QStringLiteral("Network HotSync"),
                                                  MsgButtons::YesNo, MsgIcon::Question) ==
           MsgResult::Yes;
}

// ---------------------------------------------------------------------------------------
// Timer ticks, on the GUI thread

void HotSyncHandler::OnNotifyTimer(int index) {
    m_tmrNotify.at(index)->stop();
    if (index == clsNotify::kRefusalTimer)
        ShowRefusal();
    else
        RereadCurrentUser();
}

void HotSyncHandler::ShowRefusal() {
    m_Window.Context().services.messageBox(kRefusalText, kRefusalTitle, MsgButtons::Ok,
                                           MsgIcon::Critical);
}

void HotSyncHandler::RereadCurrentUser() {
    // A dialog or menu may hold on to the notes being replaced: wait until it is closed.
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) {
        m_tmrNotify.at(clsNotify::kReloadTimer)->start();
        return;
    }
    qint32 id = 0;
    if (!m_Window.CurrentUserId(&id))
        return;
    // Edits made while the HotSync ran (or kept after a refused one) are not thrown away
    // without asking.
    if (m_Window.Session().IsDirty() &&
        m_Window.Context().services.messageBox(kRereadQuestion, kAppTitle, MsgButtons::YesNo,
                                               MsgIcon::Exclamation) != MsgResult::Yes) {
        // The synchronized file stays as it is; a save asks before replacing it and keeps
        // it as an earlier version.
        m_Window.FileGuard().KeepOwnOverFile();
        return;
    }
    m_Window.ReloadCurrentUser();
}

// ---------------------------------------------------------------------------------------

bool StartHotSyncNotification(frmMain& window) {
    return StartHotSyncNotification(window, QDBusConnection::sessionBus());
}

bool StartHotSyncNotification(frmMain& window, const QDBusConnection& bus) {
    auto* handler = window.findChild<HotSyncHandler*>(QString(), Qt::FindDirectChildrenOnly);
    if (!handler)
        handler = new HotSyncHandler(window);
    return handler->Register(bus);
}

} // namespace quillary
