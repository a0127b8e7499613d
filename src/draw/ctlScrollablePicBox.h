// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QWidget>

class QLabel;
class QScrollBar;

namespace quillary {

// Shows a full-size picture scaled by ScaleFactor inside a grey viewport: scroll bars
// when the scaled picture is larger than the control, centred when it is smaller.
//
// The host draws into PictureBox() (the full-size picture: it sets its size, clears it
// and paints on it), sets ScaleFactor when the zoom changes and then calls
// UpdatePicture(). Every layout pass (UpdatePicture, a resize) scrolls back to the
// top-left corner. Geometry is in pixels; one scroll step is one pixel.
class ctlScrollablePicBox : public QWidget {
    Q_OBJECT
public:
    // Thickness of both scroll bars (255 twips).
    static constexpr int kBarThickness = 17;

    explicit ctlScrollablePicBox(QWidget* parent = nullptr);

    // The full-size picture (picRealPicture). Its size is the picture's size.
    QImage& PictureBox() { return m_RealPicture; }
    const QImage& PictureBox() const { return m_RealPicture; }
    // Makes the full-size picture width x height, white.
    void ResetPicture(int width, int height);

    double ScaleFactor() const { return m_ScaleFactor; }
    // Resizes the shown picture to the full-size picture times factor; neither repaints
    // it nor lays out the bars (UpdatePicture does both). A factor <= 0 is ignored.
    void SetScaleFactor(double factor);

    // Rebuilds the scaled copy from the full-size picture and lays out the control.
    void UpdatePicture();

    // Off (the default): the scaled copy keeps exact pixels at every factor, as an editor
    // needs. On: a reduced copy averages the area each shown pixel covers (AreaScaled), so
    // thin lines turn grey instead of dropping out, as a page preview needs; an enlarged
    // one still keeps exact pixels.
    void SetSmoothReduction(bool on) { m_SmoothReduction = on; }
    bool SmoothReduction() const { return m_SmoothReduction; }

    // The viewport geometry as laid out, for the host and tests.
    QWidget* Clipper() const { return m_picClipper; }
    QLabel* Preview() const { return m_picPreview; }
    QScrollBar* VerticalBar() const { return m_sclVert; }
    QScrollBar* HorizontalBar() const { return m_sclHorz; }

    // The scaled size of the picture, (width, height) x factor rounded.
    QSize ScaledSize() const;

signals:
    // Ctrl + mouse wheel over the picture: steps > 0 zooms in, < 0 zooms out.
    void zoomRequested(int steps);

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Arrow keys scroll; everything else (Page Up/Down included) goes to the host.
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ArrangePreview();
    void OnVerticalScroll(int value);
    void OnHorizontalScroll(int value);

    QImage m_RealPicture;
    double m_ScaleFactor = 1.0;
    bool m_SmoothReduction = false;
    int m_WheelRemainder = 0;

    QWidget* m_picClipper = nullptr;
    QLabel* m_picPreview = nullptr;
    QScrollBar* m_sclVert = nullptr;
    QScrollBar* m_sclHorz = nullptr;
};

} // namespace quillary
