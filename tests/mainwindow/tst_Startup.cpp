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
    static bool MainWindowVisible() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<frmMain*>(w) && w->isVisible())
                return true;
        return false;
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
        bool splashDuringWait = false;
        bool mainDuringWait = true;
        QTimer::singleShot(1000, [&] {
            splashDuringWait = SplashVisible();
            mainDuringWait = MainWindowVisible();
        });
        QElapsedTimer clock;
        clock.start();
        std::unique_ptr<frmMain> window = StartMainWindow(f.services, settings, database);
        const qint64 waited = clock.elapsed();

        QCOMPARE(splashDuringWait, splash);
        QVERIFY(!mainDuringWait);
        // At least two whole seconds; the upper end leaves room for a loaded test machine.
        QVERIFY2(waited >= 2000 && waited < 10000, qPrintable(QString::number(waited)));
        QVERIFY(window->isVisible());
        QVERIFY(!SplashVisible());
        QCOMPARE(window->TextEditor()->toPlainText(), QString("first note"));
        QCOMPARE(settings.GetSetting("PrintNotesSelectedString"), QString("0"));
        QCOMPARE(settings.GetSetting("PrintBitmapSizePercent"), QString("50"));
    }
};

QTEST_MAIN(tst_Startup)
#include "tst_Startup.moc"
