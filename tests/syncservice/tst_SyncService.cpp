// SPDX-License-Identifier: GPL-3.0-or-later
// quillary-sync as a program: its command line, one sync at a time, handhelds that fall
// silent or hang up, and whole syncs with the simulated handheld over TCP.
#include "SyncServiceRun.h"

#include "QuillaryVersion.h"
#include "storage/clsDatabase.h"
#include "storage/clsQuillaryItem.h"
#include "support/DeskFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace quillary;
using namespace quillary::test;

namespace {

constexpr uint32_t kAnnId = 101;

// The handheld's notes database holding one note per text, as the handheld app makes it.
SimDatabase HandheldNotes(const std::vector<std::string>& texts) {
    clsDatabase db;
    db.m_NewNoteTitle = [] { return std::string("title - "); };
    db.AddNewDatabase();
    SimDatabase sim;
    sim.name = "QuillaryDBv2";
    sim.type = FourCC("Not2");
    sim.creator = FourCC("QLRY");
    sim.appInfo.assign(db.AppInfo().begin(), db.AppInfo().end());
    uint32_t id = 0x00B00001;
    for (const std::string& text : texts) {
        clsQuillaryItem item;
        item.FillDefaultItemStruct("");
        item.SetText(text);
        SimRecord r;
        r.id = id++;
        r.attributes = SimRecord::kDirty;
        r.data = item.RecordBytes();
        sim.records.push_back(std::move(r));
    }
    sim.nextUniqueId = id;
    return sim;
}

QString ReadText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

class tst_SyncService : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_Dir;

    QString Desktop() const { return m_Dir->filePath(QStringLiteral("desktop")); }
    QString Config() const { return m_Dir->filePath(QStringLiteral("config")); }
    QString AnnFile() const { return Desktop() + QStringLiteral("/ann/QLAnn.pdb"); }

    // Ann, known on the PC, with a handheld holding two notes.
    void AnnsHandheld(HandheldSimulator& handheld) {
        handheld.userName = "Ann";
        handheld.userId = kAnnId;
        handheld.AddDatabase(HandheldNotes({"first note", "second note"}));
    }

private slots:
    void init() {
        m_Dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_Dir->isValid());
        QDir().mkpath(Config());
        WriteUsersFile(Desktop(), {{qint32(kAnnId), QStringLiteral("Ann"), QStringLiteral("ann")}});
    }

    void commandLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: quillary-sync [OPTIONS]"
                              << "";
        QTest::newRow("version") << QStringList{"--version"} << 0
                                 << "quillary-sync " QUILLARY_VERSION "\n"
                                 << "";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << ""
                                        << "unknown option \"--bogus\"";
        QTest::newRow("port without value") << QStringList{"--port"} << 2 << ""
                                            << "--port needs a value";
        QTest::newRow("port out of range") << QStringList{"--port", "65536"} << 2 << ""
                                           << "not a number from 0 to 65535";
        QTest::newRow("port not a number") << QStringList{"--port", "12ab"} << 2 << ""
                                           << "not a number from 0 to 65535";
        QTest::newRow("address not an address") << QStringList{"--listen", "nowhere"} << 2 << ""
                                                << "\"nowhere\" is not an IP address";
        QTest::newRow("timeout 0") << QStringList{"--timeout", "0"} << 2 << ""
                                   << "not a number of seconds from 1 to 3600";
        QTest::newRow("timeout too long") << QStringList{"--timeout", "3601"} << 2 << ""
                                          << "not a number of seconds from 1 to 3600";
    }
    void commandLine() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QProcess p;
        p.start(QStringLiteral(SYNC_PROGRAM_PATH), args);
        QVERIFY(p.waitForFinished(kSyncPatience));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), exitCode);
        const QString said = QString::fromUtf8(p.readAllStandardOutput());
        const QString complained = QString::fromUtf8(p.readAllStandardError());
        if (out.endsWith('\n'))
            QCOMPARE(said, out);
        else
            QVERIFY2(said.contains(out), qPrintable(said));
        if (err.isEmpty())
            QVERIFY2(complained.isEmpty(), qPrintable(complained));
        else
            QVERIFY2(complained.contains(err), qPrintable(complained));
    }

    // The help lists every option the program takes.
    void helpNamesEveryOption() {
        QProcess p;
        p.start(QStringLiteral(SYNC_PROGRAM_PATH), {QStringLiteral("--help")});
        QVERIFY(p.waitForFinished(kSyncPatience));
        const QString help = QString::fromUtf8(p.readAllStandardOutput());
        for (const char* option : {"--port N", "--listen ADDRESS", "--once", "--accept-new",
                                   "--timeout SECONDS", "--help", "--version", "14238"})
            QVERIFY2(help.contains(QLatin1String(option)), option);
    }

    // Without --port the port comes from "Network HotSync Port" in the window's settings
    // file, which the service only reads.
    void portFromTheSettings_data() {
        QTest::addColumn<QString>("value"); // "free": a port found free just before
        QTest::addColumn<int>("exitCode");
        QTest::newRow("a free port") << "free" << -1;
        QTest::newRow("0") << "0" << 2;
        QTest::newRow("out of range") << "70000" << 2;
    }
    void portFromTheSettings() {
        QFETCH(QString, value);
        QFETCH(int, exitCode);
        if (value == "free") {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            value = QString::number(probe.serverPort());
        }
        const QString ini = Config() + "/kestwin.ini";
        const QByteArray settings =
            "[Quillary Settings]\nNetwork HotSync Port=" + value.toUtf8() + "\n";
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(settings);
        f.close();
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QUILLARY_DESKTOP_DIR", Desktop());
        env.insert("QUILLARY_CONFIG_DIR", Config());
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(SYNC_PROGRAM_PATH), {"--listen", "127.0.0.1"});
        if (exitCode >= 0) {
            QVERIFY(p.waitForFinished(kSyncPatience));
            QCOMPARE(p.exitCode(), exitCode);
            QVERIFY(p.readAllStandardError().contains("\"Network HotSync Port\" is not a port"));
        } else {
            QVERIFY(QTest::qWaitFor([&] { return p.canReadLine(); }, kSyncPatience));
            QCOMPARE(QString::fromUtf8(p.readLine()), "Listening on 127.0.0.1:" + value + '\n');
            p.kill();
            p.waitForFinished(kSyncPatience);
        }
        QFile back(ini);
        QVERIFY(back.open(QIODevice::ReadOnly));
        QCOMPARE(back.readAll(), settings);
    }

    void portTaken() {
        SyncServiceRun first(Desktop(), Config());
        QVERIFY(first.Start({}));
        QProcess second;
        second.start(QStringLiteral(SYNC_PROGRAM_PATH),
                     {"--port", QString::number(first.Port()), "--listen", "127.0.0.1"});
        QVERIFY(second.waitForFinished(kSyncPatience));
        QCOMPARE(second.exitCode(), 2);
        const QString err = QString::fromUtf8(second.readAllStandardError());
        QVERIFY2(err.contains("cannot listen on 127.0.0.1:" + QString::number(first.Port())),
                 qPrintable(err));
        QCOMPARE(first.Process().state(), QProcess::Running);
    }

    // A handheld that stops answering, or hangs up, at any point ends the sync with exit 1
    // and leaves every PC file as it was. The first sync has made the notes file already.
    void handheldGoneLeavesFilesAsTheyWere_data() {
        QTest::addColumn<bool>("wakes");
        QTest::addColumn<int>("silentAfter");
        QTest::addColumn<int>("hangUpAfter");
        QTest::newRow("says nothing at all") << false << -1 << -1;
        QTest::newRow("silent after the handshake") << true << 0 << -1;
        QTest::newRow("silent after 1 request") << true << 1 << -1;
        QTest::newRow("silent after 6 requests") << true << 6 << -1;
        QTest::newRow("hangs up after the handshake") << true << -1 << 0;
        QTest::newRow("hangs up after 1 request") << true << -1 << 1;
        QTest::newRow("hangs up after 6 requests") << true << -1 << 6;
    }
    void handheldGoneLeavesFilesAsTheyWere() {
        QFETCH(bool, wakes);
        QFETCH(int, silentAfter);
        QFETCH(int, hangUpAfter);
        WriteNotesFile(AnnFile(), {"pc one", "pc two"});
        const auto before = Snapshot(Desktop(), {QStringLiteral("HotSync.log")});

        SyncServiceRun service(Desktop(), Config());
        QVERIFY(service.Start({"--once", "--timeout", "1"}));
        HandheldSimulator handheld;
        AnnsHandheld(handheld);
        handheld.ChangeRecord(handheld.databases[0], handheld.databases[0].records[0].id,
                              HandheldNotes({"changed on the handheld"}).records[0].data);
        handheld.faults.silentAfter = silentAfter;
        handheld.faults.hangUpAfter = hangUpAfter;
        QTcpSocket socket;
        QVERIFY(Connect(socket, service.Port()));
        QElapsedTimer clock;
        clock.start();
        if (wakes)
            Pump(handheld, socket);
        // With --timeout 1 this ends in about a second; without it, after a minute.
        QCOMPARE(service.Wait(30000), 1);
        QVERIFY2(clock.elapsed() < 30000, "the --timeout was not applied");
        QCOMPARE(Snapshot(Desktop(), {QStringLiteral("HotSync.log")}), before);
        if (silentAfter >= 0 || !wakes)
            QVERIFY2(service.Errors().contains("stopped answering (nothing for 1 s)"),
                     qPrintable(service.Errors()));
    }

    // One sync at a time: a second handheld is closed at once, the first goes on to its end.
    void secondConnectionIsClosedWhileTheFirstCompletes() {
        SyncServiceRun service(Desktop(), Config());
        QVERIFY(service.Start({"--once"}));
        HandheldSimulator first;
        AnnsHandheld(first);
        QTcpSocket one;
        QVERIFY(Connect(one, service.Port()));
        // The wake-up is answered: the first sync has begun.
        const std::vector<uint8_t> wake = first.Begin();
        one.write(reinterpret_cast<const char*>(wake.data()), qint64(wake.size()));
        QVERIFY(one.waitForReadyRead(kSyncPatience));

        QTcpSocket two;
        QVERIFY(Connect(two, service.Port()));
        QTRY_COMPARE_WITH_TIMEOUT(two.state(), QAbstractSocket::UnconnectedState, kSyncPatience);
        QVERIFY2(service.Errors().contains("connected while a sync runs"),
                 qPrintable(service.Errors()));

        // The first handheld's bytes that already came, then the rest of its sync.
        const QByteArray hello = one.readAll();
        std::vector<uint8_t> out;
        first.Feed(
            std::span(reinterpret_cast<const uint8_t*>(hello.constData()), size_t(hello.size())),
            out);
        one.write(reinterpret_cast<const char*>(out.data()), qint64(out.size()));
        Pump(first, one, true);
        QCOMPARE(first.endOfSyncStatus, 0);
        QCOMPARE(service.Wait(), 0);
        QVERIFY(QFile::exists(AnnFile()));
    }

    // The whole sync: the handheld's notes reach the PC, the log says so.
    void firstSyncWritesTheNotesAndTheLog() {
        SyncServiceRun service(Desktop(), Config());
        QVERIFY(service.Start());
        HandheldSimulator handheld;
        AnnsHandheld(handheld);
        QTcpSocket socket;
        QVERIFY(Connect(socket, service.Port()));
        Pump(handheld, socket);
        QCOMPARE(service.Wait(), 0);
        QCOMPARE(handheld.endOfSyncStatus, 0);
        QVERIFY(QFile::exists(AnnFile()));
        clsDatabase db;
        db.SetFileName(AnnFile().toStdString());
        std::string error;
        QVERIFY2(db.OpenDatabase({}, &error), error.c_str());
        QCOMPARE(db.GetNumRecords(), 2);
        const QString log = ReadText(Desktop() + QStringLiteral("/ann/HotSync.log"));
        QVERIFY2(log.contains("HotSync of Ann from 127.0.0.1:") && log.contains(": synchronized"),
                 qPrintable(log));
    }

    // Without --once the service goes on listening: one handheld after another, each sync
    // logged.
    void servesOneHandheldAfterAnother() {
        SyncServiceRun service(Desktop(), Config());
        QVERIFY(service.Start({}));
        for (int round = 0; round < 2; ++round) {
            HandheldSimulator handheld;
            AnnsHandheld(handheld);
            QTcpSocket socket;
            QVERIFY(Connect(socket, service.Port()));
            Pump(handheld, socket);
            QCOMPARE(handheld.endOfSyncStatus, 0);
            // The service is done once it has logged the sync; a handheld that comes
            // before is turned away as one during a sync.
            QTRY_COMPARE_WITH_TIMEOUT(service.Errors().count("HotSync of Ann: synchronized"),
                                      round + 1, kSyncPatience);
        }
        QCOMPARE(service.Process().state(), QProcess::Running);
        QCOMPARE(ReadText(Desktop() + QStringLiteral("/ann/HotSync.log")).count(": synchronized"),
                 2);
    }

    // A handheld user the PC does not know: refused unless --accept-new, and then added with
    // a folder of its own.
    void unknownUser_data() {
        QTest::addColumn<bool>("acceptNew");
        QTest::newRow("refused") << false;
        QTest::newRow("--accept-new") << true;
    }
    void unknownUser() {
        QFETCH(bool, acceptNew);
        const auto before = Snapshot(Desktop());
        SyncServiceRun service(Desktop(), Config());
        QVERIFY(service.Start(acceptNew ? QStringList{"--once", "--accept-new"}
                                        : QStringList{"--once"}));
        HandheldSimulator handheld;
        handheld.userName = "Zed";
        handheld.userId = 555;
        handheld.AddDatabase(HandheldNotes({"zed's note"}));
        QTcpSocket socket;
        QVERIFY(Connect(socket, service.Port()));
        Pump(handheld, socket);
        const QString users = ReadText(Desktop() + QStringLiteral("/users.txt"));
        if (!acceptNew) {
            QCOMPARE(service.Wait(), 1);
            QCOMPARE(Snapshot(Desktop()), before);
            QString logged;
            for (const std::string& line : handheld.syncLog)
                logged += QString::fromStdString(line);
            QVERIFY2(logged.contains("does not know the HotSync user Zed") &&
                         logged.contains("--accept-new"),
                     qPrintable(logged));
            QVERIFY2(service.Errors().contains("Zed"), qPrintable(service.Errors()));
        } else {
            QCOMPARE(service.Wait(), 0);
            QVERIFY2(users.contains("101\tAnn\tann\n555\tZed\tZed\n"), qPrintable(users));
            QVERIFY(QFile::exists(Desktop() + QStringLiteral("/Zed/QLZed.pdb")));
            QVERIFY(QFile::exists(Desktop() + QStringLiteral("/Zed/HotSync.log")));
        }
    }
};

QTEST_GUILESS_MAIN(tst_SyncService)
#include "tst_SyncService.moc"
