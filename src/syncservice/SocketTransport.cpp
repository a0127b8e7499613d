// SPDX-License-Identifier: GPL-3.0-or-later
#include "SocketTransport.h"

#include <QTcpSocket>

#include <algorithm>

namespace quillary {

namespace {

// What one Receive hands over at most; the framer asks again for the rest.
constexpr qint64 kChunk = 64 * 1024;

std::string Silent(int timeoutMs) {
    return "the handheld stopped answering (nothing for " + std::to_string(timeoutMs / 1000) +
           " s)";
}

} // namespace

SocketTransport::SocketTransport(QTcpSocket& socket, int timeoutMs)
    : m_Socket(socket), m_TimeoutMs(timeoutMs) {}

bool SocketTransport::Send(std::span<const uint8_t> bytes, std::string* error) {
    if (m_Socket.state() != QAbstractSocket::ConnectedState) {
        if (error)
            *error = "the handheld closed the connection";
        return false;
    }
    if (m_Socket.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) !=
        qint64(bytes.size())) {
        if (error)
            *error = "sending failed: " + m_Socket.errorString().toStdString();
        return false;
    }
    while (m_Socket.bytesToWrite() > 0) {
        if (!m_Socket.waitForBytesWritten(m_TimeoutMs)) {
            if (error)
                *error = m_Socket.error() == QAbstractSocket::SocketTimeoutError
                             ? Silent(m_TimeoutMs)
                             : "sending failed: " + m_Socket.errorString().toStdString();
            return false;
        }
    }
    return true;
}

bool SocketTransport::Receive(std::vector<uint8_t>& out, std::string* error) {
    if (m_Socket.bytesAvailable() == 0 && !m_Socket.waitForReadyRead(m_TimeoutMs)) {
        if (error) {
            if (m_Socket.error() == QAbstractSocket::SocketTimeoutError &&
                m_Socket.state() == QAbstractSocket::ConnectedState)
                *error = Silent(m_TimeoutMs);
            else
                *error = "the handheld closed the connection";
        }
        return false;
    }
    const qint64 wanted = std::min(m_Socket.bytesAvailable(), kChunk);
    const std::size_t at = out.size();
    out.resize(at + std::size_t(wanted));
    const qint64 got = m_Socket.read(reinterpret_cast<char*>(out.data() + at), wanted);
    if (got <= 0) {
        out.resize(at);
        if (error)
            *error = "reading failed: " + m_Socket.errorString().toStdString();
        return false;
    }
    out.resize(at + std::size_t(got));
    return true;
}

} // namespace quillary
