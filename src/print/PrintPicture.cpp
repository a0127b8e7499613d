#include "print/PrintPicture.h"

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
    image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    if (bitmap.Depth() == 1) {
        // Same bit order as the image (most significant bit leftmost, set = black).
        const size_t rowBytes = size_t(bitmap.RowBytes());
        const size_t copy = std::min<size_t>(rowBytes, size_t(image.bytesPerLine()));
        const std::vector<uint8_t>& data = bitmap.Data();
        for (int y = 0; y < h; ++y) {
            uchar* line = image.scanLine(y);
            std::memset(line, 0, size_t(image.bytesPerLine()));
            if ((size_t(y) + 1) * rowBytes <= data.size())
                std::memcpy(line, data.data() + size_t(y) * rowBytes, copy);
        }
    } else {
        image.fill(0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (bitmap.GetPixel(x, y))
                    image.setPixel(x, y, 1);
    }
    return image;
}

void DrawPicture(QPainter& painter, const clsBitmap& bitmap, const QRect& rect) {
    const QImage image = MonoImage(bitmap);
    if (image.isNull() || rect.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    painter.drawImage(QRectF(rect), image);
    painter.restore();
}

} // namespace quillary
