// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The one PNG codec of note pictures: 1-bit greyscale files written for export and for
// note archives, and the reading of PNG files brought back in. Written with RowDeflate
// (smaller than netpbm's pnmtopng makes of the same pixels, at a fraction of zlib's
// cost), read with zlib.
//
// Reading never inflates more than a picture of the header's width and height needs: a
// small file whose image data inflates to hundreds of megabytes is refused at the first
// byte past that size.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class clsBitmap;

namespace quillary {

class PngCodec {
public:
    // Pixels a PNG may announce before it is read at all.
    static constexpr uint64_t kMaxPixels = uint64_t(8) << 20;

    // Writes the PNG of bitmap into out (cleared first): signature, IHDR, one IDAT, IEND.
    // Black pixels are 0 (PNG greyscale has 1 = white). False, with the reason in *error,
    // when the bitmap has no pixels. Each thread reuses its buffers.
    static bool Encode(const clsBitmap& bitmap, std::vector<uint8_t>& out,
                       std::string* error = nullptr);

    // Puts a chunk just before the IEND chunk of a PNG that Encode wrote.
    static void AddChunk(std::vector<uint8_t>& png, const char (&type)[5], const uint8_t* data,
                         size_t size);

    // PNG's CRC-32, continuing from crc (0 to start).
    static uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);
    // The CRC-32 over the data of the IHDR and IDAT chunks, in file order: what an editor
    // that changes the pixels changes. 0 for a file that is not a PNG.
    static uint32_t ImageDataCrc(const uint8_t* png, size_t size);
    // The data of the first chunk of this type before IEND (nullptr when there is none).
    static const uint8_t* FindChunk(const uint8_t* png, size_t size, const char (&type)[5],
                                    size_t* dataSize);

    enum class Result {
        Decoded,   // bitmap holds the picture
        OtherKind, // a PNG of another kind (colour, grey levels, filters, interlace) whose
                   // image data is within bounds, or not a PNG at all: for an image library
        Refused,   // *why says what is wrong ("is ...", to follow the file's name)
    };
    // Reads a PNG. The kind Encode writes (1-bit grey, unfiltered rows) is decoded here;
    // any other PNG is only checked: an impossible or oversized header (more than maxPixels
    // pixels, or a side over clsBitmap::kMaxDimension), image data that inflates past what
    // its width and height need, or (for the kind decoded here) damaged image data, is
    // refused. bitmap is changed only when the result is Decoded.
    static Result Decode(const uint8_t* png, size_t size, clsBitmap& bitmap, std::string* why,
                         uint64_t maxPixels = kMaxPixels);
};

} // namespace quillary
