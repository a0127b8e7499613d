// SPDX-License-Identifier: GPL-3.0-or-later
#include "MonoRaster.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

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

long long FloorDiv2(long long v) {
    return v >= 0 ? v / 2 : -((-v + 1) / 2);
}

// The columns [lo, hi] of row dy of the disc, relative to the pen's pixel. Works in doubled
// units to stay in integers: a pixel centre relative to the pen centre, times 2, is
// (2 dx + off, 2 dy + off) and belongs to the disc when its length is at most w.
bool DiscRow(int dy, int width, int& lo, int& hi) {
    const long long off = (width % 2 == 0) ? 1 : 0;
    const long long py = 2LL * dy + off;
    const long long room = static_cast<long long>(width) * width - py * py;
    if (room < 0)
        return false;
    auto m = static_cast<long long>(std::sqrt(static_cast<double>(room)));
    while (m * m > room)
        --m;
    while ((m + 1) * (m + 1) <= room)
        ++m;
    hi = static_cast<int>(FloorDiv2(m - off));
    lo = static_cast<int>(-FloorDiv2(m + off)); // ceil((-m - off) / 2)
    return lo <= hi;
}

void Plot(QImage& image, int x, int y, QRgb colour) {
    if (x >= 0 && x < image.width() && y >= 0 && y < image.height())
        reinterpret_cast<QRgb*>(image.scanLine(y))[x] = colour;
}

// Visits the pixels of the Bresenham line from a to b, both ends included.
template <typename Visit> void Bresenham(QPoint a, QPoint b, Visit visit) {
    int x = a.x();
    int y = a.y();
    const int dx = std::abs(b.x() - x);
    const int dy = -std::abs(b.y() - y);
    const int sx = x < b.x() ? 1 : -1;
    const int sy = y < b.y() ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        visit(x, y);
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

QRect MonoRaster::DrawSegment(QImage& image, QPoint a, QPoint b, int width, QRgb colour) {
    if (width < 1)
        width = 1;
    const QRect touched = SegmentBounds(a, b, width) & image.rect();
    if (touched.isEmpty())
        return QRect();
    if (width == 1) {
        Bresenham(a, b, [&](int x, int y) { Plot(image, x, y, colour); });
        return touched;
    }

    // A round pen stamps a disc at every point of the line. Along one row the discs of
    // neighbouring points overlap or touch (their centres are at most one column apart),
    // so each row of the stroke is one run: collect its ends, then fill it once.
    const int top = touched.top();
    std::vector<int> first(std::size_t(touched.height()), INT_MAX);
    std::vector<int> last(std::size_t(touched.height()), INT_MIN);
    Bresenham(a, b, [&](int x, int y) {
        const int from = std::max(y - DiscLow(width), touched.top());
        const int to = std::min(y + DiscHigh(width), touched.bottom());
        for (int row = from; row <= to; ++row) {
            int lo = 0;
            int hi = 0;
            if (!DiscRow(row - y, width, lo, hi))
                continue;
            const std::size_t i = std::size_t(row - top);
            first[i] = std::min(first[i], x + lo);
            last[i] = std::max(last[i], x + hi);
        }
    });
    for (int row = touched.top(); row <= touched.bottom(); ++row) {
        const std::size_t i = std::size_t(row - top);
        const int from = std::max(first[i], touched.left());
        const int to = std::min(last[i], touched.right());
        if (from > to)
            continue;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(row));
        std::fill(line + from, line + to + 1, colour);
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

QByteArray MonoRaster::PackRows(const QImage& image, const QRect& rect) {
    if (rect.isEmpty() || !image.rect().contains(rect))
        return {};
    const int stride = (rect.width() + 7) / 8;
    QByteArray rows(qsizetype(stride) * rect.height(), '\0');
    auto* out = reinterpret_cast<uchar*>(rows.data());
    for (int y = 0; y < rect.height(); ++y) {
        const auto* in =
            reinterpret_cast<const QRgb*>(image.constScanLine(rect.top() + y)) + rect.left();
        uchar* row = out + qsizetype(y) * stride;
        for (int x = 0; x < rect.width(); ++x)
            if (in[x] != kWhite)
                row[x >> 3] |= uchar(0x80u >> (x & 7));
    }
    return rows;
}

void MonoRaster::UnpackRows(QImage& image, const QRect& rect, const QByteArray& rows) {
    if (rect.isEmpty() || !image.rect().contains(rect))
        return;
    const int stride = (rect.width() + 7) / 8;
    if (rows.size() != qsizetype(stride) * rect.height())
        return;
    const auto* in = reinterpret_cast<const uchar*>(rows.constData());
    for (int y = 0; y < rect.height(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(rect.top() + y)) + rect.left();
        const uchar* row = in + qsizetype(y) * stride;
        for (int x = 0; x < rect.width(); ++x)
            out[x] = (row[x >> 3] & (0x80u >> (x & 7))) ? kBlack : kWhite;
    }
}

QRect MonoRaster::Difference(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.format() != b.format() || a.isNull())
        return {};
    int top = -1, bottom = -1, left = a.width(), right = -1;
    const size_t rowBytes = size_t(a.width()) * sizeof(QRgb);
    for (int y = 0; y < a.height(); ++y) {
        const auto* pa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* pb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        if (std::memcmp(pa, pb, rowBytes) == 0)
            continue;
        if (top < 0)
            top = y;
        bottom = y;
        int l = 0;
        while (pa[l] == pb[l])
            ++l;
        int r = a.width() - 1;
        while (pa[r] == pb[r])
            --r;
        left = std::min(left, l);
        right = std::max(right, r);
    }
    if (top < 0)
        return {};
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace quillary
