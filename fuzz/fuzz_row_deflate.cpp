// SPDX-License-Identifier: GPL-3.0-or-later
// The PNG pictures' deflate writer: whatever the bytes and row length, zlib inflates its
// stream to exactly those bytes, within the bound it promises. An archive is imported from
// these pixels, so a wrong stream would change a note.
//
// Input: one byte choosing the row length (0: no rows; otherwise 1..128 bytes, as a PNG
// row with its filter byte), then the data.

#include "FuzzCheck.h"
#include "storage/RowDeflate.h"

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const size_t rowBytes = data[0] == 0 ? 0 : size_t(data[0] % 128) + 1;
    const uint8_t* body = data + 1;
    const size_t bodySize = size - 1;

    std::vector<uint8_t> out{0xAB}; // Compress appends: what is there must stay
    quillary::RowDeflate::Compress(body, bodySize, rowBytes, out);
    FUZZ_CHECK(out.front() == 0xAB);
    FUZZ_CHECK(out.size() - 1 <= quillary::RowDeflate::Bound(bodySize));

    std::vector<uint8_t> back(bodySize + 1);
    uLongf backSize = uLongf(back.size());
    const int rc = uncompress(back.data(), &backSize, out.data() + 1, uLong(out.size() - 1));
    FUZZ_CHECK(rc == Z_OK);
    FUZZ_CHECK(backSize == bodySize);
    FUZZ_CHECK(bodySize == 0 || std::memcmp(back.data(), body, bodySize) == 0);
    return 0;
}
