// SPDX-License-Identifier: GPL-3.0-or-later
// Whole print jobs to PDF (QPdfWriter, and QPrinter's PDF output with the print windows'
// printer control), read back with poppler's pdftotext, pdfinfo, pdffonts, pdfimages and
// pdftoppm.

#include "print/PrintSettings.h"
#include "print/clsPrintData.h"
#include "printwindows/PrinterControl.h"

#include "print/PrintTestNotes.h"
#include "support/RequiredTools.h"
#include "support/RunTool.h"

#include <QImage>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace quillary;
using namespace quillary::test;

namespace {

bool HavePoppler() {
    for (const char* tool : {"pdftotext", "pdfinfo", "pdffonts", "pdfimages", "pdftoppm"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return false;
    return true;
}

QDateTime FixedNow() {
    return QDateTime(QDate(2026, 12, 10), QTime(9, 30, 0), Qt::UTC);
}

// Five notes: each picture a black square in its top-left quarter, the text names it.
std::unique_ptr<clsDatabase> FiveNotes() {
    std::vector<TestNote> notes;
    for (int i = 1; i <= 5; ++i)
        notes.emplace_back("Note number " + std::to_string(i) + "\nsecond line", 200, 200,
                           [](int x, int y) { return x < 100 && y < 100; });
    return MakeNotesDatabase(notes);
}

clsPrintData FiveNoteLayout(const clsDatabase* db) {
    clsPrintData print = NewDefaultPrintData();
    print.BitmapClip = 0;
    print.HeaderLeftOption = 1;
    print.HeaderRightOption = 4;
    print.FooterCenterOption = 6;
    print.SetDatabase(db);
    print.SetUserName(QStringLiteral("Ann Example"));
    print.SetClock(FixedNow);
    print.SetLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    print.SetPrintNotesString(QStringLiteral("0,1,2,3,4"));
    return print;
}

} // namespace

class tst_PrintPdf : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void pdfWriterJob_data();
    void pdfWriterJob();
    void printerPdfOutput();
    void cancelledJobLeavesNothing();
    void failingPrinterReportsWhy();

private:
    QTemporaryDir m_dir;
};

void tst_PrintPdf::initTestCase() {
    QVERIFY(m_dir.isValid());
    if (!HavePoppler())
        QUILLARY_REQUIRE_OR_SKIP("poppler-utils are not installed");
}

void tst_PrintPdf::pdfWriterJob_data() {
    QTest::addColumn<QPageSize::PageSizeId>("paper");
    QTest::addColumn<QPageLayout::Orientation>("orientation");
    QTest::newRow("Letter") << QPageSize::Letter << QPageLayout::Portrait;
    QTest::newRow("A4") << QPageSize::A4 << QPageLayout::Portrait;
    QTest::newRow("A4 landscape") << QPageSize::A4 << QPageLayout::Landscape;
}

void tst_PrintPdf::pdfWriterJob() {
    QFETCH(QPageSize::PageSizeId, paper);
    QFETCH(QPageLayout::Orientation, orientation);
    auto db = FiveNotes();
    clsPrintData print = FiveNoteLayout(db.get());
    const QString pdf = m_dir.filePath(QStringLiteral("%1.pdf").arg(QTest::currentDataTag()));
    QList<int> progress;
    {
        QPdfWriter writer(pdf);
        writer.setResolution(300);
        writer.setPageSize(QPageSize(paper));
        writer.setPageOrientation(orientation);
        QString error;
        QCOMPARE(print.PrintNotes(
                     writer, [&](int v) { progress << v; }, {}, &error),
                 clsPrintData::PrintResult::Printed);
    }
    QCOMPARE(progress.first(), 0);
    QCOMPARE(progress.last(), 1000);

    // Two pages (5 notes at 2 x 2), no trailing empty sheet, the paper asked for.
    const QString info = RunTool(QStringLiteral("pdfinfo"), {pdf});
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n"))), qPrintable(info));
    const QSizeF points = QPageSize(paper).size(QPageSize::Point);
    const QSizeF expected = orientation == QPageLayout::Landscape ? points.transposed() : points;
    QVERIFY2(
        info.contains(QStringLiteral("Page size:      %1 x %2 pts")
                          .arg(qRound(expected.width()))
                          .arg(qRound(expected.height()))) ||
            info.contains(QStringLiteral("%1 x %2").arg(expected.width()).arg(expected.height())),
        qPrintable(info));

    // Texts: notes, header and footer of each page.
    const QString page1 = RunTool(QStringLiteral("pdftotext"), {"-f", "1", "-l", "1", pdf, "-"});
    const QString page2 = RunTool(QStringLiteral("pdftotext"), {"-f", "2", "-l", "2", pdf, "-"});
    for (int i = 1; i <= 4; ++i)
        QVERIFY2(page1.contains(QStringLiteral("Note number %1").arg(i)), qPrintable(page1));
    QVERIFY(!page1.contains(QStringLiteral("Note number 5")));
    QVERIFY(page2.contains(QStringLiteral("Note number 5")));
    QVERIFY(page1.contains(QStringLiteral("second line")));
    QVERIFY(page1.contains(QStringLiteral("Ann Example")));
    QVERIFY(page1.contains(QStringLiteral("Thursday, December 10, 2026 - 9:30:00 AM")));
    QVERIFY(page1.contains(QStringLiteral("Page 1 out of 2 pages")));
    QVERIFY2(page2.contains(QStringLiteral("Page 2 out of 2 pages")), qPrintable(page2));

    // Every font is embedded.
    const QString fonts = RunTool(QStringLiteral("pdffonts"), {pdf});
    const QStringList rows = fonts.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
    QVERIFY(!rows.isEmpty());
    for (const QString& row : rows)
        QVERIFY2(row.contains(QRegularExpression(
                     QStringLiteral("\\byes\\s+(yes|no)\\s+(yes|no)\\s+\\d+\\s+\\d+\\s*$"))),
                 qPrintable(fonts));

    // Pictures stay 1-bit and lossless (never JPEG).
    const QString images = RunTool(QStringLiteral("pdfimages"), {"-list", pdf});
    const QStringList imageRows = images.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
    QCOMPARE(imageRows.size(), 5);
    for (const QString& row : imageRows) {
        QVERIFY2(!row.contains(QStringLiteral("jpeg")), qPrintable(images));
        const QStringList cols = row.simplified().split(QLatin1Char(' '));
        QCOMPARE(cols.value(7), QStringLiteral("1")); // bits per component
    }

    // Pixels: the first note's black quarter lands in its cell's picture box.
    const QString png = m_dir.filePath(QStringLiteral("%1-page").arg(QTest::currentDataTag()));
    int status = -1;
    RunTool(QStringLiteral("pdftoppm"),
        {"-r", "100", "-f", "1", "-l", "1", "-singlefile", "-png", pdf, png}, &status);
    QCOMPARE(status, 0);
    const QImage page(png + QStringLiteral(".png"));
    QVERIFY(!page.isNull());
    // Rendered at 100 dpi the page is measured in the same units as a 100 dpi target.
    clsPrintData layout = FiveNoteLayout(db.get());
    PrintTarget target;
    target.isPrinter = true;
    target.unitsPerInch = 100;
    target.pageWidth = page.width();
    target.pageHeight = page.height();
    layout.InitializeSettings(target);
    const NoteBoxes box = layout.LayoutNote(0, 200, 200);
    const QRect black(box.pictureX, box.pictureY, box.pictureWidth / 2, box.pictureHeight / 2);
    const QRect white(box.pictureX + box.pictureWidth / 2, box.pictureY + box.pictureHeight / 2,
                      box.pictureWidth / 2, box.pictureHeight / 2);
    auto darkShare = [&](const QRect& r) {
        int dark = 0;
        const QRect in = r.adjusted(2, 2, -2, -2);
        for (int y = in.top(); y <= in.bottom(); ++y)
            for (int x = in.left(); x <= in.right(); ++x)
                dark += qGray(page.pixel(x, y)) < 128;
        return double(dark) / double(in.width() * in.height());
    };
    QVERIFY2(darkShare(black) > 0.99, qPrintable(QString::number(darkShare(black))));
    QVERIFY(darkShare(white) < 0.01);
}

void tst_PrintPdf::printerPdfOutput() {
    // The printer dialog's print-to-file path: QPrinter writing PDF, A4 from the printer.
    auto db = FiveNotes();
    clsPrintData print = FiveNoteLayout(db.get());
    const QString pdf = m_dir.filePath(QStringLiteral("printer.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setPageSize(QPageSize(QPageSize::A4));
    QCOMPARE(print.PrintNotes(printer, {}, {}, nullptr, PrinterControl(printer)),
             clsPrintData::PrintResult::Printed);
    const QString info = RunTool(QStringLiteral("pdfinfo"), {pdf});
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n"))), qPrintable(info));
    QVERIFY(info.contains(QStringLiteral("(A4)")));
    // The page was measured on the whole sheet at the printer's resolution.
    QCOMPARE(print.Geometry().unitsPerInch, float(printer.resolution()));
    QCOMPARE(print.Geometry().leftMargin, 0.75f * printer.resolution());
}

void tst_PrintPdf::cancelledJobLeavesNothing() {
    auto db = FiveNotes();
    clsPrintData print = FiveNoteLayout(db.get());
    const QString pdf = m_dir.filePath(QStringLiteral("cancelled.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    int notesPainted = 0;
    const auto result = print.PrintNotes(
        printer, [&](int v) { notesPainted += v > 0; }, [&] { return notesPainted >= 2; }, nullptr,
        PrinterControl(printer));
    QCOMPARE(result, clsPrintData::PrintResult::Cancelled);
    QCOMPARE(notesPainted, 2); // asked between notes, not only between pages
    QVERIFY(!QFile::exists(pdf));
}

void tst_PrintPdf::failingPrinterReportsWhy() {
    auto db = FiveNotes();
    clsPrintData print = FiveNoteLayout(db.get());
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(m_dir.filePath(QStringLiteral("no/such/folder/out.pdf")));
    QString error;
    QCOMPARE(print.PrintNotes(printer, {}, {}, &error, PrinterControl(printer)),
             clsPrintData::PrintResult::Failed);
    QVERIFY(!error.isEmpty());
}

QTEST_MAIN(tst_PrintPdf)
#include "tst_PrintPdf.moc"
