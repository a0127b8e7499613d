// Main window and settings store: no-break spaces kept in notes, foreign single-byte
// lines of the settings file kept byte for byte.

#include "MainWindowFixture.h"

#include "mainwindow/MainCommands.h"
#include "shell/clsSettings.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

using namespace quillary;
using namespace quillary::test;

namespace {

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

std::string StoredText(const QString& path, int index) {
    auto db = MainWindowFixture::ReadDatabase(path);
    const clsQuillaryItem* note = db->GetRecordObject(index);
    return note ? note->RawText() : std::string("<missing>");
}

} // namespace

class tst_ReviewShell : public QObject {
    Q_OBJECT

private slots:
    // A no-break space (0xA0) is an ordinary Windows-1252 character of a note. Reading the
    // text box back with toPlainText() turns it into a plain space.
    void noBreakSpaceInANoteSurvives_data() {
        QTest::addColumn<bool>("typed");
        QTest::newRow("stored in the file") << false;
        QTest::newRow("typed into the box") << true;
    }
    void noBreakSpaceInANoteSurvives() {
        QFETCH(bool, typed);
        MainWindowFixture f;
        f.WriteUsers({{7, "Ann", "ann"}});
        const QString path = f.UserFile("ann", "Ann");
        MainWindowFixture::WriteDatabase(path, {typed ? "ab" : "a\xA0" "b", "other"});
        frmMain& w = f.Start();
        if (typed) {
            QTest::keyClick(w.TextEditor(), Qt::Key_End, Qt::ControlModifier);
            QTest::keyClick(w.TextEditor(), Qt::Key_Left);
            QTest::keyClicks(w.TextEditor(), QString(QChar(0xA0)));
        }
        // Leave the note and come back, then save.
        w.NextNote();
        w.PreviousNote();
        w.Commands().Action("mnuSave")->trigger();
        // frmMain.cpp:467/530 and CurrentNoteUiText compare and store
        // m_txtNote->toPlainText(), which replaces U+00A0 by U+0020; the raw document text
        // (document()->toRawText() with U+2029/U+2028 mapped to '\n') keeps it.
        QCOMPARE(StoredText(path, 0), std::string("a\xA0" "b"));
    }

    // A note that only was looked at is not rewritten.
    void viewingANoteWithANoBreakSpaceMarksNothing() {
        MainWindowFixture f;
        f.WriteUsers({{7, "Ann", "ann"}});
        const QString path = f.UserFile("ann", "Ann");
        MainWindowFixture::WriteDatabase(path, {"a\xA0" "b", "other"});
        frmMain& w = f.Start();
        QCOMPARE(w.windowTitle(), QString("Quillary"));
        w.NextNote();
        // SaveChanges (frmMain.cpp:467) finds the box "changed" and writes spaces into the
        // note without marking anything; the database in memory no longer matches the file.
        QCOMPARE(w.Database().GetRecordObject(0)->RawText(), std::string("a\xA0" "b"));
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
        QCOMPARE(w.TextEditor()->toPlainText().size(), 1999);
        QVERIFY(w.statusBar()->currentMessage().contains("1999"));
        w.Commands().Action("mnuSave")->trigger();
        QCOMPARE(StoredText(path, 0).size(), size_t(1999));
    }

    // Keys and values of other programs' lines stay as they were, byte for byte: the
    // file is a hand-edited profile file that may hold Windows-1252 text.
    void foreignSingleByteLinesArePreserved() {
        QTemporaryDir dir;
        const QString path = dir.filePath("kestwin.ini");
        const QByteArray foreign = "[Other Program]\nOwner=Ren\xE9" "e M\xFCller\n";
        WriteBytes(path, foreign + "[Quillary Settings]\nFontName=Tahoma\n");
        clsSettings settings(path);
        QCOMPARE(settings.GetSetting("FontName"), QString("Tahoma"));
        settings.SetSetting("FontName", "Courier");
        settings.Save();
        // clsSettings.cpp:27 decodes the whole file as UTF-8 (invalid bytes become U+FFFD)
        // and :159 writes it back as UTF-8, so the other program's value is corrupted.
        // Keeping lines that are not valid UTF-8 as raw bytes (or decoding them as
        // Windows-1252/Latin-1 and writing them back the same way) keeps them intact.
        QVERIFY2(ReadBytes(path).startsWith(foreign), ReadBytes(path).constData());
    }

    // A file saved by an editor that starts it with a byte order mark still works (the
    // UTF-8 decoder drops the mark).
    void fileWithByteOrderMarkIsRead() {
        QTemporaryDir dir;
        const QString path = dir.filePath("kestwin.ini");
        WriteBytes(path, "\xEF\xBB\xBF[Quillary Settings]\nFontName=Courier\n");
        clsSettings settings(path);
        QCOMPARE(settings.GetSetting("FontName"), QString("Courier"));
    }
};

QTEST_MAIN(tst_ReviewShell)
#include "tst_ReviewShell.moc"
