// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/ByteOrder.h"
#include "storage/FileIO.h"
#include "storage/StreamHash.h"
#include "storage/VersionStore.h"
#include "storage/clsBitmap.h"
#include "storage/clsDatabase.h"
#include "storage/clsInsertDatabase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <regex>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using quillary::ReadBE16;
using quillary::ReadBE32;

namespace {

class DatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::path(::testing::TempDir()) /
              ("quillary_db_" + std::to_string(::getpid()) + "_" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, ec);
        fs::remove_all(dir, ec);
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }

    static void Fresh(clsDatabase& db, int notes) {
        db.m_NewNoteTitle = [] { return std::string("3/14/26 4:07 pm - "); };
        db.AddNewDatabase();
        for (int i = 0; i < notes; ++i)
            db.AddNewRecord(i);
    }
    static std::vector<uint8_t> ReadAll(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }
    static void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }

    fs::path dir;
};

} // namespace

TEST_F(DatabaseTest, EmptyDatabaseLayout) {
    clsDatabase db;
    Fresh(db, 0);
    const auto bytes = db.GetDatabaseBytes();
    ASSERT_EQ(bytes.size(), 354u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 13), std::string("QuillaryDBv2\0", 13));
    for (size_t i = 13; i < 32; ++i)
        EXPECT_EQ(bytes[i], ' ') << i;
    EXPECT_EQ(ReadBE16(&bytes[32]), 0);  // attributes
    EXPECT_EQ(ReadBE16(&bytes[34]), 1);  // version
    EXPECT_EQ(ReadBE32(&bytes[36]), 1u); // creation
    EXPECT_EQ(ReadBE32(&bytes[40]), 1u); // modification
    EXPECT_EQ(ReadBE32(&bytes[52]), 78u);
    EXPECT_EQ(std::string(bytes.begin() + 60, bytes.begin() + 68), "Not2QLRY");
    EXPECT_EQ(ReadBE16(&bytes[76]), 0);
    // Category table right after the (empty) record list.
    EXPECT_EQ(std::string(bytes.begin() + 80, bytes.begin() + 96),
              std::string("Unfiled\0        ", 16));
    EXPECT_EQ(bytes[78 + 258 + 5], 5);
    EXPECT_EQ(bytes[78 + 274], 15);
    EXPECT_EQ(db.CalcDBSize(), 78);
}

TEST_F(DatabaseTest, RecordsFollowTheCategoryTable) {
    clsDatabase db;
    Fresh(db, 3);
    db.GetRecordObject(1)->SetText(std::string(100, 'x'));
    clsBitmap pic;
    pic.InitializeBitmap(500, 500, 1);
    pic.SetPixel(250, 250, true);
    ASSERT_TRUE(db.GetRecordObject(2)->SetBitmap(pic));
    const auto bytes = db.GetDatabaseBytes();
    const size_t n = 3;
    EXPECT_EQ(ReadBE32(&bytes[52]), 78 + 8 * n);
    uint32_t expected = uint32_t(354 + 8 * n);
    for (size_t i = 0; i < n; ++i) {
        EXPECT_EQ(ReadBE32(&bytes[78 + 8 * i]), expected) << i;
        expected += uint32_t(db.GetItemSize(int(i)) - 8);
    }
    EXPECT_EQ(bytes.size(), expected);
    EXPECT_EQ(int64_t(bytes.size()), db.CalcDBSize() + 276);
    EXPECT_EQ(db.CalcDBSize(), 78 + 6105 + 6105 + db.GetItemSize(2));
}

TEST_F(DatabaseTest, NameFieldPaddingAndLongNames) {
    const std::pair<std::string, std::string> cases[] = {
        {"Twelve chars", std::string("Twelve chars\0", 13) + std::string(19, ' ')},
        {"  padded  ", std::string("padded\0", 7) + std::string(25, ' ')},
        {std::string(40, 'n'), std::string(31, 'n') + std::string(1, '\0')},
        // Cut to 31, the spaces then at its end go too, so the name reads back the same.
        {std::string(20, 'a') + std::string(11, ' ') + "z",
         std::string(20, 'a') + '\0' + std::string(11, ' ')},
    };
    for (const auto& [name, field] : cases) {
        clsDatabase db;
        Fresh(db, 0);
        db.m_PalmFileName = name;
        const auto bytes = db.GetDatabaseBytes();
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 32), field) << name;
    }
}

TEST_F(DatabaseTest, SaveOpenRoundTripIsByteExact) {
    clsDatabase db;
    Fresh(db, 2);
    db.SetFileName(Path("notes.pdb"));
    db.GetRecordObject(0)->attributes = 0x4A;
    db.GetRecordObject(0)->UniqueID = 66051;
    db.GetRecordObject(1)->SetText("second\r\nnote");
    std::string error;
    db.m_FileDirtyFlag = true;
    ASSERT_TRUE(db.SaveDatabase({}, &error)) << error;
    EXPECT_FALSE(db.m_FileDirtyFlag);
    const auto first = ReadAll(Path("notes.pdb"));
    EXPECT_EQ(std::vector<uint8_t>(first.begin() + 82, first.begin() + 86),
              (std::vector<uint8_t>{0x4A, 0x01, 0x02, 0x03}));

    // Hand-set header fields a save must carry through unchanged.
    auto patched = first;
    for (size_t at : {44u, 48u, 56u, 68u, 72u})
        quillary::WriteBE32(&patched[at], 0x11223344u + uint32_t(at));
    patched[78 + 275] = 0x5A; // application-info filler
    WriteAll(Path("patched.pdb"), patched);

    clsDatabase back;
    back.SetFileName(Path("patched.pdb"));
    ASSERT_TRUE(back.OpenDatabase({}, &error)) << error;
    EXPECT_EQ(back.GetNumRecords(), 2);
    EXPECT_EQ(back.GetRecordObject(0)->attributes, 0x4A);
    EXPECT_TRUE(back.GetRecordObject(0)->DirtyFlag());
    EXPECT_EQ(back.GetCategoryIndex(0), 10);
    EXPECT_EQ(back.GetUniqueID(0), 66051u);
    EXPECT_EQ(back.GetRecordObject(1)->Text(), "second\r\nnote");
    EXPECT_EQ(back.m_PalmFileName, "QuillaryDBv2");
    ASSERT_TRUE(back.SaveDatabase({}, &error)) << error;
    EXPECT_EQ(ReadAll(Path("patched.pdb")), patched);
}

TEST_F(DatabaseTest, SaveRewritesOnlyItsHeaderFields) {
    clsDatabase db;
    Fresh(db, 1);
    auto bytes = db.GetDatabaseBytes();
    quillary::WriteBE16(&bytes[32], 0x0008); // attributes
    quillary::WriteBE16(&bytes[34], 7);      // version
    quillary::WriteBE32(&bytes[36], 0xC0000000u);
    quillary::WriteBE32(&bytes[40], 0xC0000001u);
    ASSERT_TRUE(db.LoadDatabaseBytes(bytes.data(), bytes.size(), "x.pdb"));
    const auto saved = db.GetDatabaseBytes();
    EXPECT_EQ(ReadBE16(&saved[32]), 0);
    EXPECT_EQ(ReadBE16(&saved[34]), 1);
    EXPECT_EQ(ReadBE32(&saved[36]), 1u);
    EXPECT_EQ(ReadBE32(&saved[40]), 1u);
    EXPECT_EQ(std::vector<uint8_t>(saved.begin() + 44, saved.end()),
              std::vector<uint8_t>(bytes.begin() + 44, bytes.end()));
}

TEST_F(DatabaseTest, MissingCategoryTableKeepsTheOneHeld) {
    clsDatabase db;
    Fresh(db, 1);
    db.RenameCategory(1, "Kept");
    clsDatabase other;
    Fresh(other, 1);
    auto bytes = other.GetDatabaseBytes();
    quillary::WriteBE32(&bytes[52], 0);
    ASSERT_TRUE(db.LoadDatabaseBytes(bytes.data(), bytes.size(), "x.pdb"));
    EXPECT_EQ(db.GetCategoryLabel(1), "Kept");
}

TEST_F(DatabaseTest, CorruptFilesAreRefusedAndChangeNothing) {
    clsDatabase good;
    Fresh(good, 2);
    const auto image = good.GetDatabaseBytes();
    struct Case {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> damage;
        const char* expect;
    };
    const Case cases[] = {
        {"empty file", [](auto& v) { v.clear(); }, "too short for the 78-byte database header"},
        {"truncated header", [](auto& v) { v.resize(50); }, "too short"},
        {"record count past the end", [](auto& v) { quillary::WriteBE16(&v[76], 5000); },
         "ends before their record list"},
        {"record count negative", [](auto& v) { quillary::WriteBE16(&v[76], 0x8001); },
         "at most 32767"},
        {"record offset past the end", [](auto& v) { quillary::WriteBE32(&v[78 + 8], 0x7FFFFFFF); },
         "outside the record area"},
        {"record offset in header", [](auto& v) { quillary::WriteBE32(&v[78], 10); },
         "outside the record area"},
        {"app info past the end",
         [](auto& v) { quillary::WriteBE32(&v[52], uint32_t(v.size() - 100)); }, "category table"},
        {"truncated record", [](auto& v) { v.resize(v.size() - 100); }, "note 2"},
        {"truncated record list target", [](auto& v) { v.resize(v.size() - 7000); },
         "record 2 is said to start"},
        {"size word too big", [](auto& v) { quillary::WriteBE16(&v[v.size() - 4067], 0xFFFF); },
         "picture data size of 65535"},
        {"records overlap",
         [](auto& v) {
             quillary::WriteBE32(&v[78 + 8], ReadBE32(&v[78]));
             v.resize(v.size() - 6097 + 10);
         },
         "overlap"},
    };
    clsDatabase db;
    Fresh(db, 1);
    db.RenameCategory(0, "Mine");
    db.m_FileDirtyFlag = true;
    db.m_PalmFileName = "Before";
    const auto before = db.GetDatabaseBytes();
    for (const Case& c : cases) {
        auto bad = image;
        c.damage(bad);
        const std::string path = Path("bad.pdb");
        WriteAll(path, bad);
        db.SetFileName(path);
        std::string error;
        EXPECT_FALSE(db.OpenDatabase({}, &error)) << c.name;
        EXPECT_NE(error.find(c.expect), std::string::npos) << c.name << ": " << error;
        EXPECT_NE(error.find(path), std::string::npos) << c.name << ": " << error;
        EXPECT_EQ(db.GetDatabaseBytes(), before) << c.name;
        EXPECT_TRUE(db.m_FileDirtyFlag);
    }
    db.SetFileName(Path("nothing-here.pdb"));
    std::string error;
    EXPECT_FALSE(db.OpenDatabase({}, &error));
    EXPECT_EQ(error, "File : " + Path("nothing-here.pdb") + " not found.");
    db.SetFileName(dir.string());
    EXPECT_FALSE(db.OpenDatabase({}, &error));
}

namespace {

// Peak resident memory (VmHWM) of this process in KiB; -1 when it cannot be read.
long PeakResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// Runs open in a child process and gives back its message and how far the child's peak
// resident memory grew meanwhile (KiB), or -1 when the system cannot say.
std::pair<std::string, long> RefusalInChild(const std::function<std::string()>& open) {
    int out[2];
    if (::pipe(out) != 0)
        return {"pipe failed", -1};
    const pid_t child = fork();
    if (child == 0) {
        ::close(out[0]);
        long growth = -1;
        std::string error;
        // Writing 5 resets the peak to what is resident now.
        const int refs = ::open("/proc/self/clear_refs", O_WRONLY | O_CLOEXEC);
        const bool reset = refs >= 0 && ::write(refs, "5", 1) == 1;
        if (refs >= 0)
            ::close(refs);
        const long before = reset ? PeakResidentKiB() : -1;
        error = open();
        if (before >= 0)
            growth = PeakResidentKiB() - before;
        const std::string report = std::to_string(growth) + "\n" + error;
        ssize_t ignored = ::write(out[1], report.data(), report.size());
        (void)ignored;
        ::_exit(0);
    }
    ::close(out[1]);
    std::string report;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(out[0], buffer, sizeof buffer)) > 0)
        report.append(buffer, size_t(n));
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    const size_t newline = report.find('\n');
    if (newline == std::string::npos)
        return {"child failed: " + report, -1};
    return {report.substr(newline + 1), std::stol(report.substr(0, newline))};
}

} // namespace

// A file claiming more notes than it can hold is refused from its header and record list,
// before the rest is read or mapped: a few MiB at most, whatever the file's size, through
// every way a database file is opened.
TEST_F(DatabaseTest, ImpossibleRecordListsAreRefusedBeforeTheFileIsRead) {
    struct Case {
        const char* name;
        uint16_t count;
        uint64_t fileSize; // sparse beyond the header
        const char* expect;
    };
    const Case cases[] = {
        {"40000 notes in 1 GiB", 40000, uint64_t(1) << 30, "at most 32767"},
        {"32767 notes, list past the end", 32767, 100000, "ends before their record list"},
        {"32767 notes pointing into the list, 1 GiB", 32767, uint64_t(1) << 30,
         "outside the record area"},
    };
    struct EntryPoint {
        const char* name;
        std::function<std::string(const std::string&)> open;
    };
    const EntryPoint entries[] = {
        {"notes database",
         [](const std::string& path) {
             clsDatabase db;
             db.SetFileName(path);
             std::string error;
             return db.OpenDatabase({}, &error) ? std::string("opened") : error;
         }},
        {"notes database, mapped",
         [](const std::string& path) {
             quillary::SetMappedReading(true);
             clsDatabase db;
             db.SetFileName(path);
             std::string error;
             return db.OpenDatabase({}, &error) ? std::string("opened") : error;
         }},
        {"insert database",
         [](const std::string& path) {
             clsInsertDatabase db;
             db.SetFileName(path);
             std::string error;
             return db.OpenDatabase({}, &error) ? std::string("opened") : error;
         }},
        {"import of another database",
         [](const std::string& path) {
             clsDatabase db;
             db.AddNewDatabase();
             const ImportResult r = db.AppendDatabaseNotes(path);
             return r.messages.empty() ? std::string("imported") : r.messages.front();
         }},
        {"whole-file read",
         [](const std::string& path) {
             std::vector<uint8_t> bytes;
             std::string error;
             return quillary::ReadDatabaseFile(path, bytes, &error) ? std::string("read") : error;
         }},
    };
    for (const Case& c : cases) {
        const std::string path = Path("claims.pdb");
        {
            clsDatabase db;
            Fresh(db, 0);
            auto header = db.GetDatabaseBytes();
            header.resize(78);
            quillary::WriteBE16(&header[76], c.count);
            WriteAll(path, header);
        }
        ASSERT_EQ(::truncate(path.c_str(), off_t(c.fileSize)), 0) << c.name;
        for (const EntryPoint& e : entries) {
            const auto [error, growthKiB] = RefusalInChild([&] { return e.open(path); });
            EXPECT_NE(error.find(c.expect), std::string::npos)
                << c.name << ", " << e.name << ": " << error;
            EXPECT_NE(error.find(path), std::string::npos) << c.name << ", " << e.name;
            if (growthKiB < 0)
                continue; // no /proc here: the message is all that can be checked
            EXPECT_LT(growthKiB, 4 * 1024) << c.name << ", " << e.name << ": " << error;
        }
    }
}

// The hash taken piece by piece (as a file is read or a save's records are written) is the
// hash of all the bytes together, wherever the pieces end.
TEST(StreamHashTest, PiecesGiveTheWholeHash) {
    std::vector<uint8_t> bytes(1000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(i * 7 + i / 13);
    const std::vector<std::vector<size_t>> splits = {
        {}, {1}, {31}, {32}, {33}, {5, 6, 7}, {31, 33, 64, 65}, {999}, {0, 0, 500}};
    for (const size_t size : {size_t(0), size_t(31), size_t(32), size_t(95), size_t(1000)}) {
        const uint64_t whole = quillary::VersionStore::Hash(bytes.data(), size);
        for (const auto& cuts : splits) {
            quillary::StreamHash h;
            size_t at = 0;
            for (const size_t cut : cuts) {
                const size_t end = std::min(size, std::max(at, cut));
                h.Update(bytes.data() + at, end - at);
                at = end;
            }
            h.Update(bytes.data() + at, size - at);
            EXPECT_EQ(h.Final(), whole) << size << " bytes, " << cuts.size() << " cuts";
        }
    }
}

// What an open read and what a save wrote is known without reading the file again: its
// size, time and hash are those of the file on disk.
TEST_F(DatabaseTest, OpenAndSaveKnowTheFileTheyReadOrWrote) {
    const auto expectState = [&](const clsDatabase& db, const std::string& path, const char* when) {
        const auto& state = db.LastFileState();
        ASSERT_TRUE(state.known) << when;
        EXPECT_EQ(state.path, path) << when;
        const auto bytes = ReadAll(path);
        EXPECT_EQ(state.size, bytes.size()) << when;
        EXPECT_EQ(state.hash, quillary::VersionStore::Hash(bytes.data(), bytes.size())) << when;
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(state.modifiedNs, int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec)
            << when;
    };
    clsDatabase db;
    Fresh(db, 3);
    db.GetRecordObject(1)->SetText("an odd length of text, so the records do not end on 32");
    db.SetFileName(Path("notes.pdb"));
    EXPECT_FALSE(db.LastFileState().known);
    ASSERT_TRUE(db.SaveDatabase());
    expectState(db, Path("notes.pdb"), "after a save");

    clsDatabase opened;
    opened.SetFileName(Path("notes.pdb"));
    ASSERT_TRUE(opened.OpenDatabase());
    expectState(opened, Path("notes.pdb"), "after an open");
    opened.GetRecordObject(0)->SetText("changed");
    ASSERT_TRUE(opened.SaveDatabase());
    expectState(opened, Path("notes.pdb"), "after saving a change");

    // A failed open leaves what was known of the file last read.
    WriteAll(Path("bad.pdb"), std::vector<uint8_t>(10, 0));
    opened.SetFileName(Path("bad.pdb"));
    EXPECT_FALSE(opened.OpenDatabase());
    EXPECT_EQ(opened.LastFileState().path, Path("notes.pdb"));

    // A mapped file is not hashed: nothing is known, and a watcher reads it itself.
    quillary::SetMappedReading(true);
    clsDatabase mapped;
    mapped.SetFileName(Path("notes.pdb"));
    const bool ok = mapped.OpenDatabase();
    quillary::SetMappedReading(false);
    ASSERT_TRUE(ok);
    EXPECT_FALSE(mapped.LastFileState().known);
}

// The size and hash of what a save would write, taken from the file's read while the notes
// are still its bytes: they must match the image built in full in every case, whether or
// not the notes, their order, the record list or the header still are the file's.
TEST_F(DatabaseTest, ImageSizeAndHashMatchTheImageWhatEverChangedSinceTheRead) {
    clsDatabase source;
    Fresh(source, 0);
    for (int i = 0; i < 40; ++i) {
        source.AddNewRecord(i);
        source.GetRecordObject(i)->SetText("note " + std::to_string(i) +
                                           std::string(size_t(i), 'q'));
        source.GetRecordObject(i)->attributes = uint8_t(i % 3);
    }
    const std::vector<uint8_t> written = source.GetDatabaseBytes();
    // As another program may lay the same notes out: other header dates, a gap after the
    // category table.
    std::vector<uint8_t> dated = written;
    quillary::WriteBE32(dated.data() + 40, 0x12345678); // modification date
    std::vector<uint8_t> gapped = written;
    const size_t listEnd = 78 + 8 * 40;
    gapped.insert(gapped.begin() + long(listEnd + clsDatabase::kAppInfoBytes), 4, uint8_t(0));
    for (int i = 0; i < 40; ++i) {
        uint8_t* entry = gapped.data() + 78 + 8 * size_t(i);
        quillary::WriteBE32(entry, ReadBE32(entry) + 4);
    }
    struct Case {
        const char* name;
        const std::vector<uint8_t>& file;
        std::function<void(clsDatabase&)> change;
    };
    const std::vector<Case> cases = {
        {"as read", written, [](clsDatabase&) {}},
        {"text changed", written, [](clsDatabase& db) { db.GetRecordObject(7)->SetText("x"); }},
        {"category changed", written, [](clsDatabase& db) { db.SetCategoryIndex(3, 2); }},
        {"notes reordered", written,
         [](clsDatabase& db) {
             std::string order = "1,0";
             for (int i = 2; i < 40; ++i)
                 order += "," + std::to_string(i);
             ASSERT_TRUE(db.NewSortOrder(order));
         }},
        {"note removed", written, [](clsDatabase& db) { db.DeleteRecord(39); }},
        {"note added", written, [](clsDatabase& db) { db.AddNewRecord(40); }},
        {"category renamed", written, [](clsDatabase& db) { db.RenameCategory(1, "Work"); }},
        {"other header dates", dated, [](clsDatabase&) {}},
        {"gap in the file", gapped, [](clsDatabase&) {}},
    };
    for (const Case& c : cases) {
        WriteAll(Path("notes.pdb"), c.file);
        clsDatabase db;
        db.SetFileName(Path("notes.pdb"));
        ASSERT_TRUE(db.OpenDatabase()) << c.name;
        c.change(db);
        uint64_t size = 0, hash = 0;
        db.ImageSizeAndHash(size, hash);
        const std::vector<uint8_t> image = db.GetDatabaseBytes();
        EXPECT_EQ(size, image.size()) << c.name;
        EXPECT_EQ(hash, quillary::VersionStore::Hash(image.data(), image.size())) << c.name;
    }
}

TEST_F(DatabaseTest, FailedSaveKeepsTheOldFileAndTheDirtyFlag) {
    clsDatabase db;
    Fresh(db, 1);
    db.SetFileName(Path("notes.pdb"));
    ASSERT_TRUE(db.SaveDatabase());
    const auto old = ReadAll(Path("notes.pdb"));

    // A file-size limit makes the write fail part-way, even when running as root.
    db.AddNewRecord(1);
    db.m_FileDirtyFlag = true;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string error;
    const bool ok = db.SaveDatabase({}, &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    EXPECT_NE(error.find(Path("notes.pdb")), std::string::npos) << error;
    EXPECT_NE(error.find("previous file is unchanged"), std::string::npos) << error;
    EXPECT_TRUE(db.m_FileDirtyFlag);
    EXPECT_EQ(ReadAll(Path("notes.pdb")), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1)
        << "no temporary file left behind";

    db.SetFileName(Path("no-such-folder/notes.pdb"));
    EXPECT_FALSE(db.SaveDatabase({}, &error));
    EXPECT_TRUE(db.m_FileDirtyFlag);
    db.SetFileName("");
    EXPECT_FALSE(db.SaveDatabase({}, &error));
}

TEST_F(DatabaseTest, TemporariesOfKilledSavesAreRemovedByTheNextSave) {
    clsDatabase db;
    Fresh(db, 50);
    db.SetFileName(Path("notes.pdb"));
    ASSERT_TRUE(db.SaveDatabase());
    const std::vector<uint8_t> bytes = db.GetDatabaseBytes();

    // A save killed part-way: the file-size limit's signal ends the writer inside write().
    auto killedSave = [&](const std::string& target) {
        const pid_t child = fork();
        if (child == 0) {
            rlimit none{0, 0};
            setrlimit(RLIMIT_CORE, &none);
            rlimit small{4096, 4096};
            setrlimit(RLIMIT_FSIZE, &small);
            std::signal(SIGXFSZ, SIG_DFL);
            quillary::WriteFileReplacing(target, bytes, nullptr);
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
        return child;
    };
    auto temporaries = [&] {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir))
            if (e.path().extension() == ".tmp")
                names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    const pid_t dead = killedSave(Path("notes.pdb"));
    const std::vector<std::string> firstLeft = temporaries();
    ASSERT_EQ(firstLeft.size(), 1u);
    EXPECT_EQ(firstLeft[0].rfind(".notes.pdb." + std::to_string(dead) + ".", 0), 0u)
        << firstLeft[0];
    // Even a save that is killed in turn first removed the one before it.
    killedSave(Path("notes.pdb"));
    ASSERT_EQ(temporaries().size(), 1u);
    EXPECT_NE(temporaries(), firstLeft);
    killedSave(Path("other.pdb"));
    ASSERT_EQ(temporaries().size(), 2u);

    // What must stay: a writer that still runs, a temporary someone holds locked, a file
    // that only looks alike, and an old-style temporary that may still be in use.
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t running = fork();
    if (running == 0) {
        char c;
        close(pipeFds[1]);
        [[maybe_unused]] auto n = read(pipeFds[0], &c, 1);
        _exit(0);
    }
    close(pipeFds[0]);
    const std::string live = ".notes.pdb." + std::to_string(running) + ".0000abcd.tmp";
    const std::string locked = ".notes.pdb." + std::to_string(dead) + ".0000beef.tmp";
    WriteAll(Path(live), {1});
    WriteAll(Path(locked), {2});
    WriteAll(Path(".notes.pdb.backup.tmp"), {3});
    WriteAll(Path(".notes.pdb.1234abcd.tmp"), {4});
    WriteAll(Path(".notes.pdb.5678abcd.tmp"), {5});
    fs::last_write_time(Path(".notes.pdb.5678abcd.tmp"),
                        fs::file_time_type::clock::now() - std::chrono::hours(2));
    const int lockFd = ::open(Path(locked).c_str(), O_RDONLY);
    ASSERT_EQ(flock(lockFd, LOCK_EX | LOCK_NB), 0);

    db.AddNewRecord(0);
    std::string error;
    ASSERT_TRUE(db.SaveDatabase({}, &error)) << error;
    EXPECT_EQ(ReadAll(Path("notes.pdb")), db.GetDatabaseBytes());
    const std::vector<std::string> left = temporaries();
    ASSERT_EQ(left.size(), 5u) << testing::PrintToString(left); // not the killed save's
    EXPECT_TRUE(std::count(left.begin(), left.end(), live));
    EXPECT_TRUE(std::count(left.begin(), left.end(), locked));
    EXPECT_TRUE(std::count(left.begin(), left.end(), ".notes.pdb.backup.tmp"));
    EXPECT_TRUE(std::count(left.begin(), left.end(), ".notes.pdb.1234abcd.tmp"));
    EXPECT_EQ(std::count_if(left.begin(), left.end(),
                            [](const std::string& n) { return n.rfind(".other.pdb.", 0) == 0; }),
              1)
        << "another file's temporaries are its own business";

    close(lockFd);
    close(pipeFds[1]);
    waitpid(running, nullptr, 0);
}

// Runs check() in a child process that has dropped root's right to ignore permissions
// (root may write anywhere, so the case would otherwise not fail), or in this process
// when it is not root. The child's exit code carries the result.
static bool RunWithoutRootPrivilege(const std::function<bool()>& check, std::string* why) {
    if (geteuid() != 0)
        return check();
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        const uid_t nobody = 65534;
        if (setgroups(0, nullptr) != 0 || setresgid(nobody, nobody, nobody) != 0 ||
            setresuid(nobody, nobody, nobody) != 0)
            _exit(3);
        _exit(check() ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        *why = "the child process did not end normally";
        return false;
    }
    if (WEXITSTATUS(status) == 3)
        *why = "could not drop root's privileges";
    return WEXITSTATUS(status) == 0;
}

TEST_F(DatabaseTest, SaveIntoAFolderThatIsNotWritableKeepsEverything) {
    clsDatabase db;
    Fresh(db, 1);
    db.SetFileName(Path("notes.pdb"));
    ASSERT_TRUE(db.SaveDatabase());
    const auto old = ReadAll(Path("notes.pdb"));
    db.AddNewRecord(1);
    db.m_FileDirtyFlag = true;
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                             fs::perms::group_exec | fs::perms::others_read |
                             fs::perms::others_exec);
    std::string why;
    const bool asExpected = RunWithoutRootPrivilege(
        [&] {
            std::string error;
            const bool saved = db.SaveDatabase({}, &error);
            return !saved && db.m_FileDirtyFlag &&
                   error.find(Path("notes.pdb")) != std::string::npos;
        },
        &why);
    fs::permissions(dir, fs::perms::owner_all);
    EXPECT_TRUE(asExpected) << why;
    EXPECT_EQ(ReadAll(Path("notes.pdb")), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1)
        << "no temporary file left behind";
}

TEST_F(DatabaseTest, ReadOnlyFileIsNotReplaced) {
    clsDatabase db;
    Fresh(db, 1);
    db.SetFileName(Path("notes.pdb"));
    ASSERT_TRUE(db.SaveDatabase());
    const auto old = ReadAll(Path("notes.pdb"));
    fs::permissions(Path("notes.pdb"), fs::perms::owner_read | fs::perms::group_read);
    db.AddNewRecord(1);
    db.m_FileDirtyFlag = true;
    std::string error;
    EXPECT_FALSE(db.SaveDatabase({}, &error));
    EXPECT_NE(error.find(Path("notes.pdb")), std::string::npos) << error;
    EXPECT_NE(error.find("read-only"), std::string::npos) << error;
    EXPECT_TRUE(db.m_FileDirtyFlag);
    EXPECT_EQ(ReadAll(Path("notes.pdb")), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

// A save or export never puts a file in place of a device or a pipe (as root the rename
// would replace /dev/full itself).
TEST_F(DatabaseTest, APipeIsNotReplaced) {
    ASSERT_EQ(::mkfifo(Path("pipe.pdb").c_str(), 0644), 0);
    clsDatabase db;
    Fresh(db, 1);
    std::string error;
    EXPECT_FALSE(db.ExportDatabase(Path("pipe.pdb"), {}, &error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    db.SetFileName(Path("pipe.pdb"));
    EXPECT_FALSE(db.SaveDatabase({}, &error));
    EXPECT_EQ(fs::status(Path("pipe.pdb")).type(), fs::file_type::fifo);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(DatabaseTest, SaveThroughALinkWritesTheLinkedFile) {
    fs::create_directories(dir / "real");
    clsDatabase db;
    Fresh(db, 1);
    db.SetFileName(Path("real/notes.pdb"));
    ASSERT_TRUE(db.SaveDatabase());
    fs::create_symlink(dir / "real" / "notes.pdb", dir / "link.pdb");
    db.SetFileName(Path("link.pdb"));
    db.AddNewRecord(1);
    std::string error;
    ASSERT_TRUE(db.SaveDatabase({}, &error)) << error;
    EXPECT_TRUE(fs::is_symlink(dir / "link.pdb")) << "the link stays a link";
    EXPECT_EQ(ReadAll(Path("real/notes.pdb")), db.GetDatabaseBytes());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "real"), fs::directory_iterator()), 1);
}

TEST_F(DatabaseTest, ExportLeavesNameAndDirtyFlag) {
    clsDatabase db;
    Fresh(db, 1);
    db.SetFileName(Path("a.pdb"));
    db.m_FileDirtyFlag = true;
    std::string error;
    ASSERT_TRUE(db.ExportDatabase(Path("copy.pdb"), {}, &error)) << error;
    EXPECT_TRUE(db.m_FileDirtyFlag);
    EXPECT_EQ(db.GetFileName(), Path("a.pdb"));
    EXPECT_EQ(ReadAll(Path("copy.pdb")), db.GetDatabaseBytes());
}

TEST_F(DatabaseTest, ProgressRunsToThousandOnlyWhenAsked) {
    clsDatabase db;
    Fresh(db, 4);
    db.SetFileName(Path("p.pdb"));
    std::vector<int> values;
    auto progress = [&](int v) { values.push_back(v); };
    ASSERT_TRUE(db.SaveDatabase(progress));
    EXPECT_TRUE(values.empty());
    db.m_ScreenDisplayFlag = true;
    ASSERT_TRUE(db.SaveDatabase(progress));
    EXPECT_EQ(values, (std::vector<int>{250, 500, 750, 1000}));
    values.clear();
    ASSERT_TRUE(db.OpenDatabase(progress));
    EXPECT_EQ(values, (std::vector<int>{250, 500, 750, 1000}));
}

TEST_F(DatabaseTest, FileNames) {
    clsDatabase db;
    db.SetFileName("");
    EXPECT_EQ(db.GetFileName(), "");
    db.SetFileName("  bare.pdb ");
    EXPECT_EQ(db.GetFileName(), (fs::current_path() / "bare.pdb").string());
    db.SetFileName("/abs/x.pdb");
    EXPECT_EQ(db.GetFileName(), "/abs/x.pdb");
}

TEST_F(DatabaseTest, AddNewDatabaseKeepsOtherFields) {
    clsDatabase db;
    Fresh(db, 2);
    db.RenameCategory(5, "Five");
    db.SetFileName(Path("x.pdb"));
    db.m_FileDirtyFlag = true;
    db.AddNewDatabase();
    EXPECT_EQ(db.GetNumRecords(), 0);
    EXPECT_EQ(db.GetFileName(), "");
    EXPECT_FALSE(db.m_FileDirtyFlag);
    EXPECT_EQ(db.GetCategoryLabel(5), "Five");
    EXPECT_EQ(db.RenamedCategories(), 1 << 5);
    EXPECT_EQ(db.GetType(), "Not2");
    EXPECT_EQ(db.GetCreator(), "QLRY");
}

// ---- Categories ----

TEST_F(DatabaseTest, AddCategoryNamesAndIds) {
    clsDatabase db;
    Fresh(db, 0);
    std::string name;
    EXPECT_EQ(db.AddCategory(name), 4);
    EXPECT_EQ(name, "NewCategory");
    EXPECT_EQ(db.CategoryID(3), 129);
    EXPECT_EQ(db.AddCategory(name), 5);
    EXPECT_EQ(name, "NewCategory1");
    EXPECT_EQ(db.CategoryID(4), 130);
    EXPECT_EQ(db.RenamedCategories(), 0);
    EXPECT_EQ(db.LastUniqueCategoryID(), 15);
    for (int i = 5; i < 16; ++i)
        EXPECT_EQ(db.AddCategory(name), i + 1);
    EXPECT_EQ(db.AddCategory(name), -1);
    std::vector<std::string> list;
    EXPECT_EQ(db.GetCategoryList(list), 16);
    EXPECT_EQ(list[15], "NewCategory12");
}

TEST_F(DatabaseTest, RenameAndUniqueness) {
    clsDatabase db;
    Fresh(db, 0);
    EXPECT_FALSE(db.IsCategoryNameUnique("Business", 1));
    EXPECT_TRUE(db.IsCategoryNameUnique("Business", 3));
    EXPECT_FALSE(db.IsCategoryNameUnique("business", 3)) << "case-sensitive";
    db.RenameCategory(2, "ABCDEFGHIJKLMNOPQRSTUVWXY");
    EXPECT_EQ(db.GetCategoryLabel(2), "ABCDEFGHIJKLMNO");
    EXPECT_EQ(db.RenamedCategories(), 4);
    EXPECT_EQ(db.AppInfo()[2 + 32 + 15], 0);
    db.RenameCategory(15, "Last");
    EXPECT_EQ(db.RenamedCategories(), 0x8004);
    EXPECT_EQ(db.AppInfo()[0], 0x80);
}

TEST_F(DatabaseTest, DeleteCategoryMovesNotesAndLabels) {
    clsDatabase db;
    Fresh(db, 4);
    std::string name;
    db.AddCategory(name);
    db.RenameCategory(3, "Travel");
    for (int i = 0; i < 4; ++i)
        db.SetCategoryIndex(i, i);
    db.GetRecordObject(2)->attributes |= 0x40;
    db.DeleteCategory(1);
    std::vector<std::string> list;
    ASSERT_EQ(db.GetCategoryList(list), 3);
    EXPECT_EQ(list, (std::vector<std::string>{"Unfiled", "Personal", "Travel"}));
    EXPECT_EQ(db.GetCategoryIndex(0), 0);
    EXPECT_EQ(db.GetCategoryIndex(1), 0);
    EXPECT_EQ(db.GetCategoryIndex(2), 1);
    EXPECT_EQ(db.GetRecordObject(2)->attributes, 0x41);
    EXPECT_EQ(db.GetCategoryIndex(3), 2);
    EXPECT_EQ(db.GetCategory(3), "Travel");
    EXPECT_EQ(db.CategoryID(1), 2);
    EXPECT_EQ(db.CategoryID(2), 129);
}

TEST_F(DatabaseTest, SetCategoryIndexKeepsUpperBitsAndSkipsBadIndexes) {
    clsDatabase db;
    Fresh(db, 1);
    db.GetRecordObject(0)->attributes = 0xC3;
    db.SetCategoryIndex(0, 5);
    EXPECT_EQ(db.GetRecordObject(0)->attributes, 0xC5);
    db.SetCategoryIndex(0, 16);
    db.SetCategoryIndex(7, 1);
    EXPECT_EQ(db.GetRecordObject(0)->attributes, 0xC5);
}

// ---- Records ----

TEST_F(DatabaseTest, AddDeleteAndReorder) {
    clsDatabase db;
    Fresh(db, 0);
    EXPECT_TRUE(db.AddNewRecord(0));
    EXPECT_EQ(db.GetNumRecords(), 1);
    EXPECT_EQ(db.CalcDBSize(), 6183);
    EXPECT_FALSE(db.AddNewRecord(5));
    EXPECT_FALSE(db.m_FileDirtyFlag);
    db.GetRecordObject(0)->SetText("A");
    ASSERT_TRUE(db.InsertRecordItem(1));
    db.GetRecordObject(1)->SetText("B");
    ASSERT_TRUE(db.AddNewRecord(0));
    db.GetRecordObject(0)->SetText("C");
    EXPECT_FALSE(db.m_FileDirtyFlag) << "the caller marks additions";

    EXPECT_TRUE(db.NewSortOrder("2,0,1"));
    EXPECT_EQ(db.GetRecordObject(0)->Text(), "B");
    EXPECT_EQ(db.GetRecordObject(1)->Text(), "C");
    EXPECT_EQ(db.GetRecordObject(2)->Text(), "A");
    for (const char* bad : {"0,1", "0,0,1", "0,1,3", "", "0,1,2,0"})
        EXPECT_FALSE(db.NewSortOrder(bad)) << bad;
    EXPECT_EQ(db.GetRecordObject(0)->Text(), "B");

    clsQuillaryItem* kept = db.GetRecordObject(2);
    EXPECT_TRUE(db.DeleteRecord(0));
    EXPECT_TRUE(db.m_FileDirtyFlag);
    EXPECT_EQ(db.GetNumRecords(), 2);
    EXPECT_EQ(db.GetRecordObject(1), kept) << "notes are not copied around";
    EXPECT_FALSE(db.DeleteRecord(2));
    EXPECT_EQ(db.GetRecordObject(2), nullptr);

    clsQuillaryItem replacement;
    replacement.FillDefaultItemStruct("R");
    EXPECT_TRUE(db.SetRecordObject(0, replacement));
    EXPECT_EQ(db.GetRecordObject(0)->Text(), "R");
    EXPECT_FALSE(db.SetRecordObject(9, replacement));
}

TEST_F(DatabaseTest, TitleProvider) {
    clsDatabase db;
    db.AddNewDatabase();
    db.m_NewNoteTitle = [] { return std::string("fixed - "); };
    db.AddNewRecord(0);
    EXPECT_EQ(db.GetRecordObject(0)->Text(), "fixed - ");
    db.m_NewNoteTitle = nullptr;
    db.AddNewRecord(1);
    // Without one, the date and time title of the C library's clock ("03/14/26 4:07 pm - ").
    const std::string title = db.GetRecordObject(1)->Text();
    EXPECT_TRUE(
        std::regex_match(title, std::regex(R"(\d\d/\d\d/\d\d (1[0-2]|[1-9]):[0-5]\d [ap]m - )")))
        << title;
}

TEST_F(DatabaseTest, BadPictureIsReportedWhenDecoded) {
    clsDatabase db;
    Fresh(db, 1);
    auto bytes = db.GetDatabaseBytes();
    bytes[354 + 8 + 2014] = 0; // width 0
    bytes[354 + 8 + 2015] = 0;
    ASSERT_TRUE(db.LoadDatabaseBytes(bytes.data(), bytes.size(), "w.pdb"));
    clsBitmap pic;
    std::string error;
    EXPECT_FALSE(db.GetRecordBitmap(0, pic, &error));
    EXPECT_NE(error.find("note 1"), std::string::npos) << error;
    EXPECT_NE(error.find("may be 0"), std::string::npos) << error;
    int32_t w = 0, h = 0;
    std::string sizeError;
    EXPECT_FALSE(db.GetRecordBitmapSize(0, w, h, &sizeError));
    EXPECT_EQ(sizeError, error) << "the size check reports what decoding reports";
    EXPECT_EQ(db.GetDatabaseBytes(), bytes) << "the record is kept as it was";
}

namespace {

// Notes with different texts and pictures, so every record has its own bytes.
void FillVaried(clsDatabase& db, int notes) {
    for (int i = 0; i < notes; ++i) {
        db.AddNewRecord(i);
        clsQuillaryItem& note = *db.GetRecordObject(i);
        note.SetText("note " + std::to_string(i) + std::string(size_t(i % 50), 'z'));
        clsBitmap pic;
        pic.InitializeBitmap(20 + i % 40, 10 + i % 30, 1);
        pic.SetPixel(i % 20, i % 10, true);
        note.SetBitmap(pic);
        note.attributes = uint8_t(i % 16);
        note.UniqueID = uint32_t(1000 + i);
    }
}

} // namespace

// Opened notes refer to the bytes read once; they must not depend on the file staying as
// it was, and a change to one note (or to a copy of it) must not reach the others.
TEST_F(DatabaseTest, OpenedNotesStayAsReadWhileTheFileChangesAndCopyWhenEdited) {
    clsDatabase db;
    Fresh(db, 0);
    FillVaried(db, 5);
    ASSERT_TRUE(db.ExportDatabase(Path("notes.pdb")));
    const auto original = ReadAll(Path("notes.pdb"));

    clsDatabase back;
    back.SetFileName(Path("notes.pdb"));
    std::string error;
    ASSERT_TRUE(back.OpenDatabase({}, &error)) << error;
    // Another program rewrites the file in place (same inode) after it was read.
    WriteAll(Path("notes.pdb"), std::vector<uint8_t>(original.size(), 0xEE));
    ASSERT_TRUE(back.ExportDatabase(Path("same.pdb"), {}, &error)) << error;
    EXPECT_EQ(ReadAll(Path("same.pdb")), original);

    clsQuillaryItem copy = *back.GetRecordObject(2);
    copy.SetText("copy only");
    EXPECT_EQ(back.GetRecordObject(2)->RawText(), "note 2zz");
    back.GetRecordObject(1)->SetText("changed");
    ASSERT_TRUE(back.SetRecordObject(3, copy));
    ASSERT_TRUE(back.ExportDatabase(Path("edited.pdb"), {}, &error)) << error;

    clsDatabase check;
    check.SetFileName(Path("edited.pdb"));
    ASSERT_TRUE(check.OpenDatabase({}, &error)) << error;
    ASSERT_EQ(check.GetNumRecords(), 5);
    for (int i : {0, 2, 4})
        EXPECT_EQ(check.GetRecordObject(i)->RecordBytes(), db.GetRecordObject(i)->RecordBytes())
            << "note " << i;
    EXPECT_EQ(check.GetRecordObject(1)->RawText(), "changed");
    EXPECT_EQ(check.GetRecordObject(3)->RawText(), "copy only");
    clsBitmap pic;
    ASSERT_TRUE(check.GetRecordBitmap(1, pic, &error)) << error;
    EXPECT_EQ(pic.Width(), 21);
    EXPECT_TRUE(pic.GetPixel(1, 1));
}

// A save writes header, category table and notes as separate pieces: enough notes to need
// several gathered writes must still come out byte for byte, with progress per note.
TEST_F(DatabaseTest, LargeSaveIsByteExactWithProgressPerNote) {
    clsDatabase db;
    Fresh(db, 0);
    FillVaried(db, 2600);
    const auto image = db.GetDatabaseBytes();
    db.SetFileName(Path("big.pdb"));
    db.m_ScreenDisplayFlag = true;
    std::vector<int> values;
    std::string error;
    ASSERT_TRUE(db.SaveDatabase([&](int v) { values.push_back(v); }, &error)) << error;
    EXPECT_EQ(ReadAll(Path("big.pdb")), image);
    ASSERT_EQ(values.size(), 2600u);
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
    EXPECT_EQ(values.back(), 1000);

    clsDatabase back;
    back.SetFileName(Path("big.pdb"));
    ASSERT_TRUE(back.OpenDatabase({}, &error)) << error;
    back.GetRecordObject(1300)->SetText("middle");
    ASSERT_TRUE(back.SaveDatabase({}, &error)) << error;
    db.GetRecordObject(1300)->SetText("middle");
    EXPECT_EQ(ReadAll(Path("big.pdb")), db.GetDatabaseBytes());
}

// A large write counts a piece as done only once it is in the new file, so a progress bar
// follows the writing (and its flushing) instead of running ahead of it.
TEST(GatheredWrite, ProgressFollowsTheBytesInTheNewFile) {
    const fs::path folder =
        fs::path(::testing::TempDir()) / ("quillary_progress_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string path = (folder / "big.pdb").string();
    std::vector<uint8_t> bytes(size_t(24) << 20);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(i * 2654435761u >> 13);
    std::vector<quillary::ByteSpan> pieces;
    for (size_t at = 0; at < bytes.size(); at += 6000)
        pieces.push_back({bytes.data() + at, std::min<size_t>(6000, bytes.size() - at)});
    const auto newFileSize = [&]() -> uintmax_t {
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path().filename().string().rfind(".big.pdb.", 0) == 0)
                return entry.file_size();
        return 0;
    };
    size_t calls = 0, behind = 0;
    std::string error;
    ASSERT_TRUE(quillary::WriteFileReplacing(
        path, pieces, &error, [&](size_t done, size_t total) {
            ++calls;
            const uintmax_t needed = std::min(bytes.size(), done * size_t(6000));
            if (done < total && newFileSize() < needed)
                ++behind;
        }))
        << error;
    EXPECT_EQ(calls, pieces.size());
    EXPECT_EQ(behind, 0u);
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}) == bytes);
    fs::remove_all(folder);
}

TEST(GatheredWrite, PiecesOfEverySizeComeOutInOrder) {
    const std::string path =
        (fs::path(::testing::TempDir()) / ("quillary_gathered_" + std::to_string(::getpid())))
            .string();
    std::vector<std::vector<uint8_t>> buffers;
    std::vector<quillary::ByteSpan> pieces;
    std::vector<uint8_t> expected;
    for (size_t i = 0; i < 3000; ++i) {
        buffers.emplace_back(i % 17 == 0 ? 0 : (i * 7919) % 5000, uint8_t(i));
        expected.insert(expected.end(), buffers.back().begin(), buffers.back().end());
    }
    for (const auto& b : buffers)
        pieces.push_back({b.data(), b.size()});
    std::vector<size_t> done;
    std::string error;
    ASSERT_TRUE(quillary::WriteFileReplacing(path, pieces, &error, [&](size_t d, size_t total) {
        EXPECT_EQ(total, pieces.size());
        done.push_back(d);
    })) << error;
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}), expected);
    ASSERT_EQ(done.size(), pieces.size());
    for (size_t i = 0; i < done.size(); ++i)
        EXPECT_EQ(done[i], i + 1);
    fs::remove(path);

    EXPECT_FALSE(quillary::WriteFileReplacing("/nonexistent-dir/x.pdb", pieces, &error));
    EXPECT_NE(error.find("/nonexistent-dir/x.pdb: cannot write in its folder"), std::string::npos)
        << error;
}

TEST_F(DatabaseTest, PictureSizeComesFromTheHeaderAsDecodingFindsIt) {
    const std::pair<int, int> sizes[] = {{500, 500}, {1, 1}, {37, 200}, {160, 3}};
    clsDatabase db;
    Fresh(db, 4);
    for (int i = 0; i < 4; ++i) {
        clsBitmap pic;
        pic.InitializeBitmap(sizes[i].first, sizes[i].second, 1);
        ASSERT_TRUE(db.GetRecordObject(i)->SetBitmap(pic));
    }
    ASSERT_TRUE(db.ExportDatabase(Path("sizes.pdb")));
    clsDatabase back;
    back.SetFileName(Path("sizes.pdb"));
    std::string error;
    ASSERT_TRUE(back.OpenDatabase({}, &error)) << error;
    for (int i = 0; i < 4; ++i) {
        int32_t w = 0, h = 0;
        ASSERT_TRUE(back.GetRecordBitmapSize(i, w, h, &error)) << error;
        clsBitmap decoded;
        ASSERT_TRUE(back.GetRecordBitmap(i, decoded, &error)) << error;
        EXPECT_EQ(w, decoded.Width());
        EXPECT_EQ(h, decoded.Height());
        EXPECT_EQ(w, sizes[i].first);
        EXPECT_EQ(h, sizes[i].second);
    }
    int32_t w = 0, h = 0;
    EXPECT_FALSE(back.GetRecordBitmapSize(4, w, h, &error));
    EXPECT_EQ(error, "There is no note 5.");
}
