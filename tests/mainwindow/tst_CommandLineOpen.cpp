// SPDX-License-Identifier: GPL-3.0-or-later
// Opening a notes database named on the command line, directly or handed on by a later
// start to the running instance.
#include "MainWindowFixture.h"
#include "mainwindow/CommandLineOpener.h"
#include "mainwindow/Startup.h"
#include "shell/SingleInstance.h"
#include "storage/clsInsertDatabase.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTimer>
#include <QUuid>
#include <QtTest>

using namespace quillary;
using namespace quillary::test;

namespace {

QString UniqueKey() {
    return "quillary-test-" + QUuid::createUuid().toString(QUuid::Id128);
}

// Ann's notes are shown at start; other.pdb holds two notes of its own.
struct Setup {
    MainWindowFixture f;
    QString other;
    Setup() {
        f.WriteUsers({{101, "Ann", "ann"}});
        MainWindowFixture::WriteDatabase(f.UserFile("ann", "Ann"), {"ann one"});
        other = f.Root() + "/other.pdb";
        MainWindowFixture::WriteDatabase(other, {"other one", "other two"});
    }
};

void WriteInsertDatabase(const QString& path) {
    clsInsertDatabase inserts;
    inserts.AddNewDatabase();
    inserts.m_PalmFileName = "Snippets";
    inserts.SetFileName(path.toStdString());
    QVERIFY(inserts.SaveDatabase());
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class tst_CommandLineOpen : public QObject {
    Q_OBJECT

private slots:
    void fileArgument_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected"); // relative to the working folder
        QTest::newRow("none") << QStringList{"quillary"} << QString();
        QTest::newRow("relative") << QStringList{"quillary", "a b.pdb"} << QString("a b.pdb");
        QTest::newRow("after an option")
            << QStringList{"quillary", "--unknown", "sub/../n.pdb"} << QString("n.pdb");
        QTest::newRow("absolute") << QStringList{"quillary", "/x/y.pdb"} << QString("/x/y.pdb");
        QTest::newRow("only options") << QStringList{"quillary", "-x", ""} << QString();
    }
    void fileArgument() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        const QString got = CommandLineOpener::FileArgument(arguments);
        if (expected.isEmpty())
            QVERIFY(got.isEmpty());
        else
            QCOMPARE(got, QDir::cleanPath(QDir::current().absoluteFilePath(expected)));
    }

    // What a file holds decides: a notes database opens, anything else leaves the shown
    // notes as they were and says why.
    void opensOnlyANotesDatabase_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message"); // empty: opens without a word
        QTest::newRow("notes") << "notes" << QString();
        QTest::newRow("text inserts")
            << "inserts"
            << "is not a Quillary notes database: it is an insert database (type Inst)";
        QTest::newRow("other type") << "other"
                                    << "it is a database of type \"TEXt\"";
        QTest::newRow("missing") << "missing"
                                 << "not found";
        QTest::newRow("damaged notes") << "damaged"
                                       << "";
    }
    void opensOnlyANotesDatabase() {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        Setup s;
        frmMain& w = s.f.Start();
        const std::string shown = s.f.Database().GetFileName();
        QString path = s.other;
        if (kind == "inserts") {
            path = s.f.Root() + "/inserts.pdb";
            WriteInsertDatabase(path);
        } else if (kind == "other") {
            QFile file(s.other);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QByteArray bytes = file.readAll();
            bytes.replace(60, 4, "TEXt");
            path = s.f.Root() + "/book.pdb";
            WriteBytes(path, bytes);
        } else if (kind == "missing") {
            path = s.f.Root() + "/gone.pdb";
        } else if (kind == "damaged") {
            QFile file(s.other);
            QVERIFY(file.open(QIODevice::ReadOnly));
            path = s.f.Root() + "/cut.pdb";
            WriteBytes(path, file.read(100)); // a notes header, then nothing
        }

        const bool opened = w.OpenNotesFile(path);

        QCOMPARE(opened, kind == "notes");
        if (kind == "notes") {
            QVERIFY(s.f.services.messages.isEmpty());
            QCOMPARE(QString::fromStdString(s.f.Database().GetFileName()), path);
            QCOMPARE(w.NoteSelector()->count(), 2);
            QCOMPARE(w.TextEditor()->toPlainText(), QString("other one"));
            QCOMPARE(s.f.Settings().GetSetting("Recent File0"), path);
            return;
        }
        QCOMPARE(s.f.services.messages.size(), 1);
        if (!message.isEmpty())
            QVERIFY2(s.f.services.messages.first().text.contains(message),
                     qPrintable(s.f.services.messages.first().text));
        QVERIFY(s.f.services.messages.first().text.contains(path));
        QCOMPARE(s.f.Database().GetFileName(), shown);
        QCOMPARE(w.NoteSelector()->count(), 1);
        QCOMPARE(w.TextEditor()->toPlainText(), QString("ann one"));
    }

    void unsavedChangesAreAskedAbout_data() {
        QTest::addColumn<MsgResult>("answer");
        QTest::addColumn<bool>("opened");
        QTest::addColumn<QString>("annOnDisk");
        QTest::newRow("yes") << MsgResult::Yes << true << "ann one!";
        QTest::newRow("no") << MsgResult::No << true << "ann one";
        QTest::newRow("cancel") << MsgResult::Cancel << false << "ann one";
    }
    void unsavedChangesAreAskedAbout() {
        QFETCH(MsgResult, answer);
        QFETCH(bool, opened);
        QFETCH(QString, annOnDisk);
        Setup s;
        frmMain& w = s.f.Start();
        QTest::keyClicks(w.TextEditor(), "!");
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));
        s.f.services.messageAnswers << answer;

        QCOMPARE(w.OpenNotesFile(s.other), opened);

        QCOMPARE(s.f.services.messages.size(), 1);
        QVERIFY(s.f.services.messages.first().text.startsWith("Do you want to save your changes"));
        auto ann = MainWindowFixture::ReadDatabase(s.f.UserFile("ann", "Ann"));
        QCOMPARE(QString::fromStdString(ann->GetRecordObject(0)->RawText()), annOnDisk);
        QCOMPARE(w.TextEditor()->toPlainText(), opened ? "other one" : "ann one!");
        QCOMPARE(w.windowTitle().section(" - ", 0, 0),
                 opened ? QString("Quillary") : QString("Quillary*"));
    }

    // An insert database is refused before anything is asked: unsaved notes stay as they are.
    void refusalAsksNothingAndKeepsEdits() {
        Setup s;
        frmMain& w = s.f.Start();
        QTest::keyClicks(w.TextEditor(), "!");
        const QString inserts = s.f.Root() + "/inserts.pdb";
        WriteInsertDatabase(inserts);
        QVERIFY(!w.OpenNotesFile(inserts));
        QCOMPARE(s.f.services.messages.size(), 1);
        QCOMPARE(s.f.services.messages.first().buttons, MsgButtons::Ok);
        QCOMPARE(w.TextEditor()->toPlainText(), QString("ann one!"));
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));
    }

    // A later start hands its file to the running instance, whose window opens it; the
    // path survives spaces, newlines and non-ASCII letters.
    void secondStartHandsTheFileToTheRunningInstance() {
        Setup s;
        const QString odd = s.f.Root() + "/odd name\n%41 é.pdb";
        QVERIFY(QFile::copy(s.other, odd));
        const QString key = UniqueKey();
        SingleInstance first(key);
        QVERIFY(first.Claim());
        CommandLineOpener opener(&first);
        frmMain& w = s.f.Start();
        opener.Start(w, QString());

        bool secondClaimed = true;
        bool secondAnswered = false;
        QTimer::singleShot(0, [&] {
            SingleInstance second(key);
            secondClaimed = second.Claim({odd});
            secondAnswered = second.RunningInstanceAnswered();
        });
        QTRY_COMPARE(QString::fromStdString(s.f.Database().GetFileName()), odd);
        QVERIFY(!secondClaimed);
        QVERIFY(secondAnswered);
        QCOMPARE(w.TextEditor()->toPlainText(), QString("other one"));
    }

    // A dialog working on the open database keeps it until it is closed; the file waits.
    void fileWaitsForAnOpenDialog() {
        Setup s;
        frmMain& w = s.f.Start();
        CommandLineOpener opener(nullptr);
        opener.Start(w, QString());
        QDialog dialog(&w);
        dialog.setModal(true);
        dialog.show();
        QTRY_COMPARE(QApplication::activeModalWidget(), &dialog);

        // The opener has looked twice and put the file off each time: no clock needed to
        // know that it would have opened it by now.
        QSignalSpy waiting(&opener, &CommandLineOpener::fileWaiting);
        opener.Start(w, s.other);
        QTRY_VERIFY_WITH_TIMEOUT(waiting.size() >= 2, 30000);
        QCOMPARE(waiting.first().first().toString(), s.other);
        QCOMPARE(s.f.Database().GetFileName(), s.f.UserFile("ann", "Ann").toStdString());
        QCOMPARE(w.TextEditor()->toPlainText(), QString("ann one"));

        dialog.close();
        QTRY_COMPARE(QString::fromStdString(s.f.Database().GetFileName()), s.other);
        QCOMPARE(w.TextEditor()->toPlainText(), QString("other one"));
    }

    // Files asked for while the program starts wait for the window and open in order,
    // after the program's own.
    void requestsDuringStartWaitForTheWindow() {
        Setup s;
        const QString third = s.f.Root() + "/third.pdb";
        MainWindowFixture::WriteDatabase(third, {"third one"});
        const QString key = UniqueKey();
        SingleInstance first(key);
        QVERIFY(first.Claim());
        CommandLineOpener opener(&first);
        emit first.openRequested({third});
        // Whatever the request set going runs now, before there is a window to open it in.
        QCoreApplication::processEvents();
        frmMain& w = s.f.Start();
        QCOMPARE(w.TextEditor()->toPlainText(), QString("ann one"));

        opener.Start(w, s.other);

        QTRY_COMPARE(QString::fromStdString(s.f.Database().GetFileName()), third);
        QCOMPARE(s.f.Settings().GetSetting("Recent File0"), third);
        QCOMPARE(s.f.Settings().GetSetting("Recent File1"), s.other);
        QVERIFY(s.f.services.messages.isEmpty());
    }
};

QTEST_MAIN(tst_CommandLineOpen)
#include "tst_CommandLineOpen.moc"
