// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing tools from the keyboard and scrolling the picture with the wheel.
#include "DrawBoxTestKit.h"

#include <QAction>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>
#include <QWheelEvent>

using namespace quillary;
using namespace quillary::test;

namespace {

QAction* ToolButton(ctlDrawBox& box, const char* name) {
    return box.findChild<QToolBar*>("tbrBitmap")->findChild<QAction*>(QString::fromLatin1(name));
}

// One notch (or more) of a wheel over the widget's middle.
void Wheel(QWidget* target, QPoint angle, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    QWheelEvent event(at, target->mapToGlobal(at), QPoint(), angle, Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
}

} // namespace

class tst_DrawBoxKeysAndWheel : public QObject {
    Q_OBJECT
private slots:
    void toolKeysChooseToolsAndTheButtonShowsPressed_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("tool");
        QTest::addColumn<QString>("button");
        QTest::newRow("E") << int(Qt::Key_E) << int(ctlDrawBox::ToolEraser) << "Eraser";
        QTest::newRow("L") << int(Qt::Key_L) << int(ctlDrawBox::ToolLine) << "Line";
        QTest::newRow("R") << int(Qt::Key_R) << int(ctlDrawBox::ToolRegion) << "Region";
    }
    void toolKeysChooseToolsAndTheButtonShowsPressed() {
        QFETCH(int, key);
        QFETCH(int, tool);
        QFETCH(QString, button);
        DrawBoxFixture f;
        QVERIFY(QTest::qWaitForWindowExposed(f.box.get()));
        f.box->activateWindow();
        f.box->setFocus();
        QTRY_VERIFY(f.box->hasFocus());
        QTest::keyClick(f.box.get(), Qt::Key(key));
        QCOMPARE(f.box->Tool(), tool);
        for (const char* name : {"Pencil", "Eraser", "Line", "Region"}) {
            QAction* action = ToolButton(*f.box, name);
            // Pressed, not greyed out as if it could not be used.
            QVERIFY(action->isEnabled());
            QCOMPARE(action->isChecked(), button == QLatin1String(name));
        }
        // P brings the pencil back; a click on the current tool's button keeps it pressed.
        QTest::keyClick(f.box.get(), Qt::Key_P);
        QCOMPARE(f.box->Tool(), int(ctlDrawBox::ToolPencil));
        auto* pencil =
            qobject_cast<QToolButton*>(f.box->findChild<QToolBar*>("tbrBitmap")
                                           ->widgetForAction(ToolButton(*f.box, "Pencil")));
        QVERIFY(pencil);
        QTest::mouseClick(pencil, Qt::LeftButton);
        QVERIFY(ToolButton(*f.box, "Pencil")->isChecked());
        QCOMPARE(f.box->Tool(), int(ctlDrawBox::ToolPencil));
        // Keys with Ctrl belong to the window's commands.
        QTest::keyClick(f.box.get(), Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(f.box->Tool(), int(ctlDrawBox::ToolPencil));
    }

    void wheelScrollsThePicture() {
        DrawBoxFixture f(QSize(500, 500), QSize(200, 160));
        QVERIFY(QTest::qWaitForWindowExposed(f.box.get()));
        auto* down = f.box->findChild<QScrollBar*>("sclBitmapItem");
        auto* across = f.box->findChild<QScrollBar*>("hsclBitmapItem");
        QVERIFY(!down->isHidden() && !across->isHidden());
        const int notch = QApplication::wheelScrollLines() * down->singleStep();
        QVERIFY2(notch >= 30, "a notch moves a readable distance");

        // Over the picture: down, then across with Shift, in the scroll bars' steps.
        Wheel(f.Surface(), QPoint(0, -120));
        QCOMPARE(down->value(), notch);
        QCOMPARE(f.Surface()->y(), -notch);
        Wheel(f.Surface(), QPoint(0, -240));
        QCOMPARE(down->value(), 3 * notch);
        Wheel(f.Surface(), QPoint(0, 120), Qt::ShiftModifier);
        QCOMPARE(across->value(), 0); // already at the left
        Wheel(f.Surface(), QPoint(0, -120), Qt::ShiftModifier);
        QCOMPARE(across->value(), notch);
        QCOMPARE(f.Surface()->x(), -notch);
        QCOMPARE(down->value(), 3 * notch);
        // A sideways wheel scrolls across too.
        Wheel(f.Surface(), QPoint(120, 0));
        QCOMPARE(across->value(), 0);
        // Past the end it stops.
        for (int i = 0; i < 40; ++i)
            Wheel(f.Surface(), QPoint(0, -120));
        QCOMPARE(down->value(), down->maximum());
        // Ctrl+wheel is not scrolling.
        Wheel(f.Surface(), QPoint(0, 120), Qt::ControlModifier);
        QCOMPARE(down->value(), down->maximum());

        // Over the scroll bar itself, three clicks of the wheel go a good way too.
        down->setValue(0);
        for (int i = 0; i < 3; ++i)
            Wheel(down, QPoint(0, -120));
        QCOMPARE(down->value(), 3 * notch);
    }

    void wheelWithoutScrollBarsIsLeftToTheWindow() {
        DrawBoxFixture f(QSize(100, 80), QSize(300, 200));
        QVERIFY(QTest::qWaitForWindowExposed(f.box.get()));
        const QPointF at(10, 10);
        QWheelEvent event(at, f.Surface()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(f.box.get(), &event);
        QVERIFY(!event.isAccepted());
        QCOMPARE(f.Surface()->pos(), QPoint(0, 0));
    }
};

QTEST_MAIN(tst_DrawBoxKeysAndWheel)
#include "tst_DrawBoxKeysAndWheel.moc"
