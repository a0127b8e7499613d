// SPDX-License-Identifier: GPL-3.0-or-later
// .bmp reader: refused with a message and no change, or loaded and then written and read
// back to the same picture.

#include "storage/clsBitmap.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    clsBitmap pic;
    pic.SetPixel(1, 2, true);
    const clsBitmap before = pic;
    std::string error;
    if (!pic.LoadWinBmp(data, size, &error)) {
        if (error.empty() || !(pic == before))
            std::abort();
        return 0;
    }
    const std::vector<uint8_t> bmp = pic.GetWinBmp();
    clsBitmap back;
    if (!back.LoadWinBmp(bmp.data(), bmp.size(), &error) || !(back == pic))
        std::abort();
    return 0;
}
