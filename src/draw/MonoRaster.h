// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRgb>
#include <QSize>

namespace quillary {

// Pixel work on a black-and-white surface (QImage::Format_RGB32 holding only
// kBlack and kWhite). Nothing here antialiases, so the pixels a stroke sets are known.
class MonoRaster {
public:
    static constexpr QRgb kBlack = 0xFF000000u;
    static constexpr QRgb kWhite = 0xFFFFFFFFu;

    // Draws the segment from a to b, both end points included. Width 1 (or less) sets the
    // pixels of a Bresenham line; a wider pen is round: a disc of that diameter is stamped
    // at every point of the line. Pixels outside the image are clipped.
    // Returns the rectangle of pixels it may have changed (already clipped; may be empty).
    static QRect DrawSegment(QImage& image, QPoint a, QPoint b, int width, QRgb colour);

    // The rectangle a segment of that width covers, unclipped.
    static QRect SegmentBounds(QPoint a, QPoint b, int width);

    // Paints the part of rect that lies on the image white.
    static void FillWhite(QImage& image, const QRect& rect);

    // Plain copy of all of source onto target with its top-left corner at 'at'; whatever
    // falls outside the target is clipped. Both images must be Format_RGB32.
    static void Copy(QImage& target, QPoint at, const QImage& source);

    // target := target AND source over the same placement as Copy: black source pixels
    // turn the target black, white ones leave it as it was.
    static void AndMerge(QImage& target, QPoint at, const QImage& source);

    // The size-sized piece of source whose top-left corner is at 'from'; parts outside the
    // source read as white.
    static QImage Cut(const QImage& source, QPoint from, QSize size);

    // A new all-white surface image.
    static QImage WhiteImage(QSize size);

    // The rect's pixels (which must lie on the image) as 1-bit rows, each padded to whole
    // bytes, set bits black. (rect.width() + 7) / 8 * rect.height() bytes.
    static QByteArray PackRows(const QImage& image, const QRect& rect);
    // Writes rows made by PackRows back over rect; does nothing when rect leaves the image or
    // the row data does not fit it.
    static void UnpackRows(QImage& image, const QRect& rect, const QByteArray& rows);
    // The smallest rectangle holding every pixel where the two images (same size) differ;
    // empty when they are equal or differ in size.
    static QRect Difference(const QImage& a, const QImage& b);

    // The surface form of any picture: only exactly white (red, green and blue all 255)
    // stays white; everything else becomes black.
    static QImage ToBlackAndWhite(const QImage& picture);
};

} // namespace quillary
