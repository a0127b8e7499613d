// SPDX-License-Identifier: GPL-3.0-or-later
// Every window a person opens, read as a screen reader reads it: each control Tab reaches,
// each scroll bar and the picture has a name, and Tab follows reading order.

#include "InsertTestKit.h"
#include "support/AccessibilityAudit.h"

#include "dialogs/WindowHooks.h"
#include "dialogs/frmNoteChanges.h"
#include "draw/ctlDrawBox.h"
#include "shell/frmOptions.h"
#include "storage/NoteChanges.h"

#include <QAccessible>
#include <QTabWidget>

using namespace quillary;
using namespace quillary::test;

namespace {

// Names and Tab order of one window; every page of its tabs when it has them.
QStringList Audit(QWidget& window, const QStringList& alsoCheck = {}) {
    QStringList problems;
    auto check = [&](const QString& where) {
        for (const QString& p : UnnamedControls(&window, alsoCheck))
            problems << QStringLiteral("%1: no accessible name: %2").arg(where, p);
        const QString order = TabOrderProblem(&window);
        if (!order.isEmpty())
            problems << QStringLiteral("%1: %2").arg(where, order);
    };
    const QString title = window.windowTitle();
    if (auto* tabs = window.findChild<QTabWidget*>()) {
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            QApplication::processEvents();
            check(title + " › " + tabs->tabText(i).remove('&'));
        }
        tabs->setCurrentIndex(0);
    } else {
        check(title);
    }
    return problems;
}

} // namespace

class tst_Accessibility : public QObject {
    Q_OBJECT
private slots:
    void mainWindow() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f, {"first note", "second"});
        w.resize(800, 640);
        QApplication::processEvents();
        const QStringList problems = Audit(w, {"picDrawBox"});
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
    }

    // The picture says which note it shows, its size and the drawing tool, and follows them.
    void pictureSaysWhatItShows() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f, {"first note", "second"});
        QWidget* picture = w.PictureEditor();
        auto text = [&] {
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(picture);
            return face->text(QAccessible::Name) + " | " + face->text(QAccessible::Description);
        };
        const int shown = w.CurrentNoteIndex();
        QCOMPARE(text(), QStringLiteral("Picture of note %1 | %2 by %3, drawing tool Pencil")
                             .arg(shown + 1)
                             .arg(w.PictureEditor()->Picture().width())
                             .arg(w.PictureEditor()->Picture().height()));
        picture->setFocus();
        QTest::keyClick(picture, Qt::Key_L);
        QVERIFY2(text().endsWith("drawing tool Line"), qPrintable(text()));
        w.ShowNote(1 - shown);
        QVERIFY2(text().startsWith(QStringLiteral("Picture of note %1 |").arg(2 - shown)),
                 qPrintable(text()));
    }

    // The windows the menus open, each as it first shows.
    void windows_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("inside"); // a button of that window that opens the one audited
        QTest::newRow("categories") << "mnuEditCategories" << "";
        QTest::newRow("note manager") << "mnuNoteManager" << "";
        QTest::newRow("import notes") << "mnuImport" << "";
        QTest::newRow("insert databases") << "mnuEditInserts" << "";
        QTest::newRow("insert editor") << "mnuEditInserts" << "cmdEdit";
        QTest::newRow("insert import") << "mnuEditInserts" << "cmdImport";
        QTest::newRow("insert snippet") << "mnuInsertSnippet" << "";
        QTest::newRow("versions") << "mnuVersions" << "";
        QTest::newRow("page setup") << "mnuPageSetup" << "";
        QTest::newRow("print selection") << "mnuPrint" << "";
        QTest::newRow("print preview") << "mnuPrint" << "cmdPreview";
        QTest::newRow("page setup from print") << "mnuPrint" << "cmdPageSetup";
    }
    void windows() {
        QFETCH(QString, command);
        QFETCH(QString, inside);
        MainWindowFixture f;
        frmMain& w = StartAnn(f, {"first note", "second"});
        RegisterWindows(w);
        WriteInsertDb(InsertFile(f, "g"), "Mine", {{"Hello", "Hello there"}});
        w.SaveChanges();
        w.SaveDatabase(); // a version to list
        QStringList problems;
        bool audited = false;
        auto audit = [&](QDialog& d) {
            audited = true;
            problems = Audit(d);
        };
        if (inside.isEmpty()) {
            f.services.dialogScripts.enqueue([&](QDialog& d) {
                audit(d);
                d.reject();
            });
        } else {
            f.services.dialogScripts.enqueue([&](QDialog& outer) {
                f.services.dialogScripts.enqueue([&](QDialog& d) {
                    audit(d);
                    d.reject();
                });
                Click(outer, qPrintable(inside));
                if (outer.isVisible())
                    outer.reject();
            });
        }
        Trigger(w, qPrintable(command));
        QVERIFY(audited);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
    }

    void findWindow() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f, {"first note", "second"});
        RegisterWindows(w);
        Trigger(w, "mnuFind");
        QWidget* find = w.FindWindow();
        QVERIFY(find);
        QTRY_VERIFY(find->isVisible());
        const QStringList problems = Audit(*find);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
    }

    void changeReportAndOptions() {
        MainWindowFixture f;
        frmMain& w = StartAnn(f, {"first note", "second"});
        clsDatabase before;
        before.AddNewDatabase();
        frmNoteChanges report(w.Session(), CompareNotes(before, w.Database()),
                              QStringLiteral("Changes"), &w);
        report.show();
        QVERIFY(QTest::qWaitForWindowExposed(&report));
        QStringList problems = Audit(report);
        frmOptions options(f.services, f.Settings(), &w);
        options.show();
        QVERIFY(QTest::qWaitForWindowExposed(&options));
        problems << Audit(options);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
    }
};

QTEST_MAIN(tst_Accessibility)
#include "tst_Accessibility.moc"
