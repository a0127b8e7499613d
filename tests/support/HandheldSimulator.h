// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A handheld for the tests: a user, databases in memory and the handheld's half of a
// network HotSync, built on the same framing and DLP codec as the desktop's side. Its core
// is a byte pump (Begin, Feed), so it can stand at the far end of a real socket as well
// as in the same process (HandheldTransport). Standard C++ only.
//
// It behaves as a Palm OS handheld does where the desktop can tell: records carry unique
// IDs, attributes and a category; a change made "on the handheld" (the Change... calls)
// marks the record dirty and raises the database's modification number; a deletion only
// marks the record until the desktop's CleanUpDatabase (reading it by ID or index then gives
// "record deleted", ReadNextModifiedRec hands it out with its marks); WriteRecord with ID 0 gets a
// new unique ID; ResetSyncFlags clears the dirty bits. Faults can be injected: hanging up or
// falling silent after a number of requests, and hostile answers through the tamper hooks.

#include "sync/DlpCodec.h"
#include "sync/DlpCommands.h"
#include "sync/DlpTransport.h"
#include "sync/DlpTypes.h"
#include "sync/NetSyncFramer.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace quillary::test {

struct SimRecord {
    static constexpr uint8_t kDeleted = 0x80, kDirty = 0x40, kBusy = 0x20, kSecret = 0x10,
                             kArchived = 0x08;
    uint32_t id = 0;
    uint8_t attributes = 0;
    uint8_t category = 0;
    std::vector<uint8_t> data;
};

struct SimDatabase {
    std::string name;
    uint32_t type = 0, creator = 0;
    uint16_t flags = 0; // database attributes
    uint16_t version = 0;
    uint32_t modificationNumber = 1;
    sync::DlpTime created{2024, 1, 1, 12, 0, 0}, modified{2024, 1, 1, 12, 0, 0}, backedUp;
    std::vector<uint8_t> appInfo;
    std::vector<uint8_t> sortInfo;
    std::vector<SimRecord> records; // in index order
    uint32_t nextUniqueId = 0x00A00001;

    SimRecord* Find(uint32_t id);
    const SimRecord* Find(uint32_t id) const;
};

// "QLRY", "Not2" and the like as the 32-bit codes the protocol carries.
constexpr uint32_t FourCC(const char (&s)[5]) {
    return uint32_t(uint8_t(s[0])) << 24 | uint32_t(uint8_t(s[1])) << 16 |
           uint32_t(uint8_t(s[2])) << 8 | uint32_t(uint8_t(s[3]));
}

class HandheldSimulator {
public:
    struct Faults {
        // Requests answered before the handheld hangs up on the next one (-1: never).
        int hangUpAfter = -1;
        // Requests answered before it stops answering without hanging up (-1: never).
        int silentAfter = -1;
        // Changes an answer before it is encoded (hostile handheld: huge counts, unknown
        // IDs, categories out of range).
        std::function<void(const sync::DlpRequest&, sync::DlpResponse&)> tamper;
        // Changes an answer's encoded DLP payload before it is framed (wrong lengths).
        std::function<void(const sync::DlpRequest&, std::vector<uint8_t>&)> tamperBytes;
    };

    HandheldSimulator();

    // ---- the handheld's state (tests set it up and read it back) ----
    std::string userName = "Tester";
    uint32_t userId = 0;
    uint32_t viewerId = 0;
    uint32_t lastSyncPc = 0;
    sync::DlpTime successfulSync, lastSync;
    uint32_t romVersion = 0x04103000; // Palm OS 4.1
    sync::DlpTime clock{2026, 12, 11, 10, 30, 0};
    std::vector<SimDatabase> databases;
    Faults faults;

    // What the desktop did: every request's function in order, the log entries it left,
    // the status of its EndOfSync (-1 before one came).
    std::vector<uint8_t> requestLog;
    std::vector<std::string> syncLog;
    int endOfSyncStatus = -1;

    SimDatabase* FindDatabase(const std::string& name);
    const SimDatabase* FindDatabase(const std::string& name) const;
    SimDatabase& AddDatabase(SimDatabase db);

    // Changes made on the handheld by its owner: dirty, modification number raised.
    uint32_t AddRecord(SimDatabase& db, std::vector<uint8_t> data, uint8_t category = 0,
                       uint8_t extraAttributes = 0);
    bool ChangeRecord(SimDatabase& db, uint32_t id, std::vector<uint8_t> data);
    bool ChangeCategory(SimDatabase& db, uint32_t id, uint8_t category);
    // Marks the record deleted (and dirty); it stays until the desktop cleans up.
    bool DeleteRecord(SimDatabase& db, uint32_t id);
    void ChangeAppInfo(SimDatabase& db, std::vector<uint8_t> appInfo);
    // How many requests of this function the desktop sent.
    int Count(uint8_t function) const;
    int Count(sync::DlpFunction function) const { return Count(uint8_t(function)); }

    // ---- the byte pump ----
    // The handheld's first bytes: the NetSync wake-up. Starts a new session (a handheld
    // syncs again and again): databases, user, logs and faults stay as they are.
    std::vector<uint8_t> Begin();
    // Takes the desktop's bytes (any piece of the stream), appends the answers to toDesktop.
    // False once the handheld has hung up (after EndOfSync, a fault or bytes that make no
    // sense); later calls do nothing and return false.
    bool Feed(std::span<const uint8_t> fromDesktop, std::vector<uint8_t>& toDesktop);
    bool HungUp() const { return m_HungUp; }
    // True once the handheld has stopped answering (Faults::silentAfter).
    bool Silent() const { return m_Silent; }
    // Requests answered in this session (faults count these).
    int RequestCount() const { return m_Requests; }

    // The answer to one request, as the handheld gives it (no faults applied).
    sync::DlpResponse Answer(const sync::DlpRequest& request);

private:
    enum class Phase { Wakeup, Hello, Confirm, Dlp, Done };
    struct Open {
        bool used = false;
        size_t db = 0; // index into databases
        uint8_t mode = 0;
        size_t nextModified = 0;
    };

    SimDatabase* OpenDb(uint8_t handle, sync::DlpResponse& r);
    void HandleMessage(const sync::NetSyncMessage& m, std::vector<uint8_t>& out);

    sync::NetSyncFramer m_Framer;
    Phase m_Phase = Phase::Wakeup;
    bool m_HungUp = false;
    bool m_Silent = false;
    int m_Requests = 0;
    std::vector<Open> m_Open;
    size_t m_FindCursor = 0;
};

// The simulator as the desktop client's transport, in the same thread: what the client
// sends is fed to the handheld and its answers come back from Receive. A handheld that hung
// up or went silent makes Receive fail as a dropped connection or a timeout would.
class HandheldTransport : public sync::DlpTransport {
public:
    // Answers are handed out in pieces of at most maxChunk bytes (0: whole), so the
    // desktop's reassembly is exercised too.
    explicit HandheldTransport(HandheldSimulator& handheld, size_t maxChunk = 0);
    bool Send(std::span<const uint8_t> bytes, std::string* error) override;
    bool Receive(std::vector<uint8_t>& out, std::string* error) override;
    // Bytes sent by the desktop in all.
    size_t BytesSent() const { return m_Sent; }

private:
    HandheldSimulator& m_Handheld;
    size_t m_MaxChunk;
    std::deque<uint8_t> m_Pending;
    size_t m_Sent = 0;
};

} // namespace quillary::test
