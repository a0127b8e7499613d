// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A deflate (zlib stream) writer for the rows of 1-bit pictures. What a note's picture
// repeats is a run of white and the row above, so instead of zlib's general search for
// earlier strings it looks only there (and two rows up), then codes the result with
// Huffman codes made for this picture: smaller than zlib's default level and several
// times faster. Any zlib reader inflates it.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillary {

class RowDeflate {
public:
    // Appends the zlib stream of data[0, size) to out. rowBytes: the distance from a byte
    // to the one below it (a PNG row with its filter byte); 0 when the data has no rows.
    static void Compress(const uint8_t* data, size_t size, size_t rowBytes,
                         std::vector<uint8_t>& out);
    // The most bytes Compress appends for size bytes.
    static size_t Bound(size_t size);
};

} // namespace quillary
