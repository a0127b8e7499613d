// SPDX-License-Identifier: GPL-3.0-or-later
// The protocol library against real handhelds: each recorded session is replayed through
// DlpClient. The test reads every recorded desktop request, asks the client for the same
// command through its typed interface, and checks that the bytes the client sends equal
// the recorded request (framing, transaction ID, wrappers, arguments) and that every
// recorded handheld answer decodes.

#include "SyncRecording.h"
#include "storage/ByteOrder.h"
#include "sync/DlpClient.h"
#include "sync/DlpError.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

using namespace quillary::sync;
using quillary::ReadBE16;
using quillary::ReadBE32;
using quillary::test::Frames;
using quillary::test::LoadRecording;
using quillary::test::SyncEvent;
using quillary::test::SyncFrame;

namespace {

std::string Hex(std::span<const uint8_t> bytes, size_t max = 64) {
    std::string out;
    char buf[4];
    for (size_t i = 0; i < bytes.size() && i < max; ++i) {
        std::snprintf(buf, sizeof buf, "%02x", bytes[i]);
        out += buf;
    }
    return bytes.size() > max ? out + "..." : out;
}

enum class Chunks { AsRecorded, SingleBytes };

void PrintTo(Chunks c, std::ostream* os) {
    *os << (c == Chunks::AsRecorded ? "as recorded" : "byte by byte");
}

// Plays the handheld: hands out its recorded bytes and compares what the client sends
// with the recorded desktop messages.
class ReplayTransport : public DlpTransport {
public:
    ReplayTransport(const std::vector<SyncEvent>& events, Chunks chunks)
        : m_Desktop(Frames(events, false)) {
        for (const SyncEvent& e : events) {
            if (!e.fromHandheld)
                continue;
            if (chunks == Chunks::AsRecorded)
                m_Reads.push_back(e.bytes);
            else
                for (uint8_t b : e.bytes)
                    m_Reads.push_back({b});
        }
    }
    bool Send(std::span<const uint8_t> bytes, std::string* error) override {
        if (m_Sent >= m_Desktop.size()) {
            *error = "the recording has no more desktop messages";
            return false;
        }
        const SyncFrame& expected = m_Desktop[m_Sent];
        if (!std::equal(bytes.begin(), bytes.end(), expected.bytes.begin(), expected.bytes.end()))
            m_Mismatches.push_back("message " + std::to_string(m_Sent) + ": sent " + Hex(bytes) +
                                   ", recorded " + Hex(expected.bytes));
        ++m_Sent;
        return true;
    }
    bool Receive(std::vector<uint8_t>& out, std::string* error) override {
        if (m_Read >= m_Reads.size()) {
            *error = "the recording ends";
            return false;
        }
        const std::vector<uint8_t>& chunk = m_Reads[m_Read++];
        out.insert(out.end(), chunk.begin(), chunk.end());
        return true;
    }

    const std::vector<SyncFrame>& Desktop() const { return m_Desktop; }
    size_t Sent() const { return m_Sent; }
    bool AllRead() const { return m_Read == m_Reads.size(); }
    const std::vector<std::string>& Mismatches() const { return m_Mismatches; }

private:
    std::vector<SyncFrame> m_Desktop;
    std::vector<std::vector<uint8_t>> m_Reads;
    size_t m_Sent = 0;
    size_t m_Read = 0;
    std::vector<std::string> m_Mismatches;
};

std::string Text(std::span<const uint8_t> bytes) {
    std::string s(bytes.begin(), bytes.end());
    return s.substr(0, s.find('\0'));
}
std::vector<uint8_t> Tail(const std::vector<uint8_t>& a, size_t from) {
    return from <= a.size() ? std::vector<uint8_t>(a.begin() + long(from), a.end())
                            : std::vector<uint8_t>();
}
DlpTime Time(const uint8_t* p) {
    return DlpTime{ReadBE16(p), p[2], p[3], p[4], p[5], p[6]};
}
std::string Show(const DlpTime& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return buf;
}

// Issues the recorded request through the client's typed call and notes, in `log`, what
// came back. Returns false for a command the test does not know.
bool Replay(DlpClient& client, const DlpRequest& req, DlpStatus& status, std::ostream& log) {
    const uint8_t id = req.arguments.empty() ? 0 : req.arguments[0].id;
    const std::vector<uint8_t> a =
        req.arguments.empty() ? std::vector<uint8_t>() : req.arguments[0].data;
    const uint8_t* p = a.data();
    // Every argument the commands below read from `p` is there in the recordings; a short
    // one fails the size check first.
    auto need = [&](size_t n) { return a.size() >= n; };
    log << DlpCommands::FunctionName(req.function) << ' ';
    switch (DlpFunction(req.function)) {
    case DlpFunction::ReadUserInfo: {
        DlpUserInfo u;
        status = client.ReadUserInfo(u);
        log << "user '" << u.userName << "' last sync " << Show(u.lastSync);
        return true;
    }
    case DlpFunction::WriteUserInfo: {
        if (!need(22))
            return false;
        DlpUserInfoUpdate u;
        u.userId = ReadBE32(p);
        u.viewerId = ReadBE32(p + 4);
        u.lastSyncPc = ReadBE32(p + 8);
        u.lastSync = Time(p + 12);
        u.modified = p[20];
        u.userName = Text(Tail(a, 22));
        status = client.WriteUserInfo(u);
        return true;
    }
    case DlpFunction::ReadSysInfo: {
        DlpSysInfo s;
        status = client.ReadSysInfo(s);
        char buf[64];
        std::snprintf(buf, sizeof buf, "rom %08x dlp %u.%u max %u", s.romVersion, s.dlpMajor,
                      s.dlpMinor, s.maxRecordSize);
        log << buf;
        return true;
    }
    case DlpFunction::GetSysDateTime: {
        DlpTime t;
        status = client.GetSysDateTime(t);
        log << Show(t);
        return true;
    }
    case DlpFunction::SetSysDateTime:
        if (!need(8))
            return false;
        status = client.SetSysDateTime(Time(p));
        return true;
    case DlpFunction::ReadStorageInfo: {
        if (!need(1))
            return false;
        DlpStorageInfo s;
        status = client.ReadStorageInfo(p[0], s);
        for (const DlpCardInfo& c : s.cards)
            log << "card '" << c.name << "' by '" << c.manufacturer << "' ram " << c.ramSize << ' ';
        log << "ram dbs " << s.ramDbCount;
        return true;
    }
    case DlpFunction::ReadNetSyncInfo: {
        DlpNetSyncInfo n;
        status = client.ReadNetSyncInfo(n);
        log << "lan " << int(n.lanSync) << " address '" << n.hostAddress << "'";
        return true;
    }
    case DlpFunction::WriteNetSyncInfo: {
        if (!need(24))
            return false;
        DlpNetSyncInfo n;
        n.lanSync = p[1];
        size_t at = 24;
        for (auto [lenAt, field] : {std::pair{18, &n.hostName}, std::pair{20, &n.hostAddress},
                                    std::pair{22, &n.subnetMask}}) {
            const size_t len = ReadBE16(p + lenAt);
            *field = Text(std::vector<uint8_t>(a.begin() + long(at), a.begin() + long(at + len)));
            at += len;
        }
        status = client.WriteNetSyncInfo(p[0], n);
        return true;
    }
    case DlpFunction::ReadDbList: {
        if (!need(4))
            return false;
        DlpDbList list;
        status = client.ReadDbList(p[0], p[1], ReadBE16(p + 2), list);
        log << list.databases.size() << " dbs";
        for (const DlpDbInfo& db : list.databases)
            log << " '" << db.name << "'";
        return true;
    }
    case DlpFunction::FindDb: {
        if (!need(2))
            return false;
        DlpFindDbResult f;
        if (id == 0x20)
            status = client.FindDbByName(p[0], p[1], Text(Tail(a, 2)), f);
        else if (id == 0x21)
            status = client.FindDbByHandle(p[0], p[1], f);
        else if (id == 0x22 && need(10))
            status = client.FindDbByTypeCreator(p[0], p[1], ReadBE32(p + 2), ReadBE32(p + 6), f);
        else
            return false;
        log << "'" << f.info.name << "' records " << f.size.numRecords;
        return true;
    }
    case DlpFunction::OpenDb: {
        if (!need(3))
            return false;
        uint8_t handle = 0;
        status = client.OpenDb(p[0], p[1], Text(Tail(a, 2)), handle);
        log << "'" << Text(Tail(a, 2)) << "' -> " << int(handle);
        return true;
    }
    case DlpFunction::CreateDb: {
        if (!need(15))
            return false;
        DlpCreateDbParams c;
        c.creator = ReadBE32(p);
        c.type = ReadBE32(p + 4);
        c.cardNo = p[8];
        c.flags = ReadBE16(p + 10);
        c.version = ReadBE16(p + 12);
        c.name = Text(Tail(a, 14));
        uint8_t handle = 0;
        status = client.CreateDb(c, handle);
        log << "'" << c.name << "' -> " << int(handle);
        return true;
    }
    case DlpFunction::CloseDb:
        if (!need(1))
            return false;
        status = client.CloseDb(p[0]);
        return true;
    case DlpFunction::DeleteDb:
        if (!need(3))
            return false;
        status = client.DeleteDb(p[0], Text(Tail(a, 2)));
        log << "'" << Text(Tail(a, 2)) << "'";
        return true;
    case DlpFunction::ReadOpenDbInfo: {
        if (!need(1))
            return false;
        uint16_t n = 0;
        status = client.ReadOpenDbInfo(p[0], n);
        log << n << " records";
        return true;
    }
    case DlpFunction::ReadAppBlock:
    case DlpFunction::ReadSortBlock: {
        if (!need(6))
            return false;
        std::vector<uint8_t> block;
        status = req.function == uint8_t(DlpFunction::ReadAppBlock)
                     ? client.ReadAppBlock(p[0], ReadBE16(p + 2), ReadBE16(p + 4), block)
                     : client.ReadSortBlock(p[0], ReadBE16(p + 2), ReadBE16(p + 4), block);
        log << block.size() << " bytes";
        return true;
    }
    case DlpFunction::WriteAppBlock:
    case DlpFunction::WriteSortBlock: {
        if (!need(4))
            return false;
        const std::vector<uint8_t> data = Tail(a, 4);
        status = req.function == uint8_t(DlpFunction::WriteAppBlock)
                     ? client.WriteAppBlock(p[0], data)
                     : client.WriteSortBlock(p[0], data);
        return true;
    }
    case DlpFunction::ReadRecordIdList: {
        if (!need(6))
            return false;
        std::vector<uint32_t> ids;
        status = client.ReadRecordIdList(p[0], p[1], ReadBE16(p + 2), ReadBE16(p + 4), ids);
        log << ids.size() << " ids";
        return true;
    }
    case DlpFunction::ReadRecord:
    case DlpFunction::ReadNextModifiedRec: {
        DlpRecord r;
        if (req.function == uint8_t(DlpFunction::ReadNextModifiedRec) && need(1))
            status = client.ReadNextModifiedRec(p[0], r);
        else if (id == 0x20 && need(10))
            status =
                client.ReadRecordById(p[0], ReadBE32(p + 2), ReadBE16(p + 6), ReadBE16(p + 8), r);
        else if (id == 0x21 && need(8))
            status = client.ReadRecordByIndex(p[0], ReadBE16(p + 2), ReadBE16(p + 4),
                                              ReadBE16(p + 6), r);
        else
            return false;
        char buf[48];
        std::snprintf(buf, sizeof buf, "id %08x attr %02x size %u '", r.id, r.attributes, r.size);
        log << buf << Text(r.data) << "'";
        return true;
    }
    case DlpFunction::WriteRecord: {
        if (!need(8))
            return false;
        DlpRecord r;
        r.id = ReadBE32(p + 2);
        r.attributes = p[6];
        r.category = p[7];
        r.data = Tail(a, 8);
        uint32_t newId = 0;
        status = client.WriteRecord(p[0], p[1], r, newId);
        char buf[24];
        std::snprintf(buf, sizeof buf, "-> %08x", newId);
        log << buf;
        return true;
    }
    case DlpFunction::DeleteRecord:
        if (!need(6))
            return false;
        status = client.DeleteRecord(p[0], p[1], ReadBE32(p + 2));
        return true;
    case DlpFunction::ReadResource: {
        DlpResource r;
        if (id == 0x20 && need(8))
            status = client.ReadResourceByIndex(p[0], ReadBE16(p + 2), ReadBE16(p + 4),
                                                ReadBE16(p + 6), r);
        else if (id == 0x21 && need(12))
            status = client.ReadResourceByType(p[0], ReadBE32(p + 2), ReadBE16(p + 6),
                                               ReadBE16(p + 8), ReadBE16(p + 10), r);
        else
            return false;
        log << Text(std::vector<uint8_t>{uint8_t(r.type >> 24), uint8_t(r.type >> 16),
                                         uint8_t(r.type >> 8), uint8_t(r.type)})
            << ' ' << r.id << " size " << r.data.size();
        return true;
    }
    case DlpFunction::WriteResource: {
        if (!need(10))
            return false;
        DlpResource r;
        r.type = ReadBE32(p + 2);
        r.id = ReadBE16(p + 6);
        r.data = Tail(a, 10);
        status = client.WriteResource(p[0], r);
        log << Text(Tail(a, 2)).substr(0, 4) << ' ' << r.id << " size " << r.data.size();
        return true;
    }
    case DlpFunction::DeleteResource:
        if (!need(8))
            return false;
        status = client.DeleteResource(p[0], p[1], ReadBE32(p + 2), ReadBE16(p + 6));
        return true;
    case DlpFunction::CleanUpDatabase:
        if (!need(1))
            return false;
        status = client.CleanUpDatabase(p[0]);
        return true;
    case DlpFunction::ResetSyncFlags:
        if (!need(1))
            return false;
        status = client.ResetSyncFlags(p[0]);
        return true;
    case DlpFunction::AddSyncLogEntry:
        status = client.AddSyncLogEntry(Text(a));
        return true;
    case DlpFunction::OpenConduit:
        status = client.OpenConduit();
        return true;
    case DlpFunction::EndOfSync:
        if (!need(2))
            return false;
        status = client.EndOfSync(ReadBE16(p));
        return true;
    }
    return false;
}

struct Recording {
    const char* file;
    size_t requests;                   // DLP requests after the handshake
    std::vector<std::string> expected; // lines (or parts of lines) the replay must log
};

void PrintTo(const Recording& r, std::ostream* os) {
    *os << r.file;
}

class SyncReplay : public ::testing::TestWithParam<std::tuple<Recording, Chunks>> {};

TEST_P(SyncReplay, RequestsMatchAndResponsesDecode) {
    const auto& [rec, chunks] = GetParam();
    const std::vector<SyncEvent> events = LoadRecording(rec.file);
    ASSERT_FALSE(events.empty()) << "cannot read " << rec.file;
    ReplayTransport transport(events, chunks);
    const std::vector<SyncFrame>& desktop = transport.Desktop();
    ASSERT_EQ(desktop.size(), rec.requests + 2) << "the recording itself changed";
    const std::vector<SyncFrame> handheld = Frames(events, true);
    ASSERT_EQ(handheld.size(), desktop.size() + 1);

    DlpClient client(transport);
    const DlpStatus hs = client.Handshake();
    ASSERT_TRUE(hs.Ok()) << hs.message;

    std::ostringstream log;
    for (size_t i = 2; i < desktop.size(); ++i) {
        DlpRequest req;
        std::string error;
        ASSERT_TRUE(DlpCodec::DecodeRequest(desktop[i].payload, req, &error))
            << "recorded request " << i << ": " << error;
        DlpStatus status;
        std::ostringstream line;
        ASSERT_TRUE(Replay(client, req, status, line))
            << "request " << i
            << " uses a command the replay does not know: " << Hex(desktop[i].payload);
        // The recorded answer's own error code, read straight from its bytes.
        const std::vector<uint8_t>& answer = handheld[i + 1].payload;
        ASSERT_GE(answer.size(), 4u);
        const uint16_t recordedError = ReadBE16(answer.data() + 2);
        if (recordedError == 0) {
            ASSERT_TRUE(status.Ok())
                << "request " << i << " (" << line.str() << "): " << status.message;
        } else {
            ASSERT_TRUE(status.IsHandheldError(recordedError))
                << "request " << i << " (" << line.str() << "): " << status.message;
            line << " error " << status.code;
        }
        log << line.str() << '\n';
    }
    EXPECT_EQ(transport.Sent(), desktop.size());
    EXPECT_TRUE(transport.AllRead());
    EXPECT_TRUE(transport.Mismatches().empty())
        << transport.Mismatches().size()
        << " requests differ; first: " << transport.Mismatches()[0];
    for (const std::string& want : rec.expected)
        EXPECT_NE(log.str().find(want), std::string::npos) << "missing: " << want << "\nlog:\n"
                                                           << log.str().substr(0, 4000);
}

const Recording kRecordings[] = {
    {"no-op-test.net.json", 3, {"ReadSysInfo rom 05403017 dlp 1.2 max 65505", "EndOfSync \n"}},
    {"device-info-test.net.json",
     11,
     {"ReadUserInfo user 'Test 0' last sync 2023-06-12 17:00:00",
      "ReadUserInfo user 'Test 0' last sync 2023-06-13 00:00:01",
      "GetSysDateTime 2023-06-12 06:44:51",
      "ReadStorageInfo card 'PalmCard' by 'Palm Computing' ram 8388608 ram dbs 13",
      "ReadNetSyncInfo lan 1 address '192.168.2.4'"}},
    {"list-db-test.net.json", 4, {"ReadDBList 20 dbs 'AddressDB'"}},
    {"read-memo-test.net.json",
     10,
     {"OpenDB 'MemoDB' -> 1", "ReadOpenDBInfo 1 records", "ReadAppBlock 282 bytes",
      "ReadRecordIDList 1 ids", "ReadRecord id 00457001 attr 40 size 14 'Hello, world!'"}},
    {"create-delete-db-test.net.json",
     8,
     {"DeleteDB 'foobar' error 5", "CreateDB 'foobar' -> 1", "FindDB 'foobar' records 0",
      "DeleteDB 'foobar'\n"}},
    {"sync-db-test.net.json",
     351,
     {"ReadUserInfo user 'Test 47'",
      "ReadNextModifiedRec id 00000001 attr 48 size 19 'Archived & changed'",
      "ReadNextModifiedRec id 00000000 attr 00 size 0 '' error 5",
      "ReadRecord id 004a7002 attr 00 size 19 'Archived & changed'", "WriteRecord -> 004a7002",
      "ReadAppBlock 280 bytes", "ReadSortBlock 0 bytes error 5"}},
    {"read-db-test.usb.json", 48, {"ReadResource code 1 size 27814"}},
    {"write-db-test.usb.json",
     90,
     {"CreateDB 'OnBoardHeader.h' -> 1", "CreateDB 'SrcEdit' -> 2",
      "WriteResource MBAR 1000 size 855", "WriteRecord -> 006f800c"}},
};

INSTANTIATE_TEST_SUITE_P(Recordings, SyncReplay,
                         ::testing::Combine(::testing::ValuesIn(kRecordings),
                                            ::testing::Values(Chunks::AsRecorded,
                                                              Chunks::SingleBytes)),
                         [](const auto& info) {
                             std::string name = std::get<0>(info.param).file;
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name + (std::get<1>(info.param) == Chunks::AsRecorded
                                                ? "_as_recorded"
                                                : "_byte_by_byte");
                         });

} // namespace
