// SPDX-License-Identifier: GPL-3.0-or-later
// Whole syncs between the desktop's session and the simulated handheld: what each side
// holds afterwards, note by note (texts, pictures, attributes, IDs, categories), for changes
// on either side and both, slow syncs, refusals, a connection dropped at every step and
// hostile answers.

#include "support/HandheldSimulator.h"
#include "support/RequiredTools.h"
#include "tools/ToolRunner.h"

#include "storage/ByteOrder.h"
#include "storage/PdbFormat.h"
#include "storage/VersionStore.h"
#include "storage/clsBitmap.h"
#include "storage/clsDatabase.h"
#include "storage/clsInsertDatabase.h"
#include "sync/DlpClient.h"
#include "sync/SyncSession.h"
#include "sync/SyncState.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>

// The tables below leave the fields a case does not need at their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace fs = std::filesystem;
using namespace quillary::sync;
using quillary::test::FourCC;
using quillary::test::HandheldSimulator;
using quillary::test::HandheldTransport;
using quillary::test::SimDatabase;
using quillary::test::SimRecord;

namespace {

constexpr uint32_t kUserId = 4711;
constexpr uint32_t kPcId = 0xC0FFEE01;

// A note record: the text and a small picture drawn from seed.
std::vector<uint8_t> NoteBytes(const std::string& text, unsigned seed = 1) {
    clsQuillaryItem item;
    item.FillDefaultItemStruct(text);
    item.SetText(text);
    clsBitmap b;
    b.InitializeBitmap(160, 120, 1);
    for (int i = 0; i < 100; ++i)
        b.SetPixel(int((seed * 7 + unsigned(i)) % 160), int((seed * 13 + unsigned(i) * 3) % 120),
                   true);
    item.SetBitmap(b);
    return item.RecordBytes();
}

std::string TextOf(const uint8_t* data, size_t size) {
    clsQuillaryItem item;
    if (!item.ReadInItem(data, size, 0, nullptr))
        return "<unreadable>";
    return item.RawText();
}
std::string TextOf(const std::vector<uint8_t>& data) {
    return TextOf(data.data(), data.size());
}

std::vector<uint8_t> DefaultAppInfo() {
    clsDatabase db;
    db.AddNewDatabase();
    return {db.AppInfo().begin(), db.AppInfo().end()};
}

SimDatabase NotesDb() {
    SimDatabase db;
    db.name = "QuillaryDBv2";
    db.type = FourCC("Not2");
    db.creator = FourCC("QLRY");
    db.appInfo = DefaultAppInfo();
    return db;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every file under folder (the kept versions aside) with its bytes.
std::map<std::string, std::vector<uint8_t>> Snapshot(const std::string& folder) {
    std::map<std::string, std::vector<uint8_t>> out;
    if (!fs::exists(folder))
        return out;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        const std::string rel = fs::relative(e.path(), folder).string();
        if (rel.find(quillary::VersionStore::kFolderName) != std::string::npos ||
            !e.is_regular_file())
            continue;
        out[rel] = ReadFile(e.path().string());
    }
    return out;
}

struct TestHost : SyncHost {
    std::vector<SyncUser> users;
    bool acceptNew = false;
    uint32_t newUserId = 9000;
    std::string folderForNew;
    std::string refuseBefore;
    uint32_t pc = kPcId;
    int before = 0, after = 0;

    std::optional<SyncUser> FindUser(const std::string& name, uint32_t id) override {
        for (const SyncUser& u : users)
            if (u.name == name && u.userId == id && id != 0)
                return u;
        return std::nullopt;
    }
    std::optional<SyncUser> AddUser(const std::string& name, uint32_t,
                                    std::string* refusal) override {
        if (!acceptNew) {
            *refusal = "Unknown handheld user " + name + ": new handhelds are not accepted.";
            return std::nullopt;
        }
        SyncUser u;
        u.userId = newUserId;
        u.name = name;
        u.folder = folderForNew;
        u.notesFile = folderForNew + "/QL" + name + ".pdb";
        u.insertFolder = folderForNew + "/QLInsertPDB";
        fs::create_directories(u.folder);
        users.push_back(u);
        return u;
    }
    bool BeforeSync(const SyncUser&, std::string* refusal) override {
        ++before;
        if (refuseBefore.empty())
            return true;
        *refusal = refuseBefore;
        return false;
    }
    void AfterSync(const SyncUser&, const SyncReport&) override { ++after; }
    uint32_t PcId() const override { return pc; }
    DlpTime Now() const override { return {2026, 12, 11, 12, 0, 0}; }
};

SyncUser UserIn(const std::string& folder) {
    SyncUser u;
    u.userId = kUserId;
    u.name = "Tester";
    u.folder = folder;
    u.notesFile = folder + "/QLTester.pdb";
    u.insertFolder = folder + "/QLInsertPDB";
    return u;
}

SyncReport SyncWith(HandheldSimulator& hh, SyncHost& host, size_t chunk = 0) {
    HandheldTransport transport(hh, chunk);
    DlpClient client(transport);
    if (!client.Handshake().Ok()) {
        ADD_FAILURE() << "handshake failed";
        return {};
    }
    return RunSync(client, host);
}

bool LogHas(const SyncReport& r, const std::string& part) {
    return std::any_of(r.log.begin(), r.log.end(),
                       [&](const std::string& l) { return l.find(part) != std::string::npos; });
}
std::string LogText(const SyncReport& r) {
    std::string s;
    for (const std::string& l : r.log)
        s += "  " + l + "\n";
    return s;
}

struct PcNote {
    uint32_t id = 0;
    uint8_t attributes = 0;
    std::vector<uint8_t> bytes;
    std::string Text() const { return TextOf(bytes); }
};

std::vector<PcNote> PcNotes(const std::string& path, std::array<uint8_t, 276>* appInfo = nullptr) {
    clsDatabase db;
    db.SetFileName(path);
    std::string why;
    if (!db.OpenDatabase({}, &why)) {
        ADD_FAILURE() << why;
        return {};
    }
    if (appInfo)
        *appInfo = db.AppInfo();
    std::vector<PcNote> out;
    for (int i = 0; i < db.GetNumRecords(); ++i) {
        const clsQuillaryItem* item = db.GetRecordObject(i);
        out.push_back({item->UniqueID, item->attributes, item->RecordBytes()});
    }
    return out;
}

std::vector<std::string> Texts(const std::vector<PcNote>& notes) {
    std::vector<std::string> out;
    for (const PcNote& n : notes)
        out.push_back(n.Text());
    return out;
}

// After a complete sync both sides hold the same notes: the same IDs with the same bytes,
// categories and secret bits, the same category table, nothing marked changed or deleted.
void ExpectInStep(const HandheldSimulator& hh, const SyncUser& user) {
    const SimDatabase* db = hh.FindDatabase("QuillaryDBv2");
    ASSERT_NE(db, nullptr);
    std::array<uint8_t, 276> appInfo{};
    const std::vector<PcNote> pc = PcNotes(user.notesFile, &appInfo);
    EXPECT_EQ(std::vector<uint8_t>(appInfo.begin(), appInfo.end()), db->appInfo);
    ASSERT_EQ(pc.size(), db->records.size());
    std::set<uint32_t> ids;
    for (const PcNote& n : pc) {
        EXPECT_NE(n.id, 0u) << n.Text();
        EXPECT_TRUE(ids.insert(n.id).second) << "ID twice: " << n.id;
        EXPECT_EQ(n.attributes & 0x40, 0) << n.Text();
        const SimRecord* r = db->Find(n.id);
        ASSERT_NE(r, nullptr) << n.Text();
        EXPECT_EQ(r->data, n.bytes) << n.Text();
        EXPECT_EQ(r->category, n.attributes & 0x0F) << n.Text();
        EXPECT_EQ(r->attributes & 0x10, n.attributes & 0x10) << n.Text();
        EXPECT_EQ(r->attributes & (SimRecord::kDirty | SimRecord::kDeleted), 0) << n.Text();
    }
}

std::string Label(const std::vector<uint8_t>& appInfo, int i) {
    const char* p = reinterpret_cast<const char*>(appInfo.data() + 2 + 16 * i);
    return std::string(p, strnlen(p, 16));
}

// The PC's notes file changed as the window would change it.
void OnPc(const SyncUser& user, const std::function<void(clsDatabase&)>& change) {
    clsDatabase db;
    db.SetFileName(user.notesFile);
    ASSERT_TRUE(db.OpenDatabase());
    change(db);
    db.m_FileDirtyFlag = true;
    std::string why;
    ASSERT_TRUE(db.SaveDatabase({}, &why)) << why;
}
int PcIndex(clsDatabase& db, const std::string& text) {
    for (int i = 0; i < db.GetNumRecords(); ++i)
        if (db.GetRecordObject(i)->RawText() == text)
            return i;
    ADD_FAILURE() << "no PC note " << text;
    return 0;
}
void PcEdit(clsDatabase& db, const std::string& from, const std::string& to) {
    clsQuillaryItem* item = db.GetRecordObject(PcIndex(db, from));
    item->SetText(to);
    item->SetDirtyFlag(true);
}
void PcAdd(clsDatabase& db, const std::string& text) {
    const int at = db.GetNumRecords();
    db.AddNewRecord(at);
    PcEdit(db, db.GetRecordObject(at)->RawText(), text);
}
void PcDelete(clsDatabase& db, const std::string& text) {
    db.DeleteRecord(PcIndex(db, text));
}

uint32_t HhId(const SimDatabase& db, const std::string& text) {
    for (const SimRecord& r : db.records)
        if (!(r.attributes & SimRecord::kDeleted) && TextOf(r.data) == text)
            return r.id;
    ADD_FAILURE() << "no handheld note " << text;
    return 0;
}

class ConduitTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = MakeTempDir(std::string("conduit_") +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        user = UserIn(root + "/user");
        fs::create_directories(user.folder);
        host.users.push_back(user);
        host.folderForNew = root + "/new";
        hh.userName = "Tester";
        hh.userId = kUserId;
    }
    void TearDown() override { fs::remove_all(root); }

    // Three notes synced once: the starting point of most scenarios.
    void SyncedPair() {
        SimDatabase& db = hh.AddDatabase(NotesDb());
        hh.AddRecord(db, NoteBytes("Alpha", 1), 0);
        hh.AddRecord(db, NoteBytes("Bravo", 2), 1);
        hh.AddRecord(db, NoteBytes("Charlie", 3), 2, SimRecord::kSecret);
        const SyncReport r = SyncWith(hh, host);
        ASSERT_EQ(r.outcome, SyncReport::Outcome::Synced) << LogText(r);
        ASSERT_EQ(Texts(PcNotes(user.notesFile)),
                  (std::vector<std::string>{"Alpha", "Bravo", "Charlie"}));
    }
    SimDatabase& Notes() { return *hh.FindDatabase("QuillaryDBv2"); }

    std::string root;
    SyncUser user;
    TestHost host;
    HandheldSimulator hh;
};

// ---- the first sync ----

// No PC file yet: the handheld's database as it is (records, attributes, IDs, categories
// and the category table), and Palm::PDB reads the result the same way.
TEST_F(ConduitTest, FirstSyncCopiesTheHandheldsDatabase) {
    SimDatabase& db = hh.AddDatabase(NotesDb());
    std::vector<uint8_t> app = DefaultAppInfo();
    quillary::PutPaddedString(app.data() + 2 + 16 * 3, "Ideas", 16);
    app[258 + 3] = 130;
    db.appInfo = app;
    const uint32_t a = hh.AddRecord(db, NoteBytes("First\nline two", 5), 3, SimRecord::kSecret);
    const uint32_t b = hh.AddRecord(db, NoteBytes("Second", 6), 0);
    const uint32_t gone = hh.AddRecord(db, NoteBytes("Deleted", 7), 1);
    hh.DeleteRecord(db, gone);

    const SyncReport r = SyncWith(hh, host, 5);
    ASSERT_EQ(r.outcome, SyncReport::Outcome::Synced) << LogText(r);
    EXPECT_EQ(r.notesAddedToPc, 2);
    EXPECT_EQ(host.before, 1);
    EXPECT_EQ(host.after, 1);
    std::array<uint8_t, 276> pcApp{};
    const std::vector<PcNote> pc = PcNotes(user.notesFile, &pcApp);
    ASSERT_EQ(pc.size(), 2u);
    EXPECT_EQ(pc[0].id, a);
    EXPECT_EQ(pc[0].attributes, 0x10 | 3);
    EXPECT_EQ(pc[0].bytes, NoteBytes("First\nline two", 5));
    EXPECT_EQ(pc[1].id, b);
    EXPECT_EQ(pc[1].attributes, 0);
    EXPECT_EQ(std::vector<uint8_t>(pcApp.begin(), pcApp.end()), app);
    ExpectInStep(hh, user);
    EXPECT_EQ(db.records.size(), 2u) << "the deleted note was cleaned up";
    EXPECT_EQ(hh.lastSyncPc, kPcId);
    EXPECT_EQ(hh.lastSync, (DlpTime{2026, 12, 11, 12, 0, 0}));
    ASSERT_FALSE(hh.syncLog.empty());
    EXPECT_NE(hh.syncLog.back().find("2 new"), std::string::npos) << hh.syncLog.back();
    EXPECT_EQ(hh.endOfSyncStatus, 0);

    if (!HavePalmPdb())
        QUILLARY_GTEST_REQUIRE_OR_SKIP("Palm::PDB (libpalm-perl) is not installed");
    const char* script =
        "my $p = Palm::PDB->new; $p->Load($ARGV[0]);"
        "print join('|', $p->{name}, $p->{type}, $p->{creator}, scalar(@{$p->{records}})), qq(\\n);"
        "for (@{$p->{records}}) { print join(' ', $_->{id}, $_->{category}, "
        "($_->{attributes}{private} ? 1 : 0), length($_->{data})), qq(\\n) }";
    const ToolRun t = RunTool(std::string("perl -MPalm::PDB -MPalm::Raw -e ") + ShellQuote(script) +
                                  " " + ShellQuote(user.notesFile),
                              root);
    ASSERT_EQ(t.status, 0) << t.err;
    std::ostringstream expect;
    expect << "QuillaryDBv2|Not2|QLRY|2\n"
           << a << " 3 1 " << pc[0].bytes.size() << "\n"
           << b << " 0 0 " << pc[1].bytes.size() << "\n";
    EXPECT_EQ(t.out, expect.str());
}

// A PC file and no database on the handheld: the database is created there from the PC's
// notes, and the PC's notes take the IDs the handheld gave them.
TEST_F(ConduitTest, PcNotesCreateTheHandheldsDatabase) {
    clsDatabase db;
    db.AddNewDatabase();
    db.SetFileName(user.notesFile);
    for (int i = 0; i < 3; ++i) {
        db.AddNewRecord(i);
        db.GetRecordObject(i)->SetText("PC note " + std::to_string(i));
        db.GetRecordObject(i)->SetDirtyFlag(true);
    }
    db.SetCategoryIndex(2, 2);
    ASSERT_TRUE(db.SaveDatabase());

    const SyncReport r = SyncWith(hh, host);
    ASSERT_EQ(r.outcome, SyncReport::Outcome::Synced) << LogText(r);
    EXPECT_EQ(r.notesAddedToHandheld, 3);
    EXPECT_EQ(hh.Count(DlpFunction::CreateDb), 1);
    EXPECT_EQ(Texts(PcNotes(user.notesFile)),
              (std::vector<std::string>{"PC note 0", "PC note 1", "PC note 2"}));
    ExpectInStep(hh, user);
}

// ---- two-way scenarios ----

struct Scenario {
    const char* name;
    std::function<void(HandheldSimulator&, SimDatabase&)> onHandheld;
    std::function<void(clsDatabase&)> onPc;
    std::vector<std::string> pcTexts; // the PC's notes afterwards, in order
    int conflicts = 0;
    std::vector<std::string> logHas;
    std::function<void(TestHost&, const SyncUser&)> before; // e.g. for a slow sync
    std::vector<std::string> labels;                        // categories afterwards, if given
};

void Nothing(HandheldSimulator&, SimDatabase&) {}
void NothingPc(clsDatabase&) {}

std::vector<uint8_t> Renamed(std::vector<uint8_t> app, int index, const char* label) {
    quillary::PutPaddedString(app.data() + 2 + 16 * index, label, 16);
    app[1] = uint8_t(app[1] | 1 << index);
    return app;
}

const Scenario kScenarios[] = {
    {"AddedOnHandheld",
     [](HandheldSimulator& h, SimDatabase& d) { h.AddRecord(d, NoteBytes("Delta", 4), 2); },
     NothingPc,
     {"Alpha", "Bravo", "Charlie", "Delta"}},
    {"ChangedOnHandheld",
     [](HandheldSimulator& h, SimDatabase& d) {
         h.ChangeRecord(d, HhId(d, "Bravo"), NoteBytes("Bravo 2", 9));
     },
     NothingPc,
     {"Alpha", "Bravo 2", "Charlie"}},
    {"CategoryChangedOnHandheld",
     [](HandheldSimulator& h, SimDatabase& d) { h.ChangeCategory(d, HhId(d, "Alpha"), 2); },
     NothingPc,
     {"Alpha", "Bravo", "Charlie"}},
    {"DeletedOnHandheld",
     [](HandheldSimulator& h, SimDatabase& d) { h.DeleteRecord(d, HhId(d, "Bravo")); },
     NothingPc,
     {"Alpha", "Charlie"}},
    {"AddedOnPc",
     Nothing,
     [](clsDatabase& db) { PcAdd(db, "Echo"); },
     {"Alpha", "Bravo", "Charlie", "Echo"}},
    {"ChangedOnPc",
     Nothing,
     [](clsDatabase& db) { PcEdit(db, "Charlie", "Charlie 2"); },
     {"Alpha", "Bravo", "Charlie 2"}},
    {"DeletedOnPc", Nothing, [](clsDatabase& db) { PcDelete(db, "Alpha"); }, {"Bravo", "Charlie"}},
    {"CategoryChangedOnPc",
     Nothing,
     [](clsDatabase& db) {
         const int i = PcIndex(db, "Bravo");
         db.SetCategoryIndex(i, 2);
         db.GetRecordObject(i)->SetDirtyFlag(true);
     },
     {"Alpha", "Bravo", "Charlie"}},
    {"DeletedOnBoth",
     [](HandheldSimulator& h, SimDatabase& d) { h.DeleteRecord(d, HhId(d, "Charlie")); },
     [](clsDatabase& db) { PcDelete(db, "Charlie"); },
     {"Alpha", "Bravo"}},
    // A copy made on the PC is a new note, however like the old one it is.
    {"CopiedOnPc",
     Nothing,
     [](clsDatabase& db) {
         auto copy = std::make_unique<clsQuillaryItem>(*db.GetRecordObject(PcIndex(db, "Alpha")));
         copy->UniqueID = 0;
         copy->SetDirtyFlag(true);
         db.AddNewRecord(db.GetNumRecords());
         db.SetRecordObject(db.GetNumRecords() - 1, std::move(copy));
     },
     {"Alpha", "Bravo", "Charlie", "Alpha"}},
    {"ChangedOnBoth",
     [](HandheldSimulator& h, SimDatabase& d) {
         h.ChangeRecord(d, HhId(d, "Bravo"), NoteBytes("Bravo from the handheld", 2));
     },
     [](clsDatabase& db) { PcEdit(db, "Bravo", "Bravo from the PC"); },
     {"Alpha", "Bravo from the PC", "Bravo from the handheld", "Charlie"},
     1,
     {"Conflict: note \xE2\x80\x9C"
      "Bravo from the PC\xE2\x80\x9D",
      "both versions are kept"}},
    {"ChangedOnBothTheSame",
     [](HandheldSimulator& h, SimDatabase& d) {
         h.ChangeRecord(d, HhId(d, "Bravo"), [] {
             clsQuillaryItem item;
             const std::vector<uint8_t> b = NoteBytes("Bravo", 2);
             item.ReadInItem(b.data(), b.size(), 0, nullptr);
             item.SetText("Bravo same");
             return item.RecordBytes();
         }());
     },
     [](clsDatabase& db) { PcEdit(db, "Bravo", "Bravo same"); },
     {"Alpha", "Bravo same", "Charlie"}},
    {"DeletedOnHandheldChangedOnPc",
     [](HandheldSimulator& h, SimDatabase& d) { h.DeleteRecord(d, HhId(d, "Bravo")); },
     [](clsDatabase& db) { PcEdit(db, "Bravo", "Bravo kept"); },
     {"Alpha", "Bravo kept", "Charlie"},
     0,
     {"was deleted on the handheld but changed on the PC; it is kept"}},
    {"DeletedOnPcChangedOnHandheld",
     [](HandheldSimulator& h, SimDatabase& d) {
         h.ChangeRecord(d, HhId(d, "Alpha"), NoteBytes("Alpha kept", 1));
     },
     [](clsDatabase& db) { PcDelete(db, "Alpha"); },
     {"Bravo", "Charlie", "Alpha kept"},
     0,
     {"was deleted on the PC but changed on the handheld; it is kept"}},
    {"CategoryRenamedOnHandheld",
     [](HandheldSimulator& h, SimDatabase& d) {
         h.ChangeAppInfo(d, Renamed(d.appInfo, 1, "Work"));
     },
     NothingPc,
     {"Alpha", "Bravo", "Charlie"},
     0,
     {"renamed on the handheld"},
     nullptr,
     {"Unfiled", "Work", "Personal"}},
    {"CategoryRenamedOnPc",
     Nothing,
     [](clsDatabase& db) { db.RenameCategory(2, "Home"); },
     {"Alpha", "Bravo", "Charlie"},
     0,
     {"renamed on the PC"},
     nullptr,
     {"Unfiled", "Business", "Home"}},
    {"CategoryAddedOnBoth",
     [](HandheldSimulator& h, SimDatabase& d) {
         std::vector<uint8_t> app = d.appInfo;
         quillary::PutPaddedString(app.data() + 2 + 16 * 3, "Trips", 16);
         app[258 + 3] = 200;
         h.ChangeAppInfo(d, app);
         h.AddRecord(d, NoteBytes("Rome", 11), 3);
     },
     [](clsDatabase& db) {
         std::string name;
         db.AddCategory(name);
         db.RenameCategory(3, "Books");
         PcAdd(db, "Dune");
         db.SetCategoryIndex(PcIndex(db, "Dune"), 3);
     },
     {"Alpha", "Bravo", "Charlie", "Dune", "Rome"},
     0,
     {},
     nullptr,
     {"Unfiled", "Business", "Personal", "Trips", "Books"}},
    {"SlowWithoutState",
     [](HandheldSimulator& h, SimDatabase& d) { h.AddRecord(d, NoteBytes("Delta", 4), 0); },
     [](clsDatabase& db) { PcDelete(db, "Bravo"); },
     {"Alpha", "Charlie", "Bravo", "Delta"},
     0,
     {"Slow sync"},
     [](TestHost&, const SyncUser& u) { fs::remove(SyncState::PathIn(u.folder)); }},
    {"SlowWithCutState",
     Nothing,
     [](clsDatabase& db) { PcDelete(db, "Bravo"); },
     {"Alpha", "Charlie", "Bravo"},
     0,
     {"Slow sync"},
     [](TestHost&, const SyncUser& u) {
         const std::string path = SyncState::PathIn(u.folder);
         fs::resize_file(path, fs::file_size(path) / 2);
     }},
    {"SlowWithAnotherHandheld",
     Nothing,
     [](clsDatabase& db) { PcDelete(db, "Bravo"); },
     {"Alpha", "Charlie", "Bravo"},
     0,
     {"Slow sync"},
     [](TestHost& h, const SyncUser&) { h.users[0].userId = 4712; }},
    {"SlowWithAnotherPc",
     [](HandheldSimulator& h, SimDatabase& d) { h.DeleteRecord(d, HhId(d, "Charlie")); },
     [](clsDatabase& db) { PcAdd(db, "Echo"); },
     {"Alpha", "Bravo", "Charlie", "Echo"},
     0,
     {"Slow sync", "deleted on the handheld in a sync that deletes nothing"},
     [](TestHost& h, const SyncUser&) { h.pc = 0xBADC0DE; }},
};

class ConduitScenario : public ConduitTest, public ::testing::WithParamInterface<Scenario> {};

TEST_P(ConduitScenario, BothSidesEndInStep) {
    const Scenario& s = GetParam();
    SyncedPair();
    s.onHandheld(hh, Notes());
    OnPc(user, s.onPc);
    if (s.before)
        s.before(host, user);
    hh.userId = host.users[0].userId;

    const SyncReport r = SyncWith(hh, host);
    ASSERT_EQ(r.outcome, SyncReport::Outcome::Synced) << LogText(r);
    EXPECT_EQ(Texts(PcNotes(user.notesFile)), s.pcTexts) << LogText(r);
    EXPECT_EQ(r.conflicts, s.conflicts) << LogText(r);
    for (const std::string& part : s.logHas)
        EXPECT_TRUE(LogHas(r, part)) << "log lacks \"" << part << "\":\n" << LogText(r);
    ExpectInStep(hh, user);
    if (!s.labels.empty())
        for (size_t i = 0; i < 16; ++i)
            EXPECT_EQ(Label(Notes().appInfo, int(i)), i < s.labels.size() ? s.labels[i] : "");
    // Pictures travel with their notes.
    for (const PcNote& n : PcNotes(user.notesFile))
        if (n.Text() == "Alpha")
            EXPECT_EQ(n.bytes, NoteBytes("Alpha", 1));

    // A sync with nothing changed changes nothing, not even the PC file's bytes.
    const auto files = Snapshot(user.folder);
    const SyncReport again = SyncWith(hh, host);
    ASSERT_EQ(again.outcome, SyncReport::Outcome::Synced) << LogText(again);
    EXPECT_EQ(again.notesAddedToPc + again.notesChangedOnPc + again.notesDeletedOnPc +
                  again.notesAddedToHandheld + again.notesChangedOnHandheld +
                  again.notesDeletedOnHandheld + again.conflicts,
              0)
        << LogText(again);
    EXPECT_EQ(Snapshot(user.folder)["QLTester.pdb"], files.at("QLTester.pdb"));
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ConduitScenario, ::testing::ValuesIn(kScenarios),
                         [](const ::testing::TestParamInfo<Scenario>& i) { return i.param.name; });

// Neither side has notes: nothing to do, and nothing is created.
TEST_F(ConduitTest, NoNotesOnEitherSide) {
    const SyncReport r = SyncWith(hh, host);
    ASSERT_EQ(r.outcome, SyncReport::Outcome::Synced) << LogText(r);
    EXPECT_FALSE(fs::exists(user.notesFile));
    EXPECT_EQ(hh.FindDatabase("QuillaryDBv2"), nullptr);
}

// A note too large for one handheld record (here in a conflict) stays on the PC, marked
// changed, with a line in the log; the handheld's version is kept beside it, and the next
// sync neither loses nor doubles either.
TEST_F(ConduitTest, NoteTooLargeForTheHandheldStaysOnThePc) {
    SyncedPair();
    hh.ChangeRecord(Notes(), HhId(Notes(), "Bravo"), NoteBytes("Bravo from the handheld", 2));
    OnPc(user, [](clsDatabase& db) {
        clsQuillaryItem* item = db.GetRecordObject(PcIndex(db, "Bravo"));
        std::vector<uint8_t> picture;
        item->GetBitmapData(picture);
        picture.resize(18 + clsQuillaryItem::kMaxPictureData);
        quillary::WriteBE16(picture.data() + 16, uint16_t(clsQuillaryItem::kMaxPictureData));
        ASSERT_TRUE(item->SetBitmapData(picture));
        PcEdit(db, "Bravo", "Bravo huge");
    });
    for (int round = 0; round < 2; ++round) {
        const SyncReport r = SyncWith(hh, host);
        ASSERT_EQ(r.outcome, SyncReport::Outcome::Synced) << LogText(r);
        EXPECT_TRUE(LogHas(r, "is too large to send to the handheld")) << LogText(r);
        const std::vector<PcNote> pc = PcNotes(user.notesFile);
        EXPECT_EQ(Texts(pc), (std::vector<std::string>{"Alpha", "Bravo huge",
                                                       "Bravo from the handheld", "Charlie"}));
        ASSERT_EQ(pc.size(), 4u);
        EXPECT_EQ(pc[1].id, 0u);
        EXPECT_EQ(pc[1].attributes & 0x40, 0x40) << "still to be sent";
        EXPECT_EQ(pc[1].bytes.size(), clsQuillaryItem::kMaxRecordBytes);
        EXPECT_EQ(Notes().records.size(), 3u);
    }
}

// ---- size ----

// 5000 notes: the first sync copies them all; then 10 changed on each side go both ways
// in a fast sync that reads only the changed notes.
TEST_F(ConduitTest, FiveThousandNotes) {
    SimDatabase& db = hh.AddDatabase(NotesDb());
    for (int i = 0; i < 5000; ++i)
        hh.AddRecord(db, NoteBytes("Note " + std::to_string(i), unsigned(i)), uint8_t(i % 3));
    SyncReport r = SyncWith(hh, host);
    ASSERT_EQ(r.outcome, SyncReport::Outcome::Synced) << LogText(r);
    EXPECT_EQ(r.notesAddedToPc, 5000);

    for (int i = 0; i < 10; ++i)
        hh.ChangeRecord(db, db.records[size_t(i * 400)].id,
                        NoteBytes("Handheld " + std::to_string(i), unsigned(i)));
    OnPc(user, [](clsDatabase& pc) {
        for (int i = 0; i < 10; ++i)
            PcEdit(pc, "Note " + std::to_string(i * 400 + 7), "PC " + std::to_string(i));
    });
    const int readsBefore = hh.Count(DlpFunction::ReadRecord);
    r = SyncWith(hh, host);
    ASSERT_EQ(r.outcome, SyncReport::Outcome::Synced) << LogText(r);
    EXPECT_EQ(r.notesChangedOnPc, 10);
    EXPECT_EQ(r.notesChangedOnHandheld, 10);
    EXPECT_EQ(hh.Count(DlpFunction::ReadRecord), readsBefore) << "a fast sync reads no others";
    const std::vector<PcNote> pc = PcNotes(user.notesFile);
    ASSERT_EQ(pc.size(), 5000u);
    EXPECT_EQ(pc[400].Text(), "Handheld 1");
    EXPECT_EQ(pc[407].Text(), "PC 1");
    EXPECT_EQ(pc[4999].Text(), "Note 4999");
    ExpectInStep(hh, user);
}

// ---- refusals ----

struct Refusal {
    const char* name;
    std::function<void(TestHost&, HandheldSimulator&)> setUp;
    const char* says;
};

class ConduitRefusal : public ConduitTest, public ::testing::WithParamInterface<Refusal> {};

// A refused sync touches nothing on either side and tells the handheld why.
TEST_P(ConduitRefusal, NothingChanges) {
    SyncedPair();
    hh.AddRecord(Notes(), NoteBytes("Delta", 4));
    OnPc(user, [](clsDatabase& db) { PcAdd(db, "Echo"); });
    GetParam().setUp(host, hh);
    const auto files = Snapshot(user.folder);
    const std::vector<SimRecord> records = Notes().records;
    const int opened = hh.Count(DlpFunction::OpenDb);
    const int afterBefore = host.after;

    const SyncReport r = SyncWith(hh, host);
    EXPECT_EQ(r.outcome, SyncReport::Outcome::Refused);
    EXPECT_NE(r.reason.find(GetParam().says), std::string::npos) << r.reason;
    EXPECT_EQ(Snapshot(user.folder), files);
    ASSERT_EQ(Notes().records.size(), records.size());
    for (size_t i = 0; i < records.size(); ++i)
        EXPECT_EQ(Notes().records[i].data, records[i].data);
    EXPECT_EQ(hh.Count(DlpFunction::OpenDb), opened);
    ASSERT_FALSE(hh.syncLog.empty());
    EXPECT_NE(hh.syncLog.back().find(GetParam().says), std::string::npos) << hh.syncLog.back();
    EXPECT_NE(hh.endOfSyncStatus, 0);
    EXPECT_EQ(host.after, afterBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, ConduitRefusal,
    ::testing::Values(
        Refusal{"UnsavedNotesInTheWindow",
                [](TestHost& h, HandheldSimulator&) {
                    h.refuseBefore = "Tester's notes have unsaved changes in Quillary.";
                },
                "unsaved changes"},
        Refusal{"UnknownUser", [](TestHost&, HandheldSimulator& hh) { hh.userName = "Stranger"; },
                "new handhelds are not accepted"},
        Refusal{"KnownNameOtherId", [](TestHost&, HandheldSimulator& hh) { hh.userId = 1; },
                "new handhelds are not accepted"}),
    [](const ::testing::TestParamInfo<Refusal>& i) { return i.param.name; });

// A new handheld (user ID 0) accepted by the PC gets the ID the PC gave its user.
TEST_F(ConduitTest, NewHandheldIsGivenItsUserId) {
    host.users.clear();
    host.acceptNew = true;
    hh.userId = 0;
    SimDatabase& db = hh.AddDatabase(NotesDb());
    hh.AddRecord(db, NoteBytes("Hello", 1));
    const SyncReport r = SyncWith(hh, host);
    ASSERT_EQ(r.outcome, SyncReport::Outcome::Synced) << LogText(r);
    EXPECT_EQ(hh.userId, host.newUserId);
    ASSERT_TRUE(r.user);
    EXPECT_EQ(Texts(PcNotes(r.user->notesFile)), std::vector<std::string>{"Hello"});
}

// ---- a connection that drops ----

// Changes on both sides (a conflict, adds, deletes, a renamed category, an insert
// database), then the connection drops after each request in turn, or the handheld falls
// silent. Until the PC file is replaced every PC file stays byte for byte as it was; after
// that each holds what the undisturbed sync wrote. The next sync always completes, and
// both sides then hold the undisturbed sync's notes: none lost, none twice.
TEST_F(ConduitTest, DroppedConnectionLosesAndDoublesNothing) {
    SyncedPair();
    SimDatabase stamps;
    stamps.name = "Stamps";
    stamps.type = FourCC("Ins2");
    stamps.creator = FourCC("QLRY");
    hh.AddDatabase(stamps);
    ASSERT_EQ(SyncWith(hh, host).outcome, SyncReport::Outcome::Synced);
    hh.AddRecord(*hh.FindDatabase("Stamps"), {1, 2, 3, 4});
    SimDatabase& d = Notes();
    hh.ChangeRecord(d, HhId(d, "Alpha"), NoteBytes("Alpha from the handheld", 1));
    hh.AddRecord(d, NoteBytes("Delta", 4), 1);
    hh.DeleteRecord(d, HhId(d, "Charlie"));
    hh.ChangeAppInfo(d, Renamed(d.appInfo, 1, "Work"));
    OnPc(user, [](clsDatabase& db) {
        PcEdit(db, "Alpha", "Alpha from the PC");
        PcEdit(db, "Bravo", "Bravo from the PC");
        PcAdd(db, "Echo");
        PcAdd(db, "Foxtrot");
    });
    const HandheldSimulator start = hh;
    const auto before = Snapshot(user.folder);

    // The undisturbed sync, in a copy of the user's folder.
    auto copyUser = [&](const std::string& name) {
        SyncUser u = UserIn(root + "/" + name);
        fs::remove_all(u.folder);
        fs::copy(user.folder, u.folder, fs::copy_options::recursive);
        return u;
    };
    const SyncUser refUser = copyUser("reference");
    TestHost refHost;
    refHost.users = {refUser};
    HandheldSimulator refHh = start;
    const SyncReport ref = SyncWith(refHh, refHost);
    ASSERT_EQ(ref.outcome, SyncReport::Outcome::Synced) << LogText(ref);
    ASSERT_EQ(ref.conflicts, 1);
    const auto after = Snapshot(refUser.folder);
    std::vector<std::string> refTexts = Texts(PcNotes(refUser.notesFile));
    std::sort(refTexts.begin(), refTexts.end());
    ASSERT_EQ(refTexts.size(), 6u);
    const int requests = refHh.RequestCount();

    for (int k = 0; k < requests; ++k) {
        for (const bool silent : {false, true}) {
            if (silent && k % 5 != 0)
                continue;
            SCOPED_TRACE("after " + std::to_string(k) + " requests, " +
                         (silent ? "silent" : "hung up"));
            const SyncUser u = copyUser("drop");
            TestHost h;
            h.users = {u};
            HandheldSimulator dropHh = start;
            (silent ? dropHh.faults.silentAfter : dropHh.faults.hangUpAfter) = k;
            const SyncReport r = SyncWith(dropHh, h);
            EXPECT_EQ(r.outcome, SyncReport::Outcome::Failed);
            EXPECT_FALSE(r.reason.empty());
            const auto now = Snapshot(u.folder);
            for (const auto& [file, bytes] : now) {
                const bool asBefore = before.count(file) && before.at(file) == bytes;
                const bool asAfter = after.count(file) && after.at(file) == bytes;
                EXPECT_TRUE(asBefore || asAfter) << file << " is neither as before nor as synced";
            }
            if (now.at("QLTester.pdb") == before.at("QLTester.pdb"))
                EXPECT_EQ(now, before) << "a PC file changed before the notes file was replaced";

            dropHh.faults = {};
            const SyncReport next = SyncWith(dropHh, h);
            ASSERT_EQ(next.outcome, SyncReport::Outcome::Synced) << LogText(next);
            std::vector<std::string> texts = Texts(PcNotes(u.notesFile));
            std::sort(texts.begin(), texts.end());
            EXPECT_EQ(texts, refTexts) << LogText(r) << LogText(next);
            ExpectInStep(dropHh, u);
            ASSERT_NE(dropHh.FindDatabase("Stamps"), nullptr);
            EXPECT_EQ(ReadFile(u.insertFolder + "/Stamps.pdb"),
                      ReadFile(refUser.insertFolder + "/Stamps.pdb"));
            fs::remove_all(u.folder);
            if (HasFailure())
                return;
        }
    }
}

// The handheld's database is being created from the PC's notes when the connection drops:
// the next sync (a slow one, nothing having been recorded) pairs the notes already written
// with their PC originals by content, so each note is there once.
TEST_F(ConduitTest, DroppedWhileCreatingTheHandheldsDatabase) {
    clsDatabase db;
    db.AddNewDatabase();
    db.SetFileName(user.notesFile);
    for (int i = 0; i < 5; ++i) {
        db.AddNewRecord(i);
        db.GetRecordObject(i)->SetText("PC note " + std::to_string(i));
        db.GetRecordObject(i)->SetDirtyFlag(true);
    }
    // Two notes alike: each still needs a record of its own.
    db.GetRecordObject(4)->SetText("PC note 3");
    ASSERT_TRUE(db.SaveDatabase());
    const auto before = Snapshot(user.folder);
    const HandheldSimulator start = hh;
    HandheldSimulator counter = start;
    {
        const SyncUser u = UserIn(root + "/count");
        fs::copy(user.folder, u.folder, fs::copy_options::recursive);
        TestHost h;
        h.users = {u};
        ASSERT_EQ(SyncWith(counter, h).outcome, SyncReport::Outcome::Synced);
    }
    for (int k = 0; k < counter.RequestCount(); ++k) {
        SCOPED_TRACE("after " + std::to_string(k) + " requests");
        const SyncUser u = UserIn(root + "/drop");
        fs::remove_all(u.folder);
        fs::copy(user.folder, u.folder, fs::copy_options::recursive);
        TestHost h;
        h.users = {u};
        HandheldSimulator dropHh = start;
        dropHh.faults.hangUpAfter = k;
        const SyncReport r = SyncWith(dropHh, h);
        EXPECT_EQ(r.outcome, SyncReport::Outcome::Failed);
        if (Snapshot(u.folder).at("QLTester.pdb") == before.at("QLTester.pdb"))
            EXPECT_EQ(Snapshot(u.folder), before);
        dropHh.faults = {};
        const SyncReport next = SyncWith(dropHh, h);
        ASSERT_EQ(next.outcome, SyncReport::Outcome::Synced) << LogText(next);
        EXPECT_EQ(Texts(PcNotes(u.notesFile)),
                  (std::vector<std::string>{"PC note 0", "PC note 1", "PC note 2", "PC note 3",
                                            "PC note 3"}))
            << LogText(r) << LogText(next);
        ExpectInStep(dropHh, u);
        if (HasFailure())
            return;
    }
}

// ---- hostile answers ----

struct Hostile {
    const char* name;
    std::function<void(const DlpRequest&, DlpResponse&)> tamper;
    std::function<void(const DlpRequest&, std::vector<uint8_t>&)> tamperBytes;
    const char* says;
    bool slow = false; // without the last sync's state: every note is read
};

bool Is(const DlpRequest& q, DlpFunction f) {
    return q.function == uint8_t(f);
}

const Hostile kHostile[] = {
    {"MoreIdsThanNotes",
     [](const DlpRequest& q, DlpResponse& r) {
         if (Is(q, DlpFunction::ReadRecordIdList) && r.error == 0) {
             auto& d = r.arguments[0].data;
             quillary::WriteBE16(d.data(), uint16_t(quillary::ReadBE16(d.data()) + 1));
             d.insert(d.end(), {0, 0x12, 0x34, 0x56});
         }
     },
     nullptr, "IDs where it said it has"},
    {"HugeNoteCount",
     [](const DlpRequest& q, DlpResponse& r) {
         if (Is(q, DlpFunction::ReadOpenDbInfo) && r.error == 0)
             quillary::WriteBE16(r.arguments[0].data.data(), 40000);
     },
     nullptr, "more than a notes database can hold"},
    {"UnknownChangedId",
     [](const DlpRequest& q, DlpResponse& r) {
         if (Is(q, DlpFunction::ReadNextModifiedRec) && r.error == 0)
             quillary::WriteBE32(r.arguments[0].data.data(), 0x777777);
     },
     nullptr, "not in its list of notes"},
    {"ListedIdZero",
     [](const DlpRequest& q, DlpResponse& r) {
         if (Is(q, DlpFunction::ReadRecordIdList) && r.error == 0)
             quillary::WriteBE32(r.arguments[0].data.data() + 2, 0);
     },
     nullptr, "which no note can have"},
    {"CategoryOutOfRange",
     [](const DlpRequest& q, DlpResponse& r) {
         if (Is(q, DlpFunction::ReadNextModifiedRec) && r.error == 0)
             r.arguments[0].data[9] = 20;
     },
     nullptr, "in category 20"},
    {"NoteNotANote",
     [](const DlpRequest& q, DlpResponse& r) {
         if (Is(q, DlpFunction::ReadNextModifiedRec) && r.error == 0) {
             auto& d = r.arguments[0].data;
             quillary::WriteBE16(d.data() + 10 + 2030, 60000); // picture larger than sent
         }
     },
     nullptr, "is not a note this program can store"},
    {"ChangedNotesNeverEnd",
     [](const DlpRequest& q, DlpResponse& r) {
         if (Is(q, DlpFunction::ReadNextModifiedRec) && r.error == 0)
             r.arguments[0].data[8] |= SimRecord::kDirty;
         static std::vector<uint8_t> first;
         if (Is(q, DlpFunction::ReadNextModifiedRec)) {
             if (r.error == 0 && first.empty())
                 first = r.arguments[0].data;
             if (!first.empty()) { // the same record again and again
                 r.error = 0;
                 r.arguments = {{0x20, first}};
             }
         }
     },
     nullptr, "keeps sending changed notes"},
    {"CategoryTableWrongSize",
     [](const DlpRequest& q, DlpResponse& r) {
         if (Is(q, DlpFunction::ReadAppBlock) && r.error == 0) {
             auto& d = r.arguments[0].data;
             d.resize(2 + 100);
             quillary::WriteBE16(d.data(), 100);
         }
     },
     nullptr, "category table is 100 bytes"},
    {"DatabaseListNeverEnds",
     [](const DlpRequest& q, DlpResponse& r) {
         static std::vector<DlpArgument> list;
         if (!Is(q, DlpFunction::ReadDbList))
             return;
         if (r.error == 0 && list.empty()) {
             list = r.arguments;
             quillary::WriteBE16(list[0].data.data(), 0); // always "up to the first"
             list[0].data[2] = 0x80;                      // and always more
         }
         if (!list.empty()) {
             r.error = 0;
             r.arguments = list;
         }
     },
     nullptr, "list of databases does not come to an end"},
    {"ReadAnotherNote",
     [](const DlpRequest& q, DlpResponse& r) {
         if (Is(q, DlpFunction::ReadRecord) && r.error == 0)
             quillary::WriteBE32(r.arguments[0].data.data(), 0x00A00002);
     },
     nullptr, "with note", true},
    {"RecordShorterThanItSays",
     [](const DlpRequest& q, DlpResponse& r) {
         if (Is(q, DlpFunction::ReadRecord) && r.error == 0) {
             auto& d = r.arguments[0].data;
             quillary::WriteBE16(d.data() + 6, uint16_t(quillary::ReadBE16(d.data() + 6) + 50));
         }
     },
     nullptr, "for the rest of note", true},
    {"WrongLength", nullptr,
     [](const DlpRequest& q, std::vector<uint8_t>& bytes) {
         if (Is(q, DlpFunction::ReadNextModifiedRec) && bytes.size() > 100)
             bytes[7] = uint8_t(bytes[7] + 3); // the argument says it is longer than it is
     },
     "malformed"},
};

class ConduitHostile : public ConduitTest, public ::testing::WithParamInterface<Hostile> {};

// A handheld whose answers make no sense stops the sync with a line that says what was
// wrong, and every PC file stays as it was.
TEST_P(ConduitHostile, ClearLogLineNothingWritten) {
    SyncedPair();
    hh.ChangeRecord(Notes(), HhId(Notes(), "Alpha"), NoteBytes("Alpha 2", 1));
    OnPc(user, [](clsDatabase& db) { PcEdit(db, "Bravo", "Bravo 2"); });
    if (GetParam().slow)
        fs::remove(SyncState::PathIn(user.folder));
    const auto files = Snapshot(user.folder);
    hh.endOfSyncStatus = -1;
    hh.faults.tamper = GetParam().tamper;
    hh.faults.tamperBytes = GetParam().tamperBytes;

    const SyncReport r = SyncWith(hh, host);
    EXPECT_EQ(r.outcome, SyncReport::Outcome::Failed);
    EXPECT_TRUE(LogHas(r, GetParam().says)) << LogText(r);
    EXPECT_EQ(Snapshot(user.folder), files);
    EXPECT_NE(hh.endOfSyncStatus, 0) << "no sync may end as a success";
    EXPECT_EQ(host.after, 2) << "the window is told after a failed sync too";
}

INSTANTIATE_TEST_SUITE_P(Answers, ConduitHostile, ::testing::ValuesIn(kHostile),
                         [](const ::testing::TestParamInfo<Hostile>& i) { return i.param.name; });

// ---- insert databases ----

std::vector<uint8_t> TextInsertFile(const std::string& name,
                                    const std::vector<std::pair<std::string, std::string>>& items) {
    clsInsertDatabase db;
    db.AddNewDatabase();
    db.m_PalmFileName = name;
    for (size_t i = 0; i < items.size(); ++i) {
        db.AddNewRecord(int(i));
        db.GetRecordObject(int(i))->Title = items[i].first;
        db.GetRecordObject(int(i))->SetText(items[i].second);
    }
    return db.GetDatabaseBytes();
}

// The records of a database file, as (category | secret, data).
std::vector<std::pair<uint8_t, std::vector<uint8_t>>> FileRecords(const std::vector<uint8_t>& f) {
    quillary::PdbContainer c;
    std::vector<std::pair<uint8_t, std::vector<uint8_t>>> out;
    if (!quillary::ParsePdbContainer(f.data(), f.size(), c, nullptr)) {
        ADD_FAILURE() << "not a database file";
        return out;
    }
    for (size_t i = 0; i < c.entries.size(); ++i) {
        const size_t end = i + 1 < c.entries.size() ? c.entries[i + 1].offset : f.size();
        out.push_back({uint8_t(c.entries[i].attributes & 0x1F),
                       {f.begin() + c.entries[i].offset, f.begin() + std::ptrdiff_t(end)}});
    }
    return out;
}
std::vector<std::pair<uint8_t, std::vector<uint8_t>>> SimRecords(const SimDatabase& db) {
    std::vector<std::pair<uint8_t, std::vector<uint8_t>>> out;
    for (const SimRecord& r : db.records)
        out.push_back({uint8_t(r.category | (r.attributes & 0x10)), r.data});
    return out;
}

struct InsertCase {
    const char* name;
    std::function<void(HandheldSimulator&, const SyncUser&)> change;
    int toPc, toHandheld, conflicts;
    std::vector<std::string> pcFiles; // the insert folder afterwards
    const char* logHas;
};

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& b) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

const InsertCase kInserts[] = {
    {"ChangedOnHandheld",
     [](HandheldSimulator& h, const SyncUser&) {
         SimDatabase& s = *h.FindDatabase("Stamps");
         h.ChangeRecord(s, s.records[0].id, {9, 9, 9});
     },
     1,
     0,
     0,
     {"Phrases.pdb", "Stamps.pdb"},
     nullptr},
    {"ChangedOnPc",
     [](HandheldSimulator&, const SyncUser& u) {
         WriteFileBytes(u.insertFolder + "/Phrases.pdb",
                        TextInsertFile("Phrases", {{"Hi", "Hello there"}, {"Bye", "So long"}}));
     },
     0,
     1,
     0,
     {"Phrases.pdb", "Stamps.pdb"},
     nullptr},
    {"ChangedOnBoth",
     [](HandheldSimulator& h, const SyncUser& u) {
         SimDatabase& s = *h.FindDatabase("Phrases");
         h.ChangeRecord(s, s.records[0].id, s.records[0].data);
         WriteFileBytes(u.insertFolder + "/Phrases.pdb",
                        TextInsertFile("Phrases", {{"Hi", "PC's greeting"}}));
     },
     0,
     1,
     1,
     {"Phrases.pdb", "Stamps.pdb"},
     "the handheld's is an earlier version"},
    {"NewOnHandheld",
     [](HandheldSimulator& h, const SyncUser&) {
         SimDatabase extra;
         extra.name = "Extra/Stuff";
         extra.type = FourCC("Ins2");
         extra.creator = FourCC("QLRY");
         h.AddRecord(h.AddDatabase(extra), {5, 6, 7}, 2);
     },
     1,
     0,
     0,
     {"Extra_Stuff.pdb", "Phrases.pdb", "Stamps.pdb"},
     nullptr},
    {"DeletedOnPc",
     [](HandheldSimulator&, const SyncUser& u) { fs::remove(u.insertFolder + "/Phrases.pdb"); },
     0,
     0,
     0,
     {"Stamps.pdb"},
     "deleted on the PC"},
    {"DeletedOnHandheld",
     [](HandheldSimulator& h, const SyncUser&) {
         std::erase_if(h.databases, [](const SimDatabase& d) { return d.name == "Stamps"; });
     },
     0,
     0,
     0,
     {"Phrases.pdb"},
     "deleted on the handheld"},
};

class ConduitInserts : public ConduitTest, public ::testing::WithParamInterface<InsertCase> {};

// Insert databases go whole to the side that did not change them; when both did, the PC's
// copy goes to both and the handheld's is kept as an earlier version on the PC.
TEST_P(ConduitInserts, CopiedWholeFromTheSideThatChanged) {
    const InsertCase& c = GetParam();
    fs::create_directories(user.insertFolder);
    WriteFileBytes(user.insertFolder + "/Phrases.pdb",
                   TextInsertFile("Phrases", {{"Hi", "Hello"}, {"Bye", "Goodbye"}}));
    SimDatabase stamps;
    stamps.name = "Stamps";
    stamps.type = FourCC("Ins2");
    stamps.creator = FourCC("QLRY");
    stamps.appInfo = {1, 2, 3};
    SimDatabase& s = hh.AddDatabase(stamps);
    hh.AddRecord(s, {0xAA, 0xBB}, 1, SimRecord::kSecret);
    hh.AddRecord(s, {0xCC}, 0);
    SyncReport r = SyncWith(hh, host);
    ASSERT_EQ(r.outcome, SyncReport::Outcome::Synced) << LogText(r);
    EXPECT_EQ(r.insertsToPc, 1);
    EXPECT_EQ(r.insertsToHandheld, 1);
    const std::vector<uint8_t> phrasesBefore = ReadFile(user.insertFolder + "/Phrases.pdb");
    const std::vector<uint8_t> handheldsPhrases = hh.FindDatabase("Phrases")
                                                      ? hh.FindDatabase("Phrases")->records[0].data
                                                      : std::vector<uint8_t>();

    c.change(hh, user);
    const std::vector<uint8_t> pcPhrases = ReadFile(user.insertFolder + "/Phrases.pdb");
    r = SyncWith(hh, host);
    ASSERT_EQ(r.outcome, SyncReport::Outcome::Synced) << LogText(r);
    EXPECT_EQ(r.insertsToPc, c.toPc) << LogText(r);
    EXPECT_EQ(r.insertsToHandheld, c.toHandheld) << LogText(r);
    EXPECT_EQ(r.conflicts, c.conflicts) << LogText(r);
    if (c.logHas)
        EXPECT_TRUE(LogHas(r, c.logHas)) << LogText(r);

    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(user.insertFolder))
        if (e.is_regular_file())
            files.push_back(e.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, c.pcFiles);
    // Both sides hold the same databases with the same records.
    std::set<std::string> hhNames;
    for (const SimDatabase& d : hh.databases)
        if (d.type != FourCC("Not2"))
            hhNames.insert(d.name);
    EXPECT_EQ(hhNames.size(), files.size());
    for (const std::string& f : files) {
        const std::vector<uint8_t> bytes = ReadFile(user.insertFolder + "/" + f);
        quillary::PdbContainer pc;
        ASSERT_TRUE(quillary::ParsePdbContainer(bytes.data(), bytes.size(), pc, nullptr));
        const SimDatabase* d = hh.FindDatabase(pc.name);
        ASSERT_NE(d, nullptr) << pc.name;
        EXPECT_EQ(FileRecords(bytes), SimRecords(*d)) << pc.name;
    }
    if (std::string(c.name) == "ChangedOnBoth") {
        EXPECT_EQ(ReadFile(user.insertFolder + "/Phrases.pdb"), pcPhrases);
        const auto versions = quillary::VersionStore(user.insertFolder + "/Phrases.pdb").List();
        ASSERT_FALSE(versions.empty());
        std::vector<uint8_t> kept;
        ASSERT_TRUE(quillary::VersionStore(user.insertFolder + "/Phrases.pdb")
                        .Read(versions.front(), kept, nullptr));
        ASSERT_FALSE(FileRecords(kept).empty());
        EXPECT_EQ(FileRecords(kept)[0].second, handheldsPhrases) << "the handheld's copy is kept";
    }
    if (std::string(c.name) == "NewOnHandheld") {
        if (!HavePalmPdb())
            QUILLARY_GTEST_REQUIRE_OR_SKIP("Palm::PDB (libpalm-perl) is not installed");
        const char* script =
            "my $p = Palm::PDB->new; $p->Load($ARGV[0]);"
            "print join('|', $p->{name}, $p->{type}, $p->{creator}, scalar(@{$p->{records}})),"
            " qq(\\n); for (@{$p->{records}}) { print join(' ', $_->{category}, "
            "unpack('H*', $_->{data})), qq(\\n) }";
        const ToolRun t =
            RunTool(std::string("perl -MPalm::PDB -MPalm::Raw -e ") + ShellQuote(script) + " " +
                        ShellQuote(user.insertFolder + "/Extra_Stuff.pdb"),
                    root);
        ASSERT_EQ(t.status, 0) << t.err;
        EXPECT_EQ(t.out, "Extra/Stuff|Ins2|QLRY|1\n2 050607\n");
    }
    if (std::string(c.name) == "ChangedOnPc") {
        clsInsertDatabase ins;
        ins.SetFileName(user.insertFolder + "/Phrases.pdb");
        ASSERT_TRUE(ins.OpenDatabase());
        EXPECT_EQ(ins.GetRecordObject(0)->RawText(), "Hello there");
    }
    (void)phrasesBefore;
}

INSTANTIATE_TEST_SUITE_P(Inserts, ConduitInserts, ::testing::ValuesIn(kInserts),
                         [](const ::testing::TestParamInfo<InsertCase>& i) {
                             return i.param.name;
                         });

} // namespace

namespace {

// An insert file the PC cannot read is not taken as deleted: the handheld keeps its copy,
// the file is left as it is, and the log names it.
TEST_F(ConduitTest, UnreadableInsertFileDeletesNothing) {
    fs::create_directories(user.insertFolder);
    const std::string phrases = user.insertFolder + "/Phrases.pdb";
    WriteFileBytes(phrases, TextInsertFile("Phrases", {{"Hi", "Hello"}}));
    SyncReport r = SyncWith(hh, host);
    ASSERT_EQ(r.outcome, SyncReport::Outcome::Synced) << LogText(r);
    ASSERT_NE(hh.FindDatabase("Phrases"), nullptr);

    std::vector<uint8_t> broken = ReadFile(phrases);
    broken.resize(40);
    WriteFileBytes(phrases, broken);
    r = SyncWith(hh, host);
    ASSERT_EQ(r.outcome, SyncReport::Outcome::Synced) << LogText(r);
    EXPECT_TRUE(LogHas(r, "Insert database file left out")) << LogText(r);
    EXPECT_NE(hh.FindDatabase("Phrases"), nullptr) << "the handheld's copy was deleted";
    EXPECT_EQ(ReadFile(phrases), broken);
}

} // namespace
