// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the user manual (HTML) to the PDF that the Help command opens.
// Usage: quillary-make-manual IN.html OUT.pdf   (run with QT_QPA_PLATFORM=offscreen)

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>

#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s IN.html OUT.pdf\n", argv[0]);
        return 2;
    }
    const QString inPath = QString::fromLocal8Bit(argv[1]);
    const QString outPath = QString::fromLocal8Bit(argv[2]);

    QFile in(inPath);
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: cannot read: %s\n", argv[1], qPrintable(in.errorString()));
        return 1;
    }
    const QString html = QString::fromUtf8(in.readAll());

    // Written next to the target and renamed at the end, so a failed run never leaves a
    // half-written manual that the build would take as up to date.
    const QString partPath = outPath + QStringLiteral(".part");
    {
        QPdfWriter writer(partPath);
        writer.setTitle(QStringLiteral("Quillary User Manual"));
        writer.setCreator(QStringLiteral("Quillary"));
        writer.setResolution(300);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(18, 16, 18, 16), QPageLayout::Millimeter));

        QTextDocument doc;
        doc.setMetaInformation(
            QTextDocument::DocumentUrl,
            QUrl::fromLocalFile(QFileInfo(inPath).absolutePath() + '/').toString());
        doc.setHtml(html);
        doc.print(&writer);
    }

    QFile::remove(outPath);
    if (QFileInfo(partPath).size() == 0 || !QFile::rename(partPath, outPath)) {
        std::fprintf(stderr, "%s: cannot write the manual\n", argv[2]);
        QFile::remove(partPath);
        return 1;
    }
    return 0;
}
