// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsFileTest.h"
#include "core/clsSettings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using quillary::clsSettings;

class tst_clsSettings : public SettingsFileTest {
    Q_OBJECT


private slots:
    void init() { QFile::remove(path()); }

    void absentKeyReadsEmptyAndAppearsInFileAtOnce() {
        clsSettings s(path());
        QCOMPARE(s.GetSetting("Don't Show Splash Screen"), QString());
        QCOMPARE(s.GetNumSettings(), 1);
        QCOMPARE(fileText(), QString("[Quillary Settings]\nDon't Show Splash Screen=\n"));
    }

    void setSettingTouchesOnlyTheCacheUntilSave() {
        writeFile("[Quillary Settings]\nFontName=Old\n");
        clsSettings s(path());
        QVERIFY(s.SetSetting("Log Errors", "1"));
        QVERIFY(s.SetSetting("fontname", "New")); // cached under the file's key, any case
        QVERIFY(!s.SetSetting("FONTNAME", "New"));
        QCOMPARE(s.GetSetting("FontName"), QString("New"));
        QVERIFY(fileText().contains("FontName=Old"));
        QCOMPARE(s.Save(), 2);
        QCOMPARE(fileText(), QString("[Quillary Settings]\nFontName=New\nLog Errors=1\n"));
    }

    void saveWritesInCacheOrderAndKeepsForeignLines() {
        writeFile("; hand-written comment\r\n[Other]\r\nkeep=me\r\n\r\n[quillary settings]\r\n"
                  "Untouched = yes\r\nB=2\r\n\r\n[Tail]\r\nx=1\r\n");
        clsSettings s(path());
        s.SetSetting("Z Key", "z");
        s.SetSetting("B", "3");
        s.SetSetting("Don't Show Splash Screen", "1");
        s.Save();
        QCOMPARE(fileText(), QString("; hand-written comment\r\n[Other]\r\nkeep=me\r\n\r\n"
                                     "[quillary settings]\r\nUntouched = yes\r\nB=3\r\nZ Key=z\r\n"
                                     "Don't Show Splash Screen=1\r\n\r\n[Tail]\r\nx=1\r\n"));
    }

    void singleByteFileKeepsItsBytes() {
        // Written by a Windows program: Windows-1252 text (euro, OE, s caron) and CR LF.
        const QByteArray original("[Other]\r\nname=Fran\x80ois \x8c \x9a\r\n"
                                  "[Quillary Settings]\r\nFontName=Bj\xf6rk \x80\r\n");
        writeFile(original);
        {
            clsSettings s(path());
            QCOMPARE(s.GetSetting("FontName"), QString::fromUtf8("Bj\u00f6rk \u20ac"));
            s.Save();
        }
        QFile f(path());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), original);
        f.close();
        {
            clsSettings s(path());
            s.SetSetting("Added", QString::fromUtf8("\u0160\u0153"));
            s.Save();
        }
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), original + "Added=\x8a\x9c\r\n");
        f.close();
        {
            // A value the code page cannot hold: the file becomes UTF-8, nothing turns to "?".
            clsSettings s(path());
            s.SetSetting("Added", QString::fromUtf8("\u4e2d"));
            s.Save();
        }
        QCOMPARE(fileText(),
                 QString::fromUtf8("[Other]\r\nname=Fran\u20acois \u0152 \u0161\r\n"
                                   "[Quillary Settings]\r\nFontName=Bj\u00f6rk \u20ac\r\n"
                                   "Added=\u4e2d\r\n"));
        clsSettings again(path());
        QCOMPARE(again.GetSetting("Added"), QString::fromUtf8("\u4e2d"));
    }

    void fileEndingInsideUtf8SequenceKeepsItsBytes() {
        // Valid UTF-8 up to a lead byte without its continuation: single-byte after all.
        const QByteArray original("[Quillary Settings]\nFontName=Caf\xc3\xa9\nLast=\xc3");
        writeFile(original);
        {
            clsSettings s(path());
            QCOMPARE(s.GetSetting("Last"), QString::fromUtf8("\u00c3"));
            s.Save();
        }
        QFile f(path());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), original + "\n");
    }

    // A single-byte file whose save leaves only bytes that also read as UTF-8 (the cut at a
    // NUL dropped the one byte that was not): the values must read back as they were.
    void singleByteFileThatBecomesValidUtf8KeepsItsValues_data() {
        QTest::addColumn<QByteArray>("original");
        QTest::newRow("byte order mark bytes inside a value")
            << QByteArray("[Quillary Settings]\nFontName=Tahoma\nDesktop Folder=/home/pa"
                          "\xef\xbb\xbf" "esold\x01\x00\xc0ue\n", 73);
        QTest::newRow("two-byte sequence in another value")
            << QByteArray("[Quillary Settings]\nDesktop Folder=Caf\xc3\xa9\nFontName=A\x00\xff\n", 54);
    }
    void singleByteFileThatBecomesValidUtf8KeepsItsValues() {
        QFETCH(QByteArray, original);
        writeFile(original);
        QString folder, font;
        {
            clsSettings s(path());
            folder = s.GetSetting("Desktop Folder");
            font = s.GetSetting("FontName");
            s.SetSetting("Probe", "p");
            s.Save();
        }
        clsSettings reread(path());
        QCOMPARE(reread.GetSetting("Desktop Folder"), folder);
        QCOMPARE(reread.GetSetting("FontName"), font);
        QCOMPARE(reread.GetSetting("Probe"), QString("p"));
    }

    void valueCutAtNulReadsTheSameAfterSave() {
        // White space before the NUL is trimmed too, so Save (which writes back what was read)
        // does not change what the next reading gives.
        static const char bytes[] = "[Quillary Settings]\nFName=Tahoma\x0c\0\0rest\n";
        writeFile(QByteArray(bytes, sizeof bytes - 1));
        QString first;
        {
            clsSettings s(path());
            first = s.GetSetting("FName");
            s.Save();
        }
        QCOMPARE(first, QString("Tahoma"));
        clsSettings again(path());
        QCOMPARE(again.GetSetting("FName"), first);
    }

    void valuesAreTrimmedAndCut_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("expected");
        QTest::newRow("spaces") << QByteArray("K=   padded value   ") << QString("padded value");
        QTest::newRow("long") << QByteArray("K=" + QByteArray(300, 'x')) << QString(255, 'x');
        QTest::newRow("cut then trimmed")
            << QByteArray("K=" + QByteArray(250, 'y') + "     tail") << QString(250, 'y');
        QTest::newRow("marker reads as absent") << QByteArray("K=-9991gfjh23123123") << QString();
        QTest::newRow("empty") << QByteArray("K=") << QString();
        QTest::newRow("equals inside") << QByteArray("K=a=b") << QString("a=b");
    }
    void valuesAreTrimmedAndCut() {
        QFETCH(QByteArray, line);
        QFETCH(QString, expected);
        writeFile("[Quillary Settings]\n" + line + "\n");
        clsSettings s(path());
        QCOMPARE(s.GetSetting("k"), expected);
    }

    void initSettingReportsAbsenceAndWritesEmptyLine() {
        writeFile("[Quillary Settings]\nPrintTopMargin=3\n");
        clsSettings s(path());
        QVERIFY(!s.InitSetting("PrintTopMargin", "1"));
        QVERIFY(s.InitSetting("PrintLeftMargin", "1"));
        QCOMPARE(s.GetSetting("PrintTopMargin"), QString("3"));
        QCOMPARE(s.GetSetting("PrintLeftMargin"), QString("1"));
        QVERIFY(fileText().contains("PrintLeftMargin=\n"));
    }

    void seedingSetsPrintDefaultsButKeepsStoredValues() {
        writeFile("[Quillary Settings]\nPrintBitmapSizePercent=75\nPrintNotesSelectedString=1,2\n");
        clsSettings s(path());
        quillary::SeedStartupSettings(s);
        QCOMPARE(s.GetSetting("PrintBitmapSizePercent"), QString("75"));
        QCOMPARE(s.GetSetting("PrintNotesSelectedString"), QString("0"));
        QCOMPARE(s.GetSetting("PrintHeaderRightOption"), QString("4"));
        QCOMPARE(s.GetSetting("PrintFooterCenterOption"), QString("6"));
    }

    void garbledOrUnreadableFileReadsAsAbsent() {
        writeFile(QByteArray("\x00\xff\xfe[Quill\x01\n===\n\xc3", 15));
        clsSettings s(path());
        QCOMPARE(s.GetSetting("FontName"), QString());
        s.SetSetting("FontName", "Serif");
        s.Save();
        clsSettings again(path());
        QCOMPARE(again.GetSetting("FontName"), QString("Serif"));
    }

    void failedWriteIsReportedOnce() {
        QTemporaryDir dir;
        const QString blocked = dir.filePath("not-a-folder");
        QFile f(blocked);
        QVERIFY(f.open(QIODevice::WriteOnly)); // a file where the folder should be
        f.close();
        clsSettings s(blocked + "/kestwin.ini");
        QStringList reports;
        s.SetWriteErrorHandler([&](const QString& m) { reports << m; });
        s.GetSetting("A");
        s.SetSetting("B", "1");
        s.Save();
        QCOMPARE(reports.size(), 1);
        QVERIFY(reports.first().contains("kestwin.ini"));
        QCOMPARE(s.GetSetting("B"), QString("1")); // the cache still holds it
    }

    void editorFont_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("family");
        QTest::addColumn<double>("size");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("italic");
        QTest::addColumn<bool>("underline");
        QTest::newRow("defaults written when no name")
            << QByteArray("") << "Tahoma" << 10.0 << false << false << false;
        QTest::newRow("fractional size") << QByteArray("FontName=Serif\nFontSize=9.75\n") << "Serif"
                                         << 9.75 << false << false << false;
        QTest::newRow("words any case and numbers")
            << QByteArray("FontName=Serif\nFontSize=12\nFontBold=TRUE\nFontItalic=-1\n"
                          "FontUnderLine=0\n")
            << "Serif" << 12.0 << true << true << false;
        QTest::newRow("bad word keeps default, rest applied")
            << QByteArray("FontName=Serif\nFontSize=11\nFontBold=maybe\nFontItalic=True\n")
            << "Serif" << 11.0 << false << true << false;
    }
    void editorFont() {
        QFETCH(QByteArray, file);
        QFETCH(QString, family);
        QFETCH(double, size);
        QFETCH(bool, bold);
        QFETCH(bool, italic);
        QFETCH(bool, underline);
        writeFile("[Quillary Settings]\n" + file);
        clsSettings s(path());
        const QFont font = quillary::GetEditorFont(s);
        QCOMPARE(font.family(), family);
        QCOMPARE(font.pointSizeF(), size);
        QCOMPARE(font.bold(), bold);
        QCOMPARE(font.italic(), italic);
        QCOMPARE(font.underline(), underline);
        if (file.isEmpty())
            QCOMPARE(s.GetSetting("FontStrikeThru"), QString("False"));
    }

    // Another program's lines stay as they were, byte for byte: the file is a hand-edited
    // profile file that may hold single-byte text.
    void foreignSingleByteLinesArePreserved() {
        const QByteArray foreign = "[Other Program]\nOwner=Ren\xE9"
                                   "e M\xFCller\n";
        writeFile(foreign + "[Quillary Settings]\nFontName=Tahoma\n");
        clsSettings s(path());
        QCOMPARE(s.GetSetting("FontName"), QString("Tahoma"));
        s.SetSetting("FontName", "Courier");
        s.Save();
        QFile f(path());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY2(bytes.startsWith(foreign), bytes.constData());
        QVERIFY2(bytes.contains("\nFontName=Courier\n"), bytes.constData());
    }

    // A file that an editor started with a byte order mark reads like any other.
    void fileWithByteOrderMarkIsRead() {
        writeFile("\xEF\xBB\xBF[Quillary Settings]\nFontName=Courier\n");
        clsSettings s(path());
        QCOMPARE(s.GetSetting("FontName"), QString("Courier"));
        // Also when the rest of the file is single-byte, not UTF-8.
        writeFile("\xEF\xBB\xBF[Quillary Settings]\nFontName=Caf\xe9\n");
        clsSettings single(path());
        QCOMPARE(single.GetSetting("FontName"), QString::fromUtf8("Caf\u00e9"));
    }

    // Lines the program never touches keep their bytes through saves by two stores (the
    // second reads what the first wrote): also a CR inside a line, and a first line whose
    // bytes begin like a byte order mark behind the file's own.
    void untouchedLinesKeepTheirBytes_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("saved");
        const QByteArray keys = "Log Errors=1\nFontName=y\n";
        QTest::newRow("byte order mark, a broken second one and a CR")
            << QByteArray("\xEF\xBB\xBF\xEF\xBB\x0D\xBF\xEF\xBB\xBF\x2C")
            << QByteArray("\xEF\xBB\xBF\xEF\xBB\x0D\xBF\xEF\xBB\xBF\x2C\n[Quillary Settings]\n") +
                   keys;
        QTest::newRow("CR inside a line")
            << QByteArray("; a\rb\n[Quillary Settings]\nFontName=x\n")
            << QByteArray("; a\rb\n[Quillary Settings]\nFontName=y\nLog Errors=1\n");
        QTest::newRow("single-byte line that begins like a byte order mark")
            << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFx\xFF\n[Quillary Settings]\n")
            << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFx\xFF\n[Quillary Settings]\n") + keys;
        QTest::newRow("UTF-8 file of two byte order marks")
            << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF")
            << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF\n[Quillary Settings]\n") + keys;
    }
    void untouchedLinesKeepTheirBytes() {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, saved);
        writeFile(file);
        {
            clsSettings first(path());
            first.SetSetting("Log Errors", "1");
            first.Save();
        }
        clsSettings second(path());
        second.SetSetting("FontName", "y");
        second.Save();
        QFile f(path());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), saved);
    }
};

QTEST_MAIN(tst_clsSettings)
#include "tst_clsSettings.moc"
