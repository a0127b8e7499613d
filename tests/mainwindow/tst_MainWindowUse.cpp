// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as a person uses it: keyboard, layout on a desktop screen, status bar,
// lists, title, toolbars, dialog folders and help.
#include "MainWindowFixture.h"

#include "draw/ctlDrawBox.h"
#include "mainwindow/ElidingComboBox.h"
#include "mainwindow/MainCommands.h"
#include "shell/clsRecentFile.h"
#include "core/modGlobals.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

using namespace quillary;
using namespace quillary::test;

namespace {

void Trigger(frmMain& w, const char* name) {
    QAction* action = w.Commands().Action(QString::fromLatin1(name));
    QVERIFY2(action, name);
    action->trigger();
}

QRect Available() {
    return QGuiApplication::primaryScreen()->availableGeometry();
}

// The text box's height in lines of its font.
double TextLines(const frmMain& w) {
    const QPlainTextEdit* text = w.TextEditor();
    return double(text->viewport()->height()) / text->fontMetrics().lineSpacing();
}

QAction* ToolbarToggle(QMenu& menu, const QString& title) {
    for (QAction* a : menu.actions())
        if (a->text() == title)
            return a;
    return nullptr;
}

} // namespace

class tst_MainWindowUse : public QObject {
    Q_OBJECT

public:
    // A 1280 x 1024 desktop, as people have, unless the tests run on a real display.
    static void initMain() {
        qputenv("LC_ALL", "C.UTF-8");
        if (qgetenv("QT_QPA_PLATFORM") == "offscreen")
            qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" QUILLARY_OFFSCREEN_CONFIG);
    }

private slots:
    void tabInTheNoteTextMovesTheFocusOn() {
        MainWindowFixture f;
        frmMain& w = f.Start();
        w.activateWindow();
        QPlainTextEdit* text = w.TextEditor();
        text->setFocus();
        QTRY_VERIFY(text->hasFocus());
        const QString before = text->toPlainText();
        QTest::keyClick(text, Qt::Key_Tab);
        QCOMPARE(text->toPlainText(), before);
        QVERIFY(!text->hasFocus());
        QCOMPARE(f.Database().m_FileDirtyFlag, false);
    }

    // Ctrl+N from anywhere leaves the caret at the end of the new note's text, so a person
    // can type the note at once instead of into the note selector.
    void newNoteTakesTheTyping() {
        MainWindowFixture f;
        frmMain& w = f.Start();
        w.activateWindow();
        w.NoteSelector()->setFocus();
        QTRY_VERIFY(w.NoteSelector()->hasFocus());
        QTest::keyClick(w.NoteSelector(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(w.NoteSelector()->count(), 2);
        QTRY_VERIFY(w.TextEditor()->hasFocus());
        const QString title = w.TextEditor()->toPlainText();
        QTest::keyClicks(w.TextEditor(), "milk");
        QCOMPARE(w.TextEditor()->toPlainText(), title + "milk");
    }

    void refreshKeepsTheWindowWhereItIs() {
        MainWindowFixture f;
        f.WriteSetting("Form Main Width", "9000");
        f.WriteSetting("Form Main Height", "9000");
        frmMain& w = f.Start();
        QCOMPARE(w.size(), QSize(600, 600));
        w.resize(700, 720);
        QTRY_COMPARE(w.size(), QSize(700, 720));
        const QPoint at = w.pos();
        Trigger(w, "mnuRefresh");
        QCOMPARE(w.size(), QSize(700, 720));
        QCOMPARE(w.pos(), at);
        QCOMPARE(w.NoteSelector()->count(), 1); // the notes were reread all the same
    }

    void firstStartShowsTheWholePictureAndTenLines() {
        MainWindowFixture f;
        frmMain& w = f.Start();
        const QRect screen = Available();
        QVERIFY2(screen.contains(w.geometry()), "the window fits the screen");
        // The title names the file the new notes will be saved to.
        QCOMPARE(w.windowTitle(), QString("Quillary - QLtester.pdb (") +
                                      ShortenFolder(f.DesktopDir() + "/tester") + ")");
        if (screen.height() < 900)
            QSKIP("the screen is too small to show the whole picture");
        // No scroll bars: the whole 500 x 500 picture is in view.
        ctlDrawBox* picture = w.PictureEditor();
        QVERIFY(picture->findChild<QScrollBar*>("sclBitmapItem")->isHidden());
        QVERIFY(picture->findChild<QScrollBar*>("hsclBitmapItem")->isHidden());
        QVERIFY(picture->findChild<QWidget*>("picImageClipper")->height() >= 500);
        QVERIFY2(TextLines(w) >= 9, qPrintable(QString::number(TextLines(w))));
    }

    void shrinkingAndGrowingGivesThePanesBack() {
        MainWindowFixture f;
        f.WriteSetting("Form Main Width", "10500");
        f.WriteSetting("Form Main Height", "13500");
        frmMain& w = f.Start();
        QTRY_COMPARE(w.size(), QSize(700, 900));
        const int textHeight = w.TextEditor()->height();
        const int offset = w.DividerOffset();
        // Shrink in steps, as a hand drags the frame, then grow back.
        for (int h = 900; h >= 260; h -= 40) {
            w.resize(700, h);
            QTRY_COMPARE(w.height(), h);
        }
        QVERIFY(w.TextEditor()->height() < textHeight); // the clamps gave the picture room
        for (int h = 260; h <= 900; h += 40) {
            w.resize(700, h);
            QTRY_COMPARE(w.height(), h);
        }
        QCOMPARE(w.DividerOffset(), offset);
        QCOMPARE(w.TextEditor()->height(), textHeight);
        QVERIFY(TextLines(w) >= 5);

        // A dragged divider is what comes back.
        QWidget* divider = w.Divider();
        const QPoint grip(divider->width() / 2, divider->height() / 2);
        QTest::mousePress(divider, Qt::LeftButton, {}, grip);
        for (int step = 1; step <= 20; ++step) {
            QMouseEvent move(QEvent::MouseMove, QPointF(grip.x(), grip.y() - 3 * step),
                             divider->mapToGlobal(QPointF(grip.x(), grip.y() - 3 * step)),
                             Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(divider, &move);
        }
        QTest::mouseRelease(divider, Qt::LeftButton, {}, grip);
        const int dragged = w.TextEditor()->height();
        QVERIFY(dragged > textHeight);
        w.resize(700, 300);
        QTRY_COMPARE(w.height(), 300);
        w.resize(700, 900);
        QTRY_COMPARE(w.height(), 900);
        QCOMPARE(w.TextEditor()->height(), dragged);
    }

    void temporaryMessagesLeaveThePanelsAndGoWhenDone() {
        MainWindowFixture f;
        frmMain& w = f.Start();
        QCOMPARE(w.StatusPanelTexts().at(3), QString("1 note"));
        QPlainTextEdit* text = w.TextEditor();
        text->setFocus();
        text->setPlainText(QString(1998, 'x'));
        QTest::keyClicks(text, "yz");
        QVERIFY(w.statusBar()->currentMessage().contains("1999"));
        for (QLabel* panel :
             w.statusBar()->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
            QVERIFY2(panel->isVisible(), qPrintable(panel->toolTip()));
        // Back under the limit, the warning no longer applies.
        QTest::keyClick(text, Qt::Key_Backspace);
        QCOMPARE(w.statusBar()->currentMessage(), QString());

        // Shown again, it goes with the note.
        QTest::keyClicks(text, "yz");
        QVERIFY(w.statusBar()->currentMessage().contains("1999"));
        Trigger(w, "mnuAddRecord");
        QCOMPARE(w.statusBar()->currentMessage(), QString());
        QCOMPARE(w.StatusPanelTexts().at(3), QString("2 notes"));
    }

    void panelsDoNotOverlapAtTheSmallestSize() {
        MainWindowFixture f;
        frmMain& w = f.Start();
        w.resize(1, 1);
        QTRY_VERIFY(w.width() < 600);
        // The layout stops shrinking, and so does the window: selectors, a strip of picture
        // and of text stay in view.
        QVERIFY(w.NoteSelector()->geometry().bottom() < w.PictureEditor()->geometry().top());
        QVERIFY(w.PictureEditor()->height() >= 20);
        QVERIFY(w.TextEditor()->height() >= 15);
        QVERIFY(w.centralWidget()->rect().contains(w.TextEditor()->geometry()));
        QList<QLabel*> panels;
        for (const char* name : {"pnlCategory", "pnlDatabaseSize", "pnlNoteSize",
                                 "pnlNumberofNotesInDatabase", "pnlRecordID"})
            panels << w.statusBar()->findChild<QLabel*>(QString::fromLatin1(name));
        for (int i = 0; i < panels.size(); ++i) {
            QVERIFY2(panels[i], "panel");
            QVERIFY(w.statusBar()->rect().contains(panels[i]->geometry()));
            QVERIFY(panels[i]->width() >= panels[i]->minimumSizeHint().width());
            if (i > 0)
                QVERIFY(panels[i - 1]->geometry().right() < panels[i]->geometry().left());
        }
    }

    void noteSelectorScrollsAndUserSelectorStaysNarrow() {
        MainWindowFixture f;
        const QString longName = "Annabel Longname-Featherstonehaugh of the Eastern Office";
        f.WriteUsers({{101, longName, "ann"}});
        std::vector<std::string> notes;
        for (int i = 0; i < 600; ++i)
            notes.push_back("note " + std::to_string(i));
        MainWindowFixture::WriteDatabase(f.UserFile("ann", longName), notes);
        frmMain& w = f.Start();
        QComboBox* list = w.NoteSelector();
        QCOMPARE(list->count(), 600);
        QVERIFY2(list->width() > w.UserSelector()->width(), "the user name is cut short");
        // The closed box ends the long name with "…" instead of clipping it.
        auto* users = qobject_cast<ElidingComboBox*>(w.UserSelector());
        QVERIFY(users);
        const QString shown = users->ShownText();
        QVERIFY2(shown.endsWith(QChar(0x2026)), qPrintable(shown));
        QVERIFY2(longName.startsWith(shown.chopped(1).trimmed()), qPrintable(shown));
        QCOMPARE(users->toolTip(), longName);

        QTest::mouseClick(list, Qt::LeftButton);
        QAbstractItemView* view = list->view();
        QTRY_VERIFY(view->isVisible());
        QWidget* popup = view->window();
        QVERIFY(popup->height() <= Available().height());
        QVERIFY(view->verticalScrollBar()->isVisible());
        const int rows = view->viewport()->height() / view->sizeHintForRow(0);
        QVERIFY2(rows <= list->maxVisibleItems(), qPrintable(QString::number(rows)));
        QTest::keyClick(view, Qt::Key_Escape);
        QTRY_VERIFY(!view->isVisible());
    }

    void titleAndRecentFilesNameTheFile() {
        MainWindowFixture f;
        f.WriteUsers({{101, "Ann", "ann"}, {202, "Bob", "bob"}});
        MainWindowFixture::WriteDatabase(f.UserFile("ann", "Ann"), {"ann one"});
        MainWindowFixture::WriteDatabase(f.UserFile("bob", "Bob"), {"bob one"});
        frmMain& w = f.Start();
        const QFileInfo ann(f.UserFile("ann", "Ann"));
        QCOMPARE(w.windowTitle(),
                 "Quillary - " + ann.fileName() + " (" + ShortenFolder(ann.absolutePath()) + ")");
        w.UserSelector()->setCurrentIndex(1);
        const QFileInfo bob(f.UserFile("bob", "Bob"));
        QVERIFY(w.windowTitle().contains(bob.fileName()));

        // Entry 2 is Ann's file: opening it names her file though Bob stays selected.
        QAction* recent = w.Commands().RecentFileActions().at(1);
        QCOMPARE(recent->statusTip(), QDir::toNativeSeparators(ann.filePath()));
        QVERIFY(recent->text().startsWith("&2 " + ann.fileName() + "  ("));
        w.TextEditor()->setFocus();
        QTest::keyClicks(w.TextEditor(), "!");
        QVERIFY(w.windowTitle().startsWith("Quillary* - " + bob.fileName()));
        f.services.messageAnswers << MsgResult::No;
        w.OpenRecentFile(1);
        QCOMPARE(w.TextEditor()->toPlainText(), QString("ann one"));
        QVERIFY(w.windowTitle().startsWith("Quillary - " + ann.fileName()));
    }

    void fileDialogsStartBesideTheNotes() {
        MainWindowFixture f;
        f.WriteUsers({{101, "Ann", "ann"}, {202, "Bob", "bob"}});
        MainWindowFixture::WriteDatabase(f.UserFile("ann", "Ann"), {"ann one"});
        MainWindowFixture::WriteDatabase(f.UserFile("bob", "Bob"), {"bob one"});
        frmMain& w = f.Start();
        const QString annFolder = QFileInfo(f.UserFile("ann", "Ann")).absolutePath();
        Trigger(w, "mnuInsertPicture"); // cancelled
        QCOMPARE(f.services.fileDialogs.last().initialDir, annFolder);

        // A picture taken from elsewhere makes that folder the next start.
        QDir(f.Root()).mkpath("pictures");
        const QString picture = f.Root() + "/pictures/dot.png";
        QImage dot(8, 8, QImage::Format_RGB32);
        dot.fill(Qt::white);
        QVERIFY(dot.save(picture));
        f.services.fileAnswers << picture;
        Trigger(w, "mnuInsertPicture");
        Trigger(w, "mnuExportPicture"); // cancelled
        QCOMPARE(f.services.fileDialogs.last().initialDir, f.Root() + "/pictures");

        // Another user's notes: their folder.
        f.services.messageAnswers << MsgResult::No; // the inserted picture is dropped
        w.UserSelector()->setCurrentIndex(1);
        QCOMPARE(w.CurrentUserIndex(), 1);
        Trigger(w, "mnuExportPicture");
        QCOMPARE(f.services.fileDialogs.last().initialDir,
                 QFileInfo(f.UserFile("bob", "Bob")).absolutePath());
    }

    void toolbarsHaveTitlesAndStayAsLeft() {
        MainWindowFixture f;
        frmMain* w = &f.Start();
        QCOMPARE(w->Commands().MainToolBar()->windowTitle(), QString("Main Toolbar"));
        QCOMPARE(w->Commands().NoteToolBar()->windowTitle(), QString("Note Toolbar"));
        {
            // The menu of a right click on the menu bar or a toolbar.
            std::unique_ptr<QMenu> menu(w->createPopupMenu());
            QAction* note = ToolbarToggle(*menu, "Note Toolbar");
            QVERIFY(note && ToolbarToggle(*menu, "Main Toolbar"));
            QVERIFY(note->isChecked());
            note->trigger();
        }
        QVERIFY(w->Commands().NoteToolBar()->isHidden());
        w = &f.Restart();
        QVERIFY(w->Commands().NoteToolBar()->isHidden());
        QVERIFY(!w->Commands().MainToolBar()->isHidden());
        {
            std::unique_ptr<QMenu> menu(w->createPopupMenu());
            QAction* note = ToolbarToggle(*menu, "Note Toolbar");
            QVERIFY(note && !note->isChecked());
            note->trigger(); // shown again the same way
        }
        w = &f.Restart();
        QVERIFY(!w->Commands().NoteToolBar()->isHidden());
    }

    void helpWithoutAViewerNamesTheManual() {
        MainWindowFixture f;
        frmMain& w = f.Start();
        f.services.openResult = OpenResult::NoHandler;
        Trigger(w, "mnuHelp");
        QCOMPARE(f.services.messages.size(), 1);
        const QString manual = QDir::toNativeSeparators(
            QDir(QCoreApplication::applicationDirPath()).filePath("QuillaryManual.pdf"));
        QVERIFY2(f.services.messages.first().text.contains(manual),
                 qPrintable(f.services.messages.first().text));
    }
};

QTEST_MAIN(tst_MainWindowUse)
#include "tst_MainWindowUse.moc"
