// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the program icon (SVG) to PNG files of the sizes desktops look up.
// Usage: quillary-render-icon IN.svg OUTDIR SIZE...   writes OUTDIR/SIZE.png
// (run with QT_QPA_PLATFORM=offscreen)

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s IN.svg OUTDIR SIZE...\n", argv[0]);
        return 2;
    }
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) {
        std::fprintf(stderr, "%s: not a readable SVG picture\n", argv[1]);
        return 1;
    }
    const QDir out(QString::fromLocal8Bit(argv[2]));
    for (int i = 3; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&ok);
        if (!ok || size < 1 || size > 1024) {
            std::fprintf(stderr, "bad size: %s\n", argv[i]);
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            svg.render(&painter);
        }
        const QString path = out.filePath(QString::number(size) + QStringLiteral(".png"));
        if (!image.save(path, "PNG")) {
            std::fprintf(stderr, "%s: cannot write\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
