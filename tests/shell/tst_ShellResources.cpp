// SPDX-License-Identifier: GPL-3.0-or-later
// The toolbar icons and the about box artwork are compiled in and load as valid SVG.

#include "shell/ShellResources.h"

#include <QFile>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QtTest>

using namespace quillary;

namespace {

QImage Render(const QString& path, QSize size) {
    QSvgRenderer renderer(path);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

int PaintedPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                ++count;
    return count;
}

} // namespace

class tst_ShellResources : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InitShellResources(); }

    void toolbarIcon_data() {
        QTest::addColumn<QString>("name");
        for (const char* name :
             {"save", "print", "cut", "copy", "paste", "find", "import", "inserts", "previous",
              "add", "next", "noteflag-clean", "noteflag-dirty", "refresh", "help"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void toolbarIcon() {
        QFETCH(QString, name);
        const QString path = QStringLiteral(":/icons/%1.svg").arg(name);
        QVERIFY2(QFile::exists(path), qPrintable(path));

        QSvgRenderer renderer(path);
        QVERIFY(renderer.isValid());
        QCOMPARE(renderer.viewBoxF(), QRectF(0, 0, 24, 24));

        // Something visible, but not a filled square.
        const int painted = PaintedPixels(Render(path, QSize(24, 24)));
        QVERIFY2(painted > 24, qPrintable(QString::number(painted)));
        QVERIFY2(painted < 24 * 24, qPrintable(QString::number(painted)));

        // The main window loads them through QIcon (the SVG icon engine).
        QVERIFY(!QIcon(path).pixmap(24, 24).isNull());
    }

    void noteFlagImagesDiffer() {
        QVERIFY(Render(QStringLiteral(":/icons/noteflag-clean.svg"), QSize(24, 24)) !=
                Render(QStringLiteral(":/icons/noteflag-dirty.svg"), QSize(24, 24)));
    }

    void splashArtwork() {
        QSvgRenderer renderer(QStringLiteral(":/icons/splash.svg"));
        QVERIFY(renderer.isValid());
        QVERIFY(renderer.defaultSize().width() > renderer.defaultSize().height());
        QVERIFY(PaintedPixels(Render(QStringLiteral(":/icons/splash.svg"), QSize(180, 100))) > 0);
    }

    void initTwiceIsHarmless() {
        InitShellResources();
        QVERIFY(QFile::exists(QStringLiteral(":/icons/save.svg")));
    }
};

QTEST_MAIN(tst_ShellResources)
#include "tst_ShellResources.moc"
