// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesktopSyncHost.h"

#include "core/TextCodec.h"
#include "core/clsNotify.h"
#include "core/clsSettings.h"
#include "core/modKWBase.h"

#include <QAtomicInt>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSysInfo>

#include <cstdio>

namespace quillary {

namespace {

// The "before" question is answered at once by the window; give it as long as
// quillary-hotsync does.
constexpr int kNotifyTimeoutMs = 10000;

QAtomicInt g_ConnectionCount;

std::string Bytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// The PC user at `index` of the user table, with its paths as the window makes them.
sync::SyncUser MakeUser(const KWDeskLibrary& library, const UserTable& users, int index) {
    sync::SyncUser user;
    user.userId = quint32(users.ids.at(index));
    user.name = ToCp1252(users.names.at(index));
    user.folder = Bytes(QDir::cleanPath(GetUserDirectory(library, users, index)));
    user.notesFile = Bytes(QDir::cleanPath(GetUserFileName(library, users, index)));
    user.insertFolder = Bytes(QDir::cleanPath(GetUserInsertFolder(library, users, index)));
    return user;
}

std::optional<sync::SyncUser> Lookup(const QString& name, uint32_t userId) {
    clsSettings settings(clsSettings::DefaultFilePath());
    settings.SetReadOnly(true);
    KWDeskLibrary library(&settings);
    const UserTable users = UserTable::Load(library);
    for (int i = 0; i < users.Count(); ++i)
        if (quint32(users.ids.at(i)) == userId && users.names.at(i) == name)
            return MakeUser(library, users, i);
    return std::nullopt;
}

void Say(const QString& text) {
    std::fprintf(stderr, "quillary-sync: %s\n", qPrintable(text));
    std::fflush(stderr);
}

QString Outcome(const sync::SyncReport& report) {
    switch (report.outcome) {
    case sync::SyncReport::Outcome::Synced:
        return QStringLiteral("synchronized");
    case sync::SyncReport::Outcome::Refused:
        return QStringLiteral("refused: ") + QString::fromStdString(report.reason);
    case sync::SyncReport::Outcome::Failed:
        break;
    }
    return QStringLiteral("failed: ") + QString::fromStdString(report.reason);
}

} // namespace

DesktopSyncHost::DesktopSyncHost(Options options)
    : m_Options(options),
      m_BusName(
          QStringLiteral("quillary-sync host %1").arg(g_ConnectionCount.fetchAndAddOrdered(1))),
      m_Bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_BusName)) {}

DesktopSyncHost::~DesktopSyncHost() {
    QDBusConnection::disconnectFromBus(m_BusName);
}

std::optional<sync::SyncUser> DesktopSyncHost::FindUser(const std::string& handheldName,
                                                        uint32_t handheldUserId) {
    return Lookup(FromCp1252(handheldName), handheldUserId);
}

bool DesktopSyncHost::WindowRuns() {
    if (!m_Bus.isConnected() || !m_Bus.interface())
        return false;
    const QDBusReply<bool> reply =
        m_Bus.interface()->isServiceRegistered(QString::fromLatin1(clsNotify::kServiceName));
    return reply.isValid() && reply.value();
}

bool DesktopSyncHost::MayAddUser(const QString& name, uint32_t userId, std::string* refusal) {
    if (m_Options.acceptNew)
        return true;
    const std::string unknown = "This PC does not know the HotSync user " + ToCp1252(name) + ". ";
    if (WindowRuns()) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QString::fromLatin1(clsNotify::kServiceName),
            QString::fromLatin1(clsNotify::kObjectPath),
            QString::fromLatin1(clsNotify::kInterfaceName), QStringLiteral("HS_AskNewUser"));
        call << name << qint32(userId);
        call.setAutoStartService(false);
        const QDBusReply<bool> reply = m_Bus.call(call, QDBus::Block, m_Options.questionTimeoutMs);
        if (!reply.isValid()) {
            *refusal = unknown + "Quillary did not answer whether to add it.";
            Say(QStringLiteral("Quillary did not answer the question about a new handheld: ") +
                reply.error().message());
            return false;
        }
        if (!reply.value())
            *refusal = unknown + "Adding it was declined on the PC.";
        return reply.value();
    }
    clsSettings settings(clsSettings::DefaultFilePath());
    settings.SetReadOnly(true);
    if (settings.GetFlag(Config::AcceptNewHandhelds))
        return true;
    *refusal = unknown + "Turn on \"Accept New Handhelds\" or run quillary-sync --accept-new, then "
                         "synchronize again.";
    return false;
}

std::optional<sync::SyncUser> DesktopSyncHost::AddUser(const std::string& handheldName,
                                                       uint32_t handheldUserId,
                                                       std::string* refusal) {
    std::string ignored;
    if (!refusal)
        refusal = &ignored;
    const QString name = FromCp1252(handheldName);
    if (!MayAddUser(name, handheldUserId, refusal))
        return std::nullopt;

    clsSettings settings(clsSettings::DefaultFilePath());
    settings.SetReadOnly(true);
    KWDeskLibrary library(&settings);
    // A handheld that never synchronized (ID 0, say after a hard reset) may be the PC user
    // of its name: it syncs as that user and is given that user's ID.
    if (handheldUserId == 0) {
        const UserTable users = UserTable::Load(library);
        const int known = int(users.names.indexOf(name));
        if (known >= 0)
            return MakeUser(library, users, known);
    }
    // Otherwise a handheld that never synchronized is given an ID made from its name.
    qint32 id = qint32(handheldUserId);
    if (id == 0) {
        id = KWDeskLibrary::MakeUserId(name);
        const UserTable users = UserTable::Load(library);
        while (id == 0 || users.ids.contains(id))
            id = qint32(quint32(id) + 1) & 0x7FFFFFFF;
    }
    QString directory, error;
    if (!library.AddUser(id, name, &directory, &error)) {
        *refusal = "The HotSync user " + handheldName +
                   " could not be added on the PC: " + ToCp1252(error) + ".";
        return std::nullopt;
    }
    Say(QStringLiteral("added the HotSync user ") + name + QStringLiteral(" (ID ") +
        QString::number(quint32(id)) + QStringLiteral(") with the folder ") +
        QDir(library.KWUmGetRootDirectory()).filePath(directory));
    return Lookup(name, quint32(id));
}

bool DesktopSyncHost::BeforeSync(const sync::SyncUser& user, std::string* refusal) {
    if (!WindowRuns())
        return true;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(clsNotify::kServiceName), QString::fromLatin1(clsNotify::kObjectPath),
        QString::fromLatin1(clsNotify::kInterfaceName), QStringLiteral("HS_Notify"));
    call << qint32(clsNotify::kCodeSyncStarting) << qint32(user.userId);
    call.setAutoStartService(false);
    const QDBusReply<bool> reply = m_Bus.call(call, QDBus::Block, kNotifyTimeoutMs);
    if (!reply.isValid()) {
        // It may hold unsaved notes of this user: better no sync than a lost edit.
        if (refusal)
            *refusal = "Quillary runs on the PC but did not answer; synchronize again later.";
        Say(QStringLiteral("Quillary did not answer before the sync: ") + reply.error().message());
        return false;
    }
    if (reply.value()) {
        if (refusal)
            *refusal = "Quillary on the PC has unsaved changes to these notes. Save them "
                       "and synchronize again.";
        return false;
    }
    return true;
}

void DesktopSyncHost::AfterSync(const sync::SyncUser& user, const sync::SyncReport&) {
    if (!WindowRuns())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(clsNotify::kServiceName), QString::fromLatin1(clsNotify::kObjectPath),
        QString::fromLatin1(clsNotify::kInterfaceName), QStringLiteral("HS_Notify"));
    call << qint32(clsNotify::kCodeSyncDoneB) << qint32(user.userId);
    call.setAutoStartService(false);
    const QDBusMessage reply = m_Bus.call(call, QDBus::Block, kNotifyTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage)
        Say(QStringLiteral("Quillary did not take the news of the sync: ") + reply.errorMessage());
}

uint32_t DesktopSyncHost::MachinePcId() {
    QByteArray seed = QSysInfo::machineUniqueId();
    if (seed.isEmpty())
        seed = QSysInfo::machineHostName().toUtf8();
    // FNV-1a of the machine's own ID: stable across runs, and it says nothing about it.
    quint32 h = 2166136261u;
    for (char c : seed) {
        h ^= static_cast<unsigned char>(c);
        h *= 16777619u;
    }
    return h == 0 ? 1 : h;
}

uint32_t DesktopSyncHost::PcId() const {
    return MachinePcId();
}

sync::DlpTime DesktopSyncHost::Now() const {
    const QDateTime now = QDateTime::currentDateTime();
    sync::DlpTime t;
    t.year = uint16_t(now.date().year());
    t.month = uint8_t(now.date().month());
    t.day = uint8_t(now.date().day());
    t.hour = uint8_t(now.time().hour());
    t.minute = uint8_t(now.time().minute());
    t.second = uint8_t(now.time().second());
    return t;
}

QString DesktopSyncHost::LogText(const sync::SyncReport& report, const QString& peer,
                                 const QDateTime& when) {
    QString text =
        when.toString(Qt::ISODate).replace(QChar('T'), QChar(' ')) + QStringLiteral("  HotSync");
    if (report.user)
        text += QStringLiteral(" of ") + FromCp1252(report.user->name);
    if (!peer.isEmpty())
        text += QStringLiteral(" from ") + peer;
    text += QStringLiteral(": ") + Outcome(report) + QChar('\n');
    for (const std::string& line : report.log)
        text += QStringLiteral("  ") + QString::fromStdString(line) + QChar('\n');
    return text;
}

void DesktopSyncHost::WriteLog(const sync::SyncReport& report, const QString& peer) {
    const QString text = LogText(report, peer, QDateTime::currentDateTime());
    if (report.user) {
        const QString path = QDir(QFile::decodeName(report.user->folder.c_str()))
                                 .filePath(QStringLiteral("HotSync.log"));
        QFile log(path);
        if (log.open(QIODevice::WriteOnly | QIODevice::Append) &&
            log.write(text.toUtf8()) == text.toUtf8().size() && log.flush()) {
            Say(QStringLiteral("HotSync of ") + FromCp1252(report.user->name) +
                QStringLiteral(": ") + Outcome(report) + QStringLiteral(" (") + path + QChar(')'));
            return;
        }
        Say(QStringLiteral("could not write ") + path + QStringLiteral(": ") + log.errorString());
    }
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

} // namespace quillary
