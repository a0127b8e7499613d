// SPDX-License-Identifier: GPL-3.0-or-later
#include "PngCodec.h"

#include "ByteOrder.h"
#include "RowDeflate.h"
#include "clsBitmap.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace quillary {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr size_t kIhdrEnd = 8 + 8 + 13 + 4; // signature, IHDR head, data, CRC

void PutBE32(std::vector<uint8_t>& out, uint32_t v) {
    const uint8_t be[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
    out.insert(out.end(), be, be + 4);
}

size_t OpenChunk(std::vector<uint8_t>& out, const char* type) {
    const size_t lengthAt = out.size();
    PutBE32(out, 0);
    out.insert(out.end(), type, type + 4);
    return lengthAt;
}

// A chunk whose type and data are already at out[lengthAt + 4..]: its length before, CRC after.
void CloseChunk(std::vector<uint8_t>& out, size_t lengthAt) {
    const size_t dataSize = out.size() - lengthAt - 8;
    WriteBE32(out.data() + lengthAt, uint32_t(dataSize));
    PutBE32(out, PngCodec::Crc32(out.data() + lengthAt + 4, dataSize + 4));
}

struct Inflater {
    z_stream z{};
    int state = Z_STREAM_ERROR;
    Inflater() { state = inflateInit(&z); }
    ~Inflater() {
        if (state == Z_OK)
            inflateEnd(&z);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
};

// Calls f(type, data, size) for each chunk after the signature up to IEND; false when a
// chunk runs past the end of the file.
template <class F> bool ForEachChunk(const uint8_t* png, size_t size, F f) {
    size_t at = 8;
    while (size - at >= 12) {
        const uint32_t len = ReadBE32(png + at);
        if (len > size - at - 12)
            return false;
        const char* type = reinterpret_cast<const char*>(png + at + 4);
        if (std::memcmp(type, "IEND", 4) == 0)
            return true;
        if (!f(type, png + at + 8, size_t(len)))
            return true;
        at += 12 + size_t(len);
    }
    return true;
}

bool IsPng(const uint8_t* png, size_t size) {
    return size >= kIhdrEnd && std::memcmp(png, kSignature, 8) == 0 && ReadBE32(png + 8) == 13 &&
           std::memcmp(png + 12, "IHDR", 4) == 0;
}

// Bytes of image data (filter bytes included) a picture of this header needs, 0 when the
// header's bit depth and colour type do not go together.
uint64_t RawBytesNeeded(uint32_t w, uint32_t h, int depth, int colour, int interlace) {
    int channels = 0;
    switch (colour) {
    case 0:
        channels = (depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16);
        break;
    case 2:
        channels = (depth == 8 || depth == 16) ? 3 : 0;
        break;
    case 3:
        channels = (depth == 1 || depth == 2 || depth == 4 || depth == 8);
        break;
    case 4:
        channels = (depth == 8 || depth == 16) ? 2 : 0;
        break;
    case 6:
        channels = (depth == 8 || depth == 16) ? 4 : 0;
        break;
    default:
        break;
    }
    if (channels == 0 || interlace > 1)
        return 0;
    const uint64_t bits = uint64_t(depth) * uint64_t(channels);
    auto rows = [&](uint64_t width, uint64_t height) {
        return width == 0 || height == 0 ? 0 : height * (1 + (width * bits + 7) / 8);
    };
    if (interlace == 0)
        return rows(w, h);
    // Adam7: seven passes, each with its own rows and filter bytes.
    static const int kPass[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                    {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    uint64_t total = 0;
    for (const auto& p : kPass) {
        const uint64_t pw =
            w > uint32_t(p[0]) ? (w - uint32_t(p[0]) + p[2] - 1) / uint32_t(p[2]) : 0;
        const uint64_t ph =
            h > uint32_t(p[1]) ? (h - uint32_t(p[1]) + p[3] - 1) / uint32_t(p[3]) : 0;
        total += rows(pw, ph);
    }
    return total;
}

bool Refuse(std::string* why, std::string text) {
    if (why)
        *why = std::move(text);
    return false;
}

} // namespace

uint32_t PngCodec::Crc32(const uint8_t* data, size_t size, uint32_t crc) {
    // zlib takes at most 4 GB a call; pictures are far smaller, but stay exact anyway.
    while (size > 0) {
        const uInt n = uInt(std::min<size_t>(size, 1u << 30));
        crc = uint32_t(crc32(crc, data, n));
        data += n;
        size -= n;
    }
    return crc;
}

bool PngCodec::Encode(const clsBitmap& bitmap, std::vector<uint8_t>& out, std::string* error) {
    out.clear();
    const uint32_t w = uint32_t(bitmap.Width()), h = uint32_t(bitmap.Height());
    const size_t lineBytes = (size_t(w) + 7) / 8;
    const size_t stride = size_t(bitmap.RowBytes());
    if (w == 0 || h == 0 || stride < lineBytes || bitmap.Data().size() < stride * h)
        return Refuse(error, "the picture has no pixels to write");
    // Scanlines: filter type 0, then the row; the picture stores 1 = black, PNG grey 1 = white.
    thread_local std::vector<uint8_t> raw;
    raw.resize(size_t(h) * (lineBytes + 1));
    uint8_t* line = raw.data();
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* src = bitmap.Data().data() + size_t(y) * stride;
        *line++ = 0;
        for (size_t i = 0; i < lineBytes; ++i)
            *line++ = uint8_t(~src[i]);
    }

    out.reserve(8 + 25 + 12 + RowDeflate::Bound(raw.size()) + 12 + 64);
    out.insert(out.end(), kSignature, kSignature + 8);
    size_t chunk = OpenChunk(out, "IHDR");
    PutBE32(out, w);
    PutBE32(out, h);
    const uint8_t ihdrRest[5] = {1, 0, 0, 0, 0}; // 1 bit grey, deflate, no filter, no interlace
    out.insert(out.end(), ihdrRest, ihdrRest + 5);
    CloseChunk(out, chunk);

    // Unfiltered rows: no PNG filter makes 1-bit rows smaller, the row above is found as
    // a match all the same.
    chunk = OpenChunk(out, "IDAT");
    RowDeflate::Compress(raw.data(), raw.size(), lineBytes + 1, out);
    CloseChunk(out, chunk);
    CloseChunk(out, OpenChunk(out, "IEND"));
    return true;
}

void PngCodec::AddChunk(std::vector<uint8_t>& png, const char (&type)[5], const uint8_t* data,
                        size_t size) {
    // IEND is the last 12 bytes of what Encode writes. The chunk is made in place: Encode
    // leaves room for a small one.
    const size_t iend = png.size() >= 12 ? png.size() - 12 : png.size();
    png.insert(png.begin() + std::ptrdiff_t(iend), size + 12, 0);
    uint8_t* chunk = png.data() + iend;
    WriteBE32(chunk, uint32_t(size));
    std::memcpy(chunk + 4, type, 4);
    if (size > 0)
        std::memcpy(chunk + 8, data, size);
    WriteBE32(chunk + 8 + size, Crc32(chunk + 4, size + 4));
}

uint32_t PngCodec::ImageDataCrc(const uint8_t* png, size_t size) {
    if (!IsPng(png, size))
        return 0;
    uint32_t crc = 0;
    ForEachChunk(png, size, [&](const char* type, const uint8_t* data, size_t len) {
        if (std::memcmp(type, "IHDR", 4) == 0 || std::memcmp(type, "IDAT", 4) == 0)
            crc = Crc32(data, len, crc);
        return true;
    });
    return crc;
}

const uint8_t* PngCodec::FindChunk(const uint8_t* png, size_t size, const char (&type)[5],
                                   size_t* dataSize) {
    if (!IsPng(png, size))
        return nullptr;
    const uint8_t* found = nullptr;
    ForEachChunk(png, size, [&](const char* t, const uint8_t* data, size_t len) {
        if (std::memcmp(t, type, 4) != 0)
            return true;
        found = data;
        if (dataSize)
            *dataSize = len;
        return false;
    });
    return found;
}

PngCodec::Result PngCodec::Decode(const uint8_t* png, size_t size, clsBitmap& bitmap,
                                  std::string* why, uint64_t maxPixels) {
    auto refused = [why](std::string text) {
        if (why)
            *why = std::move(text);
        return Result::Refused;
    };
    if (size < 8 || std::memcmp(png, kSignature, 8) != 0)
        return Result::OtherKind;
    if (!IsPng(png, size))
        return refused("is a damaged PNG file (it has no proper header).");
    const uint32_t w = ReadBE32(png + 16), h = ReadBE32(png + 20);
    const int depth = png[24], colour = png[25], interlace = png[28];
    if (w == 0 || h == 0 || w > 0x7FFFFFFFu || h > 0x7FFFFFFFu)
        return refused("is a damaged PNG file (it says it is " + std::to_string(w) + " × " +
                       std::to_string(h) + " pixels).");
    if (w > uint32_t(clsBitmap::kMaxDimension) || h > uint32_t(clsBitmap::kMaxDimension) ||
        uint64_t(w) * h > maxPixels)
        return refused("is " + std::to_string(w) + " × " + std::to_string(h) +
                       " pixels, far larger than a note's picture can be.");
    const uint64_t needed = RawBytesNeeded(w, h, depth, colour, interlace);
    if (needed == 0 || png[26] != 0 || png[27] != 0)
        return refused("is a damaged PNG file (its header names no kind of PNG picture).");
    const bool ownKind = depth == 1 && colour == 0 && interlace == 0;

    thread_local Inflater inflater;
    if (inflater.state != Z_OK || inflateReset(&inflater.z) != Z_OK)
        return refused("cannot be read: the PNG decoder could not start.");
    z_stream& z = inflater.z;
    // The picture's rows for the kind read here; for other kinds only a window to count
    // through. One byte more than needed shows data past the end. Kept per thread: an
    // archive's import reads thousands.
    const size_t rawSize = ownKind ? size_t(needed) + 1 : size_t(64) << 10;
    thread_local std::vector<uint8_t> raw;
    if (raw.size() < rawSize)
        raw.resize(rawSize);
    uint64_t total = 0;
    int rc = Z_OK;
    bool damaged = false;
    ForEachChunk(png, size, [&](const char* type, const uint8_t* data, size_t len) {
        if (std::memcmp(type, "IDAT", 4) != 0)
            return true;
        if (rc == Z_STREAM_END)
            return false;
        z.next_in = const_cast<uint8_t*>(data);
        z.avail_in = uInt(len);
        while (z.avail_in > 0 && total <= needed) {
            const size_t at = ownKind ? size_t(total) : 0;
            z.next_out = raw.data() + at;
            z.avail_out = uInt(rawSize - at);
            rc = inflate(&z, Z_NO_FLUSH);
            total += (rawSize - at) - z.avail_out;
            if (rc == Z_STREAM_END)
                return false;
            if (rc != Z_OK) {
                damaged = true;
                return false;
            }
        }
        return total <= needed;
    });
    if (total > needed)
        return refused("holds more image data than a picture of " + std::to_string(w) + " × " +
                       std::to_string(h) + " pixels needs (it inflates past " +
                       std::to_string(needed) + " bytes); it was not read.");
    if (!ownKind)
        return Result::OtherKind;
    if (damaged || rc != Z_STREAM_END || total != needed)
        return refused("is a damaged PNG file (its image data is " +
                       std::string(total < needed ? "cut short" : "broken") + ").");
    const size_t lineBytes = (size_t(w) + 7) / 8;
    for (size_t y = 0; y < h; ++y)
        if (raw[y * (lineBytes + 1)] != 0)
            return Result::OtherKind; // filtered rows: an editor wrote it, the library reads it
    bitmap.InitializeBitmap(int32_t(w), int32_t(h), 1);
    uint8_t* out = bitmap.Data().data();
    const size_t rowBytes = size_t(bitmap.RowBytes());
    for (size_t y = 0; y < h; ++y) {
        const uint8_t* src = raw.data() + y * (lineBytes + 1) + 1;
        uint8_t* dst = out + y * rowBytes;
        for (size_t i = 0; i < lineBytes; ++i)
            dst[i] = uint8_t(~src[i]);
        if (w % 8)
            dst[lineBytes - 1] &= uint8_t(0xFF << (8 - w % 8));
    }
    return Result::Decoded;
}

} // namespace quillary
