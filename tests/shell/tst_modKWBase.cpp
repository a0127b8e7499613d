// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/clsSettings.h"
#include "core/modKWBase.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace quillary;

class tst_modKWBase : public QObject {
    Q_OBJECT

    QTemporaryDir m_Root;

    void writeUsers(const QByteArray& text) {
        QFile f(m_Root.filePath("users.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }

private slots:
    void init() {
        qputenv("QUILLARY_DESKTOP_DIR", m_Root.path().toUtf8());
        QFile::remove(m_Root.filePath("users.txt"));
    }

    void firstStartCreatesLoginUserWithFolder() {
        qputenv("USER", "pat");
        KWDeskLibrary lib(nullptr);
        QCOMPARE(lib.KWUmGetUserCount(), 1);
        const qint32 id = lib.KWUmGetUserID(0);
        QCOMPARE(id, KWDeskLibrary::MakeUserId("pat"));
        QCOMPARE(lib.KWUmGetUserName(id), QString("pat"));
        QVERIFY(QDir(m_Root.filePath("pat")).exists());
        const UserTable users = UserTable::Load(lib);
        QCOMPARE(GetUserFileName(lib, users, 0), m_Root.path() + "/pat/QLpat.pdb");
        QVERIFY(lib.Warnings().isEmpty());
        KWDeskLibrary again(nullptr); // the file now exists and is read back
        QCOMPARE(again.KWUmGetUserID(0), id);
    }

    void pathsFollowTheUserTable() {
        writeUsers("# users\n42\tDesk One\tDeskOne\n-7\tNeg\tneg dir\n3000000000\tBig\tbig\n");
        KWDeskLibrary lib(nullptr);
        const UserTable users = UserTable::Load(lib);
        QCOMPARE(users.Count(), 3);
        QCOMPARE(users.ids, (QList<qint32>{42, -7, qint32(3000000000u)}));
        QCOMPARE(GetUserDirectory(lib, users, 0), m_Root.path() + "/DeskOne");
        QCOMPARE(GetUserFileName(lib, users, 0), m_Root.path() + "/DeskOne/QLDesk One.pdb");
        QCOMPARE(GetUserInsertFolder(lib, users, 1), m_Root.path() + "/neg dir/QLInsertPDB");
    }

    void rootWithTrailingSeparatorOrFromSettings() {
        writeUsers("1\tA\ta\n");
        qputenv("QUILLARY_DESKTOP_DIR", (m_Root.path() + "/").toUtf8());
        KWDeskLibrary lib(nullptr);
        QCOMPARE(GetUserDirectory(lib, UserTable::Load(lib), 0), m_Root.path() + "/a");

        QTemporaryDir other;
        QFile f(other.filePath("users.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("5\tFromSettings\tfs\n");
        f.close();
        qunsetenv("QUILLARY_DESKTOP_DIR");
        clsSettings settings(other.filePath("kestwin.ini"));
        settings.SetSetting("Desktop Folder", other.path());
        KWDeskLibrary fromSettings(&settings);
        QCOMPARE(fromSettings.KWUmGetRootDirectory(), other.path());
        QCOMPARE(fromSettings.KWUmGetUserName(5), QString("FromSettings"));
    }

    void brokenLinesAreSkippedAndNamed() {
        writeUsers("1\tGood\tgood\nno tabs here\nx\tBadId\tb\n2\t\tempty\n3\tAlso Good\tag\r\n");
        KWDeskLibrary lib(nullptr);
        QCOMPARE(lib.KWUmGetUserCount(), 2);
        QCOMPARE(lib.KWUmGetUserName(3), QString("Also Good"));
        QCOMPARE(lib.KWUmGetUserDirectory(3), QString("ag"));
        const QStringList w = lib.Warnings();
        QCOMPARE(w.size(), 3);
        QVERIFY(w.at(0).startsWith("users.txt line 2:"));
        QVERIFY(w.at(1).startsWith("users.txt line 3:"));
        QVERIFY(w.at(2).startsWith("users.txt line 4:"));
    }

    void duplicateIdsResolveToFirstUser() {
        writeUsers("9\tFirst\tf\n9\tSecond\ts\n");
        KWDeskLibrary lib(nullptr);
        const UserTable users = UserTable::Load(lib);
        QCOMPARE(users.names, QStringList({"First", "First"}));
    }
};

QTEST_GUILESS_MAIN(tst_modKWBase)
#include "tst_modKWBase.moc"
