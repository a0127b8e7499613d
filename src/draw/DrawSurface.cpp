#include "DrawSurface.h"

#include "MonoRaster.h"

#include <QPaintEvent>
#include <QPainter>

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
    resize(m_Image.size());
    update();
}

void DrawSurface::Changed(const QRect& rect) {
    if (!rect.isEmpty())
        update(rect);
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
        update(PreviewBounds());
    m_Preview = line;
    m_PreviewWidth = std::max(width, 1);
    m_PreviewVisible = true;
    update(PreviewBounds());
}

void DrawSurface::HideLinePreview() {
    if (!m_PreviewVisible)
        return;
    m_PreviewVisible = false;
    update(PreviewBounds());
}

void DrawSurface::SetSelectionFrame(const QRect& rect) {
    if (m_FrameVisible)
        update(FrameBounds());
    m_Frame = rect;
    m_FrameVisible = true;
    update(FrameBounds());
}

void DrawSurface::HideSelectionFrame() {
    if (!m_FrameVisible)
        return;
    m_FrameVisible = false;
    update(FrameBounds());
}

void DrawSurface::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect area = event->rect();
    if (!m_Image.isNull())
        painter.drawImage(area.topLeft(), m_Image, area);

    if (m_PreviewVisible) {
        // Grey shows over black and white pixels alike and cannot be mistaken for ink.
        QPen pen(QColor(128, 128, 128), m_PreviewWidth, Qt::SolidLine, Qt::RoundCap);
        if (m_PreviewWidth == 1)
            pen.setCosmetic(true);
        painter.setPen(pen);
        painter.drawLine(m_Preview);
    }
    if (m_FrameVisible) {
        // Solid white under dotted black: the frame shows on black and on white pixels.
        painter.setPen(QPen(Qt::white, 1, Qt::SolidLine));
        painter.drawRect(m_Frame.adjusted(0, 0, -1, -1));
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.drawRect(m_Frame.adjusted(0, 0, -1, -1));
    }
}

} // namespace quillary
