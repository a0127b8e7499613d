// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated handheld answers the desktop's client as a handheld would, byte for byte
// through the real framing and codec, and its faults look to the client like the real ones.

#include "support/HandheldSimulator.h"

#include "sync/DlpClient.h"
#include "sync/DlpError.h"

#include <gtest/gtest.h>

using namespace quillary::sync;
using quillary::test::FourCC;
using quillary::test::HandheldSimulator;
using quillary::test::HandheldTransport;
using quillary::test::SimDatabase;
using quillary::test::SimRecord;

namespace {

std::vector<uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

SimDatabase Notes() {
    SimDatabase db;
    db.name = "QuillaryDBv2";
    db.type = FourCC("Not2");
    db.creator = FourCC("QLRY");
    db.appInfo = std::vector<uint8_t>(276, 0);
    return db;
}

} // namespace

// A whole session through the client, answers handed over in 7-byte pieces: every command
// the conduits use gets the handheld's answer, and the handheld keeps what was written.
TEST(HandheldSimulator, AnswersTheClientsCommands) {
    HandheldSimulator hh;
    hh.userName = "Ann";
    hh.userId = 77;
    SimDatabase& db = hh.AddDatabase(Notes());
    const uint32_t kept = hh.AddRecord(db, Bytes("kept"), 2);
    const uint32_t gone = hh.AddRecord(db, Bytes("gone"), 0);
    db.records[0].attributes = 0; // synced already
    hh.DeleteRecord(db, gone);

    HandheldTransport transport(hh, 7);
    DlpClient client(transport);
    ASSERT_TRUE(client.Handshake().Ok());

    DlpUserInfo user;
    ASSERT_TRUE(client.ReadUserInfo(user).Ok());
    EXPECT_EQ(user.userName, "Ann");
    EXPECT_EQ(user.userId, 77u);

    DlpFindDbResult found;
    ASSERT_TRUE(
        client.FindDbByName(DlpFindDbResult::kGetAttributes, 0, "QuillaryDBv2", found).Ok());
    EXPECT_EQ(found.info.type, FourCC("Not2"));
    EXPECT_EQ(client.FindDbByName(0, 0, "Missing", found).code, uint16_t(DlpErrorCode::NotFound));

    DlpDbList list;
    ASSERT_TRUE(client.ReadDbList(DlpDbList::kRam | DlpDbList::kMultiple, 0, 0, list).Ok());
    ASSERT_EQ(list.databases.size(), 1u);
    EXPECT_EQ(list.databases[0].name, "QuillaryDBv2");
    EXPECT_FALSE(list.more);

    uint8_t h = 0;
    ASSERT_TRUE(
        client.OpenDb(0, DlpCommands::kOpenRead | DlpCommands::kOpenWrite, "QuillaryDBv2", h).Ok());
    std::vector<uint32_t> ids;
    ASSERT_TRUE(client.ReadRecordIdList(h, 0, 0, 0xFFFF, ids).Ok());
    EXPECT_EQ(ids, (std::vector<uint32_t>{kept, gone}));

    DlpRecord rec;
    ASSERT_TRUE(client.ReadNextModifiedRec(h, rec).Ok());
    EXPECT_EQ(rec.id, gone);
    EXPECT_TRUE(rec.attributes & SimRecord::kDeleted);
    EXPECT_TRUE(
        client.ReadNextModifiedRec(h, rec).IsHandheldError(uint16_t(DlpErrorCode::NotFound)));

    ASSERT_TRUE(client.ReadRecordById(h, kept, 0, DlpCommands::kReadToEnd, rec).Ok());
    EXPECT_EQ(rec.data, Bytes("kept"));
    EXPECT_EQ(rec.category, 2);

    DlpRecord added;
    added.category = 3;
    added.data = Bytes("from the PC");
    uint32_t newId = 0;
    ASSERT_TRUE(client.WriteRecord(h, 0x80, added, newId).Ok());
    EXPECT_NE(newId, 0u);
    ASSERT_TRUE(client.CleanUpDatabase(h).Ok());
    ASSERT_TRUE(client.ResetSyncFlags(h).Ok());
    ASSERT_TRUE(client.CloseDb(h).Ok());

    DlpUserInfoUpdate update;
    update.modified = DlpUserInfoUpdate::kLastSyncPc;
    update.lastSyncPc = 0x1234;
    ASSERT_TRUE(client.WriteUserInfo(update).Ok());
    ASSERT_TRUE(client.AddSyncLogEntry("done").Ok());
    ASSERT_TRUE(client.EndOfSync(0).Ok());

    EXPECT_TRUE(hh.HungUp());
    EXPECT_EQ(hh.lastSyncPc, 0x1234u);
    EXPECT_EQ(hh.syncLog, std::vector<std::string>{"done"});
    EXPECT_EQ(hh.endOfSyncStatus, 0);
    ASSERT_EQ(db.records.size(), 2u);
    EXPECT_EQ(db.records[1].id, newId);
    EXPECT_EQ(db.records[1].data, Bytes("from the PC"));
    for (const SimRecord& r : db.records)
        EXPECT_EQ(r.attributes & SimRecord::kDirty, 0);
}

// A handheld that hangs up or falls silent ends the client's session with a transport
// failure, and every later call fails without being answered.
TEST(HandheldSimulator, FaultsEndTheSession) {
    for (const bool silent : {false, true}) {
        HandheldSimulator hh;
        (silent ? hh.faults.silentAfter : hh.faults.hangUpAfter) = 1;
        HandheldTransport transport(hh);
        DlpClient client(transport);
        ASSERT_TRUE(client.Handshake().Ok());
        DlpUserInfo user;
        EXPECT_TRUE(client.ReadUserInfo(user).Ok());
        DlpStatus s = client.ReadUserInfo(user);
        EXPECT_EQ(s.kind, DlpStatus::Kind::Transport) << silent;
        EXPECT_NE(s.message.find(silent ? "stopped answering" : "hung up"), std::string::npos)
            << s.message;
        EXPECT_TRUE(client.OpenConduit().Fatal());
        EXPECT_EQ(hh.RequestCount(), 1);
    }
}

// The tamper hooks turn answers hostile; the client sees them as the handheld's.
TEST(HandheldSimulator, TamperedAnswersReachTheClient) {
    HandheldSimulator hh;
    hh.AddDatabase(Notes());
    hh.faults.tamperBytes = [](const DlpRequest& q, std::vector<uint8_t>& bytes) {
        if (q.function == uint8_t(DlpFunction::ReadRecordIdList))
            bytes.resize(bytes.size() - 1); // an argument shorter than it says
    };
    HandheldTransport transport(hh);
    DlpClient client(transport);
    ASSERT_TRUE(client.Handshake().Ok());
    uint8_t h = 0;
    ASSERT_TRUE(client.OpenDb(0, DlpCommands::kOpenRead, "QuillaryDBv2", h).Ok());
    std::vector<uint32_t> ids;
    EXPECT_EQ(client.ReadRecordIdList(h, 0, 0, 100, ids).kind, DlpStatus::Kind::Protocol);
}
