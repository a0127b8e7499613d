// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Before the first DLP request the two sides trade fixed statements:
//   handheld: wake-up (0x90 ...)          transaction 0xFF
//   desktop:  hello   (0x12 ..., 50 bytes) transaction 1
//   handheld: hello   (0x92 ...)          transaction 1
//   desktop:  confirm (0x13 ..., 46 bytes) transaction 2
//   handheld: confirm (0x93 ...)          transaction 2
// The desktop's two statements are constant byte strings that handhelds accept as they
// are; the handheld's carry details we have no use for, so only their kind and a sane
// size are checked.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillary::sync {

class NetSyncHandshake {
public:
    enum class Step { HandheldWakeup, HandheldHello, HandheldConfirm };

    static const std::vector<uint8_t>& DesktopHello();
    static const std::vector<uint8_t>& DesktopConfirm();

    // True when `payload` is the handheld's statement for `step`; otherwise false with
    // the reason in *error.
    static bool CheckHandheld(Step step, std::span<const uint8_t> payload, std::string* error);
};

} // namespace quillary::sync
