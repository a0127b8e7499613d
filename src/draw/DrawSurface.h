#pragma once

#include <QImage>
#include <QLine>
#include <QRect>
#include <QWidget>

namespace quillary {

// The drawing surface: shows the persistent black-and-white image at its own size, and
// draws the Line preview and the selection frame over it without touching its pixels.
// Mouse events are handled by whoever installs an event filter (the control).
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
    QRect PreviewBounds() const;
    QRect FrameBounds() const;

    QImage m_Image;
    QLine m_Preview;
    int m_PreviewWidth = 1;
    bool m_PreviewVisible = false;
    QRect m_Frame;
    bool m_FrameVisible = false;
};

} // namespace quillary
