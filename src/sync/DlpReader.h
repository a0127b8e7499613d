// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A cursor over bytes from the handheld. Every read first checks what remains, so a
// count or length in the data can never take a decoder past the end; a failed read
// leaves the cursor where it was.

#include "storage/ByteOrder.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillary::sync {

class DlpReader {
public:
    explicit DlpReader(std::span<const uint8_t> bytes) : m_Bytes(bytes) {}

    size_t Remaining() const { return m_Bytes.size() - m_Pos; }
    size_t Position() const { return m_Pos; }
    bool AtEnd() const { return m_Pos == m_Bytes.size(); }

    bool U8(uint8_t& v) {
        if (Remaining() < 1)
            return false;
        v = m_Bytes[m_Pos++];
        return true;
    }
    bool U16(uint16_t& v) {
        if (Remaining() < 2)
            return false;
        v = ReadBE16(m_Bytes.data() + m_Pos);
        m_Pos += 2;
        return true;
    }
    bool U32(uint32_t& v) {
        if (Remaining() < 4)
            return false;
        v = ReadBE32(m_Bytes.data() + m_Pos);
        m_Pos += 4;
        return true;
    }
    bool Skip(size_t n) {
        if (Remaining() < n)
            return false;
        m_Pos += n;
        return true;
    }
    bool Bytes(size_t n, std::vector<uint8_t>& out) {
        if (Remaining() < n)
            return false;
        out.assign(m_Bytes.begin() + std::ptrdiff_t(m_Pos),
                   m_Bytes.begin() + std::ptrdiff_t(m_Pos + n));
        m_Pos += n;
        return true;
    }
    // Exactly n bytes, kept up to the first NUL (text fields with a stated length).
    bool Text(size_t n, std::string& out) {
        if (Remaining() < n)
            return false;
        const char* p = reinterpret_cast<const char*>(m_Bytes.data() + m_Pos);
        size_t len = 0;
        while (len < n && p[len] != '\0')
            ++len;
        out.assign(p, len);
        m_Pos += n;
        return true;
    }
    // A NUL-terminated text of at most maxLen bytes before the NUL; the NUL is consumed.
    bool CString(size_t maxLen, std::string& out) {
        const char* p = reinterpret_cast<const char*>(m_Bytes.data() + m_Pos);
        const size_t limit = Remaining();
        for (size_t len = 0; len < limit && len <= maxLen; ++len) {
            if (p[len] == '\0') {
                out.assign(p, len);
                m_Pos += len + 1;
                return true;
            }
        }
        return false;
    }

private:
    std::span<const uint8_t> m_Bytes;
    size_t m_Pos = 0;
};

} // namespace quillary::sync
