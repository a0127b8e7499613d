// SPDX-License-Identifier: GPL-3.0-or-later
// The PNG codec of note pictures: what it writes reads back, and what it reads never
// inflates more than the header's width and height need.

#include "storage/ByteOrder.h"
#include "storage/PngCodec.h"
#include "storage/RowDeflate.h"
#include "storage/clsBitmap.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using quillary::PngCodec;
using quillary::RowDeflate;

namespace {

void PutBE32(std::vector<uint8_t>& out, uint32_t v) {
    const uint8_t be[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
    out.insert(out.end(), be, be + 4);
}

void Chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
    PutBE32(png, uint32_t(data.size()));
    const size_t at = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    PutBE32(png, PngCodec::Crc32(png.data() + at, png.size() - at));
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& raw) {
    uLongf size = compressBound(uLong(raw.size()));
    std::vector<uint8_t> out(size);
    EXPECT_EQ(compress2(out.data(), &size, raw.data(), uLong(raw.size()), 9), Z_OK);
    out.resize(size);
    return out;
}

// A PNG as another program might write it: any header, any image data (split over
// idatChunks IDAT chunks).
std::vector<uint8_t> MakePng(uint32_t w, uint32_t h, int depth, int colour, int interlace,
                             const std::vector<uint8_t>& raw, int idatChunks = 1) {
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    std::vector<uint8_t> ihdr;
    PutBE32(ihdr, w);
    PutBE32(ihdr, h);
    ihdr.insert(ihdr.end(), {uint8_t(depth), uint8_t(colour), 0, 0, uint8_t(interlace)});
    Chunk(png, "IHDR", ihdr);
    const std::vector<uint8_t> z = Deflate(raw);
    const size_t part = z.size() / size_t(idatChunks) + 1;
    for (size_t at = 0; at < z.size(); at += part)
        Chunk(png, "IDAT",
              std::vector<uint8_t>(z.begin() + std::ptrdiff_t(at),
                                   z.begin() + std::ptrdiff_t(std::min(z.size(), at + part))));
    Chunk(png, "IEND", {});
    return png;
}

clsBitmap Picture(int w, int h) {
    clsBitmap b;
    b.InitializeBitmap(w, h, 1);
    for (int i = 0; i < std::min(w, h); ++i)
        b.SetPixel(i, i, true);
    b.SetPixel(w - 1, 0, true);
    return b;
}

} // namespace

TEST(PngCodec, WhatItWritesReadsBack) {
    for (const auto& [w, h] :
         std::vector<std::pair<int, int>>{{1, 1}, {8, 8}, {9, 3}, {160, 37}, {500, 500}}) {
        const clsBitmap picture = Picture(w, h);
        std::vector<uint8_t> png;
        std::string why;
        ASSERT_TRUE(PngCodec::Encode(picture, png, &why)) << why;
        clsBitmap back;
        ASSERT_EQ(PngCodec::Decode(png.data(), png.size(), back, &why), PngCodec::Result::Decoded)
            << w << "x" << h << ": " << why;
        EXPECT_TRUE(back == picture) << w << "x" << h;
    }
}

TEST(PngCodec, ReadingIsBoundedByTheHeader) {
    // 8 x 8 at 1 bit: 8 rows of a filter byte and one byte of pixels.
    const std::vector<uint8_t> exact(16, 0);
    std::vector<uint8_t> oneMore = exact;
    oneMore.push_back(0);
    const std::vector<uint8_t> bomb(size_t(64) << 20, 0); // 64 MiB of zeros, 64 KB deflated
    std::vector<uint8_t> filtered = exact;
    filtered[2] = 1;
    struct Case {
        const char* name;
        std::vector<uint8_t> png;
        PngCodec::Result result;
        std::string why; // part of the reason given
    };
    const Case cases[] = {
        {"exact", MakePng(8, 8, 1, 0, 0, exact, 3), PngCodec::Result::Decoded, ""},
        {"one byte past", MakePng(8, 8, 1, 0, 0, oneMore), PngCodec::Result::Refused,
         "holds more image data than a picture of 8 × 8 pixels needs"},
        {"bomb", MakePng(8, 8, 1, 0, 0, bomb, 4), PngCodec::Result::Refused,
         "holds more image data"},
        {"bomb of another kind", MakePng(8, 8, 8, 2, 0, bomb), PngCodec::Result::Refused,
         "holds more image data"},
        {"interlaced bomb", MakePng(8, 8, 1, 0, 1, bomb), PngCodec::Result::Refused,
         "holds more image data"},
        {"cut short", MakePng(8, 8, 1, 0, 0, std::vector<uint8_t>(15, 0)),
         PngCodec::Result::Refused, "cut short"},
        {"colour", MakePng(8, 8, 8, 2, 0, std::vector<uint8_t>(8 * 25, 0)),
         PngCodec::Result::OtherKind, ""},
        {"interlaced", MakePng(8, 8, 1, 0, 1, std::vector<uint8_t>(30, 0)),
         PngCodec::Result::OtherKind, ""},
        {"filtered rows", MakePng(8, 8, 1, 0, 0, filtered), PngCodec::Result::OtherKind, ""},
        {"huge header", MakePng(60000, 60000, 1, 0, 0, exact), PngCodec::Result::Refused,
         "is 60000 × 60000 pixels"},
        {"no pixels", MakePng(0, 8, 1, 0, 0, exact), PngCodec::Result::Refused, "damaged"},
        {"no such kind", MakePng(8, 8, 3, 0, 0, exact), PngCodec::Result::Refused, "damaged"},
        {"not a PNG", {'B', 'M', 1, 2, 3}, PngCodec::Result::OtherKind, ""},
    };
    for (const Case& c : cases) {
        clsBitmap picture;
        std::string why;
        EXPECT_EQ(PngCodec::Decode(c.png.data(), c.png.size(), picture, &why), c.result) << c.name;
        EXPECT_NE(why.find(c.why), std::string::npos) << c.name << ": " << why;
        if (c.result == PngCodec::Result::Decoded)
            EXPECT_EQ(picture.Width(), 8) << c.name;
    }
}

TEST(PngCodec, ChunksAddedBeforeTheEndAreFoundAndLeaveTheImageCrc) {
    std::vector<uint8_t> png;
    ASSERT_TRUE(PngCodec::Encode(Picture(20, 10), png));
    const uint32_t crc = PngCodec::ImageDataCrc(png.data(), png.size());
    const uint8_t payload[3] = {1, 2, 3};
    PngCodec::AddChunk(png, "teSt", payload, 3);
    size_t size = 0;
    const uint8_t* found = PngCodec::FindChunk(png.data(), png.size(), "teSt", &size);
    ASSERT_TRUE(found);
    EXPECT_EQ(std::vector<uint8_t>(found, found + size), std::vector<uint8_t>({1, 2, 3}));
    EXPECT_EQ(PngCodec::ImageDataCrc(png.data(), png.size()), crc);
    EXPECT_EQ(std::string(png.end() - 8, png.end() - 4), "IEND");
    clsBitmap back;
    EXPECT_EQ(PngCodec::Decode(png.data(), png.size(), back, nullptr), PngCodec::Result::Decoded);
}

// Whatever RowDeflate is given, zlib inflates its stream to exactly that: runs, rows equal
// to rows further up, noise that does not compress (stored blocks, more than one), and
// byte frequencies skewed enough that plain Huffman codes would be longer than deflate
// allows. What compresses, compresses.
TEST(RowDeflate, ZlibInflatesWhatItWrites) {
    std::mt19937 rng(7);
    auto make = [&](size_t n, auto byte) {
        std::vector<uint8_t> v(n);
        for (size_t i = 0; i < n; ++i)
            v[i] = uint8_t(byte(i));
        return v;
    };
    std::vector<uint8_t> skewed; // frequencies 1, 1, 2, 3, 5, 8, ...
    for (uint64_t a = 1, b = 1, s = 0; s < 25; ++s, b = a + b, a = b - a)
        skewed.insert(skewed.end(), size_t(a), uint8_t(s * 7));
    std::shuffle(skewed.begin(), skewed.end(), rng);
    struct Case {
        const char* name;
        std::vector<uint8_t> data;
        size_t rowBytes;
        double atMost; // of the size, when it compresses
    };
    const Case cases[] = {
        {"nothing", {}, 0, 0},
        {"one byte", {42}, 64, 0},
        {"white rows", make(64 * 500, [](size_t i) { return i % 64 ? 0xFF : 0; }), 64, 0.01},
        {"sparse strokes",
         make(64 * 500, [&](size_t i) { return i % 64 ? (rng() % 40 ? 0xFF : rng()) : 0; }), 64,
         0.8},
        {"rows repeating every 9",
         make(33 * 900, [](size_t i) { return (i / 33) % 9 * 29 + i % 33; }), 33, 0.05},
        {"noise past a stored block", make(200000, [&](size_t) { return rng(); }), 0, 0},
        {"rows wider than the window", make(100000, [&](size_t i) { return i % 40000 < 10; }),
         40000, 0.02},
        {"skewed", skewed, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> out = {1, 2, 3}; // appended to
        RowDeflate::Compress(c.data.data(), c.data.size(), c.rowBytes, out);
        ASSERT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 3),
                  (std::vector<uint8_t>{1, 2, 3}));
        const size_t written = out.size() - 3;
        EXPECT_LE(written, RowDeflate::Bound(c.data.size()));
        if (c.atMost > 0)
            EXPECT_LE(double(written), c.atMost * double(c.data.size()));
        std::vector<uint8_t> back(c.data.size() + 1);
        uLongf backSize = uLongf(back.size());
        ASSERT_EQ(uncompress(back.data(), &backSize, out.data() + 3, uLong(written)), Z_OK);
        back.resize(backSize);
        EXPECT_TRUE(back == c.data);
    }
}
