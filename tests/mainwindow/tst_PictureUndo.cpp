// SPDX-License-Identifier: GPL-3.0-or-later
// Undo and Redo of the main window's Edit menu, and each note's own picture history.

#include "MainWindowFixture.h"
#include "session/PictureHistories.h"
#include "draw/ctlDrawBox.h"
#include "mainwindow/MainCommands.h"
#include "storage/clsDatabase.h"

#include <QAction>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QtTest>

using namespace quillary;
using namespace quillary::test;

namespace {

QAction* Action(frmMain& w, const char* name) {
    QAction* action = w.Commands().Action(QString::fromLatin1(name));
    return action;
}

void Trigger(frmMain& w, const char* name) {
    QAction* action = Action(w, name);
    QVERIFY2(action, name);
    QVERIFY2(action->isEnabled(), name);
    action->trigger();
}

void TwoUsers(MainWindowFixture& f) {
    f.WriteUsers({{101, "Ann", "ann"}, {202, "Bob", "bob"}});
    MainWindowFixture::WriteDatabase(f.UserFile("ann", "Ann"), {"ann one", "ann two"});
    MainWindowFixture::WriteDatabase(f.UserFile("bob", "Bob"), {"bob one"});
}

void FocusPicture(frmMain& w) {
    w.activateWindow();
    w.PictureEditor()->setFocus();
    QTRY_VERIFY(w.PictureEditor()->hasFocus());
}

} // namespace

class TestPictureUndo : public QObject {
    Q_OBJECT
private slots:
    void undoRedoFollowTheFocusedPane();
    void eachNoteKeepsItsHistory();
    void anotherUserStartsAfresh();
    void replacedNotesTakeTheirHistoriesAlong();
    void zoomIsKeptInTheSettings();
};

void TestPictureUndo::undoRedoFollowTheFocusedPane() {
    MainWindowFixture f;
    TwoUsers(f);
    frmMain& w = f.Start();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(Action(w, "mnuUndo")->shortcut(), QKeySequence("Ctrl+Z"));
    QVERIFY(Action(w, "mnuRedo")->shortcuts().contains(QKeySequence("Ctrl+Shift+Z")));
    QVERIFY(Action(w, "mnuRedo")->shortcuts().contains(QKeySequence("Ctrl+Y")));

    FocusPicture(w);
    QVERIFY(!Action(w, "mnuUndo")->isEnabled());
    const QImage blank = w.PictureEditor()->Picture();
    f.DrawStroke(QPoint(10, 10), QPoint(60, 40));
    const QImage drawn = w.PictureEditor()->Picture();
    QVERIFY(drawn != blank);
    QVERIFY(Action(w, "mnuUndo")->isEnabled());
    QVERIFY(!Action(w, "mnuRedo")->isEnabled());

    // Saved, then undone with the key: the note and the database are unsaved again.
    Trigger(w, "mnuSave");
    QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary"));
    FocusPicture(w);
    QVERIFY(Action(w, "mnuUndo")->isEnabled()); // saving keeps the history
    QTest::keyClick(w.PictureEditor(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(w.PictureEditor()->Picture(), blank);
    QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));
    QVERIFY(w.Database().GetRecordObject(0)->DirtyFlag());
    QVERIFY(Action(w, "mnuRedo")->isEnabled());
    QTest::keyClick(w.PictureEditor(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(w.PictureEditor()->Picture(), drawn);
    QTest::keyClick(w.PictureEditor(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(w.PictureEditor(), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(w.PictureEditor()->Picture(), drawn);

    // The text box undoes its own typing, not the picture.
    w.TextEditor()->setFocus();
    QTRY_VERIFY(w.TextEditor()->hasFocus());
    QTest::keyClicks(w.TextEditor(), "xyz");
    QTRY_VERIFY(Action(w, "mnuUndo")->isEnabled());
    Trigger(w, "mnuUndo");
    QVERIFY(!w.TextEditor()->toPlainText().contains("xyz"));
    QCOMPARE(w.PictureEditor()->Picture(), drawn);
    QVERIFY(Action(w, "mnuRedo")->isEnabled());
    Trigger(w, "mnuRedo");
    QVERIFY(w.TextEditor()->toPlainText().contains("xyz"));
}

void TestPictureUndo::eachNoteKeepsItsHistory() {
    MainWindowFixture f;
    TwoUsers(f);
    frmMain& w = f.Start();
    QCOMPARE(w.CurrentNoteIndex(), 0);
    const QImage blank = w.PictureEditor()->Picture();
    f.DrawStroke(QPoint(10, 10), QPoint(60, 10));
    const QImage first = w.PictureEditor()->Picture();
    f.DrawStroke(QPoint(10, 20), QPoint(60, 20));

    w.NextNote();
    QCOMPARE(w.CurrentNoteIndex(), 1);
    QVERIFY(!w.PictureEditor()->CanUndo());
    f.DrawStroke(QPoint(5, 50), QPoint(50, 50));
    const QImage other = w.PictureEditor()->Picture();

    w.PreviousNote();
    QCOMPARE(w.CurrentNoteIndex(), 0);
    QVERIFY(w.PictureEditor()->CanUndo());
    w.PictureEditor()->Undo();
    QCOMPARE(w.PictureEditor()->Picture(), first);
    w.PictureEditor()->Undo();
    QCOMPARE(w.PictureEditor()->Picture(), blank);
    QVERIFY(!w.PictureEditor()->CanUndo());

    w.NextNote();
    QCOMPARE(w.PictureEditor()->Picture(), other);
    w.PictureEditor()->Undo();
    QCOMPARE(w.PictureEditor()->Picture(), blank);
    w.PictureEditor()->Redo();
    QCOMPARE(w.PictureEditor()->Picture(), other);
}

void TestPictureUndo::anotherUserStartsAfresh() {
    MainWindowFixture f;
    TwoUsers(f);
    frmMain& w = f.Start();
    f.DrawStroke(QPoint(10, 10), QPoint(60, 10));
    Trigger(w, "mnuSave");
    QVERIFY(w.PictureEditor()->CanUndo());
    w.UserSelector()->setCurrentIndex(1);
    QCOMPARE(w.TextEditor()->toPlainText(), QString("bob one"));
    QVERIFY(!w.PictureEditor()->CanUndo());
    w.UserSelector()->setCurrentIndex(0);
    QCOMPARE(w.TextEditor()->toPlainText(), QString("ann one"));
    QVERIFY(!w.PictureEditor()->CanUndo());
}

// Importing an archive or restoring a whole version replaces every note object. Two blank
// pictures look alike, so a history kept for a freed note could otherwise redo its drawing
// on whichever new note came to stand where it stood.
void TestPictureUndo::replacedNotesTakeTheirHistoriesAlong() {
    MainWindowFixture f;
    TwoUsers(f);
    frmMain& w = f.Start();
    f.DrawStroke(QPoint(10, 10), QPoint(60, 10));
    w.NextNote();
    f.DrawStroke(QPoint(10, 30), QPoint(60, 30));
    w.PictureEditor()->Undo(); // blank again, with a step to redo
    QVERIFY(w.PictureEditor()->CanRedo());
    QCOMPARE(w.PictureUndoHistories().Count(), 2);

    // The way Import Archive and Restore replace the notes: new objects, blank pictures.
    const QString other = f.UserFile("ann", "Other");
    MainWindowFixture::WriteDatabase(other, {"new one", "new two", "new three"});
    clsDatabase replacement;
    replacement.SetFileName(other.toStdString());
    QVERIFY(replacement.OpenDatabase());
    const std::vector<uint8_t> bytes = replacement.GetDatabaseBytes();
    QVERIFY(w.Database().LoadDatabaseBytes(bytes.data(), bytes.size(), "replacement"));
    w.RefreshAfterImport();

    QCOMPARE(w.PictureUndoHistories().Count(), 1); // the note shown now, nothing else
    for (int i = 0; i < 3; ++i) {
        w.NoteSelector()->setCurrentIndex(i);
        QCOMPARE(w.CurrentNoteIndex(), i);
        QVERIFY(!w.PictureEditor()->CanUndo());
        QVERIFY(!w.PictureEditor()->CanRedo());
    }

    // Notes added beside the kept ones leave the kept ones' histories alone.
    f.DrawStroke(QPoint(10, 50), QPoint(60, 50));
    QVERIFY(w.PictureEditor()->CanUndo());
    QVERIFY(w.SaveChanges());
    QVERIFY(w.Database().AppendDatabaseNotes(replacement).completed);
    w.RefreshAfterImport();
    w.NoteSelector()->setCurrentIndex(2);
    QVERIFY(w.PictureEditor()->CanUndo());
}

void TestPictureUndo::zoomIsKeptInTheSettings() {
    MainWindowFixture f;
    TwoUsers(f);
    f.WriteSetting("Picture Zoom", "4");
    frmMain& w = f.Start();
    QCOMPARE(w.PictureEditor()->Zoom(), 4);
    w.PictureEditor()->ZoomIn();
    QCOMPARE(f.Settings().GetSetting("Picture Zoom"), QString("8"));
    w.PictureEditor()->SetZoom(0);
    QCOMPARE(f.Settings().GetSetting("Picture Zoom"), QString("Fit"));
    frmMain& again = f.Restart();
    QCOMPARE(again.PictureEditor()->Zoom(), 0);
}

QTEST_MAIN(TestPictureUndo)
#include "tst_PictureUndo.moc"
