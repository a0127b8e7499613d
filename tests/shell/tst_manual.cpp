// SPDX-License-Identifier: GPL-3.0-or-later
// The user manual is rendered at build time into the program's folder and is a real,
// readable PDF of a few pages that covers what the Help command promises.

#include "support/RequiredTools.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QtTest>

class tst_manual : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        // The tests are built into the same folder as the program.
        m_Path = QCoreApplication::applicationDirPath() + QStringLiteral("/QuillaryManual.pdf");
        QVERIFY2(QFile::exists(m_Path), qPrintable(m_Path));
    }

    void isPdf() {
        QFile file(m_Path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("%PDF-"));
        QVERIFY(bytes.right(32).contains("%%EOF"));
        QVERIFY(bytes.size() > 4000);
    }

    void pageCount() {
        const QString pdfinfo = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
        if (pdfinfo.isEmpty())
            QUILLARY_REQUIRE_OR_SKIP("pdfinfo (poppler-utils) is not installed");
        QProcess p;
        p.start(pdfinfo, {m_Path});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 0);
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"),
                                                             QRegularExpression::MultilineOption)
                                              .match(out);
        QVERIFY2(m.hasMatch(), qPrintable(out));
        const int pages = m.captured(1).toInt();
        // A real manual, but not one laid out a few lines to a page.
        QVERIFY2(pages >= 2 && pages <= 16, qPrintable(out));
        QVERIFY2(out.contains(QStringLiteral("Quillary User Manual")), qPrintable(out));
    }

    void covers_data() {
        QTest::addColumn<QString>("phrase");
        const char* phrases[] = {"users.txt",
                                 "QUILLARY_DESKTOP_DIR",
                                 "Desktop Folder",
                                 "QL<user name>.pdb",
                                 "kestwin.ini",
                                 "QUILLARY_CONFIG_DIR",
                                 "Pencil",
                                 "Eraser",
                                 "Region",
                                 "Unfiled",
                                 "up to 15",
                                 "Raw text notes",
                                 "List of notes",
                                 "Raw text inserts",
                                 "Page Setup",
                                 "HotSync",
                                 "quillary-pdb info",
                                 "resave",
                                 "--raw-text",
                                 "Ctrl+Shift+C",
                                 "The first five minutes",
                                 "Alt+R raw text",
                                 "Insert Snippet",
                                 "Ctrl+Shift+I",
                                 "Listen for network HotSync",
                                 "systemctl --user enable --now quillary-sync",
                                 "14238",
                                 "Accept New Handhelds"};
        for (const char* phrase : phrases)
            QTest::newRow(phrase) << QString::fromUtf8(phrase);
    }

    void covers() {
        QFETCH(QString, phrase);
        const QString text = Text();
        if (text.isNull())
            QUILLARY_REQUIRE_OR_SKIP("pdftotext (poppler-utils) is not installed");
        // pdftotext breaks lines where the page did (compare with single spaces)
        // and may set "fi"/"fl" as ligatures.
        const QString flat = text.normalized(QString::NormalizationForm_KC).simplified();
        QVERIFY2(flat.contains(phrase), qPrintable(phrase));
    }

    // The windows' pictures are in the manual: one image per window it shows (a window that
    // could not be shown fails the build before this).
    void showsTheWindows() {
        const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdfimages"));
        if (tool.isEmpty())
            QUILLARY_REQUIRE_OR_SKIP("pdfimages (poppler-utils) is not installed");
        QProcess p;
        p.start(tool, {QStringLiteral("-list"), m_Path});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 0);
        const QStringList lines =
            QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        int images = 0;
        QSet<QString> sizes;
        for (const QString& line : lines.mid(2)) { // two header lines
            const QStringList f = line.simplified().split(' ');
            if (f.size() > 4 && f[2] == QLatin1String("image")) {
                ++images;
                sizes.insert(f[3] + 'x' + f[4]);
            }
        }
        QVERIFY2(images >= 13, qPrintable(lines.join('\n')));
        // Real window pictures, not one placeholder repeated.
        QVERIFY2(sizes.size() >= 8, qPrintable(lines.join('\n')));
    }

private:
    QString Text() {
        if (!m_TextRead) {
            m_TextRead = true;
            const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
            if (tool.isEmpty())
                return m_Text;
            QProcess p;
            p.start(tool,
                    {QStringLiteral("-enc"), QStringLiteral("UTF-8"), m_Path, QStringLiteral("-")});
            if (p.waitForFinished(30000) && p.exitCode() == 0)
                m_Text = QString::fromUtf8(p.readAllStandardOutput());
            else
                m_Text = QStringLiteral(""); // a failing tool fails the test, not skips it
        }
        return m_Text;
    }

    QString m_Path;
    QString m_Text;
    bool m_TextRead = false;
};

QTEST_MAIN(tst_manual)
#include "tst_manual.moc"
