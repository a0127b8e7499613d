// SPDX-License-Identifier: GPL-3.0-or-later
// The print layout engine on image targets: geometry, note boxes, selection, header and
// footer texts, settings, word wrap and shrinking, and the pixels of a painted page.

#include "print/PrintSettings.h"
#include "print/PrintText.h"
#include "print/clsPrintData.h"
#include "core/clsSettings.h"

#include "print/PrintTestNotes.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QtTest>

using namespace quillary;
using namespace quillary::test;

namespace {

// A printer-like target that only measures (no painter).
PrintTarget PrinterPage(double w, double h, double unitsPerInch) {
    PrintTarget t;
    t.pageWidth = w;
    t.pageHeight = h;
    t.unitsPerInch = unitsPerInch;
    t.isPrinter = true;
    return t;
}

// A white image page with a painter on it.
struct ImagePage {
    QImage image;
    QPainter painter;
    PrintTarget target;
    ImagePage(int w, int h) : image(w, h, QImage::Format_RGB32) {
        image.fill(Qt::white);
        painter.begin(&image);
        target = PrintTarget::ForImage(image, &painter);
    }
    QImage finish() {
        painter.end();
        return image;
    }
};

bool IsBlack(const QImage& image, int x, int y) {
    return qGray(image.pixel(x, y)) < 128;
}

int CountDark(const QImage& image, const QRect& rect) {
    int n = 0;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qGray(image.pixel(x, y)) < 200)
                ++n;
    return n;
}

QDateTime FixedNow() {
    return QDateTime(QDate(2026, 12, 10), QTime(13, 2, 3), Qt::UTC);
}

} // namespace

class tst_clsPrintData : public QObject {
    Q_OBJECT

private slots:
    void workedExample_data();
    void workedExample();
    void noteBoxes_data();
    void noteBoxes();
    void hiddenBandsAndOtherTargets();
    void degenerateSettingsDoNotDivideByZero();
    void selectionString_data();
    void selectionString();
    void pageCount_data();
    void pageCount();
    void headerFooterCodes_data();
    void headerFooterCodes();
    void pageTwoOfFive();
    void loadCorrections_data();
    void loadCorrections();
    void saveAndLoadRoundTrip();
    void printFontSeedsDefaults();
    void wrapText_data();
    void wrapText();
    void scaleTextShrinksToFit();
    void scaleTextStopsAtMinimum();
    void paintedPagePixels();
    void selectionIndexesAreCorrected();
    void lastPageStartsTopLeft();
    void textStaysInsideItsCell();
    void cutOffNoteIsMarked();
    void emptySelectionAndEmptyDatabase();
    void deviceControl_data();
    void deviceControl();
};

void tst_clsPrintData::workedExample_data() {
    QTest::addColumn<double>("actual");
    QTest::addColumn<double>("expected");

    clsPrintData print = NewDefaultPrintData();
    print.InitializeSettings(PrinterPage(5100, 6600, 600));
    const PrintGeometry& g = print.Geometry();
    QTest::newRow("left margin") << double(g.leftMargin) << 450.0;
    QTest::newRow("right margin") << double(g.rightMargin) << 450.0;
    QTest::newRow("top margin") << double(g.topMargin) << 420.0;
    QTest::newRow("bottom margin") << double(g.bottomMargin) << 420.0;
    QTest::newRow("header band") << double(g.headerHeight) << 180.0;
    QTest::newRow("footer band") << double(g.footerHeight) << 180.0;
    QTest::newRow("padding across") << double(g.paddingAcross) << 30.0;
    QTest::newRow("padding down") << double(g.paddingDown) << 30.0;
    QTest::newRow("printable width") << double(g.printableWidth) << 4200.0;
    QTest::newRow("printable height") << double(g.printableHeight) << 5400.0;
    QTest::newRow("cell width") << double(g.cellWidth) << 2100.0;
    QTest::newRow("cell height") << double(g.cellHeight) << 2700.0;
    QTest::newRow("footer starts")
        << double(g.topMargin + g.headerHeight + g.printableHeight) << 6000.0;

    const NoteBoxes first = print.LayoutNote(0, 160, 160);
    QTest::newRow("note 1 box x") << double(first.pictureX) << 480.0;
    QTest::newRow("note 1 box y") << double(first.pictureY) << 630.0;
    QTest::newRow("note 1 reserved height") << double(first.reservedHeight) << 1290.0;
    QTest::newRow("note 1 picture width") << double(first.pictureWidth) << 1290.0;
    QTest::newRow("note 1 picture height") << double(first.pictureHeight) << 1290.0;
    QTest::newRow("note 1 text top") << double(first.textY) << 1950.0;
    QTest::newRow("note 1 text height") << double(first.textHeight) << 1350.0;
    QTest::newRow("note 1 text width") << double(first.textWidth) << 2070.0;
    QTest::newRow("note 2 box x") << double(print.LayoutNote(1, 160, 160).pictureX) << 2580.0;
    QTest::newRow("note 2 box y") << double(print.LayoutNote(1, 160, 160).pictureY) << 630.0;
    QTest::newRow("note 3 box x") << double(print.LayoutNote(2, 160, 160).pictureX) << 480.0;
    QTest::newRow("note 3 box y") << double(print.LayoutNote(2, 160, 160).pictureY) << 3330.0;

    // A wide picture keeps the full box width and loses height instead.
    const NoteBoxes wide = print.LayoutNote(0, 400, 100);
    QTest::newRow("wide picture width") << double(wide.pictureWidth) << 2040.0;
    QTest::newRow("wide picture height") << double(wide.pictureHeight) << 510.0;
    QTest::newRow("wide picture text top") << double(wide.textY) << 630.0 + 510 + 30;
}

void tst_clsPrintData::workedExample() {
    QFETCH(double, actual);
    QFETCH(double, expected);
    QCOMPARE(actual, expected);
}

void tst_clsPrintData::noteBoxes_data() {
    QTest::addColumn<float>("bitmapSize");
    QTest::addColumn<int>("stretch");
    QTest::addColumn<int>("autoSize");
    QTest::addColumn<int>("picW");
    QTest::addColumn<int>("picH");
    QTest::addColumn<QRect>("picture");
    QTest::addColumn<QRect>("text");

    // Page 200 x 400 at no resolution: no margins, bands or padding; cells 100 x 200.
    QTest::newRow("tall picture keeps proportions")
        << 50.0f << 0 << 1 << 30 << 60 << QRect(0, 0, 50, 100) << QRect(0, 100, 100, 100);
    QTest::newRow("tall picture stretched")
        << 50.0f << 1 << 1 << 30 << 60 << QRect(0, 0, 100, 100) << QRect(0, 100, 100, 100);
    QTest::newRow("wide picture, text follows the fitted picture")
        << 50.0f << 0 << 1 << 60 << 30 << QRect(0, 0, 100, 50) << QRect(0, 50, 100, 150);
    QTest::newRow("wide picture, text below the whole share")
        << 50.0f << 0 << 0 << 60 << 30 << QRect(0, 0, 100, 50) << QRect(0, 100, 100, 100);
    QTest::newRow("no share for the picture")
        << 0.0f << 0 << 1 << 30 << 30 << QRect(0, 0, 0, 0) << QRect(0, 0, 100, 200);
    QTest::newRow("whole cell for the picture, fitted")
        << 100.0f << 0 << 1 << 60 << 30 << QRect(0, 0, 100, 50) << QRect(0, 50, 100, 150);
    QTest::newRow("whole cell for the picture, not fitted")
        << 100.0f << 0 << 0 << 60 << 30 << QRect(0, 0, 100, 50) << QRect(0, 200, 100, 0);
    QTest::newRow("undecodable picture leaves the room to the text")
        << 50.0f << 0 << 1 << 0 << 0 << QRect(0, 0, 0, 0) << QRect(0, 0, 100, 200);
}

void tst_clsPrintData::noteBoxes() {
    QFETCH(float, bitmapSize);
    QFETCH(int, stretch);
    QFETCH(int, autoSize);
    QFETCH(int, picW);
    QFETCH(int, picH);
    QFETCH(QRect, picture);
    QFETCH(QRect, text);

    clsPrintData print = NewDefaultPrintData();
    print.BitmapSize = bitmapSize;
    print.BitmapStretch = stretch;
    print.AutoSizeNotes = autoSize;
    print.InitializeSettings(PrinterPage(200, 400, 0));
    const NoteBoxes b = print.LayoutNote(0, picW, picH);
    QCOMPARE(QRect(b.pictureX, b.pictureY, b.pictureWidth, b.pictureHeight), picture);
    QCOMPARE(QRect(b.textX, b.textY, b.textWidth, b.textHeight), text);
}

void tst_clsPrintData::hiddenBandsAndOtherTargets() {
    clsPrintData print = NewDefaultPrintData();
    print.HideHeader = 1;
    print.InitializeSettings(PrinterPage(5100, 6600, 600));
    QCOMPARE(print.Geometry().headerHeight, 0.0f);
    QCOMPARE(print.LayoutNote(0, 10, 10).pictureY, 420 + 30); // grid at the top margin
    QCOMPARE(print.Geometry().printableHeight, 5580.0f);

    // Any non-printer target is a page 8.5 inches wide: 850 units wide gives 100 per inch,
    // whatever the image's own resolution.
    QImage image(850, 1100, QImage::Format_RGB32);
    image.setDotsPerMeterX(1000);
    print.HideHeader = 0;
    print.InitializeSettings(PrintTarget::ForImage(image, nullptr));
    QCOMPARE(print.Geometry().unitsPerInch, 100.0f);
    QCOMPARE(print.Geometry().leftMargin, 75.0f);
    QCOMPARE(print.Geometry().cellWidth, 350.0f);

    // Lengths round halves to the even neighbour: cells 2.5 wide give boxes 2 wide at 2,
    // cells 3.5 wide boxes 4 wide at 4.
    print.HideHeader = 1;
    print.HideFooter = 1;
    print.InitializeSettings(PrinterPage(5, 10, 0));
    QCOMPARE(print.LayoutNote(1, 1, 1).pictureX, 2);
    QCOMPARE(print.LayoutNote(1, 100, 1).pictureWidth, 2);
    print.InitializeSettings(PrinterPage(7, 10, 0));
    QCOMPARE(print.LayoutNote(1, 1, 1).pictureX, 4);
    QCOMPARE(print.LayoutNote(1, 100, 1).pictureWidth, 4);
    // The page size itself is rounded first: 850.5 wide is 850, 100 units per inch.
    print.InitializeSettings(PrintTarget{nullptr, 850.5, 1100, 0, false, {}, {}, false});
    QCOMPARE(print.Geometry().unitsPerInch, 100.0f);
}

void tst_clsPrintData::degenerateSettingsDoNotDivideByZero() {
    clsPrintData print; // created empty: every setting 0
    print.SetPrintNotesString(QStringLiteral("0,1,2"));
    QCOMPARE(print.GetPageCount(), 3); // a grid of no cells lays out as one cell
    print.InitializeSettings(PrinterPage(850, 1100, 100));
    QVERIFY(std::isfinite(print.Geometry().cellWidth));
    QVERIFY(std::isfinite(print.Geometry().cellHeight));
    const NoteBoxes b = print.LayoutNote(0, 0, 0);
    QCOMPARE(b.pictureWidth, 0);

    auto db = MakeNotesDatabase({{"a", 1, 1, AllBlack}, {"b"}, {"c"}});
    print.SetDatabase(db.get());
    ImagePage page(85, 110);
    print.InitializeSettings(page.target);
    for (int p = 1; p <= 3; ++p) {
        print.PaintPrintObjectPage(page.target, p);
        print.PaintPrintObjectPageOutlines(page.target);
    }
    page.finish();
}

void tst_clsPrintData::selectionString_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("after");
    QTest::newRow("list") << "9"
                          << "0,3,7"
                          << "0,3,7";
    QTest::newRow("empty text keeps the list") << "4,5"
                                               << ""
                                               << "4,5";
    QTest::newRow("one") << "4,5"
                         << "12"
                         << "12";
    QTest::newRow("empty entry reads 0") << ""
                                         << "1,,2"
                                         << "1,0,2";
    QTest::newRow("trailing comma") << ""
                                    << "2,"
                                    << "2";
    QTest::newRow("spaces and junk") << ""
                                     << " 4x, 5 "
                                     << "4,5";
    QTest::newRow("not a number") << ""
                                  << "abc"
                                  << "0";
    QTest::newRow("negative") << ""
                              << "-3,1"
                              << "-3,1";
    // Every position of the fullest file, as the print selection stores it.
    QStringList all;
    for (int i = 0; i < 32767; ++i)
        all << QString::number(i);
    const QString every = all.join(QLatin1Char(','));
    QTest::newRow("32,767 positions") << "1" << every << every;
    QTest::newRow("32,767 positions, final comma") << "1" << every + QLatin1Char(',') << every;
}

void tst_clsPrintData::selectionString() {
    QFETCH(QString, before);
    QFETCH(QString, text);
    QFETCH(QString, after);
    clsPrintData print;
    print.SetPrintNotesString(before);
    print.SetPrintNotesString(text);
    QCOMPARE(print.PrintNotesString(), after);
}

void tst_clsPrintData::pageCount_data() {
    QTest::addColumn<int>("notes");
    QTest::addColumn<int>("wide");
    QTest::addColumn<int>("high");
    QTest::addColumn<int>("pages");
    QTest::newRow("empty selection") << 0 << 2 << 2 << 1;
    QTest::newRow("one page full") << 4 << 2 << 2 << 1;
    QTest::newRow("five notes") << 5 << 2 << 2 << 2;
    QTest::newRow("3 x 3") << 10 << 3 << 3 << 2;
    QTest::newRow("one per page") << 7 << 1 << 1 << 7;
}

void tst_clsPrintData::pageCount() {
    QFETCH(int, notes);
    QFETCH(int, wide);
    QFETCH(int, high);
    QFETCH(int, pages);
    clsPrintData print;
    print.NotesWide = wide;
    print.NotesHigh = high;
    std::vector<int32_t> selection(size_t(notes), 0);
    print.SetSelection(selection);
    QCOMPARE(print.GetPageCount(), pages);
    print.InitializeSettings(PrinterPage(100, 100, 10));
    int first = 0, last = 0;
    print.GetPageRange(first, last);
    QCOMPARE(first, 1);
    QCOMPARE(last, pages);
    QCOMPARE(print.CurrentPage(), 1);
}

void tst_clsPrintData::headerFooterCodes_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("0 blank") << 0 << "";
    QTest::newRow("1 user name") << 1 << "Ann Example";
    QTest::newRow("2 date") << 2 << "Thursday, December 10, 2026";
    QTest::newRow("3 time") << 3 << "1:02:03 PM";
    QTest::newRow("4 date time") << 4 << "Thursday, December 10, 2026 - 1:02:03 PM";
    QTest::newRow("5 page") << 5 << "Page 2";
    QTest::newRow("6 page out of") << 6 << "Page 2 out of 5 pages";
    QTest::newRow("7 page slash") << 7 << "Page 2/5 pages";
    QTest::newRow("8 nothing") << 8 << "";
    QTest::newRow("-1 nothing") << -1 << "";
}

void tst_clsPrintData::headerFooterCodes() {
    QFETCH(int, code);
    QFETCH(QString, text);
    const QString got = GetHeaderFooterText(code, QStringLiteral("2"), QStringLiteral("5"),
                                            QStringLiteral("Ann Example"), FixedNow(),
                                            QLocale(QLocale::English, QLocale::UnitedStates));
    // The long time format may add a zone name; the clock reading must come first.
    if (code == 3 || code == 4)
        QVERIFY2(got.startsWith(text), qPrintable(got));
    else
        QCOMPARE(got, text);
}

void tst_clsPrintData::pageTwoOfFive() {
    // 17 notes at 2 x 2: five pages; painting page 2 makes its header and footer say so.
    std::vector<TestNote> notes(17, TestNote{"n"});
    auto db = MakeNotesDatabase(notes);
    clsPrintData print = NewDefaultPrintData();
    print.SetDatabase(db.get());
    std::vector<int32_t> selection;
    for (int i = 0; i < 17; ++i)
        selection.push_back(i);
    print.SetSelection(selection);
    print.SetUserName(QStringLiteral("Ann"));
    print.SetClock(FixedNow);
    ImagePage page(425, 550);
    print.InitializeSettings(page.target);
    QCOMPARE(print.PageCount(), 5);
    print.PaintPrintObjectPage(page.target, 2);
    page.finish();
    QCOMPARE(print.CurrentPage(), 2);
    QCOMPARE(print.SlotText(7), QStringLiteral("Page 2/5 pages"));
    QCOMPARE(print.SlotText(6), QStringLiteral("Page 2 out of 5 pages"));
    QCOMPARE(print.SlotText(1), QStringLiteral("Ann"));
}

void tst_clsPrintData::loadCorrections_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("property");
    QTest::addColumn<double>("expected");
    QTest::newRow("header band too thin") << "PrintHeaderHeight"
                                          << "0.05"
                                          << "header" << 0.35;
    QTest::newRow("footer band missing") << "PrintFooterHeight"
                                         << ""
                                         << "footer" << 0.35;
    QTest::newRow("header band kept") << "PrintHeaderHeight"
                                      << "0.5"
                                      << "header" << 0.5;
    QTest::newRow("no columns") << "PrintNotesWide"
                                << "0"
                                << "wide" << 2.0;
    QTest::newRow("negative rows") << "PrintNotesHigh"
                                   << "-4"
                                   << "high" << 2.0;
    QTest::newRow("rows") << "PrintNotesHigh"
                          << "3"
                          << "high" << 3.0;
    QTest::newRow("rows round half even") << "PrintNotesHigh"
                                          << "2.5"
                                          << "high" << 2.0;
    QTest::newRow("min size 0") << "PrintMinScaleTextPt"
                                << "0"
                                << "min" << 1.0;
    QTest::newRow("margin with unit") << "PrintLeftMargin"
                                      << "1.25in"
                                      << "left" << 1.25;
    QTest::newRow("margin junk") << "PrintTopMargin"
                                 << "wide"
                                 << "top" << 0.0;
    QTest::newRow("clip missing") << "PrintBitmapClip"
                                  << ""
                                  << "clip" << 0.0;
    QTest::newRow("option code") << "PrintFooterRightOption"
                                 << "7"
                                 << "footerRight" << 7.0;
}

void tst_clsPrintData::loadCorrections() {
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(QString, property);
    QFETCH(double, expected);
    QTemporaryDir dir;
    clsSettings settings(dir.filePath(QStringLiteral("kestwin.ini")));
    settings.SetSetting(key, stored);
    clsPrintData print;
    LoadPrintSettings(settings, print);
    const QMap<QString, double> values = {{"header", print.HeaderHeightInches},
                                          {"footer", print.FooterHeightInches},
                                          {"wide", print.NotesWide},
                                          {"high", print.NotesHigh},
                                          {"min", print.MinScaleTextPt},
                                          {"left", print.LeftMargin},
                                          {"top", print.TopMargin},
                                          {"clip", print.BitmapClip},
                                          {"footerRight", print.FooterRightOption}};
    QVERIFY(values.contains(property));
    QCOMPARE(float(values[property]), float(expected));
}

void tst_clsPrintData::saveAndLoadRoundTrip() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kestwin.ini"));
    clsPrintData saved = NewDefaultPrintData();
    saved.NotesWide = 3;
    saved.BitmapSize = 42.5f;
    saved.HideSeperatorLines = 1;
    saved.Font.setBold(true);
    saved.Font.setPointSizeF(11.5);
    saved.SetPrintNotesString(QStringLiteral("3,1,4"));
    {
        clsSettings settings(path);
        QVERIFY(SavePrintSettings(settings, saved) != 0);
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString ini = QString::fromUtf8(file.readAll());
    for (const char* line :
         {"PrintLeftMargin=0.75", "PrintTopMargin=0.7", "PrintHeaderHeight=0.3",
          "PrintBitmapSizePercent=42.5", "PrintFontBold=True", "PrintFontItalic=False",
          "PrintFontSize=11.5", "PrintNotesWide=3", "PrintDontShowLines=1",
          "PrintNotesSelectedString=3,1,4", "PrintFontName=Tahoma"})
        QVERIFY2(ini.contains(QLatin1String(line)), line);

    clsSettings settings(path);
    clsPrintData loaded;
    LoadPrintSettings(settings, loaded);
    QCOMPARE(loaded.NotesWide, 3);
    QCOMPARE(loaded.NotesHigh, 2);
    QCOMPARE(loaded.LeftMargin, 0.75f);
    QCOMPARE(loaded.TopMargin, 0.7f);
    QCOMPARE(loaded.BitmapSize, 42.5f);
    QCOMPARE(loaded.HideSeperatorLines, 1);
    QCOMPARE(loaded.AutoSizeNotes, 1);
    QCOMPARE(loaded.MinScaleTextPt, 3);
    QCOMPARE(loaded.FooterCenterOption, 6);
    QCOMPARE(loaded.Font.family(), QStringLiteral("Tahoma"));
    QVERIFY(loaded.Font.bold());
    QCOMPARE(loaded.Font.pointSizeF(), 11.5);
    QCOMPARE(loaded.PrintNotesString(), QStringLiteral("3,1,4"));
}

void tst_clsPrintData::printFontSeedsDefaults() {
    QTemporaryDir dir;
    clsSettings settings(dir.filePath(QStringLiteral("kestwin.ini")));
    settings.SetSetting(QStringLiteral("PrintFontBold"), QStringLiteral("True"));
    const QFont font = GetPrintFont(settings);
    // An empty face name resets every font key, the bold flag included.
    QCOMPARE(settings.GetSetting(QStringLiteral("PrintFontName")), QStringLiteral("Tahoma"));
    QCOMPARE(settings.GetSetting(QStringLiteral("PrintFontSize")), QStringLiteral("10"));
    QCOMPARE(settings.GetSetting(QStringLiteral("PrintFontBold")), QStringLiteral("False"));
    QCOMPARE(settings.GetSetting(QStringLiteral("PrintFontUnderLine")), QStringLiteral("False"));
    QCOMPARE(font.family(), QStringLiteral("Tahoma"));
    QCOMPARE(font.pointSizeF(), 10.0);
    QVERIFY(!font.bold());

    settings.SetSetting(QStringLiteral("PrintFontItalic"), QStringLiteral("True"));
    settings.SetSetting(QStringLiteral("PrintFontSize"), QStringLiteral("7.5"));
    const QFont second = GetPrintFont(settings);
    QVERIFY(second.italic());
    QCOMPARE(second.pointSizeF(), 7.5);
}

void tst_clsPrintData::wrapText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("columns"); // width in characters of a fixed-pitch font
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("fits") << "abc def" << 10 << QStringList{"abc def"};
    QTest::newRow("break after last space") << "abc def ghi" << 9 << QStringList{"abc def ", "ghi"};
    QTest::newRow("long word broken at the character that no longer fits")
        << "abcdefghij" << 4 << QStringList{"abcd", "efgh", "ij"};
    QTest::newRow("trailing spaces stay on the closed line")
        << "ab    cd" << 4 << QStringList{"ab    ", "cd"};
    QTest::newRow("a run of spaces never breaks") << "abcd      " << 4 << QStringList{"abcd      "};
    QTest::newRow("line feeds") << "a\n\nb" << 10 << QStringList{"a", "", "b"};
    QTest::newRow("empty text is one empty line") << "" << 10 << QStringList{""};
    QTest::newRow("width of less than one character") << "abc" << 0 << QStringList{"a", "b", "c"};
}

void tst_clsPrintData::wrapText() {
    QFETCH(QString, text);
    QFETCH(int, columns);
    QFETCH(QStringList, lines);
    QImage image(10, 10, QImage::Format_RGB32);
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(20);
    const QFontMetricsF metrics(font, &image);
    const double advance = metrics.horizontalAdvance(QLatin1Char('a'));
    QVERIFY(qFuzzyCompare(metrics.horizontalAdvance(QStringLiteral("aaaa")), 4 * advance));
    double total = 0;
    const QStringList got =
        PrintText::WrapText(metrics, text, columns * advance + advance / 4, &total);
    QCOMPARE(got, lines);
    QCOMPARE(total, lines.size() * metrics.height());
}

void tst_clsPrintData::scaleTextShrinksToFit() {
    ImagePage page(2550, 3300); // 300 units per inch
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(10);
    clsPrintData print = NewDefaultPrintData();
    print.InitializeSettings(page.target);
    PrintText text(page.target, print.Geometry().unitsPerInch, font);
    const QString note =
        QStringLiteral("The quick brown fox jumps over the lazy dog. ").repeated(12);
    const double width = 600;

    const PrintText::Fitted at75 = text.Fit(note, width, 1e9, false, 1);
    QVERIFY(at75.totalHeight > 0);
    // Find the heights at 7.5 and 8 points.
    auto heightAt = [&](double points) {
        QFont f = font;
        f.setPointSizeF(points);
        return PrintText(page.target, print.Geometry().unitsPerInch, f)
            .Fit(note, width, 1e9, false, 1)
            .totalHeight;
    };
    const double h75 = heightAt(7.5);
    const double h8 = heightAt(8.0);
    QVERIFY2(h8 > h75 + 1, "8 points must need more room than 7.5 points");

    const PrintText::Fitted fitted = text.Fit(note, width, h75 + 1, true, 3);
    QCOMPARE(fitted.points, 7.5);
    QVERIFY(fitted.totalHeight < h75 + 1);
    for (const QString& line : fitted.lines)
        QVERIFY(QFontMetricsF(fitted.font, &page.image).horizontalAdvance(line.trimmed()) <= width);

    // Without shrinking the size stays.
    QCOMPARE(text.Fit(note, width, h75 + 1, false, 3).points, 10.0);
    page.finish();
}

void tst_clsPrintData::scaleTextStopsAtMinimum() {
    // A note that would need 7.5 points, with 8 as the minimum: drawn at 8 points, the
    // lines that do not fit are left out and the last one shown says the text goes on.
    ImagePage page(2550, 3300);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(10);
    PrintText text(page.target, 300, font);
    const QString note = QStringLiteral("alpha beta gamma delta ").repeated(40);
    const double height = 200;
    const PrintText::Fitted fitted = text.Fit(note, 500, height, true, 8);
    QCOMPARE(fitted.points, 8.0);
    QVERIFY(fitted.totalHeight >= height); // it does not fit even at 8 points

    // Even a font already smaller than the minimum never ends up wider than the width.
    QFont tiny = font;
    tiny.setPointSizeF(2);
    const PrintText::Fitted small = PrintText(page.target, 300, tiny).Fit(note, 500, 1, true, 8);
    QCOMPARE(small.points, 8.0);
    const QFontMetricsF metrics(small.font, &page.image);
    for (const QString& line : small.lines)
        QVERIFY(metrics.horizontalAdvance(line.trimmed()) <= 500);
    page.finish();
}

void tst_clsPrintData::paintedPagePixels() {
    // Note 1: a black square; note 2: a checkerboard; note 3 and 4: blank with text.
    auto db = MakeNotesDatabase({{"first", 100, 100, AllBlack},
                                 {"second", 64, 64, [](int x, int y) { return (x + y) % 2 == 0; }},
                                 {"third"},
                                 {"fourth"}});
    clsPrintData print = NewDefaultPrintData();
    print.BitmapClip = 0;
    print.SetDatabase(db.get());
    print.SetPrintNotesString(QStringLiteral("0,1,2,3"));
    ImagePage page(850, 1100); // 100 units per inch
    print.InitializeSettings(page.target);
    int refreshed = 0;
    page.target.refresh = [&] { ++refreshed; };
    QList<int> progress;
    print.PaintPrintObjectPage(page.target, 1, [&](int v) { progress << v; });
    print.PaintPrintObjectPageOutlines(page.target);
    const QImage image = page.finish();

    QCOMPARE(refreshed, 4);
    QCOMPARE(progress, (QList<int>{250, 500, 750, 1000}));

    // Geometry at 100 units per inch: cells 350 x 450 starting at (75, 100).
    const NoteBoxes first = print.LayoutNote(0, 100, 100);
    const QRect box(first.pictureX, first.pictureY, first.pictureWidth, first.pictureHeight);
    QCOMPARE(box, QRect(80, 105, 215, 215));
    QCOMPARE(CountDark(image, box), box.width() * box.height());
    QCOMPARE(CountDark(image, box.adjusted(-3, -3, 3, 3)) - CountDark(image, box), 0);

    // The checkerboard is scaled without smoothing: only black and white pixels.
    const NoteBoxes second = print.LayoutNote(1, 64, 64);
    const QRect board(second.pictureX, second.pictureY, second.pictureWidth, second.pictureHeight);
    int grey = 0, black = 0;
    for (int y = board.top(); y <= board.bottom(); ++y)
        for (int x = board.left(); x <= board.right(); ++x) {
            const int g = qGray(image.pixel(x, y));
            grey += (g > 0 && g < 255);
            black += g == 0;
        }
    QCOMPARE(grey, 0);
    QVERIFY(black > board.width() * board.height() / 3);

    // Separator lines: one vertical and one horizontal, one pixel wide, no frame.
    const int lineX = 75 + 350;
    QVERIFY(IsBlack(image, lineX, 400));
    QVERIFY(!IsBlack(image, lineX + 2, 400));
    QVERIFY(IsBlack(image, 200, 100 + 450));
    QVERIFY(!IsBlack(image, 74, 400)); // no frame at the grid's left edge

    // Text of each note under its picture; header (date time on the right) and footer.
    QVERIFY(CountDark(image, QRect(first.textX, first.textY, 200, 30)) > 0);
    QVERIFY(CountDark(image, QRect(425, 70, 350, 30)) > 0);   // header right slot
    QVERIFY(CountDark(image, QRect(300, 1000, 250, 30)) > 0); // footer centre slot
    QVERIFY(CountDark(image, QRect(75, 1000, 150, 30)) == 0); // footer left slot blank
}

void tst_clsPrintData::selectionIndexesAreCorrected() {
    auto db = MakeNotesDatabase({{"first", 40, 40, AllBlack}, {"second"}, {"last"}});
    clsPrintData print = NewDefaultPrintData();
    print.SetDatabase(db.get());
    print.SetPrintNotesString(QStringLiteral("-3,1,99"));
    ImagePage page(850, 1100);
    print.InitializeSettings(page.target);
    print.PaintPrintObjectPage(page.target, 1);
    const QImage image = page.finish();
    QCOMPARE(print.PrintNotesString(), QStringLiteral("0,1,2"));
    // -3 printed the first note: its black picture fills the first cell's box.
    const NoteBoxes first = print.LayoutNote(0, 40, 40);
    QVERIFY(IsBlack(image, first.pictureX + 5, first.pictureY + 5));
}

void tst_clsPrintData::lastPageStartsTopLeft() {
    // Five notes at 2 x 2: page 2 holds the fifth note alone, in the top-left cell.
    std::vector<TestNote> notes(4, TestNote{"n"});
    notes.emplace_back("fifth", 40, 40, AllBlack);
    auto db = MakeNotesDatabase(notes);
    clsPrintData print = NewDefaultPrintData();
    print.SetDatabase(db.get());
    print.SetPrintNotesString(QStringLiteral("0,1,2,3,4"));
    print.HideHeader = 1;
    print.HideFooter = 1;
    ImagePage page(850, 1100);
    print.InitializeSettings(page.target);
    QCOMPARE(print.PageCount(), 2);
    print.PaintPrintObjectPage(page.target, 2);
    const QImage image = page.finish();
    const PrintGeometry& g = print.Geometry();
    const QRect firstCell(int(g.leftMargin), int(g.topMargin), int(g.cellWidth), int(g.cellHeight));
    const NoteBoxes box = print.LayoutNote(0, 40, 40);
    QVERIFY(IsBlack(image, box.pictureX + 5, box.pictureY + 5));
    QVERIFY(CountDark(image, firstCell) > 0);
    QCOMPARE(CountDark(image, image.rect()) - CountDark(image, firstCell), 0);
}

void tst_clsPrintData::textStaysInsideItsCell() {
    // A long unbroken word and long lines in the first cell never reach the neighbour.
    auto db = MakeNotesDatabase(
        {{std::string(300, 'W') + "\n" + std::string(40, 'M') + std::string(200, ' ') + "X", 8, 8,
          nullptr}});
    clsPrintData print = NewDefaultPrintData();
    print.SetDatabase(db.get());
    print.HideHeader = 1;
    print.HideFooter = 1;
    print.HideSeperatorLines = 1;
    print.Font.setPointSizeF(30);
    print.SetPrintNotesString(QStringLiteral("0"));
    ImagePage page(850, 1100);
    print.InitializeSettings(page.target);
    print.PaintPrintObjectPage(page.target, 1);
    const QImage image = page.finish();
    const PrintGeometry& g = print.Geometry();
    const QRect firstCell(int(g.leftMargin), int(g.topMargin), int(g.cellWidth), int(g.cellHeight));
    QVERIFY(CountDark(image, firstCell) > 0);
    QCOMPARE(CountDark(image, image.rect()) - CountDark(image, firstCell), 0);
}

void tst_clsPrintData::cutOffNoteIsMarked() {
    ImagePage page(850, 1100);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(10);
    PrintText text(page.target, 100, font);
    const QString note = QStringLiteral("line\n").repeated(30);
    const PrintText::Fitted fitted = text.Fit(note, 300, 100, false, 1);
    QVERIFY(fitted.totalHeight > 100);
    text.DrawFitted(fitted, QPointF(0, 0), QRectF(0, 0, 300, 100));
    const QImage image = page.finish();
    // The last line drawn ends in an ellipsis right of the word "line".
    const double lineHeight = fitted.lineHeight;
    const int shown = int(100 / lineHeight);
    const int wordWidth = int(QFontMetricsF(fitted.font, &image).horizontalAdvance("line"));
    const QRect afterWord(wordWidth + 1, int((shown - 1) * lineHeight), 40, int(lineHeight));
    QVERIFY(CountDark(image, afterWord) > 0);
    const QRect afterFirst(wordWidth + 1, 0, 40, int(lineHeight));
    QCOMPARE(CountDark(image, afterFirst), 0);
}

void tst_clsPrintData::emptySelectionAndEmptyDatabase() {
    auto db = MakeNotesDatabase({});
    clsPrintData print = NewDefaultPrintData();
    print.SetDatabase(db.get());
    print.SetSelection({});
    QCOMPARE(print.PrintNotesString(), QString());
    ImagePage page(850, 1100);
    print.InitializeSettings(page.target);
    QCOMPARE(print.PageCount(), 1);
    print.SetPrintNotesString(QStringLiteral("0,1"));
    print.PaintPrintObjectPage(page.target, 1);
    const QImage image = page.finish();
    // Header and footer are still drawn, the cells stay empty.
    QVERIFY(CountDark(image, QRect(0, 0, 850, 100)) > 0);
    QCOMPARE(CountDark(image, QRect(75, 100, 700, 900)), 0);
}

void tst_clsPrintData::deviceControl_data() {
    QTest::addColumn<bool>("deviceFails");
    QTest::addColumn<int>("cancelAtAsk"); // the first "cancelled?" answered yes; 0: none
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("aborts");
    QTest::addColumn<QString>("error");
    QTest::newRow("printed") << false << 0 << int(clsPrintData::PrintResult::Printed) << 0
                             << QString();
    QTest::newRow("device fails") << true << 0 << int(clsPrintData::PrintResult::Failed) << 0
                                  << QStringLiteral("The printer reported an error on page 1.");
    QTest::newRow("cancelled") << false << 2 << int(clsPrintData::PrintResult::Cancelled) << 1
                               << QString();
}

// A job knows its device only through the control it is given: it puts the device in
// full-page mode, asks it for errors, has it drop a cancelled job, and sends a print to a
// file into a temporary file beside the chosen one that replaces it only when the job is
// printed.
void tst_clsPrintData::deviceControl() {
    QFETCH(bool, deviceFails);
    QFETCH(int, cancelAtAsk);
    QFETCH(int, result);
    QFETCH(int, aborts);
    QFETCH(QString, error);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString target = dir.filePath(QStringLiteral("out.pdf"));
    {
        QFile earlier(target);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier document");
    }
    auto db = MakeNotesDatabase({TestNote("one"), TestNote("two"), TestNote("three")});
    clsPrintData print = NewDefaultPrintData();
    print.SetDatabase(db.get());
    print.SetPrintNotesString(QStringLiteral("0,1,2"));

    QBuffer pdf;
    QVERIFY(pdf.open(QIODevice::WriteOnly));
    QPdfWriter writer(&pdf);
    int fullPageCalls = 0;
    int abortCalls = 0;
    int asks = 0;
    QString output = target;
    QStringList outputsSet;
    PrintDeviceControl control;
    control.fullPage = [&] {
        ++fullPageCalls;
        QPageLayout layout = writer.pageLayout();
        layout.setMode(QPageLayout::FullPageMode);
        writer.setPageLayout(layout);
    };
    control.abort = [&] { ++abortCalls; };
    control.failed = [&] { return deviceFails; };
    control.outputFileName = [&] { return output; };
    control.setOutputFileName = [&](const QString& name) {
        output = name;
        outputsSet << name;
        // The device writes its document where it is sent.
        QFile file(name);
        if (name != target && file.open(QIODevice::WriteOnly))
            file.write("new document");
    };
    QString why;
    const auto printed = print.PrintNotes(
        writer, {}, [&] { return ++asks >= cancelAtAsk && cancelAtAsk > 0; }, &why, control);
    QCOMPARE(int(printed), result);
    QCOMPARE(fullPageCalls, 1);
    QCOMPARE(abortCalls, aborts);
    QCOMPARE(why, error);

    // The device was given a file beside the chosen one, then the chosen one back.
    QCOMPARE(outputsSet.size(), 2);
    QCOMPARE(QFileInfo(outputsSet.first()).absolutePath(), QFileInfo(target).absolutePath());
    QVERIFY(outputsSet.first() != target);
    QCOMPARE(outputsSet.last(), target);
    QCOMPARE(output, target);
    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(),
             QByteArray(result == int(clsPrintData::PrintResult::Printed) ? "new document"
                                                                          : "earlier document"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("out.pdf")});
}

QTEST_MAIN(tst_clsPrintData)
#include "tst_clsPrintData.moc"
