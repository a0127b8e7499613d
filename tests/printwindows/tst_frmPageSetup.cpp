// SPDX-License-Identifier: GPL-3.0-or-later
// The page setup window: loading, the linked percentage boxes, number boxes, previews,
// Defaults, Apply / OK / Cancel / Escape, the font and printer dialogs.
#include "PrintWindowsTestKit.h"

#include "core/PaperSettings.h"
#include "core/clsSettings.h"
#include "print/PrintSettings.h"
#include "printwindows/ctlElidedLabel.h"
#include "printwindows/frmPageSetup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QPrinterInfo>
#include <QTabWidget>

using namespace quillary;
using namespace quillary::test;

namespace {

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Opens the page setup from the File menu and runs script on it.
void OpenPageSetup(PrintFixture& f, std::function<void(frmPageSetup&)> script) {
    bool ran = false;
    f.Then([&](QDialog& d) {
        ran = true;
        auto* setup = qobject_cast<frmPageSetup*>(&d);
        QVERIFY(setup);
        Activate(d);
        script(*setup);
    });
    QAction* action = f.Window().Commands().Action(QStringLiteral("mnuPageSetup"));
    QVERIFY(action && action->isEnabled());
    action->trigger();
    QVERIFY(ran);
}

QLineEdit* Box(QDialog& d, const char* name) {
    return Child<QLineEdit>(d, name);
}

void ShowTab(frmPageSetup& d, int tab) {
    auto* tabs = Child<QTabWidget>(d, "tabPrintOptions");
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(tab).center());
    QCOMPARE(tabs->currentIndex(), tab);
}

// The width a slot needs for text, and a little more.
int label0Width(QDialog& d, const QString& text) {
    return d.fontMetrics().horizontalAdvance(text) + 40;
}

int DarkPixels(const QImage& image) {
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            dark += qGray(image.pixel(x, y)) < 128;
    return dark;
}

} // namespace

class tst_frmPageSetup : public QObject {
    Q_OBJECT
private slots:
    void opensWithStoredSettingsAndNothingChanged();
    void percentageBoxesAddUpToHundred();
    void numberBoxes_data();
    void numberBoxes();
    void footerPreviewShowsPlaceholders();
    void defaultsKeepTheSelection();
    void cancelAfterApplyKeepsWhatWasApplied();
    void okWithNothingChangedWritesNothing();
    void escapeCancels();
    void landscapePaperMakesThePreviewWide();
    void separatorLinesInThePagePreview();
    void marginsThatLeaveNoRoomAreShown();
    void gridsTooFineForThePaperAreShownAndRefused();
    void gridCountsTheListsCannotShow();
    void fontDialog();
    void fontDialogClosedWithOkStoresNothingNew();
    void paperIsKeptAcrossStarts_data();
    void paperIsKeptAcrossStarts();
    void paperChosenThenCancelledIsDropped();
    void storedPaperThatIsGoneFallsBack();
    void ctrlTabTurnsTheTabsFromAnyControl_data();
    void ctrlTabTurnsTheTabsFromAnyControl();
    void tabVisitsTheControlsInReadingOrder_data();
    void tabVisitsTheControlsInReadingOrder();
    void longDatesInTheSlotPreviewsShowTheirBeginning();
};

void tst_frmPageSetup::opensWithStoredSettingsAndNothingChanged() {
    PrintFixture f;
    f.WriteSetting("PrintNotesWide", "3");
    f.WriteSetting("PrintNotesHigh", "4");
    f.WriteSetting("PrintLeftMargin", "0.5");
    f.WriteSetting("PrintBitmapSizePercent", "40");
    f.WriteSetting("PrintFooterCenterOption", "7");
    f.WriteSetting("PrintScaleText", "1");
    f.StartWithNotes(3);
    QVERIFY(f.services.messages.isEmpty());
    OpenPageSetup(f, [&](frmPageSetup& d) {
        QCOMPARE(d.windowTitle(), QStringLiteral("Page Setup"));
        QCOMPARE(Child<QComboBox>(d, "cmbNotesWide")->currentText(), QStringLiteral("3"));
        QCOMPARE(Child<QComboBox>(d, "cmbNotesHigh")->currentText(), QStringLiteral("4"));
        QCOMPARE(Box(d, "txtLeftMargin")->text(), QStringLiteral("0.5"));
        QCOMPARE(Box(d, "txtBitmapSize")->text(), QStringLiteral("40"));
        QCOMPARE(Box(d, "txtGrafitiSize")->text(), QStringLiteral("60"));
        QCOMPARE(Child<QComboBox>(d, "cmbFooterCenter")->currentText(), QStringLiteral("Page #/n"));
        QCOMPARE(Child<QComboBox>(d, "cmbHeaderLeft")->count(), 8);
        QVERIFY(Child<QCheckBox>(d, "chkScaleText")->isChecked());
        QVERIFY(!Child<QPushButton>(d, "cmdApply")->isEnabled());
        QVERIFY(!d.Changed());
        QCOMPARE(d.PrintData().NotesWide, 3);
        QCOMPARE(d.PrintData().BitmapSize, 40.0f);
    });
    // The command no longer answers "not available".
    QVERIFY(f.services.messages.isEmpty());
    QCOMPARE(f.services.dialogsShown, QStringList{QStringLiteral("frmPageSetup")});
}

void tst_frmPageSetup::percentageBoxesAddUpToHundred() {
    PrintFixture f;
    f.StartWithNotes(2);
    OpenPageSetup(f, [&](frmPageSetup& d) {
        ShowTab(d, 1);
        QLineEdit* bitmap = Box(d, "txtBitmapSize");
        QLineEdit* graffiti = Box(d, "txtGrafitiSize");
        TypeInto(bitmap, "70");
        QCOMPARE(graffiti->text(), QStringLiteral("30"));
        QCOMPARE(d.PrintData().BitmapSize, 70.0f);
        QVERIFY(Child<QPushButton>(d, "cmdApply")->isEnabled());
        const QWidget* text = Child<QWidget>(d, "lblText");
        QCOMPARE(Child<QWidget>(d, "lblNote")->height(), text->height() * 70 / 100);

        TypeInto(bitmap, "150");
        QCOMPARE(bitmap->text(), QStringLiteral("150")); // until the box is left
        QCOMPARE(graffiti->text(), QStringLiteral("0"));
        Leave(bitmap);
        QCOMPARE(bitmap->text(), QStringLiteral("100"));
        QCOMPARE(graffiti->text(), QStringLiteral("0"));
        QCOMPARE(d.PrintData().BitmapSize, 100.0f);

        TypeInto(graffiti, "25");
        QCOMPARE(bitmap->text(), QStringLiteral("75"));
        QCOMPARE(d.PrintData().BitmapSize, 75.0f);
        TypeInto(graffiti, "-20");
        QCOMPARE(bitmap->text(), QStringLiteral("100"));
        Leave(graffiti);
        QCOMPARE(graffiti->text(), QStringLiteral("0"));
        QCOMPARE(d.PrintData().BitmapSize, 100.0f);
        Click(d, "cmdDone");
    });
    QCOMPARE(f.Settings().GetSetting("PrintBitmapSizePercent"), QStringLiteral("100"));
}

void tst_frmPageSetup::numberBoxes_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("key");
    QTest::addColumn<double>("stored");
    QTest::addColumn<QString>("textAfterLeaving");
    QTest::newRow("margin abc") << "txtLeftMargin"
                                << "abc"
                                << "PrintLeftMargin" << 0.0 << "abc";
    QTest::newRow("margin 1.25in") << "txtRightMargin"
                                   << "1.25in"
                                   << "PrintRightMargin" << 1.25 << "1.25in";
    QTest::newRow("margin zero") << "txtTopMargin"
                                 << "0"
                                 << "PrintTopMargin" << 0.0 << "0";
    QTest::newRow("margin negative") << "txtBottomMargin"
                                     << "-1"
                                     << "PrintBottomMargin" << 0.0 << "0";
    QTest::newRow("header height negative") << "txtHeaderHeight"
                                            << "-0.5"
                                            << "PrintHeaderHeight" << 0.0 << "0";
    QTest::newRow("footer height") << "txtFooterHeight"
                                   << "0.5"
                                   << "PrintFooterHeight" << 0.5 << "0.5";
    QTest::newRow("min point size zero") << "txtMinPointSize"
                                         << "0"
                                         << "PrintMinScaleTextPt" << 1.0 << "1";
    QTest::newRow("min point size negative") << "txtMinPointSize"
                                             << "-4"
                                             << "PrintMinScaleTextPt" << 1.0 << "1";
    QTest::newRow("min point size rounded") << "txtMinPointSize"
                                            << "6.5"
                                            << "PrintMinScaleTextPt" << 6.0 << "6.5";
}

void tst_frmPageSetup::numberBoxes() {
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, key);
    QFETCH(double, stored);
    QFETCH(QString, textAfterLeaving);
    PrintFixture f;
    f.StartWithNotes(2);
    OpenPageSetup(f, [&](frmPageSetup& d) {
        QLineEdit* edit = Box(d, box.toLatin1().constData());
        d.findChild<QTabWidget*>()->setCurrentWidget(edit->parentWidget()->parentWidget());
        TypeInto(edit, typed);
        Leave(edit);
        QCOMPARE(edit->text(), textAfterLeaving);
        Click(d, "cmdDone");
    });
    QCOMPARE(LeadingReal(f.Settings().GetSetting(key)), stored);
}

void tst_frmPageSetup::footerPreviewShowsPlaceholders() {
    PrintFixture f;
    f.StartWithNotes(2);
    OpenPageSetup(f, [&](frmPageSetup& d) {
        ShowTab(d, 2);
        auto* centre = Child<QComboBox>(d, "cmbFooterCenter");
        centre->setFocus();
        // From "Blank" down to "Page # out of n pages", with the keyboard.
        QTest::keyClick(centre, Qt::Key_Home);
        for (int i = 0; i < 6; ++i)
            QTest::keyClick(centre, Qt::Key_Down);
        QCOMPARE(centre->currentText(), QStringLiteral("Page # out of n pages"));
        QCOMPARE(Child<QLabel>(d, "lblFooterPreview1")->text(),
                 QStringLiteral("Page x out of y pages"));
        QCOMPARE(d.PrintData().FooterCenterOption, 6);
        auto* left = Child<QComboBox>(d, "cmbHeaderLeft");
        left->setFocus();
        QTest::keyClick(left, Qt::Key_Home);
        QTest::keyClick(left, Qt::Key_Down);
        QCOMPARE(Child<QLabel>(d, "lblHeaderPreview0")->text(), QStringLiteral("Ann"));
        QTest::keyClick(left, Qt::Key_End);
        QCOMPARE(Child<QLabel>(d, "lblHeaderPreview0")->text(), QStringLiteral("Page x/y pages"));
    });
}

void tst_frmPageSetup::defaultsKeepTheSelection() {
    PrintFixture f;
    f.StartWithNotes(6);
    f.Settings().SetSetting("PrintNotesSelectedString", "1,4");
    f.Settings().SetSetting("PrintNotesWide", "3");
    f.Settings().SetSetting("PrintNotesHigh", "5");
    f.Settings().SetSetting("PrintLeftMargin", "2");
    OpenPageSetup(f, [&](frmPageSetup& d) {
        Click(d, "cmdDefaults");
        QCOMPARE(Child<QComboBox>(d, "cmbNotesWide")->currentText(), QStringLiteral("2"));
        QCOMPARE(Child<QComboBox>(d, "cmbNotesHigh")->currentText(), QStringLiteral("2"));
        QCOMPARE(Box(d, "txtLeftMargin")->text(), QStringLiteral("0.75"));
        QCOMPARE(Box(d, "txtRightMargin")->text(), QStringLiteral("0.75"));
        QCOMPARE(Box(d, "txtTopMargin")->text(), QStringLiteral("0.7"));
        QCOMPARE(Box(d, "txtBottomMargin")->text(), QStringLiteral("0.7"));
        QCOMPARE(d.PrintData().PrintNotesString(), QStringLiteral("1,4"));
        QVERIFY(Child<QPushButton>(d, "cmdApply")->isEnabled());
        Click(d, "cmdDone");
    });
    QCOMPARE(f.Settings().GetSetting("PrintNotesSelectedString"), QStringLiteral("1,4"));
    QCOMPARE(f.Settings().GetSetting("PrintNotesWide"), QStringLiteral("2"));
    QCOMPARE(LeadingReal(f.Settings().GetSetting("PrintLeftMargin")), 0.75);
}

void tst_frmPageSetup::cancelAfterApplyKeepsWhatWasApplied() {
    PrintFixture f;
    f.StartWithNotes(2);
    OpenPageSetup(f, [&](frmPageSetup& d) {
        TypeInto(Box(d, "txtLeftMargin"), "1.5");
        Click(d, "cmdApply");
        QVERIFY(!Child<QPushButton>(d, "cmdApply")->isEnabled());
        QVERIFY(!d.Changed());
        QCOMPARE(LeadingReal(f.Settings().GetSetting("PrintLeftMargin")), 1.5);
        TypeInto(Box(d, "txtLeftMargin"), "2");
        QVERIFY(Child<QPushButton>(d, "cmdApply")->isEnabled());
        Click(d, "cmdCancel");
        QVERIFY(!d.isVisible());
    });
    QCOMPARE(LeadingReal(f.Settings().GetSetting("PrintLeftMargin")), 1.5);
    // Apply saved the file too.
    QVERIFY(FileBytes(f.SettingsFile()).contains("PrintLeftMargin=1.5"));
}

void tst_frmPageSetup::okWithNothingChangedWritesNothing() {
    PrintFixture f;
    f.StartWithNotes(2);
    // Reading a key the file lacks enters it, and the print font keys are written on
    // first use: read everything once so only writes by the window would show.
    clsPrintData read;
    LoadPrintSettings(f.Settings(), read);
    f.Settings().Save();
    const QByteArray before = FileBytes(f.SettingsFile());
    const QString margin = f.Settings().GetSetting("PrintLeftMargin");
    OpenPageSetup(f, [&](frmPageSetup& d) {
        ShowTab(d, 1);
        ShowTab(d, 2);
        Click(d, "cmdDone");
    });
    QCOMPARE(QString::fromUtf8(FileBytes(f.SettingsFile())).split('\n'),
             QString::fromUtf8(before).split('\n'));
    QCOMPARE(f.Settings().GetSetting("PrintLeftMargin"), margin);
    QVERIFY(f.Settings().GetSetting("PrintNotesWide").isEmpty()); // never written
}

void tst_frmPageSetup::escapeCancels() {
    PrintFixture f;
    f.StartWithNotes(2);
    OpenPageSetup(f, [&](frmPageSetup& d) {
        TypeInto(Box(d, "txtTopMargin"), "3");
        QTest::keyClick(Box(d, "txtTopMargin"), Qt::Key_Escape);
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Rejected));
    });
    QVERIFY(LeadingReal(f.Settings().GetSetting("PrintTopMargin")) != 3.0);
}

void tst_frmPageSetup::landscapePaperMakesThePreviewWide() {
    PrintFixture f;
    f.StartWithNotes(2);
    OpenPageSetup(f, [&](frmPageSetup& d) {
        auto* page = Child<QLabel>(d, "picMarginPreview");
        QVERIFY(page->height() > page->width());
        QCOMPARE(page->geometry(), frmPageSetup::MarginPreviewRect(11.0 / 8.5));
        // The person picks landscape paper in the printer dialog.
        f.Host().Printer().setPageOrientation(QPageLayout::Landscape);
        f.services.printerSetupAnswers.enqueue(true);
        Click(d, "cmdPrinterSetup");
        QCOMPARE(f.services.printerSetups, 1);
        QVERIFY(page->width() > page->height());
        QCOMPARE(page->geometry(), frmPageSetup::MarginPreviewRect(8.5 / 11.0));
        QCOMPARE(page->pixmap().size(), page->size());
        Click(d, "cmdCancel");
    });
}

void tst_frmPageSetup::separatorLinesInThePagePreview() {
    PrintFixture f;
    f.StartWithNotes(2);
    OpenPageSetup(f, [&](frmPageSetup& d) {
        auto* page = Child<QLabel>(d, "picMarginPreview");
        const int twoByTwo = DarkPixels(page->pixmap().toImage());
        QVERIFY(twoByTwo > 0);
        // Three columns: one more vertical line.
        auto* wide = Child<QComboBox>(d, "cmbNotesWide");
        wide->setFocus();
        QTest::keyClick(wide, Qt::Key_Down);
        QCOMPARE(d.PrintData().NotesWide, 3);
        QVERIFY(DarkPixels(page->pixmap().toImage()) > twoByTwo);
        QTest::mouseClick(Child<QCheckBox>(d, "chkSeperatorLines"), Qt::LeftButton);
        QCOMPARE(d.PrintData().HideSeperatorLines, 1);
        QCOMPARE(DarkPixels(page->pixmap().toImage()), 0);
        Click(d, "cmdCancel");
    });
}

void tst_frmPageSetup::marginsThatLeaveNoRoomAreShown() {
    PrintFixture f;
    f.StartWithNotes(2);
    OpenPageSetup(f, [&](frmPageSetup& d) {
        auto* warning = Child<QLabel>(d, "lblNoRoom");
        QVERIFY(!warning->isVisible());
        TypeInto(Box(d, "txtLeftMargin"), "4.5");
        QVERIFY(!warning->isVisible()); // 4.5 + 0.75 leaves room on 8.5 inches
        TypeInto(Box(d, "txtRightMargin"), "4");
        QVERIFY(warning->isVisible());
        TypeInto(Box(d, "txtRightMargin"), "1");
        QVERIFY(!warning->isVisible());
        TypeInto(Box(d, "txtTopMargin"), "11");
        QVERIFY(warning->isVisible());
        Click(d, "cmdDone");
    });
    // Printing then refuses with a message instead of sending blank sheets.
    f.Host().RunPrintRoutine();
    QCOMPARE(f.services.messages.size(), 1);
    QVERIFY(f.services.messages[0].text.contains("no room"));
    QVERIFY(!QFile::exists(f.PdfPath()));
}

// A hand-edited grid of millions: the page setup opens at once, shows the stored count and
// says there is no room; printing refuses it like margins that fill the page.
void tst_frmPageSetup::gridsTooFineForThePaperAreShownAndRefused() {
    PrintFixture f;
    f.WriteSetting("PrintNotesWide", "10000000");
    f.StartWithNotes(2);
    OpenPageSetup(f, [&](frmPageSetup& d) {
        QCOMPARE(Child<QComboBox>(d, "cmbNotesWide")->currentText(), QStringLiteral("10000000"));
        QVERIFY(Child<QLabel>(d, "lblNoRoom")->isVisible());
        Click(d, "cmdDone");
    });
    QCOMPARE(f.Settings().GetSetting("PrintNotesWide"), QStringLiteral("10000000"));
    f.Host().RunPrintRoutine();
    QCOMPARE(f.services.messages.size(), 1);
    QVERIFY(f.services.messages[0].text.contains("no room"));
    QVERIFY(!QFile::exists(f.PdfPath()));
}

void tst_frmPageSetup::gridCountsTheListsCannotShow() {
    PrintFixture f;
    f.WriteSetting("PrintNotesWide", "12");
    f.StartWithNotes(2);
    OpenPageSetup(f, [&](frmPageSetup& d) {
        auto* wide = Child<QComboBox>(d, "cmbNotesWide");
        QCOMPARE(wide->currentText(), QStringLiteral("12"));
        QCOMPARE(d.PrintData().NotesWide, 12);
        Click(d, "cmdDone"); // unchanged: nothing written
    });
    QCOMPARE(f.Settings().GetSetting("PrintNotesWide"), QStringLiteral("12"));
    OpenPageSetup(f, [&](frmPageSetup& d) {
        auto* wide = Child<QComboBox>(d, "cmbNotesWide");
        wide->setFocus();
        QTest::keyClick(wide, Qt::Key_Home);
        QCOMPARE(d.PrintData().NotesWide, 1);
        Click(d, "cmdDone");
    });
    QCOMPARE(f.Settings().GetSetting("PrintNotesWide"), QStringLiteral("1"));
}

void tst_frmPageSetup::fontDialog() {
    PrintFixture f;
    f.StartWithNotes(2);
    OpenPageSetup(f, [&](frmPageSetup& d) {
        ShowTab(d, 1);
        auto* caption = Child<QLabel>(d, "lblCurFont");
        // The face the notes are printed in: Tahoma where it is installed.
        const QString tahoma = QFontInfo(QFont(QStringLiteral("Tahoma"))).family();
        QCOMPARE(caption->text(), tahoma + QStringLiteral(" 10 Pt."));
        // Closing the font dialog without choosing changes nothing but marks the dialog.
        Click(d, "cmdFont");
        QCOMPARE(f.services.fontDialogs.size(), 1);
        QCOMPARE(f.services.fontDialogs[0].family(), QStringLiteral("Tahoma"));
        QCOMPARE(caption->text(), tahoma + QStringLiteral(" 10 Pt."));
        QVERIFY(Child<QPushButton>(d, "cmdApply")->isEnabled());

        QFont chosen(QStringLiteral("Courier"));
        chosen.setPointSizeF(12);
        chosen.setBold(true);
        chosen.setUnderline(true);
        f.services.fontAnswers.enqueue(chosen);
        Click(d, "cmdFont");
        QCOMPARE(caption->text(),
                 QFontInfo(chosen).family() + QStringLiteral(" 12 Pt. Bold Underline"));
        Click(d, "cmdDone");
    });
    QCOMPARE(f.Settings().GetSetting("PrintFontName"), QStringLiteral("Courier"));
    QCOMPARE(f.Settings().GetSetting("PrintFontSize"), QStringLiteral("12"));
    QCOMPARE(f.Settings().GetSetting("PrintFontBold"), QStringLiteral("True"));
    QCOMPARE(f.Settings().GetSetting("PrintFontUnderLine"), QStringLiteral("True"));
    QCOMPARE(f.Settings().GetSetting("PrintFontItalic"), QStringLiteral("False"));
}

// Font... then OK without touching anything: the stored font stays as it was, even when
// its face is not installed and the chooser showed another.
void tst_frmPageSetup::fontDialogClosedWithOkStoresNothingNew() {
    PrintFixture f;
    f.WriteSetting("PrintFontName", "No Such Face Sans");
    f.WriteSetting("PrintFontSize", "11");
    f.StartWithNotes(2);
    const QString drawn = QFontInfo(QFont(QStringLiteral("No Such Face Sans"))).family();
    OpenPageSetup(f, [&](frmPageSetup& d) {
        ShowTab(d, 1);
        auto* caption = Child<QLabel>(d, "lblCurFont");
        QCOMPARE(caption->text(), drawn + QStringLiteral(" 11 Pt."));
        QVERIFY(caption->toolTip().contains(QStringLiteral("No Such Face Sans is not installed")));
        // The chooser opens at the stored font and is closed with OK as it opened.
        f.services.fontScripts.enqueue([](const QFont& given) { return given; });
        Click(d, "cmdFont");
        QCOMPARE(f.services.fontDialogs.size(), 1);
        QCOMPARE(f.services.fontDialogs[0].family(), QStringLiteral("No Such Face Sans"));
        QCOMPARE(f.services.fontDialogs[0].pointSizeF(), 11.0);
        QVERIFY(!f.services.fontDialogs[0].italic());
        QCOMPARE(caption->text(), drawn + QStringLiteral(" 11 Pt."));
        Click(d, "cmdDone");
    });
    QCOMPARE(f.Settings().GetSetting("PrintFontName"), QStringLiteral("No Such Face Sans"));
    QCOMPARE(LeadingReal(f.Settings().GetSetting("PrintFontSize")), 11.0);
    QVERIFY(!f.Settings().GetFlag(Config::PrintFontItalic));
    QVERIFY(!f.Settings().GetFlag(Config::PrintFontBold));
}

void tst_frmPageSetup::paperIsKeptAcrossStarts_data() {
    QTest::addColumn<int>("paper");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QString>("stored");
    QTest::newRow("Letter landscape")
        << int(QPageSize::Letter) << int(QPageLayout::Landscape) << "Letter";
    QTest::newRow("A5 portrait") << int(QPageSize::A5) << int(QPageLayout::Portrait) << "A5";
    QTest::newRow("Legal landscape")
        << int(QPageSize::Legal) << int(QPageLayout::Landscape) << "Legal";
}

// Paper and orientation chosen with Printer survive a restart of the program: the new
// window's printer, its page preview and the print preview use them.
void tst_frmPageSetup::paperIsKeptAcrossStarts() {
    QFETCH(int, paper);
    QFETCH(int, orientation);
    QFETCH(QString, stored);
    const auto size = QPageSize::PageSizeId(paper);
    const auto turn = QPageLayout::Orientation(orientation);
    PrintFixture f;
    f.StartWithNotes(2);
    OpenPageSetup(f, [&](frmPageSetup& d) {
        f.services.printerSetupScripts.enqueue([&](QPrinter* printer) {
            printer->setPageSize(QPageSize(size));
            printer->setPageOrientation(turn);
            return true;
        });
        Click(d, "cmdPrinterSetup");
        QVERIFY(Child<QPushButton>(d, "cmdApply")->isEnabled());
        Click(d, "cmdDone");
    });
    QCOMPARE(f.Settings().GetSetting("PrintPaperSize"), stored);
    QCOMPARE(f.Settings().GetSetting("PrintOrientation"), turn == QPageLayout::Landscape
                                                              ? QStringLiteral("Landscape")
                                                              : QStringLiteral("Portrait"));

    RegisterPrintWindows(f.Restart());
    const QPageLayout layout = f.Host().Printer().pageLayout();
    QCOMPARE(layout.pageSize().id(), size);
    QCOMPARE(layout.orientation(), turn);
    const QSizeF inches = QPageSize(size).size(QPageSize::Inch);
    OpenPageSetup(f, [&](frmPageSetup& d) {
        const double r = turn == QPageLayout::Landscape ? inches.width() / inches.height()
                                                        : inches.height() / inches.width();
        QCOMPARE(Child<QLabel>(d, "picMarginPreview")->geometry(),
                 frmPageSetup::MarginPreviewRect(r));
        Click(d, "cmdCancel");
    });
    // The print dialog opens on the same paper.
    QPageLayout inDialog;
    f.services.printDialogAnswers.enqueue([&](QPrinter* printer) {
        inDialog = printer->pageLayout();
        return false;
    });
    f.Host().PrintNotes(&f.Host().Printer());
    QCOMPARE(inDialog.pageSize().id(), size);
    QCOMPARE(inDialog.orientation(), turn);
}

void tst_frmPageSetup::paperChosenThenCancelledIsDropped() {
    PrintFixture f;
    f.StartWithNotes(2);
    OpenPageSetup(f, [&](frmPageSetup& d) {
        f.services.printerSetupScripts.enqueue([](QPrinter* printer) {
            printer->setPageSize(QPageSize(QPageSize::A5));
            printer->setPageOrientation(QPageLayout::Landscape);
            return true;
        });
        Click(d, "cmdPrinterSetup");
        QCOMPARE(f.Host().Printer().pageLayout().orientation(), QPageLayout::Landscape);
        Click(d, "cmdCancel");
    });
    // The fixture's Letter portrait again, and the paper not stored.
    QCOMPARE(f.Host().Printer().pageLayout().pageSize().id(), QPageSize::Letter);
    QCOMPARE(f.Host().Printer().pageLayout().orientation(), QPageLayout::Portrait);
    const QByteArray after = FileBytes(f.SettingsFile());
    QVERIFY(!after.contains("PrintPaperSize=A5"));
    QVERIFY(!after.contains("PrintOrientation=Landscape"));
}

// A printer that has gone and a paper nobody knows: the default printer and paper, and
// no message.
void tst_frmPageSetup::storedPaperThatIsGoneFallsBack() {
    PrintFixture f;
    f.WriteSetting("PrintPaperSize", "Quarto Royal 17");
    f.WriteSetting("PrintOrientation", "Landscape");
    f.WriteSetting("PrintPrinterName", "Printer That Was Removed");
    WritePictureDatabase(f.UserFile("ann", "Ann"), 2);
    f.WriteUsers({{7, "Ann", "ann"}});
    RegisterPrintWindows(f.Start());
    QPrinter& printer = f.Host().Printer();
    QCOMPARE(printer.pageLayout().pageSize().id(), PaperSettings::DefaultSize().id());
    QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Landscape);
    QCOMPARE(printer.printerName(), QPrinter().printerName());
    QVERIFY(f.services.messages.isEmpty());
}

void tst_frmPageSetup::ctrlTabTurnsTheTabsFromAnyControl_data() {
    QTest::addColumn<QString>("from");
    QTest::newRow("a margin box") << "txtLeftMargin";
    QTest::newRow("the OK button") << "cmdDone";
    QTest::newRow("the Printer button") << "cmdPrinterSetup";
    QTest::newRow("the tab bar") << "";
}

void tst_frmPageSetup::ctrlTabTurnsTheTabsFromAnyControl() {
    QFETCH(QString, from);
    PrintFixture f;
    f.StartWithNotes(2);
    OpenPageSetup(f, [&](frmPageSetup& d) {
        auto* tabs = Child<QTabWidget>(d, "tabPrintOptions");
        QWidget* focus =
            from.isEmpty() ? static_cast<QWidget*>(tabs->tabBar()) : d.findChild<QWidget*>(from);
        QVERIFY(focus);
        focus->setFocus();
        QApplication::processEvents();
        QCOMPARE(tabs->currentIndex(), 0);
        const int expected[] = {1, 2, 0};
        for (int step : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
            QCOMPARE(tabs->currentIndex(), step);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab,
                        Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(tabs->currentIndex(), 2);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab,
                        Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(tabs->currentIndex(), 1);
        Click(d, "cmdCancel");
    });
}

void tst_frmPageSetup::tabVisitsTheControlsInReadingOrder_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<QStringList>("order");
    const QStringList buttons = {"cmdDefaults", "cmdPrinterSetup", "cmdDone", "cmdCancel"};
    QTest::newRow("Layout") << 0
                            << (QStringList{"cmbNotesWide", "cmbNotesHigh", "chkSeperatorLines",
                                            "txtLeftMargin", "txtRightMargin", "txtTopMargin",
                                            "txtBottomMargin"} +
                                buttons);
    QTest::newRow("Note Details") << 1
                                  << (QStringList{"txtBitmapSize", "txtGrafitiSize", "chkClip",
                                                  "chkScaleBitmaps", "chkScaleText",
                                                  "txtMinPointSize", "chkAutosize", "cmdFont"} +
                                      buttons);
    QTest::newRow("Header / Footer")
        << 2
        << (QStringList{"cmbHeaderLeft", "cmbHeaderCenter", "cmbHeaderRight", "chkHideHeader",
                        "txtHeaderHeight", "cmbFooterLeft", "cmbFooterCenter", "cmbFooterRight",
                        "chkHideFooter", "txtFooterHeight"} +
            buttons);
}

// From the tab bar, Tab walks the panel shown top to bottom, then the buttons left to right
// (Apply is left out while it is disabled).
void tst_frmPageSetup::tabVisitsTheControlsInReadingOrder() {
    QFETCH(int, tab);
    QFETCH(QStringList, order);
    PrintFixture f;
    f.StartWithNotes(2);
    OpenPageSetup(f, [&](frmPageSetup& d) {
        ShowTab(d, tab);
        auto* tabs = Child<QTabWidget>(d, "tabPrintOptions");
        tabs->tabBar()->setFocus();
        QApplication::processEvents();
        QStringList visited;
        for (int i = 0; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, order);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), tabs->tabBar());
        Click(d, "cmdCancel");
    });
}

// A long date and time in a narrow slot: shown from its beginning up to "...", the whole
// text in the tooltip; the same text shows whole when there is room.
void tst_frmPageSetup::longDatesInTheSlotPreviewsShowTheirBeginning() {
    PrintFixture f;
    f.WriteSetting("PrintHeaderLeftOption", "4");
    f.WriteSetting("PrintHeaderCenterOption", "4");
    f.WriteSetting("PrintHeaderRightOption", "4");
    f.services.clock = QDateTime(QDate(2026, 9, 30), QTime(1, 3, 57), Qt::UTC);
    f.StartWithNotes(2);
    const QString whole = GetHeaderFooterText(4, "x", "y", "Ann", f.services.clock);
    QVERIFY(whole.contains(QStringLiteral("2026")));
    OpenPageSetup(f, [&](frmPageSetup& d) {
        ShowTab(d, 2);
        d.resize(d.minimumSizeHint());
        QApplication::processEvents();
        for (const char* name : {"lblHeaderPreview0", "lblHeaderPreview1", "lblHeaderPreview2"}) {
            auto* label = d.findChild<ctlElidedLabel*>(QString::fromLatin1(name));
            QVERIFY(label);
            QCOMPARE(label->text(), whole);
            const QString shown = label->ShownText();
            QVERIFY2(shown != whole, qPrintable(shown)); // too narrow for the whole text
            QVERIFY(shown.endsWith(QChar(0x2026)));
            QVERIFY(whole.startsWith(shown.chopped(1)));
            QVERIFY(shown.size() > 3);
            QCOMPARE(label->toolTip(), whole);
            // What is painted: the beginning, from the label's left.
            QImage drawn = label->grab().toImage();
            int firstInk = -1;
            for (int x = 2; x < drawn.width() - 2 && firstInk < 0; ++x)
                for (int y = 2; y < drawn.height() - 2; ++y)
                    if (qGray(drawn.pixel(x, y)) < 100) {
                        firstInk = x;
                        break;
                    }
            QVERIFY(firstInk >= 0 && firstInk < drawn.width() / 4);
        }
        d.resize(d.width() + 3 * label0Width(d, whole), d.height());
        QApplication::processEvents();
        auto* right = d.findChild<ctlElidedLabel*>(QStringLiteral("lblHeaderPreview2"));
        QCOMPARE(right->ShownText(), whole);
        QVERIFY(right->toolTip().isEmpty());
        Click(d, "cmdCancel");
    });
}

QTEST_MAIN(tst_frmPageSetup)
#include "tst_frmPageSetup.moc"
