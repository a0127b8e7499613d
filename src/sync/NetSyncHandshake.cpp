// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/NetSyncHandshake.h"

namespace quillary::sync {

namespace {

std::vector<uint8_t> FromHex(const char* hex) {
    auto nibble = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
    std::vector<uint8_t> out;
    for (; hex[0] && hex[1]; hex += 2)
        out.push_back(uint8_t(nibble(hex[0]) << 4 | nibble(hex[1])));
    return out;
}

} // namespace

const std::vector<uint8_t>& NetSyncHandshake::DesktopHello() {
    static const std::vector<uint8_t> bytes =
        FromHex("1201000000000000002000000024ffffffff3c003c000000000000000000c0a8012104270000"
                "000000000000000000000000");
    return bytes;
}

const std::vector<uint8_t>& NetSyncHandshake::DesktopConfirm() {
    static const std::vector<uint8_t> bytes =
        FromHex("1301000000000000002000000020ffffffff003c003c00000000000000010000000000000000"
                "0000000000000000");
    return bytes;
}

bool NetSyncHandshake::CheckHandheld(Step step, std::span<const uint8_t> payload,
                                     std::string* error) {
    struct Expect {
        uint8_t kind;
        size_t minSize;
        const char* what;
    };
    // Sizes as real handhelds send them (4.0 to 5.4); the upper bound only rejects noise.
    static constexpr Expect kExpect[] = {
        {0x90, 22, "wake-up"}, {0x92, 50, "hello"}, {0x93, 8, "confirmation"}};
    static constexpr size_t kMaxSize = 256;
    const Expect& e = kExpect[int(step)];
    auto fail = [&](const std::string& why) {
        if (error)
            *error = std::string("The handheld's ") + e.what + " is not understood: " + why;
        return false;
    };
    if (payload.empty())
        return fail("it is empty");
    if (payload[0] != e.kind)
        return fail("it starts with byte " + std::to_string(payload[0]) + " instead of " +
                    std::to_string(e.kind));
    if (payload.size() < e.minSize || payload.size() > kMaxSize)
        return fail("it is " + std::to_string(payload.size()) + " bytes long");
    return true;
}

} // namespace quillary::sync
