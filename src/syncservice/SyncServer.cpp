// SPDX-License-Identifier: GPL-3.0-or-later
#include "SyncServer.h"

#include "sync/DlpClient.h"
#include "sync/SyncSession.h"

#include <QTcpSocket>
#include <QThread>

#include <cstdio>

namespace quillary {

namespace {

void Say(const QString& text) {
    std::fprintf(stderr, "quillary-sync: %s\n", qPrintable(text));
    std::fflush(stderr);
}

QString PeerOf(const QTcpSocket& socket) {
    const QHostAddress address = socket.peerAddress();
    const QString host =
        address.protocol() == QAbstractSocket::IPv6Protocol && !address.toIPv4Address()
            ? QChar('[') + address.toString() + QChar(']')
            : QHostAddress(address.toIPv4Address()).toString();
    return host + QChar(':') + QString::number(socket.peerPort());
}

// "127.0.0.1:14238", "[::1]:14238"; all addresses (IPv6 and IPv4) as "[::]".
QString HostPort(const QHostAddress& address, quint16 port) {
    const QString host = address == QHostAddress::Any ? QStringLiteral("[::]")
                         : address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QChar('[') + address.toString() + QChar(']')
                             : address.toString();
    return host + QChar(':') + QString::number(port);
}

// One sync, start to end, on the calling thread; the report, and the handheld's address in
// *peer.
sync::SyncReport ServeOne(qintptr handle, int timeoutMs, DesktopSyncHost::Options hostOptions,
                          QString* peer) {
    QTcpSocket socket;
    if (!socket.setSocketDescriptor(handle)) {
        sync::SyncReport report;
        report.reason = "could not take the connection: " + socket.errorString().toStdString();
        return report;
    }
    *peer = PeerOf(socket);
    SocketTransport transport(socket, timeoutMs);
    sync::DlpClient client(transport);
    sync::SyncReport report;
    const sync::DlpStatus hello = client.Handshake();
    if (!hello.Ok()) {
        report.outcome = sync::SyncReport::Outcome::Failed;
        report.reason = "no HotSync handshake: " + hello.message;
        report.log.push_back(report.reason);
    } else {
        DesktopSyncHost host(hostOptions);
        report = sync::RunSync(client, host);
    }
    socket.disconnectFromHost();
    if (socket.state() != QAbstractSocket::UnconnectedState)
        socket.waitForDisconnected(1000);
    return report;
}

} // namespace

SyncServer::SyncServer(Options options, QObject* parent)
    : QTcpServer(parent), m_Options(std::move(options)) {
    setObjectName(QStringLiteral("SyncServer"));
}

SyncServer::~SyncServer() {
    close();
    if (m_Worker) {
        m_Worker->wait();
        delete m_Worker;
    }
}

bool SyncServer::Start(QString* error) {
    if (listen(m_Options.address, m_Options.port))
        return true;
    if (error)
        *error = QStringLiteral("cannot listen on ") + HostPort(m_Options.address, m_Options.port) +
                 QStringLiteral(": ") + errorString();
    return false;
}

QString SyncServer::Where() const {
    return HostPort(serverAddress(), serverPort());
}

void SyncServer::incomingConnection(qintptr handle) {
    if (m_Busy || (m_Options.once && m_Started)) {
        QTcpSocket intruder;
        intruder.setSocketDescriptor(handle);
        Say(QStringLiteral("a handheld at ") + PeerOf(intruder) +
            (m_Busy ? QStringLiteral(" connected while a sync runs; closed it (one sync at a time)")
                    : QStringLiteral(" connected after the one sync of --once; closed it")));
        intruder.abort();
        return;
    }
    m_Busy = true;
    m_Started = true;
    if (m_Worker) { // the last sync's thread has ended
        m_Worker->wait();
        delete m_Worker;
    }
    const int timeoutMs = m_Options.timeoutMs;
    const DesktopSyncHost::Options hostOptions = m_Options.host;
    m_Worker = QThread::create([handle, timeoutMs, hostOptions, this] {
        QString peer;
        const sync::SyncReport report = ServeOne(handle, timeoutMs, hostOptions, &peer);
        const bool synced = report.outcome == sync::SyncReport::Outcome::Synced;
        // The handheld is gone: the next may come while this one's log is written (once it
        // is, the next certainly may).
        m_Busy = false;
        DesktopSyncHost::WriteLog(report, peer);
        // The server waits for this thread in its destructor, so it is still there.
        QMetaObject::invokeMethod(
            this, [this, synced] { emit syncFinished(synced); }, Qt::QueuedConnection);
    });
    m_Worker->setObjectName(QStringLiteral("HotSync"));
    m_Worker->start();
}

} // namespace quillary
