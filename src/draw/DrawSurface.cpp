// SPDX-License-Identifier: GPL-3.0-or-later
#include "DrawSurface.h"

#include "MonoRaster.h"

#include <QPaintEvent>
#include <QPainter>

#include <cmath>

namespace quillary {

DrawSurface::DrawSurface(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picDrawBox"));
    // Every pixel is painted from the image; nothing behind it needs erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    resize(0, 0);
}

void DrawSurface::SetImage(const QImage& image) {
    m_Image = image;
    FitToImage();
    update();
}

void DrawSurface::SetScale(double scale) {
    if (!(scale > 0) || scale == m_Scale)
        return;
    m_Scale = scale;
    FitToImage();
    update();
}

void DrawSurface::FitToImage() {
    if (m_Scale == 1.0)
        resize(m_Image.size());
    else
        resize(int(std::ceil(m_Image.width() * m_Scale)),
               int(std::ceil(m_Image.height() * m_Scale)));
}

QRect DrawSurface::ToWidget(const QRect& rect) const {
    if (m_Scale == 1.0 || rect.isEmpty())
        return rect;
    return QRectF(rect.x() * m_Scale, rect.y() * m_Scale, rect.width() * m_Scale,
                  rect.height() * m_Scale)
        .toAlignedRect();
}

QPointF DrawSurface::ToPicture(QPointF widgetPos) const {
    if (m_Scale == 1.0)
        return widgetPos;
    return QPointF(std::floor(widgetPos.x() / m_Scale), std::floor(widgetPos.y() / m_Scale));
}

void DrawSurface::Changed(const QRect& rect) {
    if (!rect.isEmpty())
        update(ToWidget(rect));
}

QRect DrawSurface::PreviewBounds() const {
    return MonoRaster::SegmentBounds(m_Preview.p1(), m_Preview.p2(), m_PreviewWidth)
        .adjusted(-1, -1, 1, 1);
}

QRect DrawSurface::FrameBounds() const {
    return m_Frame.adjusted(-1, -1, 1, 1);
}

void DrawSurface::SetLinePreview(const QLine& line, int width) {
    if (m_PreviewVisible)
        update(ToWidget(PreviewBounds()));
    m_Preview = line;
    m_PreviewWidth = std::max(width, 1);
    m_PreviewVisible = true;
    update(ToWidget(PreviewBounds()));
}

void DrawSurface::HideLinePreview() {
    if (!m_PreviewVisible)
        return;
    m_PreviewVisible = false;
    update(ToWidget(PreviewBounds()));
}

void DrawSurface::SetSelectionFrame(const QRect& rect) {
    if (m_FrameVisible)
        update(ToWidget(FrameBounds()));
    m_Frame = rect;
    m_FrameVisible = true;
    update(ToWidget(FrameBounds()));
}

void DrawSurface::HideSelectionFrame() {
    if (!m_FrameVisible)
        return;
    m_FrameVisible = false;
    update(ToWidget(FrameBounds()));
}

void DrawSurface::PaintMagnified(QPainter& painter, const QRect& area) {
    // Only the picture pixels the exposed area touches are scaled.
    const QRect pixels = QRectF(area.x() / m_Scale, area.y() / m_Scale, area.width() / m_Scale,
                                area.height() / m_Scale)
                             .toAlignedRect() &
                         m_Image.rect();
    if (pixels.isEmpty())
        return;
    const QRectF target(pixels.x() * m_Scale, pixels.y() * m_Scale, pixels.width() * m_Scale,
                        pixels.height() * m_Scale);
    painter.drawImage(target, m_Image, QRectF(pixels));
    if (m_Scale < 4)
        return;
    // A faint grid between the pixels, light enough not to be taken for ink.
    painter.setPen(QPen(QColor(160, 160, 160, 90), 0));
    for (int x = pixels.left(); x <= pixels.right() + 1; ++x)
        painter.drawLine(QPointF(x * m_Scale, target.top()), QPointF(x * m_Scale, target.bottom()));
    for (int y = pixels.top(); y <= pixels.bottom() + 1; ++y)
        painter.drawLine(QPointF(target.left(), y * m_Scale), QPointF(target.right(), y * m_Scale));
}

void DrawSurface::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect area = event->rect();
    if (m_Scale == 1.0) {
        if (!m_Image.isNull())
            painter.drawImage(area.topLeft(), m_Image, area);
    } else if (!m_Image.isNull()) {
        PaintMagnified(painter, area);
    }

    if (m_PreviewVisible) {
        // Grey shows over black and white pixels alike and cannot be mistaken for ink.
        QPen pen(QColor(128, 128, 128), m_PreviewWidth, Qt::SolidLine, Qt::RoundCap);
        painter.save();
        if (m_Scale == 1.0) {
            if (m_PreviewWidth == 1)
                pen.setCosmetic(true);
        } else {
            // Through the pixels' centres, as the line will be drawn.
            painter.scale(m_Scale, m_Scale);
            painter.translate(0.5, 0.5);
        }
        painter.setPen(pen);
        painter.drawLine(m_Preview);
        painter.restore();
    }
    if (m_FrameVisible) {
        // Solid white under dotted black: the frame shows on black and on white pixels.
        const QRect frame = ToWidget(m_Frame).adjusted(0, 0, -1, -1);
        painter.setPen(QPen(Qt::white, 1, Qt::SolidLine));
        painter.drawRect(frame);
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.drawRect(frame);
    }
}

} // namespace quillary
