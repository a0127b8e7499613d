// SPDX-License-Identifier: GPL-3.0-or-later
// The print preview's scrollable picture box: layout rules, scaling, scrolling, wheel.
#include "draw/ctlScrollablePicBox.h"

#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

using namespace quillary;

class tst_ctlScrollablePicBox : public QObject {
    Q_OBJECT
private slots:
    void layout_data();
    void layout();
    void halfScaleShowsHalfPicture();
    void scaleFactorAloneDoesNotRelayOrRepaint();
    void scrollBarsMovePicture_data();
    void scrollBarsMovePicture();
    void layoutResetsScrollPosition();
    void wheelScrollsAndCtrlWheelAsksForZoom();
    void arrowKeysScroll();
    void greyBackgroundAroundCentredPicture();
};

namespace {

constexpr int B = ctlScrollablePicBox::kBarThickness;

// A picture with a black frame and a black left half, so scaling can be seen in pixels.
void Paint(ctlScrollablePicBox& box, int w, int h) {
    box.ResetPicture(w, h);
    QPainter p(&box.PictureBox());
    p.fillRect(0, 0, w / 2, h, Qt::black);
    p.setPen(Qt::black);
    p.drawRect(0, 0, w - 1, h - 1);
}

} // namespace

void tst_ctlScrollablePicBox::layout_data() {
    QTest::addColumn<QSize>("control");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<double>("factor");
    QTest::addColumn<QRect>("clipper");
    QTest::addColumn<QPoint>("previewAt");
    QTest::addColumn<QSize>("previewSize");
    QTest::addColumn<int>("vertMax"); // -1: no vertical bar
    QTest::addColumn<int>("horzMax"); // -1: no horizontal bar

    QTest::newRow("smaller: centred both ways")
        << QSize(400, 300) << QSize(200, 100) << 1.0 << QRect(0, 0, 400, 300) << QPoint(100, 100)
        << QSize(200, 100) << -1 << -1;
    QTest::newRow("exact fit: no bars")
        << QSize(400, 300) << QSize(400, 300) << 1.0 << QRect(0, 0, 400, 300) << QPoint(0, 0)
        << QSize(400, 300) << -1 << -1;
    QTest::newRow("taller, narrow: vertical bar, centred across the narrowed viewport")
        << QSize(400, 300) << QSize(200, 600) << 1.0 << QRect(0, 0, 400 - B, 300)
        << QPoint((400 - B - 200) / 2, 0) << QSize(200, 600) << 600 - 300 << -1;
    QTest::newRow("taller, the bar makes it too wide: both bars")
        << QSize(400, 300) << QSize(390, 600) << 1.0 << QRect(0, 0, 400 - B, 300 - B)
        << QPoint(0, 0) << QSize(390, 600) << 600 - (300 - B) << 390 - (400 - B);
    QTest::newRow("wider, short: horizontal bar, centred down the lowered viewport")
        << QSize(400, 300) << QSize(800, 200) << 1.0 << QRect(0, 0, 400, 300 - B)
        << QPoint(0, (300 - B - 200) / 2) << QSize(800, 200) << -1 << 800 - 400;
    QTest::newRow("wider, the bar makes it too tall: both bars")
        << QSize(400, 300) << QSize(800, 290) << 1.0 << QRect(0, 0, 400 - B, 300 - B)
        << QPoint(0, 0) << QSize(800, 290) << 290 - (300 - B) << 800 - (400 - B);
    QTest::newRow("height exactly fills the viewport left by the horizontal bar")
        << QSize(400, 300) << QSize(800, 300 - B) << 1.0 << QRect(0, 0, 400, 300 - B)
        << QPoint(0, 0) << QSize(800, 300 - B) << -1 << 400;
    QTest::newRow("half scale of a page larger than the control")
        << QSize(400, 300) << QSize(1000, 800) << 0.5 << QRect(0, 0, 400 - B, 300 - B)
        << QPoint(0, 0) << QSize(500, 400) << 400 - (300 - B) << 500 - (400 - B);
    QTest::newRow("quarter scale fits: centred")
        << QSize(400, 300) << QSize(816, 1056) << 0.25 << QRect(0, 0, 400, 300)
        << QPoint((400 - 204) / 2, (300 - 264) / 2) << QSize(204, 264) << -1 << -1;
    QTest::newRow("double scale of a small picture")
        << QSize(400, 300) << QSize(100, 100) << 2.0 << QRect(0, 0, 400, 300) << QPoint(100, 50)
        << QSize(200, 200) << -1 << -1;
    QTest::newRow("control smaller than the bars")
        << QSize(10, 10) << QSize(100, 100) << 1.0 << QRect(0, 0, 0, 0) << QPoint(0, 0)
        << QSize(100, 100) << 100 << 100;
}

void tst_ctlScrollablePicBox::layout() {
    QFETCH(QSize, control);
    QFETCH(QSize, picture);
    QFETCH(double, factor);
    QFETCH(QRect, clipper);
    QFETCH(QPoint, previewAt);
    QFETCH(QSize, previewSize);
    QFETCH(int, vertMax);
    QFETCH(int, horzMax);

    ctlScrollablePicBox box;
    box.resize(control);
    box.show();
    Paint(box, picture.width(), picture.height());
    box.SetScaleFactor(factor);
    box.UpdatePicture();

    QCOMPARE(box.Clipper()->geometry(), clipper);
    QCOMPARE(box.Preview()->pos(), previewAt);
    QCOMPARE(box.Preview()->size(), previewSize);
    QCOMPARE(box.Preview()->pixmap().size(), previewSize);

    QScrollBar* v = box.VerticalBar();
    QCOMPARE(v->isVisible(), vertMax >= 0);
    if (vertMax >= 0) {
        QCOMPARE(v->geometry(), QRect(clipper.right() + 1, 0, B, clipper.height()));
        QCOMPARE(v->minimum(), 0);
        QCOMPARE(v->maximum(), vertMax);
        QCOMPARE(v->value(), 0);
        QCOMPARE(v->pageStep(), std::max(clipper.height(), 1));
    }
    QScrollBar* h = box.HorizontalBar();
    QCOMPARE(h->isVisible(), horzMax >= 0);
    if (horzMax >= 0) {
        QCOMPARE(h->geometry(), QRect(0, clipper.bottom() + 1, clipper.width(), B));
        QCOMPARE(h->maximum(), horzMax);
        QCOMPARE(h->value(), 0);
        QCOMPARE(h->pageStep(), std::max(clipper.width(), 1));
    }
}

void tst_ctlScrollablePicBox::halfScaleShowsHalfPicture() {
    ctlScrollablePicBox box;
    box.resize(600, 600);
    box.show();
    Paint(box, 400, 200);
    box.SetScaleFactor(0.5);
    box.UpdatePicture();
    const QImage shown = box.Preview()->pixmap().toImage();
    QCOMPARE(shown.size(), QSize(200, 100));
    // The black left half is now 100 pixels wide.
    QCOMPARE(QColor(shown.pixel(50, 50)), QColor(Qt::black));
    QCOMPARE(QColor(shown.pixel(150, 50)), QColor(Qt::white));
    QCOMPARE(box.Preview()->pos(), QPoint(200, 250));
}

void tst_ctlScrollablePicBox::scaleFactorAloneDoesNotRelayOrRepaint() {
    ctlScrollablePicBox box;
    box.resize(300, 300);
    box.show();
    Paint(box, 200, 200);
    box.UpdatePicture();
    QVERIFY(!box.VerticalBar()->isVisible());
    const QPoint before = box.Preview()->pos();

    box.SetScaleFactor(2.0);
    QCOMPARE(box.ScaleFactor(), 2.0);
    QCOMPARE(box.Preview()->size(), QSize(400, 400));
    QCOMPARE(box.Preview()->pixmap().size(), QSize(200, 200)); // not repainted
    QCOMPARE(box.Preview()->pos(), before);                    // not re-laid
    QVERIFY(!box.VerticalBar()->isVisible());

    box.UpdatePicture();
    QCOMPARE(box.Preview()->pixmap().size(), QSize(400, 400));
    QVERIFY(box.VerticalBar()->isVisible());
    QVERIFY(box.HorizontalBar()->isVisible());

    // Nonsense factors are ignored.
    box.SetScaleFactor(0);
    box.SetScaleFactor(-1);
    QCOMPARE(box.ScaleFactor(), 2.0);
}

void tst_ctlScrollablePicBox::scrollBarsMovePicture_data() {
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<int>("value");
    QTest::newRow("down 1 pixel") << true << 1;
    QTest::newRow("down to the end") << true << 1000 - (300 - B);
    QTest::newRow("across 37 pixels") << false << 37;
    QTest::newRow("across to the end") << false << 1000 - (400 - B);
}

void tst_ctlScrollablePicBox::scrollBarsMovePicture() {
    QFETCH(bool, vertical);
    QFETCH(int, value);
    ctlScrollablePicBox box;
    box.resize(400, 300);
    box.show();
    Paint(box, 1000, 1000);
    box.UpdatePicture();
    QScrollBar* bar = vertical ? box.VerticalBar() : box.HorizontalBar();
    bar->setValue(value);
    QCOMPARE(box.Preview()->pos(), vertical ? QPoint(0, -value) : QPoint(-value, 0));
}

void tst_ctlScrollablePicBox::layoutResetsScrollPosition() {
    ctlScrollablePicBox box;
    box.resize(400, 300);
    box.show();
    Paint(box, 1000, 1000);
    box.UpdatePicture();
    box.VerticalBar()->setValue(120);
    box.HorizontalBar()->setValue(80);
    box.resize(420, 310);
    QTRY_COMPARE(box.VerticalBar()->value(), 0);
    QCOMPARE(box.HorizontalBar()->value(), 0);
    QCOMPARE(box.Preview()->pos(), QPoint(0, 0));
    box.VerticalBar()->setValue(50);
    box.UpdatePicture();
    QCOMPARE(box.Preview()->pos(), QPoint(0, 0));
}

void tst_ctlScrollablePicBox::wheelScrollsAndCtrlWheelAsksForZoom() {
    ctlScrollablePicBox box;
    box.resize(400, 300);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    Paint(box, 1000, 1000);
    box.UpdatePicture();
    QSignalSpy zoom(&box, &ctlScrollablePicBox::zoomRequested);

    const QPoint at(50, 50);
    auto wheel = [&](int delta, Qt::KeyboardModifiers mods) {
        QWheelEvent event(QPointF(at), box.Preview()->mapToGlobal(QPointF(at)), QPoint(),
                          QPoint(0, delta), Qt::NoButton, mods, Qt::NoScrollPhase, false);
        QApplication::sendEvent(box.Preview(), &event);
    };
    wheel(-120, Qt::NoModifier);
    QVERIFY(box.VerticalBar()->value() > 0);
    QCOMPARE(box.Preview()->y(), -box.VerticalBar()->value());
    QCOMPARE(box.HorizontalBar()->value(), 0);

    wheel(-120, Qt::ShiftModifier);
    QVERIFY(box.HorizontalBar()->value() > 0);

    const int v = box.VerticalBar()->value();
    // A touchpad's small deltas add up to one notch.
    for (int i = 0; i < 4; ++i)
        wheel(30, Qt::ControlModifier);
    wheel(-240, Qt::ControlModifier);
    QCOMPARE(zoom.count(), 2);
    QCOMPARE(zoom.at(0).at(0).toInt(), 1);
    QCOMPARE(zoom.at(1).at(0).toInt(), -2);
    QCOMPARE(box.VerticalBar()->value(), v); // zooming does not scroll
}

void tst_ctlScrollablePicBox::arrowKeysScroll() {
    ctlScrollablePicBox box;
    box.resize(400, 300);
    box.show();
    Paint(box, 1000, 1000);
    box.UpdatePicture();
    QTest::keyClick(&box, Qt::Key_Down);
    QTest::keyClick(&box, Qt::Key_Down);
    QCOMPARE(box.VerticalBar()->value(), 2 * box.VerticalBar()->singleStep());
    QTest::keyClick(&box, Qt::Key_Up);
    QCOMPARE(box.VerticalBar()->value(), box.VerticalBar()->singleStep());
    QTest::keyClick(&box, Qt::Key_Right);
    QCOMPARE(box.Preview()->x(), -box.HorizontalBar()->singleStep());
}

void tst_ctlScrollablePicBox::greyBackgroundAroundCentredPicture() {
    ctlScrollablePicBox box;
    box.resize(300, 200);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.ResetPicture(100, 50); // white
    box.UpdatePicture();
    const QImage shot = box.grab().toImage();
    QCOMPARE(QColor(shot.pixel(5, 5)), QColor(128, 128, 128));
    QCOMPARE(QColor(shot.pixel(150, 100)), QColor(Qt::white));
    QCOMPARE(QColor(shot.pixel(150, 70)), QColor(128, 128, 128)); // above the picture
}

QTEST_MAIN(tst_ctlScrollablePicBox)
#include "tst_ctlScrollablePicBox.moc"
