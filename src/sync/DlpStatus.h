// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The outcome of one exchange with the handheld. A handheld error is an answer (the
// caller may expect "not found", for instance at the end of the modified records); the
// other failures mean the connection cannot go on.

#include <cstdint>
#include <string>
#include <utility>

namespace quillary::sync {

struct DlpStatus {
    enum class Kind {
        Ok,
        Handheld,  // the handheld answered with a DLP error code (`code`)
        Refused,   // we did not send: a parameter the handheld could not take
        Protocol,  // the handheld's bytes do not make sense
        Transport, // the connection failed
    };
    Kind kind = Kind::Ok;
    uint16_t code = 0;
    std::string message;

    bool Ok() const { return kind == Kind::Ok; }
    bool IsHandheldError(uint16_t c) const { return kind == Kind::Handheld && code == c; }
    // True when the connection must be given up.
    bool Fatal() const { return kind == Kind::Protocol || kind == Kind::Transport; }

    static DlpStatus Failure(Kind kind, std::string message, uint16_t code = 0) {
        return DlpStatus{kind, code, std::move(message)};
    }
};

} // namespace quillary::sync
