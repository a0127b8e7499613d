// SPDX-License-Identifier: GPL-3.0-or-later
// The picture editor's undo history and zoom, driven with real mouse events.

#include "DrawBoxTestKit.h"
#include "draw/DrawSurface.h"
#include "draw/PictureChangeCommand.h"
#include "session/PictureHistories.h"

#include <QAction>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QWheelEvent>
#include <QtTest>

using namespace quillary;
using namespace quillary::test;

namespace {

// A picture with something on it for the eraser and the selection to work on.
QImage Sample() {
    QImage image = WhitePicture(100, 80);
    PaintBlack(image, QRect(10, 10, 20, 20));
    PaintBlack(image, QRect(60, 40, 8, 30));
    return image;
}

// A hand's drag on w: press at 'from', 'steps' small moves, release at 'to'.
void HandDrag(QWidget* w, QPoint from, QPoint to, int steps = 24) {
    DrawBoxFixture::Press(w, from);
    for (int i = 1; i <= steps; ++i) {
        const QPoint at = from + (to - from) * i / steps;
        SendMouse(w, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
    }
    DrawBoxFixture::Release(w, to);
}

void RightClick(QWidget* w, QPoint at) {
    SendMouse(w, QEvent::MouseButtonPress, at, Qt::RightButton, Qt::RightButton);
    SendMouse(w, QEvent::MouseButtonRelease, at, Qt::RightButton, Qt::NoButton);
}

void HandSelect(const DrawBoxFixture& f, QPoint from, QPoint to) {
    f.box->SetTool(ctlDrawBox::ToolRegion);
    HandDrag(f.Surface(), from, to);
}

} // namespace

class TestDrawBoxUndo : public QObject {
    Q_OBJECT
private slots:
    void eachChangeIsOneStep_data();
    void eachChangeIsOneStep();
    void stepsUndoInOrderAndRedoClearsOnNewChange();
    void undoWhileFloatingEndsTheSelection();
    void undoInMidDragKeepsPictureAndHistoryTogether();
    void longHistoryStaysBounded();
    void stepMemoryFollowsTheChangedRectangle();
    void hostStacksKeepTheirOwnHistory();
    void historiesRestartForAnotherPicture();
    void drawingLandsOnPixelsAtEveryZoom_data();
    void drawingLandsOnPixelsAtEveryZoom();
    void selectionMovesInPicturePixelsWhenZoomed();
    void ctrlWheelZoomsAroundThePointer();
    void zoomKeysAndFit();
};

void TestDrawBoxUndo::eachChangeIsOneStep_data() {
    QTest::addColumn<QString>("change");
    for (const char* change : {"pencil", "eraser", "line", "move", "paste", "insert", "cut",
                               "clear", "select all and delete", "wide pencil"})
        QTest::newRow(change) << QString::fromLatin1(change);
}

void TestDrawBoxUndo::eachChangeIsOneStep() {
    QFETCH(QString, change);
    QTemporaryDir dir;
    DrawBoxFixture f;
    f.box->SetPicture(Sample());
    QWidget* s = f.Surface();
    const QImage original = f.box->Picture();

    if (change == "pencil") {
        f.box->SetTool(ctlDrawBox::ToolPencil);
        HandDrag(s, QPoint(5, 70), QPoint(90, 5));
    } else if (change == "wide pencil") {
        f.box->SetTool(ctlDrawBox::ToolPencil);
        f.box->SetLineSize(4);
        HandDrag(s, QPoint(2, 2), QPoint(97, 77));
    } else if (change == "eraser") {
        f.box->SetTool(ctlDrawBox::ToolEraser);
        HandDrag(s, QPoint(5, 20), QPoint(95, 50));
    } else if (change == "line") {
        f.box->SetTool(ctlDrawBox::ToolLine);
        HandDrag(s, QPoint(3, 75), QPoint(97, 12));
    } else if (change == "move") {
        HandSelect(f, QPoint(8, 8), QPoint(32, 32));
        QVERIFY(f.box->IsFloating());
        QCOMPARE(f.box->UndoStack()->count(), 0); // lifting alone changes nothing
        f.DragSelection(25, 18, 15);
    } else if (change == "paste") {
        QImage clip = WhitePicture(12, 9);
        PaintBlack(clip, QRect(2, 2, 8, 5));
        f.services.clipImage = clip;
        f.services.popupAnswers.enqueue(4);
        RightClick(s, QPoint(50, 20));
    } else if (change == "insert") {
        QImage picture = WhitePicture(30, 6);
        PaintBlack(picture, QRect(0, 0, 30, 2));
        const QString path = dir.filePath("in.png");
        QVERIFY(picture.save(path));
        f.services.fileAnswers.enqueue(path);
        f.services.popupAnswers.enqueue(8);
        RightClick(s, QPoint(50, 20));
    } else if (change == "cut" || change == "clear") {
        HandSelect(f, QPoint(55, 35), QPoint(80, 75));
        f.services.popupAnswers.enqueue(change == "cut" ? 1 : 5);
        RightClick(s, QPoint(5, 75)); // off the selection
        QVERIFY(!f.box->IsFloating());
    } else if (change == "select all and delete") {
        f.box->SelectAll();
        f.box->ClearSelection();
    }
    const QImage changed = f.box->Picture();
    QVERIFY2(changed != original, "the change did nothing");
    QCOMPARE(f.box->UndoStack()->count(), 1);
    QVERIFY(f.box->CanUndo());
    QVERIFY(!f.box->CanRedo());

    f.box->SetDirtyFlag(false); // as after a save: an undo is a change again
    QSignalSpy changes(f.box.get(), &ctlDrawBox::Change);
    f.box->Undo();
    QCOMPARE(f.box->Picture(), original);
    QVERIFY(!f.box->IsFloating());
    QVERIFY(f.box->DirtyFlag());
    QCOMPARE(changes.count(), 1);
    QVERIFY(!f.box->CanUndo());
    QVERIFY(f.box->CanRedo());

    f.box->Redo();
    QCOMPARE(f.box->Picture(), changed);
    f.box->Undo();
    QCOMPARE(f.box->Picture(), original);
    f.box->Redo();
    QCOMPARE(f.box->Picture(), changed);
}

void TestDrawBoxUndo::stepsUndoInOrderAndRedoClearsOnNewChange() {
    DrawBoxFixture f;
    QWidget* s = f.Surface();
    QList<QImage> states{f.box->Picture()};
    for (int i = 0; i < 5; ++i) {
        HandDrag(s, QPoint(5 + i * 15, 5), QPoint(10 + i * 15, 70), 12);
        states << f.box->Picture();
    }
    // A Region click selects nothing and is no step.
    f.box->SetTool(ctlDrawBox::ToolRegion);
    HandDrag(s, QPoint(50, 50), QPoint(50, 50), 2);
    QCOMPARE(f.box->UndoStack()->count(), 5);
    for (int i = 4; i >= 2; --i) {
        f.box->Undo();
        QCOMPARE(f.box->Picture(), states[i]);
    }
    f.box->SetTool(ctlDrawBox::ToolLine);
    HandDrag(s, QPoint(0, 79), QPoint(99, 79));
    QVERIFY(!f.box->CanRedo());
    QCOMPARE(f.box->UndoStack()->count(), 3);
    f.box->Undo();
    QCOMPARE(f.box->Picture(), states[2]);
}

void TestDrawBoxUndo::undoWhileFloatingEndsTheSelection() {
    DrawBoxFixture f;
    f.box->SetPicture(Sample());
    const QImage original = f.box->Picture();
    HandSelect(f, QPoint(5, 5), QPoint(35, 35));
    f.DragSelection(40, 20, 10);
    const QImage moved = f.box->Picture();
    f.DragSelection(-10, 5, 10); // the same floating selection, dragged twice: two steps
    QCOMPARE(f.box->UndoStack()->count(), 2);
    f.box->Undo();
    QVERIFY(!f.box->IsFloating());
    QVERIFY(!f.Grab()->isVisible());
    QCOMPARE(f.box->Picture(), moved);
    f.box->Undo();
    QCOMPARE(f.box->Picture(), original);
    // Drawing afterwards works on the restored pixels.
    f.box->SetTool(ctlDrawBox::ToolPencil);
    HandDrag(f.Surface(), QPoint(90, 5), QPoint(90, 30));
    QCOMPARE(f.box->Picture().pixel(10, 10), kInk);
    QCOMPARE(f.box->Picture().pixel(90, 20), kInk);
}

void TestDrawBoxUndo::undoInMidDragKeepsPictureAndHistoryTogether() {
    DrawBoxFixture f;
    QWidget* s = f.Surface();
    const QImage blank = f.box->Picture();
    HandDrag(s, QPoint(5, 5), QPoint(5, 60), 12);
    f.box->SetTool(ctlDrawBox::ToolLine);
    DrawBoxFixture::Press(s, QPoint(20, 10));
    for (int i = 1; i <= 10; ++i)
        SendMouse(s, QEvent::MouseMove, QPoint(20 + i * 5, 10 + i * 3), Qt::NoButton,
                  Qt::LeftButton);
    f.box->Undo(); // the pencil stroke, from the keyboard while the button is held
    QCOMPARE(f.box->Picture(), blank);
    DrawBoxFixture::Release(s, QPoint(70, 40));
    const QImage after = f.box->Picture();
    QVERIFY(after != blank);   // the line is drawn on release ...
    QVERIFY(f.box->CanUndo()); // ... and can be taken back
    f.box->Undo();
    QCOMPARE(f.box->Picture(), blank);
    f.box->Redo();
    QCOMPARE(f.box->Picture(), after);
}

void TestDrawBoxUndo::longHistoryStaysBounded() {
    DrawBoxFixture f(QSize(500, 500), QSize(400, 300));
    QWidget* s = f.Surface();
    const int limit = PictureHistories::kStepLimit;
    QImage afterStep;
    const int strokes = limit * 3;
    for (int i = 0; i < strokes; ++i) {
        // Each stroke crosses the whole picture, so each step holds nearly all of it.
        f.box->SetTool(i % 2 ? ctlDrawBox::ToolEraser : ctlDrawBox::ToolPencil);
        HandDrag(s, QPoint(0, (i * 7) % 500), QPoint(499, 499 - (i * 13) % 500), 10);
        if (i == strokes - limit - 1)
            afterStep = f.box->Picture();
    }
    const QUndoStack& stack = *f.box->UndoStack();
    QCOMPARE(stack.count(), limit);
    // Before and after rows of 500 x 500 pixels at one bit each, plus bookkeeping.
    const std::size_t fullStep = 2 * 500 * ((500 + 7) / 8);
    const std::size_t bytes = PictureChangeCommand::StackBytes(stack);
    QVERIFY2(bytes <= std::size_t(limit) * (fullStep + 512), qPrintable(QString::number(bytes)));
    while (f.box->CanUndo())
        f.box->Undo();
    QCOMPARE(f.box->Picture(), afterStep);
}

void TestDrawBoxUndo::stepMemoryFollowsTheChangedRectangle() {
    DrawBoxFixture f(QSize(500, 500), QSize(400, 300));
    HandDrag(f.Surface(), QPoint(100, 100), QPoint(104, 100), 4);
    const auto* step = dynamic_cast<const PictureChangeCommand*>(f.box->UndoStack()->command(0));
    QVERIFY(step);
    QCOMPARE(step->Rect(), QRect(100, 100, 6, 1)); // the click's dash reaches one further
    QVERIFY2(step->Bytes() < 256, qPrintable(QString::number(step->Bytes())));
}

void TestDrawBoxUndo::hostStacksKeepTheirOwnHistory() {
    DrawBoxFixture f;
    QUndoStack first;
    QUndoStack second;
    QSignalSpy state(f.box.get(), &ctlDrawBox::UndoStateChanged);
    f.box->SetUndoStack(&first);
    HandDrag(f.Surface(), QPoint(10, 10), QPoint(40, 10));
    const QImage a = f.box->Picture();
    QCOMPARE(first.count(), 1);
    QVERIFY(state.count() >= 2);

    f.box->SetUndoStack(&second);
    QVERIFY(!f.box->CanUndo());
    f.box->SetPicture(WhitePicture(100, 80)); // the host's stack survives a new picture
    f.box->SetUndoStack(&first);
    f.box->SetPicture(a);
    QVERIFY(f.box->CanUndo());
    f.box->Undo();
    QCOMPARE(f.box->Picture(), WhitePicture(100, 80));

    // The control's own stack is emptied by a new picture.
    f.box->SetUndoStack(nullptr);
    HandDrag(f.Surface(), QPoint(10, 20), QPoint(40, 20));
    QVERIFY(f.box->CanUndo());
    f.box->SetPicture(Sample());
    QVERIFY(!f.box->CanUndo());
}

void TestDrawBoxUndo::historiesRestartForAnotherPicture() {
    PictureHistories histories;
    const uint64_t a = 1; // two notes' serial numbers
    const uint64_t b = 2;
    const QImage one = Sample();
    QImage two = Sample();
    two.setPixel(0, 0, kInk);
    QUndoStack* stack = histories.StackFor(a, one);
    stack->push(new QUndoCommand(QStringLiteral("step")));
    histories.Leave(a, one);
    QVERIFY(histories.StackFor(b, two) != stack);
    histories.Leave(b, two);
    QCOMPARE(histories.StackFor(a, one), stack);
    QCOMPARE(stack->count(), 1);
    histories.Leave(a, one);
    // The note was changed elsewhere meanwhile: its old steps no longer fit.
    QCOMPARE(histories.StackFor(a, two), stack);
    QCOMPARE(stack->count(), 0);
    histories.Clear();
    QCOMPARE(histories.Count(), 0);
}

void TestDrawBoxUndo::drawingLandsOnPixelsAtEveryZoom_data() {
    QTest::addColumn<int>("zoom");
    for (int zoom : {1, 2, 4, 8})
        QTest::newRow(qPrintable(QStringLiteral("%1x").arg(zoom))) << zoom;
}

void TestDrawBoxUndo::drawingLandsOnPixelsAtEveryZoom() {
    QFETCH(int, zoom);
    DrawBoxFixture f;
    f.box->SetZoom(zoom);
    QCOMPARE(f.box->Zoom(), zoom);
    QWidget* s = f.Surface();
    QCOMPARE(s->size(), QSize(100, 80) * zoom);
    // Anywhere inside a magnified pixel names that pixel.
    const auto inside = [zoom](int x, int y) {
        return QPoint(x * zoom + (zoom - 1) * 3 / 4, y * zoom + (zoom - 1) / 4);
    };
    f.box->SetTool(ctlDrawBox::ToolLine);
    HandDrag(s, inside(3, 7), inside(40, 7), 40);
    QSet<QPoint> expected;
    for (int x = 3; x <= 40; ++x)
        expected.insert(QPoint(x, 7));
    QCOMPARE(BlackPixels(f.box->Picture()), expected);

    f.box->SetTool(ctlDrawBox::ToolPencil);
    HandDrag(s, inside(20, 30), inside(20, 45), 30);
    for (int y = 30; y <= 45; ++y)
        QCOMPARE(f.box->Picture().pixel(20, y), kInk);
    QCOMPARE(f.box->Picture().pixel(20, 29), kPaper);
    QCOMPARE(f.box->Picture().pixel(19, 40), kPaper);
    f.box->Undo();
    f.box->Undo();
    QCOMPARE(f.box->Picture(), WhitePicture(100, 80));
}

void TestDrawBoxUndo::selectionMovesInPicturePixelsWhenZoomed() {
    DrawBoxFixture f;
    f.box->SetPicture(Sample());
    f.box->SetZoom(4);
    f.box->SetTool(ctlDrawBox::ToolRegion);
    HandDrag(f.Surface(), QPoint(40, 40), QPoint(4 * 30 + 1, 4 * 30 + 1));
    QCOMPARE(f.box->SelectionRect(), QRect(10, 10, 21, 21));
    QCOMPARE(f.Grab()->geometry(), QRect(40, 40, 84, 84));
    // Screen pixels: 12 and 5 picture pixels. The grab area jumps by whole magnified pixels,
    // so every move is placed on the screen, not relative to where the area went.
    QWidget* g = f.Grab();
    const QPoint origin = g->mapToGlobal(g->rect().center());
    QTest::mousePress(g, Qt::LeftButton, Qt::NoModifier, g->rect().center());
    for (int i = 1; i <= 16; ++i) {
        const QPoint screen = origin + QPoint(4 * 12 * i / 16, 4 * 5 * i / 16);
        SendMouse(g, QEvent::MouseMove, g->mapFromGlobal(screen), Qt::NoButton, Qt::LeftButton);
    }
    SendMouse(g, QEvent::MouseButtonRelease, g->mapFromGlobal(origin + QPoint(48, 20)),
              Qt::LeftButton, Qt::NoButton);
    QCOMPARE(f.box->SelectionRect(), QRect(22, 15, 21, 21));
    QCOMPARE(f.box->Picture().pixel(22, 15), kInk);
    QCOMPARE(f.box->Picture().pixel(10, 10), kPaper);
}

void TestDrawBoxUndo::ctrlWheelZoomsAroundThePointer() {
    DrawBoxFixture f(QSize(200, 150), QSize(300, 200));
    QSignalSpy zoomed(f.box.get(), &ctlDrawBox::ZoomChanged);
    QWidget* viewport = f.box->findChild<QWidget*>(QStringLiteral("picImageClipper"));
    QVERIFY(viewport);
    QWidget* s = f.Surface();
    const QPoint pointer(120, 90); // over picture pixel (120, 90) at 1x
    // A wheel over the surface reaches the viewport; a sent (not spontaneous) event is not
    // passed on by Qt, so it goes to the viewport directly.
    const auto wheel = [&](int delta, Qt::KeyboardModifiers modifiers) {
        QWheelEvent event(QPointF(pointer), QPointF(viewport->mapToGlobal(pointer)), QPoint(),
                          QPoint(0, delta), Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &event);
    };
    wheel(120, Qt::ControlModifier);
    QCOMPARE(f.box->Zoom(), 2);
    QCOMPARE(zoomed.count(), 1);
    QCOMPARE(zoomed.first().first().toInt(), 2);
    // The same picture pixel is still under the pointer.
    const QPointF pictureAt = QPointF(pointer - s->pos()) / 2.0;
    QVERIFY2(qAbs(pictureAt.x() - 120) <= 1 && qAbs(pictureAt.y() - 90) <= 1,
             qPrintable(QStringLiteral("%1,%2").arg(pictureAt.x()).arg(pictureAt.y())));
    wheel(120, Qt::ControlModifier);
    wheel(120, Qt::ControlModifier);
    wheel(120, Qt::ControlModifier); // no further than 8x
    QCOMPARE(f.box->Zoom(), 8);
    wheel(-120, Qt::ControlModifier);
    QCOMPARE(f.box->Zoom(), 4);
    wheel(-120, Qt::NoModifier); // a plain wheel does not zoom
    QCOMPARE(f.box->Zoom(), 4);
}

void TestDrawBoxUndo::zoomKeysAndFit() {
    DrawBoxFixture f(QSize(40, 30), QSize(300, 200));
    f.box->activateWindow();
    f.box->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(f.box.get()));
    QTest::keyClick(f.box.get(), Qt::Key_Plus, Qt::ControlModifier);
    QCOMPARE(f.box->Zoom(), 2);
    QTest::keyClick(f.box.get(), Qt::Key_Equal, Qt::ControlModifier);
    QCOMPARE(f.box->Zoom(), 4);
    QTest::keyClick(f.box.get(), Qt::Key_Minus, Qt::ControlModifier);
    QTest::keyClick(f.box.get(), Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(f.box->Zoom(), 1);
    QTest::keyClick(f.box.get(), Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(f.box->Zoom(), 0); // below 1x: fit
    // 40 x 30 in a viewport of about 270 x 196: 6x fits whole.
    QCOMPARE(f.box->ZoomScale(), 6.0);
    QCOMPARE(f.Surface()->size(), QSize(240, 180));
    f.box->SetTool(ctlDrawBox::ToolPencil);
    HandDrag(f.Surface(), QPoint(6 * 5 + 2, 6 * 4 + 5), QPoint(6 * 5 + 2, 6 * 9 + 1), 12);
    for (int y = 4; y <= 9; ++y)
        QCOMPARE(f.box->Picture().pixel(5, y), kInk);
    // A picture too large for the viewport is shrunk to fit.
    f.box->SetPicture(WhitePicture(1000, 1000));
    QVERIFY(f.box->ZoomScale() < 1.0);
    QVERIFY(f.Surface()->width() <= 300 && f.Surface()->height() <= 200);
    QVERIFY(!f.box->findChild<QWidget*>(QStringLiteral("sclBitmapItem"))->isVisible());
}

QTEST_MAIN(TestDrawBoxUndo)
#include "tst_DrawBoxUndo.moc"
