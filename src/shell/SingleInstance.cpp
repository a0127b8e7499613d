// SPDX-License-Identifier: GPL-3.0-or-later
#include "SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <memory>

#include <unistd.h>

namespace quillary {

namespace {

// Far more than any command line; a peer that sends more is not a Quillary start.
constexpr qsizetype kMaxRequestBytes = 1 << 20;

// The lock and the socket both live here, so that a copy running with another runtime
// folder (another session) can neither take over nor answer for this one's socket.
QString LockFolder() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir;
}

} // namespace

SingleInstance::SingleInstance(QString key, QObject* parent)
    : QObject(parent), m_Key(key.isEmpty() ? DefaultKey() : std::move(key)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::DefaultKey() {
    const QString fromEnv = qEnvironmentVariable("QUILLARY_INSTANCE_KEY");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QStringLiteral("quillary-") + QString::number(::getuid());
}

bool SingleInstance::Claim(const QStringList& files) {
    const QDir folder(LockFolder());
    m_SocketPath = folder.filePath(m_Key + QStringLiteral(".socket"));
    m_Lock = std::make_unique<QLockFile>(folder.filePath(m_Key + ".lock"));
    m_Lock->setStaleLockTime(0); // only a dead owner makes a lock stale, never its age
    if (!m_Lock->tryLock(0)) {
        // Another instance holds the lock. Its socket may not be listening yet if it has
        // just started, so try for a moment before giving up quietly.
        m_Answered = false;
        for (int attempt = 0; attempt < 20 && !m_Answered; ++attempt) {
            m_Answered = NotifyRunningInstance(files);
            if (!m_Answered)
                QThread::msleep(100);
        }
        return false;
    }
    m_Server = new QLocalServer(this);
    m_Server->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock, so any socket of that name is a leftover of a crashed instance.
    QLocalServer::removeServer(SocketPath());
    m_Server->listen(SocketPath());
    connect(m_Server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_Server->nextPendingConnection()) {
            // A request is a few lines ended by an empty line; it may come in pieces.
            auto buffer = std::make_shared<QByteArray>();
            connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
                buffer->append(socket->readAll());
                if (buffer->size() > kMaxRequestBytes) {
                    socket->abort();
                    return;
                }
                const qsizetype end = buffer->startsWith('\n') ? 0 : buffer->indexOf("\n\n");
                if (end < 0)
                    return;
                const QByteArray request = buffer->left(end);
                buffer->clear();
                socket->disconnectFromServer();
                HandleRequest(request);
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    return true;
}

void SingleInstance::HandleRequest(const QByteArray& request) {
    QStringList files;
    bool activate = false;
    for (const QByteArray& line : request.split('\n')) {
        if (line == "activate")
            activate = true;
        else if (line.startsWith("open "))
            files << QString::fromUtf8(QByteArray::fromPercentEncoding(line.mid(5)));
    }
    if (activate)
        emit activationRequested();
    if (!files.isEmpty())
        emit openRequested(files);
}

bool SingleInstance::NotifyRunningInstance(const QStringList& files) const {
    QLocalSocket socket;
    socket.connectToServer(SocketPath());
    if (!socket.waitForConnected(500))
        return false;
    // Paths are percent-encoded, so a newline in a file name cannot end the request.
    QByteArray request = "activate\n";
    for (const QString& file : files)
        request += "open " + file.toUtf8().toPercentEncoding() + '\n';
    request += '\n';
    socket.write(request);
    socket.waitForBytesWritten(1000);
    socket.waitForDisconnected(1000);
    return true;
}

} // namespace quillary
