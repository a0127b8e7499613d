// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/DlpCodec.h"

#include "storage/ByteOrder.h"
#include "sync/DlpReader.h"

namespace quillary::sync {

namespace {

constexpr uint8_t kIdMask = 0x3F;
constexpr uint8_t kWrapperMask = 0xC0;
constexpr uint8_t kShortFlag = 0x80;
constexpr uint8_t kLongFlag = 0x40;

bool Fail(std::string* error, const std::string& why) {
    if (error)
        *error = why;
    return false;
}

bool EncodeArguments(const std::vector<DlpArgument>& args, std::vector<uint8_t>& out,
                     std::string* error) {
    if (args.size() > DlpCodec::kMaxArguments)
        return Fail(error, "A DLP message of " + std::to_string(args.size()) +
                               " arguments has more than the limit of " +
                               std::to_string(DlpCodec::kMaxArguments));
    out.push_back(uint8_t(args.size()));
    for (const DlpArgument& a : args) {
        if (a.id > kIdMask)
            return Fail(error,
                        "DLP argument ID " + std::to_string(a.id) + " does not fit in six bits");
        if (a.data.size() > DlpCodec::kMaxMessage ||
            out.size() + a.data.size() + 6 > DlpCodec::kMaxMessage)
            return Fail(error, "A DLP message with an argument of " +
                                   std::to_string(a.data.size()) +
                                   " bytes is larger than the limit of " +
                                   std::to_string(DlpCodec::kMaxMessage) + " bytes");
        DlpCodec::AppendArgument(out, a.id, a.data);
    }
    return true;
}

bool DecodeArguments(uint8_t count, DlpReader& in, std::vector<DlpArgument>& out,
                     std::string* error) {
    // Each argument takes at least its two-byte tiny wrapper.
    if (count > DlpCodec::kMaxArguments || size_t(count) * 2 > in.Remaining())
        return Fail(error, "The DLP message claims " + std::to_string(count) +
                               " arguments but has room for fewer");
    out.clear();
    out.reserve(count);
    for (unsigned i = 0; i < count; ++i) {
        uint8_t head = 0, pad = 0;
        in.U8(head); // room was checked above for every wrapper's first two bytes
        DlpArgument arg;
        arg.id = head & kIdMask;
        size_t size = 0;
        const uint8_t wrapper = head & kWrapperMask;
        if (wrapper == 0) {
            uint8_t n = 0;
            if (!in.U8(n))
                return Fail(error,
                            "DLP argument " + std::to_string(i + 1) + " is cut off in its size");
            size = n;
        } else if (wrapper == kShortFlag) {
            uint16_t n = 0;
            if (!in.U8(pad) || !in.U16(n))
                return Fail(error,
                            "DLP argument " + std::to_string(i + 1) + " is cut off in its size");
            size = n;
        } else if (wrapper == kLongFlag) {
            uint32_t n = 0;
            if (!in.U8(pad) || !in.U32(n))
                return Fail(error,
                            "DLP argument " + std::to_string(i + 1) + " is cut off in its size");
            size = n;
        } else {
            return Fail(error, "DLP argument " + std::to_string(i + 1) + " has an unknown wrapper");
        }
        if (size > in.Remaining())
            return Fail(error, "DLP argument " + std::to_string(i + 1) + " claims " +
                                   std::to_string(size) + " bytes but only " +
                                   std::to_string(in.Remaining()) + " follow");
        in.Bytes(size, arg.data);
        out.push_back(std::move(arg));
    }
    if (!in.AtEnd())
        return Fail(error, "The DLP message has " + std::to_string(in.Remaining()) +
                               " bytes after its last argument");
    return true;
}

} // namespace

const DlpArgument* DlpResponse::Find(uint8_t id) const {
    for (const DlpArgument& a : arguments)
        if (a.id == id)
            return &a;
    return nullptr;
}

void DlpCodec::AppendArgument(std::vector<uint8_t>& out, uint8_t id,
                              std::span<const uint8_t> data) {
    const size_t n = data.size();
    const size_t at = out.size();
    if (n <= kTinyMax) {
        out.resize(at + 2);
        out[at] = id & kIdMask;
        out[at + 1] = uint8_t(n);
    } else if (n <= kShortMax) {
        out.resize(at + 4);
        out[at] = (id & kIdMask) | kShortFlag;
        out[at + 1] = 0;
        WriteBE16(out.data() + at + 2, uint16_t(n));
    } else {
        out.resize(at + 6);
        out[at] = (id & kIdMask) | kLongFlag;
        out[at + 1] = 0;
        WriteBE32(out.data() + at + 2, uint32_t(n));
    }
    out.insert(out.end(), data.begin(), data.end());
}

bool DlpCodec::EncodeRequest(const DlpRequest& request, std::vector<uint8_t>& out,
                             std::string* error) {
    if (request.function & kResponseBit)
        return Fail(error,
                    "DLP function " + std::to_string(request.function) + " is not a request");
    out.assign(1, request.function);
    return EncodeArguments(request.arguments, out, error);
}

bool DlpCodec::EncodeResponse(const DlpResponse& response, std::vector<uint8_t>& out,
                              std::string* error) {
    if (response.function & kResponseBit)
        return Fail(error,
                    "DLP function " + std::to_string(response.function) + " is out of range");
    out.assign(1, uint8_t(response.function | kResponseBit));
    std::vector<uint8_t> args;
    if (!EncodeArguments(response.arguments, args, error))
        return false;
    out.push_back(args[0]);
    out.push_back(uint8_t(response.error >> 8));
    out.push_back(uint8_t(response.error));
    out.insert(out.end(), args.begin() + 1, args.end());
    return true;
}

bool DlpCodec::DecodeRequest(std::span<const uint8_t> bytes, DlpRequest& out, std::string* error) {
    if (bytes.size() < 2)
        return Fail(error, "The DLP request is " + std::to_string(bytes.size()) +
                               " bytes, shorter than its 2-byte header");
    if (bytes[0] & kResponseBit)
        return Fail(error, "The DLP message is a response, not a request");
    out.function = bytes[0];
    DlpReader in(bytes.subspan(2));
    return DecodeArguments(bytes[1], in, out.arguments, error);
}

bool DlpCodec::DecodeResponse(std::span<const uint8_t> bytes, DlpResponse& out,
                              std::string* error) {
    if (bytes.size() < 4)
        return Fail(error, "The DLP response is " + std::to_string(bytes.size()) +
                               " bytes, shorter than its 4-byte header");
    if (!(bytes[0] & kResponseBit))
        return Fail(error, "The DLP message is a request, not a response");
    out.function = bytes[0] & ~kResponseBit;
    out.error = ReadBE16(bytes.data() + 2);
    DlpReader in(bytes.subspan(4));
    return DecodeArguments(bytes[1], in, out.arguments, error);
}

} // namespace quillary::sync
