// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where the client's bytes go: a socket in the service, a recording in the tests.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillary::sync {

class DlpTransport {
public:
    virtual ~DlpTransport() = default;
    // Sends all of `bytes`; false with the reason when the connection failed.
    virtual bool Send(std::span<const uint8_t> bytes, std::string* error) = 0;
    // Appends the next bytes that arrived (at least one) to `out`; blocks until some
    // arrive. False with the reason when the peer has gone or stayed silent too long.
    virtual bool Receive(std::vector<uint8_t>& out, std::string* error) = 0;
};

} // namespace quillary::sync
