// SPDX-License-Identifier: GPL-3.0-or-later
#include "PngWriter.h"

#include "storage/clsBitmap.h"

#include <zlib.h>

#include <cstring>

namespace quillary {

namespace {

void PutBE32(std::vector<uint8_t>& out, uint32_t v) {
    const uint8_t be[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
    out.insert(out.end(), be, be + 4);
}

void SetBE32(uint8_t* at, uint32_t v) {
    at[0] = uint8_t(v >> 24), at[1] = uint8_t(v >> 16), at[2] = uint8_t(v >> 8), at[3] = uint8_t(v);
}

// A chunk whose type and data are already at out[start..]: its length before, CRC after.
void CloseChunk(std::vector<uint8_t>& out, size_t lengthAt) {
    const size_t dataSize = out.size() - lengthAt - 8;
    SetBE32(out.data() + lengthAt, uint32_t(dataSize));
    PutBE32(out, uint32_t(crc32(0, out.data() + lengthAt + 4, uInt(dataSize + 4))));
}

size_t OpenChunk(std::vector<uint8_t>& out, const char* type) {
    const size_t lengthAt = out.size();
    PutBE32(out, 0);
    out.insert(out.end(), type, type + 4);
    return lengthAt;
}

// One deflate stream per thread, reset between pictures: setting a stream up allocates and
// clears a quarter of a megabyte, which cost more than compressing a picture did.
struct Deflater {
    z_stream z{};
    int state = Z_STREAM_ERROR;
    Deflater() {
        // Filters do not help 1-bit pictures; run-length deflate suits their long runs of
        // white and is several times faster than the default search.
        state = deflateInit2(&z, 6, Z_DEFLATED, 15, 8, Z_RLE);
    }
    ~Deflater() {
        if (state == Z_OK)
            deflateEnd(&z);
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;
};

} // namespace

bool EncodePng(const clsBitmap& bitmap, std::vector<uint8_t>& out, std::string* error) {
    out.clear();
    const uint32_t w = uint32_t(bitmap.Width()), h = uint32_t(bitmap.Height());
    const size_t lineBytes = (size_t(w) + 7) / 8;
    const size_t stride = size_t(bitmap.RowBytes());
    if (w == 0 || h == 0 || stride < lineBytes || bitmap.Data().size() < stride * h) {
        if (error)
            *error = "the picture has no pixels to write";
        return false;
    }
    thread_local Deflater deflater;
    if (deflater.state != Z_OK || deflateReset(&deflater.z) != Z_OK) {
        if (error)
            *error = "the PNG encoder could not start";
        return false;
    }

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

    z_stream& z = deflater.z;
    const size_t bound = deflateBound(&z, uLong(raw.size()));
    out.reserve(8 + 25 + 12 + bound + 12);
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    out.insert(out.end(), kSignature, kSignature + 8);
    size_t chunk = OpenChunk(out, "IHDR");
    PutBE32(out, w);
    PutBE32(out, h);
    const uint8_t ihdrRest[5] = {1, 0, 0, 0, 0}; // 1 bit grey, deflate, no filter, no interlace
    out.insert(out.end(), ihdrRest, ihdrRest + 5);
    CloseChunk(out, chunk);

    chunk = OpenChunk(out, "IDAT");
    const size_t dataAt = out.size();
    out.resize(dataAt + bound);
    z.next_in = raw.data();
    z.avail_in = uInt(raw.size());
    z.next_out = out.data() + dataAt;
    z.avail_out = uInt(bound);
    const int rc = deflate(&z, Z_FINISH);
    if (rc != Z_STREAM_END) {
        if (error)
            *error = std::string("compressing the picture failed (") +
                     (z.msg ? z.msg : zError(rc)) + ")";
        out.clear();
        return false;
    }
    out.resize(dataAt + z.total_out);
    CloseChunk(out, chunk);
    CloseChunk(out, OpenChunk(out, "IEND"));
    return true;
}

} // namespace quillary
