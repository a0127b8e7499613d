// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "draw/ctlDrawBox.h"
#include "support/ScriptedPlatformServices.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPoint>
#include <QSet>
#include <QTest>
#include <QWidget>

#include <memory>

namespace quillary::test {

inline constexpr QRgb kInk = 0xFF000000u;
inline constexpr QRgb kPaper = 0xFFFFFFFFu;

inline QImage WhitePicture(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(kPaper);
    return image;
}

inline QSet<QPoint> BlackPixels(const QImage& image) {
    QSet<QPoint> points;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != kPaper)
                points.insert(QPoint(x, y));
    return points;
}

inline void PaintBlack(QImage& image, const QRect& rect) {
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            image.setPixel(x, y, kInk);
}

// Mouse events as the window system delivers them; the buttons held travel with moves.
inline void SendMouse(QWidget* target, QEvent::Type type, QPointF pos, Qt::MouseButton button,
                      Qt::MouseButtons held) {
    QMouseEvent event(type, pos, target->mapToGlobal(pos), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// One control on a fresh window with a white picture, driven through the scripted services.
class DrawBoxFixture {
public:
    explicit DrawBoxFixture(QSize picture = QSize(100, 80), QSize control = QSize(300, 200)) {
        box = std::make_unique<ctlDrawBox>(&services);
        box->resize(control);
        box->SetPicture(WhitePicture(picture.width(), picture.height()));
        box->show();
    }

    QWidget* Surface() const { return box->findChild<QWidget*>(QStringLiteral("picDrawBox")); }
    QWidget* Grab() const { return box->findChild<QWidget*>(QStringLiteral("lblDrag")); }

    // A left-button drag on the surface through the given points (press at the first,
    // release at the last).
    void Drag(std::initializer_list<QPoint> points) const {
        QWidget* s = Surface();
        auto it = points.begin();
        Press(s, *it);
        for (++it; it != points.end(); ++it)
            SendMouse(s, QEvent::MouseMove, *it, Qt::NoButton, Qt::LeftButton);
        Release(s, *(points.end() - 1));
    }

    // QTest takes (0, 0) to mean "the widget's centre"; the corner pixel needs its own event.
    static void Press(QWidget* w, QPoint at) {
        if (at.isNull())
            SendMouse(w, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        else
            QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, at);
    }
    static void Release(QWidget* w, QPoint at) {
        if (at.isNull())
            SendMouse(w, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
        else
            QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, at);
    }

    // Drags the floating selection by (dx, dy) in 'steps' moves, grabbing it at its centre.
    void DragSelection(int dx, int dy, int steps = 1) const {
        QWidget* g = Grab();
        const QPoint start = g->rect().center();
        QTest::mousePress(g, Qt::LeftButton, Qt::NoModifier, start);
        QPoint done(0, 0);
        for (int i = 1; i <= steps; ++i) {
            const QPoint next(dx * i / steps, dy * i / steps);
            // Positions are relative to the grab area, which follows the selection.
            SendMouse(g, QEvent::MouseMove, start + next - done, Qt::NoButton, Qt::LeftButton);
            done = next;
        }
        QTest::mouseRelease(g, Qt::LeftButton, Qt::NoModifier, start);
    }

    void Select(QPoint from, QPoint to) const {
        box->SetTool(ctlDrawBox::ToolRegion);
        Drag({from, to});
    }

    ScriptedPlatformServices services;
    std::unique_ptr<ctlDrawBox> box;
};

} // namespace quillary::test
