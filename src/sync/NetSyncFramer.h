// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// NetSync frames DLP traffic over TCP (and the same way over USB): every message is
//   type (1 byte) | transaction ID (1 byte) | payload length (4 bytes, big-endian)
// followed by the payload. Type 1 carries data; type 2 is a keep-alive that a peer may
// send while it works and that carries nothing we need. The framer takes bytes as they arrive, in
// pieces of any size, and hands out whole messages. A length beyond the limit is refused before
// anything is allocated for it, so a broken or hostile peer cannot make us buffer gigabytes.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillary::sync {

struct NetSyncMessage {
    uint8_t type = 0;
    uint8_t transaction = 0;
    std::vector<uint8_t> payload;
};

class NetSyncFramer {
public:
    static constexpr size_t kHeaderSize = 6;
    static constexpr uint8_t kDataType = 1;
    static constexpr uint8_t kKeepAliveType = 2;
    // The largest DLP message a sync needs is a 64 KB record or resource with its
    // wrappers; 1 MiB leaves room without letting a length field run away.
    static constexpr size_t kMaxPayload = size_t(1) << 20;

    enum class Result { Message, NeedMore, Error };

    explicit NetSyncFramer(size_t maxPayload = kMaxPayload);

    // Appends received bytes. After an error further bytes are ignored: the stream has
    // lost its framing and nothing after the fault can be trusted.
    void Feed(std::span<const uint8_t> bytes);

    // The next whole message, NeedMore while one is still incomplete, or Error (with a
    // readable reason in *error) for a message that cannot be right.
    Result Next(NetSyncMessage& out, std::string* error);

    bool Failed() const { return m_Failed; }
    // Bytes received but not yet handed out as a message.
    size_t Buffered() const { return m_Buffer.size() - m_Start; }

    // One data message around the payload. The payload must not exceed kMaxPayload
    // (callers check; the DLP encoder never produces more).
    static std::vector<uint8_t> Encode(uint8_t transaction, std::span<const uint8_t> payload);

    // The transaction ID after `id`: the handheld keeps 0 and 0xFF for itself (its first
    // statement uses 0xFF), so the desktop counts 1..254 and wraps to 1.
    static uint8_t NextTransaction(uint8_t id);

private:
    size_t m_MaxPayload;
    std::vector<uint8_t> m_Buffer;
    size_t m_Start = 0;
    bool m_Failed = false;
    std::string m_Error;
};

} // namespace quillary::sync
