// SPDX-License-Identifier: GPL-3.0-or-later
// A whole HotSync against a handheld whose answers the input alters: the simulated
// handheld answers as a real one would, and the input flips bytes, overwrites 16-bit
// counts and lengths, and cuts answers short, one answer after another. Whatever it does:
//  - the sync ends, with an outcome and, unless it synchronized, a reason;
//  - a sync that did not synchronize and stopped before the PC's notes file was replaced
//    leaves every PC file as it was;
//  - a sync that synchronized leaves a notes file the program reads.
// Both a fast sync (the last sync's state present) and a slow one (the input's first byte
// chooses) start from the same PC folder and handheld: changes on both sides.

#include "FuzzCheck.h"
#include "FuzzScratch.h"
#include "storage/clsDatabase.h"
#include "support/HandheldSimulator.h"
#include "support/OneUserSyncHost.h"
#include "sync/DlpClient.h"
#include "sync/SyncSession.h"
#include "sync/SyncState.h"

#include <filesystem>
#include <fstream>
#include <map>

namespace fs = std::filesystem;
using namespace quillary::sync;
using quillary::test::FourCC;
using quillary::test::HandheldSimulator;
using quillary::test::HandheldTransport;
using quillary::test::SimDatabase;

namespace {

// The PC this fuzzer syncs with.
struct Host : quillary::test::OneUserSyncHost {
    Host() { pcId = 0xF022C0DE; }
};

std::vector<uint8_t> Note(const std::string& text) {
    clsQuillaryItem item;
    item.FillDefaultItemStruct(text);
    item.SetText(text);
    return item.RecordBytes();
}

std::vector<uint8_t> Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::map<std::string, std::vector<uint8_t>> Files(const std::string& folder) {
    std::map<std::string, std::vector<uint8_t>> out;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file() &&
            e.path().string().find(".quillary-versions") == std::string::npos)
            out[fs::relative(e.path(), folder).string()] = Read(e.path().string());
    return out;
}

void Restore(const std::string& folder, const std::map<std::string, std::vector<uint8_t>>& files) {
    fs::remove_all(folder);
    for (const auto& [name, bytes] : files) {
        const fs::path p = fs::path(folder) / name;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
}

SyncReport Sync(HandheldSimulator& hh, Host& host) {
    HandheldTransport transport(hh);
    DlpClient client(transport);
    if (!client.Handshake().Ok())
        std::abort();
    return RunSync(client, host);
}

// The starting point: one clean sync, then changes on both sides.
struct Start {
    quillary::fuzz::Scratch scratch;
    Host host;
    HandheldSimulator hh;
    std::map<std::string, std::vector<uint8_t>> files;

    Start() {
        host.user.userId = 5;
        host.user.name = "Fuzz";
        host.user.folder = scratch.Path("user");
        host.user.notesFile = host.user.folder + "/QLFuzz.pdb";
        host.user.insertFolder = host.user.folder + "/QLInsertPDB";
        fs::create_directories(host.user.folder);
        hh.userName = "Fuzz";
        hh.userId = 5;
        SimDatabase notes;
        notes.name = "QuillaryDBv2";
        notes.type = FourCC("Not2");
        notes.creator = FourCC("QLRY");
        clsDatabase blank;
        blank.AddNewDatabase();
        notes.appInfo.assign(blank.AppInfo().begin(), blank.AppInfo().end());
        SimDatabase& db = hh.AddDatabase(notes);
        for (int i = 0; i < 4; ++i)
            hh.AddRecord(db, Note("note " + std::to_string(i)), uint8_t(i % 3));
        SimDatabase inserts;
        inserts.name = "Stamps";
        inserts.type = FourCC("Ins2");
        inserts.creator = FourCC("QLRY");
        hh.AddRecord(hh.AddDatabase(inserts), {1, 2, 3});
        if (Sync(hh, host).outcome != SyncReport::Outcome::Synced)
            std::abort();

        SimDatabase& d = *hh.FindDatabase("QuillaryDBv2");
        hh.ChangeRecord(d, d.records[0].id, Note("changed on the handheld"));
        hh.DeleteRecord(d, d.records[1].id);
        hh.AddRecord(d, Note("new on the handheld"), 1);
        SimDatabase& s = *hh.FindDatabase("Stamps");
        hh.ChangeRecord(s, s.records[0].id, {4, 5});
        clsDatabase pc;
        pc.SetFileName(host.user.notesFile);
        if (!pc.OpenDatabase())
            std::abort();
        pc.GetRecordObject(2)->SetText("changed on the PC");
        pc.GetRecordObject(2)->SetDirtyFlag(true);
        pc.AddNewRecord(pc.GetNumRecords());
        pc.GetRecordObject(pc.GetNumRecords() - 1)->SetDirtyFlag(true);
        if (!pc.SaveDatabase())
            std::abort();
        files = Files(host.user.folder);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Start start;
    Restore(start.host.user.folder, start.files);
    if (size > 0 && (data[0] & 1))
        fs::remove(SyncState::PathIn(start.host.user.folder));
    const auto before = Files(start.host.user.folder);

    HandheldSimulator hh = start.hh;
    size_t at = size > 0 ? 1 : 0;
    auto next = [&]() -> unsigned { return at < size ? data[at++] : 0u; };
    hh.faults.tamperBytes = [&](const DlpRequest&, std::vector<uint8_t>& bytes) {
        const unsigned op = next();
        if (op == 0 || bytes.empty())
            return;
        const size_t pos = (next() << 8 | next()) % bytes.size();
        switch (op % 4) {
        case 1:
            bytes[pos] ^= uint8_t(next() | 1);
            break;
        case 2:
            bytes[pos] = uint8_t(next());
            if (pos + 1 < bytes.size())
                bytes[pos + 1] = uint8_t(next());
            break;
        case 3:
            bytes.resize(pos);
            break;
        default:
            bytes.insert(bytes.begin() + std::ptrdiff_t(pos), uint8_t(next()));
            break;
        }
    };
    Host host = start.host;
    const SyncReport r = Sync(hh, host);
    const auto after = Files(host.user.folder);
    if (r.outcome == SyncReport::Outcome::Synced) {
        clsDatabase db;
        db.SetFileName(host.user.notesFile);
        FUZZ_CHECK(db.OpenDatabase());
    } else {
        FUZZ_CHECK(!r.reason.empty());
        if (after.at("QLFuzz.pdb") == before.at("QLFuzz.pdb"))
            FUZZ_CHECK(after == before);
    }
    return 0;
}
