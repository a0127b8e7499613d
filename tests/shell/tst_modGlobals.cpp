#include "shell/AppContext.h"
#include "shell/clsSettings.h"
#include "shell/modGlobals.h"
#include "storage/clsDatabase.h"
#include "support/ScriptedPlatformServices.h"

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
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::newRow("opened") << OpenResult::Opened << QString() << QString();
        QTest::newRow("no viewer") << OpenResult::NoHandler << "Could not find Adobe Acrobat 4.0"
                                   << "Adobe Acrobat Not Found";
        QTest::newRow("launch failed")
            << OpenResult::LaunchFailed << "Manual not displayed, unable to load\rAdobe Acrobat."
            << "Problem with Adobe Acrobat detected!";
    }
    void openPdfDocumentReportsEachFailure() {
        QFETCH(OpenResult, result);
        QFETCH(QString, text);
        QFETCH(QString, title);
        ScriptedPlatformServices services;
        services.openResult = result;
        OpenPdfDocument(services, "/opt/quillary/QuillaryManual.pdf");
        QCOMPARE(services.openedDocuments, QStringList("/opt/quillary/QuillaryManual.pdf"));
        if (text.isEmpty()) {
            QVERIFY(services.messages.isEmpty());
        } else {
            QCOMPARE(services.messages.size(), 1);
            QCOMPARE(services.messages.first().text, text);
            QCOMPARE(services.messages.first().title, title);
            QCOMPARE(services.messages.first().icon, MsgIcon::Exclamation);
        }
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
