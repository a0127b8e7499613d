// SPDX-License-Identifier: GPL-3.0-or-later
// Earlier versions of a notes file: kept before a replacement, never twice, pruned by the
// retention, read back as they were; a folder that cannot hold them is reported.

#include "StorageTestDir.h"
#include "storage/FileIO.h"
#include "storage/InsertFolder.h"
#include "storage/VersionStore.h"
#include "storage/clsDatabase.h"
#include "storage/clsInsertDatabase.h"

#include <csignal>
#include <fstream>
#include <fcntl.h>
#include <functional>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using quillary::VersionInfo;
using quillary::VersionMethod;
using quillary::VersionRetention;
using quillary::VersionStore;

namespace {

constexpr std::time_t kDay = 86400;
constexpr std::time_t kNoon = 1796904000; // 2026-12-10 12:00 UTC

std::vector<uint8_t> NotesFile(int count, const std::string& text) {
    clsDatabase db;
    db.AddNewDatabase();
    for (int i = 0; i < count; ++i) {
        db.AddNewRecord(i);
        db.GetRecordObject(i)->SetText(text + " " + std::to_string(i));
    }
    return db.GetDatabaseBytes();
}

class VersionStoreTest : public StorageTestDir {
protected:
    void WriteNotes(const std::vector<uint8_t>& bytes) {
        ASSERT_TRUE(quillary::WriteFileReplacing(Path("notes.pdb"), bytes, nullptr));
    }
};

TEST_F(VersionStoreTest, KeepsTheFileAsItWasAndNeverTwiceUnchanged) {
    const auto first = NotesFile(3, "first");
    WriteNotes(first);
    VersionStore store(Path("notes.pdb"));
    std::string error;
    VersionInfo kept;
    VersionMethod how = VersionMethod::None;
    ASSERT_TRUE(store.KeepFile(&error, &kept, &how, false, kNoon)) << error;
    EXPECT_NE(how, VersionMethod::None);
    EXPECT_EQ(kept.id, "20261210-120000");
    // Unchanged: not stored again, at any later time.
    ASSERT_TRUE(store.KeepFile(&error, nullptr, &how, false, kNoon + 60)) << error;
    EXPECT_EQ(how, VersionMethod::None);
    ASSERT_TRUE(store.KeepBytes(first, &error, nullptr, kNoon + 90)) << error;
    ASSERT_EQ(store.List().size(), 1u);

    const auto second = NotesFile(5, "second");
    WriteNotes(second);
    ASSERT_TRUE(store.KeepFile(&error, nullptr, &how, false, kNoon)) << error; // same second
    const auto versions = store.List();
    ASSERT_EQ(versions.size(), 2u);
    EXPECT_EQ(versions[0].id, "20261210-120000-2"); // newest first
    EXPECT_EQ(versions[0].records, 5);
    EXPECT_EQ(versions[1].records, 3);
    EXPECT_EQ(versions[1].size, first.size());

    std::vector<uint8_t> back;
    ASSERT_TRUE(store.Read(versions[1], back, &error)) << error;
    EXPECT_EQ(back, first);
    VersionInfo byNumber;
    ASSERT_TRUE(store.Find("2", byNumber));
    EXPECT_EQ(byNumber.id, versions[1].id);
    EXPECT_FALSE(store.Find("3", byNumber));
    EXPECT_FALSE(store.Find("nonsense", byNumber));
}

// A hard-linked version shares the old file only until the save renames a new one over it:
// afterwards the version must still hold the old content.
TEST_F(VersionStoreTest, LinkedVersionOutlivesTheReplacingSave) {
    const auto before = NotesFile(2, "before");
    WriteNotes(before);
    VersionStore store(Path("notes.pdb"));
    std::string error;
    VersionInfo kept;
    VersionMethod how;
    ASSERT_TRUE(store.KeepFile(&error, &kept, &how, true, kNoon)) << error;
    EXPECT_NE(how, VersionMethod::Copy); // a link (or a clone) where the file system allows
    WriteNotes(NotesFile(4, "after"));
    std::vector<uint8_t> back;
    ASSERT_TRUE(store.Read(kept, back, &error)) << error;
    EXPECT_EQ(back, before);
}

// A writer that knows the file's content (it has just read or written it) keeps it as a
// version without reading it again; what it knows is used only while the file is still
// that file, unchanged: rewritten in place (even with its old time put back) or replaced,
// the file itself is hashed.
namespace {
struct FileTime {
    timespec ts{};
    int64_t Ns() const { return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec; }
};
} // namespace

TEST_F(VersionStoreTest, KnownContentIsUsedOnlyWhileTheFileIsAsKnown) {
    constexpr uint64_t kClaimed = 0x0123456789abcdefull; // not the file's: shows what was used
    struct Case {
        const char* name;
        std::function<void(const std::string&)> change;
        bool used;
    };
    const auto rewriteInPlace = [](const std::string& path) {
        const int fd = ::open(path.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, "ZZ", 2, 100), 2);
        ::close(fd);
    };
    const std::vector<Case> cases = {
        {"unchanged", [](const std::string&) {}, true},
        {"rewritten in place", rewriteInPlace, false},
        {"rewritten, old time put back",
         [&](const std::string& path) {
             struct stat before {};
             ASSERT_EQ(::stat(path.c_str(), &before), 0);
             rewriteInPlace(path);
             const timespec times[2] = {before.st_atim, before.st_mtim};
             ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
         },
         false},
        {"replaced by the same bytes",
         [](const std::string& path) {
             std::ifstream in(path, std::ios::binary);
             const std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
             ASSERT_TRUE(quillary::WriteFileReplacing(path, bytes, nullptr));
         },
         false},
    };
    for (const Case& c : cases) {
        const std::string path = Path(std::string(c.name) + ".pdb");
        ASSERT_TRUE(quillary::WriteFileReplacing(path, NotesFile(3, c.name), nullptr));
        quillary::KnownContent known;
        known.known = true;
        known.hash = kClaimed;
        ASSERT_TRUE(quillary::GetFileStamp(path, known.stamp)) << c.name;
        // A rewrite within the same tick of the file system's clock would share its times:
        // wait until a file written now gets a later time.
        const std::string probe = Path("probe");
        for (FileTime later{}; later.Ns() <= known.stamp.changedNs;) {
            std::ofstream(probe) << "tick";
            struct stat st {};
            ASSERT_EQ(::stat(probe.c_str(), &st), 0);
            later.ts = st.st_ctim;
        }
        c.change(path);
        std::ifstream in(path, std::ios::binary);
        const std::vector<uint8_t> now(std::istreambuf_iterator<char>(in), {});
        VersionStore store(path);
        std::string error;
        VersionInfo kept;
        // As a save keeps it (a link, since the save's rename follows): a copy would read the
        // file anyway, and refuse the made-up hash.
        ASSERT_TRUE(store.KeepFile(&error, &kept, nullptr, true, kNoon, &known)) << error;
        EXPECT_EQ(kept.hash, c.used ? kClaimed : VersionStore::Hash(now.data(), now.size()))
            << c.name;
        EXPECT_EQ(kept.size, now.size()) << c.name;
    }
}

TEST_F(VersionStoreTest, VersionChangedAfterwardsIsRefused) {
    WriteNotes(NotesFile(2, "x"));
    VersionStore store(Path("notes.pdb"));
    VersionInfo kept;
    ASSERT_TRUE(store.KeepFile(nullptr, &kept, nullptr, false, kNoon));
    std::ofstream(kept.path, std::ios::binary | std::ios::app) << "tampered";
    std::vector<uint8_t> back;
    std::string error;
    EXPECT_FALSE(store.Read(kept, back, &error));
    EXPECT_NE(error.find("changed after it was kept"), std::string::npos) << error;
}

TEST_F(VersionStoreTest, MissingFileKeepsNothing) {
    VersionStore store(Path("notes.pdb"));
    VersionMethod how;
    EXPECT_TRUE(store.KeepFile(nullptr, nullptr, &how));
    EXPECT_EQ(how, VersionMethod::None);
    EXPECT_FALSE(std::filesystem::exists(store.Folder()));
}

// Works as root too: a file where the folder should be cannot be written into by anyone.
TEST_F(VersionStoreTest, FolderThatCannotBeWrittenIsReported) {
    WriteNotes(NotesFile(1, "x"));
    Write(VersionStore::kFolderName, "not a folder");
    VersionStore store(Path("notes.pdb"));
    std::string error;
    EXPECT_FALSE(store.KeepFile(&error));
    EXPECT_NE(error.find("is not a folder"), std::string::npos) << error;
    EXPECT_FALSE(store.KeepBytes({1, 2, 3}, &error));
    EXPECT_TRUE(store.List().empty());
}

// Versions of other files in the same folder are not this file's.
TEST_F(VersionStoreTest, ListsOnlyItsOwnFile) {
    WriteNotes(NotesFile(1, "x"));
    ASSERT_TRUE(quillary::WriteFileReplacing(Path("notes.pdb.bak"), NotesFile(2, "y"), nullptr));
    VersionStore mine(Path("notes.pdb"));
    VersionStore other(Path("notes.pdb.bak"));
    ASSERT_TRUE(mine.KeepFile(nullptr, nullptr, nullptr, false, kNoon));
    ASSERT_TRUE(other.KeepFile(nullptr, nullptr, nullptr, false, kNoon));
    EXPECT_EQ(mine.List().size(), 1u);
    EXPECT_EQ(other.List().size(), 1u);
    Write(std::string(VersionStore::kFolderName) + "/notes.pdb~garbage.pdb", "x");
    EXPECT_EQ(mine.List().size(), 1u);
}

TEST_F(VersionStoreTest, PruneKeepsTheLastAndOneADayAndNeverTheNewest) {
    VersionStore store(Path("notes.pdb"));
    // 40 days, three versions a day (morning, noon, evening); the newest is today's evening.
    const std::time_t today = kNoon;
    for (int day = 39; day >= 0; --day)
        for (int slot = 0; slot < 3; ++slot) {
            const std::time_t t = today - day * kDay + (slot - 1) * 3 * 3600;
            ASSERT_TRUE(
                store.KeepBytes(NotesFile(1, std::to_string(day * 3 + slot)), nullptr, nullptr, t));
        }
    ASSERT_EQ(store.List().size(), 120u);
    const auto all = store.List();
    const int removed = store.Prune(VersionRetention{}, today + 3 * 3600);
    const auto left = store.List();
    EXPECT_EQ(int(left.size()) + removed, 120);
    ASSERT_FALSE(left.empty());
    EXPECT_EQ(left.front().id, all.front().id);
    // The last 20 are all there ...
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(left[size_t(i)].id, all[size_t(i)].id);
    // ... and one a day within 30 days, nothing older.
    for (const VersionInfo& v : left)
        EXPECT_LT(today + 3 * 3600 - v.kept, 30 * kDay) << v.id;
    EXPECT_EQ(left.size(), 20u + (30u - 7u)); // the last 20 span 7 days

    // Even with nothing to keep by date, the newest stays.
    store.Prune(VersionRetention{1, 0}, today + 365 * kDay);
    ASSERT_EQ(store.List().size(), 1u);
    EXPECT_EQ(store.List().front().id, all.front().id);
}

// A local time of December 2026, whatever zone the test runs in.
std::time_t LocalTime(int day, int hour) {
    std::tm tm{};
    tm.tm_year = 2026 - 1900;
    tm.tm_mon = 11;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

TEST_F(VersionStoreTest, PruneCountsTheDaysOfTheCalendar) {
    // "The last 3 days" at 10:00 on the 10th are the 10th, 9th and 8th: the evening of the
    // 7th goes, though it is less than 3 times 24 hours ago.
    VersionStore store(Path("notes.pdb"));
    const std::pair<int, int> times[] = {{7, 11}, {7, 23}, {8, 23}, {9, 23}, {10, 9}};
    for (const auto& [day, hour] : times)
        ASSERT_TRUE(store.KeepBytes(NotesFile(1, std::to_string(day * 100 + hour)), nullptr,
                                    nullptr, LocalTime(day, hour)));
    ASSERT_EQ(store.List().size(), 5u);
    EXPECT_EQ(store.Prune(VersionRetention{1, 3}, LocalTime(10, 10)), 2);
    std::vector<std::time_t> left;
    for (const VersionInfo& v : store.List())
        left.push_back(v.kept);
    EXPECT_EQ(left,
              (std::vector<std::time_t>{LocalTime(10, 9), LocalTime(9, 23), LocalTime(8, 23)}));
}

// Every storage call that replaces a notes or insert database keeps the file it replaces,
// so no caller (window, command line, a later one) can forget to.
struct Writer {
    const char* name;
    std::function<bool(const std::string& path, std::string* error)> write;
};

class ReplacingWriterTest : public VersionStoreTest,
                            public ::testing::WithParamInterface<Writer> {};

TEST_P(ReplacingWriterTest, KeepsTheReplacedFileAndNothingForANewOne) {
    const std::string path = Path("notes.pdb");
    std::string error;
    // A new file has nothing to keep.
    ASSERT_TRUE(GetParam().write(path, &error)) << error;
    VersionStore store(path);
    EXPECT_TRUE(store.List().empty());

    const auto before = NotesFile(4, "four notes");
    WriteNotes(before);
    ASSERT_TRUE(GetParam().write(path, &error)) << error;
    EXPECT_NE(ReadAll(path), before);
    const auto versions = store.List();
    ASSERT_EQ(versions.size(), 1u);
    std::vector<uint8_t> back;
    ASSERT_TRUE(store.Read(versions[0], back, &error)) << error;
    EXPECT_EQ(back, before);
    struct stat live {
    }, kept{};
    ASSERT_EQ(::stat(path.c_str(), &live), 0);
    ASSERT_EQ(::stat(versions[0].path.c_str(), &kept), 0);
    EXPECT_NE(live.st_ino, kept.st_ino) << "the version shares the live file";
}

INSTANTIATE_TEST_SUITE_P(
    Writers, ReplacingWriterTest,
    ::testing::Values(Writer{"NotesSave",
                             [](const std::string& path, std::string* error) {
                                 clsDatabase db;
                                 db.AddNewDatabase();
                                 db.AddNewRecord(0);
                                 db.SetFileName(path);
                                 return db.SaveDatabase({}, error);
                             }},
                      Writer{"NotesExport",
                             [](const std::string& path, std::string* error) {
                                 clsDatabase db;
                                 db.AddNewDatabase();
                                 db.AddNewRecord(0);
                                 return db.ExportDatabase(path, {}, error);
                             }},
                      Writer{"InsertsSave",
                             [](const std::string& path, std::string* error) {
                                 clsInsertDatabase db;
                                 db.AddNewDatabase();
                                 db.m_PalmFileName = "Snippets";
                                 db.SetFileName(path);
                                 return db.SaveDatabase({}, error);
                             }},
                      Writer{"CopyFile",
                             [](const std::string& path, std::string* error) {
                                 const std::string from = path + ".source";
                                 return quillary::WriteFileReplacing(from, NotesFile(1, "copied"),
                                                                     error) &&
                                        quillary::CopyPalmDatabaseFile(from, path, error);
                             }}),
    [](const ::testing::TestParamInfo<Writer>& info) { return std::string(info.param.name); });

TEST_F(VersionStoreTest, RenameKeepsTheFileAsItWas) {
    const auto before = NotesFile(2, "named");
    WriteNotes(before);
    std::string error;
    ASSERT_TRUE(quillary::RenamePalmDatabase(Path("notes.pdb"), "Renamed", &error)) << error;
    const auto versions = VersionStore(Path("notes.pdb")).List();
    ASSERT_EQ(versions.size(), 1u);
    EXPECT_EQ(ReadAll(versions[0].path), before);
}

// A version that cannot be kept: a command refuses the replace, the window's policy
// replaces all the same and says why.
TEST_F(VersionStoreTest, AVersionThatCannotBeKeptRefusesOrWarnsByPolicy) {
    const auto before = NotesFile(4, "keep me");
    WriteNotes(before);
    Write(VersionStore::kFolderName, "not a folder");
    clsDatabase db;
    db.AddNewDatabase();
    db.AddNewRecord(0);
    db.SetFileName(Path("notes.pdb"));
    db.m_FileDirtyFlag = true;
    std::string error;
    EXPECT_FALSE(db.SaveDatabase({}, &error));
    EXPECT_NE(error.find("not replaced"), std::string::npos) << error;
    EXPECT_NE(error.find("is not a folder"), std::string::npos) << error;
    EXPECT_EQ(ReadAll(Path("notes.pdb")), before);
    EXPECT_TRUE(db.m_FileDirtyFlag);
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
        EXPECT_EQ(entry.path().filename().string().find(".notes.pdb."), std::string::npos)
            << "temporary left behind: " << entry.path();

    db.m_VersionPolicy.replaceWithoutVersion = true;
    ASSERT_TRUE(db.SaveDatabase({}, &error)) << error;
    EXPECT_NE(db.VersionWarning().find("is not a folder"), std::string::npos)
        << db.VersionWarning();
    EXPECT_NE(ReadAll(Path("notes.pdb")), before);
}

// A writer killed between keeping the version (a hard link to the file) and renaming its
// new file over the file leaves the two sharing storage. Whatever opens the file next
// gives the version its own copy, so a program writing the file in place afterwards (a
// sync tool does) cannot change the earlier version.
TEST_F(VersionStoreTest, AVersionLeftSharingTheFileByAKilledWriterIsMadeIndependent) {
    const auto before = NotesFile(3, "before the crash");
    WriteNotes(before);
    const std::string path = Path("notes.pdb");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        VersionStore store(path);
        VersionMethod how = VersionMethod::None;
        if (!store.KeepFile(nullptr, nullptr, &how, true))
            ::_exit(2);
        ::raise(SIGKILL); // the rename never comes
        ::_exit(3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    VersionStore store(path);
    auto versions = store.List();
    ASSERT_EQ(versions.size(), 1u);
    struct stat live {
    }, kept{};
    ASSERT_EQ(::stat(path.c_str(), &live), 0);
    ASSERT_EQ(::stat(versions[0].path.c_str(), &kept), 0);
    if (live.st_ino != kept.st_ino)
        GTEST_SKIP() << "the file system cloned the file instead of linking it";

    clsDatabase db;
    db.SetFileName(path);
    std::string error;
    ASSERT_TRUE(db.OpenDatabase({}, &error)) << error;
    ASSERT_EQ(::stat(versions[0].path.c_str(), &kept), 0);
    EXPECT_NE(live.st_ino, kept.st_ino);

    // The sync tool writes the file in place.
    {
        std::fstream inPlace(path, std::ios::binary | std::ios::in | std::ios::out);
        inPlace.seekp(0);
        inPlace << "WRITTEN IN PLACE";
    }
    std::vector<uint8_t> back;
    ASSERT_TRUE(store.Read(store.List().at(0), back, &error)) << error;
    EXPECT_EQ(back, before);
}

TEST(VersionRetentionTest, SettingsTexts) {
    const auto defaults = quillary::ParseVersionRetention("", "");
    EXPECT_EQ(defaults.keepLast, 20);
    EXPECT_EQ(defaults.keepDays, 30);
    const auto set = quillary::ParseVersionRetention("5", "0");
    EXPECT_EQ(set.keepLast, 5);
    EXPECT_EQ(set.keepDays, 0);
    const auto bad = quillary::ParseVersionRetention("0", "-3");
    EXPECT_EQ(bad.keepLast, 20);
    EXPECT_EQ(bad.keepDays, 30);
}

} // namespace
