// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace quillary {

// The selection layer of the picture editor: a rectangle of the surface, the selection's
// own pixels and the surface pixels it covers. While it floats its black pixels are already
// merged into the surface (white ones are transparent), so reading the surface always gives
// the picture as shown. Edges are inclusive; the rectangle may hang over the surface's
// edges after a move (the overhang is clipped when merged, kept in the layer).
class FloatingSelection {
public:
    int Left() const { return m_Left; }
    int Top() const { return m_Top; }
    int Right() const { return m_Left + m_Width - 1; }
    int Bottom() const { return m_Top + m_Height - 1; }
    int Width() const { return m_Width; }
    int Height() const { return m_Height; }
    QRect Rect() const { return QRect(m_Left, m_Top, m_Width, m_Height); }
    bool IsFloating() const { return m_Floating; }
    void SetFloating(bool floating) { m_Floating = floating; }
    const QImage& Pixels() const { return m_Region; }

    // The rectangle spanned by two drag points, cut to the surface.
    void Normalize(QPoint anchor, QPoint end, QSize surface);
    // Places the rectangle directly (no clipping).
    void SetRect(const QRect& rect);

    // Copies the rectangle's surface pixels into the layer.
    void Lift(const QImage& surface);
    // Paints the rectangle's surface pixels white (the lifted source).
    void BlankSource(QImage& surface) const;
    // Takes a picture as the layer's pixels at the top-left corner of the surface.
    void TakePicture(const QImage& picture);
    // Remembers what lies under the rectangle, then ANDs the layer onto the surface.
    void Drop(QImage& surface);
    // Puts back what lay under the rectangle before the last Drop.
    void RestoreUnder(QImage& surface) const;

    // Shifts the rectangle by (dx, dy), keeping at least one row and one column on the
    // surface. Does not touch any pixels.
    void Shift(double dx, double dy, QSize surface);

private:
    int m_Left = 0;
    int m_Top = 0;
    int m_Width = 0;
    int m_Height = 0;
    bool m_Floating = false;
    QImage m_Region;   // the selection's own pixels, Width x Height
    QImage m_Previous; // the surface under the rectangle before the last Drop
};

} // namespace quillary
