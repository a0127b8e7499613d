// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/DlpError.h"

#include <cstdio>

namespace quillary::sync {

std::string DlpError::Name(uint16_t code) {
    static const char* const kNames[] = {
        "no error",
        "general system error",
        "unknown request",
        "not enough memory",
        "invalid parameter",
        "not found",
        "no database open",
        "database already open",
        "too many open databases",
        "already exists",
        "cannot open database",
        "record deleted",
        "record busy",
        "operation not supported",
        "unused error code",
        "read-only",
        "not enough space",
        "limit exceeded",
        "sync cancelled",
        "bad argument wrapper",
        "required argument missing",
        "invalid argument size",
    };
    if (code < sizeof kNames / sizeof kNames[0])
        return kNames[code];
    char buf[32];
    std::snprintf(buf, sizeof buf, "error 0x%04X", unsigned(code));
    return buf;
}

} // namespace quillary::sync
