// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToolRunner.h"
#include "support/RequiredTools.h"

#include "storage/clsBitmap.h"
#include "storage/clsDatabase.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace {

class QuillaryPdb : public ::testing::Test {
protected:
    void SetUp() override { dir = MakeTempDir("pdbtool"); }
    void TearDown() override { fs::remove_all(dir); }

    ToolRun Run(const std::string& args) {
        return RunTool(ShellQuote(QUILLARY_PDB_EXE) + " " + args, dir);
    }
    QJsonObject Info(const std::string& file) {
        const ToolRun r = Run("info " + file);
        EXPECT_EQ(r.status, 0) << r.err;
        QJsonParseError error{};
        const auto doc = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << r.out;
        return doc.object();
    }
    std::string P(const std::string& name) const { return dir + "/" + name; }
    // Shell prefix: no file may grow beyond 1 KiB (a picture is smaller, a long note's text
    // larger), and a write past that fails (EFBIG) instead of ending the program.
    static std::string LimitFileSize() { return "trap '' XFSZ; ulimit -f 2; "; }
    // dir holds these names and no others (no temporary left behind).
    void ExpectOnlyFiles(std::set<std::string> names) const {
        std::set<std::string> found;
        for (const auto& entry : fs::directory_iterator(dir))
            found.insert(entry.path().filename().string());
        for (const std::string& name : found)
            EXPECT_TRUE(names.count(name)) << "unexpected " << name;
    }
    std::vector<unsigned char> NewestVersion(const std::string& file) {
        const ToolRun r = Run("restore " + file + " 1 newest.restored");
        EXPECT_EQ(r.status, 0) << r.err;
        auto bytes = ReadBytes(P("newest.restored"));
        fs::remove(P("newest.restored"));
        return bytes;
    }
    void Write(const std::string& name, const std::string& text) {
        WriteBytes(P(name), std::vector<unsigned char>(text.begin(), text.end()));
    }
    static void ExpectOneLineError(const ToolRun& r, const std::string& part) {
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.out.empty()) << r.out;
        ASSERT_FALSE(r.err.empty());
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
        EXPECT_NE(r.err.find(part), std::string::npos) << r.err;
    }

    std::string dir;
};

} // namespace

TEST_F(QuillaryPdb, HelpDescribesEveryCommand) {
    const ToolRun r = Run("--help");
    EXPECT_EQ(r.status, 0);
    for (const char* cmd : {"info", "export", "new", "new-inserts", "resave", "import",
                            "--raw-text", "--list", "--pdb", "--raw-inserts"})
        EXPECT_NE(r.out.find(cmd), std::string::npos) << cmd;
}

TEST_F(QuillaryPdb, NewInfoAndResave) {
    ASSERT_EQ(Run("new notes.pdb").status, 0);
    const QJsonObject info = Info("notes.pdb");
    EXPECT_EQ(info["name"].toString(), "QuillaryDBv2");
    EXPECT_EQ(info["type"].toString(), "Not2");
    EXPECT_EQ(info["creator"].toString(), "QLRY");
    EXPECT_EQ(info["records"].toInt(), 1);
    EXPECT_EQ(info["categories"].toArray(), (QJsonArray{"Unfiled", "Business", "Personal"}));
    const QJsonObject note = info["notes"].toArray().at(0).toObject();
    EXPECT_EQ(note["index"].toInt(), 0);
    EXPECT_EQ(note["category"].toInt(), 0);
    EXPECT_EQ(note["dirty"].toBool(), false);
    EXPECT_EQ(note["unique_id"].toInt(), 0);
    EXPECT_EQ(note["size"].toInt(), 6105);
    EXPECT_TRUE(note["text"].toString().endsWith(" - "));
    EXPECT_EQ(note["picture"].toObject()["width"].toInt(), 500);
    EXPECT_EQ(note["picture"].toObject()["height"].toInt(), 500);
    EXPECT_EQ(fs::file_size(P("notes.pdb")), 354u + 8 + 6097);

    const auto before = ReadBytes(P("notes.pdb"));
    ASSERT_EQ(Run("resave notes.pdb").status, 0);
    EXPECT_EQ(ReadBytes(P("notes.pdb")), before);
    ASSERT_EQ(Run("resave notes.pdb copy.pdb").status, 0);
    EXPECT_EQ(ReadBytes(P("copy.pdb")), before);
}

TEST_F(QuillaryPdb, TextIsUtf8WithLineFeeds) {
    // A note written directly in Windows-1252 with an e acute and a euro sign.
    clsDatabase db;
    db.AddNewDatabase();
    db.AddNewRecord(0);
    db.GetRecordObject(0)->SetText("caf\xE9\r\n5 \x80");
    db.GetRecordObject(0)->attributes = 0x42;
    db.GetRecordObject(0)->UniqueID = 0x010203;
    clsBitmap pic;
    pic.InitializeBitmap(40, 3, 1);
    pic.SetPixel(0, 0, true);
    pic.SetPixel(39, 2, true);
    ASSERT_TRUE(db.GetRecordObject(0)->SetBitmap(pic));
    ASSERT_TRUE(db.ExportDatabase(P("cp.pdb")));
    const QJsonObject note = Info("cp.pdb")["notes"].toArray().at(0).toObject();
    EXPECT_EQ(note["text"].toString(), QString::fromUtf8("café\n5 €"));
    EXPECT_EQ(note["category"].toInt(), 2);
    EXPECT_EQ(note["dirty"].toBool(), true);
    EXPECT_EQ(note["unique_id"].toInt(), 66051);
    EXPECT_EQ(note["picture"].toObject()["width"].toInt(), 40);

    ASSERT_EQ(Run("export cp.pdb out").status, 0);
    const auto txt = ReadBytes(P("out/0001.txt"));
    EXPECT_EQ(std::string(txt.begin(), txt.end()), "café\n5 €");
    const auto png = ReadBytes(P("out/0001.png"));
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
    if (!HavePil())
        QUILLARY_GTEST_REQUIRE_OR_SKIP("PIL (python3-pil) is not installed");
    {
        const ToolRun r =
            RunTool("/usr/bin/python3 -c \"from PIL import Image; im = Image.open('out/0001.png'); "
                    "im.load(); print(im.mode, im.size[0], im.size[1], im.getpixel((0,0)), "
                    "im.getpixel((1,0)), im.getpixel((39,2)), im.getpixel((38,2)))\"",
                    dir);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "1 40 3 0 255 0 255\n");
    }
}

// Pictures are stored compressed, a blank 500 x 500 one in a few hundred bytes instead of
// 31 KB; a file that cannot be written stops the export with its name.
TEST_F(QuillaryPdb, ExportCompressesPicturesAndNamesAFileItCannotWrite) {
    ASSERT_EQ(Run("new n.pdb").status, 0);
    ASSERT_EQ(Run("export n.pdb out").status, 0);
    const auto png = ReadBytes(P("out/0001.png"));
    ASSERT_GT(png.size(), 8u);
    EXPECT_LT(png.size(), 2000u);
    if (HaveProgram("pngtopnm")) {
        const ToolRun pbm = RunTool("pngtopnm out/0001.png | pnmtoplainpnm | head -c 11", dir);
        EXPECT_EQ(pbm.status, 0) << pbm.err;
        EXPECT_EQ(pbm.out, "P1\n500 500\n");
        const ToolRun black = RunTool("pngtopnm out/0001.png | pnmtoplainpnm | tail -n +3 | "
                                      "tr -d '0 \\n' | wc -c",
                                      dir);
        EXPECT_EQ(black.out, "0\n") << "a blank picture has no black pixel";
    }
    // A folder holding files already is not written into.
    fs::create_directories(P("bad/0001.png"));
    ExpectOneLineError(Run("export n.pdb bad"), "bad is not empty");
    EXPECT_TRUE(fs::is_directory(P("bad/0001.png")));
    EXPECT_EQ(std::distance(fs::directory_iterator(P("bad")), fs::directory_iterator()), 1);
    // A file that cannot be written is named as it would have been, and nothing is left.
    Write("big.txt", std::string(1999, 'x') + "|");
    ASSERT_EQ(Run("import n.pdb --raw-text big.txt").status, 0);
    ExpectOneLineError(
        RunTool(LimitFileSize() + ShellQuote(QUILLARY_PDB_EXE) + " export n.pdb big", dir),
        "big/0002.txt");
    EXPECT_FALSE(fs::exists(P("big")));
    ExpectOnlyFiles({"big.txt", "n.pdb", "out", ".quillary-versions", "bad"});
}

// Notes are exported by several threads at once: every file still belongs to its note, and
// of two files that cannot be written the first in the notes' order is named.
TEST_F(QuillaryPdb, ManyNotesExportInOrderAndTheFirstFailureIsNamed) {
    ASSERT_EQ(Run("new many.pdb").status, 0);
    std::string raw;
    for (int i = 2; i <= 400; ++i)
        raw += "note " + std::to_string(i) + "|\r\n";
    Write("many.txt", raw);
    ASSERT_EQ(Run("import many.pdb --raw-text many.txt").status, 0);
    const ToolRun ok = Run("export many.pdb out");
    ASSERT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(ok.out, "400 notes exported to out\n");
    for (const int n : {2, 77, 258, 400}) {
        char name[32];
        std::snprintf(name, sizeof name, "out/%04d.txt", n);
        const auto text = ReadBytes(P(name));
        EXPECT_EQ(std::string(text.begin(), text.end()), "note " + std::to_string(n)) << name;
        std::snprintf(name, sizeof name, "out/%04d.png", n);
        EXPECT_GT(ReadBytes(P(name)).size(), 8u) << name;
    }
    // Two notes too large for the file size limit: the first in the notes' order is named,
    // and no half-filled folder is left.
    std::string big;
    for (int i = 2; i <= 400; ++i)
        big +=
            (i == 150 || i == 390 ? std::string(1999, 'x') : "note " + std::to_string(i)) + "|\r\n";
    Write("big.txt", big);
    ASSERT_EQ(Run("new big.pdb").status, 0);
    ASSERT_EQ(Run("import big.pdb --raw-text big.txt").status, 0);
    ExpectOneLineError(
        RunTool(LimitFileSize() + ShellQuote(QUILLARY_PDB_EXE) + " export big.pdb bad", dir),
        "bad/0150.txt");
    EXPECT_FALSE(fs::exists(P("bad")));
}

TEST_F(QuillaryPdb, PicturesWithTwoByteRowsAreRead) {
    // 9 x 2 pixels with rows padded to 2 bytes, as the handheld writes them: row 0 has
    // pixels 0 and 8 black, row 1 repeats it.
    const std::vector<uint8_t> picture = {0, 9, 0, 2, 0, 2, 0x80, 0,    1,    2,    0,
                                          0, 0, 0, 0, 0, 0, 4,    0xC0, 0x80, 0x80, 0x00};
    clsDatabase db;
    db.AddNewDatabase();
    db.AddNewRecord(0);
    db.GetRecordObject(0)->SetText("handheld");
    std::string error;
    ASSERT_TRUE(db.GetRecordObject(0)->SetBitmapData(picture, &error)) << error;
    ASSERT_TRUE(db.ExportDatabase(P("hh.pdb")));
    const auto before = ReadBytes(P("hh.pdb"));

    const QJsonObject note = Info("hh.pdb")["notes"].toArray().at(0).toObject();
    EXPECT_EQ(note["picture"].toObject()["width"].toInt(), 9);
    EXPECT_EQ(note["picture"].toObject()["height"].toInt(), 2);
    const ToolRun exported = Run("export hh.pdb out");
    ASSERT_EQ(exported.status, 0) << exported.err;
    ASSERT_TRUE(fs::exists(P("out/0001.png")));
    if (HaveProgram("pngtopnm")) {
        const ToolRun pbm = RunTool("pngtopnm out/0001.png | pnmtoplainpnm", dir);
        ASSERT_EQ(pbm.status, 0) << pbm.err;
        EXPECT_EQ(pbm.out, "P1\n9 2\n100000001\n100000001\n");
    }
    // Resaving keeps the picture exactly as the other writer made it.
    ASSERT_EQ(Run("resave hh.pdb").status, 0);
    EXPECT_EQ(ReadBytes(P("hh.pdb")), before);
}

TEST_F(QuillaryPdb, Imports) {
    ASSERT_EQ(Run("new n.pdb").status, 0);
    Write("raw.txt", "one\r\ntwo|\r\nthree\r\n");
    ToolRun r = Run("import n.pdb --raw-text raw.txt");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "2 notes imported\n");
    QJsonArray notes = Info("n.pdb")["notes"].toArray();
    ASSERT_EQ(notes.size(), 3);
    EXPECT_EQ(notes[1].toObject()["text"].toString(), "one\ntwo");
    EXPECT_EQ(notes[2].toObject()["dirty"].toBool(), true);

    Write("a.txt", "from list");
    Write("list.txt", "0,x\r\ncomment\r\na.txt,missing.bmp\r\n");
    r = Run("import n.pdb --list list.txt");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("missing.bmp not found. Import Aborted"), std::string::npos) << r.err;
    EXPECT_EQ(Info("n.pdb")["records"].toInt(), 4);
    EXPECT_EQ(r.out, "1 note imported\n");

    ASSERT_EQ(Run("new other.pdb").status, 0);
    r = Run("import n.pdb --pdb other.pdb");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Info("n.pdb")["records"].toInt(), 5);
    r = Run("import n.pdb --pdb other.pdb --replace");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Info("n.pdb")["records"].toInt(), 1);

    ASSERT_EQ(Run("new-inserts ins.pdb Greetings").status, 0);
    QJsonObject info = Info("ins.pdb");
    EXPECT_EQ(info["type"].toString(), "Inst");
    EXPECT_EQ(info["name"].toString(), "Greetings");
    EXPECT_EQ(info["inserts"].toArray().size(), 0);
    Write("ins.txt", "#Greeting#Hello there#Bye#See you#");
    r = Run("import ins.pdb --raw-inserts ins.txt");
    EXPECT_EQ(r.status, 0) << r.err;
    const QJsonArray inserts = Info("ins.pdb")["inserts"].toArray();
    ASSERT_EQ(inserts.size(), 2);
    EXPECT_EQ(inserts[1].toObject()["title"].toString(), "Bye");
    EXPECT_EQ(inserts[1].toObject()["text"].toString(), "See you");
    EXPECT_EQ(inserts[1].toObject()["dirty"].toBool(), true);
    EXPECT_EQ(inserts[1].toObject()["unique_id"].toInt(), 0);
}

// A long UTF-8 text comes in whole over two notes; one holding characters the handheld
// cannot store is refused, each named on the error line, and the database stays as it was.
TEST_F(QuillaryPdb, LongAndUtf8TextImports) {
    ASSERT_EQ(Run("new n.pdb").status, 0);
    std::string text;
    for (int i = 0; i < 80; ++i)
        text += "caf\xC3\xA9 " + std::string(24, char('a' + i % 26)) + "\n";
    text.pop_back();
    Write("long.txt", text + "|");
    ToolRun r = Run("import n.pdb --raw-text long.txt");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "2 notes imported (1 long text split over consecutive notes)\n");
    QJsonArray notes = Info("n.pdb")["notes"].toArray();
    ASSERT_EQ(notes.size(), 3);
    const QString first = notes[1].toObject()["text"].toString();
    const QString second = notes[2].toObject()["text"].toString();
    EXPECT_TRUE(second.startsWith("(continued)\n")) << second.toStdString();
    EXPECT_EQ((first + "\n" + second.mid(12)).toStdString(), text);

    const auto before = ReadBytes(P("n.pdb"));
    Write("snow.txt", "\xE2\x98\x83 one|\r\ntwo \xCF\x80|");
    r = Run("import n.pdb --raw-text snow.txt --replace");
    ExpectOneLineError(r, "snow.txt, line 1: the character \"\xE2\x98\x83\" (U+2603) cannot be "
                          "stored on the handheld.");
    EXPECT_NE(r.err.find("snow.txt, line 2: the character \"\xCF\x80\" (U+03C0)"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(ReadBytes(P("n.pdb")), before);
}

TEST_F(QuillaryPdb, BadInputGivesOneLineAndStatusOne) {
    ASSERT_EQ(Run("new n.pdb").status, 0);
    auto bytes = ReadBytes(P("n.pdb"));
    bytes.resize(500);
    WriteBytes(P("cut.pdb"), bytes);
    Write("empty.txt", "");
    ExpectOneLineError(Run(""), "No command");
    ExpectOneLineError(Run("frobnicate"), "Unknown command");
    ExpectOneLineError(Run("info"), "Wrong number of arguments");
    ExpectOneLineError(Run("info missing.pdb"), "not found");
    ExpectOneLineError(Run("info cut.pdb"), "cut.pdb");
    ExpectOneLineError(Run("resave cut.pdb"), "cut short");
    ExpectOneLineError(Run("export cut.pdb out"), "cut.pdb");
    ExpectOneLineError(Run("import n.pdb --raw-text empty.txt"), "is empty");
    ExpectOneLineError(Run("import n.pdb --raw-inserts empty.txt"), "does not apply");
    ExpectOneLineError(Run("import n.pdb --weird x"), "does not apply");
    ExpectOneLineError(Run("import n.pdb raw.txt x"), "needs one of");
    ExpectOneLineError(Run("new /nonexistent-dir/n.pdb"), "/nonexistent-dir/n.pdb");
    EXPECT_EQ(ReadBytes(P("cut.pdb")).size(), 500u) << "a failed resave leaves the file";
}

// info writes texts straight into its JSON: every character JSON must escape, and the
// bytes Windows-1252 leaves undefined, still come out as the text that was stored.
TEST_F(QuillaryPdb, InfoEscapesEveryAwkwardCharacter) {
    const std::string stored = "say \"hi\" \\ tab\there\x01\x1F del\x7F \x81\x9D end\xFF";
    clsDatabase db;
    db.AddNewDatabase();
    db.AddNewRecord(0);
    db.GetRecordObject(0)->SetText(stored);
    ASSERT_TRUE(db.ExportDatabase(P("odd.pdb")));
    const QJsonObject note = Info("odd.pdb")["notes"].toArray().at(0).toObject();
    const QString expected = QString::fromUtf8("say \"hi\" \\ tab\there\x01\x1F del\x7F ") +
                             QChar(0x81) + QChar(0x9D) + QString::fromUtf8(" endÿ");
    EXPECT_EQ(note["text"].toString(), expected);
}

// The commands that only read and write databases must not pay for loading Qt; print,
// archive and unarchive run quillary-pdb-qt, found beside the program or in libexec.
TEST_F(QuillaryPdb, StorageCommandsLoadNoQtAndAMissingHelperIsNamed) {
    if (!HaveProgram("readelf"))
        QUILLARY_GTEST_REQUIRE_OR_SKIP("readelf (binutils) is not installed");
    const ToolRun needed = RunTool("readelf -d " + ShellQuote(QUILLARY_PDB_EXE));
    ASSERT_EQ(needed.status, 0) << needed.err;
    EXPECT_NE(needed.out.find("NEEDED"), std::string::npos) << needed.out;
    EXPECT_EQ(needed.out.find("libQt"), std::string::npos) << needed.out;

    ASSERT_EQ(Run("new n.pdb").status, 0);
    ASSERT_EQ(Run("print n.pdb via-helper.pdf").status, 0) << "the helper beside it is found";
    EXPECT_TRUE(fs::exists(P("via-helper.pdf")));

    fs::create_directories(P("alone"));
    fs::copy_file(QUILLARY_PDB_EXE, P("alone/quillary-pdb"));
    fs::permissions(P("alone/quillary-pdb"), fs::perms::owner_all);
    for (const char* cmd : {"print n.pdb out.pdf", "archive n.pdb arch", "unarchive arch m.pdb"}) {
        const ToolRun r = RunTool("alone/quillary-pdb " + std::string(cmd), dir);
        ExpectOneLineError(r, "quillary-pdb-qt");
    }
    EXPECT_FALSE(fs::exists(P("out.pdf")));
    EXPECT_FALSE(fs::exists(P("arch")));
    EXPECT_EQ(Run("info n.pdb").status, 0) << "storage commands never need the helper";
    EXPECT_EQ(RunTool("alone/quillary-pdb info n.pdb", dir).status, 0);
}

// Databases are mapped, not copied. A file cut short by another program while mapped
// raises SIGBUS; the tool then says so in one line and exits 1 instead of dying
// silently. The signal is sent while info waits to write its output (a pipe nobody
// empties: 100 long notes fill it), once its first bytes have arrived.
TEST_F(QuillaryPdb, AFileCutShortWhileReadEndsWithAMessage) {
    clsDatabase db;
    db.AddNewDatabase();
    for (int i = 0; i < 100; ++i) {
        db.AddNewRecord(i);
        db.GetRecordObject(i)->SetText(std::string(1999, char('a' + i % 26)));
    }
    ASSERT_TRUE(db.ExportDatabase(P("n.pdb")));
    const auto before = ReadBytes(P("n.pdb"));
    const ToolRun r = RunTool(
        "mkfifo pipe && { ASAN_OPTIONS=\"$ASAN_OPTIONS:allow_user_segv_handler=1\" " +
            ShellQuote(QUILLARY_PDB_EXE) +
            " info n.pdb >pipe 2>err.txt & pid=$!; exec 3<pipe; head -c 1 <&3 >/dev/null; "
            "kill -BUS $pid; wait $pid; echo $?; exec 3<&-; }",
        dir);
    EXPECT_EQ(r.out, "1\n") << r.err;
    const auto err = ReadBytes(P("err.txt"));
    const std::string message(err.begin(), err.end());
    EXPECT_NE(message.find("cut short by another program"), std::string::npos) << message;
    EXPECT_EQ(message.find('\n'), message.size() - 1) << message;
    EXPECT_EQ(ReadBytes(P("n.pdb")), before);
}

// Every command that replaces a database keeps the file it replaces as an earlier version
// (versions and restore read it back), whatever the command.
TEST_F(QuillaryPdb, EveryCommandThatReplacesADatabaseKeepsAVersion) {
    Write("four.txt", "a|\r\nb|\r\nc|\r\n");
    Write("raw.txt", "added|");
    ASSERT_EQ(Run("new other.pdb").status, 0);
    ASSERT_EQ(Run("new template.pdb").status, 0);
    ASSERT_EQ(Run("import template.pdb --raw-text four.txt").status, 0);
    const auto fourNotes = ReadBytes(P("template.pdb"));
    const std::string count =
        "\t" + std::to_string(Info("template.pdb")["records"].toInt()) + " notes\t";
    ASSERT_EQ(Run("archive template.pdb arch").status, 0);
    const char* commands[] = {
        "resave notes.pdb",
        "resave other.pdb notes.pdb",
        "import notes.pdb --raw-text raw.txt",
        "import notes.pdb --pdb other.pdb --replace",
        "new notes.pdb --force",
        "new-inserts notes.pdb Snippets --force",
        "unarchive arch notes.pdb",
        "restore other.pdb 1 notes.pdb",
    };
    ASSERT_EQ(Run("import other.pdb --raw-text raw.txt").status, 0); // a version to restore
    for (const char* command : commands) {
        SCOPED_TRACE(command);
        // No version of notes.pdb yet: the one listed afterwards is the command's.
        if (fs::exists(P(".quillary-versions")))
            for (const auto& entry : fs::directory_iterator(P(".quillary-versions")))
                if (entry.path().filename().string().rfind("notes.pdb~", 0) == 0)
                    fs::remove(entry.path());
        WriteBytes(P("notes.pdb"), fourNotes);
        const ToolRun r = Run(command);
        ASSERT_EQ(r.status, 0) << r.err;
        const ToolRun list = Run("versions notes.pdb");
        EXPECT_EQ(list.status, 0) << list.err;
        EXPECT_NE(list.out.find(count), std::string::npos) << list.out;
        EXPECT_EQ(NewestVersion("notes.pdb"), fourNotes);
    }
}

// new and new-inserts make a file; over an existing one they stop unless --force is given,
// and even then the file is kept as an earlier version.
TEST_F(QuillaryPdb, NewRefusesAnExistingFileUnlessForced) {
    Write("four.txt", "a|\r\nb|\r\nc|\r\n");
    ASSERT_EQ(Run("new notes.pdb").status, 0);
    ASSERT_EQ(Run("import notes.pdb --raw-text four.txt").status, 0);
    const auto before = ReadBytes(P("notes.pdb"));
    const std::string versions = Run("versions notes.pdb").out;
    for (const char* command : {"new notes.pdb", "new-inserts notes.pdb Greetings"}) {
        SCOPED_TRACE(command);
        ExpectOneLineError(Run(command), "--force");
        EXPECT_EQ(ReadBytes(P("notes.pdb")), before);
        EXPECT_EQ(Run("versions notes.pdb").out, versions);
    }
    ExpectOneLineError(Run("new"), "Wrong number of arguments");
    ExpectOneLineError(Run("new a.pdb b.pdb"), "Wrong number of arguments");
    const ToolRun forced = Run("new --force notes.pdb");
    ASSERT_EQ(forced.status, 0) << forced.err;
    EXPECT_EQ(Info("notes.pdb")["records"].toInt(), 1);
    EXPECT_EQ(NewestVersion("notes.pdb"), before);
}

// When the earlier version cannot be kept, a command replaces nothing and says so.
TEST_F(QuillaryPdb, NoReplaceWithoutAVersion) {
    ASSERT_EQ(Run("new notes.pdb").status, 0);
    Write("raw.txt", "added|");
    const auto before = ReadBytes(P("notes.pdb"));
    Write(".quillary-versions", "a file where the folder belongs");
    for (const char* command :
         {"resave notes.pdb", "import notes.pdb --raw-text raw.txt", "new notes.pdb --force"}) {
        SCOPED_TRACE(command);
        ExpectOneLineError(Run(command), "not replaced");
        EXPECT_EQ(ReadBytes(P("notes.pdb")), before);
    }
    ExpectOnlyFiles({"notes.pdb", "raw.txt", ".quillary-versions"});
}

// restore and unarchive write a new file or replace a Palm database, nothing else.
TEST_F(QuillaryPdb, RestoreAndUnarchiveReplaceOnlyADatabase) {
    ASSERT_EQ(Run("new notes.pdb").status, 0);
    ASSERT_EQ(Run("resave notes.pdb").status, 0); // one version to restore
    ASSERT_EQ(Run("archive notes.pdb arch").status, 0);
    Write("letter.txt", "Dear ...");
    fs::create_directories(P("folder"));
    for (const char* out : {"letter.txt", "folder"}) {
        for (const std::string& command :
             {std::string("restore notes.pdb 1 ") + out, std::string("unarchive arch ") + out}) {
            SCOPED_TRACE(command);
            ExpectOneLineError(Run(command), out);
        }
    }
    const auto letter = ReadBytes(P("letter.txt"));
    EXPECT_EQ(std::string(letter.begin(), letter.end()), "Dear ...");
    EXPECT_TRUE(fs::is_empty(P("folder")));
    ASSERT_EQ(Run("unarchive arch new.pdb").status, 0);
    ASSERT_EQ(Run("restore notes.pdb 1 new2.pdb").status, 0);
    EXPECT_EQ(Info("new2.pdb")["records"].toInt(), 1);
}
