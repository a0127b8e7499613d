// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/NetSyncFramer.h"

#include "storage/ByteOrder.h"

namespace quillary::sync {

NetSyncFramer::NetSyncFramer(size_t maxPayload) : m_MaxPayload(maxPayload) {}

void NetSyncFramer::Feed(std::span<const uint8_t> bytes) {
    if (m_Failed || bytes.empty())
        return;
    // Drop what was handed out before growing, so a long session does not keep its
    // whole history in memory.
    if (m_Start > 0 && m_Start >= m_Buffer.size() / 2) {
        m_Buffer.erase(m_Buffer.begin(), m_Buffer.begin() + std::ptrdiff_t(m_Start));
        m_Start = 0;
    }
    m_Buffer.insert(m_Buffer.end(), bytes.begin(), bytes.end());
}

NetSyncFramer::Result NetSyncFramer::Next(NetSyncMessage& out, std::string* error) {
    auto fail = [&](std::string why) {
        m_Failed = true;
        m_Error = std::move(why);
        if (error)
            *error = m_Error;
        return Result::Error;
    };
    if (m_Failed) {
        if (error)
            *error = m_Error;
        return Result::Error;
    }
    if (Buffered() < kHeaderSize)
        return Result::NeedMore;
    const uint8_t* head = m_Buffer.data() + m_Start;
    if (head[0] != kDataType && head[0] != kKeepAliveType)
        return fail("NetSync message of unknown type " + std::to_string(head[0]));
    const uint32_t length = ReadBE32(head + 2);
    if (length > m_MaxPayload)
        return fail("NetSync message of " + std::to_string(length) +
                    " bytes is larger than the limit of " + std::to_string(m_MaxPayload) +
                    " bytes");
    if (Buffered() - kHeaderSize < length)
        return Result::NeedMore;
    out.type = head[0];
    out.transaction = head[1];
    out.payload.assign(head + kHeaderSize, head + kHeaderSize + length);
    m_Start += kHeaderSize + length;
    if (m_Start == m_Buffer.size()) {
        m_Buffer.clear();
        m_Start = 0;
    }
    return Result::Message;
}

std::vector<uint8_t> NetSyncFramer::Encode(uint8_t transaction, std::span<const uint8_t> payload) {
    std::vector<uint8_t> out(kHeaderSize);
    out[0] = kDataType;
    out[1] = transaction;
    WriteBE32(out.data() + 2, uint32_t(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

uint8_t NetSyncFramer::NextTransaction(uint8_t id) {
    const uint8_t next = uint8_t(id + 1);
    return (next == 0 || next == 0xFF) ? 1 : next;
}

} // namespace quillary::sync
