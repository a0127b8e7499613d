// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/AppContext.h"
#include "core/clsSettings.h"
#include "core/modGlobals.h"
#include "shell/TextSelection.h"
#include "shell/frmOptions.h"
#include "storage/clsDatabase.h"
#include "support/ScriptedPlatformServices.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

using namespace quillary;
using quillary::test::ScriptedPlatformServices;

class tst_modGlobals : public QObject {
    Q_OBJECT

private slots:
    void reportErrorShowsAndLogsNextToDatabase() {
        QTemporaryDir dir;
        ScriptedPlatformServices services;
        clsSettings settings(dir.filePath("kestwin.ini"));
        settings.SetSetting("Log Errors", "1");
        clsDatabase db;
        const QString pdb = dir.filePath("QLa.pdb");
        QFile(pdb).open(QIODevice::WriteOnly); // SetFileName resolves existing paths
        db.SetFileName(pdb.toStdString());
        AppContext ctx{services, settings, &db};

        ReportError(ctx, "first problem");
        ReportError(ctx, "second problem");

        QCOMPARE(services.messageTexts(), QStringList({"first problem", "second problem"}));
        QCOMPARE(services.messages.first().title, QString("Quillary"));
        QCOMPARE(services.messages.first().buttons, MsgButtons::Ok);
        QCOMPARE(services.messages.first().icon, MsgIcon::None);
        QFile log(dir.filePath("QLa.log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll(), QByteArray("first problem\r\nsecond problem\r\n"));
    }

    void reportErrorWithoutDatabaseLogsToErrorLogAndSurvivesUnwritableLog() {
        QTemporaryDir dir;
        const QString old = QDir::currentPath();
        QDir::setCurrent(dir.path());
        ScriptedPlatformServices services;
        clsSettings settings(dir.filePath("kestwin.ini"));
        AppContext ctx{services, settings, nullptr};

        ReportError(ctx, "not logged"); // "Log Errors" unset: shown only
        QVERIFY(!QFile::exists(dir.filePath("Error.log")));
        settings.SetSetting("Log Errors", "1");
        ReportError(ctx, "logged");
        QVERIFY(QFile::exists(dir.filePath("Error.log")));

        QFile::remove(dir.filePath("Error.log"));
        QDir().mkdir(dir.filePath("Error.log")); // a folder where the log should be
        ReportError(ctx, "still shown");
        QCOMPARE(services.messageTexts().last(), QString("still shown"));
        QDir::setCurrent(old);
    }

    // The error report logs exactly when the options dialog shows "Log Errors" as on, for
    // any text a hand-edited file may hold.
    void logErrorsAgreesWithTheOptionsDialog_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("logged");
        QTest::newRow("1") << "1" << true;
        QTest::newRow("0") << "0" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("1.0") << "1.0" << true;
        QTest::newRow("2") << "2" << true;
        QTest::newRow("word") << "yes" << false;
    }
    void logErrorsAgreesWithTheOptionsDialog() {
        QFETCH(QString, stored);
        QFETCH(bool, logged);
        QTemporaryDir dir;
        {
            QFile ini(dir.filePath("kestwin.ini"));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("[Quillary Settings]\nLog Errors=" + stored.toUtf8() + "\n");
        }
        ScriptedPlatformServices services;
        clsSettings settings(dir.filePath("kestwin.ini"));
        clsDatabase db;
        const QString pdb = dir.filePath("QLa.pdb");
        QFile(pdb).open(QIODevice::WriteOnly);
        db.SetFileName(pdb.toStdString());
        AppContext ctx{services, settings, &db};
        ReportError(ctx, "problem");
        QCOMPARE(QFile::exists(dir.filePath("QLa.log")), logged);
        frmOptions dialog(services, settings);
        auto* box = dialog.findChild<QCheckBox*>(QStringLiteral("chkLogErrors"));
        QVERIFY(box);
        QCOMPARE(box->isChecked(), logged);
    }

    void fileFilters_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("preselected");
        QTest::newRow("databases") << 0 << 2 << 1 << "Palm Database Files (*.pdb)";
        QTest::newRow("import texts") << 1 << 9 << 2 << "Quillary Import Files (*.qly)";
        QTest::newRow("bitmaps") << 2 << 2 << 1 << "Bitmap Files (*.bmp)";
        QTest::newRow("other") << 7 << 1 << 1 << "All Files (*.*)";
    }
    void fileFilters() {
        QFETCH(int, kind);
        QFETCH(int, count);
        QFETCH(int, index);
        QFETCH(QString, preselected);
        const QList<FileFilter> filters = BuildFileFilter(kind);
        QCOMPARE(filters.size(), count);
        QCOMPARE(filters.last(), (FileFilter{"All Files (*.*)", "*.*"}));

        ScriptedPlatformServices services;
        services.fileAnswers << "  /tmp/chosen.txt  ";
        QCOMPARE(ShowOpenFileDialog(services, "Open Text File:", "", "", kind, index),
                 QString("/tmp/chosen.txt"));
        const auto& call = services.fileDialogs.first();
        QVERIFY(!call.save);
        QCOMPARE(call.title, QString("Open Text File:"));
        QCOMPARE(call.filters.at(call.filterIndex - 1).description, preselected);

        QCOMPARE(ShowSaveFileDialog(services, "Save", "x", "/tmp", kind), QString());
        QVERIFY(services.fileDialogs.last().save);
        QCOMPARE(services.fileDialogs.last().filterIndex, 1);
    }

    void openPdfDocumentReportsEachFailure_data() {
        QTest::addColumn<OpenResult>("result");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("advice");
        QTest::newRow("opened") << OpenResult::Opened << true << QString() << QString()
                                << QString();
        QTest::newRow("no viewer")
            << OpenResult::NoHandler << true << "Could not find Adobe Acrobat 4.0"
            << "Adobe Acrobat Not Found"
            << "Open this file with";
        QTest::newRow("launch failed") << OpenResult::LaunchFailed << true
                                       << "Manual not displayed, unable to load\rAdobe Acrobat."
                                       << "Problem with Adobe Acrobat detected!"
                                       << "Open this file with";
        QTest::newRow("manual missing") << OpenResult::LaunchFailed << false
                                        << "Manual not displayed, unable to load\rAdobe Acrobat."
                                        << "Problem with Adobe Acrobat detected!"
                                        << "The manual was not found at:";
    }
    void openPdfDocumentReportsEachFailure() {
        QFETCH(OpenResult, result);
        QFETCH(bool, installed);
        QFETCH(QString, text);
        QFETCH(QString, title);
        QFETCH(QString, advice);
        QTemporaryDir dir;
        const QString manual = dir.filePath("QuillaryManual.pdf");
        if (installed) {
            QFile file(manual);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        ScriptedPlatformServices services;
        services.openResult = result;
        OpenPdfDocument(services, manual);
        QCOMPARE(services.openedDocuments, QStringList(manual));
        if (text.isEmpty()) {
            QVERIFY(services.messages.isEmpty());
        } else {
            QCOMPARE(services.messages.size(), 1);
            // The Part's words, then which file it was, so it can be opened by hand.
            const QString shown = services.messages.first().text;
            QVERIFY2(shown.startsWith(text), qPrintable(shown));
            QVERIFY2(shown.contains(advice), qPrintable(shown));
            QVERIFY2(shown.contains(QDir::toNativeSeparators(manual)), qPrintable(shown));
            QCOMPARE(services.messages.first().title, title);
            QCOMPARE(services.messages.first().icon, MsgIcon::Exclamation);
        }
    }

    void shortenFolder_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("maxChars");
        QTest::addColumn<QString>("shown");
        const QString home = QDir::homePath();
        QTest::newRow("short") << "/data/notes" << 40 << "/data/notes";
        QTest::newRow("home") << home + "/Desktop/Ann" << 40 << "~/Desktop/Ann";
        QTest::newRow("home itself") << home << 40 << "~";
        QTest::newRow("long keeps the last folders")
            << "/srv/share/departments/sales/people/ann/notes" << 30 << "/srv/.../people/ann/notes";
        QTest::newRow("last folder always")
            << "/srv/a-very-long-folder-name-indeed/another-long-one" << 10
            << "/srv/.../another-long-one";
        QTest::newRow("long in home")
            << home + "/a/b/c/d/e/f/g/h/i/j/k/l/m/n/o/p/q/r/s/t/u" << 10 << "~/.../t/u";
    }
    void shortenFolder() {
        QFETCH(QString, folder);
        QFETCH(int, maxChars);
        QFETCH(QString, shown);
        QCOMPARE(ShortenFolder(folder, maxChars), shown);
    }

    void fileDialogsStartWhereTheNotesAre() {
        ScriptedPlatformServices services;
        SetFileDialogHome("/data/ann");
        services.fileAnswers << "/elsewhere/picture.bmp"
                             << ""
                             << "";
        ShowOpenFileDialog(services, "Open", QString(), QString(), FilterBitmaps, 1);
        QCOMPARE(services.fileDialogs.at(0).initialDir, QString("/data/ann"));
        // The folder last used is the next start, until another notes file is shown.
        ShowSaveFileDialog(services, "Save", QString(), QString(), FilterBitmaps);
        QCOMPARE(services.fileDialogs.at(1).initialDir, QString("/elsewhere"));
        SetFileDialogHome("/data/ann"); // the same file again keeps it
        QCOMPARE(FileDialogFolder(), QString("/elsewhere"));
        SetFileDialogHome("/data/bob");
        // A folder given by the caller wins.
        ShowOpenFileDialog(services, "Open", QString(), "/given", FilterBitmaps, 1);
        QCOMPARE(services.fileDialogs.at(2).initialDir, QString("/given"));
        QCOMPARE(FileDialogFolder(), QString("/data/bob")); // a cancelled dialog changes nothing
        SetFileDialogHome(QString());
    }

    void fontDescription_data() {
        QTest::addColumn<QFont>("font");
        QTest::addColumn<QString>("text");
        QFont boldItalic("Tahoma");
        boldItalic.setPointSizeF(10);
        boldItalic.setBold(true);
        boldItalic.setItalic(true);
        QFont plain("Tahoma");
        plain.setPointSizeF(9.75);
        QFont all("Serif");
        all.setPointSizeF(12);
        all.setBold(true);
        all.setItalic(true);
        all.setUnderline(true);
        all.setStrikeOut(true);
        QTest::newRow("bold italic") << boldItalic << "Tahoma 10 Pt. Bold Italic";
        QTest::newRow("fractional") << plain << "Tahoma 9.75 Pt.";
        QTest::newRow("every style") << all << "Serif 12 Pt. Bold Italic Underline Strike Thru";
    }
    void fontDescription() {
        QFETCH(QFont, font);
        QFETCH(QString, text);
        QCOMPARE(GetFontDescription(font), text);
    }

    void textHelpers() {
        QCOMPARE(TrimAtNull(QString("  ab") + QChar(0) + "junk  "), QString("ab"));
        QCOMPARE(TrimAtNull(QString(" a b ")), QString("a b"));
        QCOMPARE(AddBackslash(QString("")), QString(""));
        QCOMPARE(AddBackslash(QString("/desk/")), QString("/desk/"));
        QCOMPARE(AddBackslash(QString("/desk/x")), QString("/desk/x/"));
        QCOMPARE(GetFirstLine(QString("one\r\ntwo")), QString("one"));
        QCOMPARE(GetFirstLine(QString("\r\ntwo")), QString(""));
        QCOMPARE(GetFirstLine(QString("single")), QString("single"));
    }

    void selectAllText() {
        QLineEdit line("margin");
        SelectAllText(&line);
        QCOMPARE(line.selectedText(), QString("margin"));
        QPlainTextEdit text("two\nlines");
        SelectAllText(&text);
        QCOMPARE(text.textCursor().selectedText(), QString("two") + QChar(0x2029) + "lines");
    }
};

QTEST_MAIN(tst_modGlobals)
#include "tst_modGlobals.moc"
