// SPDX-License-Identifier: GPL-3.0-or-later
// quillary-pdb versions and restore, run as a program over versions kept by the storage.

#include "ToolRunner.h"

#include "storage/VersionStore.h"
#include "storage/clsDatabase.h"

#include <gtest/gtest.h>

#include <filesystem>

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
