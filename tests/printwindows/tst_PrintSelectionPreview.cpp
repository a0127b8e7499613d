// SPDX-License-Identifier: GPL-3.0-or-later
// The print selection and print preview windows, every way in from the main window, and
// printing: the preview paints what the printer gets.
#include "PrintWindowsTestKit.h"

#include "core/clsSettings.h"
#include "draw/ctlScrollablePicBox.h"
#include "mainwindow/MainLayout.h"
#include "print/PrintSettings.h"
#include "printwindows/frmPageSetup.h"
#include "printwindows/frmPrintPreview.h"
#include "printwindows/frmPrintSelection.h"
#include "support/RequiredTools.h"

#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QProcess>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyleOptionComboBox>
#include <QToolBar>
#include <QWheelEvent>

using namespace quillary;
using namespace quillary::test;

namespace {

QString Selected(PrintFixture& f) {
    return f.Settings().GetSetting(QStringLiteral("PrintNotesSelectedString"));
}

// Clicks list entry row with the given keys held, as a hand does.
void ClickRow(QListWidget* list, int row, Qt::KeyboardModifiers keys = {}) {
    list->scrollToItem(list->item(row));
    const QRect r = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, keys, r.center());
}

// Runs the Print command from the File menu; the selection window gets script.
void OpenSelection(PrintFixture& f, std::function<void(frmPrintSelection&)> script) {
    bool ran = false;
    // First in the queue: windows it opens take the scripts queued before.
    f.services.dialogScripts.prepend([&ran, script](QDialog& d) {
        ran = true;
        auto* selection = qobject_cast<frmPrintSelection*>(&d);
        QVERIFY(selection);
        Activate(d);
        script(*selection);
    });
    f.Window().Commands().Action(QStringLiteral("mnuPrint"))->trigger();
    QVERIFY(ran);
}

// Queues a script for the preview window that comes next.
void ThenPreview(PrintFixture& f, std::function<void(frmPrintPreview&)> script) {
    f.Then([script](QDialog& d) {
        auto* preview = qobject_cast<frmPrintPreview*>(&d);
        QVERIFY(preview);
        Activate(d);
        script(*preview);
    });
}

// Selects rows (Ctrl+click each after the first) and chooses Preview.
void SelectAndPreview(PrintFixture& f, const QList<int>& rows,
                      std::function<void(frmPrintPreview&)> script) {
    ThenPreview(f, std::move(script));
    OpenSelection(f, [&](frmPrintSelection& d) {
        for (int i = 0; i < rows.size(); ++i)
            ClickRow(d.NoteList(), rows[i], i == 0 ? Qt::NoModifier : Qt::ControlModifier);
        Click(d, "cmdPreview");
    });
}

QLineEdit* PageBox(frmPrintPreview& d) {
    return Child<QLineEdit>(d, "txtPageNum");
}

void Wheel(QWidget* target, int delta, Qt::KeyboardModifiers keys) {
    const QPointF at(20, 20);
    QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, keys,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
}

QString RunTool(const QString& tool, const QStringList& args) {
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(30000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class tst_PrintSelectionPreview : public QObject {
    Q_OBJECT
private slots:
    void everyWayInOpensTheSelection_data();
    void everyWayInOpensTheSelection();
    void selectionListMirrorsTheNotes();
    void ctrlAndShiftClicksStoreThePositions_data();
    void ctrlAndShiftClicksStoreThePositions();
    void cancelAndEscapeStoreNothing();
    void nothingSelectedAsksForNotes();
    void windowsFollowTheirSize_data();
    void windowsFollowTheirSize();
    void setupOpensOnTopOfTheSelection();
    void printPrintsTheSelectedNotes();
    void cancelledPrintDialogPrintsNothing();
    void previewPageBox_data();
    void previewPageBox();
    void pageKeysAndCtrlWheel();
    void zoomLevels_data();
    void zoomLevels();
    void pointInThePageBox_data();
    void pointInThePageBox();
    void fitPageAndFitWidthFollowTheWindow_data();
    void fitPageAndFitWidthFollowTheWindow();
    void fittedPageFollowsANewPaper();
    void previewRemembersSizePlaceAndScale();
    void rememberedSizeIsKeptOnTheScreen();
    void tabVisitsThePreviewInReadingOrder();
    void controlsShowWholeAtTheFirstSize_data();
    void controlsShowWholeAtTheFirstSize();
    void setupFromPreviewRedrawsTheShownPage_data();
    void setupFromPreviewRedrawsTheShownPage();
    void previewPaintsWhatThePrinterGets_data();
    void previewPaintsWhatThePrinterGets();
    void printFromPreviewPrintsTheNotesShown();
    void printedSheetLooksLikeThePreview();
    void staleSelectionShowsOnlyExistingNotes();
    void progressBarWhileDrawing();
};

void tst_PrintSelectionPreview::everyWayInOpensTheSelection_data() {
    QTest::addColumn<QString>("way");
    QTest::newRow("menu") << "menu";
    QTest::newRow("Ctrl+P") << "shortcut";
    QTest::newRow("toolbar") << "toolbar";
}

void tst_PrintSelectionPreview::everyWayInOpensTheSelection() {
    QFETCH(QString, way);
    PrintFixture f;
    frmMain& w = f.StartWithNotes(3);
    bool ran = false;
    f.Then([&](QDialog& d) {
        ran = true;
        QCOMPARE(d.windowTitle(), QStringLiteral("Select Records to Print"));
        Click(d, "cmdCancel");
    });
    if (way == "menu") {
        w.Commands().Action(QStringLiteral("mnuPrint"))->trigger();
    } else if (way == "shortcut") {
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_P, Qt::ControlModifier);
    } else {
        QToolBar* bar = w.Commands().MainToolBar();
        QAction* print = w.Commands().Action(QStringLiteral("mnuPrint"));
        QWidget* button = nullptr;
        for (QAction* a : bar->actions())
            if (a == print || a->text().contains(QStringLiteral("Print")))
                button = bar->widgetForAction(a);
        if (button)
            QTest::mouseClick(button, Qt::LeftButton);
        else
            w.Commands().RunToolbarTag(QStringLiteral("Print"));
    }
    QTRY_VERIFY(ran);
    QCOMPARE(f.services.dialogsShown, QStringList{QStringLiteral("frmPrintSelection")});
    QVERIFY(f.services.messages.isEmpty()); // no "not available"
}

void tst_PrintSelectionPreview::selectionListMirrorsTheNotes() {
    PrintFixture f;
    frmMain& w = f.StartWithNotes(4);
    OpenSelection(f, [&](frmPrintSelection& d) {
        QListWidget* list = d.NoteList();
        QCOMPARE(list->count(), w.NoteSelector()->count());
        for (int i = 0; i < list->count(); ++i) {
            QCOMPARE(list->item(i)->text(), w.NoteSelector()->itemText(i));
            QCOMPARE(list->item(i)->data(Qt::UserRole), w.NoteSelector()->itemData(i));
        }
        QCOMPARE(list->selectedItems().size(), 1);
        QVERIFY(list->item(0)->isSelected());
        QCOMPARE(d.SelectionString(), QStringLiteral("0"));
        Click(d, "cmdSelectAll");
        QCOMPARE(d.SelectionString(), QStringLiteral("0,1,2,3"));
        Click(d, "cmdCancel");
    });
    // Opening again starts with the first note alone, whatever was chosen before.
    OpenSelection(f, [&](frmPrintSelection& d) {
        QCOMPARE(d.SelectionString(), QStringLiteral("0"));
        Click(d, "cmdCancel");
    });
}

void tst_PrintSelectionPreview::ctrlAndShiftClicksStoreThePositions_data() {
    QTest::addColumn<QList<int>>("ctrlRows"); // clicked with Ctrl, after a plain click
    QTest::addColumn<int>("shiftRow");        // -1: none
    QTest::addColumn<QString>("stored");
    QTest::newRow("second and fifth") << QList<int>{1, 4} << -1 << "1,4";
    QTest::newRow("one note") << QList<int>{2} << -1 << "2";
    QTest::newRow("Ctrl+click takes one away") << QList<int>{0, 3, 5, 3} << -1 << "0,5";
    QTest::newRow("Shift+click a range") << QList<int>{1} << 4 << "1,2,3,4";
    QTest::newRow("range upwards") << QList<int>{5} << 2 << "2,3,4,5";
}

void tst_PrintSelectionPreview::ctrlAndShiftClicksStoreThePositions() {
    QFETCH(QList<int>, ctrlRows);
    QFETCH(int, shiftRow);
    QFETCH(QString, stored);
    PrintFixture f;
    f.StartWithNotes(7);
    bool previewed = false;
    ThenPreview(f, [&](frmPrintPreview& d) {
        previewed = true;
        QCOMPARE(d.windowTitle(), QStringLiteral("Quillary - Print Preview"));
        QCOMPARE(d.PrintData().PrintNotesString(), stored);
        Click(d, "cmdCancel");
    });
    OpenSelection(f, [&](frmPrintSelection& d) {
        for (int i = 0; i < ctrlRows.size(); ++i)
            ClickRow(d.NoteList(), ctrlRows[i], i == 0 ? Qt::NoModifier : Qt::ControlModifier);
        if (shiftRow >= 0)
            ClickRow(d.NoteList(), shiftRow, Qt::ShiftModifier);
        Click(d, "cmdPreview");
        QVERIFY(!d.isVisible());
    });
    QVERIFY(previewed);
    QCOMPARE(Selected(f), stored);
}

void tst_PrintSelectionPreview::cancelAndEscapeStoreNothing() {
    PrintFixture f;
    f.StartWithNotes(4);
    f.Settings().SetSetting("PrintNotesSelectedString", "3");
    OpenSelection(f, [&](frmPrintSelection& d) {
        Click(d, "cmdSelectAll");
        Click(d, "cmdCancel");
    });
    QCOMPARE(Selected(f), QStringLiteral("3"));
    OpenSelection(f, [&](frmPrintSelection& d) {
        Click(d, "cmdSelectAll");
        QTest::keyClick(d.NoteList(), Qt::Key_Escape);
        QVERIFY(!d.isVisible());
    });
    QCOMPARE(Selected(f), QStringLiteral("3"));
    QCOMPARE(f.services.dialogsShown.size(), 2); // no preview
    QVERIFY(!QFile::exists(f.PdfPath()));
}

void tst_PrintSelectionPreview::nothingSelectedAsksForNotes() {
    PrintFixture f;
    f.StartWithNotes(3);
    OpenSelection(f, [&](frmPrintSelection& d) {
        ClickRow(d.NoteList(), 0, Qt::ControlModifier); // takes the first away
        QCOMPARE(d.SelectionString(), QString());
        Click(d, "cmdPrint");
        QCOMPARE(f.services.messages.size(), 1);
        QVERIFY(d.isVisible()); // the person can still choose
        Click(d, "cmdPreview");
        QCOMPARE(f.services.messages.size(), 2);
        Click(d, "cmdCancel");
    });
    QCOMPARE(f.services.dialogsShown, QStringList{QStringLiteral("frmPrintSelection")});
    QVERIFY(!QFile::exists(f.PdfPath()));
}

void tst_PrintSelectionPreview::windowsFollowTheirSize_data() {
    QTest::addColumn<bool>("preview");
    QTest::addColumn<QSize>("size");
    QTest::newRow("selection, opening size") << false << QSize();
    QTest::newRow("selection, large") << false << QSize(900, 700);
    QTest::newRow("selection, too small") << false << QSize(50, 40);
    QTest::newRow("preview, opening size") << true << QSize();
    QTest::newRow("preview, large") << true << QSize(1000, 800);
    QTest::newRow("preview, too small") << true << QSize(50, 40);
}

void tst_PrintSelectionPreview::windowsFollowTheirSize() {
    QFETCH(bool, preview);
    QFETCH(QSize, size);
    PrintFixture f;
    f.StartWithNotes(3);
    auto check = [&](QDialog& d) {
        // Opening sizes: 6000 x 4100 and 6780 x 5415 twips; never below 5175 x 3660 and
        // 4780 x 3100 twips.
        const QSize opening = preview ? QSize(452, 361) : QSize(400, 273);
        const QSize least = preview ? QSize(319, 207) : QSize(345, 244);
        if (size.isValid())
            d.resize(size);
        QApplication::processEvents();
        QVERIFY(d.width() >= least.width() && d.height() >= least.height());
        if (!size.isValid())
            QVERIFY(d.width() >= opening.width() && d.height() >= opening.height());
        QWidget* main = preview ? static_cast<QWidget*>(Child<QWidget>(d, "picPrintPreview"))
                                : Child<QWidget>(d, "lstNotes");
        QWidget* buttons = Child<QWidget>(d, "picButtons");
        // The list or page takes the window's width; the buttons sit below it, at the right,
        // all of them inside the window.
        QVERIFY(d.width() - main->width() <= 16);
        QVERIFY(buttons->geometry().top() >= main->geometry().bottom());
        QVERIFY(d.rect().contains(buttons->geometry()));
        QVERIFY(d.width() - buttons->geometry().right() <= 16);
        QVERIFY(d.height() - buttons->geometry().bottom() <= 16);
        Click(d, "cmdCancel");
    };
    if (preview) {
        f.Then(check);
        f.Host().ShowPrintPreview();
    } else {
        OpenSelection(f, [&](frmPrintSelection& d) { check(d); });
    }
}

void tst_PrintSelectionPreview::setupOpensOnTopOfTheSelection() {
    PrintFixture f;
    f.StartWithNotes(5);
    f.AnswerPrintDialog();
    OpenSelection(f, [&](frmPrintSelection& d) {
        ClickRow(d.NoteList(), 2);
        f.Then([&](QDialog& setup) {
            QCOMPARE(setup.objectName(), QStringLiteral("frmPageSetup"));
            QCOMPARE(setup.parentWidget(), &d);
            Activate(setup);
            TypeInto(Child<QLineEdit>(setup, "txtTopMargin"), "1.25");
            Click(setup, "cmdDone");
        });
        Click(d, "cmdPageSetup");
        QVERIFY(d.isVisible());
        QCOMPARE(d.SelectionString(), QStringLiteral("2"));
        Click(d, "cmdPrint");
    });
    QCOMPARE(LeadingReal(f.Settings().GetSetting("PrintTopMargin")), 1.25);
    QCOMPARE(Selected(f), QStringLiteral("2"));
    QVERIFY(QFile::exists(f.PdfPath()));
}

void tst_PrintSelectionPreview::printPrintsTheSelectedNotes() {
    PrintFixture f;
    f.StartWithNotes(7);
    f.AnswerPrintDialog();
    OpenSelection(f, [&](frmPrintSelection& d) {
        ClickRow(d.NoteList(), 1);
        for (int row : {2, 4, 5, 6})
            ClickRow(d.NoteList(), row, Qt::ControlModifier);
        Click(d, "cmdPrint");
    });
    QCOMPARE(Selected(f), QStringLiteral("1,2,4,5,6"));
    QVERIFY(QFile::exists(f.PdfPath()));
    QVERIFY(f.services.messages.isEmpty());
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        QUILLARY_REQUIRE_OR_SKIP("pdftotext (poppler-utils) is not installed");
    const QString text = RunTool("pdftotext", {f.PdfPath(), "-"});
    for (const char* note : {"Note 2", "Note 3", "Note 5", "Note 6", "Note 7"})
        QVERIFY2(text.contains(QString::fromLatin1(note)), note);
    for (const char* note : {"Note 1\n", "Note 4"})
        QVERIFY2(!text.contains(QString::fromLatin1(note)), note);
    QVERIFY(RunTool("pdfinfo", {f.PdfPath()}).contains(QRegularExpression("Pages:\\s+2\\b")));
}

void tst_PrintSelectionPreview::cancelledPrintDialogPrintsNothing() {
    PrintFixture f;
    f.StartWithNotes(3);
    OpenSelection(f, [&](frmPrintSelection& d) { Click(d, "cmdPrint"); });
    QCOMPARE(f.services.printDialogs, 1);
    QVERIFY(!QFile::exists(f.PdfPath()));
    QVERIFY(f.services.messages.isEmpty());
    QCOMPARE(Selected(f), QStringLiteral("0"));
}

void tst_PrintSelectionPreview::previewPageBox_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("page");
    QTest::newRow("2") << "2"
                       << "2" << 2;
    QTest::newRow("7 beyond the last") << "7"
                                       << "2" << 2;
    QTest::newRow("0 before the first") << "0"
                                        << "1" << 1;
    QTest::newRow("1.5 rounds") << "1.5"
                                << "2" << 2;
    QTest::newRow("abc") << "abc"
                         << "1" << 1;
    QTest::newRow("12 typed") << "12"
                              << "2" << 2;
}

void tst_PrintSelectionPreview::previewPageBox() {
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(int, page);
    PrintFixture f;
    f.StartWithNotes(6);
    SelectAndPreview(f, {0, 1, 2, 3, 4}, [&](frmPrintPreview& d) {
        QCOMPARE(PageBox(d)->text(), QStringLiteral("1"));
        QCOMPARE(d.PageShown(), 1);
        QCOMPARE(Child<QLabel>(d, "lblPageCount")->text(), QStringLiteral("of 2"));
        // Clicking into the box selects its number, so typing replaces it.
        QTest::mouseClick(PageBox(d), Qt::LeftButton);
        QTRY_COMPARE(PageBox(d)->selectedText(), QStringLiteral("1"));
        QTest::keyClicks(PageBox(d), typed);
        QCOMPARE(PageBox(d)->text(), text);
        QCOMPARE(d.PageShown(), page);
        // Emptying the box and leaving it shows the page again.
        PageBox(d)->selectAll();
        QTest::keyClick(PageBox(d), Qt::Key_Backspace);
        QCOMPARE(d.PageShown(), page);
        QTest::keyClick(PageBox(d), Qt::Key_Return);
        QCOMPARE(PageBox(d)->text(), QString::number(page));
        Click(d, "cmdCancel");
    });
}

void tst_PrintSelectionPreview::pageKeysAndCtrlWheel() {
    PrintFixture f;
    f.StartWithNotes(12);
    SelectAndPreview(f, {0, 1, 2, 3, 4, 5, 6, 7, 8}, [&](frmPrintPreview& d) {
        QCOMPARE(Child<QLabel>(d, "lblPageCount")->text(), QStringLiteral("of 3"));
        QWidget* box = d.PreviewBox();
        box->setFocus();
        QTest::keyClick(box, Qt::Key_PageDown);
        QCOMPARE(d.PageShown(), 2);
        QTest::keyClick(box, Qt::Key_PageDown);
        QTest::keyClick(box, Qt::Key_PageDown);
        QCOMPARE(d.PageShown(), 3);
        QCOMPARE(PageBox(d)->text(), QStringLiteral("3"));
        // Also from the page box itself.
        PageBox(d)->setFocus();
        QTest::keyClick(PageBox(d), Qt::Key_PageUp);
        QCOMPARE(d.PageShown(), 2);
        QTest::keyClick(PageBox(d), Qt::Key_PageUp);
        QTest::keyClick(PageBox(d), Qt::Key_PageUp);
        QCOMPARE(d.PageShown(), 1);

        auto* zoom = Child<QComboBox>(d, "cmbViewSize");
        QCOMPARE(zoom->currentText(), QStringLiteral("100%"));
        Wheel(d.PreviewBox()->Preview(), 120, Qt::ControlModifier);
        QCOMPARE(zoom->currentText(), QStringLiteral("200%"));
        QCOMPARE(d.PreviewBox()->ScaleFactor(), 2.0);
        Wheel(d.PreviewBox()->Preview(), 120, Qt::ControlModifier);
        QCOMPARE(zoom->currentText(), QStringLiteral("200%"));
        Wheel(d.PreviewBox()->Preview(), -360, Qt::ControlModifier);
        QCOMPARE(zoom->currentText(), QStringLiteral("25%"));
        QCOMPARE(d.PreviewBox()->ScaleFactor(), 0.25);
        QCOMPARE(d.PageShown(), 1);
        // Escape closes the preview.
        QTest::keyClick(d.PreviewBox(), Qt::Key_Escape);
        QVERIFY(!d.isVisible());
    });
    QVERIFY(!QFile::exists(f.PdfPath()));
}

void tst_PrintSelectionPreview::zoomLevels_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<double>("factor");
    QTest::newRow("25%") << 0 << 0.25;
    QTest::newRow("50%") << 1 << 0.5;
    QTest::newRow("100%") << 2 << 1.0;
    QTest::newRow("200%") << 3 << 2.0;
}

void tst_PrintSelectionPreview::zoomLevels() {
    QFETCH(int, position);
    QFETCH(double, factor);
    PrintFixture f;
    f.StartWithNotes(2);
    SelectAndPreview(f, {0}, [&](frmPrintPreview& d) {
        auto* zoom = Child<QComboBox>(d, "cmbViewSize");
        zoom->setFocus();
        QTest::keyClick(zoom, Qt::Key_Home);
        for (int i = 0; i < position; ++i)
            QTest::keyClick(zoom, Qt::Key_Down);
        const QImage& page = d.PreviewBox()->PictureBox();
        // Letter paper at screen resolution.
        QCOMPARE(page.size(), QSize(816, 1056));
        const QSize shown(qRound(816 * factor), qRound(1056 * factor));
        QCOMPARE(d.PreviewBox()->Preview()->size(), shown);
        QCOMPARE(d.PreviewBox()->Preview()->pixmap().size(), shown);
        QCOMPARE(d.PreviewBox()->VerticalBar()->isVisible(),
                 shown.height() > d.PreviewBox()->height());
        Click(d, "cmdCancel");
    });
}

void tst_PrintSelectionPreview::pointInThePageBox_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("page");
    // Three pages: a refused point would turn 1.5 into 15, which shows page 3.
    QTest::newRow("1.5 rounds to 2") << "1.5"
                                     << "2" << 2;
    QTest::newRow("2.4 rounds to 2") << "2.4"
                                     << "2" << 2;
    QTest::newRow("2.6 rounds to 3") << "2.6"
                                     << "3" << 3;
    QTest::newRow("2. then Return") << "2.\r"
                                    << "2" << 2;
}

void tst_PrintSelectionPreview::pointInThePageBox() {
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(int, page);
    PrintFixture f;
    f.StartWithNotes(12);
    SelectAndPreview(f, {0, 1, 2, 3, 4, 5, 6, 7, 8}, [&](frmPrintPreview& d) {
        QCOMPARE(Child<QLabel>(d, "lblPageCount")->text(), QStringLiteral("of 3"));
        QTest::mouseClick(PageBox(d), Qt::LeftButton);
        QTRY_COMPARE(PageBox(d)->selectedText(), QStringLiteral("1"));
        for (QChar c : typed) {
            if (c == QLatin1Char('\r'))
                QTest::keyClick(PageBox(d), Qt::Key_Return);
            else
                QTest::keyClicks(PageBox(d), QString(c));
        }
        QCOMPARE(PageBox(d)->text(), text);
        QCOMPARE(d.PageShown(), page);
        Click(d, "cmdCancel");
    });
}

void tst_PrintSelectionPreview::fitPageAndFitWidthFollowTheWindow_data() {
    QTest::addColumn<QString>("entry");
    QTest::newRow("Fit Page") << "Fit Page";
    QTest::newRow("Fit Width") << "Fit Width";
}

// The fitted scales: the whole page inside the box, or the page's whole width (the
// vertical bar beside it), and again after every resize of the window.
void tst_PrintSelectionPreview::fitPageAndFitWidthFollowTheWindow() {
    QFETCH(QString, entry);
    PrintFixture f;
    f.StartWithNotes(2);
    SelectAndPreview(f, {0}, [&](frmPrintPreview& d) {
        auto* zoom = Child<QComboBox>(d, "cmbViewSize");
        QCOMPARE(zoom->count(), 6);
        zoom->setFocus();
        QTest::keyClick(zoom, Qt::Key_End); // Fit Width, the last entry
        if (entry == QLatin1String("Fit Page"))
            QTest::keyClick(zoom, Qt::Key_Up);
        QCOMPARE(zoom->currentText(), entry);
        ctlScrollablePicBox* box = d.PreviewBox();
        auto check = [&] {
            const QSize shown = box->ScaledSize();
            QCOMPARE(box->Preview()->size(), shown);
            if (entry == QLatin1String("Fit Page")) {
                QVERIFY(shown.width() <= box->width() && shown.height() <= box->height());
                QVERIFY(box->width() - shown.width() <= 2 || box->height() - shown.height() <= 2);
                QVERIFY(!box->VerticalBar()->isVisible());
                QVERIFY(!box->HorizontalBar()->isVisible());
            } else {
                // Letter is taller than wide: the vertical bar takes its strip.
                QVERIFY(box->VerticalBar()->isVisible());
                const int room = box->width() - ctlScrollablePicBox::kBarThickness;
                QVERIFY2(shown.width() <= room && room - shown.width() <= 2,
                         qPrintable(QStringLiteral("%1 of %2").arg(shown.width()).arg(room)));
                QVERIFY(!box->HorizontalBar()->isVisible());
            }
        };
        check();
        const double before = box->ScaleFactor();
        d.resize(d.width() + 200, d.height() + 300);
        QApplication::processEvents();
        check();
        QVERIFY(box->ScaleFactor() > before);
        d.resize(d.minimumSize());
        QApplication::processEvents();
        check();
        // Ctrl+wheel goes on from the nearest percentage.
        Wheel(box->Preview(), 120, Qt::ControlModifier);
        QVERIFY(zoom->currentIndex() >= 0 && zoom->currentIndex() < frmPrintPreview::kFitPage);
        Click(d, "cmdCancel");
    });
}

// Landscape paper chosen through Setup...: the fitted page is fitted again.
void tst_PrintSelectionPreview::fittedPageFollowsANewPaper() {
    PrintFixture f;
    f.StartWithNotes(2);
    SelectAndPreview(f, {0}, [&](frmPrintPreview& d) {
        auto* zoom = Child<QComboBox>(d, "cmbViewSize");
        zoom->setFocus();
        QTest::keyClick(zoom, Qt::Key_End);
        QTest::keyClick(zoom, Qt::Key_Up);
        QCOMPARE(zoom->currentText(), QStringLiteral("Fit Page"));
        f.Then([&](QDialog& setup) {
            f.services.printerSetupScripts.enqueue([](QPrinter* printer) {
                printer->setPageOrientation(QPageLayout::Landscape);
                return true;
            });
            Click(setup, "cmdPrinterSetup");
            Click(setup, "cmdDone");
        });
        Click(d, "cmdMargins");
        ctlScrollablePicBox* box = d.PreviewBox();
        QVERIFY(box->PictureBox().width() > box->PictureBox().height());
        const QSize shown = box->ScaledSize();
        QVERIFY(shown.width() <= box->width() && shown.height() <= box->height());
        QVERIFY(box->width() - shown.width() <= 2 || box->height() - shown.height() <= 2);
        Click(d, "cmdCancel");
    });
}

// The preview opens at 6780 x 5415 twips the first time and, after that, as it was left:
// size, place and Scale.
void tst_PrintSelectionPreview::previewRemembersSizePlaceAndScale() {
    PrintFixture f;
    f.StartWithNotes(2);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QSize size(std::min(700, screen.width()), std::min(520, screen.height()));
    const QPoint place(screen.left() + 10, screen.top() + 20);
    SelectAndPreview(f, {0}, [&](frmPrintPreview& d) {
        QCOMPARE(d.size(), QSize(TwipsToPixels(6780), TwipsToPixels(5415)));
        d.resize(size);
        d.move(place);
        QApplication::processEvents();
        auto* zoom = Child<QComboBox>(d, "cmbViewSize");
        zoom->setFocus();
        QTest::keyClick(zoom, Qt::Key_End);
        QCOMPARE(zoom->currentText(), QStringLiteral("Fit Width"));
        Click(d, "cmdCancel");
    });
    QCOMPARE(f.Settings().GetInt(Config::PrintPreviewWidth), PixelsToTwips(size.width()));
    QCOMPARE(f.Settings().Get(Config::PrintPreviewZoom), QStringLiteral("Fit Width"));
    RegisterPrintWindows(f.Restart());
    SelectAndPreview(f, {0}, [&](frmPrintPreview& d) {
        QCOMPARE(d.size(), size);
        QCOMPARE(d.pos(), place);
        QCOMPARE(Child<QComboBox>(d, "cmbViewSize")->currentText(), QStringLiteral("Fit Width"));
        const int room = d.PreviewBox()->width() - ctlScrollablePicBox::kBarThickness;
        QVERIFY(room - d.PreviewBox()->ScaledSize().width() <= 2);
        Click(d, "cmdCancel");
    });
}

void tst_PrintSelectionPreview::rememberedSizeIsKeptOnTheScreen() {
    PrintFixture f;
    f.WriteSetting("PrintPreviewWidth", "900000");
    f.WriteSetting("PrintPreviewHeight", "700000");
    f.WriteSetting("PrintPreviewLeft", "-60000");
    f.WriteSetting("PrintPreviewTop", "3000000");
    f.WriteSetting("PrintPreviewZoom", "Huge");
    f.StartWithNotes(2);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    SelectAndPreview(f, {0}, [&](frmPrintPreview& d) {
        QVERIFY(screen.contains(QRect(d.pos(), d.size())));
        QCOMPARE(Child<QComboBox>(d, "cmbViewSize")->currentText(), QStringLiteral("100%"));
        Click(d, "cmdCancel");
    });
}

// Tab: the page, Scale, Pg, Print, Setup..., Cancel, and round to the page.
void tst_PrintSelectionPreview::tabVisitsThePreviewInReadingOrder() {
    PrintFixture f;
    f.StartWithNotes(2);
    SelectAndPreview(f, {0}, [&](frmPrintPreview& d) {
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(d.PreviewBox()));
        QStringList visited;
        for (int i = 0; i < 6; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, (QStringList{"cmbViewSize", "txtPageNum", "cmdPrint", "cmdMargins",
                                       "cmdCancel", "picPrintPreview"}));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("cmdCancel"));
        Click(d, "cmdCancel");
    });
}

// At the first opening's small size, and shrunk as far as it goes, each control below the
// page is shown whole: the scale box as wide as its longest choice ("Fit Width"), none cut
// by the window's edge.
void tst_PrintSelectionPreview::controlsShowWholeAtTheFirstSize_data() {
    QTest::addColumn<bool>("smallest");
    QTest::newRow("first size") << false;
    QTest::newRow("smallest") << true;
}

void tst_PrintSelectionPreview::controlsShowWholeAtTheFirstSize() {
    QFETCH(bool, smallest);
    PrintFixture f;
    f.StartWithNotes(2);
    SelectAndPreview(f, {0}, [&](frmPrintPreview& d) {
        if (smallest) {
            d.resize(1, 1);
            QTRY_COMPARE(d.size(), d.minimumSize());
        }
        auto* zoom = d.findChild<QComboBox*>("cmbViewSize");
        QVERIFY(zoom);
        int widest = 0;
        for (int i = 0; i < zoom->count(); ++i)
            widest = std::max(widest, zoom->fontMetrics().horizontalAdvance(zoom->itemText(i)));
        QStyleOptionComboBox option;
        option.initFrom(zoom);
        const QRect text =
            zoom->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                          QStyle::SC_ComboBoxEditField, zoom);
        QVERIFY2(text.width() >= widest,
                 qPrintable(QStringLiteral("%1 < %2").arg(text.width()).arg(widest)));
        for (QWidget* c : d.findChild<QWidget*>("picButtons")->findChildren<QWidget*>()) {
            if (!c->isVisible() || c->parentWidget()->objectName() != "picButtons")
                continue;
            const QRect r(c->mapTo(&d, QPoint(0, 0)), c->size());
            QVERIFY2(d.rect().contains(r), qPrintable(c->objectName()));
            QString caption;
            int padding = 0; // a button's caption needs room from its frame
            if (auto* b = qobject_cast<QAbstractButton*>(c)) {
                caption = b->text();
                padding = 8;
            } else if (auto* l = qobject_cast<QLabel*>(c)) {
                caption = l->text();
            }
            caption.remove('&');
            QVERIFY2(c->width() >= c->fontMetrics().horizontalAdvance(caption) + padding,
                     qPrintable(c->objectName() + ": " + caption));
        }
        Click(d, "cmdCancel");
    });
}

void tst_PrintSelectionPreview::setupFromPreviewRedrawsTheShownPage_data() {
    QTest::addColumn<int>("wide");
    QTest::addColumn<int>("high");
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("pageAfter");
    QTest::newRow("1 x 1 keeps page 2") << 1 << 1 << 5 << 2;
    QTest::newRow("3 x 3 lowers page 2 to 1") << 3 << 3 << 1 << 1;
}

void tst_PrintSelectionPreview::setupFromPreviewRedrawsTheShownPage() {
    QFETCH(int, wide);
    QFETCH(int, high);
    QFETCH(int, pages);
    QFETCH(int, pageAfter);
    PrintFixture f;
    f.StartWithNotes(6);
    SelectAndPreview(f, {0, 1, 2, 3, 4}, [&](frmPrintPreview& d) {
        QTest::keyClick(d.PreviewBox(), Qt::Key_PageDown);
        QCOMPARE(d.PageShown(), 2);
        const QImage before = d.PreviewBox()->PictureBox().copy();
        f.Then([&](QDialog& setup) {
            QCOMPARE(setup.parentWidget(), &d);
            Activate(setup);
            for (auto [name, count] : {std::pair{"cmbNotesWide", wide}, {"cmbNotesHigh", high}}) {
                auto* list = Child<QComboBox>(setup, name);
                list->setFocus();
                QTest::keyClick(list, Qt::Key_Home);
                for (int i = 1; i < count; ++i)
                    QTest::keyClick(list, Qt::Key_Down);
            }
            Click(setup, "cmdDone");
        });
        Click(d, "cmdMargins");
        QVERIFY(d.isVisible());
        QCOMPARE(d.PrintData().NotesWide, wide);
        QCOMPARE(Child<QLabel>(d, "lblPageCount")->text(), QStringLiteral("of %1").arg(pages));
        QCOMPARE(d.PageShown(), pageAfter);
        QCOMPARE(PageBox(d)->text(), QString::number(pageAfter));
        QVERIFY(d.PreviewBox()->PictureBox() != before);
        // What is shown is that page painted with the new layout.
        clsPrintData expected;
        f.Host().LoadPrintData(expected);
        QImage reference(before.size(), QImage::Format_RGB32);
        frmPrintPreview::Measure(expected, reference);
        frmPrintPreview::PaintPage(expected, reference, pageAfter);
        QCOMPARE(d.PreviewBox()->PictureBox(), reference);
        Click(d, "cmdCancel");
    });
}

void tst_PrintSelectionPreview::previewPaintsWhatThePrinterGets_data() {
    QTest::addColumn<QPageSize::PageSizeId>("paper");
    QTest::addColumn<QPageLayout::Orientation>("orientation");
    QTest::addColumn<QSize>("pagePixels");
    QTest::newRow("letter portrait")
        << QPageSize::Letter << QPageLayout::Portrait << QSize(816, 1056);
    QTest::newRow("A4 landscape") << QPageSize::A4 << QPageLayout::Landscape << QSize(1123, 793);
}

void tst_PrintSelectionPreview::previewPaintsWhatThePrinterGets() {
    QFETCH(QPageSize::PageSizeId, paper);
    QFETCH(QPageLayout::Orientation, orientation);
    QFETCH(QSize, pagePixels);
    PrintFixture f;
    f.StartWithNotes(7);
    f.Host().Printer().setPageSize(QPageSize(paper));
    f.Host().Printer().setPageOrientation(orientation);
    f.Settings().SetSetting("PrintScaleText", "1");
    QImage shown;
    SelectAndPreview(f, {0, 2, 3, 5, 6}, [&](frmPrintPreview& d) {
        QTest::keyClick(d.PreviewBox(), Qt::Key_PageDown);
        QCOMPARE(d.PageShown(), 2);
        shown = d.PreviewBox()->PictureBox().copy();
        Click(d, "cmdCancel");
    });
    QCOMPARE(shown.size(), pagePixels);

    // The printer's way: a printer of the same paper at screen resolution, measured as a
    // printer, painted page then separator lines.
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setResolution(PrintWindowsHost::kPreviewDpi);
    printer.setPageSize(QPageSize(paper));
    printer.setPageOrientation(orientation);
    printer.setFullPage(true);
    QImage sheet(printer.pageLayout().fullRectPixels(printer.resolution()).size(),
                 QImage::Format_RGB32);
    sheet.fill(Qt::white);
    clsPrintData data;
    LoadPrintSettings(f.Settings(), data);
    data.SetDatabase(&f.Window().Database());
    data.SetUserName(QStringLiteral("Ann"));
    data.SetClock([&] { return f.services.now(); });
    {
        QPainter painter(&sheet);
        painter.setRenderHint(QPainter::LosslessImageRendering, true);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        PrintTarget target = PrintTarget::ForPrinter(printer, &painter);
        // Shown on a screen: a picture reduced to its box is averaged, as the preview does.
        target.onScreen = true;
        data.InitializeSettings(target);
        QCOMPARE(data.PageCount(), 2);
        data.PaintPrintObjectPage(target, 2);
        data.PaintPrintObjectPageOutlines(target);
    }
    QCOMPARE(sheet.size(), shown.size());
    QVERIFY(sheet == shown);
    // And the page is not blank: two notes' pictures and text.
    int dark = 0;
    for (int y = 0; y < sheet.height(); y += 2)
        for (int x = 0; x < sheet.width(); x += 2)
            dark += qGray(sheet.pixel(x, y)) < 100;
    QVERIFY(dark > 500);
}

void tst_PrintSelectionPreview::printFromPreviewPrintsTheNotesShown() {
    PrintFixture f;
    f.StartWithNotes(8);
    f.AnswerPrintDialog();
    int pagesShown = 0;
    SelectAndPreview(f, {1, 3, 4, 5, 7}, [&](frmPrintPreview& d) {
        int first = 0;
        d.PrintData().GetPageRange(first, pagesShown);
        Click(d, "cmdPrint");
        QVERIFY(!d.isVisible());
        QVERIFY(!QFile::exists(f.PdfPath())); // printing starts once the preview is gone
    });
    QCOMPARE(pagesShown, 2);
    QVERIFY(QFile::exists(f.PdfPath()));
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        QUILLARY_REQUIRE_OR_SKIP("pdftotext (poppler-utils) is not installed");
    QVERIFY(RunTool("pdfinfo", {f.PdfPath()}).contains(QRegularExpression("Pages:\\s+2\\b")));
    const QString page2 = RunTool("pdftotext", {"-f", "2", "-l", "2", f.PdfPath(), "-"});
    QVERIFY2(page2.contains("Note 8"), qPrintable(page2));
    QVERIFY(!page2.contains("Note 6"));
    QVERIFY(page2.contains("Page 2 out of 2 pages"));
}

void tst_PrintSelectionPreview::printedSheetLooksLikeThePreview() {
    // The real printer path (a 1200 dpi PDF) read back by poppler at screen resolution:
    // the same page as the preview, up to a pixel of rounding and text antialiasing.
    if (QStandardPaths::findExecutable("pdftoppm").isEmpty())
        QUILLARY_REQUIRE_OR_SKIP("pdftoppm (poppler-utils) is not installed");
    PrintFixture f;
    f.StartWithNotes(8);
    f.AnswerPrintDialog();
    QImage shown;
    SelectAndPreview(f, {0, 2, 3, 5, 6, 7}, [&](frmPrintPreview& d) {
        QTest::keyClick(d.PreviewBox(), Qt::Key_PageDown);
        shown = d.PreviewBox()->PictureBox().convertToFormat(QImage::Format_Grayscale8);
        Click(d, "cmdPrint");
    });
    const QString base = f.Root() + QStringLiteral("/sheet");
    RunTool("pdftoppm",
            {"-r", "96", "-f", "2", "-l", "2", "-singlefile", "-gray", "-png", f.PdfPath(), base});
    const QImage sheet =
        QImage(base + QStringLiteral(".png")).convertToFormat(QImage::Format_Grayscale8);
    QCOMPARE(sheet.size(), shown.size());
    // Compare 8 x 8 blocks by their mean grey.
    const int block = 8;
    int blocks = 0, differing = 0, inked = 0;
    for (int by = 0; by + block <= shown.height(); by += block) {
        for (int bx = 0; bx + block <= shown.width(); bx += block) {
            int a = 0, b = 0;
            for (int y = by; y < by + block; ++y)
                for (int x = bx; x < bx + block; ++x) {
                    a += shown.constScanLine(y)[x];
                    b += sheet.constScanLine(y)[x];
                }
            a /= block * block;
            b /= block * block;
            ++blocks;
            inked += a < 200;
            differing += std::abs(a - b) > 48;
        }
    }
    QVERIFY(inked > 100); // a page with notes on it, not a blank one
    // Against the inked blocks, so a blank or shifted sheet cannot pass.
    QVERIFY2(differing * 20 < inked, qPrintable(QStringLiteral("%1 of %2 blocks differ, %3 inked")
                                                    .arg(differing)
                                                    .arg(blocks)
                                                    .arg(inked)));
}

void tst_PrintSelectionPreview::staleSelectionShowsOnlyExistingNotes() {
    // A selection stored before notes were deleted names notes that are gone.
    PrintFixture f;
    f.StartWithNotes(3);
    f.AnswerPrintDialog();
    f.Settings().SetSetting("PrintNotesSelectedString", "1,7,9,2");
    bool shown = false;
    ThenPreview(f, [&](frmPrintPreview& d) {
        shown = true;
        QCOMPARE(d.PrintData().PrintNotesString(), QStringLiteral("1,2"));
        QCOMPARE(Child<QLabel>(d, "lblPageCount")->text(), QStringLiteral("of 1"));
        Click(d, "cmdPrint");
    });
    f.Host().ShowPrintPreview();
    QVERIFY(shown);
    QCOMPARE(Selected(f), QStringLiteral("1,2"));
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        QUILLARY_REQUIRE_OR_SKIP("pdftotext (poppler-utils) is not installed");
    const QString text = RunTool("pdftotext", {f.PdfPath(), "-"});
    QCOMPARE(text.count("Note 3\n"), 1); // the last note is not printed three times
    QVERIFY(text.contains("Note 2"));
}

void tst_PrintSelectionPreview::progressBarWhileDrawing() {
    PrintFixture f;
    frmMain& w = f.StartWithNotes(5);
    QVERIFY(!w.statusBar()->isHidden());
    bool sawBar = false;
    QObject::connect(w.ProgressBar(), &QProgressBar::valueChanged, [&](int) {
        sawBar = sawBar || (!w.ProgressBar()->isHidden() && w.statusBar()->isHidden());
    });
    SelectAndPreview(f, {0, 1, 2, 3, 4}, [&](frmPrintPreview& d) {
        QVERIFY(sawBar);
        QVERIFY(w.ProgressBar()->isHidden());
        QVERIFY(!w.statusBar()->isHidden());
        QVERIFY(!QApplication::overrideCursor());
        Click(d, "cmdCancel");
    });
}

QTEST_MAIN(tst_PrintSelectionPreview)
#include "tst_PrintSelectionPreview.moc"
