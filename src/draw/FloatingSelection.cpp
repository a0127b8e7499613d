// SPDX-License-Identifier: GPL-3.0-or-later
#include "FloatingSelection.h"

#include "MonoRaster.h"

#include <algorithm>
#include <cmath>

namespace quillary {

void FloatingSelection::Normalize(QPoint anchor, QPoint end, QSize surface) {
    int top = std::min(anchor.y(), end.y());
    int bottom = std::max(anchor.y(), end.y());
    int left = std::min(anchor.x(), end.x());
    int right = std::max(anchor.x(), end.x());
    right = std::min(right, surface.width() - 1);
    bottom = std::min(bottom, surface.height() - 1);
    left = std::max(left, 0);
    top = std::max(top, 0);
    m_Left = left;
    m_Top = top;
    m_Width = right - left + 1;
    m_Height = bottom - top + 1;
}

void FloatingSelection::SetRect(const QRect& rect) {
    m_Left = rect.left();
    m_Top = rect.top();
    m_Width = rect.width();
    m_Height = rect.height();
}

void FloatingSelection::Lift(const QImage& surface) {
    m_Previous = QImage();
    m_Region = MonoRaster::Cut(surface, Rect().topLeft(), Rect().size());
}

void FloatingSelection::BlankSource(QImage& surface) const {
    MonoRaster::FillWhite(surface, Rect());
}

void FloatingSelection::TakePicture(const QImage& picture) {
    m_Region = picture;
    m_Previous = QImage();
    SetRect(QRect(QPoint(0, 0), picture.size()));
}

void FloatingSelection::Drop(QImage& surface) {
    m_Previous = MonoRaster::Cut(surface, Rect().topLeft(), Rect().size());
    MonoRaster::AndMerge(surface, Rect().topLeft(), m_Region);
}

void FloatingSelection::RestoreUnder(QImage& surface) const {
    MonoRaster::Copy(surface, Rect().topLeft(), m_Previous);
}

namespace {

// New position of one edge: at least one row/column stays on a surface of 'extent' pixels.
int ShiftedEdge(int edge, double delta, int size, int extent) {
    const double moved = edge + delta;
    if (moved < 1 - size)
        return 1 - size;
    if (moved > extent - 1)
        return extent - 1;
    return static_cast<int>(std::lround(moved));
}

} // namespace

void FloatingSelection::Shift(double dx, double dy, QSize surface) {
    m_Top = ShiftedEdge(m_Top, dy, m_Height, surface.height());
    m_Left = ShiftedEdge(m_Left, dx, m_Width, surface.width());
}

} // namespace quillary
