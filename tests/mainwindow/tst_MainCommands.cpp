// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainWindowFixture.h"

#include "core/modGlobals.h"
#include "draw/ctlDrawBox.h"
#include "mainwindow/MainCommands.h"
#include "mainwindow/MainLayout.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <functional>

using namespace quillary;
using namespace quillary::test;

namespace {

void ThreeNotes(MainWindowFixture& f) {
    f.WriteUsers({{7, "Ann", "ann"}});
    MainWindowFixture::WriteDatabase(f.UserFile("ann", "Ann"), {"alpha", "beta", "gamma"});
}

} // namespace

class tst_MainCommands : public QObject {
    Q_OBJECT

private slots:
    void shortcutsReachTheirCommands_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QKeySequence>("keys");
        const std::pair<const char*, const char*> table[] = {
            {"mnuRefresh", "Ctrl+R"},        {"mnuSave", "Ctrl+S"},
            {"mnuImport", "Ctrl+I"},         {"mnuPrint", "Ctrl+P"},
            {"mnuExit", "Ctrl+Q"},           {"mnuCut", "Ctrl+X"},
            {"mnuCopy", "Ctrl+C"},           {"mnuPaste", "Ctrl+V"},
            {"mnuSelectAll", "Ctrl+A"},      {"mnuFind", "Ctrl+F"},
            {"mnuAddRecord", "Ctrl+N"},      {"mnuRemoveRecord", "Shift+Del"},
            {"mnuNoteManager", "Ctrl+M"},    {"mnuEditCategories", "Shift+F12"},
            {"mnuEditInserts", "Ctrl+D"},    {"mnuHelp", "F1"},
            {"mnuCategory", "Ctrl+Shift+C"}, {"mnuInsertSnippet", "Ctrl+Shift+I"},
        };
        for (const auto& [name, keys] : table)
            QTest::newRow(name) << QString(name) << QKeySequence(QString(keys));
    }
    void shortcutsReachTheirCommands() {
        QFETCH(QString, action);
        QFETCH(QKeySequence, keys);
        MainWindowFixture f;
        ThreeNotes(f);
        frmMain& w = f.Start();
        QAction* a = w.Commands().Action(action);
        QVERIFY(a);
        QCOMPARE(a->shortcut(), keys);
        // Keep the command from doing anything lasting; only its arrival counts.
        a->disconnect(&w.Commands());
        QSignalSpy spy(a, &QAction::triggered);
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.TextEditor()->setFocus();
        QTest::keySequence(&w, keys);
        QCOMPARE(spy.count(), 1);
    }

    void menuCaptionsAndToolbarTips() {
        MainWindowFixture f;
        ThreeNotes(f);
        frmMain& w = f.Start();
        QCOMPARE(w.Commands().Action("mnuImport")->text(), QString("&Import/Export Notes..."));
        QCOMPARE(w.Commands().Action("mnuExportPicture")->text(),
                 QString("E&xport picture to bitmap file..."));
        QStringList tips;
        for (QAction* a : w.Commands().MainToolBar()->actions())
            tips << (a->isSeparator() ? "-" : a->toolTip());
        QCOMPARE(tips, QStringList({"Save Database", "Print", "-", "Cut", "Copy", "Paste", "Find",
                                    "Import Notes", "Insert Databases"}));
        tips.clear();
        for (QAction* a : w.Commands().NoteToolBar()->actions())
            tips << (a->isSeparator() ? "-" : a->toolTip());
        QCOMPARE(tips, QStringList({"Previous Note", "Add Note", "Next Note", "-", "Sort Notes"}));
    }

    void toolbarTagsDispatchAndNoteButtonsFollowPosition() {
        MainWindowFixture f;
        ThreeNotes(f);
        frmMain& w = f.Start();
        QAction* previous = w.Commands().Action("mnuAddRecord"); // sanity: actions exist
        QVERIFY(previous);
        auto button = [&](const char* tag) {
            return w.Commands().NoteToolBar()->findChild<QAction*>(QString("tbr") + tag);
        };
        QVERIFY(!button("PreviousNote")->isEnabled());
        QVERIFY(button("NextNote")->isEnabled());
        button("NextNote")->trigger();
        button("NextNote")->trigger();
        QCOMPARE(w.CurrentNoteIndex(), 2);
        QVERIFY(button("PreviousNote")->isEnabled());
        QVERIFY(!button("NextNote")->isEnabled());
        button("AddNote")->trigger();
        QCOMPARE(w.NoteSelector()->count(), 4);
        QCOMPARE(w.CurrentNoteIndex(), 0);
        button("NoteFlag")->trigger(); // the note manager is not part of this build yet
        QVERIFY(f.services.messages.last().text.startsWith("Note Manager is not available"));
        w.Commands().RunToolbarTag("Unknown");
    }

    void singleNoteDisablesBothButtons() {
        MainWindowFixture f;
        f.WriteUsers({{7, "Ann", "ann"}});
        MainWindowFixture::WriteDatabase(f.UserFile("ann", "Ann"), {"only"});
        frmMain& w = f.Start();
        QVERIFY(!w.Commands().NoteToolBar()->findChild<QAction*>("tbrPreviousNote")->isEnabled());
        QVERIFY(!w.Commands().NoteToolBar()->findChild<QAction*>("tbrNextNote")->isEnabled());
    }

    void sizesUseTheKilobyteFormat_data() {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("12345") << qint64(12345) << "12.3";
        QTest::newRow("345") << qint64(345) << ".3";
        QTest::newRow("1234") << qint64(1234) << "1.2";
        QTest::newRow("1234567") << qint64(1234567) << "1,234.6";
        QTest::newRow("whole") << qint64(6000) << "6";
        QTest::newRow("rounds up") << qint64(6970) << "7";
    }
    void sizesUseTheKilobyteFormat() {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(FormatKb(bytes), text);
    }

    void statusPanelsDescribeTheNote() {
        MainWindowFixture f;
        ThreeNotes(f);
        frmMain& w = f.Start();
        const QStringList panels = w.StatusPanelTexts();
        QCOMPARE(panels.at(0), QString("Unfiled"));
        // Three new notes of 6105 bytes each (record and list entry) and the 78-byte header:
        // 18393 bytes; one note 6105.
        QCOMPARE(panels.at(1), QString("DB: 18.4 kb"));
        QCOMPARE(panels.at(2), QString("Note: 6.1 kb"));
        QCOMPARE(panels.at(3), QString("3 notes"));
        QCOMPARE(panels.at(4), QString("New Record"));
    }

    void categoryPanelMenu() {
        MainWindowFixture f;
        ThreeNotes(f);
        frmMain& w = f.Start();
        auto* panel = w.statusBar()->findChild<QLabel*>("pnlCategory");
        QVERIFY(panel);

        f.services.popupAnswers << 1; // Unfiled, which the note already has
        QTest::mouseClick(panel, Qt::LeftButton);
        QCOMPARE(f.services.popupMenus.first(),
                 QStringList({"Unfiled", "Business", "Personal", "-", "Edit Categories..."}));
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary"));

        f.services.popupAnswers << 3; // Personal
        QTest::mouseClick(panel, Qt::LeftButton);
        QCOMPARE(f.Database().GetCategoryIndex(0), 2);
        QVERIFY(f.Database().GetRecordObject(0)->DirtyFlag());
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));
        QCOMPARE(panel->text(), QString("Personal"));

        f.services.popupAnswers << 4; // the separator: nothing
        QTest::mouseClick(panel, Qt::LeftButton);
        QCOMPARE(f.services.messages.size(), 0);
        f.services.popupAnswers << 5; // Edit Categories...
        QTest::mouseClick(panel, Qt::LeftButton);
        QVERIFY(f.services.messages.last().text.startsWith("Edit Categories is not available"));
    }

    // Record > Category changes the note's category without the mouse: Ctrl+Shift+C opens
    // it with the note's category highlighted, the arrow keys and Return choose.
    void categoryMenuFromTheKeyboard() {
        MainWindowFixture f;
        ThreeNotes(f);
        frmMain& w = f.Start();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.TextEditor()->setFocus();
        QMenu* menu = w.Commands().CategoryMenu();
        QVERIFY(menu);
        QCOMPARE(w.Commands().Action("mnuCategory")->menu(), menu);
        auto* record = qobject_cast<QMenu*>(menu->parentWidget());
        QVERIFY(record);
        QCOMPARE(record->title(), QString("&Record"));
        QVERIFY(record->actions().contains(w.Commands().Action("mnuEditCategories")));
        auto entries = [&] {
            QStringList texts;
            for (QAction* a : menu->actions())
                texts << (a->isSeparator() ? "-" : a->text() + (a->isChecked() ? "*" : ""));
            return texts;
        };

        QTest::keySequence(&w, QKeySequence("Ctrl+Shift+C"));
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(entries(),
                 QStringList({"Unfiled*", "Business", "Personal", "-", "&Edit Categories..."}));
        QCOMPARE(menu->activeAction()->objectName(), QString("mnuCategory0"));
        // Over the category panel, the way the mouse opens it.
        QVERIFY(menu->geometry().bottom() <= w.CategoryPanel()->mapToGlobal(QPoint(0, 0)).y());
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
        QTRY_VERIFY(!menu->isVisible());
        QCOMPARE(f.Database().GetCategoryIndex(0), 2);
        QVERIFY(f.Database().GetRecordObject(0)->DirtyFlag());
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));
        QCOMPARE(w.StatusPanelTexts().at(0), QString("Personal"));

        // Opened again, it starts from the category chosen; Escape changes nothing.
        QTest::keySequence(&w, QKeySequence("Ctrl+Shift+C"));
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(menu->activeAction()->objectName(), QString("mnuCategory2"));
        QTest::keyClick(menu, Qt::Key_Escape);
        QTRY_VERIFY(!menu->isVisible());
        QCOMPARE(f.Database().GetCategoryIndex(0), 2);

        // The other notes keep theirs; the last entry opens the categories editor.
        w.NextNote();
        QTest::keySequence(&w, QKeySequence("Ctrl+Shift+C"));
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(entries().first(), QString("Unfiled*"));
        for (int i = 0; i < 3; ++i) // past the separator
            QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
        QTRY_VERIFY(!menu->isVisible());
        QVERIFY(f.services.messages.last().text.startsWith("Edit Categories is not available"));
        QCOMPARE(f.Database().GetCategoryIndex(1), 0);
    }

    void clipboardCommandsFollowTheFocusedPane() {
        MainWindowFixture f;
        ThreeNotes(f);
        frmMain& w = f.Start();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        MainCommands& c = w.Commands();

        // Text box.
        QPlainTextEdit* text = w.TextEditor();
        text->setFocus();
        c.SelectAll();
        QCOMPARE(text->textCursor().selectedText(), QString("alpha"));
        c.Cut();
        QCOMPARE(f.services.clipText, QString("alpha"));
        QCOMPARE(text->toPlainText(), QString());
        c.Paste();
        c.Paste();
        QCOMPARE(text->toPlainText(), QString("alphaalpha"));

        // Note selector: Copy takes the entry's text, Paste and Clear do nothing.
        w.NoteSelector()->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.NoteSelector()));
        const int clears = f.services.clipboardClears;
        c.Cut();
        QCOMPARE(f.services.clipboardClears, clears + 1);
        QCOMPARE(f.services.clipText, QString("alphaalpha"));
        c.Paste();
        c.Clear();
        QCOMPARE(text->toPlainText(), QString("alphaalpha"));

        // Picture editor: select all, copy the picture, clear it.
        ctlDrawBox* draw = w.PictureEditor();
        f.DrawDot(QPoint(5, 5));
        draw->findChild<QWidget*>("picDrawBox")->setFocus();
        c.SelectAll();
        QVERIFY(draw->IsFloating());
        c.Copy();
        QVERIFY(!f.services.clipImage.isNull());
        QCOMPARE(f.services.clipText, QString());
        c.Clear();
        QVERIFY(!draw->IsFloating());
        QCOMPARE(draw->Picture().pixelColor(5, 5), QColor(Qt::white));
    }

    void dividerDragStopsAtTheClamps() {
        const MainLayout tall = MainLayout::Compute(9000, 6000, -5000);
        QCOMPARE(tall.picture.height(), 400);
        const MainLayout low = MainLayout::Compute(9000, 6000, 5000);
        QCOMPARE(low.text.height(), 320);
        const MainLayout tiny = MainLayout::Compute(100, 100, MainLayout::kInitialOffset);
        QCOMPARE(tiny.width, MainLayout::kMinWidth);
        QCOMPARE(tiny.height, MainLayout::kMinHeight);

        MainWindowFixture f;
        ThreeNotes(f);
        frmMain& w = f.Start();
        QWidget* divider = w.Divider();
        const QPoint grip(divider->width() / 2, divider->height() / 2);
        QTest::mousePress(divider, Qt::LeftButton, {}, grip);
        for (int step = 0; step < 40; ++step) {
            QMouseEvent move(QEvent::MouseMove, QPointF(grip.x(), grip.y() - 20),
                             divider->mapToGlobal(QPointF(grip.x(), grip.y() - 20)), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(divider, &move);
        }
        QCOMPARE(w.CurrentLayout().picture.height(), 400);
        for (int step = 0; step < 80; ++step) {
            QMouseEvent move(QEvent::MouseMove, QPointF(grip.x(), grip.y() + 20),
                             divider->mapToGlobal(QPointF(grip.x(), grip.y() + 20)), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(divider, &move);
        }
        QCOMPARE(w.CurrentLayout().text.height(), 320);
        QTest::mouseRelease(divider, Qt::LeftButton, {}, grip);
        QVERIFY(w.TextEditor()->height() > 0);
    }

    void optionsDialogAppliesAtOnceOrNotAtAll() {
        MainWindowFixture f;
        ThreeNotes(f);
        frmMain& w = f.Start();
        QFont chosen("DejaVu Serif");
        chosen.setPointSizeF(12);
        chosen.setBold(true);
        f.services.fontAnswers << chosen;
        WithModal([&] { w.Commands().Action("mnuSettings")->trigger(); },
                  [](QDialog* d) {
                      d->findChild<QAbstractButton*>("cmdFont")->click();
                      d->findChild<QCheckBox*>("chkRightJustify")->setChecked(true);
                      d->findChild<QAbstractButton*>("cmdDone")->click();
                  });
        QCOMPARE(f.Settings().GetSetting("FontBold"), QString("True"));
        QCOMPARE(f.Settings().GetSetting("FontSize"), QString("12"));
        QCOMPARE(w.TextEditor()->font().pointSizeF(), 12.0);
        QVERIFY(w.TextEditor()->font().bold());
        QCOMPARE(w.TextEditor()->document()->defaultTextOption().alignment(), Qt::AlignRight);

        WithModal([&] { w.Commands().Action("mnuSettings")->trigger(); },
                  [](QDialog* d) {
                      d->findChild<QCheckBox*>("chkRightJustify")->setChecked(false);
                      d->findChild<QAbstractButton*>("cmdCancel")->click();
                  });
        QCOMPARE(f.Settings().GetSetting("RightJustify"), QString("1"));
        QCOMPARE(w.TextEditor()->document()->defaultTextOption().alignment(), Qt::AlignRight);
    }

    void helpAboutAndPendingCommands() {
        MainWindowFixture f;
        ThreeNotes(f);
        frmMain& w = f.Start();
        w.Commands().Action("mnuHelp")->trigger();
        QCOMPARE(f.services.openedDocuments.size(), 1);
        QVERIFY(f.services.openedDocuments.first().endsWith("/QuillaryManual.pdf"));

        WithModal([&] { w.Commands().Action("mnuAbout")->trigger(); },
                  [](QDialog* d) {
                      QVERIFY(d->findChild<QAbstractButton*>("cmdDone")->isVisible());
                      d->findChild<QAbstractButton*>("cmdDone")->click();
                  });

        for (const char* name : {"mnuPageSetup", "mnuFind", "mnuEditInserts"}) {
            const int before = f.services.messages.size();
            w.Commands().Action(name)->trigger();
            QCOMPARE(f.services.messages.size(), before + 1);
            QVERIFY(f.services.messages.last().text.contains("is not available"));
        }
        bool ran = false;
        w.Commands().SetDialogHandler("Find", [&] { ran = true; });
        w.Commands().Action("mnuFind")->trigger();
        QVERIFY(ran);
    }

    // The text box takes no more than 1999 characters, also from the Paste command, and
    // keeps out what Windows-1252 cannot hold.
    void pasteIsCutToTheNoteLimit() {
        MainWindowFixture f;
        f.WriteUsers({{7, "Ann", "ann"}});
        const QString path = f.UserFile("ann", "Ann");
        MainWindowFixture::WriteDatabase(path, {"x"});
        frmMain& w = f.Start();
        w.TextEditor()->setFocus();
        QTest::keyClick(w.TextEditor(), Qt::Key_End, Qt::ControlModifier);
        f.services.clipText = QString(2500, QChar('y')) + QChar(0x20AC) + QChar(0x4E2D);
        w.Commands().Paste();
        QCOMPARE(w.TextEditor()->toPlainText(), "x" + QString(1998, QChar('y')));
        QVERIFY(w.statusBar()->currentMessage().contains("1999"));
        w.Commands().Action("mnuSave")->trigger();
        auto db = MainWindowFixture::ReadDatabase(path);
        QCOMPARE(db->GetRecordObject(0)->RawText(), "x" + std::string(1998, 'y'));
    }
};

QTEST_MAIN(tst_MainCommands)
#include "tst_MainCommands.moc"
