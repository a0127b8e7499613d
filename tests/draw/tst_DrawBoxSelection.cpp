// SPDX-License-Identifier: GPL-3.0-or-later
// The picture editor's Region tool, floating selection, clipboard, picture menu and files.
#include "DrawBoxTestKit.h"

#include "draw/BitmapImage.h"
#include "core/modGlobals.h"
#include "storage/clsBitmap.h"
#include "support/RequiredTools.h"

#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace quillary;
using namespace quillary::test;

namespace {

const QStringList kPictureMenu = {"Cut",
                                  "Copy",
                                  "-",
                                  "Paste",
                                  "Clear",
                                  "-",
                                  "Save Picture as Bitmap File...",
                                  "Insert Picture from File..."};

// 100 x 80 white with a black 10 x 10 square at (10, 10) and a black column at x = 60.
QImage Sample() {
    QImage image = WhitePicture(100, 80);
    PaintBlack(image, QRect(10, 10, 10, 10));
    PaintBlack(image, QRect(60, 0, 1, 80));
    return image;
}

QImage Shifted(const QImage& image, QRect piece, QPoint to) {
    QImage out = image;
    for (int y = piece.top(); y <= piece.bottom(); ++y)
        for (int x = piece.left(); x <= piece.right(); ++x)
            out.setPixel(x, y, kPaper);
    for (int y = piece.top(); y <= piece.bottom(); ++y)
        for (int x = piece.left(); x <= piece.right(); ++x) {
            const QPoint p(x - piece.left() + to.x(), y - piece.top() + to.y());
            if (image.pixel(x, y) == kInk && out.rect().contains(p))
                out.setPixel(p, kInk);
        }
    return out;
}

} // namespace

class TestDrawBoxSelection : public QObject {
    Q_OBJECT
private slots:
    void regionDrags_data();
    void regionDrags();
    void regionOffTheEdgeSelectsNothing();
    void smallRegionCommitsThePreviousOne();
    void moveLeavesBlankAndMergesWithAnd();
    void clearAfterMoveRestoresUnderneath();
    void moveStopsWithOneRowAndColumnOnTheSurface();
    void overhangIsLostOnCommit();
    void dragMovesStepByStep();
    void handDragFollowsEveryMove_data();
    void handDragFollowsEveryMove();
    void selectAllThenClear();
    void copyAndCutNeedASelection();
    void pasteReducesToBlackAndWhite();
    void pasteLargerThanTheSurface();
    void pasteWhileScrolledLandsTopLeft();
    void pictureMenu_data();
    void pictureMenu();
    void rightClickOnSelectionOpensMenu();
    void saveAsBitmapFileNames_data();
    void saveAsBitmapFileNames();
    void saveAsBitmapFileFailureIsReported();
    void insertPictureFile();
    void insertPictureFileFailures();
    void saveNoteBitmap();
    void noteBitmapInMemory();
    void saveNoteBitmapReadsInPil();
};

void TestDrawBoxSelection::regionDrags_data() {
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<QRect>("selection"); // null: nothing selected
    QTest::newRow("click") << QPoint(30, 30) << QPoint(30, 30) << QRect();
    QTest::newRow("two by two") << QPoint(30, 30) << QPoint(31, 31) << QRect();
    QTest::newRow("three wide, one high")
        << QPoint(30, 30) << QPoint(32, 30) << QRect(30, 30, 3, 1);
    QTest::newRow("one wide, three high")
        << QPoint(30, 32) << QPoint(30, 30) << QRect(30, 30, 1, 3);
    QTest::newRow("beyond right and bottom")
        << QPoint(50, 40) << QPoint(300, 200) << QRect(QPoint(50, 40), QPoint(99, 79));
    QTest::newRow("beyond left and top")
        << QPoint(50, 40) << QPoint(-30, -20) << QRect(QPoint(0, 0), QPoint(50, 40));
}

void TestDrawBoxSelection::regionDrags() {
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(QRect, selection);
    DrawBoxFixture f;
    f.box->SetPicture(Sample());
    QSignalSpy changes(f.box.get(), &ctlDrawBox::Change);
    f.Select(from, to);
    QCOMPARE(f.box->IsFloating(), !selection.isNull());
    QCOMPARE(f.Grab()->isVisible(), !selection.isNull());
    if (!selection.isNull()) {
        QCOMPARE(f.box->SelectionRect(), selection);
        QCOMPARE(f.Grab()->geometry(), selection);
    }
    // Selecting changes neither the picture nor DirtyFlag.
    QCOMPARE(f.box->Picture(), Sample());
    QVERIFY(!f.box->DirtyFlag());
    QCOMPARE(changes.count(), 0);
}

// On a scaled screen the pointer reports fractions: a press in the right half of the last
// column rounds to the first column beyond the surface. A drag from there has no pixel of
// the surface in it and must select nothing (Copy would otherwise empty the clipboard).
void TestDrawBoxSelection::regionOffTheEdgeSelectsNothing() {
    DrawBoxFixture f;
    f.box->SetPicture(Sample());
    f.box->SetTool(ctlDrawBox::ToolRegion);
    QWidget* s = f.Surface();
    SendMouse(s, QEvent::MouseButtonPress, QPointF(99.6, 10), Qt::LeftButton, Qt::LeftButton);
    SendMouse(s, QEvent::MouseMove, QPointF(130, 50), Qt::NoButton, Qt::LeftButton);
    SendMouse(s, QEvent::MouseButtonRelease, QPointF(130, 50), Qt::LeftButton, Qt::NoButton);
    QVERIFY(!f.box->IsFloating());
    QVERIFY(!f.Grab()->isVisible());
    f.services.clipText = "keep me";
    f.box->CopyPicture();
    QCOMPARE(f.services.clipText, QString("keep me"));
    QVERIFY(f.services.clipImage.isNull());
    QCOMPARE(f.box->Picture(), Sample());
}

void TestDrawBoxSelection::smallRegionCommitsThePreviousOne() {
    DrawBoxFixture f;
    f.box->SetPicture(Sample());
    f.Select(QPoint(5, 5), QPoint(25, 25));
    f.DragSelection(30, 0);
    const QImage moved = f.box->Picture();
    f.Drag({QPoint(80, 70), QPoint(80, 70)});
    QVERIFY(!f.box->IsFloating());
    QVERIFY(!f.Grab()->isVisible());
    QCOMPARE(f.box->Picture(), moved);
    // Committed: Clear has nothing to take away.
    f.box->ClearSelection();
    QCOMPARE(f.box->Picture(), moved);
}

void TestDrawBoxSelection::moveLeavesBlankAndMergesWithAnd() {
    DrawBoxFixture f;
    f.box->SetPicture(Sample());
    f.Select(QPoint(5, 5), QPoint(24, 24)); // the square with a white margin
    QSignalSpy changes(f.box.get(), &ctlDrawBox::Change);
    f.DragSelection(45, 3); // over the black column at x = 60
    QCOMPARE(f.box->SelectionRect(), QRect(50, 8, 20, 20));
    QVERIFY(f.box->IsFloating());
    QVERIFY(f.box->DirtyFlag());
    QCOMPARE(changes.count(), 1);
    QCOMPARE(f.box->Picture(), Shifted(Sample(), QRect(5, 5, 20, 20), QPoint(50, 8)));
    QCOMPARE(f.box->Picture().pixel(60, 9), kInk);    // black under white selection pixels
    QCOMPARE(f.box->Picture().pixel(12, 12), kPaper); // the lifted place is blank
    QCOMPARE(f.Grab()->geometry(), QRect(50, 8, 20, 20));
}

void TestDrawBoxSelection::clearAfterMoveRestoresUnderneath() {
    DrawBoxFixture f;
    f.box->SetPicture(Sample());
    f.Select(QPoint(5, 5), QPoint(24, 24));
    f.DragSelection(45, 3);
    f.box->SetDirtyFlag(false);
    f.box->ClearSelection();
    QVERIFY(f.box->DirtyFlag());
    QVERIFY(!f.box->IsFloating());
    QImage expected = Sample();
    ctlDrawBox::FillRectangle(expected, 10, 10, 10, 10);
    QCOMPARE(f.box->Picture(), expected); // the column is back, the square gone
}

void TestDrawBoxSelection::moveStopsWithOneRowAndColumnOnTheSurface() {
    DrawBoxFixture f;
    f.box->SetPicture(Sample());
    f.Select(QPoint(5, 5), QPoint(24, 24));
    f.DragSelection(-500, -500);
    QCOMPARE(f.box->SelectionRect(), QRect(-19, -19, 20, 20));
    f.DragSelection(1000, 1000);
    QCOMPARE(f.box->SelectionRect(), QRect(99, 79, 20, 20));
}

void TestDrawBoxSelection::overhangIsLostOnCommit() {
    DrawBoxFixture f;
    f.box->SetPicture(Sample());
    f.Select(QPoint(5, 5), QPoint(24, 24));
    f.DragSelection(-10, 0); // the square now starts at x = 0, half its margin outside
    QCOMPARE(f.box->SelectionRect(), QRect(-5, 5, 20, 20));
    f.DragSelection(-5, 0); // 5 columns of the square hang over the left edge
    QCOMPARE(f.box->Picture().pixel(0, 12), kInk);
    QCOMPARE(f.box->Picture().pixel(5, 12), kPaper);
    // While it floats the layer keeps them: moving back brings them back.
    f.DragSelection(5, 0);
    QCOMPARE(f.box->Picture().pixel(9, 12), kInk);
    f.DragSelection(-5, 0);
    f.box->SetTool(ctlDrawBox::ToolPencil); // commits
    QVERIFY(!f.box->IsFloating());
    f.Select(QPoint(0, 0), QPoint(40, 40));
    f.DragSelection(10, 0);
    QImage expected = Sample();
    ctlDrawBox::FillRectangle(expected, 10, 10, 10, 10);
    PaintBlack(expected, QRect(10, 10, 5, 10)); // only the 5 columns that stayed on
    QCOMPARE(f.box->Picture(), expected);
}

void TestDrawBoxSelection::dragMovesStepByStep() {
    DrawBoxFixture f;
    f.box->SetPicture(Sample());
    f.Select(QPoint(5, 5), QPoint(24, 24));
    f.DragSelection(30, 20, 7);
    QCOMPARE(f.box->SelectionRect(), QRect(35, 25, 20, 20));
    QCOMPARE(f.box->Picture(), Shifted(Sample(), QRect(5, 5, 20, 20), QPoint(35, 25)));
}

void TestDrawBoxSelection::handDragFollowsEveryMove_data() {
    QTest::addColumn<bool>("pasted");
    QTest::addColumn<int>("steps");
    QTest::newRow("region, six steps") << false << 6;
    QTest::newRow("region, one pixel at a time") << false << 90;
    QTest::newRow("pasted picture, six steps") << true << 6;
}

// Through the window system, as a hand drags: the press on the selection grabs the mouse
// and every later move must reach the selection, wherever the pointer now is.
void TestDrawBoxSelection::handDragFollowsEveryMove() {
    QFETCH(bool, pasted);
    QFETCH(int, steps);
    DrawBoxFixture f(QSize(200, 120), QSize(320, 240));
    f.box->SetPicture(WhitePicture(200, 120));
    QVERIFY(QTest::qWaitForWindowExposed(f.box.get()));
    QImage piece = WhitePicture(20, 20);
    PaintBlack(piece, QRect(0, 0, 20, 2));
    if (pasted) {
        f.services.clipImage = piece;
        f.box->PastePicture();
    } else {
        QImage picture = WhitePicture(200, 120);
        PaintBlack(picture, QRect(5, 5, 20, 2));
        f.box->SetPicture(picture);
        f.Select(QPoint(5, 5), QPoint(24, 24));
    }
    QVERIFY(f.box->IsFloating());
    const QRect before = f.box->SelectionRect();
    QWidget* surface = f.Surface();
    QCOMPARE(surface->childAt(f.Grab()->geometry().center()), f.Grab());
    // Window positions: the window system, not the test, picks the widget for each event.
    QWindow* window = f.box->windowHandle();
    const QPoint start = surface->mapTo(f.box.get(), f.Grab()->geometry().center());
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, start);
    for (int i = 1; i <= steps; ++i)
        QTest::mouseMove(window, start + QPoint(90 * i / steps, 30 * i / steps));
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, start + QPoint(90, 30));
    QCOMPARE(f.box->SelectionRect(), before.translated(90, 30));
    QCOMPARE(BlackPixels(f.box->Picture()).size(), 40);
    QVERIFY(BlackPixels(f.box->Picture()).contains(before.topLeft() + QPoint(90, 30)));
    QVERIFY(f.box->DirtyFlag());
}

void TestDrawBoxSelection::selectAllThenClear() {
    DrawBoxFixture f;
    f.box->SetPicture(Sample());
    f.box->SelectAll();
    QCOMPARE(f.box->Tool(), 3);
    QVERIFY(f.box->IsFloating());
    QCOMPARE(f.box->SelectionRect(), QRect(0, 0, 100, 80));
    QCOMPARE(f.box->Picture(), Sample());
    QVERIFY(!f.box->DirtyFlag());
    f.box->ClearSelection();
    QVERIFY(BlackPixels(f.box->Picture()).isEmpty());
    QVERIFY(f.box->DirtyFlag());
}

void TestDrawBoxSelection::copyAndCutNeedASelection() {
    DrawBoxFixture f;
    f.box->SetPicture(Sample());
    f.services.clipText = "keep me";
    f.box->CopyPicture();
    f.box->ClearSelection();
    QCOMPARE(f.services.clipText, QString("keep me"));
    QVERIFY(!f.box->DirtyFlag());

    f.Select(QPoint(5, 5), QPoint(24, 24));
    f.box->CopyPicture();
    QCOMPARE(f.services.clipImage.size(), QSize(20, 20));
    QCOMPARE(BlackPixels(f.services.clipImage).size(), 100);
    QCOMPARE(f.services.clipImage.pixel(5, 5), kInk);
    QCOMPARE(f.services.clipImage.pixel(4, 4), kPaper);
}

void TestDrawBoxSelection::pasteReducesToBlackAndWhite() {
    DrawBoxFixture f;
    f.box->SetPicture(Sample());
    f.box->PastePicture(); // empty clipboard: nothing happens
    QVERIFY(!f.box->IsFloating());
    QVERIFY(!f.box->DirtyFlag());

    QImage colour(4, 2, QImage::Format_RGB32);
    colour.fill(qRgb(255, 255, 255));
    colour.setPixel(1, 0, qRgb(255, 255, 254));
    colour.setPixel(2, 0, qRgb(255, 0, 0));
    colour.setPixel(3, 1, qRgb(128, 128, 128));
    f.services.clipImage = colour;
    f.box->PastePicture();
    QCOMPARE(f.box->Tool(), 3);
    QVERIFY(f.box->IsFloating());
    QVERIFY(f.box->DirtyFlag());
    QCOMPARE(f.box->SelectionRect(), QRect(0, 0, 4, 2));
    const QImage pic = f.box->Picture();
    QCOMPARE(pic.pixel(0, 0), kPaper);
    QCOMPARE(pic.pixel(1, 0), kInk);
    QCOMPARE(pic.pixel(2, 0), kInk);
    QCOMPARE(pic.pixel(3, 1), kInk);
    QCOMPARE(pic.pixel(0, 1), kPaper);
    // A paste is a selection like any other: moving it leaves the surface as it was.
    f.DragSelection(20, 20);
    QCOMPARE(f.box->Picture().pixel(1, 0), kPaper);
    QCOMPARE(f.box->Picture().pixel(21, 20), kInk);
}

void TestDrawBoxSelection::pasteLargerThanTheSurface() {
    DrawBoxFixture f(QSize(40, 30));
    QImage wide(60, 10, QImage::Format_RGB32);
    wide.fill(kInk);
    f.services.clipImage = wide;
    f.box->PastePicture();
    QCOMPARE(f.box->SelectionRect(), QRect(0, 0, 60, 10));
    QCOMPARE(f.box->Picture().size(), QSize(40, 30));
    f.DragSelection(-30, 0);
    QCOMPARE(f.box->SelectionRect(), QRect(-30, 0, 60, 10));
    // The part that was beyond the right edge came along.
    QCOMPARE(BlackPixels(f.box->Picture()).size(), 30 * 10);
    f.box->SetTool(ctlDrawBox::ToolPencil);
    f.Select(QPoint(0, 0), QPoint(39, 29));
    f.DragSelection(10, 0);
    QCOMPARE(BlackPixels(f.box->Picture()).size(), 30 * 10);
}

void TestDrawBoxSelection::pasteWhileScrolledLandsTopLeft() {
    DrawBoxFixture f(QSize(600, 400));
    f.box->findChild<QScrollBar*>("sclBitmapItem")->setValue(150);
    QImage dot = WhitePicture(3, 3);
    dot.setPixel(0, 0, kInk);
    f.services.clipImage = dot;
    f.box->PastePicture();
    QCOMPARE(f.box->SelectionRect(), QRect(0, 0, 3, 3));
    QCOMPARE(f.box->Picture().pixel(0, 0), kInk);
}

void TestDrawBoxSelection::pictureMenu_data() {
    QTest::addColumn<int>("choice");
    QTest::addColumn<bool>("clipboardSet");
    QTest::addColumn<bool>("cleared");
    QTest::addColumn<bool>("pasted");
    QTest::addColumn<bool>("saveDialog");
    QTest::addColumn<bool>("openDialog");
    QTest::newRow("dismissed") << 0 << false << false << false << false << false;
    QTest::newRow("Cut") << 1 << true << true << false << false << false;
    QTest::newRow("Copy") << 2 << true << false << false << false << false;
    QTest::newRow("separator") << 3 << false << false << false << false << false;
    QTest::newRow("Paste") << 4 << false << false << true << false << false;
    QTest::newRow("Clear") << 5 << false << true << false << false << false;
    QTest::newRow("separator 2") << 6 << false << false << false << false << false;
    QTest::newRow("Save") << 7 << false << false << false << true << false;
    QTest::newRow("Insert") << 8 << false << false << false << false << true;
}

void TestDrawBoxSelection::pictureMenu() {
    QFETCH(int, choice);
    QFETCH(bool, clipboardSet);
    QFETCH(bool, cleared);
    QFETCH(bool, pasted);
    QFETCH(bool, saveDialog);
    QFETCH(bool, openDialog);
    DrawBoxFixture f;
    f.box->SetPicture(Sample());
    f.Select(QPoint(5, 5), QPoint(24, 24));
    QImage marker = WhitePicture(2, 2);
    marker.setPixel(1, 1, kInk);
    f.services.clipImage = marker;
    f.services.popupAnswers.enqueue(choice);

    QTest::mouseClick(f.Surface(), Qt::RightButton, {}, QPoint(80, 70));
    QCOMPARE(f.services.popupMenus, QList<QStringList>{kPictureMenu});
    QCOMPARE(f.services.clipImage.size() == QSize(20, 20), clipboardSet);
    QCOMPARE(f.box->Picture().pixel(12, 12), cleared ? kPaper : kInk);
    QCOMPARE(f.box->SelectionRect() == QRect(0, 0, 2, 2), pasted);
    QCOMPARE(f.box->DirtyFlag(), cleared || pasted);
    const bool anyDialog = !f.services.fileDialogs.isEmpty();
    QCOMPARE(anyDialog, saveDialog || openDialog);
    if (anyDialog)
        QCOMPARE(f.services.fileDialogs.first().save, saveDialog);
    // The right button never draws.
    QCOMPARE(f.box->Picture().pixel(80, 70), kPaper);
}

void TestDrawBoxSelection::rightClickOnSelectionOpensMenu() {
    DrawBoxFixture f;
    f.box->SetPicture(Sample());
    f.Select(QPoint(5, 5), QPoint(24, 24));
    f.services.popupAnswers.enqueue(5);
    QTest::mouseClick(f.Grab(), Qt::RightButton, {}, QPoint(3, 3));
    QCOMPARE(f.services.popupMenus.size(), 1);
    QVERIFY(!f.box->IsFloating());
    QCOMPARE(f.box->Picture().pixel(12, 12), kPaper);
}

void TestDrawBoxSelection::saveAsBitmapFileNames_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::newRow("no extension") << "pic"
                                  << "pic.bmp";
    QTest::newRow("mixed case") << "pic.BmP"
                                << "pic.BmP";
    QTest::newRow("lower case") << "pic.bmp"
                                << "pic.bmp";
    QTest::newRow("other extension") << "pic.png"
                                     << "pic.png.bmp";
    QTest::newRow("cancelled") << ""
                               << "";
}

void TestDrawBoxSelection::saveAsBitmapFileNames() {
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    QTemporaryDir dir;
    DrawBoxFixture f;
    f.box->SetPicture(Sample());
    f.Select(QPoint(5, 5), QPoint(24, 24));
    f.DragSelection(30, 0);
    f.box->SetDirtyFlag(false);
    f.services.fileAnswers.enqueue(chosen.isEmpty() ? QString() : dir.filePath(chosen));
    const QString startFolder = FileDialogFolder(); // where the last chosen file was
    QCOMPARE(f.box->SaveAsBitmapFile(), !written.isEmpty());

    QCOMPARE(f.services.fileDialogs.size(), 1);
    const auto& call = f.services.fileDialogs.first();
    QVERIFY(call.save);
    QCOMPARE(call.title, QString("Select a name for this bitmap file"));
    QCOMPARE(call.initialName, QString());
    QCOMPARE(call.initialDir, startFolder);
    QCOMPARE(call.filters, BuildFileFilter(FilterBitmaps));
    QCOMPARE(call.filters.first().pattern, QString("*.bmp"));
    QCOMPARE(call.filterIndex, 1);
    QVERIFY(!f.box->DirtyFlag());
    QVERIFY(f.box->IsFloating());

    const QStringList files = QDir(dir.path()).entryList(QDir::Files);
    if (written.isEmpty()) {
        QVERIFY(files.isEmpty());
        return;
    }
    QCOMPARE(files, QStringList{written});
    QImageReader reader(dir.filePath(written));
    QCOMPARE(reader.format(), QByteArray("bmp"));
    const QImage saved = reader.read();
    QVERIFY(saved.depth() > 1); // the surface's own depth, not reduced to 1 bit
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), f.box->Picture());
}

void TestDrawBoxSelection::saveAsBitmapFileFailureIsReported() {
    DrawBoxFixture f;
    f.services.fileAnswers.enqueue("/nonexistent-folder/picture.bmp");
    QVERIFY(!f.box->SaveAsBitmapFile());
    QCOMPARE(f.services.messageTexts(), QStringList{"Failed to export bitmap!"});
    QCOMPARE(f.services.messages.first().title, QString("Quillary"));
}

void TestDrawBoxSelection::insertPictureFile() {
    QTemporaryDir dir;
    QImage colour(5, 4, QImage::Format_ARGB32);
    colour.fill(qRgb(255, 255, 255));
    colour.setPixel(1, 1, qRgb(0, 0, 255));
    colour.setPixel(4, 3, qRgb(255, 255, 250));
    const QString path = dir.filePath("in.png");
    QVERIFY(colour.save(path));

    DrawBoxFixture f;
    f.box->SetPicture(Sample());
    f.Select(QPoint(40, 40), QPoint(50, 50));
    f.DragSelection(-30, -30); // moved over the square; must be committed, not discarded
    const QImage before = f.box->Picture();
    f.services.fileAnswers.enqueue(path);
    f.box->InsertPictureFile();

    QCOMPARE(f.services.fileDialogs.size(), 1);
    const auto& call = f.services.fileDialogs.first();
    QVERIFY(!call.save);
    QCOMPARE(call.title, QString("Import graphic file:"));
    QCOMPARE(call.filters, BuildFileFilter(FilterBitmaps));
    QCOMPARE(call.filterIndex, 1);
    QVERIFY(f.services.messages.isEmpty());
    // The inserted picture stays on the clipboard.
    QCOMPARE(f.services.clipImage.size(), QSize(5, 4));
    QCOMPARE(f.services.clipImage.pixel(1, 1), qRgb(0, 0, 255));

    QVERIFY(f.box->IsFloating());
    QCOMPARE(f.box->Tool(), 3);
    QVERIFY(f.box->DirtyFlag());
    QCOMPARE(f.box->SelectionRect(), QRect(0, 0, 5, 4));
    QImage expected = before;
    expected.setPixel(1, 1, kInk);
    expected.setPixel(4, 3, kInk);
    QCOMPARE(f.box->Picture(), expected);
}

void TestDrawBoxSelection::insertPictureFileFailures() {
    QTemporaryDir dir;
    const QString garbage = dir.filePath("garbage.bmp");
    QFile file(garbage);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("BM this is not a picture");
    file.close();

    DrawBoxFixture f;
    f.box->SetPicture(Sample());
    f.services.clipText = "untouched";
    // Cancelled and missing files end quietly.
    f.services.fileAnswers.enqueue(QString());
    f.services.fileAnswers.enqueue(dir.filePath("missing.bmp"));
    f.box->InsertPictureFile();
    f.box->InsertPictureFile();
    QVERIFY(f.services.messages.isEmpty());

    // An unreadable file is reported; the floating selection it met stays committed.
    f.Select(QPoint(5, 5), QPoint(24, 24));
    f.DragSelection(30, 0);
    const QImage before = f.box->Picture();
    f.services.fileAnswers.enqueue(garbage);
    f.box->InsertPictureFile();
    QCOMPARE(f.services.messageTexts(), QStringList{"Bitmap import failed"});
    QCOMPARE(f.services.messages.first().title, QString("Quillary"));
    QCOMPARE(f.services.messages.first().buttons, MsgButtons::Ok);
    QVERIFY(!f.box->IsFloating());
    QCOMPARE(f.box->Picture(), before);
    QCOMPARE(f.services.clipText, QString("untouched"));
}

void TestDrawBoxSelection::saveNoteBitmap() {
    QTemporaryDir dir;
    DrawBoxFixture f;
    QImage grey = Sample();
    grey.setPixel(90, 70, qRgb(200, 200, 200));
    f.box->SetPicture(grey);
    f.Select(QPoint(5, 5), QPoint(24, 24));
    f.DragSelection(0, 30);
    const QString path = dir.filePath("QuillaryWorkBMP.bmp");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(5000, 'x')); // replaced, not appended to
    old.close();

    QCOMPARE(f.box->SaveNoteBitmap(path), 0);
    QVERIFY(!f.box->IsFloating());
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    QCOMPARE(bytes.left(2), QByteArray("BM"));
    QCOMPARE(bytes.size(), 62 + 16 * 80);  // the old, longer file is gone
    QCOMPARE(int(uchar(bytes.at(28))), 1); // bits per pixel
    clsBitmap bitmap;
    std::string error;
    QVERIFY2(bitmap.LoadWinBmpFile(QFile::encodeName(path).toStdString(), &error), error.c_str());
    QCOMPARE(bitmap.Width(), 100);
    QCOMPARE(bitmap.Height(), 80);
    QCOMPARE(BlackPixels(BitmapToImage(bitmap).convertToFormat(QImage::Format_RGB32)),
             BlackPixels(f.box->Picture()));
    QVERIFY(bitmap.GetPixel(90, 70));

    QCOMPARE(f.box->SaveNoteBitmap(dir.filePath("no/such/folder/x.bmp")), 1);
    QVERIFY(f.services.messages.isEmpty());
}

void TestDrawBoxSelection::noteBitmapInMemory() {
    clsBitmap bitmap;
    bitmap.InitializeBitmap(160, 90, 1);
    for (int i = 0; i < 90; ++i)
        bitmap.SetPixel(i, i, true);
    DrawBoxFixture f;
    f.box->SetDirtyFlag(true);
    f.box->SetNoteBitmap(bitmap);
    QVERIFY(!f.box->DirtyFlag());
    QCOMPARE(f.box->FullWidth(), 160);
    QCOMPARE(f.box->Picture().pixel(45, 45), kInk);
    QVERIFY(f.box->GetNoteBitmap() == bitmap);

    f.box->SelectAll();
    f.DragSelection(10, 0);
    const clsBitmap moved = f.box->GetNoteBitmap();
    QVERIFY(!f.box->IsFloating());
    QVERIFY(moved.GetPixel(10, 0));
    QVERIFY(!moved.GetPixel(0, 0));
}

// An independent reader of .bmp files agrees with what SaveNoteBitmap writes.
void TestDrawBoxSelection::saveNoteBitmapReadsInPil() {
    const QString python = QStringLiteral("/usr/bin/python3");
    if (!QFile::exists(python) || QProcess::execute(python, {"-c", "import PIL.Image"}) != 0)
        QUILLARY_REQUIRE_OR_SKIP("PIL (python3-pil) is not installed");
    QTemporaryDir dir;
    DrawBoxFixture f(QSize(37, 21));
    f.Drag({QPoint(2, 3), QPoint(30, 17)});
    const QString path = dir.filePath("note.bmp");
    QCOMPARE(f.box->SaveNoteBitmap(path), 0);

    QProcess pil;
    pil.start(python, {"-c",
                       "import sys, PIL.Image as I\n"
                       "im = I.open(sys.argv[1]).convert('L')\n"
                       "print(im.size[0], im.size[1], im.mode)\n"
                       "print(''.join('1' if im.getpixel((x, y)) < 128 else '0'\n"
                       "              for y in range(im.size[1]) for x in range(im.size[0])))\n",
                       path});
    QVERIFY(pil.waitForFinished(30000));
    QCOMPARE(pil.exitCode(), 0);
    const QStringList lines = QString::fromLatin1(pil.readAllStandardOutput()).split('\n');
    QCOMPARE(lines.value(0), QString("37 21 L"));
    QString expected;
    const QImage pic = f.box->Picture();
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 37; ++x)
            expected += pic.pixel(x, y) == kInk ? '1' : '0';
    QCOMPARE(lines.value(1), expected);
}

QTEST_MAIN(TestDrawBoxSelection)
#include "tst_DrawBoxSelection.moc"
