#include "MonoRaster.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace quillary {

namespace {

// A pen of width w covers the pixels whose centres lie within w / 2 of the pen's centre.
// Odd widths centre on a pixel, even widths on the corner above-left of it, so the disc
// is always exactly w pixels across: [-lo, hi] with lo = w / 2 and hi = (w - 1) / 2.
int DiscLow(int width) {
    return width / 2;
}
int DiscHigh(int width) {
    return (width - 1) / 2;
}

// Whether pixel (dx, dy) relative to the pen's pixel belongs to the disc. Works in doubled
// units to stay in integers: the pixel centre relative to the pen centre, times 2.
bool InDisc(int dx, int dy, int width) {
    const int off = (width % 2 == 0) ? 1 : 0;
    const int px = 2 * dx + off;
    const int py = 2 * dy + off;
    return px * px + py * py <= width * width;
}

} // namespace

QRect MonoRaster::SegmentBounds(QPoint a, QPoint b, int width) {
    if (width < 1)
        width = 1;
    const int lo = DiscLow(width);
    const int hi = DiscHigh(width);
    return QRect(QPoint(std::min(a.x(), b.x()) - lo, std::min(a.y(), b.y()) - lo),
                 QPoint(std::max(a.x(), b.x()) + hi, std::max(a.y(), b.y()) + hi));
}

void MonoRaster::StampDisc(QImage& image, int cx, int cy, int width, QRgb colour) {
    const int lo = DiscLow(width);
    const int hi = DiscHigh(width);
    const int w = image.width();
    const int h = image.height();
    for (int dy = -lo; dy <= hi; ++dy) {
        const int y = cy + dy;
        if (y < 0 || y >= h)
            continue;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int dx = -lo; dx <= hi; ++dx) {
            const int x = cx + dx;
            if (x >= 0 && x < w && InDisc(dx, dy, width))
                line[x] = colour;
        }
    }
}

QRect MonoRaster::DrawSegment(QImage& image, QPoint a, QPoint b, int width, QRgb colour) {
    if (width < 1)
        width = 1;
    const QRect touched = SegmentBounds(a, b, width) & image.rect();
    if (touched.isEmpty())
        return QRect();

    const int w = image.width();
    const int h = image.height();
    int x = a.x();
    int y = a.y();
    const int dx = std::abs(b.x() - x);
    const int dy = -std::abs(b.y() - y);
    const int sx = x < b.x() ? 1 : -1;
    const int sy = y < b.y() ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        if (width == 1) {
            if (x >= 0 && x < w && y >= 0 && y < h)
                reinterpret_cast<QRgb*>(image.scanLine(y))[x] = colour;
        } else if (x + DiscHigh(width) >= 0 && x - DiscLow(width) < w && y + DiscHigh(width) >= 0 &&
                   y - DiscLow(width) < h) {
            StampDisc(image, x, y, width, colour);
        }
        if (x == b.x() && y == b.y())
            break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
    return touched;
}

namespace {

// The rows and columns of source that land on target when placed at 'at'.
struct Overlap {
    QRect target; // in target coordinates
    QPoint sourceOrigin;
};

Overlap Place(const QImage& target, QPoint at, const QImage& source) {
    const QRect onTarget = QRect(at, source.size()) & target.rect();
    return {onTarget, onTarget.topLeft() - at};
}

} // namespace

void MonoRaster::FillWhite(QImage& image, const QRect& rect) {
    const QRect r = rect & image.rect();
    if (r.isEmpty())
        return;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y)) + r.left();
        std::fill(line, line + r.width(), kWhite);
    }
}

void MonoRaster::Copy(QImage& target, QPoint at, const QImage& source) {
    const Overlap o = Place(target, at, source);
    if (o.target.isEmpty())
        return;
    const std::size_t bytes = std::size_t(o.target.width()) * sizeof(QRgb);
    for (int row = 0; row < o.target.height(); ++row) {
        const auto* from =
            reinterpret_cast<const QRgb*>(source.constScanLine(o.sourceOrigin.y() + row)) +
            o.sourceOrigin.x();
        auto* to = reinterpret_cast<QRgb*>(target.scanLine(o.target.top() + row)) + o.target.left();
        std::memcpy(to, from, bytes);
    }
}

void MonoRaster::AndMerge(QImage& target, QPoint at, const QImage& source) {
    const Overlap o = Place(target, at, source);
    if (o.target.isEmpty())
        return;
    const int width = o.target.width();
    for (int row = 0; row < o.target.height(); ++row) {
        const auto* from =
            reinterpret_cast<const QRgb*>(source.constScanLine(o.sourceOrigin.y() + row)) +
            o.sourceOrigin.x();
        auto* to = reinterpret_cast<QRgb*>(target.scanLine(o.target.top() + row)) + o.target.left();
        for (int x = 0; x < width; ++x)
            to[x] &= from[x];
    }
}

QImage MonoRaster::Cut(const QImage& source, QPoint from, QSize size) {
    QImage piece = WhiteImage(size);
    Copy(piece, -from, source);
    return piece;
}

QImage MonoRaster::WhiteImage(QSize size) {
    if (size.isEmpty())
        return QImage();
    QImage image(size, QImage::Format_RGB32);
    image.fill(kWhite);
    return image;
}

QImage MonoRaster::ToBlackAndWhite(const QImage& picture) {
    if (picture.isNull())
        return QImage();
    // Alpha is ignored, not blended: a clipboard bitmap has none, and a transparent pixel
    // counts as white only when its own colour is white.
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    QImage image(argb.size(), QImage::Format_RGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        auto* to = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            to[x] = (from[x] & 0x00FFFFFFu) == 0x00FFFFFFu ? kWhite : kBlack;
    }
    return image;
}

} // namespace quillary
