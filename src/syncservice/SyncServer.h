// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "syncservice/DesktopSyncHost.h"
#include "syncservice/SocketTransport.h"

#include <QHostAddress>
#include <QTcpServer>

#include <atomic>

class QThread;

namespace quillary {

// Listens for network HotSync and runs one sync at a time: each handheld's connection
// is served on a thread of its own (handshake, then sync::RunSync over a SocketTransport
// with a DesktopSyncHost); a handheld that connects while a sync runs is closed at once,
// with a line on stderr, and the running sync goes on undisturbed. With Options::once only
// the first handheld is served.
class SyncServer : public QTcpServer {
    Q_OBJECT
public:
    struct Options {
        QHostAddress address = QHostAddress::Any;
        quint16 port = 14238;
        int timeoutMs = SocketTransport::kDefaultTimeoutMs;
        // Serve one sync only: every later handheld is closed at once, like one that comes
        // during a sync.
        bool once = false;
        DesktopSyncHost::Options host;
    };

    explicit SyncServer(Options options, QObject* parent = nullptr);
    // Waits for a running sync to end (at the latest when its handheld falls silent).
    ~SyncServer() override;

    // Starts listening on the options' address and port; false with the reason.
    bool Start(QString* error);
    // "127.0.0.1:40123", "[::]:14238": where the server listens.
    QString Where() const;
    bool Busy() const { return m_Busy; }

signals:
    // After each sync, on the server's thread. synced: the sync ended cleanly.
    void syncFinished(bool synced);

protected:
    void incomingConnection(qintptr handle) override;

private:
    Options m_Options;
    // Set here when a sync starts, cleared by its thread as soon as the sync is over, so
    // the next handheld can come at once.
    std::atomic<bool> m_Busy{false};
    bool m_Started = false;
    QThread* m_Worker = nullptr;
};

} // namespace quillary
