// SPDX-License-Identifier: GPL-3.0-or-later
#include "BitmapImage.h"

#include "MonoRaster.h"

#include <algorithm>
#include <cstring>

namespace quillary {

QImage BitmapToImage(const clsBitmap& bitmap) {
    QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_Mono);
    if (image.isNull())
        return image;
    image.setColorTable({MonoRaster::kWhite, MonoRaster::kBlack});
    // Both keep the leftmost pixel in the most significant bit and 1 for black.
    const std::size_t bytes =
        std::min<std::size_t>(std::size_t(bitmap.RowBytes()), std::size_t(image.bytesPerLine()));
    const uint8_t* data = bitmap.Data().data();
    for (int y = 0; y < bitmap.Height(); ++y)
        std::memcpy(image.scanLine(y), data + std::size_t(y) * bitmap.RowBytes(), bytes);
    return image;
}

clsBitmap ImageToBitmap(const QImage& image) {
    clsBitmap bitmap;
    bitmap.InitializeBitmap(std::max(image.width(), 1), std::max(image.height(), 1), 1);
    if (image.isNull())
        return bitmap;
    const QImage mono = MonoRaster::ToBlackAndWhite(image);
    const int width = std::min(mono.width(), int(bitmap.Width()));
    const int height = std::min(mono.height(), int(bitmap.Height()));
    std::vector<uint8_t>& data = bitmap.Data();
    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(mono.constScanLine(y));
        uint8_t* row = data.data() + std::size_t(y) * bitmap.RowBytes();
        for (int x = 0; x < width; ++x)
            if (line[x] != MonoRaster::kWhite)
                row[x >> 3] |= uint8_t(0x80u >> (x & 7));
    }
    return bitmap;
}

} // namespace quillary
