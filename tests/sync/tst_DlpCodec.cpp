// SPDX-License-Identifier: GPL-3.0-or-later
// The protocol library's layers on their own: argument wrappers at their switch points,
// the framer with split and hostile input, typed decoders with counts and lengths that
// run past the end, encoders refusing what the handheld could not take, and the client
// giving up on answers out of turn.

#include "SyncRecording.h"
#include "sync/DlpClient.h"
#include "sync/DlpError.h"
#include "sync/NetSyncFramer.h"

#include <gtest/gtest.h>

#include <deque>

using namespace quillary::sync;
using quillary::test::FromHex;

namespace {

// --- argument wrappers ---

struct WrapperCase {
    size_t size;
    std::string header; // the wrapper bytes before the data, for argument ID 0x20
};

void PrintTo(const WrapperCase& c, std::ostream* os) {
    *os << c.size << " bytes";
}

class DlpWrapper : public ::testing::TestWithParam<WrapperCase> {};

TEST_P(DlpWrapper, SmallestWrapperThatFitsAndBack) {
    const WrapperCase& c = GetParam();
    DlpResponse response;
    response.function = 0x20;
    response.error = 0;
    std::vector<uint8_t> data(c.size);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = uint8_t(i * 7);
    response.arguments.push_back({0x20, data});
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(DlpCodec::EncodeResponse(response, bytes, &error)) << error;
    const std::vector<uint8_t> header = FromHex("a0010000" + c.header);
    ASSERT_GE(bytes.size(), header.size());
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + long(header.size())), header);
    EXPECT_EQ(bytes.size(), header.size() + c.size);

    DlpResponse back;
    ASSERT_TRUE(DlpCodec::DecodeResponse(bytes, back, &error)) << error;
    ASSERT_EQ(back.arguments.size(), 1u);
    EXPECT_EQ(back.arguments[0].id, 0x20);
    EXPECT_EQ(back.arguments[0].data, data);

    // The same argument in a request uses the same wrapper.
    DlpRequest request{0x20, {{0x21, data}}};
    ASSERT_TRUE(DlpCodec::EncodeRequest(request, bytes, &error)) << error;
    DlpRequest again;
    ASSERT_TRUE(DlpCodec::DecodeRequest(bytes, again, &error)) << error;
    EXPECT_EQ(again.arguments[0].id, 0x21);
    EXPECT_EQ(again.arguments[0].data, data);
    // Every byte less is a truncated message.
    bytes.pop_back();
    if (c.size > 0)
        EXPECT_FALSE(DlpCodec::DecodeRequest(bytes, again, &error));
}

INSTANTIATE_TEST_SUITE_P(SwitchPoints, DlpWrapper,
                         ::testing::Values(WrapperCase{0, "2000"}, WrapperCase{1, "2001"},
                                           WrapperCase{255, "20ff"}, WrapperCase{256, "a0000100"},
                                           WrapperCase{65535, "a000ffff"},
                                           WrapperCase{65536, "60000001"
                                                              "0000"}));

// --- malformed messages ---

struct BadMessage {
    const char* name;
    std::string hex;
    bool response;
};

void PrintTo(const BadMessage& c, std::ostream* os) {
    *os << c.name;
}

class DlpMalformed : public ::testing::TestWithParam<BadMessage> {};

TEST_P(DlpMalformed, RefusedWithAReason) {
    const BadMessage& c = GetParam();
    const std::vector<uint8_t> bytes = FromHex(c.hex);
    std::string error;
    if (c.response) {
        DlpResponse r;
        EXPECT_FALSE(DlpCodec::DecodeResponse(bytes, r, &error));
    } else {
        DlpRequest r;
        EXPECT_FALSE(DlpCodec::DecodeRequest(bytes, r, &error));
    }
    EXPECT_FALSE(error.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, DlpMalformed,
                         ::testing::Values(BadMessage{"Empty", "", true},
                                           BadMessage{"HeaderCut", "900100", true},
                                           BadMessage{"RequestBitMissing", "10000000", true},
                                           BadMessage{"CountPastEnd",
                                                      "90050000"
                                                      "2000",
                                                      true},
                                           BadMessage{"CountAtLimitPlusOne", "9011000000", true},
                                           BadMessage{"TinySizeCut", "9001000020", true},
                                           BadMessage{"TinyDataPastEnd",
                                                      "90010000"
                                                      "2005"
                                                      "0102",
                                                      true},
                                           BadMessage{"ShortSizeCut",
                                                      "90010000"
                                                      "a000"
                                                      "01",
                                                      true},
                                           BadMessage{"ShortDataPastEnd",
                                                      "90010000"
                                                      "a0000100"
                                                      "00",
                                                      true},
                                           BadMessage{"LongSizeHuge",
                                                      "90010000"
                                                      "6000ffffffff"
                                                      "00",
                                                      true},
                                           BadMessage{"UnknownWrapper",
                                                      "90010000"
                                                      "e000",
                                                      true},
                                           BadMessage{"BytesAfterLastArgument",
                                                      "90010000"
                                                      "200100"
                                                      "ff",
                                                      true},
                                           BadMessage{"ResponseAsRequest", "9000", false},
                                           BadMessage{"RequestCountPastEnd", "1202", false},
                                           BadMessage{"RequestOneByte", "12", false}));

// --- framer ---

TEST(NetSyncFramer, MessagesSplitAnywhere) {
    const std::vector<uint8_t> a = NetSyncFramer::Encode(1, FromHex("1000"));
    const std::vector<uint8_t> b = NetSyncFramer::Encode(2, FromHex(""));
    const std::vector<uint8_t> c = NetSyncFramer::Encode(3, FromHex("2f01200200ff"));
    std::vector<uint8_t> stream = a;
    stream.insert(stream.end(), b.begin(), b.end());
    stream.insert(stream.end(), c.begin(), c.end());
    for (size_t cut = 0; cut <= stream.size(); ++cut) {
        NetSyncFramer framer;
        std::vector<NetSyncMessage> got;
        for (auto part : {std::span(stream).first(cut), std::span(stream).subspan(cut)}) {
            framer.Feed(part);
            NetSyncMessage m;
            std::string error;
            NetSyncFramer::Result r;
            while ((r = framer.Next(m, &error)) == NetSyncFramer::Result::Message)
                got.push_back(m);
            ASSERT_EQ(r, NetSyncFramer::Result::NeedMore) << error;
        }
        ASSERT_EQ(got.size(), 3u) << "cut at " << cut;
        EXPECT_EQ(got[0].transaction, 1);
        EXPECT_EQ(got[0].payload, FromHex("1000"));
        EXPECT_TRUE(got[1].payload.empty());
        EXPECT_EQ(got[2].payload, FromHex("2f01200200ff"));
        EXPECT_EQ(framer.Buffered(), 0u);
    }
}

struct BadFrame {
    const char* name;
    std::string hex;
};

void PrintTo(const BadFrame& c, std::ostream* os) {
    *os << c.name;
}

class NetSyncFramerBad : public ::testing::TestWithParam<BadFrame> {};

// A header that cannot be right fails as soon as the header is in, before any payload
// arrives or is allocated, and the framer stays failed.
TEST_P(NetSyncFramerBad, FailsOnTheHeader) {
    NetSyncFramer framer(1000);
    framer.Feed(FromHex(GetParam().hex));
    NetSyncMessage m;
    std::string error;
    EXPECT_EQ(framer.Next(m, &error), NetSyncFramer::Result::Error);
    EXPECT_FALSE(error.empty());
    framer.Feed(NetSyncFramer::Encode(1, FromHex("1000")));
    EXPECT_EQ(framer.Next(m, &error), NetSyncFramer::Result::Error);
    EXPECT_TRUE(framer.Failed());
}

INSTANTIATE_TEST_SUITE_P(Cases, NetSyncFramerBad,
                         ::testing::Values(BadFrame{"OverLimit", "0101000003e9"},
                                           BadFrame{"Huge", "0101ffffffff"},
                                           BadFrame{"UnknownType", "030100000000"},
                                           BadFrame{"ZeroType", "000100000002"
                                                                "1000"}));

TEST(NetSyncFramer, PayloadAtTheLimitIsAccepted) {
    NetSyncFramer framer(1000);
    framer.Feed(NetSyncFramer::Encode(7, std::vector<uint8_t>(1000, 0x55)));
    NetSyncMessage m;
    std::string error;
    ASSERT_EQ(framer.Next(m, &error), NetSyncFramer::Result::Message) << error;
    EXPECT_EQ(m.payload.size(), 1000u);
}

TEST(NetSyncFramer, TransactionIdsSkipTheHandheldsOwn) {
    EXPECT_EQ(NetSyncFramer::NextTransaction(0), 1);
    EXPECT_EQ(NetSyncFramer::NextTransaction(1), 2);
    EXPECT_EQ(NetSyncFramer::NextTransaction(253), 254);
    EXPECT_EQ(NetSyncFramer::NextTransaction(254), 1);
    EXPECT_EQ(NetSyncFramer::NextTransaction(255), 1);
}

// --- typed decoders ---

struct BadAnswer {
    const char* name;
    uint8_t function;
    std::string argument; // the first argument's data
};

void PrintTo(const BadAnswer& c, std::ostream* os) {
    *os << c.name;
}

class DlpTypedMalformed : public ::testing::TestWithParam<BadAnswer> {};

bool DecodeAny(const DlpResponse& r, std::string* error) {
    switch (DlpFunction(r.function)) {
    case DlpFunction::ReadDbList: {
        DlpDbList v;
        return DlpCommands::DecodeDbList(r, v, error);
    }
    case DlpFunction::ReadRecordIdList: {
        std::vector<uint32_t> v;
        return DlpCommands::DecodeRecordIdList(r, v, error);
    }
    case DlpFunction::ReadUserInfo: {
        DlpUserInfo v;
        return DlpCommands::DecodeUserInfo(r, v, error);
    }
    case DlpFunction::ReadStorageInfo: {
        DlpStorageInfo v;
        return DlpCommands::DecodeStorageInfo(r, v, error);
    }
    case DlpFunction::ReadNetSyncInfo: {
        DlpNetSyncInfo v;
        return DlpCommands::DecodeNetSyncInfo(r, v, error);
    }
    case DlpFunction::ReadRecord: {
        DlpRecord v;
        return DlpCommands::DecodeRecord(r, v, error);
    }
    case DlpFunction::ReadResource: {
        DlpResource v;
        return DlpCommands::DecodeResource(r, v, error);
    }
    case DlpFunction::ReadAppBlock: {
        std::vector<uint8_t> v;
        return DlpCommands::DecodeBlock(r, v, error);
    }
    case DlpFunction::FindDb: {
        DlpFindDbResult v;
        return DlpCommands::DecodeFindDb(r, v, error);
    }
    case DlpFunction::ReadSysInfo: {
        DlpSysInfo v;
        return DlpCommands::DecodeSysInfo(r, v, error);
    }
    default:
        ADD_FAILURE() << "no decoder in the table for " << DlpCommands::FunctionName(r.function);
        return true;
    }
}

TEST_P(DlpTypedMalformed, RefusedWithAReason) {
    const BadAnswer& c = GetParam();
    DlpResponse r;
    r.function = c.function;
    r.arguments.push_back({0x20, FromHex(c.argument)});
    std::string error;
    EXPECT_FALSE(DecodeAny(r, &error));
    EXPECT_FALSE(error.empty());
    // Without its argument every answer is refused too.
    r.arguments.clear();
    error.clear();
    EXPECT_FALSE(DecodeAny(r, &error));
    EXPECT_FALSE(error.empty());
}

// One valid database description (AddressDB, as a real handheld sent it).
const std::string kDbEntry = "36400008444154416164647200000000000207e70607150a220007e70607150a"
                             "220000000000e41f01000000416464726573734442004640";

INSTANTIATE_TEST_SUITE_P(
    Cases, DlpTypedMalformed,
    ::testing::Values(BadAnswer{"DbListCountPastEnd", 0x16, "002a8002" + kDbEntry},
                      BadAnswer{"DbListEntrySizeTooSmall", 0x16,
                                "002a000106" + kDbEntry.substr(2, 10)},
                      BadAnswer{"DbListEntrySizePastEnd", 0x16, "002a0001ff" + kDbEntry.substr(2)},
                      BadAnswer{"DbListNameWithoutNul", 0x16,
                                "002a0001" + std::string("2d") + kDbEntry.substr(2, 86) + "41"},
                      BadAnswer{"RecordIdCountPastEnd", 0x31,
                                "000300000001"
                                "00000002"},
                      BadAnswer{"UserNamePastEnd", 0x10,
                                "000000000000000000000000"
                                "0000000000000000"
                                "0000000000000000"
                                "2000"
                                "41"},
                      BadAnswer{"PasswordPastEnd", 0x10,
                                "000000000000000000000000"
                                "0000000000000000"
                                "0000000000000000"
                                "0010"},
                      BadAnswer{"CardCountPastEnd", 0x15,
                                "00000002"
                                "02000000"},
                      BadAnswer{"CardNamePastEnd", 0x15,
                                "00000001"
                                "1a00000107d10a090d212500"
                                "000000000000"
                                "000000000000"
                                "ff00"},
                      BadAnswer{"NetSyncHostPastEnd", 0x36,
                                "01"
                                "0000000000000000000000000000000000"
                                "00ff00000000"},
                      BadAnswer{"RecordHeaderCut", 0x20, "0045700100"},
                      BadAnswer{"RecordLongerThanItsSize", 0x20,
                                "00457001"
                                "0000"
                                "0001"
                                "4000"
                                "4142"},
                      BadAnswer{"ResourceLongerThanItsSize", 0x23,
                                "636f6465"
                                "0001"
                                "0000"
                                "0000"
                                "41"},
                      BadAnswer{"BlockSizePastEnd", 0x1b,
                                "0005"
                                "01020304"},
                      BadAnswer{"FindDbHeaderCut", 0x39, "0000000000"},
                      BadAnswer{"FindDbInfoCut", 0x39,
                                "0000"
                                "00000000"
                                "00000000"
                                "3640"},
                      BadAnswer{"SysInfoProductIdPastEnd", 0x12,
                                "05403017"
                                "00010000"
                                "00"
                                "08"
                                "01000000"}));

// --- encoders refuse what the handheld could not take ---

TEST(DlpCommands, NameLimits) {
    std::string error;
    EXPECT_TRUE(DlpCommands::OpenDb(0, DlpCommands::kOpenRead, std::string(31, 'n'), &error));
    EXPECT_FALSE(DlpCommands::OpenDb(0, DlpCommands::kOpenRead, std::string(32, 'n'), &error));
    EXPECT_NE(error.find("31"), std::string::npos) << error;
    EXPECT_FALSE(DlpCommands::OpenDb(0, DlpCommands::kOpenRead, "", &error));
    EXPECT_FALSE(DlpCommands::DeleteDb(0, std::string("Memo\0DB", 7), &error));
    EXPECT_FALSE(DlpCommands::CreateDb({0, 0, 0, 0, 0, std::string(40, 'x')}, &error));
    EXPECT_FALSE(DlpCommands::FindDbByName(0, 0, std::string(32, 'n'), &error));
    EXPECT_FALSE(DlpCommands::AddSyncLogEntry(std::string("a\0b", 3), &error));
}

TEST(DlpCommands, DataLimits) {
    std::string error;
    DlpRecord record;
    record.data.assign(DlpCommands::kMaxRecordData, 0xAB);
    auto r = DlpCommands::WriteRecord(1, 0x80, record, &error);
    ASSERT_TRUE(r) << error;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(DlpCodec::EncodeRequest(*r, bytes, &error)) << error;
    EXPECT_EQ(bytes[2], 0xA0) << "a full record still goes in a short wrapper";
    record.data.push_back(0);
    EXPECT_FALSE(DlpCommands::WriteRecord(1, 0x80, record, &error));
    EXPECT_FALSE(error.empty());
    DlpResource resource;
    resource.data.assign(DlpCommands::kMaxRecordData + 1, 0);
    EXPECT_FALSE(DlpCommands::WriteResource(1, resource, &error));
    EXPECT_FALSE(DlpCommands::WriteAppBlock(1, resource.data, &error));
    EXPECT_FALSE(DlpCommands::WriteSortBlock(1, resource.data, &error));
}

// The commands a sync may use that none of the recordings contains, against the
// argument layouts handhelds expect.
struct Encoded {
    const char* name;
    DlpRequest request;
    std::string hex;
};

void PrintTo(const Encoded& c, std::ostream* os) {
    *os << c.name;
}

class DlpUnrecorded : public ::testing::TestWithParam<Encoded> {};

TEST_P(DlpUnrecorded, Bytes) {
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(DlpCodec::EncodeRequest(GetParam().request, bytes, &error)) << error;
    EXPECT_EQ(bytes, FromHex(GetParam().hex));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DlpUnrecorded,
    ::testing::Values(
        Encoded{"DeleteRecord", DlpCommands::DeleteRecord(3, 0, 0x00457001),
                "22012006030000457001"},
        Encoded{"DeleteAllRecords", DlpCommands::DeleteRecord(3, DlpCommands::kDeleteAll, 0),
                "22012006038000000000"},
        Encoded{"DeleteResource", DlpCommands::DeleteResource(2, 0, 0x74535452, 1000),
                "2501200802007453545203e8"},
        Encoded{"WriteSortBlock", *DlpCommands::WriteSortBlock(4, FromHex("0102"), nullptr),
                "1e01200604000002"
                "0102"},
        Encoded{"AddSyncLogEntry", *DlpCommands::AddSyncLogEntry("OK", nullptr), "2a0120034f4b00"},
        Encoded{"FindDbByTypeCreator",
                DlpCommands::FindDbByTypeCreator(0x80, 0x80, 0x44415441, 0x6d656d6f),
                "3901220a8080444154416d656d6f"}));

// --- the client against a scripted handheld ---

class ScriptedHandheld : public DlpTransport {
public:
    std::deque<std::vector<uint8_t>> answers; // whole frames
    std::vector<std::vector<uint8_t>> sent;
    bool failSend = false;
    bool Send(std::span<const uint8_t> bytes, std::string* error) override {
        if (failSend) {
            *error = "connection reset";
            return false;
        }
        sent.emplace_back(bytes.begin(), bytes.end());
        return true;
    }
    bool Receive(std::vector<uint8_t>& out, std::string* error) override {
        if (answers.empty()) {
            *error = "connection closed";
            return false;
        }
        out.insert(out.end(), answers.front().begin(), answers.front().end());
        answers.pop_front();
        return true;
    }
};

struct ClientCase {
    const char* name;
    std::string answer; // the frame that answers ReadOpenDBInfo, sent with transaction 1
    DlpStatus::Kind kind;
    uint16_t code;
};

void PrintTo(const ClientCase& c, std::ostream* os) {
    *os << c.name;
}

class DlpClientAnswers : public ::testing::TestWithParam<ClientCase> {};

TEST_P(DlpClientAnswers, Outcome) {
    const ClientCase& c = GetParam();
    ScriptedHandheld handheld;
    handheld.answers.push_back(FromHex(c.answer));
    DlpClient client(handheld);
    uint16_t n = 0;
    const DlpStatus s = client.ReadOpenDbInfo(1, n);
    EXPECT_EQ(s.kind, c.kind) << s.message;
    EXPECT_EQ(s.code, c.code);
    if (c.kind == DlpStatus::Kind::Ok) {
        EXPECT_EQ(n, 0x1234);
        return;
    }
    EXPECT_FALSE(s.message.empty());
    // After a fault in the stream nothing more is sent; a handheld error is just an answer.
    handheld.answers.push_back(FromHex("010200000008ab01000020021234"));
    const size_t sentBefore = handheld.sent.size();
    const DlpStatus next = client.ReadOpenDbInfo(1, n);
    if (s.Fatal()) {
        EXPECT_FALSE(next.Ok());
        EXPECT_EQ(handheld.sent.size(), sentBefore);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DlpClientAnswers,
    ::testing::Values(
        ClientCase{"Ok", "010100000008ab01000020021234", DlpStatus::Kind::Ok, 0},
        ClientCase{"HandheldError", "010100000004ab000005", DlpStatus::Kind::Handheld, 5},
        ClientCase{"WrongTransaction", "010200000008ab01000020021234", DlpStatus::Kind::Protocol,
                   0},
        ClientCase{"WrongFunction", "010100000008ac01000020021234", DlpStatus::Kind::Protocol, 0},
        ClientCase{"Malformed", "010100000006ab0100002009", DlpStatus::Kind::Protocol, 0},
        ClientCase{"AnswerTooShortForItsType", "010100000007ab010000200112",
                   DlpStatus::Kind::Protocol, 0},
        ClientCase{"Oversized", "0101ffffffff", DlpStatus::Kind::Protocol, 0},
        ClientCase{"ConnectionClosed", "0101000000", DlpStatus::Kind::Transport, 0}));

TEST(DlpClient, KeepAlivesAreSkipped) {
    ScriptedHandheld handheld;
    handheld.answers.push_back(FromHex("020100000000"));
    handheld.answers.push_back(FromHex("020100000002"
                                       "0000"
                                       "010100000008ab01000020021234"));
    DlpClient client(handheld);
    uint16_t n = 0;
    const DlpStatus s = client.ReadOpenDbInfo(1, n);
    EXPECT_TRUE(s.Ok()) << s.message;
    EXPECT_EQ(n, 0x1234);
}

// A transport that reports success without bytes must not keep the client waiting.
TEST(DlpClient, EmptyReceiveEndsTheSession) {
    class Silent : public DlpTransport {
    public:
        bool Send(std::span<const uint8_t>, std::string*) override { return true; }
        bool Receive(std::vector<uint8_t>&, std::string*) override { return true; }
    } silent;
    DlpClient client(silent);
    const DlpStatus s = client.OpenConduit();
    EXPECT_EQ(s.kind, DlpStatus::Kind::Transport) << s.message;
    EXPECT_FALSE(s.message.empty());
}

TEST(DlpClient, HandheldErrorNamed) {
    ScriptedHandheld handheld;
    handheld.answers.push_back(FromHex("010100000004af000005"));
    DlpClient client(handheld);
    const DlpStatus s = client.EndOfSync(0);
    EXPECT_TRUE(s.IsHandheldError(uint16_t(DlpErrorCode::NotFound)));
    EXPECT_NE(s.message.find("EndOfSync"), std::string::npos) << s.message;
    EXPECT_NE(s.message.find("not found"), std::string::npos) << s.message;
    EXPECT_EQ(DlpError::Name(0x15), "invalid argument size");
    EXPECT_EQ(DlpError::Name(0x99), "error 0x0099");
}

TEST(DlpClient, RefusedRequestIsNotSent) {
    ScriptedHandheld handheld;
    DlpClient client(handheld);
    uint8_t handle = 0;
    const DlpStatus s = client.OpenDb(0, DlpCommands::kOpenRead, std::string(32, 'x'), handle);
    EXPECT_EQ(s.kind, DlpStatus::Kind::Refused);
    EXPECT_FALSE(s.Fatal());
    EXPECT_TRUE(handheld.sent.empty());
}

TEST(DlpClient, SendFailureEndsTheSession) {
    ScriptedHandheld handheld;
    handheld.failSend = true;
    DlpClient client(handheld);
    EXPECT_EQ(client.OpenConduit().kind, DlpStatus::Kind::Transport);
    handheld.failSend = false;
    EXPECT_EQ(client.OpenConduit().kind, DlpStatus::Kind::Transport);
    EXPECT_TRUE(handheld.sent.empty());
}

struct HandshakeCase {
    const char* name;
    std::vector<std::string> frames;
};

void PrintTo(const HandshakeCase& c, std::ostream* os) {
    *os << c.name;
}

class NetSyncHandshakeBad : public ::testing::TestWithParam<HandshakeCase> {};

TEST_P(NetSyncHandshakeBad, Refused) {
    ScriptedHandheld handheld;
    for (const std::string& f : GetParam().frames)
        handheld.answers.push_back(FromHex(f));
    DlpClient client(handheld);
    const DlpStatus s = client.Handshake();
    EXPECT_TRUE(s.Fatal()) << s.message;
    EXPECT_FALSE(s.message.empty());
}

const std::string kWakeup = "01ff00000016"
                            "90010000000000000020000000080200000000000000";
const std::string kHello = "010100000032"
                           "9201000000000000002000000024ffffffff3c003c00000000"
                           "4000000002c0a80205e06b0000000000000000000000000000";

INSTANTIATE_TEST_SUITE_P(Cases, NetSyncHandshakeBad,
                         ::testing::Values(HandshakeCase{"NoWakeup", {}},
                                           HandshakeCase{"DlpInsteadOfWakeup",
                                                         {"010100000002"
                                                          "1000"}},
                                           HandshakeCase{"WakeupTooShort",
                                                         {"01ff00000002"
                                                          "9001"}},
                                           HandshakeCase{
                                               "HelloOutOfTurn",
                                               {kWakeup, "010500000032" + kHello.substr(12)}},
                                           HandshakeCase{"ConfirmWrongKind",
                                                         {kWakeup, kHello,
                                                          "010200000008"
                                                          "9200000000000000"}}));

} // namespace
