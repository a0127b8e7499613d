#include "MainWindowFixture.h"

#include "mainwindow/Startup.h"
#include "shell/frmSplash.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

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
};

QTEST_MAIN(tst_Startup)
#include "tst_Startup.moc"
