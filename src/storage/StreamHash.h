// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The content hash of notes files (VersionStore::Hash): four independent lanes of 8-byte
// words, so it keeps up with the disk. Fed in pieces of any size, it gives what one
// Update of all the bytes together gives: a file can be hashed as it is read, and a save
// as its records are written.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quillary {

class StreamHash {
public:
    void Update(const uint8_t* data, size_t size) {
        m_size += size;
        if (m_pending > 0) {
            const size_t take = size < kBlock - m_pending ? size : kBlock - m_pending;
            std::memcpy(m_carry + m_pending, data, take);
            m_pending += take;
            data += take;
            size -= take;
            if (m_pending < kBlock)
                return;
            Block(m_carry);
            m_pending = 0;
        }
        size_t i = 0;
        for (; i + kBlock <= size; i += kBlock)
            Block(data + i);
        m_pending = size - i;
        if (m_pending > 0)
            std::memcpy(m_carry, data + i, m_pending);
    }
    uint64_t Final() const {
        uint64_t tail = kTailSeed;
        for (size_t i = 0; i < m_pending; ++i)
            tail = (tail ^ m_carry[i]) * 1099511628211ull;
        uint64_t h = m_size * kMul;
        for (int k = 0; k < 4; ++k)
            h = (h ^ m_lane[k]) * kMul + uint64_t(k);
        h = (h ^ tail) * kMul;
        h ^= h >> 31;
        return h * kMul ^ (h >> 27);
    }

private:
    static constexpr size_t kBlock = 32;
    static constexpr uint64_t kMul = 0x9E3779B97F4A7C15ull;
    static constexpr uint64_t kTailSeed = 14695981039346656037ull;

    void Block(const uint8_t* p) {
        for (int k = 0; k < 4; ++k) {
            uint64_t w;
            std::memcpy(&w, p + 8 * size_t(k), 8);
            m_lane[k] = (m_lane[k] ^ w) * kMul;
            m_lane[k] ^= m_lane[k] >> 29;
        }
    }

    uint64_t m_lane[4] = {0x243F6A8885A308D3ull, 0x13198A2E03707344ull, 0xA4093822299F31D0ull,
                          0x082EFA98EC4E6C89ull};
    uint64_t m_size = 0;
    uint8_t m_carry[kBlock] = {};
    size_t m_pending = 0;
};

} // namespace quillary
