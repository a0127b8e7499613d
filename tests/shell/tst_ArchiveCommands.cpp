// SPDX-License-Identifier: GPL-3.0-or-later
// File > Export Archive... and Import Archive... on the real main window.

#include "mainwindow/MainWindowFixture.h"

#include "mainwindow/MainCommands.h"
#include "storage/FileIO.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

using namespace quillary;
using namespace quillary::test;

namespace {

void Trigger(frmMain& w, const char* name) {
    QAction* action = w.Commands().Action(QString::fromLatin1(name));
    QVERIFY2(action, name);
    QVERIFY(action->isEnabled());
    action->trigger();
}

std::vector<uint8_t> FileBytes(const QString& path) {
    std::vector<uint8_t> bytes;
    ReadWholeFile(path.toStdString(), bytes, nullptr);
    return bytes;
}

QString NoteFile(const QString& dir, const QString& prefix) {
    const QStringList names = QDir(dir).entryList({prefix + QStringLiteral("*.md")});
    return names.isEmpty() ? QString() : QDir(dir).filePath(names.first());
}

void WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

} // namespace

class tst_ArchiveCommands : public QObject {
    Q_OBJECT
private slots:
    void menuHoldsBothCommands() {
        MainWindowFixture f;
        f.WriteUsers({{101, "Ann", "ann"}});
        frmMain& w = f.Start();
        QCOMPARE(w.Commands().Action("mnuExportArchive")->text(), QString("Export &Archive..."));
        QCOMPARE(w.Commands().Action("mnuImportArchive")->text(), QString("Import Arc&hive..."));
        // A cancelled folder chooser changes nothing and says nothing.
        Trigger(w, "mnuExportArchive");
        Trigger(w, "mnuImportArchive");
        QCOMPARE(f.services.folderDialogs.size(), 2);
        QVERIFY(f.services.messages.isEmpty());
    }

    void exportEditImportAndSave() {
        MainWindowFixture f;
        f.WriteUsers({{101, "Ann", "ann"}});
        const QString dbPath = f.UserFile("ann", "Ann");
        MainWindowFixture::WriteDatabase(dbPath, {"one", "two\nlines", "three"});
        const auto original = FileBytes(dbPath);
        frmMain& w = f.Start();
        QTemporaryDir out;
        const QString arc = out.filePath("arc");

        f.services.folderAnswers.enqueue(arc);
        Trigger(w, "mnuExportArchive");
        QVERIFY(f.services.messageTexts().last().contains("3 notes were archived"));
        QVERIFY(QFile::exists(arc + "/database.json"));

        // Unedited, the archive gives back the file.
        f.services.folderAnswers.enqueue(arc);
        f.services.messageAnswers.enqueue(MsgResult::Ok);
        Trigger(w, "mnuImportArchive");
        QVERIFY(f.services.messageTexts().last().contains("0 changed, 0 new, 0 removed"));
        QVERIFY(f.Database().m_FileDirtyFlag);
        QCOMPARE(f.Database().GetDatabaseBytes(), original);

        // Edited elsewhere: a changed text and a removed note.
        WriteText(NoteFile(arc, "0001"), "one, edited\n\n![Picture](0001.png)\n");
        QVERIFY(QFile::remove(NoteFile(arc, "0003")));
        // Unsaved changes are asked about first; No discards them.
        f.services.messageAnswers.enqueue(MsgResult::No);
        f.services.folderAnswers.enqueue(arc);
        Trigger(w, "mnuImportArchive");
        QVERIFY(f.services.messageTexts().last().contains("1 changed, 0 new, 1 removed"));
        QCOMPARE(f.Database().GetNumRecords(), 2);
        QCOMPARE(w.TextEditor()->toPlainText(), QString("one, edited"));
        QVERIFY(f.Database().GetRecordObject(0)->DirtyFlag());
        QVERIFY(!f.Database().GetRecordObject(1)->DirtyFlag());
        Trigger(w, "mnuSave");
        const auto saved = MainWindowFixture::ReadDatabase(dbPath);
        QCOMPARE(saved->GetNumRecords(), 2);
        QCOMPARE(saved->GetRecordObject(0)->RawText(), std::string("one, edited"));
    }

    void aBadArchiveChangesNothing() {
        MainWindowFixture f;
        f.WriteUsers({{101, "Ann", "ann"}});
        const QString dbPath = f.UserFile("ann", "Ann");
        MainWindowFixture::WriteDatabase(dbPath, {"one", "two"});
        frmMain& w = f.Start();
        QTemporaryDir out;
        const QString arc = out.filePath("arc");
        f.services.folderAnswers.enqueue(arc);
        Trigger(w, "mnuExportArchive");
        WriteText(NoteFile(arc, "0002"), "two\nthe arrow \xE2\x86\x92 cannot go\n");
        QFile::remove(arc + "/0001.png");

        f.services.folderAnswers.enqueue(arc);
        Trigger(w, "mnuImportArchive");
        const QString message = f.services.messageTexts().last();
        QVERIFY2(message.contains("nothing was changed"), qPrintable(message));
        QVERIFY2(message.contains("line 2"), qPrintable(message));
        QVERIFY2(message.contains("0001.png, which is missing"), qPrintable(message));
        QCOMPARE(f.Database().GetNumRecords(), 2);
        QVERIFY(!f.Database().m_FileDirtyFlag);
        QCOMPARE(w.TextEditor()->toPlainText(), QString("one"));

        // Exporting into a folder that is not empty is refused.
        f.services.folderAnswers.enqueue(arc);
        Trigger(w, "mnuExportArchive");
        QVERIFY(f.services.messageTexts().last().contains("not empty"));
    }
};

QTEST_MAIN(tst_ArchiveCommands)
#include "tst_ArchiveCommands.moc"
