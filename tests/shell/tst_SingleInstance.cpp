// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/SingleInstance.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <csignal>

class tst_SingleInstance : public QObject {
    Q_OBJECT

    QString m_Key;

    QProcess* start() {
        auto* p = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QUILLARY_INSTANCE_KEY", m_Key);
        p->setProcessEnvironment(env);
        p->start(PROBE_PATH);
        return p;
    }
    static QByteArray readFile(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static QString firstLine(QProcess* p) {
        if (!p->canReadLine())
            p->waitForReadyRead(60000);
        return QString::fromUtf8(p->readLine()).trimmed();
    }

private slots:
    void init() { m_Key = "quillary-test-" + QUuid::createUuid().toString(QUuid::Id128); }

    void secondStartActivatesFirstAndExits() {
        QProcess* first = start();
        QCOMPARE(firstLine(first), QString("primary"));
        QProcess* second = start();
        QVERIFY(second->waitForFinished(60000));
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(QString::fromUtf8(second->readAll()).trimmed(), QString("secondary"));
        QCOMPARE(firstLine(first), QString("activated"));
        first->kill();
        first->waitForFinished();
    }

    void secondProgramStartTouchesNoSetting() {
        QTemporaryDir dir;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QUILLARY_INSTANCE_KEY", m_Key);
        env.insert("QUILLARY_CONFIG_DIR", dir.filePath("config"));
        env.insert("QUILLARY_DESKTOP_DIR", dir.filePath("desktop"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        const QString ini = dir.filePath("config/kestwin.ini");
        QProcess first;
        first.setProcessEnvironment(env);
        first.start(QUILLARY_PATH);
        // Up and running once the window has chosen its user.
        const QRegularExpression chosen("Default User ID=\\d");
        QTRY_VERIFY_WITH_TIMEOUT(QString::fromUtf8(readFile(ini)).contains(chosen), 120000);
        // The second start finds the first by the instance key alone. Its settings folder is
        // one nobody else writes (the first may still be saving into its own): a copy of the
        // first's settings, which a start that went on like a first one (start-up wait,
        // window, user) would rewrite.
        const QString ownConfig = dir.filePath("second-config");
        QVERIFY(QDir().mkpath(ownConfig));
        const QString ownIni = ownConfig + "/kestwin.ini";
        QVERIFY(QFile::copy(ini, ownIni));
        const QByteArray before = readFile(ownIni);
        const QDateTime stamp = QFileInfo(ownIni).lastModified();
        QProcessEnvironment secondEnv = env;
        secondEnv.insert("QUILLARY_CONFIG_DIR", ownConfig);
        QProcess second;
        second.setProcessEnvironment(secondEnv);
        second.start(QUILLARY_PATH);
        QVERIFY(second.waitForFinished(120000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(readFile(ownIni), before);
        QCOMPARE(QFileInfo(ownIni).lastModified(), stamp);
        QCOMPARE(QDir(ownConfig).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{"kestwin.ini"});
        QCOMPARE(first.state(), QProcess::Running);
        first.kill();
        first.waitForFinished();
    }

    void instanceThatDoesNotAnswerIsToldApart() {
        // A live owner of the lock with no one listening: as a hung instance looks.
        QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (dir.isEmpty())
            dir = QDir::tempPath();
        QLockFile held(QDir(dir).filePath(m_Key + ".lock"));
        QVERIFY(held.tryLock(0));
        quillary::SingleInstance silent(m_Key);
        QVERIFY(!silent.Claim());
        QVERIFY(!silent.RunningInstanceAnswered());
        held.unlock();

        QProcess* first = start();
        QCOMPARE(firstLine(first), QString("primary"));
        quillary::SingleInstance second(m_Key);
        QVERIFY(!second.Claim());
        QVERIFY(second.RunningInstanceAnswered());
        first->kill();
        first->waitForFinished();
    }

    // Two copies with their own runtime folders (two sessions of one login) each keep their
    // socket beside their lock: a start in the first folder reaches the first copy, never
    // the second (which, with the socket in the shared temporary folder, replaced it).
    void eachRuntimeFolderAnswersForItself() {
        struct RestoreRuntimeDir {
            QByteArray value = qgetenv("XDG_RUNTIME_DIR");
            bool set = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
            ~RestoreRuntimeDir() {
                if (set)
                    qputenv("XDG_RUNTIME_DIR", value);
                else
                    qunsetenv("XDG_RUNTIME_DIR");
            }
        } restore;
        // Made 0700, as a runtime folder must be, and with short names: a socket's path
        // may not exceed 107 bytes, and the test's own temporary folder is long already.
        QTemporaryDir one(QDir::tempPath() + QStringLiteral("/r")),
            two(QDir::tempPath() + QStringLiteral("/r"));
        QVERIFY(one.isValid() && two.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(one.path()));
        quillary::SingleInstance first(m_Key);
        QVERIFY(first.Claim());
        QCOMPARE(QFileInfo(first.SocketPath()).absolutePath(),
                 QFileInfo(one.path()).absoluteFilePath());
        QVERIFY(QFileInfo::exists(first.SocketPath()));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(two.path()));
        quillary::SingleInstance second(m_Key);
        QVERIFY(second.Claim());
        QVERIFY(second.SocketPath() != first.SocketPath());
        QSignalSpy firstAsked(&first, &quillary::SingleInstance::activationRequested);
        QSignalSpy secondAsked(&second, &quillary::SingleInstance::activationRequested);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(one.path()));
        quillary::SingleInstance third(m_Key);
        QVERIFY(!third.Claim());
        QVERIFY(third.RunningInstanceAnswered());
        QTRY_COMPARE(firstAsked.count(), 1);
        QCOMPARE(secondAsked.count(), 0);
    }

    void crashedInstanceDoesNotBlockNextStart() {
        QProcess* first = start();
        QCOMPARE(firstLine(first), QString("primary"));
        ::kill(first->processId(), SIGKILL); // leaves its lock file and socket behind
        QVERIFY(first->waitForFinished(30000));
        QProcess* next = start();
        QCOMPARE(firstLine(next), QString("primary"));
        next->kill();
        next->waitForFinished();
    }
};

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_SingleInstance.moc"
