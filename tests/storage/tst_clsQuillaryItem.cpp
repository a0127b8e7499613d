// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/clsBitmap.h"
#include "storage/clsQuillaryItem.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>

#include <unistd.h>

namespace {

std::vector<uint8_t> Slice(const std::vector<uint8_t>& v, size_t from, size_t n) {
    return std::vector<uint8_t>(v.begin() + long(from), v.begin() + long(from + n));
}

clsQuillaryItem NewNote(const std::string& title = "3/14/26 4:07 pm - ") {
    clsQuillaryItem item;
    item.FillDefaultItemStruct(title);
    return item;
}

std::string TempPath(const std::string& name) {
    return ::testing::TempDir() + "/quillary_item_" + std::to_string(::getpid()) + "_" + name;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace

TEST(clsQuillaryItem, NewNoteRecordLayout) {
    clsQuillaryItem item = NewNote();
    const auto& r = item.RecordBytes();
    ASSERT_EQ(r.size(), 6097u);
    EXPECT_EQ(item.BytesSize(), 6105);
    EXPECT_EQ(r[0], 0);
    EXPECT_EQ(r[1], 1);
    const std::string title = "3/14/26 4:07 pm - ";
    EXPECT_EQ(std::string(r.begin() + 2, r.begin() + 2 + long(title.size())), title);
    EXPECT_EQ(r[2 + title.size()], 0);
    EXPECT_EQ(Slice(r, 2002, 12), std::vector<uint8_t>(12, 0));
    EXPECT_EQ(item.BitmapDataSize(), 4065);
    clsBitmap pic;
    ASSERT_TRUE(item.GetBitmap(pic));
    EXPECT_EQ(pic.Width(), 500);
    EXPECT_EQ(pic.Height(), 500);
    EXPECT_EQ(item.attributes, 0);
    EXPECT_EQ(item.UniqueID, 0u);
}

// DefaultTitle at a chosen local time of day: the time zone is set so that the clock
// reads hour:minute now. Returns "" if the minute turned meanwhile (the caller tries again).
std::string DefaultTitleAt(int hour, int minute) {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    int east = (hour * 60 + minute - (utc.tm_hour * 60 + utc.tm_min)) % 1440;
    if (east < 0)
        east += 1440;
    if (east > 720)
        east -= 1440;
    // POSIX time zones count westwards: "QLT-05:30" is 5 h 30 min east of UTC.
    char zone[32];
    std::snprintf(zone, sizeof zone, "QLT%c%02d:%02d", east > 0 ? '-' : '+', std::abs(east) / 60,
                  std::abs(east) % 60);
    const char* saved = std::getenv("TZ");
    const std::string old = saved ? saved : "";
    setenv("TZ", zone, 1);
    tzset();
    const std::string title = clsQuillaryItem::DefaultTitle();
    if (saved)
        setenv("TZ", old.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    std::tm after{};
    const std::time_t later = std::time(nullptr);
    gmtime_r(&later, &after);
    return after.tm_min == utc.tm_min && after.tm_hour == utc.tm_hour ? title : std::string();
}

TEST(clsQuillaryItem, DefaultTitleUsesTheTwelveHourClock) {
    // The C library's "C" locale: date as MM/DD/YY, then H:MM and am/pm, lower-cased.
    const std::pair<std::pair<int, int>, const char*> cases[] = {
        {{0, 5}, " 12:05 am - "}, {{9, 41}, " 9:41 am - "},   {{12, 0}, " 12:00 pm - "},
        {{16, 7}, " 4:07 pm - "}, {{23, 59}, " 11:59 pm - "},
    };
    for (const auto& [time, ending] : cases) {
        std::string title;
        for (int attempt = 0; attempt < 3 && title.empty(); ++attempt)
            title = DefaultTitleAt(time.first, time.second);
        ASSERT_FALSE(title.empty());
        const std::string e = ending;
        ASSERT_EQ(title.size(), 8 + e.size()) << title;
        EXPECT_EQ(title.substr(8), e) << title;
        for (size_t i : {0, 1, 3, 4, 6, 7})
            EXPECT_TRUE(title[i] >= '0' && title[i] <= '9') << title;
        EXPECT_EQ(title[2], '/') << title;
        EXPECT_EQ(title[5], '/') << title;
    }
}

TEST(clsQuillaryItem, TextLineEndsAndLimits) {
    struct Case {
        std::string set;
        std::vector<uint8_t> stored; // from offset 2, up to and including the NUL
        std::string get;
    };
    const Case cases[] = {
        {"a\r\nb", {'a', '\n', 'b', 0}, "a\r\nb"},
        {"a\rb", {'a', 'b', 0}, "ab"},
        {"x\n\ny", {'x', '\n', '\n', 'y', 0}, "x\r\n\r\ny"},
        {"", {0}, ""},
    };
    for (const Case& c : cases) {
        clsQuillaryItem item = NewNote();
        item.SetText(c.set);
        EXPECT_EQ(Slice(item.RecordBytes(), 2, c.stored.size()), c.stored) << c.set;
        EXPECT_EQ(item.Text(), c.get);
    }
    clsQuillaryItem item = NewNote();
    item.SetText(std::string(3000, 'q'));
    EXPECT_EQ(item.RecordBytes()[2000], 'q');
    EXPECT_EQ(item.RecordBytes()[2001], 0);
    // Exactly what a save writes: a longer Text() looked whole until the note was read
    // again, and the rest was lost at Save without a word.
    EXPECT_EQ(item.Text(), std::string(1999, 'q'));
    EXPECT_EQ(item.RecordBytes().size(), 6097u);
}

TEST(clsQuillaryItem, ShorterTextKeepsOldBytesAfterTheNul) {
    clsQuillaryItem item = NewNote();
    item.SetText("abcdef");
    item.SetText("xy");
    EXPECT_EQ(Slice(item.RecordBytes(), 2, 6), (std::vector<uint8_t>{'x', 'y', 0, 'd', 'e', 'f'}));
    EXPECT_EQ(item.Text(), "xy");
}

TEST(clsQuillaryItem, ReadInItemTakesItsLengthFromTheSizeWord) {
    clsQuillaryItem note = NewNote();
    note.SetText(std::string(2500, 'z')); // record keeps 1999
    std::vector<uint8_t> file(10, 0xAA);
    note.WriteOutItem(file);
    file.insert(file.end(), 5, 0xBB); // bytes of whatever follows
    clsQuillaryItem back;
    std::string error;
    ASSERT_TRUE(back.ReadInItem(file.data(), file.size(), 10, &error)) << error;
    EXPECT_EQ(back.RecordBytes(), note.RecordBytes());
    EXPECT_EQ(back.Text(), std::string(1999, 'z'));

    // S = 0: a 2032-byte record whose picture data is just the 18-byte prefix.
    std::vector<uint8_t> bare(2032, 0);
    ASSERT_TRUE(back.ReadInItem(bare.data(), bare.size(), 0, &error));
    std::vector<uint8_t> pic;
    back.GetBitmapData(pic);
    EXPECT_EQ(pic.size(), 18u);

    // Text area without any NUL: 2000 characters.
    std::vector<uint8_t> full(2032, 'k');
    full[2030] = full[2031] = 0;
    ASSERT_TRUE(back.ReadInItem(full.data(), full.size(), 0, &error));
    EXPECT_EQ(back.RawText().size(), 2000u);
}

TEST(clsQuillaryItem, ReadInItemRefusesRecordsPastTheEnd) {
    clsQuillaryItem note = NewNote();
    std::vector<uint8_t> file;
    note.WriteOutItem(file);
    clsQuillaryItem back = NewNote("keep");
    const auto before = back.RecordBytes();
    std::string error;
    EXPECT_FALSE(back.ReadInItem(file.data(), 2000, 0, &error));
    EXPECT_NE(error.find("cut short"), std::string::npos) << error;
    EXPECT_FALSE(back.ReadInItem(file.data(), file.size() - 1, 0, &error));
    EXPECT_NE(error.find("picture data size of 4065"), std::string::npos) << error;
    EXPECT_FALSE(back.ReadInItem(file.data(), file.size(), file.size() + 5, &error));
    EXPECT_EQ(back.RecordBytes(), before);
    // The size word is unsigned: 0x8000 and more are sizes, not negative numbers.
    std::vector<uint8_t> big(2032 + 0x9000, 0);
    big[2030] = 0x90;
    ASSERT_TRUE(back.ReadInItem(big.data(), big.size(), 0, &error)) << error;
    EXPECT_EQ(back.BitmapDataSize(), 0x9000);
}

TEST(clsQuillaryItem, PicturesThatDoNotFitARecordAreRefused) {
    clsQuillaryItem item = NewNote();
    const auto before = item.RecordBytes();
    // 2000 x 250 noise compresses to about 250 * (252 + 32): far beyond one record.
    clsBitmap huge;
    huge.InitializeBitmap(2000, 250, 1);
    for (int y = 0; y < 250; ++y)
        for (int x = 0; x < 2000; ++x)
            huge.SetPixel(x, y, ((x * 7 + y * 13) ^ (x >> 2)) % 3 == 0);
    std::string error;
    EXPECT_FALSE(item.SetBitmap(huge, &error));
    EXPECT_NE(error.find("at most 63503"), std::string::npos) << error;
    EXPECT_EQ(item.RecordBytes(), before);

    // Exactly at the limit is fine, one more is not.
    std::vector<uint8_t> enc(18 + clsQuillaryItem::kMaxPictureData, 0);
    enc[16] = uint8_t(clsQuillaryItem::kMaxPictureData >> 8);
    enc[17] = uint8_t(clsQuillaryItem::kMaxPictureData);
    ASSERT_TRUE(item.SetBitmapData(enc, &error)) << error;
    EXPECT_EQ(item.RecordBytes().size(), clsQuillaryItem::kMaxRecordBytes);
    enc.push_back(0);
    enc[17] = uint8_t(enc[17] + 1);
    EXPECT_FALSE(item.SetBitmapData(enc, &error));
    // A size word that disagrees with the length (the old uncompressed form) is refused.
    std::vector<uint8_t> raw(16 + 64, 0);
    EXPECT_FALSE(item.SetBitmapData(raw, &error));
    EXPECT_NE(error.find("size word"), std::string::npos);
}

TEST(clsQuillaryItem, PictureRoundTripsThroughTheRecord) {
    clsQuillaryItem item = NewNote();
    clsBitmap pic;
    pic.InitializeBitmap(160, 160, 1);
    for (int i = 0; i < 160; ++i)
        pic.SetPixel(i, (i * i) % 160, true);
    ASSERT_TRUE(item.SetBitmap(pic));
    EXPECT_EQ(item.RecordBytes().size(), 2032u + item.BitmapDataSize());
    clsBitmap back;
    ASSERT_TRUE(item.GetBitmap(back));
    EXPECT_TRUE(back == pic);
}

TEST(clsQuillaryItem, DirtyFlagTouchesOnlyItsBit) {
    clsQuillaryItem item;
    item.attributes = 0x05;
    item.SetDirtyFlag(true);
    EXPECT_EQ(item.attributes, 0x45);
    EXPECT_TRUE(item.DirtyFlag());
    item.SetDirtyFlag(false);
    EXPECT_EQ(item.attributes, 0x05);
}

TEST(clsQuillaryItem, LFtoCRLF) {
    std::string out;
    EXPECT_EQ(clsQuillaryItem::LFtoCRLF("a\nb\r\n", out), 7u);
    EXPECT_EQ(out, "a\r\nb\r\r\n");
}

TEST(clsQuillaryItem, WriteTextDataImage) {
    clsQuillaryItem item = NewNote();
    item.SetText("a\nb");
    std::vector<uint8_t> out;
    item.WriteTextDataImage(out);
    EXPECT_EQ(out, (std::vector<uint8_t>{'a', '\n', 'b', 0}));
}

TEST(clsQuillaryItem, ImportNoteItemFromFiles) {
    const std::string txt = TempPath("text.txt");
    const std::string bmp = TempPath("pic.bmp");
    WriteFile(txt, "line one\r\nline two");
    clsBitmap pic;
    pic.InitializeBitmap(64, 10, 1);
    pic.SetPixel(3, 4, true);
    ASSERT_TRUE(pic.SaveWinBmpFile(bmp));

    clsQuillaryItem item = NewNote();
    std::vector<std::string> messages;
    EXPECT_TRUE(item.ImportNoteItem(txt, bmp, &messages));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(item.Text(), "line one\r\nline two");
    clsBitmap back;
    ASSERT_TRUE(item.GetBitmap(back));
    EXPECT_TRUE(back == pic);

    // Missing picture: the documented message, the picture stays.
    const auto pictureBefore = item.RecordBytes();
    EXPECT_FALSE(item.ImportNoteItem(txt, TempPath("missing.bmp"), &messages));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], TempPath("missing.bmp") +
                               " not found.\r\nImport Aborted: the picture was not changed.");
    EXPECT_EQ(item.RecordBytes(), pictureBefore);

    // An 8-bit .bmp: reported, picture kept (not replaced by a blank one).
    std::vector<uint8_t> eight = pic.GetWinBmp();
    eight[28] = 8;
    WriteFile(bmp, std::string(eight.begin(), eight.end()));
    messages.clear();
    EXPECT_FALSE(item.ImportNoteItem("", bmp, &messages));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("Bitdepth needs to be 1 (black and white)"), std::string::npos);
    EXPECT_EQ(item.RecordBytes(), pictureBefore);

    // A folder named as the text file.
    messages.clear();
    item.ImportNoteItem(::testing::TempDir(), "", &messages);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("folder"), std::string::npos);
    std::remove(txt.c_str());
    std::remove(bmp.c_str());
}

// Undo histories are keyed by the serial: no two note objects may ever share one, not even
// a note made where a freed one stood, nor copies (which share UniqueID 0 when new).
TEST(clsQuillaryItem, SerialNumbersAreNeverShared) {
    alignas(clsQuillaryItem) unsigned char place[sizeof(clsQuillaryItem)];
    auto* first = new (place) clsQuillaryItem(NewNote());
    const uint64_t firstSerial = first->Serial();
    first->~clsQuillaryItem();
    auto* second = new (place) clsQuillaryItem(NewNote());
    EXPECT_NE(second->Serial(), firstSerial);

    const clsQuillaryItem copy(*second);
    EXPECT_NE(copy.Serial(), second->Serial());
    clsQuillaryItem assigned;
    const uint64_t before = assigned.Serial();
    assigned = copy;
    EXPECT_NE(assigned.Serial(), before);
    EXPECT_NE(assigned.Serial(), copy.Serial());
    EXPECT_EQ(assigned.UniqueID, copy.UniqueID);
    second->~clsQuillaryItem();
}
