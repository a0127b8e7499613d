// SPDX-License-Identifier: GPL-3.0-or-later
// quillary-pdb archive / unarchive: every kind of notes database comes back byte for byte,
// edits made elsewhere are understood, hostile archives are refused without writing.

#include "ToolRunner.h"
#include "support/NotePictures.h"
#include "support/RequiredTools.h"

#include "storage/ByteOrder.h"
#include "storage/Cp1252.h"
#include "storage/clsBitmap.h"
#include "storage/clsDatabase.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace fs = std::filesystem;
using quillary::ReadBE32;
using quillary::WriteBE16;
using quillary::WriteBE32;

namespace {

std::vector<unsigned char> Bytes(const clsDatabase& db) {
    const auto b = db.GetDatabaseBytes();
    return {b.begin(), b.end()};
}

size_t RecordOffset(const std::vector<unsigned char>& file, int i) {
    return ReadBE32(file.data() + 78 + 8 * size_t(i));
}

clsDatabase NewDb(int notes) {
    clsDatabase db;
    db.AddNewDatabase();
    for (int i = 0; i < notes; ++i) {
        db.AddNewRecord(i);
        db.GetRecordObject(i)->SetText("Note " + std::to_string(i + 1) + "\nsecond line");
    }
    return db;
}

clsBitmap Picture(int w, int h) {
    clsBitmap b;
    b.InitializeBitmap(w, h, 1);
    for (int i = 0; i < std::min(w, h); ++i)
        b.SetPixel(i, i, true);
    b.SetPixel(w - 1, 0, true);
    return b;
}

// One database file image per kind the storage tests use.
using Maker = std::function<std::vector<unsigned char>()>;
const std::vector<std::pair<std::string, Maker>>& Kinds() {
    static const std::vector<std::pair<std::string, Maker>> kinds = {
        {"empty", [] { return Bytes(NewDb(0)); }},
        {"new", [] { return Bytes(NewDb(1)); }},
        {"odd_header",
         [] {
             auto f = Bytes(NewDb(2));
             WriteBE16(f.data() + 32, 0x0008);     // attributes
             WriteBE16(f.data() + 34, 3);          // version
             WriteBE32(f.data() + 36, 0xB5A1C2D3); // creation date
             WriteBE32(f.data() + 40, 0xB5A1C2D4);
             WriteBE32(f.data() + 44, 0xB5000000); // last backup
             WriteBE32(f.data() + 48, 77);
             WriteBE32(f.data() + 56, 0);
             WriteBE32(f.data() + 68, 0x12345678);
             WriteBE32(f.data() + 72, 0x00ABCDEF);
             std::memcpy(f.data() + 60, "\x01X\xFFz", 4); // unprintable type
             // Stale bytes after the name's NUL.
             std::memcpy(f.data(), "Notes\0old name xyz", 18);
             return f;
         }},
        {"stale_bytes",
         [] {
             clsDatabase db = NewDb(3);
             db.GetRecordObject(0)->SetText(std::string(1500, 'q') + "\nlong text");
             db.GetRecordObject(0)->SetText("short");
             db.GetRecordObject(1)->SetText("");
             auto f = Bytes(db);
             const size_t r = RecordOffset(f, 2);
             f[r] = 7; // the two leading bytes
             f[r + 1] = 9;
             for (int k = 0; k < 12; ++k)
                 f[r + 2002 + k] = uint8_t(0xA0 + k);
             f[r + 2 + 1999] = 0x55; // the last byte of the text area
             return f;
         }},
        {"sixteen_categories",
         [] {
             clsDatabase db = NewDb(20);
             std::string name;
             while (db.AddCategory(name) > 0) {
             }
             db.RenameCategory(5, "Caf\xE9 \x80 list");
             db.RenameCategory(15, "Last one");
             for (int i = 0; i < 20; ++i) {
                 db.SetCategoryIndex(i, i % 16);
                 db.GetRecordObject(i)->UniqueID = uint32_t(0x010203 * (i + 1)) & 0xFFFFFF;
                 db.GetRecordObject(i)->SetDirtyFlag(i % 3 == 0);
                 db.GetRecordObject(i)->attributes |= (i % 4 == 1) ? 0x80 : 0;
             }
             auto f = Bytes(db);
             f[78 + 8 * 20 + 275] = 0x5A; // the category block's filler
             return f;
         }},
        {"pictures_not_500",
         [] {
             clsDatabase db = NewDb(4);
             db.GetRecordObject(0)->SetBitmap(Picture(160, 37));
             db.GetRecordObject(1)->SetBitmap(Picture(1, 1));
             db.GetRecordObject(2)->SetBitmap(Picture(33, 300));
             db.GetRecordObject(3)->SetBitmap(Picture(501, 2));
             return Bytes(db);
         }},
        {"picture_stored_oddly",
         [] {
             auto f = Bytes(NewDb(2));
             // Flags 0 in the picture header: the same pixels, other bytes.
             f[RecordOffset(f, 1) + 2014 + 7] = 0;
             f[RecordOffset(f, 1) + 2014 + 9] = 0x33; // a reserved header byte
             return f;
         }},
        {"texts",
         [] {
             clsDatabase db = NewDb(6);
             db.GetRecordObject(0)->SetText("Caf\xE9 \x80 \x93quoted\x94\n\n\nblank lines above\n");
             db.GetRecordObject(1)->SetText("\n\nstarts with blank lines");
             db.GetRecordObject(2)->SetText("ends with a link ![x](y.png)");
             db.GetRecordObject(3)->SetText("con\n<>:\"/\\|?*.  ");
             db.GetRecordObject(4)->SetText(std::string(1999, 'w'));
             auto f = Bytes(db);
             f[RecordOffset(f, 5) + 2 + 3] = '\r'; // a CR stored by another program
             f[RecordOffset(f, 5) + 2 + 4] = 0x81; // a byte Windows-1252 leaves undefined
             return f;
         }},
        {"layout_gaps",
         [] {
             auto f = Bytes(NewDb(2));
             // Bytes after the last record and a category table said to be absent.
             f.insert(f.end(), {1, 2, 3, 4, 5});
             return f;
         }},
        {"no_category_table",
         [] {
             auto f = Bytes(NewDb(1));
             WriteBE32(f.data() + 52, 0);
             return f;
         }},
    };
    return kinds;
}

std::vector<unsigned char> Kind(const std::string& name) {
    for (const auto& [kind, make] : Kinds())
        if (kind == name)
            return make();
    ADD_FAILURE() << name;
    return {};
}

class NoteArchiveTool : public ::testing::Test {
protected:
    void SetUp() override { dir = MakeTempDir("archive"); }
    void TearDown() override { fs::remove_all(dir); }

    ToolRun Run(const std::string& args) {
        return RunTool(ShellQuote(QUILLARY_PDB_EXE) + " " + args, dir);
    }
    std::string P(const std::string& name) const { return dir + "/" + name; }
    void Write(const std::string& name, const std::string& text) {
        WriteBytes(P(name), std::vector<unsigned char>(text.begin(), text.end()));
    }
    std::string ReadText(const std::string& name) {
        const auto b = ReadBytes(P(name));
        return {b.begin(), b.end()};
    }
    // The archive's note file whose name starts with prefix.
    std::string Find(const std::string& sub, const std::string& prefix) {
        for (const auto& e : fs::directory_iterator(P(sub)))
            if (e.path().filename().string().rfind(prefix, 0) == 0 && e.path().extension() == ".md")
                return sub + "/" + e.path().filename().string();
        return {};
    }
    clsDatabase Load(const std::string& name) {
        clsDatabase db;
        db.SetFileName(P(name));
        std::string error;
        EXPECT_TRUE(db.OpenDatabase({}, &error)) << error;
        return db;
    }
    void Archive(const std::vector<unsigned char>& file, const std::string& sub = "arc") {
        WriteBytes(P("in.pdb"), file);
        const ToolRun r = Run("archive in.pdb " + sub);
        ASSERT_EQ(r.status, 0) << r.err;
    }
    // Unarchive must fail, naming `part`, and write nothing.
    void ExpectRefused(const std::string& sub, const std::string& part) {
        const ToolRun r = Run("unarchive " + ShellQuote(sub) + " out.pdb");
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(part), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("Nothing was written"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(P("out.pdb")));
    }

    std::string dir;
};

} // namespace

TEST_F(NoteArchiveTool, EveryKindOfDatabaseComesBackByteForByte) {
    for (const auto& [kind, make] : Kinds()) {
        SCOPED_TRACE(kind);
        const auto original = make();
        fs::remove_all(P("arc"));
        fs::remove(P("out.pdb"));
        Archive(original);
        const ToolRun r = Run("unarchive arc out.pdb");
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(ReadBytes(P("out.pdb")), original);
    }
}

TEST_F(NoteArchiveTool, NoteFilesAreNamedSafelyAndHoldTextAndPictureLink) {
    Archive(Kind("texts"));
    EXPECT_FALSE(Find("arc", "0001 Caf\xC3\xA9 \xE2\x82\xAC").empty());
    const std::string unsafe = Find("arc", "0004");
    EXPECT_EQ(unsafe, "arc/0004 con.md");          // <>:"/\|?* and trailing dots go
    EXPECT_EQ(Find("arc", "0002"), "arc/0002.md"); // an empty first line gives no title
    const std::string md = ReadText(Find("arc", "0001"));
    EXPECT_EQ(md, "Caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cquoted\xE2\x80\x9D\n\n\nblank lines above\n"
                  "\n\n![Picture](0001.png)\n");
    EXPECT_TRUE(fs::exists(P("arc/0001.png")));
    EXPECT_TRUE(fs::exists(P("arc/database.json")));
    // An archive is written only into an empty folder.
    const ToolRun again = Run("archive in.pdb arc");
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("not empty"), std::string::npos) << again.err;
}

TEST_F(NoteArchiveTool, PicturesAreOneBitPngsOtherProgramsRead) {
    if (!HavePil())
        QUILLARY_GTEST_REQUIRE_OR_SKIP("PIL (python3-pil) is not installed");
    Archive(Kind("pictures_not_500"));
    const ToolRun r = RunTool(
        "/usr/bin/python3 -c \"import PIL.Image as I; im = I.open('arc/0001.png').convert('L');"
        " print(im.size, im.getpixel((0, 0)), im.getpixel((1, 0)), im.getpixel((159, 0)))\"",
        dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "(160, 37) 0 255 0\n");           // black, white, black
    EXPECT_EQ(ReadBytes(P("arc/0001.png")).at(24), 1); // IHDR: 1 bit per pixel
}

TEST_F(NoteArchiveTool, EditsMadeElsewhereAreUnderstood) {
    if (!HavePil())
        QUILLARY_GTEST_REQUIRE_OR_SKIP("PIL (python3-pil) is not installed");
    clsDatabase db = NewDb(4);
    for (int i = 0; i < 4; ++i)
        db.GetRecordObject(i)->UniqueID = uint32_t(100 + i);
    db.SetCategoryIndex(1, 2);
    Archive(Bytes(db));
    // Note 1: new text (CR LF from a Windows editor); note 2: deleted; note 3: new picture
    // in colour; note 4 untouched; plus a new note between 1 and 3 and one without number.
    fs::remove(P(Find("arc", "0001")));
    Write("arc/0001 Renamed title.md", "Caf\xC3\xA9 \xE2\x80\x94 changed\r\nline two\r\n\r\n"
                                       "![Picture](0001.png)\r\n");
    fs::remove(P(Find("arc", "0002")));
    const ToolRun pil = RunTool(
        "/usr/bin/python3 -c \"import PIL.Image as I; im = I.new('RGB', (300, 120), 'white');"
        " [im.putpixel((x, 5), (200, 0, 0)) for x in range(300)];"
        " im.putpixel((0, 0), (250, 250, 120)); im.save('arc/0003.png')\"",
        dir);
    ASSERT_EQ(pil.status, 0) << pil.err;
    Write("arc/0002b inserted.md", "between one and three\n");
    Write("arc/zz new at the end.md", "last\n");

    const ToolRun r = Run("unarchive arc out.pdb");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("2 changed, 2 added, 1 removed"), std::string::npos) << r.out;
    clsDatabase back = Load("out.pdb");
    ASSERT_EQ(back.GetNumRecords(), 5);
    const clsQuillaryItem& one = *back.GetRecordObject(0);
    EXPECT_EQ(one.RawText(), "Caf\xE9 \x97 changed\nline two");
    EXPECT_TRUE(one.DirtyFlag());
    EXPECT_EQ(one.UniqueID, 100u);
    const clsQuillaryItem& inserted = *back.GetRecordObject(1);
    EXPECT_EQ(inserted.RawText(), "between one and three");
    EXPECT_TRUE(inserted.DirtyFlag());
    EXPECT_EQ(inserted.UniqueID, 0u);
    EXPECT_EQ(inserted.CategoryIndex(), 0);
    const clsQuillaryItem& three = *back.GetRecordObject(2);
    EXPECT_EQ(three.UniqueID, 102u);
    EXPECT_TRUE(three.DirtyFlag());
    clsBitmap pic;
    ASSERT_TRUE(three.GetBitmap(pic));
    EXPECT_EQ(pic.Width(), 300);
    EXPECT_EQ(pic.Height(), 120);
    EXPECT_TRUE(pic.GetPixel(10, 5)); // dark red turns black
    EXPECT_FALSE(pic.GetPixel(0, 0)); // light yellow turns white
    EXPECT_FALSE(pic.GetPixel(10, 6));
    const clsQuillaryItem& four = *back.GetRecordObject(3);
    EXPECT_EQ(four.UniqueID, 103u);
    EXPECT_FALSE(four.DirtyFlag());
    EXPECT_EQ(four.RecordBytes(), db.GetRecordObject(3)->RecordBytes());
    EXPECT_EQ(back.GetRecordObject(4)->RawText(), "last");
}

TEST_F(NoteArchiveTool, AHandWrittenArchiveImports) {
    const bool magick = HaveProgram("convert");
    if (!magick)
        QUILLARY_GTEST_REQUIRE_OR_SKIP("ImageMagick (convert) is not installed");
    fs::create_directories(P("hand"));
    Write("hand/database.json", "{\"name\": \"From my notes app\", \"categories\": "
                                "[{\"label\": \"Unfiled\"}, {\"label\": \"Shopping\"}]}");
    Write("hand/Groceries.md", "Groceries\n- milk\n- bread\n\n![sketch](sketch%20one.png)\n");
    // Saved by a Windows editor: a byte order mark first, which is no part of the note.
    Write("hand/Ideas.md", "\xEF\xBB\xBFIdeas\nno picture here");
    const ToolRun im = RunTool("convert -size 64x40 xc:white -fill black -draw "
                               "'rectangle 0,0 9,9' 'hand/sketch one.png'",
                               dir);
    ASSERT_EQ(im.status, 0) << im.err;
    const ToolRun r = Run("unarchive hand out.pdb");
    ASSERT_EQ(r.status, 0) << r.err;
    clsDatabase back = Load("out.pdb");
    EXPECT_EQ(back.m_PalmFileName, "From my notes app");
    EXPECT_EQ(back.GetType(), "Not2");
    EXPECT_EQ(back.GetCategoryLabel(1), "Shopping");
    ASSERT_EQ(back.GetNumRecords(), 2);
    EXPECT_EQ(back.GetRecordObject(0)->RawText(), "Groceries\n- milk\n- bread");
    clsBitmap pic;
    ASSERT_TRUE(back.GetRecordBitmap(0, pic));
    EXPECT_EQ(pic.Width(), 64);
    EXPECT_TRUE(pic.GetPixel(5, 5));
    EXPECT_FALSE(pic.GetPixel(20, 20));
    EXPECT_EQ(back.GetRecordObject(1)->RawText(), "Ideas\nno picture here");
    ASSERT_TRUE(back.GetRecordBitmap(1, pic));
    EXPECT_EQ(pic.Width(), 500); // a blank note picture
}

TEST_F(NoteArchiveTool, WhatTheHandheldCannotHoldIsReportedByNoteAndLine) {
    if (!HavePil())
        QUILLARY_GTEST_REQUIRE_OR_SKIP("PIL (python3-pil) is not installed");
    Archive(Bytes(NewDb(3)));
    fs::remove(P(Find("arc", "0002")));
    fs::remove(P(Find("arc", "0003")));
    Write("arc/0002 x.md", "fine\nstill fine\narrow \xE2\x86\x92 here\n");
    Write("arc/0003 y.md", std::string(2500, 'a') + "\n");
    // Noise compresses to more than a record can hold.
    const ToolRun pil =
        RunTool("/usr/bin/python3 -c \"import PIL.Image as I, random; random.seed(1);"
                " im = I.new('1', (1200, 1200)); im.putdata([random.choice((0, 255)) for i in "
                "range(1200 * 1200)]); im.save('arc/0001.png')\"",
                dir);
    ASSERT_EQ(pil.status, 0) << pil.err;
    const ToolRun r = Run("unarchive arc out.pdb");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("0002 x.md, line 3"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("U+2192"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("0003 y.md holds 2500 characters"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("0001.png cannot be this note's picture"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(P("out.pdb")));
}

TEST_F(NoteArchiveTool, HostileArchivesAreRefusedAndNothingIsWritten) {
    Archive(Bytes(NewDb(2)));
    const std::string note1 = Find("arc", "0001");
    {
        SCOPED_TRACE("missing database.json");
        fs::copy(P("arc"), P("nojson"));
        fs::remove(P("nojson/database.json"));
        ExpectRefused("nojson", "no database.json");
    }
    {
        SCOPED_TRACE("not a picture");
        fs::copy(P("arc"), P("junk"));
        Write("junk/0001.png", "this is no picture");
        ExpectRefused("junk", "0001.png is not a picture");
    }
    {
        SCOPED_TRACE("PNG bomb");
        fs::copy(P("arc"), P("bomb"));
        // A valid PNG that claims 60000 x 60000 pixels in a few bytes.
        const ToolRun py = RunTool(
            "/usr/bin/python3 -c \"import struct, zlib\n"
            "def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', "
            "zlib.crc32(t + d))\n"
            "row = b'\\\\x00' + b'\\\\x00' * 7500\n"
            "data = zlib.compress(row * 64, 9)\n"
            "png = b'\\\\x89PNG\\\\r\\\\n\\\\x1a\\\\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', "
            "60000, 60000, 1, 0, 0, 0, 0)) + chunk(b'IDAT', data) + chunk(b'IEND', b'')\n"
            "open('bomb/0001.png', 'wb').write(png)\"",
            dir);
        ASSERT_EQ(py.status, 0) << py.err;
        ExpectRefused("bomb", "60000");
    }
    {
        SCOPED_TRACE("link out of the folder");
        fs::copy(P("arc"), P("climb"));
        fs::copy_file(P("arc/0001.png"), P("outside.png"));
        Write(note1.substr(0, 0) + "climb/" + fs::path(note1).filename().string(),
              "text\n\n![Picture](../outside.png)\n");
        ExpectRefused("climb", "outside the archive folder");
    }
    {
        SCOPED_TRACE("note file that is a link out of the folder");
        fs::copy(P("arc"), P("symlink"));
        Write("secret.md", "not part of the archive");
        fs::create_symlink(P("secret.md"), P("symlink/0003 linked.md"));
        ExpectRefused("symlink", "0003 linked.md is a link");
    }
    {
        SCOPED_TRACE("10 MB note file");
        fs::copy(P("arc"), P("huge"));
        Write("huge/0001 huge.md", std::string(10 << 20, 'x'));
        ExpectRefused("huge", "0001 huge.md is 10485760 bytes long");
    }
    {
        SCOPED_TRACE("broken database.json");
        fs::copy(P("arc"), P("badjson"));
        Write("badjson/database.json", "{\"notes\": [");
        ExpectRefused("badjson", "database.json is not valid JSON");
    }
    // An existing database is left as it was.
    WriteBytes(P("out.pdb"), {1, 2, 3});
    const ToolRun r = Run("unarchive nojson out.pdb");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadBytes(P("out.pdb")), (std::vector<unsigned char>{1, 2, 3}));
}

TEST_F(NoteArchiveTool, ThousandsOfNotesKeepTheirOrder) {
    clsDatabase db = NewDb(0);
    for (int i = 0; i < 1200; ++i) {
        db.AddNewRecord(i);
        db.GetRecordObject(i)->SetText("Same title\nnote " + std::to_string(i));
    }
    const auto original = Bytes(db);
    Archive(original);
    EXPECT_FALSE(Find("arc", "1200 Same title.md").empty());
    const ToolRun r = Run("unarchive arc out.pdb");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(P("out.pdb")), original);
}

// The drawings of an archive are no larger than netpbm's pnmtopng makes of the same
// pixels: what names the stored picture adds 44 bytes, not a copy of it.
TEST_F(NoteArchiveTool, ArchivedPicturesAreNoLargerThanPnmtopngMakes) {
    if (!HaveProgram("pnmtopng") || !HaveProgram("pngtopnm"))
        QUILLARY_GTEST_REQUIRE_OR_SKIP("netpbm (pnmtopng) is not installed");
    using namespace quillary::test;
    clsDatabase db = NewDb(4);
    ASSERT_TRUE(db.GetRecordObject(0)->SetBitmap(Strokes(11, 12)));
    ASSERT_TRUE(db.GetRecordObject(1)->SetBitmap(Strokes(12, 30)));
    ASSERT_TRUE(db.GetRecordObject(2)->SetBitmap(Handwriting(13)));
    ASSERT_TRUE(db.GetRecordObject(3)->SetBitmap(Strokes(14, 12)));
    Archive(Bytes(db));
    for (const std::string n : {"0001", "0002", "0003", "0004"}) {
        SCOPED_TRACE(n);
        const ToolRun r = RunTool("pngtopnm arc/" + n + ".png | pnmtopng > theirs.png", dir);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_LE(fs::file_size(P("arc/" + n + ".png")), fs::file_size(P("theirs.png")));
    }
}

// Notes are written and read on every core; the archive, and the database it gives back,
// are the same byte for byte on one core.
TEST_F(NoteArchiveTool, OneCoreAndEveryCoreMakeTheSameArchive) {
    if (!HaveProgram("taskset"))
        QUILLARY_GTEST_REQUIRE_OR_SKIP("taskset (util-linux) is not installed");
    clsDatabase db = NewDb(300);
    for (int i = 0; i < 300; i += 3)
        ASSERT_TRUE(db.GetRecordObject(i)->SetBitmap(quillary::test::Strokes(unsigned(i), 3)));
    db.GetRecordObject(7)->SetText("Caf\xE9 \x80 list");
    const auto original = Bytes(db);
    Archive(original, "all");
    WriteBytes(P("in.pdb"), original);
    ToolRun r =
        RunTool("taskset -c 0 " + ShellQuote(QUILLARY_PDB_EXE) + " archive in.pdb one", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const ToolRun diff = RunTool("diff -r all one", dir);
    EXPECT_EQ(diff.status, 0) << diff.out;
    r = RunTool("taskset -c 0 " + ShellQuote(QUILLARY_PDB_EXE) + " unarchive all one.pdb", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    r = Run("unarchive one all.pdb");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(P("one.pdb")), original);
    EXPECT_EQ(ReadBytes(P("all.pdb")), original);
}

namespace {

struct PngChunk {
    std::string type;
    std::vector<unsigned char> data;
};

std::vector<PngChunk> PngChunks(const std::vector<unsigned char>& png) {
    std::vector<PngChunk> out;
    for (size_t at = 8; at + 12 <= png.size();) {
        const size_t len = ReadBE32(png.data() + at);
        out.push_back({std::string(png.begin() + long(at) + 4, png.begin() + long(at) + 8),
                       {png.begin() + long(at) + 8, png.begin() + long(at + 8 + len)}});
        at += 12 + len;
    }
    return out;
}

uint32_t PngCrc(const std::string& type, const std::vector<unsigned char>& data) {
    uint32_t crc = 0xFFFFFFFFu;
    auto add = [&](unsigned char b) {
        crc ^= b;
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    };
    for (char c : type)
        add(static_cast<unsigned char>(c));
    for (unsigned char b : data)
        add(b);
    return ~crc;
}

std::vector<unsigned char> PngOf(const std::vector<PngChunk>& chunks) {
    std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (const PngChunk& c : chunks) {
        unsigned char be[4];
        WriteBE32(be, uint32_t(c.data.size()));
        png.insert(png.end(), be, be + 4);
        png.insert(png.end(), c.type.begin(), c.type.end());
        png.insert(png.end(), c.data.begin(), c.data.end());
        WriteBE32(be, PngCrc(c.type, c.data));
        png.insert(png.end(), be, be + 4);
    }
    return png;
}

const PngChunk* ChunkOf(const std::vector<PngChunk>& chunks, const std::string& type) {
    for (const PngChunk& c : chunks)
        if (c.type == type)
            return &c;
    return nullptr;
}

} // namespace

// Each PNG carries the note's picture as stored, so an untouched picture is not decoded
// again. An editor that changes the pixels but keeps that private chunk must not bring the
// old picture back, and a chunk whose stored bytes were altered is not used.
// A small PNG whose image data inflates to 64 MiB under an 8 x 8 header is refused by
// name at the first byte past what 8 x 8 pixels need, whatever kind of PNG it claims.
TEST_F(NoteArchiveTool, APngThatInflatesPastItsHeaderIsRefused) {
    Archive(Bytes(NewDb(1)));
    for (const auto& [kind, depthAndColour] : std::vector<std::pair<std::string, std::string>>{
             {"1-bit grey", "1, 0"}, {"8-bit colour", "8, 2"}}) {
        SCOPED_TRACE(kind);
        fs::remove_all(P("bomb"));
        fs::copy(P("arc"), P("bomb"));
        const ToolRun py =
            RunTool("/usr/bin/python3 -c \"import struct, zlib\n"
                    "def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', "
                    "zlib.crc32(t + d))\n"
                    "z = zlib.compressobj(9)\n"
                    "data = b''.join(z.compress(bytes(1 << 20)) for _ in range(64)) + z.flush()\n"
                    "png = b'\\x89PNG\\r\\n\\x1a\\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', "
                    "8, 8, " +
                        depthAndColour +
                        ", 0, 0, 0)) + chunk(b'IDAT', data) + chunk(b'IEND', b'')\n"
                        "open('bomb/0001.png', 'wb').write(png)\"",
                    dir);
        ASSERT_EQ(py.status, 0) << py.err;
        ASSERT_LT(fs::file_size(P("bomb/0001.png")), 200u << 10);
        ExpectRefused("bomb", "0001.png holds more image data than a picture of 8 \xC3\x97 8 "
                              "pixels needs");
    }
}

TEST_F(NoteArchiveTool, ThePictureStoredInsideAPngIsUsedOnlyForItsOwnPixels) {
    clsDatabase db = NewDb(2);
    ASSERT_TRUE(db.GetRecordObject(0)->SetBitmap(Picture(40, 20)));
    ASSERT_TRUE(db.GetRecordObject(1)->SetBitmap(Picture(60, 30)));
    const auto original = Bytes(db);
    Archive(original);
    const auto one = PngChunks(ReadBytes(P("arc/0001.png")));
    const auto two = PngChunks(ReadBytes(P("arc/0002.png")));
    const PngChunk* stored = ChunkOf(one, "qlPB");
    ASSERT_TRUE(stored) << "the archive carries the stored picture";
    ASSERT_TRUE(ChunkOf(two, "IHDR") && ChunkOf(two, "IDAT") && ChunkOf(one, "IEND"));

    // Note 2's pixels under note 1's stored picture: note 1 shows note 2's picture now.
    WriteBytes(P("arc/0001.png"), PngOf({*ChunkOf(two, "IHDR"), *ChunkOf(two, "IDAT"), *stored,
                                         *ChunkOf(one, "IEND")}));
    ToolRun r = Run("unarchive arc changed.pdb");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("1 changed"), std::string::npos) << r.out;
    clsBitmap pic;
    ASSERT_TRUE(Load("changed.pdb").GetRecordObject(0)->GetBitmap(pic));
    EXPECT_EQ(pic.Width(), 60);
    EXPECT_EQ(pic.Height(), 30);
    EXPECT_TRUE(Load("changed.pdb").GetRecordObject(0)->DirtyFlag());

    // The original pixels with an altered stored picture: the pixels decide, and the file
    // comes back as it was.
    PngChunk altered = *stored;
    altered.data.back() ^= 0x01;
    WriteBytes(P("arc/0001.png"), PngOf({*ChunkOf(one, "IHDR"), *ChunkOf(one, "IDAT"), altered,
                                         *ChunkOf(one, "IEND")}));
    r = Run("unarchive arc same.pdb");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(P("same.pdb")), original);
}

// A damaged database is reported by its own name, and no archive folder is made for it.
TEST_F(NoteArchiveTool, ADamagedDatabaseIsNamedAndNoFolderIsMade) {
    clsDatabase db = NewDb(2);
    auto bytes = Bytes(db);
    bytes.resize(RecordOffset(bytes, 1) + 100); // the second note cut short
    WriteBytes(P("cut.pdb"), bytes);
    const ToolRun r = Run("archive cut.pdb arc");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cut.pdb"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("File : arc"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(P("arc")));
}
