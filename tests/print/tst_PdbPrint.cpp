// SPDX-License-Identifier: GPL-3.0-or-later
// quillary-pdb print: notes to PDF from the command line, run as a program.

#include "print/PrintTestNotes.h"
#include "support/RequiredTools.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace quillary::test;

namespace {

struct Result {
    int status = -1;
    QString out;
    QString err;
};

Result RunPdb(const QStringList& args) {
    QProcess process;
    // No display and no platform choice: the print command must manage on its own.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(QUILLARY_PDB_EXE), args);
    process.waitForFinished(120000);
    Result r;
    r.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.out = QString::fromUtf8(process.readAllStandardOutput());
    r.err = QString::fromUtf8(process.readAllStandardError());
    return r;
}

QString Poppler(const QString& tool, const QStringList& args) {
    QProcess process;
    process.start(tool, args);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class tst_PdbPrint : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void printsChosenNotes();
    void settingsFileIsUsedAndKept();
    void paperAndOrientation();
    void paperFromTheSettings_data();
    void paperFromTheSettings();
    void errors_data();
    void errors();
    void layoutsWithoutRoomAreRefused_data();
    void layoutsWithoutRoomAreRefused();
    void refusesAnOutputThatIsNoDocument_data();
    void refusesAnOutputThatIsNoDocument();
    void replacesAPdfThroughALink();

private:
    QTemporaryDir m_dir;
    QString m_db;
};

void tst_PdbPrint::initTestCase() {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
        QUILLARY_REQUIRE_OR_SKIP("poppler-utils are not installed");
    m_db = m_dir.filePath(QStringLiteral("QLAnn.pdb"));
    auto db = MakeNotesDatabase(
        {{"alpha note", 50, 50, AllBlack}, {"bravo note"}, {"charlie note", 30, 60, AllBlack}});
    std::string error;
    QVERIFY2(db->ExportDatabase(m_db.toStdString(), {}, &error), error.c_str());
}

void tst_PdbPrint::printsChosenNotes() {
    const QString pdf = m_dir.filePath(QStringLiteral("chosen.pdf"));
    const Result r = RunPdb({"print", m_db, pdf, "--notes", "1,3", "--settings",
                             m_dir.filePath(QStringLiteral("none.ini"))});
    // A settings file that is named but missing is an error ...
    QCOMPARE(r.status, 1);
    // ... without one the page setup defaults apply.
    const Result ok = RunPdb({"print", m_db, pdf, "--notes", "3, 1"});
    QCOMPARE(ok.status, 0);
    QCOMPARE(ok.out, QStringLiteral("2 notes printed on 1 page to %1\n").arg(pdf));
    QCOMPARE(ok.err, QString());
    const QString text = Poppler(QStringLiteral("pdftotext"), {"-layout", pdf, "-"});
    QVERIFY(text.contains(QStringLiteral("alpha note")));
    QVERIFY(text.contains(QStringLiteral("charlie note")));
    QVERIFY(!text.contains(QStringLiteral("bravo note")));
    // Print order is the list's order: note 3 in the first cell (left of note 1).
    const QString firstLine = text.split('\n').filter(QStringLiteral("note")).value(0);
    QVERIFY2(firstLine.indexOf(QStringLiteral("charlie")) <
                 firstLine.indexOf(QStringLiteral("alpha")),
             qPrintable(firstLine));

    const Result all = RunPdb({"print", m_db, pdf});
    QCOMPARE(all.status, 0);
    QVERIFY(
        Poppler(QStringLiteral("pdftotext"), {pdf, "-"}).contains(QStringLiteral("bravo note")));
}

void tst_PdbPrint::settingsFileIsUsedAndKept() {
    const QString ini = m_dir.filePath(QStringLiteral("kestwin.ini"));
    const QByteArray content = "[Quillary Settings]\r\nPrintNotesWide=1\r\nPrintNotesHigh=1\r\n"
                               "PrintHeaderLeftOption=1\r\nPrintFooterRightOption=7\r\n";
    {
        QFile file(ini);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    const QString pdf = m_dir.filePath(QStringLiteral("settings.pdf"));
    const Result r = RunPdb({"print", m_db, pdf, "--settings", ini, "--notes", "1-2"});
    QCOMPARE(r.status, 0);
    QVERIFY(Poppler(QStringLiteral("pdfinfo"), {pdf})
                .contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n"))));
    const QString page2 = Poppler(QStringLiteral("pdftotext"), {"-f", "2", "-l", "2", pdf, "-"});
    QVERIFY2(page2.contains(QStringLiteral("Ann")), qPrintable(page2)); // user from QLAnn.pdb
    QVERIFY(page2.contains(QStringLiteral("Page 2/2 pages")));
    QVERIFY(page2.contains(QStringLiteral("bravo note")));
    QFile file(ini);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), content);
}

void tst_PdbPrint::paperAndOrientation() {
    const QString pdf = m_dir.filePath(QStringLiteral("paper.pdf"));
    QCOMPARE(RunPdb({"print", m_db, pdf, "--paper", "Letter", "--landscape"}).status, 0);
    QVERIFY(Poppler(QStringLiteral("pdfinfo"), {pdf}).contains(QStringLiteral("792 x 612")));
    QCOMPARE(RunPdb({"print", m_db, pdf, "--paper", "a4"}).status, 0);
    QVERIFY(Poppler(QStringLiteral("pdfinfo"), {pdf}).contains(QStringLiteral("(A4)")));
}

void tst_PdbPrint::paperFromTheSettings_data() {
    QTest::addColumn<QByteArray>("keys");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("size"); // as pdfinfo gives it, in points (a pattern)
    QTest::newRow("Letter landscape")
        << QByteArray("PrintPaperSize=Letter\r\nPrintOrientation=Landscape\r\n") << QStringList()
        << "792 x 612";
    QTest::newRow("Legal portrait")
        << QByteArray("PrintPaperSize=Legal\r\nPrintOrientation=Portrait\r\n") << QStringList()
        << "612 x 1008";
    QTest::newRow("options win") << QByteArray(
                                        "PrintPaperSize=Letter\r\nPrintOrientation=Landscape\r\n")
                                 << QStringList{"--paper", "Legal", "--portrait"} << "612 x 1008";
    QTest::newRow("--paper keeps the stored orientation")
        << QByteArray("PrintPaperSize=Letter\r\nPrintOrientation=Landscape\r\n")
        << QStringList{"--paper", "Legal"} << "1008 x 612";
    QTest::newRow("unknown paper: A4 or Letter, still landscape")
        << QByteArray("PrintPaperSize=Napkin\r\nPrintOrientation=Landscape\r\n") << QStringList()
        << "(842 x 595|792 x 612)";
}

// The paper and orientation chosen in Page Setup are what a PDF is made on, unless the
// command line says otherwise.
void tst_PdbPrint::paperFromTheSettings() {
    QFETCH(QByteArray, keys);
    QFETCH(QStringList, options);
    QFETCH(QString, size);
    const QString ini = m_dir.filePath(QStringLiteral("paper.ini"));
    {
        QFile file(ini);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[Quillary Settings]\r\n" + keys);
    }
    const QString pdf = m_dir.filePath(QStringLiteral("stored-paper.pdf"));
    const Result r = RunPdb(QStringList{"print", m_db, pdf, "--settings", ini} + options);
    QCOMPARE(r.status, 0);
    const QString info = Poppler(QStringLiteral("pdfinfo"), {pdf});
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Page size:\\s+") + size)),
             qPrintable(info));
}

void tst_PdbPrint::errors_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("note 0") << QStringList{"--notes", "0"} << "Note 0 is out of range";
    QTest::newRow("note past the end") << QStringList{"--notes", "1,4"} << "Note 4 is out of range";
    QTest::newRow("range past the end")
        << QStringList{"--notes", "2-9"} << "Note 9 is out of range";
    QTest::newRow("backwards range") << QStringList{"--notes", "3-1"} << "Bad note list";
    QTest::newRow("not a number") << QStringList{"--notes", "one"} << "Bad note list";
    QTest::newRow("empty entry") << QStringList{"--notes", "1,,2"} << "Bad note list";
    QTest::newRow("empty list") << QStringList{"--notes", ""} << "Bad note list";
    QTest::newRow("list missing") << QStringList{"--notes"} << "--notes needs a list";
    QTest::newRow("unknown paper") << QStringList{"--paper", "Napkin"} << "Unknown paper";
    QTest::newRow("unknown option") << QStringList{"--colour"} << "Unknown option";
}

void tst_PdbPrint::errors() {
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const QString pdf = m_dir.filePath(QStringLiteral("error.pdf"));
    QFile::remove(pdf);
    const Result r = RunPdb(QStringList{"print", m_db, pdf} + args);
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.startsWith(QStringLiteral("quillary-pdb: ") + message), qPrintable(r.err));
    QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
    QVERIFY(!QFile::exists(pdf));

    // Bad input files and outputs fail the same way.
    const Result missing = RunPdb({"print", m_dir.filePath(QStringLiteral("none.pdb")), pdf});
    QCOMPARE(missing.status, 1);
    QCOMPARE(missing.err.count(QLatin1Char('\n')), 1);
    const Result unwritable =
        RunPdb({"print", m_db, m_dir.filePath(QStringLiteral("no/dir/x.pdf"))});
    QCOMPARE(unwritable.status, 1);
    QVERIFY(unwritable.err.startsWith(QStringLiteral("quillary-pdb: Cannot write")));
}

// Hand-edited settings: a layout the window would refuse is refused here too, at once and
// before anything is written (a grid of 2147483647 notes across once ran for ten minutes).
void tst_PdbPrint::layoutsWithoutRoomAreRefused_data() {
    QTest::addColumn<QByteArray>("setting");
    QTest::newRow("top margin past the page") << QByteArray("PrintTopMargin=99");
    QTest::newRow("header fills the page") << QByteArray("PrintHeaderHeight=12");
    QTest::newRow("largest grid across") << QByteArray("PrintNotesWide=2147483647");
    QTest::newRow("ten million down") << QByteArray("PrintNotesHigh=10000000");
    QTest::newRow("cells under a tenth of an inch") << QByteArray("PrintNotesWide=90");
}

void tst_PdbPrint::layoutsWithoutRoomAreRefused() {
    QFETCH(QByteArray, setting);
    const QString ini = m_dir.filePath(QStringLiteral("noroom.ini"));
    {
        QFile file(ini);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[Quillary Settings]\r\n" + setting + "\r\n");
    }
    const QString pdf = m_dir.filePath(QStringLiteral("noroom.pdf"));
    {
        QFile earlier(pdf);
        QVERIFY(earlier.open(QIODevice::WriteOnly | QIODevice::Truncate));
        earlier.write("an earlier printout");
    }
    const Result r = RunPdb({"print", m_db, pdf, "--settings", ini, "--paper", "Letter"});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.startsWith(QStringLiteral("quillary-pdb: Nothing was printed")),
             qPrintable(r.err));
    QVERIFY(r.err.contains(QStringLiteral("no room")));
    QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
    QCOMPARE(r.out, QString());
    QFile kept(pdf);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("an earlier printout"));

    // The largest grid that still leaves a tenth of an inch per cell prints.
    const QString fits = m_dir.filePath(QStringLiteral("fits.ini"));
    {
        QFile file(fits);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[Quillary Settings]\r\nPrintLeftMargin=0\r\nPrintRightMargin=0\r\n"
                   "PrintNotesWide=80\r\n");
    }
    QCOMPARE(RunPdb({"print", m_db, pdf, "--settings", fits, "--paper", "Letter"}).status, 0);
}

// OUT is replaced only by a finished PDF and only when it is a document: never the notes
// file itself (also through a link), another notes database, a folder or a device.
void tst_PdbPrint::refusesAnOutputThatIsNoDocument_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("the notes file itself") << "self";
    QTest::newRow("a link to the notes file") << "link";
    QTest::newRow("another notes database") << "other";
    QTest::newRow("a folder") << "folder";
    QTest::newRow("a named pipe") << "fifo";
}

void tst_PdbPrint::refusesAnOutputThatIsNoDocument() {
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString notes = dir.filePath(QStringLiteral("notes.pdb"));
    QVERIFY(QFile::copy(m_db, notes));
    QString out = dir.filePath(QStringLiteral("out.pdb"));
    if (kind == QLatin1String("self"))
        out = notes;
    else if (kind == QLatin1String("link"))
        QVERIFY(QFile::link(notes, out));
    else if (kind == QLatin1String("other"))
        QVERIFY(QFile::copy(m_db, out));
    else if (kind == QLatin1String("folder"))
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("out.pdb")));
    else
        QCOMPARE(::mkfifo(QFile::encodeName(out).constData(), 0644), 0);
    const QStringList before =
        QDir(dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    const Result r = RunPdb({"print", notes, out});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.startsWith(QStringLiteral("quillary-pdb: Cannot write ")), qPrintable(r.err));
    QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
    QVERIFY(r.out.isEmpty());
    // Everything as it was: the notes file, OUT, and no temporary left.
    QFile file(notes);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QFile original(m_db);
    QVERIFY(original.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), original.readAll());
    const QFileInfo info(out);
    if (kind == QLatin1String("link"))
        QVERIFY(info.isSymLink());
    else if (kind == QLatin1String("folder"))
        QVERIFY(info.isDir());
    else if (kind == QLatin1String("fifo"))
        QVERIFY(!info.isFile() && info.exists());
    QCOMPARE(QDir(dir.path())
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
             before);
}

// An existing PDF is replaced, through a link the file it names: the link stays.
void tst_PdbPrint::replacesAPdfThroughALink() {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("old.pdf"));
    const QString link = dir.filePath(QStringLiteral("link.pdf"));
    QVERIFY(RunPdb({"print", m_db, pdf, "--notes", "2"}).status == 0);
    QVERIFY(QFile::link(pdf, link));
    const Result r = RunPdb({"print", m_db, link, "--notes", "1"});
    QCOMPARE(r.status, 0);
    QVERIFY(QFileInfo(link).isSymLink());
    const QString text = Poppler(QStringLiteral("pdftotext"), {pdf, "-"});
    QVERIFY2(text.contains(QStringLiteral("alpha note")), qPrintable(text));
    QVERIFY(!text.contains(QStringLiteral("bravo note")));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             (QStringList{QStringLiteral("link.pdf"), QStringLiteral("old.pdf")}));
}

QTEST_GUILESS_MAIN(tst_PdbPrint)
#include "tst_PdbPrint.moc"
