// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The Desktop Link Protocol message layer.
//   request:  function ID | argument count | arguments
//   response: function ID | 0x80 | argument count | error code (16 bits) | arguments
// Each argument is wrapped by the smallest of three wrappers that fits its size:
//   tiny  (up to 255 bytes):   ID            | size (1 byte)
//   short (up to 65535 bytes): ID | 0x80 | 0 | size (2 bytes)
//   long:                      ID | 0x40 | 0 | size (4 bytes)
// IDs are six bits; a command's first argument is 0x20, its alternatives count up.
// All numbers are big-endian.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillary::sync {

struct DlpArgument {
    uint8_t id = 0;
    std::vector<uint8_t> data;
};

struct DlpRequest {
    uint8_t function = 0;
    std::vector<DlpArgument> arguments;
};

struct DlpResponse {
    uint8_t function = 0; // the request's function ID, without the 0x80 reply bit
    uint16_t error = 0;
    std::vector<DlpArgument> arguments;

    // The argument with this ID, or nullptr.
    const DlpArgument* Find(uint8_t id) const;
};

class DlpCodec {
public:
    static constexpr uint8_t kFirstArgument = 0x20;
    static constexpr uint8_t kResponseBit = 0x80;
    static constexpr size_t kTinyMax = 0xFF;
    static constexpr size_t kShortMax = 0xFFFF;
    // Real messages carry at most three arguments; the limit keeps a bad count from
    // costing more than a few checks.
    static constexpr size_t kMaxArguments = 16;
    // Whole message, wrappers included: what one NetSync message may carry.
    static constexpr size_t kMaxMessage = size_t(1) << 20;

    // Appends one wrapped argument (the wrapper chosen by size).
    static void AppendArgument(std::vector<uint8_t>& out, uint8_t id,
                               std::span<const uint8_t> data);

    // False (with the reason) for a request that could not be sent as it is: an argument
    // ID outside six bits, too many arguments, or a message past kMaxMessage.
    static bool EncodeRequest(const DlpRequest& request, std::vector<uint8_t>& out,
                              std::string* error);
    static bool EncodeResponse(const DlpResponse& response, std::vector<uint8_t>& out,
                               std::string* error);

    // Both decoders accept only a message that is exactly its arguments: no byte missing,
    // none left over, every size within what remains.
    static bool DecodeRequest(std::span<const uint8_t> bytes, DlpRequest& out, std::string* error);
    static bool DecodeResponse(std::span<const uint8_t> bytes, DlpResponse& out,
                               std::string* error);
};

} // namespace quillary::sync
