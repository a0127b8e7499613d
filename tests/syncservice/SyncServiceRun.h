// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/HandheldSimulator.h"

#include <QByteArray>
#include <QMap>
#include <QProcess>
#include <QStringList>
#include <QTcpSocket>

namespace quillary::test {

// How long a test waits for the service before calling it lost: only a failing test waits
// this long, and a loaded machine never should.
constexpr int kSyncPatience = 60000;

// quillary-sync run as a program on 127.0.0.1 and a free port, over a desktop and a
// settings folder of the test's own.
class SyncServiceRun {
public:
    // desktopDir and configDir become QUILLARY_DESKTOP_DIR and QUILLARY_CONFIG_DIR.
    SyncServiceRun(const QString& desktopDir, const QString& configDir);
    ~SyncServiceRun();

    // Starts "quillary-sync --port 0 --listen 127.0.0.1" with extra arguments and waits
    // for the line that names the port; false when it did not come.
    bool Start(const QStringList& extra = {QStringLiteral("--once")});
    quint16 Port() const { return m_Port; }
    QProcess& Process() { return m_Process; }
    // Waits for the program to end; its exit code, or -1 when it did not end normally.
    int Wait(int patience = kSyncPatience);
    // Everything written to stderr so far.
    QString Errors();

private:
    QProcess m_Process;
    quint16 m_Port = 0;
    QByteArray m_Err;
};

// Connects a socket to the service.
bool Connect(QTcpSocket& socket, quint16 port);

// Runs the simulated handheld over the socket, with the event loop running, until it hangs up, the
// service closes the connection, or (once the handheld fell silent) the service gives up on it. The
// handheld sends its wake-up first unless `begun`.
void Pump(HandheldSimulator& handheld, QTcpSocket& socket, bool begun = false,
          int patience = kSyncPatience);

// Every file under folder (relative path -> bytes), to tell that nothing changed.
QMap<QString, QByteArray> Snapshot(const QString& folder, const QStringList& leaveOut = {});

} // namespace quillary::test
