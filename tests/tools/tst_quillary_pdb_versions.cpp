// SPDX-License-Identifier: GPL-3.0-or-later
// quillary-pdb versions and restore, run as a program over versions kept by the storage.

#include "ToolRunner.h"

#include "storage/VersionStore.h"
#include "storage/clsDatabase.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class QuillaryPdbVersions : public ::testing::Test {
protected:
    void SetUp() override { dir = MakeTempDir("pdbversions"); }
    void TearDown() override { fs::remove_all(dir); }

    ToolRun Run(const std::string& args) {
        return RunTool(ShellQuote(QUILLARY_PDB_EXE) + " " + args, dir);
    }
    std::string P(const std::string& name) const { return dir + "/" + name; }
    void WriteNotes(const std::vector<std::string>& texts) {
        clsDatabase db;
        db.AddNewDatabase();
        for (size_t i = 0; i < texts.size(); ++i) {
            db.AddNewRecord(int(i));
            db.GetRecordObject(int(i))->SetText(texts[i]);
        }
        db.SetFileName(P("notes.pdb"));
        ASSERT_TRUE(db.SaveDatabase());
    }
    static std::vector<std::string> Texts(const std::string& path) {
        clsDatabase db;
        db.SetFileName(path);
        std::vector<std::string> out;
        if (!db.OpenDatabase())
            return {"(unreadable)"};
        for (int i = 0; i < db.GetNumRecords(); ++i)
            out.push_back(db.GetRecordObject(i)->RawText());
        return out;
    }

    std::string dir;
};

} // namespace

TEST_F(QuillaryPdbVersions, ListAndRestore) {
    quillary::VersionStore store(P("notes.pdb"));
    WriteNotes({"first"});
    ASSERT_TRUE(store.KeepFile(nullptr, nullptr, nullptr, false, 1800000000));
    WriteNotes({"second", "more"});
    ASSERT_TRUE(store.KeepFile(nullptr, nullptr, nullptr, false, 1800000060));
    WriteNotes({"now"});

    const ToolRun list = Run("versions notes.pdb");
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(list.out, "1\t20270115-080100\t2027-01-15 08:01:00 UTC\t2 notes\t" +
                            std::to_string(fs::file_size(store.List()[0].path)) + " bytes\n" +
                            "2\t20270115-080000\t2027-01-15 08:00:00 UTC\t1 notes\t" +
                            std::to_string(fs::file_size(store.List()[1].path)) + " bytes\n");

    // By number and by id, to another file; the open file stays.
    ASSERT_EQ(Run("restore notes.pdb 2 old.pdb").status, 0);
    EXPECT_EQ(Texts(P("old.pdb")), std::vector<std::string>{"first"});
    ASSERT_EQ(Run("restore notes.pdb 20270115-080100 old.pdb").status, 0);
    EXPECT_EQ(Texts(P("old.pdb")), (std::vector<std::string>{"second", "more"}));
    EXPECT_EQ(Texts(P("notes.pdb")), std::vector<std::string>{"now"});

    // Over the file itself: what it held is kept first, so the restore can be undone.
    const ToolRun back = Run("restore notes.pdb 2 notes.pdb");
    ASSERT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(Texts(P("notes.pdb")), std::vector<std::string>{"first"});
    ASSERT_EQ(store.List().size(), 3u);
    EXPECT_EQ(Texts(store.List()[0].path), std::vector<std::string>{"now"});
}

TEST_F(QuillaryPdbVersions, Errors) {
    const ToolRun none = Run("versions missing.pdb");
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("not found"), std::string::npos) << none.err;
    WriteNotes({"x"});
    const ToolRun empty = Run("versions notes.pdb");
    EXPECT_EQ(empty.status, 0);
    EXPECT_TRUE(empty.out.empty());
    const ToolRun bad = Run("restore notes.pdb 7 out.pdb");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("no earlier version \"7\""), std::string::npos) << bad.err;
    EXPECT_FALSE(fs::exists(P("out.pdb")));
    EXPECT_EQ(Run("restore notes.pdb").status, 1);
}

// A writer killed between keeping the version (a hard link to the notes file) and renaming
// its new file over the old one leaves the version sharing the file. The next program that
// opens the file gives the version its own copy, so a sync tool writing the file in place
// afterwards cannot change it.
TEST_F(QuillaryPdbVersions, AVersionLeftLinkedByAKilledWriterIsCopiedOnTheNextStart) {
    WriteNotes({"before", "the crash"});
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        quillary::VersionStore store(P("notes.pdb"));
        if (!store.KeepFile(nullptr, nullptr, nullptr, true))
            ::_exit(2);
        ::raise(SIGKILL); // killed before its rename
        ::_exit(3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    quillary::VersionStore store(P("notes.pdb"));
    ASSERT_EQ(store.List().size(), 1u);
    const std::string version = store.List()[0].path;
    struct stat live {
    }, kept{};
    ASSERT_EQ(::stat(P("notes.pdb").c_str(), &live), 0);
    ASSERT_EQ(::stat(version.c_str(), &kept), 0);
    if (live.st_ino != kept.st_ino)
        GTEST_SKIP() << "the file system cloned the file instead of linking it";

    ASSERT_EQ(Run("info notes.pdb").status, 0);
    ASSERT_EQ(::stat(version.c_str(), &kept), 0);
    EXPECT_NE(live.st_ino, kept.st_ino) << "the version still shares the notes file";
    {
        std::fstream inPlace(P("notes.pdb"), std::ios::binary | std::ios::in | std::ios::out);
        inPlace.seekp(100);
        inPlace << "written in place by a sync tool";
    }
    const ToolRun back = Run("restore notes.pdb 1 back.pdb");
    ASSERT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(Texts(P("back.pdb")), (std::vector<std::string>{"before", "the crash"}));
}
