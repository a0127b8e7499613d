// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/FocusFrameStyle.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QRadioButton>
#include <QStyleOption>
#include <QTest>
#include <QVBoxLayout>

using namespace quillary;

namespace {

// Pixels of exactly the highlight colour in the widget as painted now.
int HighlightPixels(QWidget& w) {
    const QRgb highlight = w.palette().color(QPalette::Active, QPalette::Highlight).rgb();
    const QImage image = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += (image.pixel(x, y) & 0xffffff) == (highlight & 0xffffff);
    return n;
}

} // namespace

class tst_FocusFrameStyle : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { FocusFrameStyle::Install(); }

    void installedOnce() {
        QStyle* style = QApplication::style();
        QVERIFY(qobject_cast<FocusFrameStyle*>(style));
        FocusFrameStyle::Install();
        QCOMPARE(QApplication::style(), style);
    }

    // An option or check box reached with Tab wears a frame a person can see: at least a
    // two-pixel ring of the full highlight colour around its text; without focus, none.
    void keyboardFocusIsFramed_data() {
        QTest::addColumn<bool>("radio");
        QTest::newRow("option") << true;
        QTest::newRow("check box") << false;
    }
    void keyboardFocusIsFramed() {
        QFETCH(bool, radio);
        QDialog d;
        auto* layout = new QVBoxLayout(&d);
        auto* first = new QCheckBox(QStringLiteral("&First"), &d);
        QAbstractButton* second = radio
                                      ? static_cast<QAbstractButton*>(new QRadioButton(
                                            QStringLiteral("&Second choice"), &d))
                                      : new QCheckBox(QStringLiteral("&Second choice"), &d);
        layout->addWidget(first);
        layout->addWidget(second);
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        first->setFocus(Qt::TabFocusReason);
        QCOMPARE(HighlightPixels(*second), 0);

        QTest::keyClick(first, Qt::Key_Tab);
        QVERIFY(second->hasFocus());
        QStyleOptionButton option;
        option.initFrom(second);
        option.text = second->text();
        const QRect frame = second->style()->subElementRect(
            radio ? QStyle::SE_RadioButtonFocusRect : QStyle::SE_CheckBoxFocusRect, &option,
            second);
        QVERIFY(!frame.isEmpty());
        // Two pixels all round, less the corners counted twice and a little slack.
        const int ring = 2 * 2 * (frame.width() + frame.height()) - 32;
        QVERIFY2(HighlightPixels(*second) >= ring,
                 qPrintable(QStringLiteral("%1 highlight pixels, a ring needs %2")
                                .arg(HighlightPixels(*second))
                                .arg(ring)));
    }
};

QTEST_MAIN(tst_FocusFrameStyle)
#include "tst_FocusFrameStyle.moc"
