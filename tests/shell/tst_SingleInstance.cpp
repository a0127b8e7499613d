#include <QProcess>
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
    static QString firstLine(QProcess* p) {
        if (!p->canReadLine())
            p->waitForReadyRead(10000);
        return QString::fromUtf8(p->readLine()).trimmed();
    }

private slots:
    void init() { m_Key = "quillary-test-" + QUuid::createUuid().toString(QUuid::Id128); }

    void secondStartActivatesFirstAndExits() {
        QProcess* first = start();
        QCOMPARE(firstLine(first), QString("primary"));
        QProcess* second = start();
        QVERIFY(second->waitForFinished(10000));
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(QString::fromUtf8(second->readAll()).trimmed(), QString("secondary"));
        QCOMPARE(firstLine(first), QString("activated"));
        first->kill();
        first->waitForFinished();
    }

    void crashedInstanceDoesNotBlockNextStart() {
        QProcess* first = start();
        QCOMPARE(firstLine(first), QString("primary"));
        ::kill(first->processId(), SIGKILL); // leaves its lock file and socket behind
        QVERIFY(first->waitForFinished(5000));
        QProcess* next = start();
        QCOMPARE(firstLine(next), QString("primary"));
        next->kill();
        next->waitForFinished();
    }
};

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_SingleInstance.moc"
