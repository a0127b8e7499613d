// SPDX-License-Identifier: GPL-3.0-or-later
// The picture editor control: properties, layout, tool bar and the three drawing tools,
// driven with real mouse events on the offscreen platform.
#include "DrawBoxTestKit.h"

#include "draw/MonoRaster.h"

#include <QAction>
#include <QPaintEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolBar>
#include <QtTest>

using namespace quillary;
using namespace quillary::test;

namespace {

// Records the rectangles the surface repaints.
class PaintRecorder : public QObject {
public:
    QRegion painted;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

QAction* ToolButton(ctlDrawBox& box, const char* name) {
    return box.findChild<QAction*>(QLatin1String(name));
}

} // namespace

class TestDrawBox : public QObject {
    Q_OBJECT
private slots:
    void newInstanceDefaults();
    void storedPropertiesRoundTrip();
    void toolWrites_data();
    void toolWrites();
    void toolBarSelectsTools();
    void layout_data();
    void layout();
    void girthChangeRelaysAndResetsScrolling();
    void scrollBarsMoveTheSurface();
    void pencilClickLeavesDotAndDash();
    void pencilStrokeFollowsThePointer();
    void widePencilAndEraser();
    void strokeThroughTheRowAboveKeepsDrawing_data();
    void strokeThroughTheRowAboveKeepsDrawing();
    void releaseWithoutPressOnlyMarksDirty();
    void doubleClickDrawsLikeAClick();
    void otherButtonsDoNotDraw();
    void lineShowsPreviewOnlyUntilRelease();
    void pictureWriteResetsState();
    void strokeRepaintsOnlyWhatChanged();
    void focusLineFollowsFocus();
};

void TestDrawBox::newInstanceDefaults() {
    ScriptedPlatformServices services;
    ctlDrawBox box(&services);
    QCOMPARE(box.LineSize(), 1);
    QCOMPARE(box.Tool(), 0);
    QCOMPARE(box.DirtyFlag(), false);
    QCOMPARE(box.FullWidth(), 0);
    QCOMPARE(box.FullHeight(), 0);
    QVERIFY(box.Picture().isNull());
    QCOMPARE(box.Appearance(), 1);
    QCOMPARE(box.BorderStyle(), 1);
    QCOMPARE(box.EraserLineSize(), 5);
    QCOMPARE(box.sclBarGirth(), 17);
    QCOMPARE(box.frameShadow(), QFrame::Sunken);
    box.SetBorderStyle(0);
    QCOMPARE(box.frameShape(), QFrame::NoFrame);

    // Drawing on the empty picture, or selecting all of it, changes nothing and crashes nothing.
    box.resize(200, 100);
    box.show();
    QTest::mouseClick(box.findChild<QWidget*>("picDrawBox"), Qt::LeftButton, {}, QPoint(0, 0));
    box.SelectAll();
    QVERIFY(!box.IsFloating());
    QVERIFY(box.Picture().isNull());
}

void TestDrawBox::storedPropertiesRoundTrip() {
    ctlDrawBox box;
    const QVariantMap defaults = box.WriteProperties();
    QCOMPARE(defaults.size(), 10);
    QCOMPARE(defaults.value("LineSize").toInt(), 1);
    QCOMPARE(defaults.value("EraserLineSize").toInt(), 5);
    QCOMPARE(defaults.value("sclBarGirth").toInt(), 17);
    QCOMPARE(defaults.value("Appearance").toInt(), 1);
    QCOMPARE(defaults.value("BorderStyle").toInt(), 1);

    // Missing keys take the defaults; the stored picture is carried, never shown.
    ctlDrawBox restored;
    restored.ReadProperties({{"LineSize", 3}, {"Tool", 2}, {"Picture", QByteArray("opaque")}});
    QCOMPARE(restored.LineSize(), 3);
    QCOMPARE(restored.Tool(), 2);
    QCOMPARE(restored.EraserLineSize(), 5);
    QCOMPARE(restored.sclBarGirth(), 17);
    QVERIFY(restored.Picture().isNull());
    const QVariantMap written = restored.WriteProperties();
    QCOMPARE(written.value("Picture").toByteArray(), QByteArray("opaque"));
    QCOMPARE(written.value("Tool").toInt(), 2);
    QVERIFY(ToolButton(restored, "Line")->isChecked());
}

void TestDrawBox::toolWrites_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("write");
    QTest::addColumn<int>("tool");
    QTest::addColumn<bool>("commits");
    QTest::newRow("same value") << 3 << 3 << 3 << false;
    QTest::newRow("other tool") << 3 << 2 << 2 << true;
    QTest::newRow("7 selects Region") << 0 << 7 << 3 << true;
    QTest::newRow("-2 selects Pencil") << 3 << -2 << 0 << true;
}

// Writing a different Tool commits the floating selection; writing the same does nothing.
void TestDrawBox::toolWrites() {
    QFETCH(int, start);
    QFETCH(int, write);
    QFETCH(int, tool);
    QFETCH(bool, commits);
    DrawBoxFixture f;
    f.box->SetTool(start);
    if (start == 3)
        f.Select(QPoint(10, 10), QPoint(30, 30));
    const bool floatingBefore = f.box->IsFloating();
    f.box->SetTool(write);
    QCOMPARE(f.box->Tool(), tool);
    if (start == 3)
        QCOMPARE(f.box->IsFloating(), floatingBefore && !commits);

    static const char* const names[] = {"Pencil", "Eraser", "Line", "Region"};
    for (int i = 0; i < 4; ++i) {
        // The current tool's button looks pressed; every button stays usable.
        QCOMPARE(ToolButton(*f.box, names[i])->isChecked(), i == tool);
        QVERIFY(ToolButton(*f.box, names[i])->isEnabled());
    }
    const Qt::CursorShape shapes[] = {Qt::BitmapCursor, Qt::BitmapCursor, Qt::CrossCursor,
                                      Qt::ArrowCursor};
    QCOMPARE(f.Surface()->cursor().shape(), shapes[tool]);
}

void TestDrawBox::toolBarSelectsTools() {
    DrawBoxFixture f;
    auto* bar = f.box->findChild<QToolBar*>("tbrBitmap");
    QVERIFY(bar);
    for (const char* hidden : {"Text", "Fill", "Rectangle"})
        QVERIFY(!ToolButton(*f.box, hidden)->isVisible());
    for (const char* shown : {"Pencil", "Eraser", "Line", "Region"}) {
        QAction* action = ToolButton(*f.box, shown);
        QCOMPARE(action->toolTip(), QString::fromLatin1(shown));
        QVERIFY(bar->widgetForAction(action)->isVisible());
    }

    QTest::mouseClick(bar->widgetForAction(ToolButton(*f.box, "Line")), Qt::LeftButton);
    QCOMPARE(f.box->Tool(), 2);
    QVERIFY(ToolButton(*f.box, "Line")->isChecked());
    // The current tool's button is disabled: clicking it does nothing.
    QTest::mouseClick(bar->widgetForAction(ToolButton(*f.box, "Line")), Qt::LeftButton);
    QCOMPARE(f.box->Tool(), 2);
    QTest::mouseClick(bar->widgetForAction(ToolButton(*f.box, "Eraser")), Qt::LeftButton);
    QCOMPARE(f.box->Tool(), 1);
    ToolButton(*f.box, "Fill")->trigger();
    QCOMPARE(f.box->Tool(), 1);
}

void TestDrawBox::layout_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<bool>("horizontal");
    QTest::addColumn<QSize>("viewport");
    // Inner area 296 x 196 (2-pixel sunken frame); the viewport starts at x = 26.
    QTest::newRow("fits") << QSize(100, 80) << false << false << QSize(270, 196);
    QTest::newRow("exact fit") << QSize(270, 196) << false << false << QSize(270, 196);
    QTest::newRow("tall") << QSize(100, 400) << true << false << QSize(253, 196);
    QTest::newRow("tall, bar makes it too wide")
        << QSize(260, 400) << true << true << QSize(253, 179);
    QTest::newRow("wide") << QSize(600, 100) << false << true << QSize(270, 179);
    QTest::newRow("wide, bar makes it too tall")
        << QSize(600, 190) << true << true << QSize(253, 179);
    QTest::newRow("both") << QSize(600, 400) << true << true << QSize(253, 179);
}

void TestDrawBox::layout() {
    QFETCH(QSize, picture);
    QFETCH(bool, vertical);
    QFETCH(bool, horizontal);
    QFETCH(QSize, viewport);
    DrawBoxFixture f(picture);
    QCOMPARE(f.box->FullWidth(), picture.width());
    QCOMPARE(f.box->FullHeight(), picture.height());
    auto* v = f.box->findChild<QScrollBar*>("sclBitmapItem");
    auto* h = f.box->findChild<QScrollBar*>("hsclBitmapItem");
    auto* clipper = f.box->findChild<QWidget*>("picImageClipper");
    QCOMPARE(v->isVisible(), vertical);
    QCOMPARE(h->isVisible(), horizontal);
    QCOMPARE(clipper->geometry(), QRect(QPoint(2 + 26, 2), viewport));
    QCOMPARE(f.Surface()->pos(), QPoint(0, 0));
    if (vertical) {
        QCOMPARE(v->geometry(), QRect(28 + viewport.width(), 2, 17, viewport.height()));
        QCOMPARE(v->maximum(), picture.height() - viewport.height());
        QCOMPARE(v->pageStep(), viewport.height());
    }
    if (horizontal) {
        QCOMPARE(h->geometry(), QRect(28, 2 + viewport.height(), viewport.width(), 17));
        QCOMPARE(h->maximum(), picture.width() - viewport.width());
        QCOMPARE(h->pageStep(), viewport.width());
    }
}

void TestDrawBox::girthChangeRelaysAndResetsScrolling() {
    DrawBoxFixture f(QSize(600, 400));
    auto* v = f.box->findChild<QScrollBar*>("sclBitmapItem");
    auto* h = f.box->findChild<QScrollBar*>("hsclBitmapItem");
    v->setValue(50);
    h->setValue(70);
    f.box->SetSclBarGirth(25);
    QCOMPARE(v->value(), 0);
    QCOMPARE(h->value(), 0);
    QCOMPARE(v->width(), 25);
    QCOMPARE(h->height(), 25);
    QCOMPARE(f.Surface()->pos(), QPoint(0, 0));
    QCOMPARE(f.box->findChild<QWidget*>("picImageClipper")->size(), QSize(296 - 26 - 25, 196 - 25));

    // Resizing the control lays out again, also unscrolled.
    v->setValue(30);
    f.box->resize(900, 700);
    QVERIFY(!v->isVisible());
    QCOMPARE(f.Surface()->pos(), QPoint(0, 0));
}

void TestDrawBox::scrollBarsMoveTheSurface() {
    DrawBoxFixture f(QSize(600, 400));
    auto* v = f.box->findChild<QScrollBar*>("sclBitmapItem");
    auto* h = f.box->findChild<QScrollBar*>("hsclBitmapItem");
    v->setValue(120);
    QCOMPARE(f.Surface()->pos(), QPoint(0, -120));
    h->setValue(33);
    QCOMPARE(f.Surface()->pos(), QPoint(-33, -120));
    // Surface coordinates stay picture coordinates while scrolled.
    f.Drag({QPoint(400, 300), QPoint(400, 300)});
    QCOMPARE(f.box->Picture().pixel(400, 300), kInk);
}

void TestDrawBox::pencilClickLeavesDotAndDash() {
    DrawBoxFixture f;
    QSignalSpy changes(f.box.get(), &ctlDrawBox::Change);
    QTest::mouseClick(f.Surface(), Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(BlackPixels(f.box->Picture()), QSet<QPoint>({{10, 10}, {11, 10}}));
    QVERIFY(f.box->DirtyFlag());
    QCOMPARE(changes.count(), 1);
    // Change comes only with the transition.
    QTest::mouseClick(f.Surface(), Qt::LeftButton, {}, QPoint(40, 40));
    QCOMPARE(changes.count(), 1);
}

void TestDrawBox::pencilStrokeFollowsThePointer() {
    DrawBoxFixture f;
    f.Drag({QPoint(10, 10), QPoint(20, 10), QPoint(20, 20)});
    QSet<QPoint> expected;
    for (int x = 10; x <= 20; ++x)
        expected.insert({x, 10});
    for (int y = 10; y <= 20; ++y)
        expected.insert({20, y});
    expected.insert({21, 20}); // the release reaches one pixel right of the last point
    QCOMPARE(BlackPixels(f.box->Picture()), expected);

    // Moves carry unrounded positions; they are drawn rounded to the nearest pixel.
    DrawBoxFixture g;
    QWidget* s = g.Surface();
    QTest::mousePress(s, Qt::LeftButton, {}, QPoint(5, 5));
    SendMouse(s, QEvent::MouseMove, QPointF(8.4, 5.3), Qt::NoButton, Qt::LeftButton);
    SendMouse(s, QEvent::MouseButtonRelease, QPointF(8.4, 5.3), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(BlackPixels(g.box->Picture()), QSet<QPoint>({{5, 5}, {6, 5}, {7, 5}, {8, 5}, {9, 5}}));
}

void TestDrawBox::widePencilAndEraser() {
    DrawBoxFixture f;
    f.box->SetLineSize(3);
    f.Drag({QPoint(10, 10), QPoint(30, 10)});
    const QImage drawn = f.box->Picture();
    for (int x = 9; x <= 31; ++x)
        for (int y = 9; y <= 11; ++y)
            QCOMPARE(drawn.pixel(x, y), kInk);
    QCOMPARE(drawn.pixel(10, 12), kPaper);
    QCOMPARE(drawn.pixel(8, 10), kPaper);

    // The eraser has its own width (5) and paints white.
    QImage black(100, 80, QImage::Format_RGB32);
    black.fill(kInk);
    f.box->SetPicture(black);
    f.box->SetTool(ctlDrawBox::ToolEraser);
    f.Drag({QPoint(50, 40), QPoint(60, 40)});
    const QImage erased = f.box->Picture();
    for (int x = 48; x <= 62; ++x)
        for (int y = 39; y <= 41; ++y)
            QCOMPARE(erased.pixel(x, y), kPaper);
    QCOMPARE(erased.pixel(55, 42), kPaper);
    QCOMPARE(erased.pixel(55, 43), kInk);
    QCOMPARE(erased.pixel(47, 40), kInk);
    QCOMPARE(erased.pixel(48, 38), kInk); // round, not square: the disc's corner stays
    QVERIFY(f.box->DirtyFlag());
}

void TestDrawBox::strokeThroughTheRowAboveKeepsDrawing_data() {
    QTest::addColumn<int>("tool");
    QTest::newRow("Pencil") << int(ctlDrawBox::ToolPencil);
    QTest::newRow("Eraser") << int(ctlDrawBox::ToolEraser);
}

// A stroke that leaves the surface across its top edge passes the row y = -1; the moves that
// follow must still draw, not be dropped until a straight jump at the release.
void TestDrawBox::strokeThroughTheRowAboveKeepsDrawing() {
    QFETCH(int, tool);
    const bool pencil = tool == ctlDrawBox::ToolPencil;
    QImage start = WhitePicture(100, 80);
    if (!pencil)
        start.fill(kInk);
    DrawBoxFixture f;
    f.box->SetPicture(start);
    f.box->SetTool(tool);
    f.Drag({QPoint(10, 10), QPoint(10, -1), QPoint(40, 10), QPoint(40, 30)});

    QImage expected = start;
    const QRgb ink = pencil ? MonoRaster::kBlack : MonoRaster::kWhite;
    const int width = pencil ? 1 : 5;
    MonoRaster::DrawSegment(expected, {10, 10}, {10, 10}, width, ink);
    MonoRaster::DrawSegment(expected, {10, -1}, {10, 10}, width, ink);
    MonoRaster::DrawSegment(expected, {40, 10}, {10, -1}, width, ink);
    MonoRaster::DrawSegment(expected, {40, 30}, {40, 10}, width, ink);
    MonoRaster::DrawSegment(expected, {40, 30}, pencil ? QPoint(41, 30) : QPoint(40, 30), width,
                            ink);
    QCOMPARE(f.box->Picture(), expected);
}

void TestDrawBox::releaseWithoutPressOnlyMarksDirty() {
    for (int tool : {0, 1}) {
        DrawBoxFixture f;
        f.box->SetTool(tool);
        QTest::mouseRelease(f.Surface(), Qt::LeftButton, {}, QPoint(20, 20));
        QVERIFY(BlackPixels(f.box->Picture()).isEmpty());
        QVERIFY(f.box->DirtyFlag());
    }
}

// The second press of a double click arrives as a double-click event; it draws like a press
// so that quick dots are not lost.
void TestDrawBox::doubleClickDrawsLikeAClick() {
    DrawBoxFixture f;
    QWidget* s = f.Surface();
    QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseDClick(s, Qt::LeftButton, {}, QPoint(20, 10));
    QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(20, 10));
    QCOMPARE(BlackPixels(f.box->Picture()), QSet<QPoint>({{10, 10}, {11, 10}, {20, 10}, {21, 10}}));
}

void TestDrawBox::otherButtonsDoNotDraw() {
    DrawBoxFixture f;
    QWidget* s = f.Surface();
    QTest::mousePress(s, Qt::MiddleButton, {}, QPoint(10, 10));
    QTest::mouseMove(s, QPoint(30, 30));
    QTest::mouseRelease(s, Qt::MiddleButton, {}, QPoint(30, 30));
    // Moves with more than the left button held do not draw either.
    QTest::mousePress(s, Qt::LeftButton, {}, QPoint(50, 50));
    SendMouse(s, QEvent::MouseMove, QPointF(70, 50), Qt::NoButton,
              Qt::LeftButton | Qt::RightButton);
    SendMouse(s, QEvent::MouseButtonRelease, QPointF(50, 50), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(BlackPixels(f.box->Picture()), QSet<QPoint>({{50, 50}, {51, 50}}));
    QVERIFY(f.services.popupMenus.isEmpty());
}

void TestDrawBox::lineShowsPreviewOnlyUntilRelease() {
    DrawBoxFixture f;
    f.box->SetTool(ctlDrawBox::ToolLine);
    f.box->SetLineSize(2);
    QWidget* s = f.Surface();
    QTest::mousePress(s, Qt::LeftButton, {}, QPoint(10, 20));
    QTest::mouseMove(s, QPoint(50, 60));
    QTest::mouseMove(s, QPoint(60, 20));
    QVERIFY(BlackPixels(f.box->Picture()).isEmpty());
    QVERIFY(!f.box->DirtyFlag());
    // The preview shows on screen, over the surface.
    const QImage shown = s->grab().toImage();
    QVERIFY(shown.pixel(35, 20) != kPaper);
    QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(60, 20));
    QVERIFY(f.box->DirtyFlag());
    const QSet<QPoint> drawn = BlackPixels(f.box->Picture());
    QSet<QPoint> expected;
    for (int x = 9; x <= 60; ++x)
        for (int y = 19; y <= 20; ++y)
            expected.insert({x, y});
    QCOMPARE(drawn, expected);
    // After release the screen shows exactly the picture.
    QCOMPARE(s->grab().toImage().convertToFormat(QImage::Format_RGB32), f.box->Picture());
}

void TestDrawBox::pictureWriteResetsState() {
    DrawBoxFixture f;
    QTest::mouseClick(f.Surface(), Qt::LeftButton, {}, QPoint(10, 10));
    f.Select(QPoint(5, 5), QPoint(40, 40));
    QVERIFY(f.box->IsFloating());
    QSignalSpy changes(f.box.get(), &ctlDrawBox::Change);

    QImage colour(50, 30, QImage::Format_RGB32);
    colour.fill(qRgb(255, 255, 255));
    colour.setPixel(3, 4, qRgb(10, 200, 30));
    colour.setPixel(4, 4, qRgb(255, 255, 254));
    f.box->SetPicture(colour);
    QVERIFY(!f.box->DirtyFlag());
    QCOMPARE(changes.count(), 1);
    QVERIFY(!f.box->IsFloating());
    QVERIFY(!f.Grab()->isVisible());
    QCOMPARE(f.box->FullWidth(), 50);
    QCOMPARE(f.box->FullHeight(), 30);
    QCOMPARE(f.Surface()->size(), QSize(50, 30));
    QCOMPARE(BlackPixels(f.box->Picture()), QSet<QPoint>({{3, 4}, {4, 4}}));

    // A clean control stays silent.
    f.box->SetPicture(colour);
    QCOMPARE(changes.count(), 1);
}

void TestDrawBox::strokeRepaintsOnlyWhatChanged() {
    DrawBoxFixture f(QSize(500, 500), QSize(600, 600));
    QVERIFY(QTest::qWaitForWindowExposed(f.box.get()));
    PaintRecorder recorder;
    f.Surface()->installEventFilter(&recorder);
    QCoreApplication::processEvents();
    recorder.painted = QRegion();

    f.box->SetLineSize(3);
    QWidget* s = f.Surface();
    QTest::mousePress(s, Qt::LeftButton, {}, QPoint(100, 100));
    SendMouse(s, QEvent::MouseMove, QPointF(140, 120), Qt::NoButton, Qt::LeftButton);
    QTRY_VERIFY(!recorder.painted.isEmpty());
    const QRect stroke(QPoint(99, 99), QPoint(141, 121));
    QVERIFY2(stroke.contains(recorder.painted.boundingRect()),
             qPrintable(QStringLiteral("painted %1,%2 %3x%4")
                            .arg(recorder.painted.boundingRect().x())
                            .arg(recorder.painted.boundingRect().y())
                            .arg(recorder.painted.boundingRect().width())
                            .arg(recorder.painted.boundingRect().height())));
    QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(140, 120));
}

void TestDrawBox::focusLineFollowsFocus() {
    DrawBoxFixture f;
    QVERIFY(QTest::qWaitForWindowExposed(f.box.get()));
    f.box->activateWindow();
    // A click on the surface gives the control the focus.
    QTest::mouseClick(f.Surface(), Qt::LeftButton, {}, QPoint(60, 60));
    QTRY_VERIFY(f.box->hasFocus());
    const QPoint onLine(2 + 24, 10);
    QCOMPARE(f.box->grab().toImage().pixel(onLine), qRgb(0, 0, 0));
    f.box->clearFocus();
    QCOMPARE(f.box->grab().toImage().pixel(onLine), qRgb(255, 255, 255));
}

QTEST_MAIN(TestDrawBox)
#include "tst_ctlDrawBox.moc"
