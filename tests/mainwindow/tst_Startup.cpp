// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainWindowFixture.h"

#include "mainwindow/Startup.h"
#include "shell/SingleInstance.h"
#include "shell/frmSplash.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QUuid>
#include <QWindow>

using namespace quillary;
using namespace quillary::test;

class tst_Startup : public QObject {
    Q_OBJECT

    static bool SplashVisible() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<frmSplash*>(w) && w->isVisible())
                return true;
        return false;
    }
    static QString UniqueKey() {
        return "quillary-test-" + QUuid::createUuid().toString(QUuid::Id128);
    }
    static bool MainWindowVisible() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<frmMain*>(w) && w->isVisible())
                return true;
        return false;
    }
    static frmMain* FindMainWindow() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* main = qobject_cast<frmMain*>(w))
                return main;
        return nullptr;
    }

private slots:
    void startWaitsWithOrWithoutSplash_data() {
        QTest::addColumn<QString>("dontShow");
        QTest::addColumn<bool>("splash");
        QTest::newRow("splash") << QString() << true;
        QTest::newRow("no splash") << QString("1") << false;
        // Read as the options dialog reads it, which shows this as on.
        QTest::newRow("no splash, 1.0") << QString("1.0") << false;
    }
    void startWaitsWithOrWithoutSplash() {
        QFETCH(QString, dontShow);
        QFETCH(bool, splash);
        MainWindowFixture f;
        f.WriteUsers({{5, "Ann", "ann"}});
        MainWindowFixture::WriteDatabase(f.UserFile("ann", "Ann"), {"first note"});
        f.WriteSetting("Don't Show Splash Screen", dontShow);
        f.WriteSetting("PrintNotesSelectedString", "1,2");

        clsSettings settings(f.SettingsFile());
        clsDatabase database;
        // Watches the wait from inside: it keeps the events flowing, so this ticks until
        // the window is being built. What the window takes to build under sanitizers on a
        // busy machine is not part of the wait and is not measured.
        QElapsedTimer clock;
        bool splashDuringWait = false;
        bool mainTooEarly = false;
        qint64 lastTickOfWait = -1;
        QTimer ticker;
        ticker.setInterval(10);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            if (FindMainWindow()) { // being built or shown: the wait is over
                mainTooEarly = mainTooEarly || clock.elapsed() < 2000;
                return;
            }
            lastTickOfWait = clock.elapsed();
            splashDuringWait = splashDuringWait || SplashVisible();
        });
        clock.start();
        ticker.start();
        std::unique_ptr<frmMain> window = StartMainWindow(f.services, settings, database);
        const qint64 returned = clock.elapsed();
        ticker.stop();

        QCOMPARE(splashDuringWait, splash);
        QVERIFY(!mainTooEarly);
        // At least two whole seconds (the clock must pass two second boundaries), at most
        // three, plus room for a tick that came late on a loaded machine.
        QVERIFY2(returned >= 2000, qPrintable(QString::number(returned)));
        QVERIFY2(lastTickOfWait >= 1000 && lastTickOfWait < 6000,
                 qPrintable(QString::number(lastTickOfWait)));
        QVERIFY(window->isVisible());
        QVERIFY(!SplashVisible());
        QCOMPARE(window->TextEditor()->toPlainText(), QString("first note"));
        QCOMPARE(settings.GetSetting("PrintNotesSelectedString"), QString("0"));
        QCOMPARE(settings.GetSetting("PrintBitmapSizePercent"), QString("50"));
    }

    void secondStartDuringTheWaitBringsTheWindowForward() {
        MainWindowFixture f;
        f.WriteUsers({{5, "Ann", "ann"}});
        MainWindowFixture::WriteDatabase(f.UserFile("ann", "Ann"), {"first note"});
        f.WriteSetting("Don't Show Splash Screen", "1");
        const QString key = UniqueKey();
        SingleInstance first(key);
        QVERIFY(first.Claim());
        bool secondRan = false;
        bool secondClaimed = true;
        QTimer::singleShot(300, [&] {
            SingleInstance second(key);
            secondClaimed = second.Claim();
            secondRan = true;
        });
        clsSettings settings(f.SettingsFile());
        clsDatabase database;
        std::unique_ptr<frmMain> window =
            StartMainWindow(f.services, settings, database, 2, &first);
        QVERIFY(secondRan);
        QVERIFY(!secondClaimed);
        // Minimised before the request could have been honoured: it must still come back.
        window->showMinimized();
        QVERIFY(window->isMinimized());
        QTRY_VERIFY(!window->isMinimized());
        QVERIFY(window->isVisible());
        // And later starts keep working.
        window->showMinimized();
        {
            SingleInstance third(key);
            QVERIFY(!third.Claim());
        }
        QTRY_VERIFY(!window->isMinimized());
    }

    void windowWhoseNativeWindowWentComesBackWithItsEdits() {
        MainWindowFixture f;
        f.WriteUsers({{5, "Ann", "ann"}});
        MainWindowFixture::WriteDatabase(f.UserFile("ann", "Ann"), {"first note"});
        frmMain& w = f.Start();
        QTest::keyClicks(w.TextEditor(), "#");
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));
        const QString key = UniqueKey();
        SingleInstance first(key);
        QVERIFY(first.Claim());
        FollowActivationRequests(first, w);

        // Another program destroys the window: nothing of it is left on the screen.
        QVERIFY(w.windowHandle());
        w.windowHandle()->destroy();
        QVERIFY(!w.windowHandle()->isExposed());

        {
            SingleInstance second(key);
            QVERIFY(!second.Claim());
        }
        QTRY_VERIFY(w.isVisible() && w.windowHandle() && w.windowHandle()->isExposed());
        QCOMPARE(w.TextEditor()->toPlainText(), QString("first note#"));
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));
        // Usable: typing still reaches the note.
        w.TextEditor()->setFocus();
        QTest::keyClicks(w.TextEditor(), "!");
        QCOMPARE(w.TextEditor()->toPlainText(), QString("first note#!"));
    }
};

QTEST_MAIN(tst_Startup)
#include "tst_Startup.moc"
