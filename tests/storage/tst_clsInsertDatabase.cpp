// SPDX-License-Identifier: GPL-3.0-or-later
#include "StorageTestDir.h"

#include "storage/ByteOrder.h"
#include "storage/InsertFolder.h"
#include "storage/clsInsertDatabase.h"

#include <functional>

using quillary::ReadBE16;
using quillary::ReadBE32;

namespace {

using InsertDatabaseTest = StorageTestDir;

void AddInsert(clsInsertDatabase& db, const std::string& title, const std::string& text) {
    const int n = db.GetNumRecords();
    ASSERT_TRUE(db.AddNewRecord(n));
    db.GetRecordObject(n)->Title = title;
    db.GetRecordObject(n)->SetText(text);
}

std::vector<uint8_t> Bytes(std::initializer_list<int> v) {
    return std::vector<uint8_t>(v.begin(), v.end());
}

} // namespace

TEST_F(InsertDatabaseTest, RecordLayout) {
    clsTextInsertItem item;
    item.Title = "Hi";
    item.SetText("a\r\nb");
    std::vector<uint8_t> out;
    item.WriteOutItem(out);
    EXPECT_EQ(out, Bytes({0, 0, 0x48, 0x69, 0, 0x61, 0x0A, 0x62, 0}));
    EXPECT_EQ(item.BytesSize(), 17);
    EXPECT_EQ(item.Text(), "a\r\nb");

    clsTextInsertItem back;
    std::string error;
    ASSERT_TRUE(back.ReadInItem(out.data(), out.size(), 0, &error)) << error;
    EXPECT_EQ(back.Title, "Hi");
    EXPECT_EQ(back.RawText(), "a\nb");
    EXPECT_FALSE(back.ReadInItem(out.data(), out.size() - 1, 0, &error));
    EXPECT_NE(error.find("text that runs to the end"), std::string::npos) << error;
    EXPECT_FALSE(back.ReadInItem(out.data(), 4, 0, &error));
    EXPECT_NE(error.find("title that runs"), std::string::npos) << error;
    EXPECT_FALSE(back.ReadInItem(out.data(), 3, 0, &error));
    EXPECT_EQ(back.Title, "Hi") << "unchanged after failures";

    // A NUL inside the text must not split the record when read back.
    item.SetText(std::string("x\0y", 3));
    out.clear();
    item.WriteOutItem(out);
    ASSERT_TRUE(back.ReadInItem(out.data(), out.size(), 0, &error));
    EXPECT_EQ(back.RawText(), "x y");
}

TEST_F(InsertDatabaseTest, FileLayoutAndRoundTrip) {
    clsInsertDatabase db;
    db.AddNewDatabase();
    db.m_PalmFileName = "Greetings";
    AddInsert(db, "Hi", "a\nb");
    AddInsert(db, "Yo", "c\nd");
    EXPECT_EQ(db.CalcDBSize(), 112);
    db.SetFileName(Path("g.pdb"));
    std::string error;
    ASSERT_TRUE(db.SaveDatabase({}, &error)) << error;
    const auto bytes = ReadAll(Path("g.pdb"));
    ASSERT_EQ(bytes.size(), 112u);
    EXPECT_EQ(ReadBE32(&bytes[78]), 94u);
    EXPECT_EQ(ReadBE32(&bytes[86]), 103u);
    EXPECT_EQ(ReadBE32(&bytes[52]), 0u);
    EXPECT_EQ(std::string(bytes.begin() + 60, bytes.begin() + 68), "InstQLRY");
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 10), std::string("Greetings\0", 10));

    clsInsertDatabase back;
    back.SetFileName(Path("g.pdb"));
    ASSERT_TRUE(back.OpenDatabase({}, &error)) << error;
    EXPECT_EQ(back.GetNumRecords(), 2);
    EXPECT_EQ(back.GetRecordObject(1)->Title, "Yo");
    EXPECT_EQ(back.m_CurrentItem, -1);
    EXPECT_EQ(back.GetDatabaseBytes(), bytes);
}

TEST_F(InsertDatabaseTest, KeepsAnApplicationInfoBlock) {
    clsInsertDatabase db;
    db.AddNewDatabase();
    AddInsert(db, "T", "x");
    auto bytes = db.GetDatabaseBytes();
    // Put a 6-byte block between the record list and the record.
    const std::vector<uint8_t> block = {1, 2, 3, 4, 5, 6};
    bytes.insert(bytes.begin() + 86, block.begin(), block.end());
    quillary::WriteBE32(&bytes[52], 86);
    quillary::WriteBE32(&bytes[78], 92);
    ASSERT_TRUE(db.LoadDatabaseBytes(bytes.data(), bytes.size(), "a.pdb"));
    EXPECT_EQ(db.GetDatabaseBytes(), bytes);
}

TEST_F(InsertDatabaseTest, RefusesBitmapAndOtherDatabases) {
    clsInsertDatabase db;
    db.AddNewDatabase();
    AddInsert(db, "keep", "me");
    const auto before = db.GetDatabaseBytes();
    for (const char* type : {"Ins2", "Not2", "DATA"}) {
        auto bytes = before;
        std::copy(type, type + 4, bytes.begin() + 60);
        clsInsertDatabase other;
        std::string error;
        EXPECT_FALSE(db.LoadDatabaseBytes(bytes.data(), bytes.size(), "x.pdb", {}, &error));
        EXPECT_NE(error.find("x.pdb"), std::string::npos);
        EXPECT_NE(error.find(std::string(type) == "Ins2" ? "bitmap insert database"
                                                           : "not a text insert database"),
                  std::string::npos)
            << error;
        EXPECT_EQ(db.GetDatabaseBytes(), before);
    }
}

TEST_F(InsertDatabaseTest, CorruptFiles) {
    clsInsertDatabase db;
    db.AddNewDatabase();
    AddInsert(db, "Title", "Text");
    AddInsert(db, "T2", "X2");
    const auto image = db.GetDatabaseBytes();
    const std::pair<const char*, std::function<void(std::vector<uint8_t>&)>> cases[] = {
        {"too short", [](auto& v) { v.resize(77); }},
        {"count past end", [](auto& v) { quillary::WriteBE16(&v[76], 300); }},
        {"offset past end", [](auto& v) { quillary::WriteBE32(&v[86], 5000); }},
        {"missing NUL", [](auto& v) { v.back() = 'x'; }},
        {"overlap", [](auto& v) { quillary::WriteBE32(&v[86], ReadBE32(&v[78])); v.resize(v.size() - 6); }},
    };
    for (const auto& [name, damage] : cases) {
        auto bad = image;
        damage(bad);
        clsInsertDatabase target;
        target.AddNewDatabase();
        std::string error;
        EXPECT_FALSE(target.LoadDatabaseBytes(bad.data(), bad.size(), "c.pdb", {}, &error)) << name;
        EXPECT_EQ(error.rfind("File : c.pdb: ", 0), 0u) << name << ": " << error;
        EXPECT_EQ(target.GetNumRecords(), 0) << name;
    }
}

TEST_F(InsertDatabaseTest, RecordOperations) {
    clsInsertDatabase db;
    db.AddNewDatabase();
    AddInsert(db, "A", "1");
    AddInsert(db, "B", "2");
    AddInsert(db, "C", "3");
    EXPECT_TRUE(db.NewSortOrder("2,1,0"));
    EXPECT_EQ(db.GetRecordObject(0)->Title, "C");
    EXPECT_FALSE(db.NewSortOrder("2,2,0"));
    EXPECT_FALSE(db.m_FileDirtyFlag);
    EXPECT_TRUE(db.DeleteRecord(1));
    EXPECT_TRUE(db.m_FileDirtyFlag);
    EXPECT_EQ(db.GetNumRecords(), 2);
    EXPECT_EQ(db.GetItemSize(0), 1 + 1 + 12);
    EXPECT_FALSE(db.DeleteRecord(-1));
    EXPECT_EQ(db.GetRecordObject(5), nullptr);
}

TEST_F(InsertDatabaseTest, InsertFolderListing) {
    const std::string folder = quillary::GetInsertFolder(dir.string());
    EXPECT_EQ(folder, (dir / "QLInsertPDB").string());
    std::vector<quillary::InsertDatabaseInfo> list;
    std::string error;
    ASSERT_TRUE(quillary::GetInsertDatabaseList(folder, list, &error)) << error;
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(std::filesystem::is_directory(folder)) << "created on first listing";

    clsInsertDatabase text;
    text.AddNewDatabase();
    text.m_PalmFileName = "Greetings";
    AddInsert(text, "Hi", "there");
    ASSERT_TRUE(text.ExportDatabase(folder + "/b.pdb"));
    auto bitmap = text.GetDatabaseBytes();
    std::copy_n("Ins2", 4, bitmap.begin() + 60);
    std::ofstream(folder + "/a.PDB", std::ios::binary)
        .write(reinterpret_cast<const char*>(bitmap.data()), std::streamsize(bitmap.size()));
    auto notes = bitmap;
    std::copy_n("Not2", 4, notes.begin() + 60);
    std::ofstream(folder + "/c.pdb", std::ios::binary)
        .write(reinterpret_cast<const char*>(notes.data()), std::streamsize(notes.size()));
    std::ofstream(folder + "/d.pdb") << "short";
    std::ofstream(folder + "/e.txt") << "x";
    std::filesystem::create_directory(folder + "/f.pdb");

    ASSERT_TRUE(quillary::GetInsertDatabaseList(folder, list, &error));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].path, folder + "/a.PDB");
    EXPECT_EQ(list[0].type, "Ins2");
    EXPECT_EQ(list[1].name, "Greetings");
    EXPECT_EQ(list[1].type, "Inst");
    EXPECT_EQ(list[1].recordCount, 1);
    // The short file is left out; asked for, its reason names it.
    std::vector<std::string> unreadable;
    ASSERT_TRUE(quillary::GetInsertDatabaseList(folder, list, &error, &unreadable));
    EXPECT_EQ(list.size(), 2u);
    ASSERT_EQ(unreadable.size(), 1u);
    EXPECT_NE(unreadable[0].find("d.pdb"), std::string::npos) << unreadable[0];

    // A folder that cannot be made: a file stands in the way.
    std::ofstream(Path("blocker")) << "x";
    EXPECT_FALSE(quillary::GetInsertDatabaseList(Path("blocker") + "/QLInsertPDB", list, &error));
    EXPECT_EQ(error, "Failed to create Insert database directory in user account");
    EXPECT_TRUE(list.empty());
}

TEST_F(InsertDatabaseTest, RenameCopyDelete) {
    clsInsertDatabase db;
    db.AddNewDatabase();
    db.m_PalmFileName = "Old";
    AddInsert(db, "x", "y");
    const std::string path = Path("r.pdb");
    ASSERT_TRUE(db.ExportDatabase(path));
    const auto before = ReadAll(path);

    const std::pair<std::string, std::string> cases[] = {
        {"New name", std::string("New name\0", 9) + std::string(23, ' ')},
        {std::string(40, 'L'), std::string(31, 'L') + std::string(1, '\0')},
    };
    std::string error;
    for (const auto& [name, field] : cases) {
        ASSERT_TRUE(quillary::RenamePalmDatabase(path, name, &error)) << error;
        const auto after = ReadAll(path);
        EXPECT_EQ(std::string(after.begin(), after.begin() + 32), field);
        EXPECT_EQ(std::vector<uint8_t>(after.begin() + 32, after.end()),
                  std::vector<uint8_t>(before.begin() + 32, before.end()));
    }
    std::string name, type;
    int count = -1;
    ASSERT_TRUE(quillary::ReadPdbHeaderInfo(path, name, type, count, &error));
    EXPECT_EQ(name, std::string(31, 'L'));
    EXPECT_EQ(type, "Inst");
    EXPECT_EQ(count, 1);

    EXPECT_FALSE(quillary::RenamePalmDatabase(Path("none.pdb"), "x", &error));
    EXPECT_NE(error.find("not found"), std::string::npos);
    EXPECT_FALSE(quillary::ReadPdbHeaderInfo(Path("none.pdb"), name, type, count, &error));
    EXPECT_EQ(name, "");
    EXPECT_FALSE(quillary::RenamePalmDatabase(Write("tiny.pdb", "abc"), "x", &error));
    EXPECT_EQ(ReadAll(Path("tiny.pdb")).size(), 3u);

    ASSERT_TRUE(quillary::CopyPalmDatabaseFile(path, Path("copy.pdb"), &error)) << error;
    EXPECT_EQ(ReadAll(Path("copy.pdb")), ReadAll(path));
    ASSERT_TRUE(quillary::DeletePalmDatabaseFile(Path("copy.pdb"), &error));
    EXPECT_FALSE(std::filesystem::exists(Path("copy.pdb")));
    EXPECT_FALSE(quillary::DeletePalmDatabaseFile(Path("copy.pdb"), &error));
    EXPECT_TRUE(quillary::MakeFolderPath(Path("a/b/c"), &error));
    EXPECT_TRUE(std::filesystem::is_directory(Path("a/b/c")));
    EXPECT_FALSE(quillary::MakeFolderPath(Path("tiny.pdb/sub"), &error));
}
