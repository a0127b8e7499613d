// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The error codes a handheld puts in a DLP response, with readable names for logs and
// messages.

#include <cstdint>
#include <string>

namespace quillary::sync {

enum class DlpErrorCode : uint16_t {
    None = 0x00,
    System = 0x01,
    IllegalRequest = 0x02,
    Memory = 0x03,
    Parameter = 0x04,
    NotFound = 0x05,
    NoneOpen = 0x06,
    AlreadyOpen = 0x07,
    TooManyOpen = 0x08,
    AlreadyExists = 0x09,
    CantOpen = 0x0A,
    RecordDeleted = 0x0B,
    RecordBusy = 0x0C,
    NotSupported = 0x0D,
    Unused = 0x0E,
    ReadOnly = 0x0F,
    NotEnoughSpace = 0x10,
    LimitExceeded = 0x11,
    Cancelled = 0x12,
    BadWrapper = 0x13,
    ArgumentMissing = 0x14,
    ArgumentSize = 0x15,
};

class DlpError {
public:
    // A short name ("not found"); codes we do not know get "error 0x..".
    static std::string Name(uint16_t code);
};

} // namespace quillary::sync
