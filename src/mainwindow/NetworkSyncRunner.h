// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QProcess>
#include <QString>

namespace quillary {

class frmMain;

// Runs the network HotSync service (quillary-sync) as the main window's child process
// while the setting "Listen For Network HotSync" is on, on the port of "Network HotSync
// Port". Stops it when the setting goes off and when the window goes. Says in the status
// bar where it listens, and why when it could not start or stopped on its own (a port
// already taken, the program missing). Lives as a child of the window.
class NetworkSyncRunner : public QObject {
    Q_OBJECT
public:
    explicit NetworkSyncRunner(frmMain& window);
    ~NetworkSyncRunner() override;

    // The runner of this window, made on first use.
    static NetworkSyncRunner& For(frmMain& window);

    // Starts or stops the service after the setting; a running one whose port setting
    // changed is started again.
    void ApplySetting();

    bool IsRunning() const { return m_Process.state() != QProcess::NotRunning; }
    // The port the service reported, 0 until it listens.
    quint16 Port() const { return m_Port; }
    // quillary-sync beside the program's own executable, else on PATH; "" when missing.
    static QString FindProgram();
    void SetProgram(const QString& path) { m_Program = path; }
    // The last thing said in the status bar.
    QString Notice() const { return m_Notice; }

signals:
    void listening(quint16 port);
    void stopped();

private:
    void Start(int port);
    void Stop();
    void OnOutput();
    void OnErrorOutput();
    void OnFinished();
    void Tell(const QString& text);

    frmMain& m_Window;
    QProcess m_Process;
    QString m_Program;
    int m_RequestedPort = -1;
    quint16 m_Port = 0;
    bool m_Stopping = false;
    QString m_LastError;
    QString m_Notice;
};

} // namespace quillary
