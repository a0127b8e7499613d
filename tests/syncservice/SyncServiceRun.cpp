// SPDX-License-Identifier: GPL-3.0-or-later
#include "SyncServiceRun.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTest>

namespace quillary::test {

SyncServiceRun::SyncServiceRun(const QString& desktopDir, const QString& configDir) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUILLARY_DESKTOP_DIR"), desktopDir);
    env.insert(QStringLiteral("QUILLARY_CONFIG_DIR"), configDir);
    m_Process.setProcessEnvironment(env);
}

SyncServiceRun::~SyncServiceRun() {
    if (m_Process.state() != QProcess::NotRunning) {
        m_Process.kill();
        m_Process.waitForFinished(kSyncPatience);
    }
}

bool SyncServiceRun::Start(const QStringList& extra) {
    m_Process.start(QStringLiteral(SYNC_PROGRAM_PATH),
                    QStringList{QStringLiteral("--port"), QStringLiteral("0"),
                                QStringLiteral("--listen"), QStringLiteral("127.0.0.1")} +
                        extra);
    if (!m_Process.waitForStarted(kSyncPatience))
        return false;
    static const QRegularExpression kLine(
        QStringLiteral("^Listening on 127\\.0\\.0\\.1:(\\d+)\\n$"));
    if (!QTest::qWaitFor(
            [&] { return m_Process.canReadLine() || m_Process.state() == QProcess::NotRunning; },
            kSyncPatience))
        return false;
    const QRegularExpressionMatch m = kLine.match(QString::fromUtf8(m_Process.readLine()));
    if (!m.hasMatch())
        return false;
    m_Port = quint16(m.captured(1).toUInt());
    return m_Port != 0;
}

int SyncServiceRun::Wait(int patience) {
    if (!QTest::qWaitFor([&] { return m_Process.state() == QProcess::NotRunning; }, patience))
        return -1;
    return m_Process.exitStatus() == QProcess::NormalExit ? m_Process.exitCode() : -1;
}

QString SyncServiceRun::Errors() {
    m_Err += m_Process.readAllStandardError();
    return QString::fromUtf8(m_Err);
}

bool Connect(QTcpSocket& socket, quint16 port) {
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    return socket.waitForConnected(kSyncPatience);
}

void Pump(HandheldSimulator& handheld, QTcpSocket& socket, bool begun, int patience) {
    if (!begun) {
        const std::vector<uint8_t> wake = handheld.Begin();
        socket.write(reinterpret_cast<const char*>(wake.data()), qint64(wake.size()));
    }
    QElapsedTimer clock;
    clock.start();
    while (socket.state() == QAbstractSocket::ConnectedState && !handheld.HungUp() &&
           clock.elapsed() < patience) {
        socket.flush();
        // Waits with the event loop running, so this thread goes on answering the bus
        // (the window's HotSync callback may live in this process).
        if (!QTest::qWaitFor(
                [&] {
                    return socket.bytesAvailable() > 0 ||
                           socket.state() != QAbstractSocket::ConnectedState;
                },
                1000) ||
            socket.bytesAvailable() == 0)
            continue;
        const QByteArray in = socket.readAll();
        if (handheld.Silent())
            continue; // a silent handheld takes what comes and says nothing
        std::vector<uint8_t> out;
        handheld.Feed(
            std::span(reinterpret_cast<const uint8_t*>(in.constData()), size_t(in.size())), out);
        if (!out.empty())
            socket.write(reinterpret_cast<const char*>(out.data()), qint64(out.size()));
    }
    socket.flush();
    if (handheld.HungUp())
        socket.disconnectFromHost();
}

QMap<QString, QByteArray> Snapshot(const QString& folder, const QStringList& leaveOut) {
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (leaveOut.contains(it.fileName()))
            continue;
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        files.insert(QDir(folder).relativeFilePath(path), f.readAll());
    }
    return files;
}

} // namespace quillary::test
