// SPDX-License-Identifier: GPL-3.0-or-later
// Pixel-level pieces of the picture editor: strokes, block operations, the selection layer,
// the clsBitmap bridge and the popup menu.
#include "DrawBoxTestKit.h"

#include "draw/BitmapImage.h"
#include "draw/FloatingSelection.h"
#include "draw/MonoRaster.h"
#include "draw/clsPopupMenu.h"

#include <QtTest>

#include <cmath>

using namespace quillary;
using namespace quillary::test;

namespace {

QSet<QPoint> Segment(QPoint a, QPoint b, int width, QSize size = QSize(64, 64)) {
    QImage image = WhitePicture(size.width(), size.height());
    MonoRaster::DrawSegment(image, a, b, width, MonoRaster::kBlack);
    return BlackPixels(image);
}

QSet<QPoint> Points(std::initializer_list<QPoint> list) {
    return QSet<QPoint>(list);
}

// Distance from p to the segment ab.
double Distance(QPointF p, QPointF a, QPointF b) {
    const QPointF ab = b - a;
    const double len2 = QPointF::dotProduct(ab, ab);
    double t = len2 == 0 ? 0 : QPointF::dotProduct(p - a, ab) / len2;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF d = p - (a + t * ab);
    return std::hypot(d.x(), d.y());
}

} // namespace

class TestMonoRaster : public QObject {
    Q_OBJECT
private slots:
    void thinLinesAreExact_data();
    void thinLinesAreExact();
    void thinLinesFollowTheIdealLine_data();
    void thinLinesFollowTheIdealLine();
    void roundPenDots_data();
    void roundPenDots();
    void widePenCoversTheStroke();
    void widePenIsTheUnionOfItsDots_data();
    void widePenIsTheUnionOfItsDots();
    void hugePenStaysCheap();
    void strokesClipAtTheEdges();
    void blockOperations();
    void blackAndWhiteReduction();
    void selectionLayer();
    void selectionShiftKeepsOneRowAndColumn_data();
    void selectionShiftKeepsOneRowAndColumn();
    void bitmapBridge();
    void popupMenuPositions_data();
    void popupMenuPositions();
};

void TestMonoRaster::thinLinesAreExact_data() {
    QTest::addColumn<QPoint>("a");
    QTest::addColumn<QPoint>("b");
    QTest::addColumn<QSet<QPoint>>("pixels");
    QTest::newRow("dot") << QPoint(5, 5) << QPoint(5, 5) << Points({{5, 5}});
    QTest::newRow("horizontal") << QPoint(2, 3) << QPoint(6, 3)
                                << Points({{2, 3}, {3, 3}, {4, 3}, {5, 3}, {6, 3}});
    QTest::newRow("vertical upwards")
        << QPoint(4, 9) << QPoint(4, 6) << Points({{4, 6}, {4, 7}, {4, 8}, {4, 9}});
    QTest::newRow("diagonal") << QPoint(1, 1) << QPoint(4, 4)
                              << Points({{1, 1}, {2, 2}, {3, 3}, {4, 4}});
    QTest::newRow("anti-diagonal")
        << QPoint(4, 1) << QPoint(1, 4) << Points({{4, 1}, {3, 2}, {2, 3}, {1, 4}});
    QTest::newRow("shallow") << QPoint(0, 0) << QPoint(5, 1)
                             << Points({{0, 0}, {1, 0}, {2, 0}, {3, 1}, {4, 1}, {5, 1}});
    QTest::newRow("width 0 draws as 1") << QPoint(2, 2) << QPoint(3, 2) << Points({{2, 2}, {3, 2}});
}

void TestMonoRaster::thinLinesAreExact() {
    QFETCH(QPoint, a);
    QFETCH(QPoint, b);
    QFETCH(QSet<QPoint>, pixels);
    const int width = QByteArray(QTest::currentDataTag()).startsWith("width 0") ? 0 : 1;
    QCOMPARE(Segment(a, b, width), pixels);
    // Both directions give the same pixels on lines without ties.
    QCOMPARE(Segment(b, a, width), pixels);
}

void TestMonoRaster::thinLinesFollowTheIdealLine_data() {
    QTest::addColumn<QPoint>("a");
    QTest::addColumn<QPoint>("b");
    QTest::newRow("steep") << QPoint(3, 2) << QPoint(9, 40);
    QTest::newRow("shallow left") << QPoint(60, 10) << QPoint(2, 25);
    QTest::newRow("ties") << QPoint(0, 0) << QPoint(8, 4);
    QTest::newRow("long") << QPoint(0, 63) << QPoint(63, 0);
}

// A width-1 line is one pixel per step along its major axis, both ends included, each
// pixel within half a pixel of the true line: no antialiasing, no gaps, no extra pixels.
void TestMonoRaster::thinLinesFollowTheIdealLine() {
    QFETCH(QPoint, a);
    QFETCH(QPoint, b);
    const QSet<QPoint> pixels = Segment(a, b, 1);
    const int major = std::max(std::abs(b.x() - a.x()), std::abs(b.y() - a.y()));
    QCOMPARE(pixels.size(), major + 1);
    QVERIFY(pixels.contains(a));
    QVERIFY(pixels.contains(b));
    const bool steep = std::abs(b.y() - a.y()) > std::abs(b.x() - a.x());
    for (const QPoint& p : pixels) {
        // Offset along the minor axis from the ideal line at this pixel's major coordinate.
        double off;
        if (steep)
            off = p.x() - (a.x() + double(b.x() - a.x()) * (p.y() - a.y()) / (b.y() - a.y()));
        else
            off = p.y() - (a.y() + double(b.y() - a.y()) * (p.x() - a.x()) / (b.x() - a.x()));
        QVERIFY2(std::abs(off) <= 0.5,
                 qPrintable(QStringLiteral("pixel %1,%2").arg(p.x()).arg(p.y())));
    }
}

void TestMonoRaster::roundPenDots_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("count");
    QTest::newRow("2") << 2 << 4;
    QTest::newRow("3") << 3 << 9;
    QTest::newRow("5") << 5 << 21;
    QTest::newRow("8") << 8 << 52;
}

// A dot of a wide pen is a disc exactly 'width' pixels across, symmetric in both axes.
void TestMonoRaster::roundPenDots() {
    QFETCH(int, width);
    QFETCH(int, count);
    const QPoint c(30, 30);
    const QSet<QPoint> dot = Segment(c, c, width);
    QCOMPARE(dot.size(), count);
    QRect bounds;
    for (const QPoint& p : dot)
        bounds |= QRect(p, QSize(1, 1));
    QCOMPARE(bounds.width(), width);
    QCOMPARE(bounds.height(), width);
    QVERIFY(bounds.contains(c));
    QCOMPARE(bounds, MonoRaster::SegmentBounds(c, c, width));
    for (const QPoint& p : dot) {
        const QPoint m(bounds.left() + bounds.right() - p.x(), p.y());
        const QPoint t(p.y() - bounds.top() + bounds.left(), p.x() - bounds.left() + bounds.top());
        QVERIFY(dot.contains(m));
        QVERIFY(dot.contains(t));
    }
}

void TestMonoRaster::widePenCoversTheStroke() {
    const QPoint a(10, 12), b(50, 30);
    const int width = 6;
    const QSet<QPoint> pixels = Segment(a, b, width);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            // Pen centres lie within half a pixel of the pixel centres; allow for that.
            const double d = Distance(QPointF(x, y), QPointF(a), QPointF(b));
            if (d <= width / 2.0 - 1.0)
                QVERIFY2(pixels.contains({x, y}), "gap inside the stroke");
            if (d > width / 2.0 + 1.0)
                QVERIFY2(!pixels.contains({x, y}), "ink outside the stroke");
        }
}

void TestMonoRaster::widePenIsTheUnionOfItsDots_data() {
    QTest::addColumn<QPoint>("a");
    QTest::addColumn<QPoint>("b");
    QTest::addColumn<int>("width");
    QTest::newRow("shallow 4") << QPoint(5, 20) << QPoint(58, 31) << 4;
    QTest::newRow("steep 7") << QPoint(40, 2) << QPoint(31, 60) << 7;
    QTest::newRow("diagonal 2") << QPoint(3, 3) << QPoint(50, 50) << 2;
    QTest::newRow("partly outside 9") << QPoint(-6, 30) << QPoint(20, 70) << 9;
}

// A stroke is exactly the dots of its pen at every pixel of the thin line.
void TestMonoRaster::widePenIsTheUnionOfItsDots() {
    QFETCH(QPoint, a);
    QFETCH(QPoint, b);
    QFETCH(int, width);
    // The thin line on a big canvas, so that points outside the 64 x 64 picture count too.
    QImage big = WhitePicture(300, 300);
    MonoRaster::DrawSegment(big, a + QPoint(100, 100), b + QPoint(100, 100), 1, MonoRaster::kBlack);
    QImage expected = WhitePicture(64, 64);
    for (const QPoint& p : BlackPixels(big)) {
        const QPoint c = p - QPoint(100, 100);
        MonoRaster::DrawSegment(expected, c, c, width, MonoRaster::kBlack);
    }
    QCOMPARE(Segment(a, b, width), BlackPixels(expected));
}

void TestMonoRaster::hugePenStaysCheap() {
    QImage image = WhitePicture(50, 40);
    const QRect touched = MonoRaster::DrawSegment(image, QPoint(-300, -300), QPoint(400, 500),
                                                  1000000, MonoRaster::kBlack);
    QCOMPARE(touched, image.rect());
    QCOMPARE(BlackPixels(image).size(), 50 * 40);
}

void TestMonoRaster::strokesClipAtTheEdges() {
    QImage image = WhitePicture(10, 10);
    const QRect touched =
        MonoRaster::DrawSegment(image, QPoint(-20, 5), QPoint(30, 5), 3, MonoRaster::kBlack);
    QCOMPARE(touched, QRect(0, 4, 10, 3));
    QCOMPARE(BlackPixels(image).size(), 30);
    QVERIFY(MonoRaster::DrawSegment(image, QPoint(-9, -9), QPoint(-5, -3), 1, MonoRaster::kWhite)
                .isEmpty());
    QImage empty;
    QVERIFY(MonoRaster::DrawSegment(empty, QPoint(0, 0), QPoint(3, 3), 1, MonoRaster::kBlack)
                .isEmpty());
}

void TestMonoRaster::blockOperations() {
    QImage target = WhitePicture(8, 8);
    PaintBlack(target, QRect(0, 0, 8, 1));
    QImage source = WhitePicture(3, 3);
    source.setPixel(1, 1, kInk);

    // AND: the black row stays black under white source pixels.
    MonoRaster::AndMerge(target, QPoint(-1, -1), source);
    QCOMPARE(BlackPixels(target),
             Points({{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {7, 0}}));
    MonoRaster::AndMerge(target, QPoint(6, 6), source);
    QVERIFY(BlackPixels(target).contains({7, 7}));

    // Plain copy replaces, clipped at the far edges.
    MonoRaster::Copy(target, QPoint(6, -1), WhitePicture(3, 3));
    QCOMPARE(target.pixel(6, 0), kPaper);
    QCOMPARE(target.pixel(7, 0), kPaper);
    QCOMPARE(target.pixel(5, 0), kInk);

    MonoRaster::FillWhite(target, QRect(-5, -5, 100, 100));
    QVERIFY(BlackPixels(target).isEmpty());

    // Cut reads outside the source as white.
    QImage black(4, 4, QImage::Format_RGB32);
    black.fill(kInk);
    const QImage piece = MonoRaster::Cut(black, QPoint(2, 2), QSize(4, 4));
    QCOMPARE(BlackPixels(piece), Points({{0, 0}, {1, 0}, {0, 1}, {1, 1}}));

    ctlDrawBox::FillRectangle(black, 1, 1, 2, 2);
    QCOMPARE(BlackPixels(black).size(), 12);
}

void TestMonoRaster::blackAndWhiteReduction() {
    QImage colour(6, 1, QImage::Format_ARGB32);
    colour.setPixel(0, 0, qRgba(255, 255, 255, 255));
    colour.setPixel(1, 0, qRgba(254, 255, 255, 255));
    colour.setPixel(2, 0, qRgba(255, 0, 0, 255));
    colour.setPixel(3, 0, qRgba(200, 200, 200, 255));
    colour.setPixel(4, 0, qRgba(255, 255, 255, 0)); // transparent white
    colour.setPixel(5, 0, qRgba(0, 0, 0, 0));       // transparent black
    const QImage mono = MonoRaster::ToBlackAndWhite(colour);
    QCOMPARE(mono.format(), QImage::Format_RGB32);
    const QRgb expected[] = {kPaper, kInk, kInk, kInk, kPaper, kInk};
    for (int x = 0; x < 6; ++x)
        QCOMPARE(mono.pixel(x, 0), expected[x]);

    QImage indexed(2, 1, QImage::Format_Mono);
    indexed.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    indexed.setPixel(0, 0, 1);
    indexed.setPixel(1, 0, 0);
    const QImage fromMono = MonoRaster::ToBlackAndWhite(indexed);
    QCOMPARE(fromMono.pixel(0, 0), kInk);
    QCOMPARE(fromMono.pixel(1, 0), kPaper);
    QVERIFY(MonoRaster::ToBlackAndWhite(QImage()).isNull());
}

void TestMonoRaster::selectionLayer() {
    QImage surface = WhitePicture(20, 10);
    PaintBlack(surface, QRect(2, 2, 3, 3));   // lifted
    PaintBlack(surface, QRect(12, 0, 1, 10)); // a black column the selection passes over
    FloatingSelection sel;
    sel.Normalize(QPoint(5, 5), QPoint(1, 1), surface.size());
    QCOMPARE(sel.Rect(), QRect(1, 1, 5, 5));
    const QImage before = surface;
    sel.Lift(surface);
    sel.BlankSource(surface);
    sel.Drop(surface);
    QCOMPARE(surface, before);

    sel.RestoreUnder(surface);
    sel.Shift(9.4, 0.6, surface.size());
    QCOMPARE(sel.Rect(), QRect(10, 2, 5, 5));
    sel.Drop(surface);
    QVERIFY(BlackPixels(surface).contains({12, 0})); // outside the selection
    for (int y = 2; y < 7; ++y)
        QCOMPARE(surface.pixel(12, y), kInk); // white selection pixels are transparent
    QCOMPARE(surface.pixel(11, 3), kInk);     // the lifted square, moved
    QCOMPARE(surface.pixel(2, 2), kPaper);    // the source stays blank
    sel.RestoreUnder(surface);
    QCOMPARE(surface.pixel(11, 3), kPaper);
    QCOMPARE(surface.pixel(12, 3), kInk);

    sel.Normalize(QPoint(15, 8), QPoint(40, 30), surface.size());
    QCOMPARE(sel.Rect(), QRect(15, 8, 5, 2));
    sel.Normalize(QPoint(3, 4), QPoint(-7, -9), surface.size());
    QCOMPARE(sel.Rect(), QRect(0, 0, 4, 5));
}

void TestMonoRaster::selectionShiftKeepsOneRowAndColumn_data() {
    QTest::addColumn<double>("dx");
    QTest::addColumn<double>("dy");
    QTest::addColumn<QPoint>("topLeft");
    QTest::newRow("far left and up") << -500.0 << -500.0 << QPoint(1 - 6, 1 - 4);
    QTest::newRow("far right and down") << 500.0 << 500.0 << QPoint(19, 9);
    QTest::newRow("just inside") << -7.0 << -5.0 << QPoint(-5, -3);
    QTest::newRow("rounded") << 1.5 << -0.4 << QPoint(4, 2);
}

void TestMonoRaster::selectionShiftKeepsOneRowAndColumn() {
    QFETCH(double, dx);
    QFETCH(double, dy);
    QFETCH(QPoint, topLeft);
    FloatingSelection sel;
    sel.SetRect(QRect(2, 2, 6, 4));
    sel.Shift(dx, dy, QSize(20, 10));
    QCOMPARE(sel.Rect().topLeft(), topLeft);
    QCOMPARE(sel.Rect().size(), QSize(6, 4));
    QVERIFY(sel.Rect().intersects(QRect(0, 0, 20, 10)));
}

void TestMonoRaster::bitmapBridge() {
    clsBitmap bitmap;
    bitmap.InitializeBitmap(37, 5, 1);
    bitmap.SetPixel(0, 0, true);
    bitmap.SetPixel(36, 4, true);
    bitmap.SetPixel(9, 2, true);
    const QImage image = BitmapToImage(bitmap);
    QCOMPARE(image.size(), QSize(37, 5));
    QCOMPARE(BlackPixels(image.convertToFormat(QImage::Format_RGB32)),
             Points({{0, 0}, {36, 4}, {9, 2}}));
    QVERIFY(ImageToBitmap(image) == bitmap);

    // Every pixel that is not exactly white becomes black.
    QImage grey = WhitePicture(3, 2);
    grey.setPixel(1, 1, qRgb(250, 250, 250));
    const clsBitmap fromGrey = ImageToBitmap(grey);
    QCOMPARE(fromGrey.Width(), 3);
    QCOMPARE(fromGrey.Height(), 2);
    QVERIFY(fromGrey.GetPixel(1, 1));
    QVERIFY(!fromGrey.GetPixel(0, 0));

    const clsBitmap none = ImageToBitmap(QImage());
    QCOMPARE(none.Width(), 1);
    QVERIFY(!none.GetPixel(0, 0));
}

void TestMonoRaster::popupMenuPositions_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("result");
    QTest::newRow("first") << 1 << 1;
    QTest::newRow("separator position counts") << 4 << 4;
    QTest::newRow("dismissed") << 0 << 0;
    QTest::newRow("out of range") << 9 << 0;
    QTest::newRow("negative") << -1 << 0;
}

void TestMonoRaster::popupMenuPositions() {
    QFETCH(int, answer);
    QFETCH(int, result);
    ScriptedPlatformServices services;
    services.popupAnswers.enqueue(answer);
    const QStringList items = {"Cut", " - ", "Paste", "Clear"};
    QCOMPARE(clsPopupMenu().Popup(services, items), result);
    QCOMPARE(services.popupMenus.size(), 1);
    QCOMPARE(services.popupMenus.first(), items);
    QCOMPARE(clsPopupMenu().Popup(services, {}), 0);
    QCOMPARE(services.popupMenus.size(), 1); // an empty menu is never shown
}

QTEST_MAIN(TestMonoRaster)
#include "tst_MonoRaster.moc"
