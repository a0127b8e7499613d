// SPDX-License-Identifier: GPL-3.0-or-later
// The preview shows what the paper gets: the same page painted by the preview's path on an
// image and printed to a PDF at the same resolution breaks its lines at the same places,
// shrinks and cuts off the same notes and puts the same picture pixels in each picture box
// (read back with poppler's pdftotext, pdftoppm and pdfimages). Also: how the preview shows
// pictures smaller or larger than they are, and header and footer slots that would collide.

#include "core/TextCodec.h"
#include "draw/ctlScrollablePicBox.h"
#include "print/PrintSettings.h"
#include "print/clsPrintData.h"
#include "printwindows/frmPrintPreview.h"

#include "../print/PrintTestNotes.h"
#include "support/RequiredTools.h"
#include "support/RunTool.h"

#include <QLabel>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace quillary;
using namespace quillary::test;

namespace {

constexpr int kDpi = 300;

bool HavePoppler() {
    for (const char* tool : {"pdftotext", "pdfimages", "pdftoppm"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return false;
    return true;
}

QDateTime FixedNow() {
    return QDateTime(QDate(2026, 12, 10), QTime(9, 30, 0), Qt::UTC);
}

// One-pixel lines: vertical ones every fourth column, or horizontal ones every fourth row.
bool VerticalLines(int x, int) {
    return x % 4 == 1;
}
bool HorizontalLines(int, int y) {
    return y % 4 == 1;
}

// Notes that wrap, shrink and get cut off in different ways, each with a picture of thin
// lines or small shapes whose pixels must land the same on screen and paper.
std::unique_ptr<clsDatabase> VariedNotes() {
    auto cp = [](const char* utf8) { return ToCp1252(QString::fromUtf8(utf8)); };
    std::vector<TestNote> notes;
    notes.emplace_back(cp("Agenda for the weekly meeting call résumé, budget, and the "
                          "Donaudampfschifffahrtsgesellschaftskapitänsmütze order which is "
                          "rather long; please read before Friday."),
                       160, 160, VerticalLines);
    notes.emplace_back(cp("Crème brûlée, naïve café, façade — señor Müller's Ångström "
                          "œuvre: déjà vu, über-fiancée, Zoë & Chloë."),
                       120, 90, [](int x, int y) { return (x / 3 + y / 3) % 2 == 0; });
    std::string many;
    for (int i = 1; i <= 14; ++i)
        many += "line " + std::to_string(i) + (i % 3 ? " short\n" : " a little longer one\n");
    notes.emplace_back(many, 160, 100, HorizontalLines);
    std::string shrink;
    for (int i = 0; i < 21; ++i)
        shrink += "This note says a great deal and has to shrink to fit its box. ";
    notes.emplace_back(shrink, 90, 160, [](int x, int y) { return x == y || x == 89 - y / 2; });
    std::string cut;
    for (int i = 0; i < 60; ++i)
        cut += "Too many lines, cut off with an ellipsis.\n";
    notes.emplace_back(cut, 160, 160, [](int x, int y) { return (x * 7 + y * 3) % 11 == 0; });
    notes.emplace_back("Short", 33, 17, [](int x, int y) { return (x + y) % 2 == 0; });
    return MakeNotesDatabase(notes);
}

clsPrintData VariedLayout(const clsDatabase* db, int wide, int high) {
    clsPrintData print = NewDefaultPrintData();
    print.NotesWide = wide;
    print.NotesHigh = high;
    print.BitmapClip = 0;
    print.BitmapSize = 35;
    print.ScaleText = 1;
    print.MinScaleTextPt = 8;
    print.HeaderLeftOption = 1;
    print.HeaderCenterOption = 6;
    print.HeaderRightOption = 4;
    print.FooterCenterOption = 2;
    print.SetDatabase(db);
    print.SetUserName(QStringLiteral("Ann Example"));
    print.SetClock(FixedNow);
    print.SetLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    print.SetPrintNotesString(QStringLiteral("0,1,2,3,4,5"));
    return print;
}

// Lines to compare: trimmed, empty ones left out, compatibility forms folded (poppler
// gives a font's "ff" ligature as one character).
QStringList Comparable(const QStringList& lines) {
    QStringList out;
    for (const QString& line : lines)
        if (!line.trimmed().isEmpty())
            out << line.trimmed().normalized(QString::NormalizationForm_KC);
    return out;
}

// Prints the selection to a PDF at dpi; returns the writer's page layout.
QPageLayout PrintPdf(const QString& pdf, clsPrintData print, QPageSize::PageSizeId paper,
                     QPageLayout::Orientation orientation, int dpi) {
    QPdfWriter writer(pdf);
    writer.setResolution(dpi);
    writer.setPageSize(QPageSize(paper));
    writer.setPageOrientation(orientation);
    QString error;
    if (print.PrintNotes(writer, {}, {}, &error) != clsPrintData::PrintResult::Printed)
        qWarning("not printed: %s", qPrintable(error));
    return writer.pageLayout();
}

// The text poppler finds in each text box of the page last painted on preview (at dpi) is
// that box's lines. Counts the notes shrunk and cut off.
void CompareLines(const QString& pdf, const clsPrintData& preview, int page, int dpi, int* shrunk,
                  int* cut) {
    const QString tag = QStringLiteral("%1 dpi, page %2").arg(dpi).arg(page);
    QVERIFY(!preview.PageTexts().empty());
    for (const PrintedText& text : preview.PageTexts()) {
        const QRect box = text.rect.toAlignedRect();
        const QString found = RunTool(
            QStringLiteral("pdftotext"),
            {"-layout", "-r", QString::number(dpi), "-f", QString::number(page), "-l",
             QString::number(page), "-x", QString::number(box.x()), "-y", QString::number(box.y()),
             "-W", QString::number(box.width()), "-H", QString::number(box.height()), pdf, "-"});
        const QStringList pdfLines = Comparable(found.split(QLatin1Char('\n')));
        const QStringList previewLines = Comparable(text.lines);
        QVERIFY2(!previewLines.isEmpty(), qPrintable(tag));
        QVERIFY2(pdfLines == previewLines,
                 qPrintable(tag + QStringLiteral("\npreview:\n") + previewLines.join('\n') +
                            QStringLiteral("\nPDF:\n") + pdfLines.join('\n')));
        if (text.kind == PrintedText::Kind::Note) {
            *shrunk += text.points < preview.Font.pointSizeF();
            *cut += text.lines.last().endsWith(QChar(0x2026));
        }
    }
}

bool Dark(const QImage& image, int x, int y) {
    return qGray(image.pixel(x, y)) < 128;
}

} // namespace

class tst_PreviewMatchesPaper : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void previewMatchesPdf_data();
    void previewMatchesPdf();
    void previewAveragesReducedPictures_data();
    void previewAveragesReducedPictures();
    void picBoxSmoothReduction_data();
    void picBoxSmoothReduction();
    void headerSlotsNeverOverlap_data();
    void headerSlotsNeverOverlap();

private:
    QTemporaryDir m_dir;
    bool m_poppler = false;
};

void tst_PreviewMatchesPaper::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_poppler = HavePoppler();
}

void tst_PreviewMatchesPaper::previewMatchesPdf_data() {
    QTest::addColumn<QPageSize::PageSizeId>("paper");
    QTest::addColumn<QPageLayout::Orientation>("orientation");
    QTest::addColumn<int>("wide");
    QTest::addColumn<int>("high");
    QTest::newRow("Letter portrait 2x2") << QPageSize::Letter << QPageLayout::Portrait << 2 << 2;
    QTest::newRow("A4 landscape 3x1") << QPageSize::A4 << QPageLayout::Landscape << 3 << 1;
}

void tst_PreviewMatchesPaper::previewMatchesPdf() {
    if (!m_poppler)
        QUILLARY_REQUIRE_OR_SKIP("poppler-utils are not installed");
    QFETCH(QPageSize::PageSizeId, paper);
    QFETCH(QPageLayout::Orientation, orientation);
    QFETCH(int, wide);
    QFETCH(int, high);
    auto db = VariedNotes();

    const QString pdf = m_dir.filePath(QStringLiteral("%1.pdf").arg(QTest::currentDataTag()));
    const QPageLayout layout =
        PrintPdf(pdf, VariedLayout(db.get(), wide, high), paper, orientation, kDpi);

    // The pictures go into the PDF as 1-bit images of their own size, not resampled.
    const QStringList imageRows =
        RunTool(QStringLiteral("pdfimages"), {"-list", pdf}).split('\n', Qt::SkipEmptyParts).mid(2);
    QStringList sizes;
    for (const QString& row : imageRows) {
        const QStringList cols = row.simplified().split(QLatin1Char(' '));
        QCOMPARE(cols.value(7), QStringLiteral("1")); // bits per component
        sizes << cols.value(3) + QLatin1Char('x') + cols.value(4);
    }
    QCOMPARE(sizes, QStringList({"160x160", "120x90", "160x100", "90x160", "160x160", "33x17"}));

    // The preview's image of the same paper at the same resolution.
    const QSizeF inches = layout.fullRect(QPageLayout::Inch).size();
    const QSize pixels = layout.fullRectPixels(kDpi).size();
    clsPrintData preview = VariedLayout(db.get(), wide, high);
    QImage image(pixels, QImage::Format_RGB32);
    frmPrintPreview::Measure(preview, image, inches, kDpi);
    const int pages = preview.PageCount();
    QCOMPARE(pages, (6 + wide * high - 1) / (wide * high));

    int shrunk = 0, cut = 0;
    for (int page = 1; page <= pages; ++page) {
        frmPrintPreview::PaintPage(preview, image, page, {}, inches, kDpi);
        const QString tag = QStringLiteral("page %1").arg(page);

        // Line breaks, shrinking and cutting off as on paper.
        CompareLines(pdf, preview, page, kDpi, &shrunk, &cut);
        if (QTest::currentTestFailed())
            return;

        // Pictures: each picture pixel, sampled at its centre, is black in the preview
        // exactly where it is black on the PDF page. poppler smooths an image it enlarges
        // less than four times, so the PDF's picture box is rendered at four times the
        // resolution, where its pixels are whole blocks again.
        const int per = wide * high;
        for (int k = 0; k < per && (page - 1) * per + k < 6; ++k) {
            const clsQuillaryItem* item = db->GetRecordObject((page - 1) * per + k);
            std::vector<uint8_t> bytes;
            item->GetBitmapData(bytes);
            clsBitmap bitmap;
            QVERIFY(bitmap.LoadPalmBitmap(bytes));
            const NoteBoxes b = preview.LayoutNote(k, bitmap.Width(), bitmap.Height());
            QVERIFY(b.pictureWidth >= bitmap.Width()); // enlarged: exact pixels expected
            const QString png = m_dir.filePath(
                QStringLiteral("%1-%2-%3").arg(QTest::currentDataTag()).arg(page).arg(k));
            int status = -1;
            RunTool(QStringLiteral("pdftoppm"),
                {"-r", QString::number(4 * kDpi), "-gray", "-f", QString::number(page), "-l",
                 QString::number(page), "-x", QString::number(4 * b.pictureX), "-y",
                 QString::number(4 * b.pictureY), "-W", QString::number(4 * b.pictureWidth), "-H",
                 QString::number(4 * b.pictureHeight), "-singlefile", "-png", pdf, png},
                &status);
            QCOMPARE(status, 0);
            const QImage rendered(png + QStringLiteral(".png"));
            QCOMPARE(rendered.size(), QSize(4 * b.pictureWidth, 4 * b.pictureHeight));
            int differ = 0;
            for (int py = 0; py < bitmap.Height(); ++py)
                for (int px = 0; px < bitmap.Width(); ++px) {
                    const double cx = (px + 0.5) * b.pictureWidth / bitmap.Width();
                    const double cy = (py + 0.5) * b.pictureHeight / bitmap.Height();
                    const bool black = bitmap.GetPixel(px, py);
                    QCOMPARE(Dark(image, b.pictureX + int(cx), b.pictureY + int(cy)), black);
                    if (Dark(rendered, int(4 * cx), int(4 * cy)) != black && ++differ < 5)
                        qWarning("picture pixel %d,%d: PDF %d", px, py,
                                 qGray(rendered.pixel(int(4 * cx), int(4 * cy))));
                }
            QVERIFY2(
                differ == 0,
                qPrintable(tag + QStringLiteral(" note %1: %2 pixels differ").arg(k).arg(differ)));
        }
    }
    // The notes did what they are there for.
    QVERIFY(shrunk >= 1);
    QVERIFY(cut >= 1);

    // The preview as shown, at screen resolution, against the program's printer resolution.
    const QString fine = m_dir.filePath(QStringLiteral("%1-1200.pdf").arg(QTest::currentDataTag()));
    PrintPdf(fine, VariedLayout(db.get(), wide, high), paper, orientation, 1200);
    const int screen = 96;
    QImage shown(layout.fullRectPixels(screen).size(), QImage::Format_RGB32);
    frmPrintPreview::Measure(preview, shown, inches, screen);
    for (int page = 1; page <= pages; ++page) {
        frmPrintPreview::PaintPage(preview, shown, page, {}, inches, screen);
        CompareLines(fine, preview, page, screen, &shrunk, &cut);
        if (QTest::currentTestFailed())
            return;
    }
}

void tst_PreviewMatchesPaper::previewAveragesReducedPictures_data() {
    QTest::addColumn<int>("grid"); // notes across and down
    QTest::addColumn<bool>("vertical");
    QTest::newRow("reduced, vertical lines") << 6 << true;
    QTest::newRow("reduced, horizontal lines") << 6 << false;
    QTest::newRow("enlarged, vertical lines") << 1 << true;
    QTest::newRow("enlarged, horizontal lines") << 1 << false;
}

void tst_PreviewMatchesPaper::previewAveragesReducedPictures() {
    // The preview's page at its screen resolution: a picture of one-pixel lines in a box
    // smaller than itself keeps every line, in grey; in a larger box it stays black and white.
    QFETCH(int, grid);
    QFETCH(bool, vertical);
    auto db = MakeNotesDatabase({{"", 160, 160, vertical ? VerticalLines : HorizontalLines}});
    clsPrintData print = NewDefaultPrintData();
    print.NotesWide = grid;
    print.NotesHigh = grid;
    print.BitmapClip = 0;
    print.HideSeperatorLines = 1;
    print.SetDatabase(db.get());
    print.SetPrintNotesString(QStringLiteral("0"));
    const QPageLayout layout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF());
    const int dpi = 96;
    QImage image(layout.fullRectPixels(dpi).size(), QImage::Format_RGB32);
    frmPrintPreview::Measure(print, image, layout.fullRect(QPageLayout::Inch).size(), dpi);
    frmPrintPreview::PaintPage(print, image, 1, {}, layout.fullRect(QPageLayout::Inch).size(), dpi);
    const NoteBoxes b = print.LayoutNote(0, 160, 160);
    const bool reduced = b.pictureWidth < 160;
    QCOMPARE(reduced, grid > 1);

    bool grey = false;
    for (int y = 0; y < b.pictureHeight; ++y)
        for (int x = 0; x < b.pictureWidth; ++x) {
            const int v = qGray(image.pixel(b.pictureX + x, b.pictureY + y));
            grey = grey || (v != 0 && v != 255);
        }
    QCOMPARE(grey, reduced);
    // Every line leaves a mark across its whole length: each shown pixel row (or column)
    // it crosses is darker than white.
    const double scale = double(b.pictureWidth) / 160.0;
    for (int line = 1; line < 160; line += 4) {
        const int across = std::min(int((line + 0.5) * scale), b.pictureWidth - 1);
        for (int along = 0; along < b.pictureHeight; ++along) {
            const int x = b.pictureX + (vertical ? across : along);
            const int y = b.pictureY + (vertical ? along : across);
            QVERIFY2(qGray(image.pixel(x, y)) < 255,
                     qPrintable(QStringLiteral("line %1 missing at %2").arg(line).arg(along)));
        }
    }
}

void tst_PreviewMatchesPaper::picBoxSmoothReduction_data() {
    QTest::addColumn<bool>("smooth");
    QTest::addColumn<double>("factor");
    QTest::addColumn<bool>("greyExpected");
    QTest::newRow("preview 25%") << true << 0.25 << true;
    QTest::newRow("preview 50%") << true << 0.5 << true;
    QTest::newRow("preview 200%") << true << 2.0 << false;
    QTest::newRow("editor 50%") << false << 0.5 << false;
    QTest::newRow("editor 200%") << false << 2.0 << false;
}

void tst_PreviewMatchesPaper::picBoxSmoothReduction() {
    // Lines one pixel wide, five pixels apart, on a picture shown zoomed.
    QFETCH(bool, smooth);
    QFETCH(double, factor);
    QFETCH(bool, greyExpected);
    ctlScrollablePicBox box;
    box.resize(500, 500);
    box.SetSmoothReduction(smooth);
    box.ResetPicture(400, 300);
    for (int x = 2; x < 400; x += 5)
        for (int y = 0; y < 300; ++y)
            box.PictureBox().setPixel(x, y, qRgb(0, 0, 0));
    box.SetScaleFactor(factor);
    box.UpdatePicture();
    const QImage shown = box.Preview()->pixmap().toImage();
    QCOMPARE(shown.size(), box.ScaledSize());
    bool grey = false;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const int v = qGray(shown.pixel(x, y));
            grey = grey || (v != 0 && v != 255);
        }
    QCOMPARE(grey, greyExpected);
    if (smooth) {
        // Every line still shows in the middle row.
        const int y = shown.height() / 2;
        for (int x = 2; x < 400; x += 5)
            QVERIFY2(qGray(shown.pixel(std::min(int(x * factor), shown.width() - 1), y)) < 255,
                     qPrintable(QStringLiteral("line at %1 lost").arg(x)));
    }
}

void tst_PreviewMatchesPaper::headerSlotsNeverOverlap_data() {
    QTest::addColumn<QList<int>>("options"); // left, centre, right options
    QTest::addColumn<QString>("user");
    QTest::newRow("user, date time, date time")
        << QList<int>{1, 4, 4} << QStringLiteral("Annabel Example-Longname of Somewhere");
    QTest::newRow("date time centre and right") << QList<int>{0, 4, 4} << QString();
    QTest::newRow("long user centre, page right")
        << QList<int>{0, 1, 6} << QStringLiteral("A very long user name ").repeated(4);
    QTest::newRow("long user left, date time centre")
        << QList<int>{1, 4, 0} << QStringLiteral("A very long user name ").repeated(3);
    QTest::newRow("all three short: untouched") << QList<int>{5, 3, 7} << QString();
    QTest::newRow("left only, longer than the band")
        << QList<int>{1, 0, 0} << QStringLiteral("Longer than the band ").repeated(12);
}

void tst_PreviewMatchesPaper::headerSlotsNeverOverlap() {
    // A4, no margins, three notes across: the header and footer bands are the whole page
    // width and the slot texts long.
    QFETCH(QList<int>, options);
    QFETCH(QString, user);
    clsPrintData print = NewDefaultPrintData();
    print.NotesWide = 3;
    print.NotesHigh = 1;
    print.LeftMargin = print.RightMargin = print.TopMargin = print.BottomMargin = 0;
    print.HeaderLeftOption = print.FooterLeftOption = options[0];
    print.HeaderCenterOption = print.FooterCenterOption = options[1];
    print.HeaderRightOption = print.FooterRightOption = options[2];
    print.HideSeperatorLines = 1;
    print.SetUserName(user);
    print.SetClock(FixedNow);
    print.SetLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    print.SetSelection({});
    const QPageLayout layout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF());
    const QSizeF inches = layout.fullRect(QPageLayout::Inch).size();
    for (const int dpi : {96, 300}) {
        QImage image(layout.fullRectPixels(dpi).size(), QImage::Format_RGB32);
        frmPrintPreview::Measure(print, image, inches, dpi);
        frmPrintPreview::PaintPage(print, image, 1, {}, inches, dpi);
        const PrintGeometry& g = print.Geometry();
        for (const PrintedText::Kind kind :
             {PrintedText::Kind::Header, PrintedText::Kind::Footer}) {
            std::vector<PrintedText> band;
            for (const PrintedText& t : print.PageTexts())
                if (t.kind == kind)
                    band.push_back(t);
            int expected = 0;
            for (int option : options)
                expected += !print.SlotText(option).isEmpty();
            QCOMPARE(int(band.size()), expected);
            const double top = kind == PrintedText::Kind::Header
                                   ? g.topMargin
                                   : g.topMargin + g.headerHeight + g.printableHeight;
            const double height =
                kind == PrintedText::Kind::Header ? g.headerHeight : g.footerHeight;
            const QRectF bandRect(g.leftMargin, top, g.printableWidth, height);
            for (size_t a = 0; a < band.size(); ++a) {
                const QRectF r = band[a].rect;
                QVERIFY2(
                    bandRect.adjusted(-0.5, -0.5, 0.5, 0.5).contains(r),
                    qPrintable(QStringLiteral("%1 dpi: slot %2 at %3,%4 %5x%6 outside %7,%8 %9x%10")
                                   .arg(dpi)
                                   .arg(band[a].index)
                                   .arg(r.x())
                                   .arg(r.y())
                                   .arg(r.width())
                                   .arg(r.height())
                                   .arg(bandRect.x())
                                   .arg(bandRect.y())
                                   .arg(bandRect.width())
                                   .arg(bandRect.height())));
                for (size_t b = a + 1; b < band.size(); ++b)
                    QVERIFY2(!band[a].rect.intersects(band[b].rect),
                             qPrintable(band[a].lines.join('|') + " / " + band[b].lines.join('|')));
            }
            // The pixels agree: every dark pixel of the band lies in exactly one slot's box.
            const QRect pixelsOfBand = bandRect.toAlignedRect().intersected(image.rect());
            int dark = 0;
            for (int y = pixelsOfBand.top(); y <= pixelsOfBand.bottom(); ++y)
                for (int x = pixelsOfBand.left(); x <= pixelsOfBand.right(); ++x) {
                    if (qGray(image.pixel(x, y)) > 160)
                        continue;
                    ++dark;
                    int owners = 0;
                    for (const PrintedText& t : band)
                        owners += t.rect.adjusted(-1, -1, 1, 1).contains(QPointF(x + 0.5, y + 0.5));
                    QVERIFY2(owners == 1,
                             qPrintable(QStringLiteral("%1 dpi: pixel %2,%3 in %4 slots")
                                            .arg(dpi)
                                            .arg(x)
                                            .arg(y)
                                            .arg(owners)));
                }
            QVERIFY(dark > 0);
            // Short texts that fit are left whole.
            if (QTest::currentDataTag() == QStringLiteral("all three short: untouched"))
                for (const PrintedText& t : band)
                    QVERIFY(!t.lines.join(QString()).contains(QChar(0x2026)));
        }
    }
}

QTEST_MAIN(tst_PreviewMatchesPaper)
#include "tst_PreviewMatchesPaper.moc"
