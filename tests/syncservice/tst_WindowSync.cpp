// SPDX-License-Identifier: GPL-3.0-or-later
// The sync service beside a running window: the window refuses a sync of the notes it
// holds unsaved and rereads them after one, it asks the person about a handheld user the
// PC does not know, and Options' "Listen for network HotSync" runs quillary-sync as the
// window's child.
#include "SyncServiceRun.h"

#include "mainwindow/HotSyncHandler.h"
#include "mainwindow/MainCommands.h"
#include "mainwindow/MainWindowFixture.h"
#include "mainwindow/NetworkSyncRunner.h"
#include "session/OpenFileGuard.h"
#include "storage/clsQuillaryItem.h"
#include "support/RequiredTools.h"
#include "syncservice/DesktopSyncHost.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDBusConnection>
#include <QDialog>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTcpServer>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <functional>

using namespace quillary;
using namespace quillary::test;
using sync::SyncUser;

namespace {

constexpr qint32 kAnn = 101;

const QString kRefusalText =
    QStringLiteral("Synchronization was stopped, because the current user has unsaved "
                   "changes!\rTry saving your changes and then resynchronizing.");

// Ann shown (2 notes), HotSync notification on the test's session bus.
void StartAnn(MainWindowFixture& f) {
    f.WriteUsers({{kAnn, "Ann", "ann"}});
    MainWindowFixture::WriteDatabase(f.UserFile("ann", "Ann"), {"ann one", "ann two"});
    frmMain& w = f.Start();
    QCOMPARE(w.NoteSelector()->count(), 2);
    QVERIFY(StartHotSyncNotification(w));
}

// Ann's handheld: one note made there, the categories as the window's database has them.
SimDatabase AnnsHandheldNotes(MainWindowFixture& f) {
    SimDatabase notes;
    notes.name = "QuillaryDBv2";
    notes.type = FourCC("Not2");
    notes.creator = FourCC("QLRY");
    notes.appInfo.assign(f.Database().AppInfo().begin(), f.Database().AppInfo().end());
    clsQuillaryItem item;
    item.FillDefaultItemStruct("from the handheld");
    notes.records.push_back({0x00B00001, SimRecord::kDirty, 0, item.RecordBytes()});
    notes.nextUniqueId = 0x00B00002;
    return notes;
}

// Runs `work` on a thread of its own, as the service runs a sync, while this thread keeps
// answering the window's events and the bus.
void OnSyncThread(const std::function<void()>& work) {
    std::unique_ptr<QThread> thread(QThread::create(work));
    thread->start();
    QVERIFY(QTest::qWaitFor([&] { return thread->isFinished(); }, kSyncPatience));
    thread->wait();
}

void SetListening(frmMain& w, bool on) {
    WithModal([&] { w.Commands().Action("mnuSettings")->trigger(); },
              [on](QDialog* d) {
                  auto* box = d->findChild<QCheckBox*>("chkListenNetworkSync");
                  QVERIFY(box);
                  QCOMPARE(box->text(), QString("Listen for network HotSync"));
                  box->setChecked(on);
                  d->findChild<QAbstractButton*>("cmdDone")->click();
              });
}

bool Accepts(quint16 port) {
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    return socket.waitForConnected(kSyncPatience);
}

} // namespace

class tst_WindowSync : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (!QDBusConnection::sessionBus().isConnected())
            QUILLARY_REQUIRE_OR_SKIP(
                "no D-Bus session bus (install dbus: each test starts its own)");
    }

    // While Ann's notes are unsaved the window refuses her sync and says why; once they
    // are saved the sync goes ahead, and afterwards the window shows what it wrote.
    void windowRefusesUnsavedNotesAndRereadsAfter() {
        MainWindowFixture f;
        StartAnn(f);
        frmMain& w = f.Window();
        QTest::keyClicks(w.TextEditor(), "!");
        QVERIFY(f.Database().m_FileDirtyFlag);

        std::optional<SyncUser> ann;
        bool allowed = true;
        std::string refusal;
        OnSyncThread([&] {
            DesktopSyncHost host({});
            ann = host.FindUser("Ann", kAnn);
            if (ann)
                allowed = host.BeforeSync(*ann, &refusal);
        });
        QVERIFY(ann);
        QVERIFY(!allowed);
        QVERIFY2(refusal.find("unsaved changes") != std::string::npos, refusal.c_str());
        QTRY_COMPARE_WITH_TIMEOUT(f.services.messages.size(), 1, kSyncPatience);
        QCOMPARE(f.services.messages.first().text, kRefusalText);
        QVERIFY(f.Database().m_FileDirtyFlag);

        w.Commands().Action("mnuSave")->trigger();
        QVERIFY(!f.Database().m_FileDirtyFlag);
        OnSyncThread([&] {
            DesktopSyncHost host({});
            allowed = host.BeforeSync(*ann, &refusal);
            if (allowed) {
                // What the sync leaves in Ann's file.
                MainWindowFixture::WriteDatabase(f.UserFile("ann", "Ann"),
                                                 {"synced one", "synced two", "synced three"});
                host.AfterSync(*ann, sync::SyncReport{});
            }
        });
        QVERIFY(allowed);
        QTRY_COMPARE_WITH_TIMEOUT(w.NoteSelector()->count(), 3, kSyncPatience);
        QCOMPARE(w.TextEditor()->toPlainText(), QString("synced one"));
        QCOMPARE(f.services.messages.size(), 1);
    }

    // Between the window's yes and the sync's end, the file changes under the window: it
    // asks nothing about that (the end rereads it), also when it looks at the file then.
    void fileChangedDuringTheSyncAsksNothing() {
        MainWindowFixture f;
        StartAnn(f);
        frmMain& w = f.Window();
        std::optional<SyncUser> ann;
        bool allowed = false;
        OnSyncThread([&] {
            DesktopSyncHost host({});
            ann = host.FindUser("Ann", kAnn);
            allowed = ann && host.BeforeSync(*ann, nullptr);
        });
        QVERIFY(allowed);
        MainWindowFixture::WriteDatabase(f.UserFile("ann", "Ann"),
                                         {"synced one", "synced two", "synced three"});
        w.FileGuard().CheckFileNow();
        QTest::qWait(0);
        QVERIFY2(f.services.messages.isEmpty(), qPrintable(f.services.messages.value(0).text));
        QCOMPARE(w.NoteSelector()->count(), 2);
        OnSyncThread([&] { DesktopSyncHost({}).AfterSync(*ann, sync::SyncReport{}); });
        QTRY_COMPARE_WITH_TIMEOUT(w.NoteSelector()->count(), 3, kSyncPatience);
        QVERIFY(f.services.messages.isEmpty());
    }

    // With the window running, a new handheld user is added only when the person says yes
    // to the window's question.
    void windowAsksAboutANewHandheld_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void windowAsksAboutANewHandheld() {
        QFETCH(bool, yes);
        MainWindowFixture f;
        StartAnn(f);
        const QString usersFile = f.DesktopDir() + "/users.txt";
        QFile file(usersFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray usersBefore = file.readAll();
        file.close();
        f.services.messageAnswers.enqueue(yes ? MsgResult::Yes : MsgResult::No);

        std::optional<SyncUser> zed;
        std::string refusal;
        OnSyncThread([&] { zed = DesktopSyncHost({}).AddUser("Zed", 555, &refusal); });

        QCOMPARE(f.services.messages.size(), 1);
        const auto& asked = f.services.messages.first();
        QVERIFY2(asked.text.contains("\"Zed\" (user ID 555)"), qPrintable(asked.text));
        QCOMPARE(asked.buttons, MsgButtons::YesNo);
        QCOMPARE(asked.icon, MsgIcon::Question);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray usersAfter = file.readAll();
        QCOMPARE(zed.has_value(), yes);
        if (yes) {
            QCOMPARE(usersAfter, usersBefore + "555\tZed\tZed\n");
            QVERIFY(QDir(f.DesktopDir() + "/Zed").exists());
        } else {
            QCOMPARE(usersAfter, usersBefore);
            QVERIFY2(refusal.find("declined") != std::string::npos, refusal.c_str());
        }
    }

    // The check box stores its key and starts quillary-sync, which listens until the box
    // is cleared; closing the window stops it too.
    void optionStartsAndStopsTheService() {
        MainWindowFixture f;
        StartAnn(f);
        frmMain& w = f.Window();
        // Port 0: the service picks a free one and says which.
        f.Settings().SetInt(Config::NetworkHotSyncPort, 0);
        NetworkSyncRunner& runner = NetworkSyncRunner::For(w);
        runner.SetProgram(QStringLiteral(SYNC_PROGRAM_PATH));

        SetListening(w, true);
        QCOMPARE(f.Settings().GetSetting("Listen For Network HotSync"), QString("1"));
        QTRY_VERIFY_WITH_TIMEOUT(runner.Port() != 0, kSyncPatience);
        const quint16 port = runner.Port();
        QCOMPARE(w.statusBar()->currentMessage(),
                 "Listening for network HotSync on port " + QString::number(port) + '.');
        QVERIFY(Accepts(port));

        SetListening(w, false);
        QCOMPARE(f.Settings().GetSetting("Listen For Network HotSync"), QString("0"));
        QVERIFY(!runner.IsRunning());
        QVERIFY(!Accepts(port));
        QCOMPARE(w.statusBar()->currentMessage(), QString("Network HotSync is off."));

        SetListening(w, true);
        QTRY_VERIFY_WITH_TIMEOUT(runner.Port() != 0, kSyncPatience);
        const quint16 again = runner.Port();
        QVERIFY(Accepts(again));
        f.Close();
        QVERIFY(!Accepts(again));
    }

    // A port already taken, or no program to run: the window says so in its status bar
    // and works on.
    void couldNotStartIsShownInTheStatusBar_data() {
        QTest::addColumn<bool>("portTaken");
        QTest::addColumn<QString>("program");
        QTest::newRow("port taken") << true << SYNC_PROGRAM_PATH;
        QTest::newRow("program missing") << false << "/nonexistent/quillary-sync";
    }
    void couldNotStartIsShownInTheStatusBar() {
        QFETCH(bool, portTaken);
        QFETCH(QString, program);
        QTcpServer squatter;
        QVERIFY(squatter.listen(QHostAddress::Any, 0));
        MainWindowFixture f;
        StartAnn(f);
        frmMain& w = f.Window();
        f.Settings().SetInt(Config::NetworkHotSyncPort, portTaken ? squatter.serverPort() : 0);
        NetworkSyncRunner& runner = NetworkSyncRunner::For(w);
        runner.SetProgram(program);
        QSignalSpy stopped(&runner, &NetworkSyncRunner::stopped);
        SetListening(w, true);
        QTRY_COMPARE_WITH_TIMEOUT(stopped.size(), 1, kSyncPatience);
        const QString said = w.statusBar()->currentMessage();
        QVERIFY2(said.startsWith("Network HotSync could not start: "), qPrintable(said));
        if (portTaken)
            QVERIFY2(said.contains(
                         "cannot listen on [::]:" + QString::number(squatter.serverPort()) + ": "),
                     qPrintable(said));
        QVERIFY(!runner.IsRunning());
        QCOMPARE(f.Settings().GetSetting("Listen For Network HotSync"), QString("1"));
    }

    // The whole way with saved notes: the handheld's new note reaches Ann's file, and the
    // window reads it again and says what the HotSync changed.
    void serviceSyncIsShownInTheWindow() {
        MainWindowFixture f;
        StartAnn(f);
        frmMain& w = f.Window();
        SyncServiceRun service(f.DesktopDir(), f.Root() + "/config");
        QVERIFY(service.Start());
        HandheldSimulator handheld;
        handheld.userName = "Ann";
        handheld.userId = kAnn;
        handheld.AddDatabase(AnnsHandheldNotes(f));
        QTcpSocket socket;
        QVERIFY(Connect(socket, service.Port()));
        Pump(handheld, socket);
        QCOMPARE(service.Wait(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(w.NoteSelector()->count(), 3, kSyncPatience);
        QTRY_VERIFY_WITH_TIMEOUT(w.FileGuard().ReportText().startsWith("HotSync: "), kSyncPatience);
        QVERIFY2(w.FileGuard().ReportText().contains("1 note added"),
                 qPrintable(w.FileGuard().ReportText()));
        QVERIFY(!f.Database().m_FileDirtyFlag);
        QVERIFY(f.services.messages.isEmpty());
    }

    // The whole way: quillary-sync and a simulated handheld of Ann while the window holds
    // her notes unsaved. The handheld is told, and no file changes.
    void serviceRefusedByTheWindowTellsTheHandheld() {
        MainWindowFixture f;
        StartAnn(f);
        frmMain& w = f.Window();
        QTest::keyClicks(w.TextEditor(), "!");
        const auto before = Snapshot(f.DesktopDir(), {QStringLiteral("HotSync.log")});

        SyncServiceRun service(f.DesktopDir(), f.Root() + "/config");
        QVERIFY(service.Start());
        HandheldSimulator handheld;
        handheld.userName = "Ann";
        handheld.userId = kAnn;
        handheld.AddDatabase(AnnsHandheldNotes(f));
        QTcpSocket socket;
        QVERIFY(Connect(socket, service.Port()));
        Pump(handheld, socket);
        QCOMPARE(service.Wait(), 1);
        QCOMPARE(Snapshot(f.DesktopDir(), {QStringLiteral("HotSync.log")}), before);
        QString logged;
        for (const std::string& line : handheld.syncLog)
            logged += QString::fromStdString(line);
        QVERIFY2(logged.contains("unsaved changes"), qPrintable(logged));
        QTRY_COMPARE_WITH_TIMEOUT(f.services.messages.size(), 1, kSyncPatience);
        QCOMPARE(f.services.messages.first().text, kRefusalText);
        QVERIFY(f.Database().m_FileDirtyFlag);
    }
};

QTEST_MAIN(tst_WindowSync)
#include "tst_WindowSync.moc"
