// SPDX-License-Identifier: GPL-3.0-or-later
#include "NetworkSyncRunner.h"

#include "core/clsSettings.h"
#include "frmMain.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStatusBar>

#include <cstdio>

namespace quillary {

namespace {

constexpr int kNoticeMs = 15000;
// quillary-sync ends on SIGTERM at once; a sync it was running leaves the files as before.
constexpr int kStopWaitMs = 5000;

const QString kProgramName = QStringLiteral("quillary-sync");

} // namespace

NetworkSyncRunner::NetworkSyncRunner(frmMain& window) : QObject(&window), m_Window(window) {
    setObjectName(QStringLiteral("NetworkSyncRunner"));
    m_Program = FindProgram();
    m_Process.setProcessChannelMode(QProcess::SeparateChannels);
    connect(&m_Process, &QProcess::readyReadStandardOutput, this, &NetworkSyncRunner::OnOutput);
    connect(&m_Process, &QProcess::readyReadStandardError, this, &NetworkSyncRunner::OnErrorOutput);
    connect(&m_Process, &QProcess::finished, this, &NetworkSyncRunner::OnFinished);
    connect(&m_Process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) {
            m_LastError = m_Process.errorString();
            OnFinished();
        }
    });
}

NetworkSyncRunner::~NetworkSyncRunner() {
    m_Process.disconnect(this);
    Stop();
}

NetworkSyncRunner& NetworkSyncRunner::For(frmMain& window) {
    auto* runner = window.findChild<NetworkSyncRunner*>(QString(), Qt::FindDirectChildrenOnly);
    return runner ? *runner : *new NetworkSyncRunner(window);
}

QString NetworkSyncRunner::FindProgram() {
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(kProgramName);
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QStandardPaths::findExecutable(kProgramName);
}

void NetworkSyncRunner::ApplySetting() {
    clsSettings& settings = m_Window.Context().settings;
    if (!settings.GetFlag(Config::ListenNetworkHotSync)) {
        if (IsRunning()) {
            Stop();
            Tell(QStringLiteral("Network HotSync is off."));
        }
        return;
    }
    const int port = settings.GetInt(Config::NetworkHotSyncPort);
    if (IsRunning() && port == m_RequestedPort)
        return;
    Stop();
    Start(port);
}

void NetworkSyncRunner::Start(int port) {
    m_Port = 0;
    m_LastError.clear();
    m_RequestedPort = port;
    if (m_Program.isEmpty()) {
        Tell(QStringLiteral("Network HotSync could not start: ") + kProgramName +
             QStringLiteral(" is not installed."));
        return;
    }
    if (port < 0 || port > 65535) {
        Tell(QStringLiteral("Network HotSync could not start: \"Network HotSync Port\" is not "
                            "a port from 1 to 65535."));
        return;
    }
    m_Stopping = false;
    m_Process.start(m_Program, {QStringLiteral("--port"), QString::number(port)});
}

void NetworkSyncRunner::Stop() {
    if (!IsRunning())
        return;
    m_Stopping = true;
    m_Process.terminate();
    if (!m_Process.waitForFinished(kStopWaitMs)) {
        m_Process.kill();
        m_Process.waitForFinished(kStopWaitMs);
    }
    m_Port = 0;
}

void NetworkSyncRunner::OnOutput() {
    static const QRegularExpression kListening(QStringLiteral("^Listening on (.*):(\\d+)$"));
    while (m_Process.canReadLine()) {
        const QString line = QString::fromLocal8Bit(m_Process.readLine()).trimmed();
        const QRegularExpressionMatch m = kListening.match(line);
        if (!m.hasMatch())
            continue;
        m_Port = quint16(m.captured(2).toUInt());
        Tell(QStringLiteral("Listening for network HotSync on port ") + QString::number(m_Port) +
             QChar('.'));
        emit listening(m_Port);
    }
}

void NetworkSyncRunner::OnErrorOutput() {
    // The service's own log lines: passed on, and the last one kept to say why it ended.
    const QByteArray bytes = m_Process.readAllStandardError();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    const QStringList lines = QString::fromLocal8Bit(bytes).split(QChar('\n'), Qt::SkipEmptyParts);
    if (!lines.isEmpty()) {
        m_LastError = lines.last();
        if (m_LastError.startsWith(kProgramName + QStringLiteral(": ")))
            m_LastError.remove(0, kProgramName.size() + 2);
    }
}

void NetworkSyncRunner::OnFinished() {
    OnErrorOutput();
    const bool wanted = m_Stopping;
    const bool wasListening = m_Port != 0;
    m_Stopping = false;
    m_Port = 0;
    if (!wanted) {
        const QString why = m_LastError.isEmpty() ? QStringLiteral("it ended") : m_LastError;
        Tell((wasListening ? QStringLiteral("Network HotSync stopped: ")
                           : QStringLiteral("Network HotSync could not start: ")) +
             why + QChar('.'));
    }
    emit stopped();
}

void NetworkSyncRunner::Tell(const QString& text) {
    m_Notice = text;
    m_Window.statusBar()->showMessage(text, kNoticeMs);
}

} // namespace quillary
