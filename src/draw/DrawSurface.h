// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QLine>
#include <QRect>
#include <QWidget>

class QPainter;

namespace quillary {

// The drawing surface: shows the persistent black-and-white image magnified by its scale
// (each picture pixel a scale x scale square, with a faint grid between them from 4x up),
// and draws the Line preview and the selection frame over it without touching its pixels.
// Mouse events are handled by whoever installs an event filter (the control). Rectangles
// and points taken or given by the functions below are picture pixels unless said otherwise.
class DrawSurface : public QWidget {
    Q_OBJECT
public:
    explicit DrawSurface(QWidget* parent = nullptr);

    const QImage& Image() const { return m_Image; }
    // Takes a new image (Format_RGB32, black and white only) and resizes to it.
    void SetImage(const QImage& image);
    // For in-place edits; call Changed with the touched rectangle afterwards.
    QImage& MutableImage() { return m_Image; }
    void Changed(const QRect& rect);

    // Magnification (> 0); the widget resizes to the picture times the scale.
    double Scale() const { return m_Scale; }
    void SetScale(double scale);
    // Picture pixels to the widget's own coordinates and back. A widget position maps to the
    // pixel under it (at scale 1 it passes unchanged, so positions keep their fractions).
    QRect ToWidget(const QRect& rect) const;
    QPointF ToPicture(QPointF widgetPos) const;

    void SetLinePreview(const QLine& line, int width);
    void HideLinePreview();
    bool LinePreviewVisible() const { return m_PreviewVisible; }

    // Frame around the inclusive pixel rectangle rect.
    void SetSelectionFrame(const QRect& rect);
    void HideSelectionFrame();
    bool SelectionFrameVisible() const { return m_FrameVisible; }
    QRect SelectionFrame() const { return m_Frame; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PaintMagnified(QPainter& painter, const QRect& area);
    QRect PreviewBounds() const;
    QRect FrameBounds() const;

    void FitToImage();

    QImage m_Image;
    double m_Scale = 1.0;
    QLine m_Preview;
    int m_PreviewWidth = 1;
    bool m_PreviewVisible = false;
    QRect m_Frame;
    bool m_FrameVisible = false;
};

} // namespace quillary
