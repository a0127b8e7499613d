// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/PrintPicture.h"

#include "core/AreaScale.h"
#include "storage/clsBitmap.h"

#include <QPainter>

#include <algorithm>
#include <cstring>

namespace quillary {

QImage MonoImage(const clsBitmap& bitmap) {
    const int w = bitmap.Width();
    const int h = bitmap.Height();
    QImage image(w, h, QImage::Format_Mono);
    if (image.isNull())
        return image;
    // Index 0 black, 1 white: the form the PDF writer stores as a 1-bit image.
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    if (bitmap.Depth() == 1) {
        // Same bit order as the image (most significant bit leftmost); a set bit is black,
        // colour 0.
        const size_t rowBytes = size_t(bitmap.RowBytes());
        const size_t copy = std::min<size_t>(rowBytes, size_t(image.bytesPerLine()));
        const std::vector<uint8_t>& data = bitmap.Data();
        for (int y = 0; y < h; ++y) {
            uchar* line = image.scanLine(y);
            std::memset(line, 0xff, size_t(image.bytesPerLine()));
            if ((size_t(y) + 1) * rowBytes <= data.size()) {
                const uint8_t* row = data.data() + size_t(y) * rowBytes;
                for (size_t i = 0; i < copy; ++i)
                    line[i] = uchar(~row[i]);
            }
        }
    } else {
        image.fill(1);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (bitmap.GetPixel(x, y))
                    image.setPixel(x, y, 0);
    }
    return image;
}

void DrawPicture(QPainter& painter, const clsBitmap& bitmap, const QRect& rect, bool onScreen) {
    const QImage image = MonoImage(bitmap);
    if (image.isNull() || rect.isEmpty())
        return;
    // Enlarged, every picture pixel becomes a block of whole ones either way; only a
    // reduction would drop pixels.
    const bool reduced = rect.width() < image.width() || rect.height() < image.height();
    if (onScreen && reduced && painter.transform().isIdentity()) {
        painter.drawImage(rect.topLeft(), AreaScaled(image, rect.size()));
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    painter.drawImage(QRectF(rect), image);
    painter.restore();
}

} // namespace quillary
