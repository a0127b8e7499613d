// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's answers to a sync when no window runs: which PC user a handheld is, when
// a new one is added (and how users.txt changes), and the log of each sync.
#include "syncservice/DesktopSyncHost.h"

#include "core/modKWBase.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace quillary;
using sync::SyncReport;
using sync::SyncUser;

namespace {

// Ann (ID 101), and Zoë (ID 4294967294, negative when read signed) in users.txt, UTF-8 as
// the window writes it, with a comment the file must keep.
const QByteArray kUsers = "# Quillary HotSync users\n"
                          "101\tAnn\tann\n"
                          "-2\tZo\xC3\xAB\tzoe\n";

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class tst_DesktopSyncHost : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_Dir;

    QString Desktop() const { return m_Dir->filePath(QStringLiteral("desktop")); }
    QString UsersFile() const { return Desktop() + QStringLiteral("/users.txt"); }

    void WriteSettings(const QByteArray& lines) {
        QFile f(m_Dir->filePath(QStringLiteral("config/kestwin.ini")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Quillary Settings]\n" + lines);
    }

private slots:
    void init() {
        m_Dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_Dir->isValid());
        qputenv("QUILLARY_DESKTOP_DIR", QFile::encodeName(Desktop()));
        qputenv("QUILLARY_CONFIG_DIR", QFile::encodeName(m_Dir->filePath("config")));
        QDir().mkpath(Desktop() + "/ann");
        QDir().mkpath(Desktop() + "/zoe");
        QDir().mkpath(m_Dir->filePath("config"));
        QFile f(UsersFile());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(kUsers);
    }

    // Name and ID both pick the user; the handheld's name is Windows-1252.
    void findUser_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<uint>("id");
        QTest::addColumn<QString>("folder"); // "" when unknown
        QTest::newRow("Ann") << QByteArray("Ann") << 101u << "ann";
        QTest::newRow("Zoë in Windows-1252") << QByteArray("Zo\xEB") << 4294967294u << "zoe";
        QTest::newRow("Ann with another ID") << QByteArray("Ann") << 102u << "";
        QTest::newRow("Ann's ID with another name") << QByteArray("Anne") << 101u << "";
        QTest::newRow("name in another case") << QByteArray("ann") << 101u << "";
        QTest::newRow("a handheld that never synced") << QByteArray("Ann") << 0u << "";
    }
    void findUser() {
        QFETCH(QByteArray, name);
        QFETCH(uint, id);
        QFETCH(QString, folder);
        DesktopSyncHost host({});
        const std::optional<SyncUser> user = host.FindUser(name.toStdString(), id);
        QCOMPARE(user.has_value(), !folder.isEmpty());
        if (!user)
            return;
        const QString root = QDir::cleanPath(Desktop());
        QCOMPARE(user->userId, id);
        QCOMPARE(QByteArray::fromStdString(user->name), name);
        QCOMPARE(QFile::decodeName(user->folder.c_str()), root + '/' + folder);
        QCOMPARE(QFile::decodeName(user->notesFile.c_str()),
                 root + '/' + folder + "/QL" + QString::fromLatin1(name) + ".pdb");
        QCOMPARE(QFile::decodeName(user->insertFolder.c_str()),
                 root + '/' + folder + "/QLInsertPDB");
        QCOMPARE(Read(UsersFile()), kUsers);
    }

    // Without the window, a new handheld user is added only with --accept-new or the
    // setting; otherwise nothing on the PC changes and the handheld is told why.
    void newUserWithoutTheWindow_data() {
        QTest::addColumn<bool>("acceptNew");
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<bool>("added");
        QTest::newRow("no setting") << false << QByteArray() << false;
        QTest::newRow("setting off") << false << QByteArray("Accept New Handhelds=0\n") << false;
        QTest::newRow("setting on") << false << QByteArray("Accept New Handhelds=1\n") << true;
        QTest::newRow("--accept-new") << true << QByteArray("Accept New Handhelds=0\n") << true;
    }
    void newUserWithoutTheWindow() {
        QFETCH(bool, acceptNew);
        QFETCH(QByteArray, settings);
        QFETCH(bool, added);
        WriteSettings(settings);
        const QByteArray settingsBefore = Read(m_Dir->filePath("config/kestwin.ini"));
        DesktopSyncHost host({acceptNew});
        std::string refusal;
        const std::optional<SyncUser> user = host.AddUser("Bo \xE9", 777, &refusal);
        // The service never writes the window's settings file, not even a key it read.
        QCOMPARE(Read(m_Dir->filePath("config/kestwin.ini")), settingsBefore);
        if (!added) {
            QVERIFY(!user);
            QCOMPARE(Read(UsersFile()), kUsers);
            QVERIFY(!QDir(Desktop() + QString::fromUtf8("/Bo é")).exists());
            QVERIFY2(refusal.find("does not know the HotSync user Bo \xE9") != std::string::npos &&
                         refusal.find("Accept New Handhelds") != std::string::npos &&
                         refusal.find("--accept-new") != std::string::npos,
                     refusal.c_str());
            return;
        }
        QVERIFY2(user, refusal.c_str());
        QCOMPARE(user->userId, 777u);
        QCOMPARE(Read(UsersFile()), kUsers + QString::fromUtf8("777\tBo é\tBo é\n").toUtf8());
        QVERIFY(QDir(Desktop() + QString::fromUtf8("/Bo é")).exists());
        QCOMPARE(QFile::decodeName(user->notesFile.c_str()),
                 QDir::cleanPath(Desktop()) + QString::fromUtf8("/Bo é/QLBo é.pdb"));
        // From now on the user is known, to the window as well.
        KWDeskLibrary library(nullptr);
        QCOMPARE(library.KWUmGetUserName(777), QString::fromUtf8("Bo é"));
        QVERIFY(DesktopSyncHost({}).FindUser("Bo \xE9", 777));
    }

    // Names the users file or a file name cannot hold, and names or IDs already taken, are
    // refused with the reason; the users file and the desktop folder stay as they were.
    void newUserRefused_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<uint>("id");
        QTest::addColumn<QString>("reason");
        QTest::newRow("slash") << QByteArray("../evil") << 900u << "a file name cannot take";
        QTest::newRow("tab") << QByteArray("a\tb") << 900u << "a file name cannot take";
        QTest::newRow("line break") << QByteArray("a\nb") << 900u << "a file name cannot take";
        QTest::newRow("empty") << QByteArray("") << 900u << "the user name is empty";
        QTest::newRow("blank") << QByteArray("   ") << 900u << "the user name is empty";
        QTest::newRow("name taken by another ID")
            << QByteArray("Ann") << 900u << "there is already a user named Ann";
        QTest::newRow("ID taken by another name")
            << QByteArray("Bob") << 101u << "the user ID 101 belongs to Ann";
    }
    void newUserRefused() {
        QFETCH(QByteArray, name);
        QFETCH(uint, id);
        QFETCH(QString, reason);
        const QStringList foldersBefore =
            QDir(Desktop()).entryList(QDir::AllEntries | QDir::Hidden);
        DesktopSyncHost host({true});
        std::string refusal;
        QVERIFY(!host.AddUser(name.toStdString(), id, &refusal));
        QVERIFY2(QString::fromStdString(refusal).contains(reason), refusal.c_str());
        QCOMPARE(Read(UsersFile()), kUsers);
        QCOMPARE(QDir(Desktop()).entryList(QDir::AllEntries | QDir::Hidden), foldersBefore);
    }

    // A handheld that never synced (ID 0) is given an ID of its own; a folder of the same
    // name as the user's already there is not taken over.
    void newUserGetsAnIdAndAFolderOfItsOwn() {
        QDir().mkpath(Desktop() + "/Cy");
        DesktopSyncHost host({true});
        std::string refusal;
        const std::optional<SyncUser> user = host.AddUser("Cy", 0, &refusal);
        QVERIFY2(user, refusal.c_str());
        QVERIFY(user->userId != 0);
        QCOMPARE(QFile::decodeName(user->folder.c_str()), QDir::cleanPath(Desktop()) + "/Cy 2");
        QVERIFY(
            Read(UsersFile()).endsWith(QByteArray::number(qint32(user->userId)) + "\tCy\tCy 2\n"));
    }

    // A handheld that never synchronized (ID 0) under a known name is that user's, once
    // agreed; without agreement it is refused like a new one.
    void neverSyncedHandheldOfAKnownUser_data() {
        QTest::addColumn<bool>("acceptNew");
        QTest::newRow("agreed") << true;
        QTest::newRow("not agreed") << false;
    }
    void neverSyncedHandheldOfAKnownUser() {
        QFETCH(bool, acceptNew);
        DesktopSyncHost host({acceptNew});
        QVERIFY(!host.FindUser("Ann", 0));
        std::string refusal;
        const std::optional<SyncUser> user = host.AddUser("Ann", 0, &refusal);
        QCOMPARE(Read(UsersFile()), kUsers);
        QCOMPARE(user.has_value(), acceptNew);
        if (user) {
            QCOMPARE(user->userId, 101u);
            QCOMPARE(QFile::decodeName(user->folder.c_str()), QDir::cleanPath(Desktop()) + "/ann");
        } else {
            QVERIFY2(refusal.find("Accept New Handhelds") != std::string::npos, refusal.c_str());
        }
    }

    // No window on the bus: the sync goes ahead, and after it nobody is told.
    void withoutTheWindowTheSyncGoesAhead() {
        DesktopSyncHost host({});
        const std::optional<SyncUser> ann = host.FindUser("Ann", 101);
        QVERIFY(ann);
        std::string refusal;
        QVERIFY(host.BeforeSync(*ann, &refusal));
        QVERIFY(refusal.empty());
        host.AfterSync(*ann, SyncReport{});
    }

    // Each sync is appended to HotSync.log in the user's folder: date, handheld, outcome
    // and each line of the report's log.
    void logIsAppendedInTheUsersFolder() {
        DesktopSyncHost host({});
        const std::optional<SyncUser> ann = host.FindUser("Ann", 101);
        QVERIFY(ann);
        SyncReport synced;
        synced.outcome = SyncReport::Outcome::Synced;
        synced.user = ann;
        synced.log = {"2 notes added to the PC", "Category \"Work\" renamed"};
        SyncReport refused;
        refused.outcome = SyncReport::Outcome::Refused;
        refused.reason = "Quillary on the PC has unsaved changes";
        refused.user = ann;
        DesktopSyncHost::WriteLog(synced, "192.168.1.7:5000");
        DesktopSyncHost::WriteLog(refused, "192.168.1.7:5001");
        const QString log = QString::fromUtf8(Read(Desktop() + "/ann/HotSync.log"));
        const QStringList lines = log.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        QVERIFY2(lines[0].endsWith("  HotSync of Ann from 192.168.1.7:5000: synchronized"),
                 qPrintable(lines[0]));
        QVERIFY(QDateTime::fromString(lines[0].left(19), "yyyy-MM-dd HH:mm:ss").isValid());
        QCOMPARE(lines[1], QString("  2 notes added to the PC"));
        QCOMPARE(lines[2], QString("  Category \"Work\" renamed"));
        QVERIFY2(lines[3].endsWith(": refused: Quillary on the PC has unsaved changes"),
                 qPrintable(lines[3]));
    }

    // The PC's ID that handhelds keep as their last sync PC does not change between runs.
    void pcIdIsStable() {
        const uint32_t id = DesktopSyncHost::MachinePcId();
        QVERIFY(id != 0);
        QCOMPARE(DesktopSyncHost({}).PcId(), id);
    }
};

QTEST_GUILESS_MAIN(tst_DesktopSyncHost)
#include "tst_DesktopSyncHost.moc"
