// SPDX-License-Identifier: GPL-3.0-or-later
// Our files read by other programs, and theirs read by us: Palm::PDB (libpalm-perl) for
// the database container, netpbm's pnmtopalm/palmtopnm for the scanline compression and
// pnmtopng/pngtopnm for PNG pictures, PIL and ImageMagick for .bmp files.

#include "ToolRunner.h"
#include "support/NotePictures.h"
#include "support/RequiredTools.h"

#include "storage/ByteOrder.h"
#include "storage/PngCodec.h"
#include "storage/clsBitmap.h"
#include "storage/clsDatabase.h"
#include "storage/clsInsertDatabase.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace {

class ExternalFormats : public ::testing::Test {
protected:
    void SetUp() override { dir = MakeTempDir("external"); }
    void TearDown() override { fs::remove_all(dir); }
    std::string P(const std::string& name) const { return dir + "/" + name; }
    std::string dir;
};

clsBitmap Sketch(int w, int h, unsigned seed) {
    clsBitmap b;
    b.InitializeBitmap(w, h, 1);
    std::mt19937 rng(seed);
    // Lines and noise: both repeated and changing rows.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((y % 7 == 0 && x % 3 != 0) || (x == y) || (y > h / 2 && (rng() % 5 == 0)))
                b.SetPixel(x, y, true);
    return b;
}

std::vector<unsigned char> Pbm(const clsBitmap& b) {
    std::ostringstream s;
    s << "P4\n" << b.Width() << " " << b.Height() << "\n";
    std::string out = s.str();
    const int line = (b.Width() + 7) / 8;
    for (int y = 0; y < b.Height(); ++y)
        out.append(reinterpret_cast<const char*>(b.Data().data()) +
                       size_t(y) * size_t(b.RowBytes()),
                   size_t(line));
    return std::vector<unsigned char>(out.begin(), out.end());
}

// Reads a raw PBM (P4) into a clsBitmap.
bool FromPbm(const std::vector<unsigned char>& pbm, clsBitmap& b) {
    std::string text(pbm.begin(), pbm.end());
    std::istringstream in(text);
    std::string magic;
    int w = 0, h = 0;
    in >> magic >> w >> h;
    if (magic != "P4" || w <= 0 || h <= 0)
        return false;
    in.get();
    const size_t at = size_t(in.tellg());
    const int line = (w + 7) / 8;
    if (pbm.size() < at + size_t(line * h))
        return false;
    b.InitializeBitmap(w, h, 1);
    for (int y = 0; y < h; ++y)
        std::copy_n(pbm.begin() + long(at) + long(y * line), line,
                    b.Data().begin() + long(y) * b.RowBytes());
    return true;
}

} // namespace

// Our PNG of a picture is never larger than netpbm's pnmtopng makes of the same pixels
// (its defaults: zlib at level 6), and pngtopnm reads the same pixels back.
TEST_F(ExternalFormats, PngsAreNoLargerThanPnmtopngMakes) {
    if (!HaveProgram("pnmtopng") || !HaveProgram("pngtopnm"))
        QUILLARY_GTEST_REQUIRE_OR_SKIP("netpbm (pnmtopng) is not installed");
    clsBitmap blank;
    blank.InitializeBitmap(500, 500, 1);
    using namespace quillary::test;
    struct Picture {
        const char* name;
        clsBitmap pixels;
        double slack; // what ours may exceed theirs by
    };
    // Shading repeats three bytes along a row: zlib's search finds a few bytes more.
    const Picture pictures[] = {
        {"strokes", Strokes(1, 12), 1},
        {"many strokes", Strokes(2, 40), 1},
        {"few strokes", Strokes(3, 2), 1},
        {"handwriting", Handwriting(4), 1},
        {"hatched", Hatched(), 1.02},
        {"blank", blank, 1},
        {"lines and noise", Sketch(160, 160, 5), 1},
        {"wide", Sketch(480, 90, 6), 1},
    };
    size_t oursTotal = 0, theirsTotal = 0;
    for (const auto& [name, pic, slack] : pictures) {
        SCOPED_TRACE(name);
        std::vector<uint8_t> ours;
        ASSERT_TRUE(quillary::PngCodec::Encode(pic, ours));
        WriteBytes(P("ours.png"), std::vector<unsigned char>(ours.begin(), ours.end()));
        WriteBytes(P("in.pbm"), Pbm(pic));
        const ToolRun r =
            RunTool("pnmtopng in.pbm > theirs.png && pngtopnm ours.png > back.pbm", dir);
        ASSERT_EQ(r.status, 0) << r.err;
        const size_t theirs = fs::file_size(P("theirs.png"));
        EXPECT_LE(double(ours.size()), slack * double(theirs));
        oursTotal += ours.size();
        theirsTotal += theirs;
        clsBitmap back;
        ASSERT_TRUE(FromPbm(ReadBytes(P("back.pbm")), back));
        EXPECT_TRUE(back == pic);
    }
    EXPECT_LT(oursTotal, theirsTotal);
}

TEST_F(ExternalFormats, ScanlineCompressionMatchesNetpbm) {
    if (!HaveProgram("pnmtopalm") || !HaveProgram("palmtopnm"))
        QUILLARY_GTEST_REQUIRE_OR_SKIP("netpbm is not installed");
    // Widths whose rows need a multiple of 4 bytes: netpbm pads rows to 2 bytes, we to 4.
    for (auto [w, h] : {std::pair{32, 1}, {64, 40}, {160, 160}, {480, 90}}) {
        const clsBitmap pic = Sketch(w, h, unsigned(w + h));
        std::vector<uint8_t> ours;
        pic.GetPalmBitmap(ours);

        // Theirs from the same pixels: 16-byte header, then a size word that counts itself,
        // then the rows, without our closing zero flag byte.
        WriteBytes(P("in.pbm"), Pbm(pic));
        const ToolRun r = RunTool("pnmtopalm -scanline_compression in.pbm > theirs.palm", dir);
        ASSERT_EQ(r.status, 0) << r.err;
        const auto theirs = ReadBytes(P("theirs.palm"));
        ASSERT_GT(theirs.size(), 18u);
        const size_t theirSize = quillary::ReadBE16(&theirs[16]);
        ASSERT_EQ(theirSize, theirs.size() - 16);
        std::vector<uint8_t> theirRows(theirs.begin() + 18, theirs.end());
        theirRows.push_back(0);
        EXPECT_EQ(std::vector<uint8_t>(ours.begin() + 18, ours.end()), theirRows) << w << "x" << h;
        EXPECT_EQ(std::vector<uint8_t>(ours.begin(), ours.begin() + 6),
                  std::vector<uint8_t>(theirs.begin(), theirs.begin() + 6));

        // Ours decoded by palmtopnm once the header says what netpbm expects.
        std::vector<unsigned char> adapted(ours.begin(), ours.end());
        quillary::WriteBE16(&adapted[6], 0x8000); // compressed
        adapted[8] = 1;                           // pixel size
        adapted[9] = 2;                           // version
        quillary::WriteBE16(&adapted[16], uint16_t(ours.size() - 16));
        WriteBytes(P("ours.palm"), adapted);
        const ToolRun back = RunTool("palmtopnm ours.palm > back.pbm", dir);
        ASSERT_EQ(back.status, 0) << back.err;
        clsBitmap decoded;
        ASSERT_TRUE(FromPbm(ReadBytes(P("back.pbm")), decoded));
        EXPECT_TRUE(decoded == pic) << w << "x" << h;

        // And theirs decoded by us once the size word is ours.
        std::vector<uint8_t> mine(theirs.begin(), theirs.end());
        quillary::WriteBE16(&mine[16], uint16_t(theirSize - 2));
        clsBitmap fromTheirs;
        std::string error;
        ASSERT_TRUE(fromTheirs.LoadPalmBitmap(mine, &error)) << error;
        EXPECT_TRUE(fromTheirs == pic);
    }
}

TEST_F(ExternalFormats, NetpbmTwoByteRowsDecode) {
    if (!HaveProgram("pnmtopalm"))
        QUILLARY_GTEST_REQUIRE_OR_SKIP("netpbm (pnmtopalm) is not installed");
    // netpbm pads rows to 2 bytes, as the handheld does: 136 pixels take 18 bytes, not 20.
    for (auto [w, h] : {std::pair{136, 30}, {9, 4}, {100, 33}, {250, 12}}) {
        const clsBitmap pic = Sketch(w, h, unsigned(w * h));
        WriteBytes(P("in.pbm"), Pbm(pic));
        const ToolRun r = RunTool("pnmtopalm -scanline_compression in.pbm > theirs.palm", dir);
        ASSERT_EQ(r.status, 0) << r.err;
        std::vector<uint8_t> theirs = ReadBytes(P("theirs.palm"));
        ASSERT_GT(theirs.size(), 18u);
        ASSERT_EQ(quillary::ReadBE16(&theirs[4]), uint16_t((w + 15) / 16 * 2));
        quillary::WriteBE16(&theirs[16], uint16_t(quillary::ReadBE16(&theirs[16]) - 2));
        clsBitmap decoded;
        std::string error;
        ASSERT_TRUE(decoded.LoadPalmBitmap(theirs, &error)) << w << "x" << h << ": " << error;
        EXPECT_TRUE(decoded == pic) << w << "x" << h;
    }
}

TEST_F(ExternalFormats, PalmPdbReadsOurDatabases) {
    if (!HavePalmPdb())
        QUILLARY_GTEST_REQUIRE_OR_SKIP("Palm::PDB (libpalm-perl) is not installed");
    clsDatabase db;
    db.AddNewDatabase();
    db.m_PalmFileName = "Perl check";
    for (int i = 0; i < 3; ++i) {
        db.AddNewRecord(i);
        db.GetRecordObject(i)->SetText("note " + std::to_string(i));
    }
    db.GetRecordObject(1)->attributes = 0x43;
    db.GetRecordObject(2)->UniqueID = 0x0A0B0C;
    ASSERT_TRUE(db.GetRecordObject(2)->SetBitmap(Sketch(500, 500, 1)));
    ASSERT_TRUE(db.ExportDatabase(P("notes.pdb")));

    const char* script =
        "my $p = Palm::PDB->new; $p->Load($ARGV[0]);"
        "print join('|', $p->{name}, $p->{type}, $p->{creator}, scalar(@{$p->{records}})), qq(\\n);"
        "for (@{$p->{records}}) { print join(' ', $_->{id}, $_->{category}, "
        "($_->{attributes}{dirty} ? 1 : 0), unpack('H*', $_->{data})), qq(\\n) }";
    const ToolRun r = RunTool(
        std::string("perl -MPalm::PDB -MPalm::Raw -e ") + ShellQuote(script) + " notes.pdb", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "Perl check|Not2|QLRY|3");
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(std::getline(lines, line));
        const clsQuillaryItem& item = *db.GetRecordObject(i);
        std::string hex;
        char buf[3];
        for (uint8_t b : item.RecordBytes()) {
            std::snprintf(buf, sizeof buf, "%02x", b);
            hex += buf;
        }
        const std::string expect = std::to_string(item.UniqueID) + " " +
                                   std::to_string(item.CategoryIndex()) + " " +
                                   (item.DirtyFlag() ? "1" : "0") + " " + hex;
        EXPECT_EQ(line, expect) << "record " << i;
    }

    clsInsertDatabase ins;
    ins.AddNewDatabase();
    ins.m_PalmFileName = "Greetings";
    ins.AddNewRecord(0);
    ins.GetRecordObject(0)->Title = "Hi";
    ins.GetRecordObject(0)->SetText("a\nb");
    ASSERT_TRUE(ins.ExportDatabase(P("ins.pdb")));
    const ToolRun ri = RunTool(
        std::string("perl -MPalm::PDB -MPalm::Raw -e ") + ShellQuote(script) + " ins.pdb", dir);
    ASSERT_EQ(ri.status, 0) << ri.err;
    EXPECT_EQ(ri.out, "Greetings|Inst|QLRY|1\n0 0 0 0000486900610a6200\n");
}

TEST_F(ExternalFormats, WeReadDatabasesPalmPdbWrites) {
    if (!HavePalmPdb())
        QUILLARY_GTEST_REQUIRE_OR_SKIP("Palm::PDB (libpalm-perl) is not installed");
    clsDatabase db;
    db.AddNewDatabase();
    db.AddNewRecord(0);
    db.GetRecordObject(0)->SetText("from perl");
    std::string hex;
    char buf[3];
    for (uint8_t b : db.GetRecordObject(0)->RecordBytes()) {
        std::snprintf(buf, sizeof buf, "%02x", b);
        hex += buf;
    }
    std::string appInfo;
    for (uint8_t b : db.AppInfo()) {
        std::snprintf(buf, sizeof buf, "%02x", b);
        appInfo += buf;
    }
    const std::string script =
        "my $p = Palm::Raw->new; $p->{name} = 'Written by perl'; $p->{type} = 'Not2';"
        "$p->{creator} = 'QLRY'; $p->{appinfo} = pack('H*', '" +
        appInfo +
        "');"
        "my $r = $p->append_Record(); $r->{data} = pack('H*', '" +
        hex +
        "');"
        "$r->{id} = 0x123456; $r->{category} = 2; $r->{attributes}{dirty} = 1;"
        "$p->Write('perl.pdb');";
    const ToolRun r = RunTool("perl -MPalm::PDB -MPalm::Raw -e " + ShellQuote(script), dir);
    ASSERT_EQ(r.status, 0) << r.err;
    clsDatabase back;
    back.SetFileName(P("perl.pdb"));
    std::string error;
    ASSERT_TRUE(back.OpenDatabase({}, &error)) << error;
    EXPECT_EQ(back.m_PalmFileName, "Written by perl");
    ASSERT_EQ(back.GetNumRecords(), 1);
    EXPECT_EQ(back.GetRecordObject(0)->Text(), "from perl");
    EXPECT_EQ(back.GetUniqueID(0), 0x123456u);
    EXPECT_EQ(back.GetCategoryIndex(0), 2);
    EXPECT_TRUE(back.GetRecordObject(0)->DirtyFlag());
    std::vector<std::string> cats;
    EXPECT_EQ(back.GetCategoryList(cats), 3);
}

// Every pixel of a .bmp we write, as PIL sees it: "1" for black, "0" for white, row by row.
static std::string Bits(const clsBitmap& pic) {
    std::string bits;
    for (int y = 0; y < pic.Height(); ++y)
        for (int x = 0; x < pic.Width(); ++x)
            bits += pic.GetPixel(x, y) ? '1' : '0';
    return bits;
}

TEST_F(ExternalFormats, PilReadsAndWritesBmpLikeUs) {
    if (!HavePil())
        QUILLARY_GTEST_REQUIRE_OR_SKIP("PIL (python3-pil) is not installed");
    // Widths with and without padding to the 4-byte row boundary.
    for (auto [w, h] : {std::pair{123, 45}, {32, 7}, {1, 1}}) {
        const clsBitmap pic = Sketch(w, h, unsigned(w));
        std::string error;
        ASSERT_TRUE(pic.SaveWinBmpFile(P("ours.bmp"), &error)) << error;
        const ToolRun r = RunTool(
            "/usr/bin/python3 -c \"from PIL import Image; im = Image.open('ours.bmp').convert('L');"
            "print(im.size[0], im.size[1]);"
            "print(''.join('1' if im.getpixel((x, y)) < 128 else '0'"
            " for y in range(im.size[1]) for x in range(im.size[0])))\"",
            dir);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, std::to_string(w) + " " + std::to_string(h) + "\n" + Bits(pic) + "\n")
            << w << "x" << h;
    }

    const clsBitmap pic = Sketch(70, 33, 4);
    WriteBytes(P("src.pbm"), Pbm(pic));
    const ToolRun r = RunTool("/usr/bin/python3 -c \"from PIL import Image; "
                              "Image.open('src.pbm').convert('1').save('pil.bmp')\"",
                              dir);
    ASSERT_EQ(r.status, 0) << r.err;
    clsBitmap b;
    std::string error;
    ASSERT_TRUE(b.LoadWinBmpFile(P("pil.bmp"), &error)) << error;
    EXPECT_TRUE(b == pic);
}

TEST_F(ExternalFormats, ImageMagickReadsAndWritesBmpLikeUs) {
    if (!HaveProgram("convert") || !HaveProgram("identify"))
        QUILLARY_GTEST_REQUIRE_OR_SKIP("ImageMagick is not installed");
    for (auto [w, h] : {std::pair{123, 45}, {32, 7}, {1, 1}}) {
        const clsBitmap pic = Sketch(w, h, unsigned(w));
        std::string error;
        ASSERT_TRUE(pic.SaveWinBmpFile(P("ours.bmp"), &error)) << error;
        ToolRun r = RunTool("identify -format '%w %h %m' ours.bmp", dir);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out.rfind(std::to_string(w) + " " + std::to_string(h) + " BMP", 0), 0u)
            << r.out;
        // Its pixels, as a raw PBM (1 = black).
        r = RunTool("convert ours.bmp pbm:back.pbm", dir);
        ASSERT_EQ(r.status, 0) << r.err;
        clsBitmap back;
        ASSERT_TRUE(FromPbm(ReadBytes(P("back.pbm")), back)) << w << "x" << h;
        EXPECT_TRUE(back == pic) << w << "x" << h;
    }

    const clsBitmap pic = Sketch(70, 33, 4);
    WriteBytes(P("src.pbm"), Pbm(pic));
    const ToolRun r = RunTool("convert src.pbm -type bilevel BMP3:im.bmp", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    clsBitmap b;
    std::string error;
    ASSERT_TRUE(b.LoadWinBmpFile(P("im.bmp"), &error)) << error;
    EXPECT_TRUE(b == pic);
    // A greyscale file is refused with the program's message.
    ASSERT_EQ(RunTool("convert src.pbm -type grayscale -depth 8 BMP3:grey.bmp", dir).status, 0);
    EXPECT_FALSE(b.LoadWinBmpFile(P("grey.bmp"), &error));
    EXPECT_NE(error.find("Bitdepth needs to be 1 (black and white)"), std::string::npos) << error;
}
