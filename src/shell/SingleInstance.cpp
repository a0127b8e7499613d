#include "SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <unistd.h>

namespace quillary {

namespace {

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

bool SingleInstance::Claim() {
    m_Lock = std::make_unique<QLockFile>(QDir(LockFolder()).filePath(m_Key + ".lock"));
    m_Lock->setStaleLockTime(0); // only a dead owner makes a lock stale, never its age
    if (!m_Lock->tryLock(0)) {
        // Another instance holds the lock. Its socket may not be listening yet if it has
        // just started, so try for a moment before giving up quietly.
        m_Answered = false;
        for (int attempt = 0; attempt < 20 && !m_Answered; ++attempt) {
            m_Answered = NotifyRunningInstance();
            if (!m_Answered)
                QThread::msleep(100);
        }
        return false;
    }
    m_Server = new QLocalServer(this);
    m_Server->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock, so any socket of that name is a leftover of a crashed instance.
    QLocalServer::removeServer(m_Key);
    m_Server->listen(m_Key);
    connect(m_Server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_Server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains("activate"))
                    emit activationRequested();
                socket->disconnectFromServer();
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    return true;
}

bool SingleInstance::NotifyRunningInstance() const {
    QLocalSocket socket;
    socket.connectToServer(m_Key);
    if (!socket.waitForConnected(500))
        return false;
    socket.write("activate\n");
    socket.waitForBytesWritten(1000);
    socket.waitForDisconnected(1000);
    return true;
}

} // namespace quillary
