// SPDX-License-Identifier: GPL-3.0-or-later
#include "StorageTestDir.h"

#include "storage/ImportFormats.h"
#include "storage/clsBitmap.h"
#include "storage/clsDatabase.h"
#include "storage/clsInsertDatabase.h"

#include <functional>

namespace {

class ImportTest : public StorageTestDir {
protected:
    void SetUp() override {
        StorageTestDir::SetUp();
        Reset();
    }
    // A fresh database of one note and an empty insert database; the folder stays.
    void Reset() {
        db.m_NewNoteTitle = [] { return std::string("title - "); };
        db.AddNewDatabase();
        db.AddNewRecord(0);
        db.GetRecordObject(0)->SetText("existing");
        inserts.AddNewDatabase();
        db.m_FileDirtyFlag = false;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> t;
        for (int i = 0; i < db.GetNumRecords(); ++i)
            t.push_back(db.GetRecordObject(i)->Text());
        return t;
    }

    clsDatabase db;
    clsInsertDatabase inserts;
};

bool Contains(const std::vector<std::string>& messages, const std::string& part) {
    for (const auto& m : messages)
        if (m.find(part) != std::string::npos)
            return true;
    return false;
}

} // namespace

TEST(ImportFormats, RawTextNotes) {
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"a\r\nb|\r\nc", {"a\r\nb", "c\r\n"}},
        {"one\ntwo|\nthree\n", {"one\r\ntwo", "three\r\n"}},
        {"last|\r\n", {"last"}},
        {"|\n|\n", {"", ""}},
        {"x\ry|", {"x\r\ny"}},
        {"", {}},
        {"b| \nc|", {"b| \r\nc"}},
    };
    for (const auto& [text, notes] : cases)
        EXPECT_EQ(quillary::ParseRawTextNotes(text), notes) << text;
}

TEST(ImportFormats, ImportList) {
    std::vector<quillary::ImportListEntry> e;
    ASSERT_TRUE(quillary::ParseImportList("0,anything\ncomment\na.txt,a.bmp\n\n  x \nb.txt\n c.txt , c.bmp ,ignored", e));
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].textPath, "a.txt");
    EXPECT_EQ(e[0].bitmapPath, "a.bmp");
    EXPECT_EQ(e[0].lineNumber, 3);
    EXPECT_EQ(e[1].textPath, "b.txt");
    EXPECT_EQ(e[1].bitmapPath, "");
    EXPECT_EQ(e[2].textPath, "c.txt");
    EXPECT_EQ(e[2].bitmapPath, "c.bmp");
    for (const char* header : {"0", "Quillary,1", ",x", "00,x", "0.0,x", " -0.00"})
        EXPECT_TRUE(quillary::ParseImportList(std::string(header) + "\nc\nn.txt", e)) << header;
    for (const char* header : {"1,x", "2", " 7", "-3,0", "0.5,x", ".5", "0.05", "-0.1"})
        EXPECT_FALSE(quillary::ParseImportList(std::string(header) + "\nc\nn.txt", e)) << header;
    EXPECT_TRUE(e.empty());
}

TEST(ImportFormats, RawInserts) {
    bool dangling = true;
    auto p = quillary::ParseRawInserts("#Greeting#Hello there#Bye#See you#", &dangling);
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0].title, "Greeting");
    EXPECT_EQ(p[0].text, "Hello there");
    EXPECT_EQ(p[1].title, "Bye");
    EXPECT_EQ(p[1].text, "See you");
    EXPECT_FALSE(dangling);
    p = quillary::ParseRawInserts("|A|line1\r\nline2", &dangling);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].text, "line1\r\nline2");
    p = quillary::ParseRawInserts("#A#B#C#", &dangling);
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[1].title, "C");
    EXPECT_TRUE(dangling);
    p = quillary::ParseRawInserts("#A#B#\r\n", &dangling);
    EXPECT_EQ(p.size(), 1u);
    EXPECT_FALSE(dangling);
    EXPECT_TRUE(quillary::ParseRawInserts("#").empty());
}

TEST_F(ImportTest, AppendRawTextNotes) {
    const auto r = db.AppendRawTextNotes(Write("raw.txt", "one\r\ntwo|\r\nthree\r\n"));
    EXPECT_TRUE(r.completed);
    EXPECT_EQ(r.imported, 2);
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(Texts(), (std::vector<std::string>{"existing", "one\r\ntwo", "three\r\n"}));
    EXPECT_TRUE(db.GetRecordObject(1)->DirtyFlag());
    EXPECT_FALSE(db.GetRecordObject(0)->DirtyFlag());
    EXPECT_TRUE(db.m_FileDirtyFlag);
    clsBitmap pic;
    ASSERT_TRUE(db.GetRecordObject(2)->GetBitmap(pic));
    EXPECT_EQ(pic.Width(), 500);
}

TEST_F(ImportTest, BadImportFilesChangeNothing) {
    std::filesystem::create_directory(Path("folder"));
    const std::pair<std::string, std::string> cases[] = {
        {Path("missing.txt"), "not found"},
        {Write("empty.txt", ""), "is empty"},
        {Write("bom.txt", "\xEF\xBB\xBF"), "is empty"},
        {Write("binary.txt", std::string("ab\0cd|", 6)), "not a text file"},
        {Path("folder"), "folder"},
    };
    for (const auto& [path, expect] : cases) {
        for (int kind = 0; kind < 3; ++kind) {
            const ImportResult r = kind == 0   ? db.AppendRawTextNotes(path)
                                   : kind == 1 ? db.ImportListFormat(path)
                                               : inserts.AppendRawTextInsertDB(path);
            EXPECT_FALSE(r.completed);
            EXPECT_EQ(r.imported, 0);
            EXPECT_TRUE(Contains(r.messages, expect)) << path << " kind " << kind;
        }
    }
    EXPECT_EQ(Texts(), std::vector<std::string>{"existing"});
    EXPECT_FALSE(db.m_FileDirtyFlag);
    EXPECT_EQ(inserts.GetNumRecords(), 0);
    EXPECT_FALSE(inserts.m_FileDirtyFlag);
}

TEST_F(ImportTest, ImportListFormat) {
    clsBitmap pic;
    pic.InitializeBitmap(64, 8, 1);
    pic.SetPixel(1, 1, true);
    ASSERT_TRUE(pic.SaveWinBmpFile(Path("a.bmp")));
    Write("a.txt", "text of a\r\nsecond line");
    Write("b.txt", "text of b");
    std::vector<uint8_t> eight = pic.GetWinBmp();
    eight[28] = 4;
    Write("bad.bmp", std::string(eight.begin(), eight.end()));
    std::filesystem::create_directory(Path("dir.bmp"));
    const std::string list = Write("list.txt", "0,Quillary import\r\ncomment\r\n"
                                               "a.txt,a.bmp\r\n"
                                               "b.txt\r\n"
                                               "nofile.txt,missing.bmp\r\n"
                                               "b.txt,bad.bmp\r\n"
                                               "b.txt,dir.bmp\r\n"
                                               "  \r\n");
    const auto r = db.ImportListFormat(list);
    EXPECT_TRUE(r.completed);
    EXPECT_EQ(r.imported, 5);
    ASSERT_EQ(db.GetNumRecords(), 6);
    EXPECT_EQ(db.GetRecordObject(1)->Text(), "text of a\r\nsecond line");
    clsBitmap back;
    ASSERT_TRUE(db.GetRecordObject(1)->GetBitmap(back));
    EXPECT_TRUE(back == pic);
    EXPECT_EQ(db.GetRecordObject(2)->Text(), "text of b");
    EXPECT_EQ(db.GetRecordObject(3)->Text(), "title - ") << "missing text file keeps the title";
    ASSERT_TRUE(db.GetRecordObject(3)->GetBitmap(back));
    EXPECT_EQ(back.Width(), 500) << "missing picture keeps the blank one";
    EXPECT_TRUE(db.GetRecordObject(5)->DirtyFlag());
    ASSERT_EQ(r.messages.size(), 3u);
    EXPECT_EQ(r.messages[0],
              "missing.bmp not found.\r\nImport Aborted: the picture was not changed.");
    EXPECT_NE(r.messages[1].find("Bitdepth needs to be 1 (black and white)"), std::string::npos);
    EXPECT_NE(r.messages[2].find("folder"), std::string::npos) << r.messages[2];
    EXPECT_TRUE(db.m_FileDirtyFlag);

    db.m_FileDirtyFlag = false;
    const auto refused = db.ImportListFormat(Write("notalist.txt", "1,x\r\nc\r\na.txt\r\n"));
    EXPECT_EQ(refused.imported, 0);
    EXPECT_TRUE(Contains(refused.messages, "not a Quillary import list"));
    EXPECT_FALSE(db.m_FileDirtyFlag);
    EXPECT_EQ(db.GetNumRecords(), 6);
}

TEST_F(ImportTest, AppendDatabaseNotes) {
    clsDatabase other;
    other.m_NewNoteTitle = [] { return std::string("other - "); };
    other.AddNewDatabase();
    other.AddNewRecord(0);
    other.AddNewRecord(1);
    other.GetRecordObject(0)->UniqueID = 77;
    other.GetRecordObject(1)->attributes = 0x03;
    ASSERT_TRUE(other.ExportDatabase(Path("other.pdb")));
    auto r = db.AppendDatabaseNotes(Path("other.pdb"));
    EXPECT_TRUE(r.completed);
    EXPECT_EQ(r.imported, 2);
    ASSERT_EQ(db.GetNumRecords(), 3);
    EXPECT_EQ(db.GetUniqueID(1), 0u);
    EXPECT_EQ(db.GetRecordObject(2)->attributes, 0x43) << "category bits kept, marked dirty";
    EXPECT_TRUE(db.m_FileDirtyFlag);

    r = db.AppendDatabaseNotes(db);
    EXPECT_EQ(r.imported, 3);
    EXPECT_EQ(db.GetNumRecords(), 6);

    r = db.AppendDatabaseNotes(Path("nothing.pdb"));
    EXPECT_EQ(r.imported, 0);
    EXPECT_TRUE(Contains(r.messages, "not found"));
    EXPECT_EQ(db.GetNumRecords(), 6);
}

TEST_F(ImportTest, RawTextInserts) {
    auto r = inserts.AppendRawTextInsertDB(Write("ins.txt", "#Greeting#Hello there#Bye#See you\r\nsoon#"));
    EXPECT_TRUE(r.completed);
    EXPECT_EQ(r.imported, 2);
    ASSERT_EQ(inserts.GetNumRecords(), 2);
    EXPECT_EQ(inserts.GetRecordObject(0)->Title, "Greeting");
    EXPECT_EQ(inserts.GetRecordObject(0)->Text(), "Hello there");
    EXPECT_EQ(inserts.GetRecordObject(1)->RawText(), "See you\nsoon");
    EXPECT_TRUE(inserts.GetRecordObject(1)->DirtyFlag());
    EXPECT_TRUE(inserts.m_FileDirtyFlag);

    r = inserts.AppendRawTextInsertDB(Write("odd.txt", "#A#B#C#"));
    EXPECT_EQ(r.imported, 2);
    EXPECT_TRUE(Contains(r.messages, "\"C\" has no text"));
    EXPECT_EQ(inserts.GetNumRecords(), 4);

    // One insert too long for a handheld record is cut, with a message.
    r = inserts.AppendRawTextInsertDB(Write("long.txt", "#Long#" + std::string(70000, 'x')));
    EXPECT_EQ(r.imported, 1);
    EXPECT_TRUE(Contains(r.messages, "was cut"));
    EXPECT_LE(inserts.GetItemSize(4) - 8, 65535);
}

TEST_F(ImportTest, InsertListFormatMakesTextInserts) {
    Write("greet.txt", "Hello\r\nthere");
    const auto r = inserts.ImportListFormat(Write("l.txt", "0\r\nc\r\ngreet.txt,pic.bmp\r\nnone.txt\r\n"));
    EXPECT_EQ(r.imported, 1);
    ASSERT_EQ(inserts.GetNumRecords(), 1);
    EXPECT_EQ(inserts.GetRecordObject(0)->Title, "greet");
    EXPECT_EQ(inserts.GetRecordObject(0)->Text(), "Hello\r\nthere");
    EXPECT_TRUE(Contains(r.messages, "pictures cannot be stored"));
    EXPECT_TRUE(Contains(r.messages, "none.txt not found"));
}

TEST_F(ImportTest, AppendDatabaseInserts) {
    clsInsertDatabase other;
    other.AddNewDatabase();
    other.AddNewRecord(0);
    other.GetRecordObject(0)->Title = "T";
    other.GetRecordObject(0)->UniqueID = 5;
    ASSERT_TRUE(other.ExportDatabase(Path("o.pdb")));
    auto r = inserts.AppendDatabaseInserts(Path("o.pdb"));
    EXPECT_EQ(r.imported, 1);
    EXPECT_EQ(inserts.GetUniqueID(0), 0u);
    EXPECT_TRUE(inserts.GetRecordObject(0)->DirtyFlag());
    // Notes databases are not insert databases.
    ASSERT_TRUE(db.ExportDatabase(Path("notes.pdb")));
    r = inserts.AppendDatabaseInserts(Path("notes.pdb"));
    EXPECT_EQ(r.imported, 0);
    EXPECT_TRUE(Contains(r.messages, "not a text insert database"));
}

TEST_F(ImportTest, FullDatabaseStopsAndKeepsWhatCameIn) {
    std::string many;
    for (int i = 0; i < 40; ++i)
        many += "n|\n";
    // Fill up to 20 short of the limit by cloning records cheaply.
    for (int i = db.GetNumRecords(); i < 32767 - 20; ++i)
        db.AddNewRecord(i);
    const auto r = db.AppendRawTextNotes(Write("many.txt", many));
    EXPECT_FALSE(r.completed);
    EXPECT_EQ(r.imported, 20);
    EXPECT_EQ(db.GetNumRecords(), 32767);
    EXPECT_TRUE(Contains(r.messages, "32767"));
}

TEST(ImportFormats, SplitNoteText) {
    struct Case {
        std::string text;
        std::vector<std::string> parts;
    };
    const Case cases[] = {
        {"fits in one", {"fits in one"}},
        {std::string(20, 'a'), {std::string(20, 'a')}},
        // At the last line break before the limit, then (no break left) at the last space.
        {"one two\nthree four five six",
         {"one two", "(continued)\nthree", "(continued)\nfour", "(continued)\nfive six"}},
        // Neither: cut at the limit.
        {"abcdefghijklmnopqrstuvwxyz", {"abcdefghijklmnopqrst", "(continued)\nuvwxyz"}},
        // A break at the very start gives no empty note.
        {"\nabcdefghijklmnopqrstu", {"\nabcdefghijklmnopqrs", "(continued)\ntu"}},
    };
    for (const auto& c : cases) {
        const auto parts = quillary::SplitNoteText(c.text, 20);
        EXPECT_EQ(parts, c.parts) << c.text;
        for (const auto& p : parts)
            EXPECT_LE(p.size(), 20u) << p;
    }
}

TEST(ImportFormats, ImportTextEncodings) {
    struct Case {
        std::string bytes;
        std::string stored;                // when accepted
        std::vector<std::string> problems; // when refused
    };
    const Case cases[] = {
        {"caf\xC3\xA9", "caf\xE9", {}}, // UTF-8
        {"\xE2\x82\xAC 5\r\n\xE2\x80\x9Cq\xE2\x80\x9D", "\x80 5\r\n\x93q\x94", {}},
        {"\xEF\xBB\xBFplain", "plain", {}},           // a byte order mark says UTF-8
        {"caf\xE9", "caf\xE9", {}},                   // not UTF-8: Windows-1252
        {"caf\xC3\xA9 \xE9", "caf\xC3\xA9 \xE9", {}}, // mixed: not UTF-8 either
        {"plain ascii", "plain ascii", {}},
        {"\xC0\xAF", "\xC0\xAF", {}}, // an overlong form is not UTF-8
        {"ok\n\xCF\x80 and \xE2\x98\x83\r\nfine\r\xF0\x9F\x98\x80",
         "",
         {"t.txt, line 2: the character \"\xCF\x80\" (U+03C0) cannot be stored on the handheld.",
          "t.txt, line 2: the character \"\xE2\x98\x83\" (U+2603) cannot be stored on the "
          "handheld.",
          "t.txt, line 4: the character \"\xF0\x9F\x98\x80\" (U+1F600) cannot be stored on the "
          "handheld."}},
        {"\xEF\xBB\xBF"
         "a\n\xE9",
         "",
         {"t.txt, line 2: text that is not UTF-8 cannot be stored on the handheld."}},
    };
    for (const auto& c : cases) {
        std::string out = "stale";
        std::vector<std::string> problems;
        const bool ok = quillary::ImportTextToCp1252(c.bytes, "t.txt", out, problems);
        EXPECT_EQ(ok, c.problems.empty()) << c.bytes;
        EXPECT_EQ(problems, c.problems) << c.bytes;
        EXPECT_EQ(out, c.stored) << c.bytes;
    }
    // A file full of such characters lists the first ones, then how many more.
    std::string many;
    for (int i = 0; i < 25; ++i)
        many += "\xE2\x98\x83";
    std::vector<std::string> problems;
    std::string out;
    EXPECT_FALSE(quillary::ImportTextToCp1252(many, "t.txt", out, problems));
    ASSERT_EQ(problems.size(), quillary::kMaxListedCharacters + 1);
    EXPECT_EQ(problems.back(), "t.txt: 5 more characters cannot be stored on the handheld.");
}

// A long imported text comes in whole, over consecutive notes, and a save writes exactly
// what the notes show.
TEST_F(ImportTest, LongTextsBecomeConsecutiveNotes) {
    std::string lines; // 80 lines of 30 characters and a line break: about 2480 characters
    for (int i = 0; i < 80; ++i)
        lines += std::string(30, char('a' + i % 26)) + "\n";
    lines.pop_back();
    std::string crlf;
    clsQuillaryItem::LFtoCRLF(lines, crlf);
    std::string spaces; // 4400 bytes without a line break: cut at spaces
    for (int i = 0; i < 440; ++i)
        spaces += "word word ";
    Write("long.txt", spaces);
    Write("short.txt", "short");
    clsBitmap pic;
    pic.InitializeBitmap(16, 4, 1);
    pic.SetPixel(2, 2, true);
    ASSERT_TRUE(pic.SaveWinBmpFile(Path("p.bmp")));

    struct Case {
        std::string name;
        std::function<ImportResult()> import;
        std::vector<std::string> wholeTexts; // stored form of each text imported
        char cutAt;                          // what the cuts dropped
        int notes;
    };
    const Case cases[] = {
        {"raw",
         [&] { return db.AppendRawTextNotes(Write("raw.txt", crlf + "|\r\nsmall|")); },
         {lines, "small"},
         '\n',
         3},
        {"list",
         [&] {
             return db.ImportListFormat(
                 Write("list.txt", "0\r\nc\r\nlong.txt,p.bmp\r\nshort.txt\r\n"));
         },
         {spaces, "short"},
         ' ',
         4},
    };
    for (const auto& c : cases) {
        Reset();
        const ImportResult r = c.import();
        EXPECT_TRUE(r.completed) << c.name;
        EXPECT_EQ(r.split, 1) << c.name;
        EXPECT_EQ(r.imported, c.notes) << c.name;
        EXPECT_TRUE(r.messages.empty()) << c.name;
        ASSERT_EQ(db.GetNumRecords(), 1 + r.imported) << c.name;

        // Saved and read back: every note as it was shown, each within a note's limit,
        // together the whole text.
        const std::vector<std::string> shown = Texts();
        const std::vector<uint8_t> saved = db.GetDatabaseBytes();
        clsDatabase back;
        std::string error;
        ASSERT_TRUE(back.LoadDatabaseBytes(saved.data(), saved.size(), "back.pdb", {}, &error))
            << error;
        ASSERT_EQ(back.GetNumRecords(), db.GetNumRecords());
        std::vector<std::string> joined;
        for (int i = 1; i < back.GetNumRecords(); ++i) {
            const std::string& text = back.GetRecordObject(i)->RawText();
            EXPECT_EQ(back.GetRecordObject(i)->Text(), shown[size_t(i)]) << c.name << " " << i;
            EXPECT_LE(text.size(), clsQuillaryItem::kMaxTextChars);
            if (text.rfind("(continued)\n", 0) == 0) {
                ASSERT_FALSE(joined.empty());
                joined.back() += c.cutAt + text.substr(12);
            } else {
                joined.push_back(text);
            }
        }
        EXPECT_EQ(joined, c.wholeTexts) << c.name;
    }
    // The picture of a list entry goes with the first of its notes.
    clsBitmap back;
    ASSERT_TRUE(db.GetRecordObject(1)->GetBitmap(back));
    EXPECT_TRUE(back == pic);
    ASSERT_TRUE(db.GetRecordObject(2)->GetBitmap(back));
    EXPECT_EQ(back.Width(), 500);
}

// UTF-8 texts are stored as the Windows-1252 they spell; one holding a character the
// handheld cannot store refuses the import, listing it, and changes nothing.
TEST_F(ImportTest, Utf8ImportTexts) {
    Write("cafe.txt", "caf\xC3\xA9 \xE2\x82\xAC");
    Write("snow.txt", "ok\r\n\xE2\x98\x83");
    struct Case {
        std::string name;
        std::function<ImportResult()> import;
        std::string stored;  // the new note's or insert's text; "" when refused
        std::string problem; // the refusal's first message
    };
    const Case cases[] = {
        {"raw", [&] { return db.AppendRawTextNotes(Write("r.txt", "caf\xC3\xA9 \xE2\x82\xAC|")); },
         "caf\xE9 \x80", ""},
        {"raw refused",
         [&] { return db.AppendRawTextNotes(Write("r2.txt", "a|\nok\n\xE2\x98\x83|")); }, "",
         Path("r2.txt") + ", line 3: the character \"\xE2\x98\x83\" (U+2603) cannot be stored "
                          "on the handheld."},
        {"list", [&] { return db.ImportListFormat(Write("l.txt", "0\nc\ncafe.txt\n")); },
         "caf\xE9 \x80", ""},
        {"list refused",
         [&] { return db.ImportListFormat(Write("l2.txt", "0\nc\ncafe.txt\nsnow.txt\n")); }, "",
         Path("snow.txt") + ", line 2: the character \"\xE2\x98\x83\" (U+2603) cannot be "
                            "stored on the handheld."},
        {"inserts",
         [&] {
             return inserts.AppendRawTextInsertDB(
                 Write("i.txt", "#Caf\xC3\xA9#caf\xC3\xA9 \xE2\x82\xAC"));
         },
         "caf\xE9 \x80", ""},
        {"inserts refused",
         [&] { return inserts.AppendRawTextInsertDB(Write("i2.txt", "#A#b#Snow#\xE2\x98\x83")); },
         "",
         Path("i2.txt") + ", line 1: the character \"\xE2\x98\x83\" (U+2603) cannot be "
                          "stored on the handheld."},
        {"insert list",
         [&] { return inserts.ImportListFormat(Write("il.txt", "0\nc\ncafe.txt\n")); },
         "caf\xE9 \x80", ""},
        {"insert list refused",
         [&] { return inserts.ImportListFormat(Write("il2.txt", "0\nc\ncafe.txt\nsnow.txt\n")); },
         "",
         Path("snow.txt") + ", line 2: the character \"\xE2\x98\x83\" (U+2603) cannot be "
                            "stored on the handheld."},
    };
    for (const auto& c : cases) {
        Reset();
        const bool forInserts = c.name.rfind("insert", 0) == 0;
        const ImportResult r = c.import();
        if (c.problem.empty()) {
            EXPECT_TRUE(r.completed) << c.name;
            EXPECT_EQ(r.imported, 1) << c.name;
            const std::string text = forInserts ? inserts.GetRecordObject(0)->RawText()
                                                : db.GetRecordObject(1)->RawText();
            EXPECT_EQ(text, c.stored) << c.name;
            if (c.name == "inserts")
                EXPECT_EQ(inserts.GetRecordObject(0)->Title, "Caf\xE9");
        } else {
            EXPECT_FALSE(r.completed) << c.name;
            EXPECT_EQ(r.imported, 0) << c.name;
            EXPECT_EQ(r.refused, 2) << c.name;
            ASSERT_EQ(r.messages.size(), 2u) << c.name;
            EXPECT_EQ(r.messages[0], c.problem) << c.name;
            EXPECT_TRUE(Contains(r.messages, "Nothing was imported")) << c.name;
            EXPECT_EQ(Texts(), std::vector<std::string>{"existing"}) << c.name;
            EXPECT_FALSE(db.m_FileDirtyFlag) << c.name;
            EXPECT_EQ(inserts.GetNumRecords(), 0) << c.name;
            EXPECT_FALSE(inserts.m_FileDirtyFlag) << c.name;
        }
    }
}
