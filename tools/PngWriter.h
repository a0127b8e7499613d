// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// 1-bit greyscale PNG encoding of a note's picture, compressed by zlib. Kept apart from
// storage, which uses the standard library only.

#include <cstdint>
#include <string>
#include <vector>

class clsBitmap;

namespace quillary {

// Appends the PNG file for bitmap to out (cleared first). Black pixels are 0 (PNG
// greyscale has 1 = white). False, with the library's reason in *error, on failure.
bool EncodePng(const clsBitmap& bitmap, std::vector<uint8_t>& out, std::string* error);

} // namespace quillary
