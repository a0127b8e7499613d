// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sync/DlpTransport.h"

class QTcpSocket;

namespace quillary {

// The protocol's bytes over a connected TCP socket, blocking, for a thread of its own (the
// socket must belong to the calling thread and needs no event loop). A handheld that sends
// nothing for `timeoutMs` counts as gone, so a silent handheld ends the sync instead of
// holding the service.
class SocketTransport : public sync::DlpTransport {
public:
    static constexpr int kDefaultTimeoutMs = 60000;

    SocketTransport(QTcpSocket& socket, int timeoutMs);

    bool Send(std::span<const uint8_t> bytes, std::string* error) override;
    bool Receive(std::vector<uint8_t>& out, std::string* error) override;

private:
    QTcpSocket& m_Socket;
    int m_TimeoutMs;
};

} // namespace quillary
