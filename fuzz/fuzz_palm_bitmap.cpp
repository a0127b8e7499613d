// SPDX-License-Identifier: GPL-3.0-or-later
// Palm bitmap decoder: the quick check and the decoder agree, and whatever decodes
// re-encodes to a picture that decodes to the same pixels.

#include "storage/clsBitmap.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    clsBitmap pic;
    pic.SetPixel(3, 3, true);
    const clsBitmap before = pic;
    std::string error, checkError;
    const bool ok = pic.LoadPalmBitmap(data, size, &error);
    const bool checked = clsBitmap::CheckPalmBitmap(data, size, &checkError);
    if (ok != checked || error != checkError)
        std::abort();
    if (!ok) {
        if (error.empty() || !(pic == before))
            std::abort();
        return 0;
    }
    if (pic.Data().size() != size_t(pic.RowBytes()) * size_t(pic.Height()))
        std::abort();
    std::vector<uint8_t> encoded;
    pic.GetPalmBitmap(encoded);
    if (encoded.size() - 18 != pic.PalmDataSize())
        std::abort();
    if (encoded.size() - 18 <= 0xFFFF) {
        clsBitmap back;
        if (!back.LoadPalmBitmap(encoded, &error) || !(back == pic))
            std::abort();
    }
    pic.RightClip();
    pic.BottomClip();
    return 0;
}
