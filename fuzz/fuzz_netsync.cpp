// SPDX-License-Identifier: GPL-3.0-or-later
// HotSync protocol: any bytes from a handheld are either understood or refused with a
// reason; nothing reads past what arrived, and nothing is allocated for a length that
// the bytes do not back.
//  - The framer hands out exactly the bytes it was given, whatever the pieces, and a
//    message never exceeds its limit.
//  - A DLP message that decodes encodes again to one that decodes to the same thing.
//  - The client, talking to the input as its handheld, ends every call with a status
//    and stops sending after a fault in the stream.

#include "FuzzCheck.h"
#include "sync/DlpClient.h"

#include <algorithm>
#include <cstdint>
#include <span>

using namespace quillary::sync;

namespace {

bool SameArguments(const std::vector<DlpArgument>& a, const std::vector<DlpArgument>& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].id != b[i].id || a[i].data != b[i].data)
            return false;
    return true;
}

void CheckTypedDecoders(const DlpResponse& r) {
    std::string error;
    DlpSysInfo sys;
    DlpUserInfo user;
    DlpTime time;
    DlpStorageInfo storage;
    DlpNetSyncInfo net;
    DlpDbList list;
    DlpFindDbResult find;
    uint8_t handle = 0;
    uint16_t count = 0;
    std::vector<uint8_t> block;
    std::vector<uint32_t> ids;
    DlpRecord record;
    uint32_t id = 0;
    DlpResource resource;
    // Every decoder either succeeds or says why.
    auto check = [&](bool ok) {
        FUZZ_CHECK(ok || !error.empty());
        error.clear();
    };
    check(DlpCommands::DecodeSysInfo(r, sys, &error));
    check(DlpCommands::DecodeUserInfo(r, user, &error));
    check(DlpCommands::DecodeTime(r, time, &error));
    check(DlpCommands::DecodeStorageInfo(r, storage, &error));
    check(DlpCommands::DecodeNetSyncInfo(r, net, &error));
    const bool listed = DlpCommands::DecodeDbList(r, list, &error);
    check(listed);
    if (listed)
        for (const DlpDbInfo& db : list.databases)
            FUZZ_CHECK(db.name.size() <= DlpCommands::kMaxDbName);
    check(DlpCommands::DecodeFindDb(r, find, &error));
    check(DlpCommands::DecodeHandle(r, handle, &error));
    check(DlpCommands::DecodeOpenDbInfo(r, count, &error));
    check(DlpCommands::DecodeBlock(r, block, &error));
    const bool gotIds = DlpCommands::DecodeRecordIdList(r, ids, &error);
    check(gotIds);
    if (gotIds)
        FUZZ_CHECK(ids.size() * 4 <= r.arguments[0].data.size());
    const bool gotRecord = DlpCommands::DecodeRecord(r, record, &error);
    check(gotRecord);
    if (gotRecord)
        FUZZ_CHECK(record.data.size() <= record.size);
    check(DlpCommands::DecodeWriteRecord(r, id, &error));
    check(DlpCommands::DecodeResource(r, resource, &error));
}

void CheckMessage(std::span<const uint8_t> payload) {
    std::string error;
    DlpResponse response;
    if (DlpCodec::DecodeResponse(payload, response, &error)) {
        std::vector<uint8_t> again;
        FUZZ_CHECK(DlpCodec::EncodeResponse(response, again, &error));
        FUZZ_CHECK(again.size() <= payload.size());
        DlpResponse back;
        FUZZ_CHECK(DlpCodec::DecodeResponse(again, back, &error));
        FUZZ_CHECK(back.function == response.function && back.error == response.error &&
                   SameArguments(back.arguments, response.arguments));
        CheckTypedDecoders(response);
    } else {
        FUZZ_CHECK(!error.empty());
    }
    error.clear();
    DlpRequest request;
    if (DlpCodec::DecodeRequest(payload, request, &error)) {
        std::vector<uint8_t> again;
        FUZZ_CHECK(DlpCodec::EncodeRequest(request, again, &error));
        FUZZ_CHECK(again.size() <= payload.size());
        DlpRequest back;
        FUZZ_CHECK(DlpCodec::DecodeRequest(again, back, &error));
        FUZZ_CHECK(back.function == request.function &&
                   SameArguments(back.arguments, request.arguments));
    } else {
        FUZZ_CHECK(!error.empty());
    }
}

// The input as a handheld: its bytes arrive in pieces of a size the input chooses.
class InputHandheld : public DlpTransport {
public:
    InputHandheld(std::span<const uint8_t> bytes, size_t piece) : m_Bytes(bytes), m_Piece(piece) {}
    bool Send(std::span<const uint8_t>, std::string*) override {
        ++sends;
        return true;
    }
    bool Receive(std::vector<uint8_t>& out, std::string* error) override {
        if (m_Pos >= m_Bytes.size()) {
            *error = "end of input";
            return false;
        }
        const size_t n = std::min(m_Piece, m_Bytes.size() - m_Pos);
        out.insert(out.end(), m_Bytes.begin() + long(m_Pos), m_Bytes.begin() + long(m_Pos + n));
        m_Pos += n;
        return true;
    }
    size_t sends = 0;

private:
    std::span<const uint8_t> m_Bytes;
    size_t m_Piece;
    size_t m_Pos = 0;
};

void CheckFramer(std::span<const uint8_t> bytes, size_t piece) {
    NetSyncFramer framer(1 << 16);
    size_t consumed = 0;
    bool failed = false;
    for (size_t pos = 0; pos < bytes.size() && !failed; pos += piece) {
        framer.Feed(bytes.subspan(pos, std::min(piece, bytes.size() - pos)));
        NetSyncMessage m;
        std::string error;
        for (;;) {
            const NetSyncFramer::Result r = framer.Next(m, &error);
            if (r == NetSyncFramer::Result::NeedMore)
                break;
            if (r == NetSyncFramer::Result::Error) {
                FUZZ_CHECK(!error.empty() && framer.Failed());
                failed = true;
                break;
            }
            FUZZ_CHECK(m.payload.size() <= (1u << 16));
            // The message is the input's bytes at this place.
            FUZZ_CHECK(consumed + NetSyncFramer::kHeaderSize + m.payload.size() <= bytes.size());
            FUZZ_CHECK(std::equal(m.payload.begin(), m.payload.end(),
                                  bytes.begin() + long(consumed + NetSyncFramer::kHeaderSize)));
            consumed += NetSyncFramer::kHeaderSize + m.payload.size();
            CheckMessage(m.payload);
        }
    }
    if (!failed)
        FUZZ_CHECK(consumed + framer.Buffered() == bytes.size());
}

void CheckClient(std::span<const uint8_t> bytes, size_t piece) {
    InputHandheld handheld(bytes, piece);
    DlpClient client(handheld);
    bool broken = false;
    // A session as the service runs it: each call comes back with a status, and once the
    // stream is broken nothing more is sent.
    auto step = [&](auto call) {
        const size_t sendsBefore = handheld.sends;
        const DlpStatus st = call();
        FUZZ_CHECK(st.Ok() || !st.message.empty());
        if (broken)
            FUZZ_CHECK(!st.Ok() && handheld.sends == sendsBefore);
        broken = broken || st.Fatal();
    };
    DlpSysInfo sys;
    DlpUserInfo user;
    DlpDbList list;
    uint8_t handle = 0;
    DlpRecord record;
    std::vector<uint32_t> ids;
    DlpFindDbResult find;
    std::vector<uint8_t> block;
    uint32_t newId = 0;
    step([&] { return client.Handshake(); });
    step([&] { return client.ReadSysInfo(sys); });
    step([&] { return client.ReadUserInfo(user); });
    step([&] { return client.ReadDbList(DlpDbList::kRam | DlpDbList::kMultiple, 0, 0, list); });
    step([&] {
        return client.OpenDb(0, DlpCommands::kOpenRead | DlpCommands::kOpenWrite, "QuillaryDBv2",
                             handle);
    });
    step([&] {
        return client.FindDbByHandle(DlpFindDbResult::kGetAttributes | DlpFindDbResult::kGetSize,
                                     handle, find);
    });
    step([&] { return client.ReadAppBlock(handle, 0, DlpCommands::kReadToEnd, block); });
    step([&] { return client.ReadNextModifiedRec(handle, record); });
    step([&] { return client.ReadRecordIdList(handle, 0, 0, 500, ids); });
    step([&] { return client.ReadRecordByIndex(handle, 0, 0, DlpCommands::kReadToEnd, record); });
    step([&] { return client.WriteRecord(handle, 0x80, record, newId); });
    step([&] { return client.EndOfSync(0); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    // The first byte picks the size of the pieces the bytes arrive in.
    const size_t piece = size_t(data[0] % 16) + 1;
    const std::span<const uint8_t> bytes(data + 1, size - 1);
    CheckFramer(bytes, piece);
    CheckClient(bytes, piece);
    // The input as one bare DLP message, without framing.
    CheckMessage(bytes);
    return 0;
}
