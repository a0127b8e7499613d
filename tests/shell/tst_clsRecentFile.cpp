// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/clsSettings.h"
#include "core/modGlobals.h"
#include "shell/clsRecentFile.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace quillary;

class tst_clsRecentFile : public QObject {
    Q_OBJECT

    QTemporaryDir m_Dir;
    QString file(const QString& name) {
        const QString path = m_Dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        return path;
    }

    struct Fixture {
        clsSettings settings;
        QList<QAction*> actions;
        QAction line;
        clsRecentFile recent;
        explicit Fixture(const QString& ini)
            : settings(ini), actions{new QAction, new QAction, new QAction, new QAction},
              recent(settings, actions, &line) {}
        ~Fixture() { qDeleteAll(actions); }
        QStringList entries() const {
            QStringList e;
            for (int i = 0; i < 4; ++i)
                e << recent.GetRecentFile(i);
            return e;
        }
    };

private slots:
    void pushOrdersMostRecentFirstAndDropsOldest() {
        Fixture f(m_Dir.filePath("a.ini"));
        const QString a = file("a.pdb"), b = file("b.pdb"), c = file("c.pdb"), d = file("d.pdb"),
                      e = file("e.pdb");
        for (const QString& p : {a, b, c, d})
            f.recent.PushRecentFile(p);
        QCOMPARE(f.entries(), QStringList({d, c, b, a}));
        f.recent.PushRecentFile(b); // entry 2 moves to the top, entry 3 stays
        QCOMPARE(f.entries(), QStringList({b, d, c, a}));
        f.recent.PushRecentFile(e);
        QCOMPARE(f.entries(), QStringList({e, b, d, c}));
        // The name first, the shortened folder after it, the whole path as status tip.
        QCOMPARE(f.actions.at(0)->text(), "&1 e.pdb  (" + ShortenFolder(m_Dir.path()) + ")");
        QCOMPARE(f.actions.at(0)->statusTip(), e);
        QVERIFY(f.actions.at(3)->isVisible());
        // Written to the settings file at once.
        clsSettings reread(m_Dir.filePath("a.ini"));
        QCOMPARE(reread.GetSetting("Recent File0"), e);
    }

    void sameFileIgnoresCaseAndSpacesAndTakesNewSpelling() {
        Fixture f(m_Dir.filePath("b.ini"));
        const QString a = file("Same.pdb"), b = file("other.pdb");
        f.recent.PushRecentFile(a);
        f.recent.PushRecentFile(b);
        f.settings.SetSetting("Recent File1", "  " + a.toLower() + " ");
        f.recent.PushRecentFile(a);
        QCOMPARE(f.entries(), QStringList({a, b, "", ""}));
    }

    // Opening, saving or rereading the file already on top rewrites nothing: the settings
    // file is flushed to disk only when the list changed.
    void pushingTheTopFileAgainWritesNothing() {
        const QString ini = m_Dir.filePath("e.ini");
        Fixture f(ini);
        const QString a = file("top.pdb"), b = file("next.pdb");
        f.recent.PushRecentFile(b);
        f.recent.PushRecentFile(a);
        const auto inode = [&] {
            struct stat st {};
            return ::stat(QFile::encodeName(ini).constData(), &st) == 0 ? st.st_ino : ino_t(0);
        };
        const ino_t before = inode();
        QVERIFY(before != 0);
        for (int i = 0; i < 3; ++i)
            f.recent.PushRecentFile(a);
        QCOMPARE(inode(), before); // a rewrite replaces the file by a new one
        QCOMPARE(f.entries(), QStringList({a, b, "", ""}));
        f.recent.PushRecentFile(b);
        QVERIFY(inode() != before);
        QCOMPARE(clsSettings(ini).GetSetting("Recent File0"), b);
    }

    void missingPathOnlyRefreshesMenu() {
        Fixture f(m_Dir.filePath("c.ini"));
        f.settings.SetSetting("Recent File0", "/stored/elsewhere.pdb");
        f.recent.PushRecentFile(m_Dir.filePath("does-not-exist.pdb"));
        f.recent.PushRecentFile("");
        QCOMPARE(f.entries(), QStringList({"/stored/elsewhere.pdb", "", "", ""}));
        QVERIFY(f.actions.at(0)->isVisible());
        QVERIFY(!f.actions.at(1)->isVisible());
        QVERIFY(f.line.isVisible());
    }

    void removeShiftsLaterEntriesUp() {
        Fixture f(m_Dir.filePath("d.ini"));
        const QStringList four{"/p0", "/p1", "/p2", "/p3"};
        for (int i = 0; i < 4; ++i)
            f.settings.SetSetting("Recent File" + QString::number(i), four.at(i));
        f.recent.RemoveRecentFile(3);
        QCOMPARE(f.entries(), QStringList({"/p0", "/p1", "/p2", ""}));
        f.recent.RemoveRecentFile(0);
        QCOMPARE(f.entries(), QStringList({"/p1", "/p2", "", ""}));
        f.recent.RemoveRecentFile(0);
        f.recent.RemoveRecentFile(0);
        for (QAction* a : f.actions)
            QVERIFY(!a->isVisible());
        QVERIFY(!f.line.isVisible());
    }
};

QTEST_MAIN(tst_clsRecentFile)
#include "tst_clsRecentFile.moc"
