// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/clsBitmap.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include <unistd.h>

namespace {

std::vector<uint8_t> Hex(std::initializer_list<int> v) {
    return std::vector<uint8_t>(v.begin(), v.end());
}

std::vector<uint8_t> Tail(const std::vector<uint8_t>& v, size_t from) {
    return std::vector<uint8_t>(v.begin() + long(from), v.end());
}

clsBitmap Noise(int w, int h, unsigned seed) {
    clsBitmap b;
    b.InitializeBitmap(w, h, 1);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, rng() & 1);
    return b;
}

// The Palm encoding as another writer makes it, with rowBytes bytes per row (the
// handheld pads rows to 2 bytes): the picture's header, then rows compressed against the
// row above with any row layout.
std::vector<uint8_t> EncodeWithRowBytes(const clsBitmap& pic, size_t rowBytes) {
    std::vector<uint8_t> ours;
    pic.GetPalmBitmap(ours);
    std::vector<uint8_t> out(ours.begin(), ours.begin() + 16);
    out[4] = uint8_t(rowBytes >> 8);
    out[5] = uint8_t(rowBytes);
    const size_t used = size_t(pic.Width() + 7) / 8;
    std::vector<uint8_t> rows;
    std::vector<uint8_t> above(rowBytes, 0), row(rowBytes, 0);
    for (int y = 0; y < pic.Height(); ++y) {
        std::fill(row.begin(), row.end(), 0xA5); // padding bytes hold junk
        std::copy_n(pic.Data().begin() + long(y) * pic.RowBytes(), used, row.begin());
        if (pic.Width() % 8 != 0)
            row[used - 1] |=
                uint8_t(0xFF >> (pic.Width() % 8)); // and so do the bits past the width
        for (size_t g = 0; g < rowBytes; g += 8) {
            const size_t n = std::min<size_t>(8, rowBytes - g);
            uint8_t flag = 0;
            std::vector<uint8_t> literals;
            for (size_t i = 0; i < n; ++i)
                if (y == 0 || row[g + i] != above[g + i]) {
                    flag |= uint8_t(0x80 >> i);
                    literals.push_back(row[g + i]);
                }
            rows.push_back(flag);
            rows.insert(rows.end(), literals.begin(), literals.end());
        }
        above = row;
    }
    out.push_back(uint8_t(rows.size() >> 8));
    out.push_back(uint8_t(rows.size()));
    out.insert(out.end(), rows.begin(), rows.end());
    return out;
}

} // namespace

TEST(clsBitmap, RowBytesRoundUpToWholeWords) {
    const std::pair<int, int> cases[] = {{500, 64}, {160, 20}, {100, 16}, {1, 4}, {32, 4}, {33, 8}};
    for (auto [w, rb] : cases) {
        clsBitmap b;
        b.InitializeBitmap(w, 3, 1);
        EXPECT_EQ(b.RowBytes(), rb) << "width " << w;
        EXPECT_EQ(b.Data().size(), size_t(rb) * 3);
    }
    clsBitmap fresh;
    EXPECT_EQ(fresh.Width(), 100);
    EXPECT_EQ(fresh.Height(), 100);
    EXPECT_EQ(fresh.Depth(), 1);
}

TEST(clsBitmap, PixelBitsAreMsbFirstAndSetMeansBlack) {
    clsBitmap b;
    b.InitializeBitmap(16, 2, 1);
    b.SetPixel(0, 0, true);
    b.SetPixel(9, 1, true);
    EXPECT_EQ(b.Data()[0], 0x80);
    EXPECT_EQ(b.Data()[4 + 1], 0x40);
    EXPECT_TRUE(b.GetPixel(9, 1));
    b.SetPixel(9, 1, false);
    EXPECT_FALSE(b.GetPixel(9, 1));
    // Outside the picture: reads white, writes nothing.
    b.SetPixel(16, 0, true);
    b.SetPixel(-1, 0, true);
    EXPECT_FALSE(b.GetPixel(16, 0));
    EXPECT_EQ(b.Data()[0], 0x80);
}

TEST(clsBitmap, BlankPictureEncoding) {
    clsBitmap b;
    b.InitializeBitmap(500, 500, 1);
    EXPECT_EQ(b.Data().size(), 32000u);
    std::vector<uint8_t> out;
    b.GetPalmBitmap(out);
    ASSERT_EQ(out.size(), 4083u);
    EXPECT_EQ(out[16], 0x0F);
    EXPECT_EQ(out[17], 0xE1);
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 8),
              Hex({0x01, 0xF4, 0x01, 0xF4, 0x00, 0x40, 0x00, 0x01}));
    EXPECT_EQ(b.PalmDataSize(), 4065u);
    for (int i = 8; i < 16; ++i)
        EXPECT_EQ(out[size_t(i)], 0);
    EXPECT_EQ(out[18], 0xFF);
    EXPECT_EQ(out.back(), 0);
}

TEST(clsBitmap, SinglePixelEncoding) {
    clsBitmap b;
    b.InitializeBitmap(16, 2, 1);
    b.SetPixel(0, 0, true);
    std::vector<uint8_t> out;
    b.GetPalmBitmap(out);
    EXPECT_EQ(Tail(out, 16), Hex({0x00, 0x08, 0xF0, 0x80, 0, 0, 0, 0x80, 0x00, 0x00}));
}

TEST(clsBitmap, NoiseStaysCompressedAndRoundTrips) {
    clsBitmap b = Noise(500, 500, 7);
    std::vector<uint8_t> out;
    b.GetPalmBitmap(out);
    EXPECT_EQ(out[7], 1) << "always the compressed form";
    EXPECT_GT(out.size(), b.Data().size());
    EXPECT_EQ(size_t(out[16]) * 256 + out[17], out.size() - 18);
    EXPECT_EQ(b.PalmDataSize(), out.size() - 18);
    clsBitmap back;
    ASSERT_TRUE(back.LoadPalmBitmap(out));
    EXPECT_TRUE(back == b);
    EXPECT_TRUE(clsBitmap::CheckPalmBitmap(out.data(), out.size()));
}

TEST(clsBitmap, OddSizesRoundTrip) {
    for (auto [w, h] : {std::pair{1, 1}, {7, 3}, {33, 40}, {100, 1}, {257, 9}}) {
        clsBitmap b = Noise(w, h, unsigned(w * 31 + h));
        std::vector<uint8_t> out;
        b.GetPalmBitmap(out);
        clsBitmap back;
        ASSERT_TRUE(back.LoadPalmBitmap(out)) << w << "x" << h;
        EXPECT_TRUE(back == b) << w << "x" << h;
        std::vector<uint8_t> again;
        back.GetPalmBitmap(again);
        EXPECT_EQ(again, out);
    }
}

TEST(clsBitmap, OtherWritersRowBytesDecode) {
    // 136 pixels: 17 bytes of pixels, 18 as the handheld pads, 20 as we write.
    const std::pair<int, size_t> cases[] = {{136, 18}, {136, 17}, {136, 24}, {9, 2},
                                            {9, 3},    {100, 14}, {33, 5},   {64, 10}};
    for (auto [w, rb] : cases) {
        const clsBitmap pic = Noise(w, 21, unsigned(w * 100 + rb));
        const std::vector<uint8_t> theirs = EncodeWithRowBytes(pic, rb);
        clsBitmap b;
        std::string error;
        ASSERT_TRUE(clsBitmap::CheckPalmBitmap(theirs.data(), theirs.size(), &error))
            << w << "/" << rb << ": " << error;
        ASSERT_TRUE(b.LoadPalmBitmap(theirs, &error)) << w << "/" << rb << ": " << error;
        EXPECT_TRUE(b == pic) << w << "/" << rb;
        EXPECT_EQ(b.RowBytes(), clsBitmap::RoundUpRowBytes(w, 1));
        // Written back with our own row layout, and read again the same.
        std::vector<uint8_t> again;
        b.GetPalmBitmap(again);
        EXPECT_EQ(size_t((again[4] << 8) | again[5]), size_t(clsBitmap::RoundUpRowBytes(w, 1)));
        clsBitmap c;
        ASSERT_TRUE(c.LoadPalmBitmap(again, &error)) << error;
        EXPECT_TRUE(c == pic);
    }
    // Rows shorter than the width's pixels cannot be decoded.
    const clsBitmap pic = Noise(9, 3, 1);
    std::vector<uint8_t> shortRows = EncodeWithRowBytes(pic, 2);
    shortRows[5] = 1;
    clsBitmap b;
    std::string error;
    EXPECT_FALSE(b.LoadPalmBitmap(shortRows, &error));
    EXPECT_NE(error.find("at least 2"), std::string::npos) << error;
}

TEST(clsBitmap, BadPalmEncodingsAreRefused) {
    clsBitmap good;
    good.InitializeBitmap(64, 4, 1);
    good.SetPixel(3, 3, true);
    std::vector<uint8_t> enc;
    good.GetPalmBitmap(enc);

    struct Case {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> damage;
        const char* expect;
    };
    const Case cases[] = {
        {"short header", [](auto& v) { v.resize(10); }, "cut short"},
        {"zero width", [](auto& v) { v[0] = v[1] = 0; }, "may be 0"},
        {"zero height", [](auto& v) { v[2] = v[3] = 0; }, "may be 0"},
        {"zero row bytes", [](auto& v) { v[4] = v[5] = 0; }, "may be 0"},
        {"rows too short for the width", [](auto& v) { v[5] = 7; }, "row bytes 7"},
        {"size word too big", [](auto& v) { v[16] = 0x7F; }, "larger than"},
        {"stream runs out",
         [](auto& v) {
             v.resize(v.size() - 3);
             v[17] = uint8_t(v.size() - 18);
         },
         "ends early"},
        {"all literal flags",
         [](auto& v) {
             for (size_t i = 18; i < v.size(); ++i)
                 v[i] = 0xFF;
         },
         "ends early"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = enc;
        c.damage(bad);
        clsBitmap b;
        b.SetPixel(1, 1, true);
        const clsBitmap before = b;
        std::string error;
        EXPECT_FALSE(b.LoadPalmBitmap(bad, &error)) << c.name;
        EXPECT_NE(error.find(c.expect), std::string::npos) << c.name << ": " << error;
        EXPECT_TRUE(b == before) << c.name;
        std::string checkError;
        EXPECT_FALSE(clsBitmap::CheckPalmBitmap(bad.data(), bad.size(), &checkError)) << c.name;
        EXPECT_EQ(checkError, error);
    }
}

TEST(clsBitmap, WinBmpLayoutAndRoundTrip) {
    clsBitmap b;
    b.InitializeBitmap(16, 2, 1);
    b.SetPixel(0, 0, true);
    const std::vector<uint8_t> bmp = b.GetWinBmp();
    ASSERT_EQ(bmp.size(), 62u + 8);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(bmp[2], 70);
    EXPECT_EQ(bmp[10], 62);
    EXPECT_EQ(bmp[14], 40);
    EXPECT_EQ(bmp[28], 1);
    EXPECT_EQ(bmp[34], 8);
    EXPECT_EQ(bmp[38] + bmp[39] * 256, 3780);
    EXPECT_EQ(Tail(bmp, 54), Hex({0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0xFF, 0xFF,
                                  0x7F, 0xFF, 0xFF, 0xFF}));
    clsBitmap back;
    ASSERT_TRUE(back.LoadWinBmp(bmp.data(), bmp.size()));
    EXPECT_TRUE(back == b);

    clsBitmap noise = Noise(123, 45, 3);
    const auto nb = noise.GetWinBmp();
    ASSERT_TRUE(back.LoadWinBmp(nb.data(), nb.size()));
    EXPECT_TRUE(back == noise);
}

TEST(clsBitmap, BmpWithWhiteFirstPaletteIsNotInverted) {
    clsBitmap b;
    b.InitializeBitmap(32, 1, 1);
    b.SetPixel(0, 0, true);
    std::vector<uint8_t> bmp = b.GetWinBmp();
    // Swap the palette and the pixel sense.
    for (int i = 0; i < 3; ++i) {
        bmp[size_t(54 + i)] = 0xFF;
        bmp[size_t(58 + i)] = 0;
    }
    for (size_t i = 62; i < bmp.size(); ++i)
        bmp[i] = uint8_t(~bmp[i]);
    clsBitmap back;
    ASSERT_TRUE(back.LoadWinBmp(bmp.data(), bmp.size()));
    EXPECT_TRUE(back == b);
}

TEST(clsBitmap, BadBmpFilesAreRefused) {
    clsBitmap small;
    small.InitializeBitmap(40, 10, 1);
    const std::vector<uint8_t> good = small.GetWinBmp();
    auto put32 = [](std::vector<uint8_t>& v, size_t at, uint32_t x) {
        for (int i = 0; i < 4; ++i)
            v[at + size_t(i)] = uint8_t(x >> (8 * i));
    };
    struct Case {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> damage;
        const char* expect;
    };
    const Case cases[] = {
        {"empty", [](auto& v) { v.clear(); }, "cut short"},
        {"truncated header", [](auto& v) { v.resize(30); }, "cut short"},
        {"truncated pixels", [](auto& v) { v.resize(v.size() - 1); }, "cut short"},
        {"not bmp", [](auto& v) { v[0] = 'X'; }, "not a Windows bitmap"},
        {"8 bit", [](auto& v) { v[28] = 8; }, "Bitdepth needs to be 1 (black and white)"},
        {"compressed", [&](auto& v) { put32(v, 30, 1); }, "compressed"},
        {"top-down", [&](auto& v) { put32(v, 22, uint32_t(-10)); }, "top-down"},
        {"zero width", [&](auto& v) { put32(v, 18, 0); }, "0 x 10"},
        {"huge", [&](auto& v) { put32(v, 18, 0x7FFFFFFF); put32(v, 22, 0x7FFFFFFF); }, "more than"},
        {"big but in range", [&](auto& v) { put32(v, 18, 32000); put32(v, 22, 32000); }, "cut short"},
        {"pixel offset in header", [&](auto& v) { put32(v, 10, 20); }, "points into its header"},
        {"bad header size", [&](auto& v) { put32(v, 14, 12); }, "header"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = good;
        c.damage(bad);
        clsBitmap b;
        b.SetPixel(5, 5, true);
        const clsBitmap before = b;
        std::string error;
        EXPECT_FALSE(b.LoadWinBmp(bad.data(), bad.size(), &error)) << c.name;
        EXPECT_NE(error.find(c.expect), std::string::npos) << c.name << ": " << error;
        EXPECT_TRUE(b == before) << c.name;
    }
}

TEST(clsBitmap, BmpFilesNameThePath) {
    const std::string dir = ::testing::TempDir();
    const std::string path = dir + "/quillary_tst_bitmap_" + std::to_string(::getpid()) + ".bmp";
    clsBitmap b = Noise(70, 20, 9);
    std::string error;
    ASSERT_TRUE(b.SaveWinBmpFile(path, &error)) << error;
    clsBitmap back;
    ASSERT_TRUE(back.LoadWinBmpFile(path, &error)) << error;
    EXPECT_TRUE(back == b);
    std::remove(path.c_str());
    EXPECT_FALSE(back.LoadWinBmpFile(path, &error));
    EXPECT_NE(error.find(path), std::string::npos);
    EXPECT_FALSE(b.SaveWinBmpFile("/nonexistent-folder/x.bmp", &error));
    EXPECT_EQ(error.rfind("Failed to export bitmap!", 0), 0u) << error;
}

TEST(clsBitmap, ResizeKeepsPixelsAndClearsNewArea) {
    clsBitmap b;
    b.InitializeBitmap(40, 4, 1);
    b.SetPixel(39, 3, true);
    b.SetPixel(2, 1, true);
    b.SetWidth(20);
    EXPECT_EQ(b.RowBytes(), 4);
    EXPECT_TRUE(b.GetPixel(2, 1));
    b.SetWidth(40);
    EXPECT_FALSE(b.GetPixel(39, 3)) << "cut pixels do not come back";
    b.SetPixel(25, 3, true);
    b.SetWidth(30); // same row bytes: bits past the width are cleared
    b.SetWidth(32);
    EXPECT_FALSE(b.GetPixel(30, 3));
    EXPECT_TRUE(b.GetPixel(25, 3));
    b.SetHeight(6);
    EXPECT_EQ(b.Data().size(), 24u);
    EXPECT_TRUE(b.GetPixel(25, 3));
    EXPECT_FALSE(b.GetPixel(25, 5));
    b.SetHeight(0);
    EXPECT_EQ(b.Height(), 1);
}

TEST(clsBitmap, ClippingStopsAtTheLastPixelOrAtOne) {
    clsBitmap b;
    b.InitializeBitmap(500, 500, 1);
    b.SetPixel(99, 10, true);
    b.SetPixel(5, 199, true);
    b.RightClip();
    EXPECT_EQ(b.Width(), 100);
    b.BottomClip();
    EXPECT_EQ(b.Height(), 200);
    EXPECT_TRUE(b.GetPixel(99, 10));

    clsBitmap blank;
    blank.InitializeBitmap(300, 300, 1);
    blank.RightClip();
    blank.BottomClip();
    EXPECT_EQ(blank.Width(), 1);
    EXPECT_EQ(blank.Height(), 1);
}
