// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Builds the bytes of one DLP argument, big-endian: the encoders' counterpart of
// DlpReader (the desktop writes requests with it, the tests' handheld its answers).

#include "sync/DlpTypes.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillary::sync {

struct DlpWriter {
    std::vector<uint8_t> bytes;
    DlpWriter& U8(uint8_t v) {
        bytes.push_back(v);
        return *this;
    }
    DlpWriter& U16(uint16_t v) { return U8(uint8_t(v >> 8)).U8(uint8_t(v)); }
    DlpWriter& U32(uint32_t v) { return U16(uint16_t(v >> 16)).U16(uint16_t(v)); }
    // Year, month, day, hour, minute, second and a pad byte.
    DlpWriter& Time(const DlpTime& t) {
        return U16(t.year).U8(t.month).U8(t.day).U8(t.hour).U8(t.minute).U8(t.second).U8(0);
    }
    DlpWriter& Data(std::span<const uint8_t> d) {
        bytes.insert(bytes.end(), d.begin(), d.end());
        return *this;
    }
    // The text and its NUL.
    DlpWriter& CString(const std::string& s) {
        bytes.insert(bytes.end(), s.begin(), s.end());
        return U8(0);
    }
};

} // namespace quillary::sync
