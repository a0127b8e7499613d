// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/AppContext.h"
#include "core/DatabaseDialogs.h"
#include "core/ImportCommands.h"
#include "core/clsSettings.h"
#include "core/modGlobals.h"
#include "storage/clsBitmap.h"
#include "storage/clsDatabase.h"
#include "storage/clsInsertDatabase.h"
#include "support/ScriptedPlatformServices.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace quillary;
using quillary::test::ScriptedPlatformServices;

namespace {

// One scripted person, a fresh settings file and folder per test.
struct Env {
    QTemporaryDir dir;
    ScriptedPlatformServices services;
    clsSettings settings{dir.filePath("kestwin.ini")};
    AppContext ctx{services, settings, nullptr};

    QString path(const QString& name) const { return dir.filePath(name); }
    QString write(const QString& name, const QByteArray& bytes) const {
        QFile f(path(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path(name);
    }
    QString notesFile(const QString& name, int notes) const {
        clsDatabase db;
        db.m_NewNoteTitle = [] { return std::string("t - "); };
        db.AddNewDatabase();
        for (int i = 0; i < notes; ++i)
            db.AddNewRecord(i);
        db.ExportDatabase(path(name).toStdString());
        return path(name);
    }
};

std::unique_ptr<clsDatabase> NewDatabase() {
    auto db = std::make_unique<clsDatabase>();
    db->m_NewNoteTitle = [] { return std::string("new - "); };
    db->AddNewDatabase();
    db->AddNewRecord(0);
    return db;
}

} // namespace

class tst_DatabaseDialogs : public QObject {
    Q_OBJECT

private slots:
    void openAsksForAFileWhenThereIsNoName_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("opened");
        QTest::addColumn<QString>("message");
        QTest::newRow("cancelled") << "" << false << "";
        QTest::newRow("missing") << "missing.pdb" << false
                                 << "%1 not found.  Please try a different file.";
        QTest::newRow("good") << "good.pdb" << true << "";
    }
    void openAsksForAFileWhenThereIsNoName() {
        QFETCH(QString, answer);
        QFETCH(bool, opened);
        QFETCH(QString, message);
        Env env;
        env.notesFile("good.pdb", 3);
        const QString chosen = answer.isEmpty() ? QString() : env.path(answer);
        env.services.fileAnswers.enqueue(chosen);
        auto db = NewDatabase();
        QCOMPARE(OpenDatabaseInteractive(env.ctx, *db, {}), opened);

        QCOMPARE(env.services.fileDialogs.size(), 1);
        const auto& call = env.services.fileDialogs.first();
        QVERIFY(!call.save);
        QCOMPARE(call.title, QString("Select a Palm Database:"));
        QCOMPARE(call.filters, BuildFileFilter(FilterPalmDatabases));
        QCOMPARE(call.filterIndex, 1);
        if (message.isEmpty()) {
            QVERIFY(env.services.messages.isEmpty());
        } else {
            QCOMPARE(env.services.messageTexts(), QStringList{message.arg(chosen)});
            QCOMPARE(env.services.messages.first().title, QString("Quillary"));
            QCOMPARE(env.services.messages.first().buttons, MsgButtons::OkCancel);
        }
        QCOMPARE(db->GetNumRecords(), opened ? 3 : 1);
        QCOMPARE(QString::fromStdString(db->GetFileName()), opened ? chosen : QString());
    }

    void openReportsMissingAndDamagedFiles() {
        Env env;
        auto db = NewDatabase();
        db->SetFileName(env.path("gone.pdb").toStdString());
        QVERIFY(!OpenDatabaseInteractive(env.ctx, *db, {}));
        QCOMPARE(env.services.messageTexts(), QStringList{"File : " + env.path("gone.pdb") + " not found."});
        QCOMPARE(env.services.messages.first().buttons, MsgButtons::Ok);
        QVERIFY(env.services.fileDialogs.isEmpty());

        // Chosen through the dialog but damaged: reported, name and notes unchanged.
        const QString bad = env.write("bad.pdb", QByteArray(40, 'x'));
        auto fresh = NewDatabase();
        env.services.fileAnswers.enqueue(bad);
        QVERIFY(!OpenDatabaseInteractive(env.ctx, *fresh, {}));
        QCOMPARE(env.services.messages.size(), 2);
        QVERIFY(env.services.messages.last().text.contains(bad));
        QVERIFY(env.services.messages.last().text.contains("too short"));
        QCOMPARE(fresh->GetFileName(), std::string());
        QCOMPARE(fresh->GetNumRecords(), 1);
    }

    void openShowsProgress() {
        Env env;
        auto db = NewDatabase();
        db->m_ScreenDisplayFlag = true;
        db->SetFileName(env.notesFile("p.pdb", 2).toStdString());
        QList<int> values;
        QVERIFY(OpenDatabaseInteractive(env.ctx, *db, [&](int v) { values << v; }));
        QCOMPARE(values, (QList<int>{500, 1000}));
    }

    void saveAsksForANameAndAddsTheExtension_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("stored");
        QTest::newRow("no extension") << "notes" << "notes.pdb";
        QTest::newRow("upper case") << "NOTES.PDB" << "NOTES.PDB";
        QTest::newRow("mixed case") << "a.Pdb" << "a.Pdb";
        QTest::newRow("other extension") << "a.txt" << "a.txt.pdb";
    }
    void saveAsksForANameAndAddsTheExtension() {
        QFETCH(QString, answer);
        QFETCH(QString, stored);
        Env env;
        auto db = NewDatabase();
        db->m_FileDirtyFlag = true;
        env.services.fileAnswers.enqueue(env.path(answer));
        QVERIFY(SaveDatabaseInteractive(env.ctx, *db, {}));
        QCOMPARE(env.services.fileDialogs.size(), 1);
        QVERIFY(env.services.fileDialogs.first().save);
        QCOMPARE(env.services.fileDialogs.first().title,
                 QString("Select Windows Filename for Quillary Database:"));
        QCOMPARE(QString::fromStdString(db->GetFileName()), env.path(stored));
        QVERIFY(QFile::exists(env.path(stored)));
        QVERIFY(!db->m_FileDirtyFlag);
    }

    void saveCancelledOrFailedChangesNothing() {
        Env env;
        auto db = NewDatabase();
        db->m_FileDirtyFlag = true;
        QVERIFY(!SaveDatabaseInteractive(env.ctx, *db, {})); // dialog cancelled
        QVERIFY(env.services.messages.isEmpty());
        env.services.fileAnswers.enqueue(env.path("no-folder/x.pdb"));
        QVERIFY(!SaveDatabaseInteractive(env.ctx, *db, {}));
        QCOMPARE(env.services.messages.size(), 1);
        QVERIFY(env.services.messages.first().text.contains("no-folder/x.pdb"));
        QVERIFY(db->m_FileDirtyFlag);
        QCOMPARE(db->GetFileName(), std::string()); // the next save asks again
    }

    void exportKeepsNameAndDirtyFlag() {
        Env env;
        auto db = NewDatabase();
        db->SetFileName(env.path("main.pdb").toStdString());
        db->m_FileDirtyFlag = true;
        env.services.fileAnswers.enqueue(env.path("copy"));
        QVERIFY(ExportDatabaseInteractive(env.ctx, *db, {}));
        QVERIFY(QFile::exists(env.path("copy.pdb")));
        QVERIFY(!QFile::exists(env.path("main.pdb")));
        QVERIFY(db->m_FileDirtyFlag);
        QCOMPARE(QString::fromStdString(db->GetFileName()), env.path("main.pdb"));
    }

    void insertDatabasesUseTheSameDialogsAndRefuseBitmapInserts() {
        Env env;
        clsInsertDatabase ins;
        ins.AddNewDatabase();
        ins.m_PalmFileName = "Greetings";
        env.services.fileAnswers.enqueue(env.path("greet"));
        QVERIFY(SaveDatabaseInteractive(env.ctx, ins, {}));
        QCOMPARE(env.services.fileDialogs.last().title,
                 QString("Select Windows Filename for Quillary Database:"));
        QVERIFY(QFile::exists(env.path("greet.pdb")));

        QFile f(env.path("greet.pdb"));
        QVERIFY(f.open(QIODevice::ReadWrite));
        f.seek(60);
        f.write("Ins2");
        f.close();
        clsInsertDatabase other;
        env.services.fileAnswers.enqueue(env.path("greet.pdb"));
        QVERIFY(!OpenDatabaseInteractive(env.ctx, other, {}));
        QCOMPARE(env.services.fileDialogs.last().title, QString("Select a Palm Database:"));
        QVERIFY(env.services.messages.last().text.contains("bitmap insert database"));
    }

    void importBitmapItem() {
        Env env;
        clsQuillaryItem item;
        item.FillDefaultItemStruct("x");
        const auto before = item.RecordBytes();
        QVERIFY(!ImportBitmapItemInteractive(env.ctx, item, QString()));
        QCOMPARE(env.services.fileDialogs.first().title, QString("Select a Windows bitmap file:"));
        QCOMPARE(env.services.fileDialogs.first().filters, BuildFileFilter(FilterBitmaps));

        QVERIFY(!ImportBitmapItemInteractive(env.ctx, item, env.path("none.bmp")));
        QCOMPARE(env.services.messageTexts().last(),
                 env.path("none.bmp") +
                     " not found.\r\nImport Aborted: the picture was not changed.");
        QCOMPARE(item.RecordBytes(), before);

        clsBitmap pic;
        pic.InitializeBitmap(32, 2, 1);
        pic.SetPixel(1, 1, true);
        QVERIFY(pic.SaveWinBmpFile(env.path("p.bmp").toStdString()));
        env.services.fileAnswers.enqueue(env.path("p.bmp"));
        QVERIFY(ImportBitmapItemInteractive(env.ctx, item, QString()));
        clsBitmap back;
        QVERIFY(item.GetBitmap(back));
        QVERIFY(back == pic);
    }

    void openTextFileDialog() {
        Env env;
        QCOMPARE(OpenTextFileDialog(env.ctx, 2), QString());
        QCOMPARE(env.services.fileDialogs.first().title, QString("Open Text File:"));
        QCOMPARE(env.services.fileDialogs.first().filterIndex, 2);
        QCOMPARE(env.services.fileDialogs.first().filters, BuildFileFilter(FilterImportTexts));
        env.services.fileAnswers.enqueue(env.path("nope.txt"));
        QCOMPARE(OpenTextFileDialog(env.ctx, 1), QString());
        QCOMPARE(env.services.messageTexts(),
                 QStringList{env.path("nope.txt") + " not found.  Please try a different file."});
        const QString real = env.write("real.txt", "x");
        env.services.fileAnswers.enqueue(real);
        QCOMPARE(OpenTextFileDialog(env.ctx, 1), real);
    }

    void textImportsAskReportAndAppend() {
        Env env;
        auto db = NewDatabase();
        // Cancelled: nothing.
        ImportResult r = AppendRawTextNotesInteractive(env.ctx, *db, QString());
        QCOMPARE(r.imported, 0);
        QCOMPARE(env.services.fileDialogs.last().filterIndex, 1);
        QVERIFY(!db->m_FileDirtyFlag);

        env.services.fileAnswers.enqueue(env.write("raw.txt", "one\r\ntwo|\r\nthree"));
        r = AppendRawTextNotesInteractive(env.ctx, *db, QString());
        QCOMPARE(r.imported, 2);
        QCOMPARE(db->GetNumRecords(), 3);
        QVERIFY(env.services.messages.isEmpty());

        env.write("a.txt", "A");
        const QString list = env.write("list.txt", QString("0,x\r\nc\r\n%1,%2\r\n%1,%3\r\n")
                                                       .arg(env.path("a.txt"), env.path("m1.bmp"),
                                                            env.path("m2.bmp"))
                                                       .toUtf8());
        env.services.fileAnswers.enqueue(list);
        r = ImportListFormatInteractive(env.ctx, *db, QString());
        QCOMPARE(env.services.fileDialogs.last().filterIndex, 2);
        QCOMPARE(r.imported, 2);
        QCOMPARE(env.services.messages.size(), 1); // one report for all problems
        QVERIFY(env.services.messages.first().text.contains("m1.bmp not found."));
        QVERIFY(env.services.messages.first().text.contains("m2.bmp not found."));

        clsInsertDatabase ins;
        ins.AddNewDatabase();
        r = AppendRawTextInsertDBInteractive(env.ctx, ins, env.write("i.txt", "#A#B#C#D#"));
        QCOMPARE(r.imported, 2);
        QCOMPARE(ins.GetRecordObject(1)->Title, std::string("C"));
        QVERIFY(ins.m_FileDirtyFlag);

        // Titles are the file's Windows-1252 bytes; the message shows them as written.
        env.services.messages.clear();
        r = AppendRawTextInsertDBInteractive(env.ctx, ins,
                                             env.write("w.txt", "#Caf\xe9 \x80#text#Na\xefve"));
        QCOMPARE(r.imported, 2);
        QCOMPARE(env.services.messages.size(), 1);
        QVERIFY2(env.services.messages.first().text.contains(QString::fromUtf8("\"Na\u00efve\"")),
                 qPrintable(env.services.messages.first().text));
        QCOMPARE(ins.GetRecordObject(2)->Title, std::string("Caf\xe9 \x80"));
    }

    void databaseImportsAskWithTheOpenDialog() {
        Env env;
        auto db = NewDatabase();
        env.services.fileAnswers.enqueue(env.notesFile("other.pdb", 2));
        const ImportResult r = AppendDatabaseNotesInteractive(env.ctx, *db, QString(), {});
        QCOMPARE(env.services.fileDialogs.last().title, QString("Select a Palm Database:"));
        QCOMPARE(r.imported, 2);
        QCOMPARE(db->GetNumRecords(), 3);
        QVERIFY(db->GetRecordObject(2)->DirtyFlag());

        clsInsertDatabase ins;
        ins.AddNewDatabase();
        const ImportResult none = AppendDatabaseInsertsInteractive(env.ctx, ins, env.path("other.pdb"), {});
        QCOMPARE(none.imported, 0);
        QVERIFY(env.services.messages.last().text.contains("not a text insert database"));
    }
};

QTEST_MAIN(tst_DatabaseDialogs)
#include "tst_DatabaseDialogs.moc"
