// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainWindowFixture.h"

#include "mainwindow/HotSyncHandler.h"
#include "mainwindow/MainCommands.h"
#include "core/clsNotify.h"
#include "storage/VersionStore.h"
#include "storage/clsDatabase.h"
#include "support/RequiredTools.h"

#include <QAction>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDialog>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTest>

using namespace quillary;
using namespace quillary::test;

namespace {

const qint32 kStart = qint32(clsNotify::kCodeSyncStarting);
const qint32 kDoneA = qint32(clsNotify::kCodeSyncDoneA);
const qint32 kDoneB = qint32(clsNotify::kCodeSyncDoneB);
const qint32 kAnn = 101;
const qint32 kBob = -2; // 4294967294 as an unsigned ID

// How long a test waits for what a timer or the bus brings before calling it lost: only
// a failing test waits this long, and a loaded machine never should.
constexpr int kPatience = 30000;

const QString kService = QString::fromLatin1(clsNotify::kServiceName);
const QString kRefusalText =
    QStringLiteral("Synchronization was stopped, because the current user has unsaved "
                   "changes!\rTry saving your changes and then resynchronizing.");

// Ann (shown at start, 2 notes) and Bob; HotSync notification on the session bus.
void StartTwoUsers(MainWindowFixture& f) {
    f.WriteUsers({{kAnn, "Ann", "ann"}, {kBob, "Bob", "bob"}});
    MainWindowFixture::WriteDatabase(f.UserFile("ann", "Ann"), {"ann one", "ann two"});
    MainWindowFixture::WriteDatabase(f.UserFile("bob", "Bob"), {"bob one"});
    frmMain& w = f.Start();
    QCOMPARE(w.TextEditor()->toPlainText(), QString("ann one"));
    QVERIFY(StartHotSyncNotification(w));
}

// What the HotSync leaves in Ann's file.
void SyncAnnsFile(MainWindowFixture& f) {
    MainWindowFixture::WriteDatabase(f.UserFile("ann", "Ann"),
                                     {"synced one", "synced two", "synced three"});
}

HotSyncHandler* Handler(frmMain& w) {
    return w.findChild<HotSyncHandler*>();
}

struct ClientRun {
    int exitCode = -1;
    QString err;
};

// Runs quillary-hotsync while this process keeps answering on the bus.
ClientRun RunClient(const QStringList& args, const QString& busAddress = QString()) {
    QProcess p;
    if (!busAddress.isNull()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", busAddress);
        p.setProcessEnvironment(env);
    }
    p.start(QStringLiteral(HOTSYNC_CLIENT_PATH), args);
    if (!p.waitForStarted(60000))
        return {};
    ClientRun run;
    if (!QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 30000))
        return run;
    run.err = QString::fromLocal8Bit(p.readAllStandardError());
    if (p.exitStatus() == QProcess::NormalExit)
        run.exitCode = p.exitCode();
    return run;
}

} // namespace

class tst_HotSync : public QObject {
    Q_OBJECT

    // A connection of its own, so calls travel through the bus daemon instead of being
    // short-cut inside the process.
    QDBusConnection m_Client{QString()};

    QDBusPendingCall Call(qint32 code, qint32 userId) {
        QDBusMessage m = QDBusMessage::createMethodCall(
            kService, QString::fromLatin1(clsNotify::kObjectPath),
            QString::fromLatin1(clsNotify::kInterfaceName), QStringLiteral("HS_Notify"));
        m << code << userId;
        return m_Client.asyncCall(m, 30000);
    }

private slots:
    void initTestCase() {
        if (!QDBusConnection::sessionBus().isConnected())
            QUILLARY_REQUIRE_OR_SKIP(
                "no D-Bus session bus (install dbus: each test starts its own)");
        m_Client = QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                 QStringLiteral("tst_HotSync client"));
        QVERIFY(m_Client.isConnected());
    }

    void cleanupTestCase() {
        QDBusConnection::disconnectFromBus(QStringLiteral("tst_HotSync client"));
    }

    void notificationsOverTheBus_data() {
        QTest::addColumn<qint32>("code");
        QTest::addColumn<qint32>("userId");
        QTest::addColumn<bool>("unsaved");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<bool>("reread");
        // Bob is not shown: never refused, never reread.
        QTest::newRow("other user, start, unsaved") << kStart << kBob << true << false << false;
        QTest::newRow("other user, end A") << kDoneA << kBob << false << false << false;
        QTest::newRow("other user, end B") << kDoneB << kBob << false << false << false;
        QTest::newRow("unknown user, start, unsaved") << kStart << 7 << true << false << false;
        QTest::newRow("shown user, start, saved") << kStart << kAnn << false << false << false;
        QTest::newRow("shown user, start, unsaved") << kStart << kAnn << true << true << false;
        QTest::newRow("shown user, end A") << kDoneA << kAnn << false << false << true;
        QTest::newRow("shown user, end B") << kDoneB << kAnn << false << false << true;
        QTest::newRow("code below start, unsaved") << kStart - 1 << kAnn << true << false << false;
        QTest::newRow("code 0, unsaved") << 0 << kAnn << true << false << false;
        QTest::newRow("start code without its top bit")
            << qint32(0x3FF80001) << kAnn << true << false << false;
    }
    void notificationsOverTheBus() {
        QFETCH(qint32, code);
        QFETCH(qint32, userId);
        QFETCH(bool, unsaved);
        QFETCH(bool, refused);
        QFETCH(bool, reread);
        MainWindowFixture f;
        StartTwoUsers(f);
        frmMain& w = f.Window();
        if (unsaved)
            QTest::keyClicks(w.TextEditor(), "!");
        QCOMPARE(f.Database().m_FileDirtyFlag, unsaved);
        const QString shown = w.TextEditor()->toPlainText();
        SyncAnnsFile(f);

        QDBusPendingCall call = Call(code, userId);
        QVERIFY(QTest::qWaitFor([&] { return call.isFinished(); }, 30000));
        const QDBusPendingReply<bool> reply(call);
        QVERIFY2(reply.isValid(), qPrintable(reply.error().message()));
        QCOMPARE(reply.value(), refused);

        // The call only arms a timer; a timer that was never armed can show or reread
        // nothing later, so there is nothing to wait for in those rows.
        HotSyncHandler* handler = Handler(w);
        QVERIFY(handler);
        if (!refused)
            QVERIFY(!handler->NotifyTimer(0).isActive());
        if (!reread)
            QVERIFY(!handler->NotifyTimer(1).isActive());
        if (refused)
            QTRY_COMPARE_WITH_TIMEOUT(f.services.messages.size(), 1, kPatience);
        if (reread)
            QTRY_COMPARE_WITH_TIMEOUT(w.NoteSelector()->count(), 3, kPatience);
        QCOMPARE(f.services.messages.size(), refused ? 1 : 0);
        if (refused) {
            const auto& m = f.services.messages.first();
            QCOMPARE(m.text, kRefusalText);
            QCOMPARE(m.title, QString("Synchronization Error!"));
            QCOMPARE(m.icon, MsgIcon::Critical);
            QCOMPARE(m.buttons, MsgButtons::Ok);
        }
        if (reread) {
            QCOMPARE(w.NoteSelector()->count(), 3);
            QCOMPARE(w.TextEditor()->toPlainText(), QString("synced one"));
            QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary"));
        } else {
            QCOMPARE(w.NoteSelector()->count(), 2);
            QCOMPARE(w.TextEditor()->toPlainText(), shown);
            QCOMPARE(f.Database().m_FileDirtyFlag, unsaved);
        }
        QCOMPARE(w.CurrentUserIndex(), 0);
    }

    void refusalMessageComesAfterTheAnswerAndOnce() {
        MainWindowFixture f;
        StartTwoUsers(f);
        frmMain& w = f.Window();
        QTest::keyClicks(w.TextEditor(), "!");
        HotSyncHandler* handler = Handler(w);
        QVERIFY(handler);

        // The answer returns before any message box: the call itself shows nothing, it
        // leaves the armed timer to do that on the GUI thread.
        QVERIFY(handler->Notify().HS_Notify(kStart, kAnn));
        QVERIFY(f.services.messages.isEmpty());
        QVERIFY(handler->NotifyTimer(0).isActive());
        QTRY_COMPARE_WITH_TIMEOUT(f.services.messages.size(), 1, kPatience);
        QCOMPARE(f.services.messages.first().text, kRefusalText);

        // Armed twice before it fires: still one message; the timer disarms itself before
        // showing it, so nothing more can follow.
        QVERIFY(handler->Notify().HS_Notify(kStart, kAnn));
        QVERIFY(handler->Notify().HS_Notify(kStart, kAnn));
        QVERIFY(handler->NotifyTimer(0).isActive());
        QCOMPARE(f.services.messages.size(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(f.services.messages.size(), 2, kPatience);
        QVERIFY(!handler->NotifyTimer(0).isActive());

        // The same over the bus.
        QDBusPendingCall call = Call(kStart, kAnn);
        QVERIFY(QTest::qWaitFor([&] { return call.isFinished(); }, 30000));
        QVERIFY(QDBusPendingReply<bool>(call).value());
        QTRY_COMPARE_WITH_TIMEOUT(f.services.messages.size(), 3, kPatience);
        QVERIFY(!handler->NotifyTimer(0).isActive());
        QCOMPARE(w.TextEditor()->toPlainText(), QString("ann one!")); // nothing discarded
    }

    void clientBeforeAndAfterASync() {
        MainWindowFixture f;
        StartTwoUsers(f);
        frmMain& w = f.Window();
        QTest::keyClicks(w.TextEditor(), "!");

        ClientRun run = RunClient({"before", "101"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("refuses"), qPrintable(run.err));
        QTRY_COMPARE_WITH_TIMEOUT(f.services.messages.size(), 1, kPatience);
        // Bob's sync, spelled as an unsigned ID, goes ahead.
        run = RunClient({"before", "4294967294"});
        QCOMPARE(run.exitCode, 0);
        // The raw code in hex is the same start code.
        run = RunClient({"notify", "0xBFF80001", "101"});
        QCOMPARE(run.exitCode, 1);

        QAction* save = w.Commands().Action("mnuSave");
        QVERIFY(save && save->isEnabled());
        save->trigger();
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary"));
        run = RunClient({"before", "101"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));

        SyncAnnsFile(f);
        run = RunClient({"after", "101"});
        QCOMPARE(run.exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(w.TextEditor()->toPlainText(), QString("synced one"), kPatience);
        QCOMPARE(w.NoteSelector()->count(), 3);
        QCOMPARE(w.NoteSelector()->itemText(2), QString("synced three"));
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary"));
        // The refusals, nothing else.
        QCOMPARE(f.services.messages.size(), 2);

        // Closing the window gives the name back: the next sync finds Quillary gone.
        f.Close();
        QVERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(kService));
        run = RunClient({"before", "101"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.err.contains("not running"), qPrintable(run.err));
    }

    // A shell script can make the same call with dbus-send.
    void dbusSendReachesTheWindow() {
        const QString dbusSend = QStandardPaths::findExecutable(QStringLiteral("dbus-send"));
        if (dbusSend.isEmpty())
            QUILLARY_REQUIRE_OR_SKIP("dbus-send (dbus) is not installed");
        MainWindowFixture f;
        StartTwoUsers(f);
        frmMain& w = f.Window();
        QTest::keyClicks(w.TextEditor(), "!");
        const auto send = [&](qint32 userId) {
            QProcess p;
            p.start(dbusSend, {"--session", "--print-reply", "--dest=org.quillary.Quillary",
                               "/org/quillary/HotSync", "org.quillary.HotSync.HS_Notify",
                               "int32:-1074266111", "int32:" + QString::number(userId)});
            if (!QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 30000))
                return QString("(dbus-send did not end)");
            return QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
        };
        QString out = send(kAnn);
        QVERIFY2(out.contains("boolean true"), qPrintable(out));
        QTRY_COMPARE_WITH_TIMEOUT(f.services.messages.size(), 1, kPatience);
        QCOMPARE(f.services.messages.first().text, kRefusalText);
        out = send(kBob);
        QVERIFY2(out.contains("boolean false"), qPrintable(out));
        QVERIFY(!Handler(w)->NotifyTimer(0).isActive());
        QCOMPARE(f.services.messages.size(), 1);
    }

    void clientWithoutQuillary_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("busAddress"); // null: the test's own bus
        QTest::addColumn<bool>("nameTaken");     // by a process that is not Quillary
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("stderrPart");
        const QString own;
        const QString none = QStringLiteral("unix:path=/nonexistent/quillary-test-bus");
        QTest::newRow("before") << QStringList{"before", "101"} << own << false << 0
                                << "not running";
        QTest::newRow("after") << QStringList{"after", "101"} << own << false << 0 << "not running";
        QTest::newRow("notify") << QStringList{"notify", "-1074266111", "5"} << own << false << 0
                                << "not running";
        QTest::newRow("no bus") << QStringList{"before", "101"} << none << false << 0
                                << "no D-Bus session bus";
        QTest::newRow("name owned by another program")
            << QStringList{"before", "101"} << own << true << 2 << "did not answer";
        QTest::newRow("no command") << QStringList{} << own << false << 2 << "no command";
        QTest::newRow("unknown command")
            << QStringList{"sync", "1"} << own << false << 2 << "unknown command";
        QTest::newRow("missing id") << QStringList{"before"} << own << false << 2 << "takes USERID";
        QTest::newRow("id not a number")
            << QStringList{"after", "ann"} << own << false << 2 << "not a 32-bit number";
        QTest::newRow("id too big")
            << QStringList{"before", "4294967296"} << own << false << 2 << "not a 32-bit number";
        QTest::newRow("code too small") << QStringList{"notify", "-2147483649", "1"} << own << false
                                        << 2 << "not a 32-bit number";
        QTest::newRow("bad hex") << QStringList{"notify", "0x", "1"} << own << false << 2
                                 << "not a 32-bit number";
    }
    void clientWithoutQuillary() {
        QFETCH(QStringList, args);
        QFETCH(QString, busAddress);
        QFETCH(bool, nameTaken);
        QFETCH(int, exitCode);
        QFETCH(QString, stderrPart);
        QVERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(kService));
        const QString squatterName = QStringLiteral("tst_HotSync squatter");
        if (nameTaken) {
            QDBusConnection squatter =
                QDBusConnection::connectToBus(QDBusConnection::SessionBus, squatterName);
            QVERIFY(squatter.registerService(kService));
        }
        const ClientRun run = RunClient(args, busAddress);
        if (nameTaken)
            QDBusConnection::disconnectFromBus(squatterName);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.contains(stderrPart), qPrintable(run.err));
    }

    void unsavedChangesAtRereadAreKeptUnlessDiscarded_data() {
        QTest::addColumn<MsgResult>("answer");
        QTest::addColumn<QString>("shown");
        QTest::newRow("discard") << MsgResult::Yes << "synced one";
        QTest::newRow("keep") << MsgResult::No << "ann one!";
    }
    void unsavedChangesAtRereadAreKeptUnlessDiscarded() {
        QFETCH(MsgResult, answer);
        QFETCH(QString, shown);
        MainWindowFixture f;
        StartTwoUsers(f);
        frmMain& w = f.Window();
        QTest::keyClicks(w.TextEditor(), "!"); // edited while the HotSync ran
        SyncAnnsFile(f);
        f.services.messageAnswers << answer;
        QVERIFY(!Handler(w)->Notify().HS_Notify(kDoneB, kAnn));
        QTRY_COMPARE_WITH_TIMEOUT(f.services.messages.size(), 1, kPatience);
        const auto& m = f.services.messages.first();
        QCOMPARE(m.buttons, MsgButtons::YesNo);
        QCOMPARE(m.icon, MsgIcon::Exclamation);
        QVERIFY(m.text.contains("discard your changes?"));
        QCOMPARE(w.TextEditor()->toPlainText(), shown);
        QCOMPARE(f.Database().m_FileDirtyFlag, answer == MsgResult::No);
        QCOMPARE(w.windowTitle().section(" - ", 0, 0),
                 answer == MsgResult::No ? QString("Quillary*") : QString("Quillary"));
        QCOMPARE(f.services.messages.size(), 1); // the reread itself asks nothing
        if (answer == MsgResult::Yes)
            return;
        // Saving the kept edits asks before replacing the synchronized file, and keeps
        // the handheld's side as an earlier version.
        f.services.messageAnswers << MsgResult::Yes;
        w.Commands().Action("mnuSave")->trigger();
        QCOMPARE(f.services.messages.size(), 2);
        QVERIFY(f.services.messages.last().text.contains("after it was read here"));
        const std::string ann = f.UserFile("ann", "Ann").toStdString();
        QCOMPARE(MainWindowFixture::ReadDatabase(f.UserFile("ann", "Ann"))->GetNumRecords(), 2);
        const std::vector<VersionInfo> versions = VersionStore(ann).List();
        QCOMPARE(versions.size(), size_t(1));
        std::vector<uint8_t> bytes;
        clsDatabase synced;
        QVERIFY(VersionStore(ann).Read(versions[0], bytes, nullptr));
        QVERIFY(synced.LoadDatabaseBytes(bytes.data(), bytes.size(), "version"));
        QCOMPARE(synced.GetNumRecords(), 3);
    }

    // A new handheld's first network HotSync adds its user to the desktop's list: the user
    // joins the selector at once, while what is shown and unsaved stays. A list changed
    // otherwise is left for Refresh (the shown user's place in it could have moved).
    void addedUserJoinsTheSelector_data() {
        QTest::addColumn<bool>("appended");
        QTest::newRow("appended") << true;
        QTest::newRow("list rewritten") << false;
    }
    void addedUserJoinsTheSelector() {
        QFETCH(bool, appended);
        MainWindowFixture f;
        StartTwoUsers(f);
        frmMain& w = f.Window();
        QTest::keyClicks(w.TextEditor(), "!");
        const qint32 cy = 303;
        if (appended)
            f.WriteUsers({{kAnn, "Ann", "ann"}, {kBob, "Bob", "bob"}, {cy, "Cy", "cy"}});
        else
            f.WriteUsers({{kBob, "Bob", "bob"}, {kAnn, "Ann", "ann"}, {cy, "Cy", "cy"}});
        QVERIFY(!Handler(w)->Notify().HS_Notify(kDoneA, cy));
        if (appended)
            QTRY_COMPARE_WITH_TIMEOUT(w.UserSelector()->count(), 3, kPatience);
        else
            QCoreApplication::processEvents(); // the refresh queued behind the answer runs
        QCOMPARE(w.UserSelector()->count(), appended ? 3 : 2);
        if (appended)
            QCOMPARE(w.UserSelector()->itemText(2), QString(" Cy"));
        QCOMPARE(w.UserSelector()->currentText(), QString(" Ann"));
        QCOMPARE(w.TextEditor()->toPlainText(), QString("ann one!"));
        QVERIFY(f.Database().m_FileDirtyFlag);
        QVERIFY(f.services.messages.isEmpty());
        // The new user's notes open like any other's.
        if (appended) {
            f.services.messageAnswers << MsgResult::No; // do not save Ann's edit
            w.UserSelector()->setCurrentIndex(2);
            QCOMPARE(w.CurrentUserIndex(), 2);
        }
    }

    void rereadWaitsForAnOpenDialog() {
        MainWindowFixture f;
        StartTwoUsers(f);
        frmMain& w = f.Window();
        QDialog dialog(&w);
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        SyncAnnsFile(f);
        QSignalSpy ticks(&Handler(w)->NotifyTimer(1), &QTimer::timeout);
        QVERIFY(!Handler(w)->Notify().HS_Notify(kDoneA, kAnn));
        // Several ticks found the dialog open and put the reread off.
        QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= 3, kPatience);
        QCOMPARE(w.TextEditor()->toPlainText(), QString("ann one"));
        QVERIFY(Handler(w)->NotifyTimer(1).isActive());
        dialog.close();
        QTRY_COMPARE_WITH_TIMEOUT(w.TextEditor()->toPlainText(), QString("synced one"), kPatience);
        QVERIFY(!Handler(w)->NotifyTimer(1).isActive());
    }

    void noUserSelected() {
        MainWindowFixture f;
        f.WriteUsers({}); // a users file without users
        frmMain& w = f.Start();
        QVERIFY(StartHotSyncNotification(w));
        QCOMPARE(w.UserSelector()->currentIndex(), -1);
        f.Database().m_FileDirtyFlag = true;
        HotSyncHandler* handler = Handler(w);
        for (qint32 code : {kStart, kDoneA, kDoneB})
            for (qint32 id : {0, kAnn, -1}) {
                QDBusPendingCall call = Call(code, id);
                QVERIFY(QTest::qWaitFor([&] { return call.isFinished(); }, 30000));
                QCOMPARE(QDBusPendingReply<bool>(call).value(), false);
                // No timer armed: nothing can follow.
                QVERIFY(!handler->NotifyTimer(0).isActive());
                QVERIFY(!handler->NotifyTimer(1).isActive());
            }
        QVERIFY(f.services.messages.isEmpty());
        QCOMPARE(w.UserSelector()->currentIndex(), -1);
    }

    void offWithoutBusOrWhenNameTaken_data() {
        QTest::addColumn<bool>("noBus");
        QTest::addColumn<QString>("notice");
        QTest::newRow("no bus") << true << "HotSync notification is off: no D-Bus session bus.";
        QTest::newRow("name taken") << false
                                    << "HotSync notification is off: another program owns the "
                                       "name org.quillary.Quillary on the session bus.";
    }
    void offWithoutBusOrWhenNameTaken() {
        QFETCH(bool, noBus);
        QFETCH(QString, notice);
        const QString squatterName = QStringLiteral("tst_HotSync squatter");
        const QString noBusName = QStringLiteral("tst_HotSync no bus");
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (noBus) {
            bus = QDBusConnection::connectToBus(
                QStringLiteral("unix:path=/nonexistent/quillary-test-bus"), noBusName);
            QVERIFY(!bus.isConnected());
        } else {
            QDBusConnection squatter =
                QDBusConnection::connectToBus(QDBusConnection::SessionBus, squatterName);
            QVERIFY(squatter.registerService(kService));
        }
        {
            MainWindowFixture f;
            f.WriteUsers({{kAnn, "Ann", "ann"}});
            MainWindowFixture::WriteDatabase(f.UserFile("ann", "Ann"), {"ann one"});
            frmMain& w = f.Start();
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^HotSync notification is off"));
            QVERIFY(!StartHotSyncNotification(w, bus));
            QCOMPARE(w.statusBar()->currentMessage(), notice);
            QCOMPARE(QDBusConnection::sessionBus().objectRegisteredAt(
                         QString::fromLatin1(clsNotify::kObjectPath)),
                     nullptr);
            // The window works on as before.
            QTest::keyClicks(w.TextEditor(), "!");
            QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));
            QVERIFY(f.services.messages.isEmpty());
        }
        QDBusConnection::disconnectFromBus(noBus ? noBusName : squatterName);
    }

    // A note changed only in its picture, with the mouse, is an unsaved change too.
    void drawingAloneRefusesTheSync() {
        MainWindowFixture f;
        StartTwoUsers(f);
        frmMain& w = f.Window();
        f.DrawStroke(QPoint(10, 10), QPoint(60, 40));
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));
        QDBusPendingCall call = Call(kStart, kAnn);
        QVERIFY(QTest::qWaitFor([&] { return call.isFinished(); }, 30000));
        QVERIFY(QDBusPendingReply<bool>(call).value());
        QTRY_COMPARE_WITH_TIMEOUT(f.services.messages.size(), 1, kPatience);
        QCOMPARE(f.services.messages.first().text, kRefusalText);
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));
    }
};

QTEST_MAIN(tst_HotSync)
#include "tst_HotSync.moc"
