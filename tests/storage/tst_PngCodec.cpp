// SPDX-License-Identifier: GPL-3.0-or-later
// The PNG codec of note pictures: what it writes reads back, and what it reads never
// inflates more than the header's width and height need.

#include "storage/ByteOrder.h"
#include "storage/PngCodec.h"
#include "storage/clsBitmap.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <string>
#include <vector>

using quillary::PngCodec;

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
