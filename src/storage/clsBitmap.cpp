// SPDX-License-Identifier: GPL-3.0-or-later
#include "clsBitmap.h"

#include "ByteOrder.h"
#include "FileIO.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>

using namespace quillary;

namespace {

constexpr int32_t Clamp(int32_t v, int32_t lo, int32_t hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

uint64_t Load8(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// Number of flag bytes (groups of up to 8) in one row.
size_t GroupsPerRow(size_t rowBytes) {
    return (rowBytes + 7) / 8;
}

std::string Num(long long v) {
    return std::to_string(v);
}

} // namespace

clsBitmap::clsBitmap() {
    InitializeBitmap(100, 100, 1);
}

int32_t clsBitmap::RoundUpRowBytes(int32_t width, int16_t depth) {
    // depth * width / 8 bytes, rounded up to whole 32-bit words.
    const int64_t bits = int64_t(depth) * width;
    return static_cast<int32_t>((bits + 31) / 32 * 4);
}

void clsBitmap::InitializeBitmap(int32_t width, int32_t height, int16_t depth) {
    m_width = Clamp(width, 1, kMaxDimension);
    m_height = Clamp(height, 1, kMaxDimension);
    m_depth = static_cast<int16_t>(Clamp(depth, 1, 32));
    m_rowBytes = RoundUpRowBytes(m_width, m_depth);
    m_data.assign(size_t(m_rowBytes) * size_t(m_height), 0);
}

void clsBitmap::ClearPaddingBits() {
    const int32_t usedBits = m_width * m_depth;
    const int32_t fullBytes = usedBits / 8;
    const int rest = usedBits % 8;
    for (int32_t y = 0; y < m_height; ++y) {
        uint8_t* row = m_data.data() + size_t(y) * size_t(m_rowBytes);
        int32_t from = fullBytes;
        if (rest) {
            row[fullBytes] &= static_cast<uint8_t>(0xFF << (8 - rest));
            ++from;
        }
        if (from < m_rowBytes)
            std::memset(row + from, 0, size_t(m_rowBytes - from));
    }
}

void clsBitmap::SetWidth(int32_t w) {
    w = Clamp(w, 1, kMaxDimension);
    if (w == m_width)
        return;
    // Bits past the old width must not turn into pixels when the picture grows.
    ClearPaddingBits();
    const int32_t newRowBytes = RoundUpRowBytes(w, m_depth);
    if (newRowBytes != m_rowBytes) {
        std::vector<uint8_t> data(size_t(newRowBytes) * size_t(m_height), 0);
        const size_t keep = size_t(std::min(newRowBytes, m_rowBytes));
        for (int32_t y = 0; y < m_height; ++y)
            std::memcpy(data.data() + size_t(y) * newRowBytes,
                        m_data.data() + size_t(y) * m_rowBytes, keep);
        m_data.swap(data);
        m_rowBytes = newRowBytes;
    }
    m_width = w;
    ClearPaddingBits();
}

void clsBitmap::SetHeight(int32_t h) {
    h = Clamp(h, 1, kMaxDimension);
    if (h == m_height)
        return;
    m_data.resize(size_t(m_rowBytes) * size_t(h), 0);
    m_height = h;
}

bool clsBitmap::GetPixel(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return false;
    return (m_data[size_t(x / 8) + size_t(m_rowBytes) * size_t(y)] >> (7 - (x % 8))) & 1;
}

void clsBitmap::SetPixel(int32_t x, int32_t y, bool value) {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return;
    uint8_t& b = m_data[size_t(x / 8) + size_t(m_rowBytes) * size_t(y)];
    const uint8_t mask = static_cast<uint8_t>(0x80 >> (x % 8));
    b = value ? (b | mask) : (b & ~mask);
}

bool clsBitmap::operator==(const clsBitmap& other) const {
    return m_width == other.m_width && m_height == other.m_height && m_depth == other.m_depth &&
           m_data == other.m_data;
}

// ---- Palm encoding -------------------------------------------------------------------

size_t clsBitmap::PalmDataSize() const {
    const size_t rb = size_t(m_rowBytes);
    const size_t groups = GroupsPerRow(rb);
    size_t s = groups + rb; // row 0: every byte literal
    for (int32_t y = 1; y < m_height; ++y) {
        const uint8_t* row = m_data.data() + size_t(y) * rb;
        const uint8_t* above = row - rb;
        s += groups;
        for (size_t i = 0; i < rb; ++i)
            s += row[i] != above[i];
    }
    return s + 1; // closing flag byte
}

void clsBitmap::GetPalmBitmap(std::vector<uint8_t>& out) const {
    const size_t rb = size_t(m_rowBytes);
    const size_t groups = GroupsPerRow(rb);
    out.resize(kPalmPrefixBytes + m_data.size() + groups * size_t(m_height) + 1);
    uint8_t* const base = out.data();
    WriteBE16(base + 0, static_cast<uint16_t>(m_width));
    WriteBE16(base + 2, static_cast<uint16_t>(m_height));
    WriteBE16(base + 4, static_cast<uint16_t>(m_rowBytes));
    WriteBE16(base + 6, 1); // compressed
    std::memset(base + 8, 0, 8);

    uint8_t* o = base + kPalmPrefixBytes;
    const uint8_t* row = m_data.data();
    // Row 0 has nothing above it: every byte is literal.
    for (size_t g = 0; g < rb; g += 8) {
        const size_t n = std::min<size_t>(8, rb - g);
        *o++ = static_cast<uint8_t>(0xFF << (8 - n));
        std::memcpy(o, row + g, n);
        o += n;
    }
    for (int32_t y = 1; y < m_height; ++y) {
        row += rb;
        const uint8_t* above = row - rb;
        for (size_t g = 0; g < rb; g += 8) {
            const size_t n = std::min<size_t>(8, rb - g);
            if (n == 8 && Load8(row + g) == Load8(above + g)) {
                *o++ = 0;
                continue;
            }
            uint8_t* flag = o++;
            uint8_t bits = 0;
            for (size_t i = 0; i < n; ++i) {
                const uint8_t b = row[g + i];
                if (b != above[g + i]) {
                    bits |= static_cast<uint8_t>(0x80 >> i);
                    *o++ = b;
                }
            }
            *flag = bits;
        }
    }
    *o++ = 0;
    const size_t s = size_t(o - base) - kPalmPrefixBytes;
    WriteBE16(base + 16, static_cast<uint16_t>(s & 0xFFFF));
    out.resize(size_t(o - base));
}

namespace {

struct PalmHeader {
    size_t width = 0, height = 0, rowBytes = 0;
    const uint8_t* data = nullptr; // compressed rows
    const uint8_t* end = nullptr;  // end of the S bytes
};

bool ParsePalmHeader(const uint8_t* bytes, size_t size, PalmHeader& h, std::string* error) {
    if (!bytes || size < clsBitmap::kPalmPrefixBytes)
        return Fail(error, "the picture is cut short (" + Num(long(size)) +
                               " bytes, its header alone needs 18).");
    h.width = ReadBE16(bytes);
    h.height = ReadBE16(bytes + 2);
    h.rowBytes = ReadBE16(bytes + 4);
    const size_t s = ReadBE16(bytes + 16);
    if (h.width == 0 || h.height == 0 || h.rowBytes == 0)
        return Fail(error, "the picture header gives width " + Num(long(h.width)) + ", height " +
                               Num(long(h.height)) + " and row bytes " + Num(long(h.rowBytes)) +
                               "; none may be 0.");
    if (h.width > size_t(clsBitmap::kMaxDimension) || h.height > size_t(clsBitmap::kMaxDimension))
        return Fail(error, "the picture is " + Num(long(h.width)) + " x " + Num(long(h.height)) +
                               " pixels, more than the 32767 a side that a note can hold.");
    // Other writers align rows differently (the handheld itself to 2 bytes); any row
    // that holds the width's pixels can be decoded.
    const size_t needed = (h.width + 7) / 8;
    if (h.rowBytes < needed)
        return Fail(error, "the picture header gives row bytes " + Num(long(h.rowBytes)) +
                               " for a width of " + Num(long(h.width)) + " pixels (at least " +
                               Num(long(needed)) + " are needed).");
    if (s > size - clsBitmap::kPalmPrefixBytes)
        return Fail(error, "the picture's data size " + Num(long(s)) + " is larger than the " +
                               Num(long(size - clsBitmap::kPalmPrefixBytes)) +
                               " bytes that follow it.");
    // Every row needs at least its flag bytes; this also bounds the pixel array to a
    // small multiple of the input.
    if (GroupsPerRow(h.rowBytes) * h.height > s)
        return Fail(error, "the compressed picture data ends early (" + Num(long(s)) +
                               " bytes for " + Num(long(h.height)) + " rows).");
    h.data = bytes + clsBitmap::kPalmPrefixBytes;
    h.end = h.data + s;
    return true;
}

std::string EndsEarly(size_t row) {
    return "the compressed picture data ends early, in row " + Num(long(row)) + ".";
}

} // namespace

bool clsBitmap::GetPalmBitmapSize(const uint8_t* bytes, size_t size, int32_t& width,
                                  int32_t& height, std::string* error) {
    PalmHeader h;
    if (!ParsePalmHeader(bytes, size, h, error))
        return false;
    width = int32_t(h.width);
    height = int32_t(h.height);
    return true;
}

bool clsBitmap::CheckPalmBitmap(const uint8_t* bytes, size_t size, std::string* error) {
    PalmHeader h;
    if (!ParsePalmHeader(bytes, size, h, error))
        return false;
    const uint8_t* in = h.data;
    for (size_t y = 0; y < h.height; ++y) {
        for (size_t g = 0; g < h.rowBytes; g += 8) {
            if (in >= h.end)
                return Fail(error, EndsEarly(y));
            const size_t n = std::min<size_t>(8, h.rowBytes - g);
            const uint8_t flag = static_cast<uint8_t>(*in++ & (0xFF << (8 - n)));
            const size_t literals = size_t(std::popcount(flag));
            if (literals > size_t(h.end - in))
                return Fail(error, EndsEarly(y));
            in += literals;
        }
    }
    return true;
}

bool clsBitmap::LoadPalmBitmap(const uint8_t* bytes, size_t size, std::string* error) {
    PalmHeader h;
    if (!ParsePalmHeader(bytes, size, h, error))
        return false;
    const size_t rb = h.rowBytes; // as stored; the picture keeps its own row layout
    std::vector<uint8_t> data(rb * h.height, 0);
    const uint8_t* in = h.data;
    for (size_t y = 0; y < h.height; ++y) {
        uint8_t* row = data.data() + y * rb;
        const uint8_t* above = y > 0 ? row - rb : nullptr;
        for (size_t g = 0; g < rb; g += 8) {
            if (in >= h.end)
                return Fail(error, EndsEarly(y));
            const size_t n = std::min<size_t>(8, rb - g);
            const uint8_t flag = *in++;
            if (n == 8 && flag == 0) {
                if (above)
                    std::memcpy(row + g, above + g, 8);
                continue;
            }
            if (n == 8 && flag == 0xFF && h.end - in >= 8) {
                std::memcpy(row + g, in, 8);
                in += 8;
                continue;
            }
            for (size_t i = 0; i < n; ++i) {
                if (flag & (0x80 >> i)) {
                    if (in >= h.end)
                        return Fail(error, EndsEarly(y));
                    row[g + i] = *in++;
                } else if (above) {
                    row[g + i] = above[g + i];
                }
            }
        }
    }
    const size_t ownRowBytes = size_t(RoundUpRowBytes(int32_t(h.width), 1));
    if (ownRowBytes != rb) {
        std::vector<uint8_t> own(ownRowBytes * h.height, 0);
        const size_t pixels = (h.width + 7) / 8;
        for (size_t y = 0; y < h.height; ++y)
            std::memcpy(own.data() + y * ownRowBytes, data.data() + y * rb, pixels);
        data.swap(own);
    }
    m_width = int32_t(h.width);
    m_height = int32_t(h.height);
    m_depth = 1;
    m_rowBytes = int32_t(ownRowBytes);
    m_data.swap(data);
    if (ownRowBytes != rb)
        ClearPaddingBits();
    return true;
}

// ---- Windows .bmp --------------------------------------------------------------------

bool clsBitmap::LoadWinBmp(const uint8_t* bytes, size_t size, std::string* error) {
    constexpr size_t kFileHeader = 14;
    if (!bytes || size < kFileHeader + 40)
        return Fail(error, "the .bmp file is cut short (" + Num(long(size)) + " bytes).");
    if (bytes[0] != 'B' || bytes[1] != 'M')
        return Fail(error, "not a Windows bitmap (.bmp) file.");
    const uint32_t pixelOffset = ReadLE32(bytes + 10);
    const uint32_t headerSize = ReadLE32(bytes + 14);
    if (headerSize < 40 || headerSize > size - kFileHeader)
        return Fail(error, "the .bmp file has an unsupported or damaged header (size " +
                               Num(headerSize) + ").");
    const int32_t width = int32_t(ReadLE32(bytes + 18));
    const int32_t height = int32_t(ReadLE32(bytes + 22));
    const uint16_t bitsPerPixel = ReadLE16(bytes + 28);
    const uint32_t compression = ReadLE32(bytes + 30);
    if (bitsPerPixel != 1)
        return Fail(error, "Bitdepth needs to be 1 (black and white)");
    if (compression != 0)
        return Fail(error, "the .bmp file is compressed (method " + Num(compression) +
                               "); only uncompressed files can be read.");
    if (height < 0)
        return Fail(error, "the .bmp file stores its rows top-down (negative height); only "
                           "bottom-up files can be read.");
    if (width <= 0 || height == 0)
        return Fail(error, "the .bmp file declares a picture of " + Num(width) + " x " +
                               Num(height) + " pixels.");
    if (width > kMaxDimension || height > kMaxDimension)
        return Fail(error, "the .bmp picture is " + Num(width) + " x " + Num(height) +
                               " pixels, more than the 32767 a side that a note can hold.");
    const uint64_t rowBytes = uint64_t(RoundUpRowBytes(width, 1));
    const uint64_t need = rowBytes * uint64_t(height);
    const uint64_t paletteAt = kFileHeader + headerSize;
    if (pixelOffset < paletteAt)
        return Fail(error, "the .bmp file's pixel offset " + Num(pixelOffset) +
                               " points into its header.");
    if (uint64_t(pixelOffset) + need > size)
        return Fail(error, "the .bmp file is cut short: " + Num(width) + " x " + Num(height) +
                               " pixels need " + Num(static_cast<long long>(need)) +
                               " bytes from offset " + Num(pixelOffset) + ", the file has " +
                               Num(long(size)) + ".");
    // Entry 0 is normally black; a file whose entry 0 is the lighter colour stores black
    // as 1 already.
    bool invert = true;
    if (paletteAt + 8 <= pixelOffset) {
        const uint8_t* pal = bytes + paletteAt;
        const int light0 = pal[0] + pal[1] + pal[2];
        const int light1 = pal[4] + pal[5] + pal[6];
        invert = !(light0 > light1);
    }
    std::vector<uint8_t> data(static_cast<size_t>(need));
    const uint8_t xorMask = invert ? 0xFF : 0x00;
    for (int32_t k = 0; k < height; ++k) {
        const uint8_t* src = bytes + pixelOffset + size_t(k) * rowBytes;
        uint8_t* dst = data.data() + size_t(height - 1 - k) * rowBytes;
        for (size_t i = 0; i < rowBytes; ++i)
            dst[i] = src[i] ^ xorMask;
    }
    m_width = width;
    m_height = height;
    m_depth = 1;
    m_rowBytes = int32_t(rowBytes);
    m_data.swap(data);
    ClearPaddingBits();
    return true;
}

std::vector<uint8_t> clsBitmap::GetWinBmp() const {
    const size_t image = m_data.size();
    std::vector<uint8_t> out(kBmpHeaderBytes + image, 0);
    uint8_t* h = out.data();
    h[0] = 'B';
    h[1] = 'M';
    WriteLE32(h + 2, uint32_t(image + kBmpHeaderBytes));
    WriteLE32(h + 10, uint32_t(kBmpHeaderBytes));
    WriteLE32(h + 14, 40);
    WriteLE32(h + 18, uint32_t(m_width));
    WriteLE32(h + 22, uint32_t(m_height));
    WriteLE16(h + 26, 1);
    WriteLE16(h + 28, uint16_t(m_depth));
    WriteLE32(h + 34, uint32_t(image));
    WriteLE32(h + 38, 3780);
    WriteLE32(h + 42, 3780);
    // Palette: entry 0 black (already zero), entry 1 white.
    h[58] = h[59] = h[60] = 0xFF;
    const size_t rb = size_t(m_rowBytes);
    for (int32_t k = 0; k < m_height; ++k) {
        const uint8_t* src = m_data.data() + size_t(m_height - 1 - k) * rb;
        uint8_t* dst = out.data() + kBmpHeaderBytes + size_t(k) * rb;
        for (size_t i = 0; i < rb; ++i)
            dst[i] = static_cast<uint8_t>(~src[i]);
    }
    return out;
}

bool clsBitmap::LoadWinBmpFile(const std::string& path, std::string* error) {
    std::error_code ec;
    if (path.empty() || !std::filesystem::exists(path, ec))
        return Fail(error, path + " not found.");
    std::vector<uint8_t> bytes;
    // 32767 x 32767 at 1 bit is about 128 MB; anything larger is not a picture we take.
    if (!ReadWholeFile(path, bytes, error, uint64_t(256) << 20))
        return false;
    std::string why;
    if (!LoadWinBmp(bytes.data(), bytes.size(), &why))
        return Fail(error, path + ": " + why);
    return true;
}

bool clsBitmap::SaveWinBmpFile(const std::string& path, std::string* error) const {
    std::string why;
    if (!WriteFileReplacing(path, GetWinBmp(), &why))
        return Fail(error, "Failed to export bitmap!\n" + why);
    return true;
}

// ---- Clipping ------------------------------------------------------------------------

void clsBitmap::RightClip() {
    ClearPaddingBits();
    const size_t rb = size_t(m_rowBytes);
    int32_t lastByte = -1; // rightmost byte index holding a set pixel, over all rows
    uint8_t lastBits = 0;
    for (int32_t y = 0; y < m_height; ++y) {
        const uint8_t* row = m_data.data() + size_t(y) * rb;
        for (int32_t i = int32_t(rb) - 1; i >= lastByte && i >= 0; --i) {
            if (row[i]) {
                if (i > lastByte) {
                    lastByte = i;
                    lastBits = row[i];
                } else {
                    lastBits |= row[i];
                }
                break;
            }
        }
    }
    int32_t newWidth = 1;
    if (lastByte >= 0)
        newWidth = lastByte * 8 + (8 - std::countr_zero(lastBits));
    if (newWidth < m_width)
        SetWidth(std::max(newWidth, 1));
}

void clsBitmap::BottomClip() {
    ClearPaddingBits();
    const size_t rb = size_t(m_rowBytes);
    int32_t y = m_height - 1;
    for (; y > 0; --y) {
        const uint8_t* row = m_data.data() + size_t(y) * rb;
        if (std::any_of(row, row + rb, [](uint8_t b) { return b != 0; }))
            break;
    }
    SetHeight(y + 1);
}
