// SPDX-License-Identifier: GPL-3.0-or-later
// The print routine of the print windows' host, on the main window: commit, print dialog,
// progress, cancel and failure.

#include "mainwindow/MainWindowFixture.h"
#include "printwindows/PrintWindows.h"
#include "printwindows/PrintWindowsHost.h"
#include "support/RequiredTools.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QProgressBar>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QtTest>

using namespace quillary;
using namespace quillary::test;

namespace {

QString PdfText(const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The print dialog's "print to file" answer.
std::function<bool(QPrinter*)> PrintToFile(const QString& path) {
    return [path](QPrinter* printer) {
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(path);
        return true;
    };
}

} // namespace

class tst_PrintNotesMain : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void printsTheSelectionWithTheCurrentEdit();
    void cancelledDialogPrintsNothing();
    void escapeCancelsARunningJob_data();
    void escapeCancelsARunningJob();
    void failedJobSaysWhy();
    void theNotesFileIsNeverTheOutput();

private:
    frmMain& Start();
    // The host the program registers on its main window, which prints.
    PrintWindowsHost& Host();
    std::unique_ptr<MainWindowFixture> m_f;
    QString m_annFile;
};

void tst_PrintNotesMain::init() {
    m_f = std::make_unique<MainWindowFixture>();
    m_f->WriteUsers({{101, "Ann", "ann"}});
    m_annFile = m_f->UserFile("ann", "Ann");
    MainWindowFixture::WriteDatabase(m_annFile, {"ann one", "ann two", "ann three"});
}

void tst_PrintNotesMain::cleanup() {
    m_f.reset();
}

frmMain& tst_PrintNotesMain::Start() {
    frmMain& w = m_f->Start();
    RegisterPrintWindows(w);
    m_f->Settings().SetSetting(QStringLiteral("PrintNotesSelectedString"), QStringLiteral("0,2"));
    m_f->Settings().SetSetting(QStringLiteral("PrintHeaderLeftOption"), QStringLiteral("1"));
    m_f->Settings().SetSetting(QStringLiteral("PrintFooterCenterOption"), QStringLiteral("6"));
    return w;
}

PrintWindowsHost& tst_PrintNotesMain::Host() {
    auto* host = m_f->Window().findChild<PrintWindowsHost*>();
    Q_ASSERT(host);
    return *host;
}

void tst_PrintNotesMain::printsTheSelectionWithTheCurrentEdit() {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QUILLARY_REQUIRE_OR_SKIP("pdftotext (poppler-utils) is not installed");
    frmMain& w = Start();
    QCOMPARE(w.TextEditor()->toPlainText(), QStringLiteral("ann one"));
    QTest::keyClick(w.TextEditor(), Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClicks(w.TextEditor(), QStringLiteral("edited "));
    const QByteArray fileBefore = [&] {
        QFile file(m_annFile);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();

    const QString pdf = m_f->Root() + QStringLiteral("/notes.pdf");
    m_f->services.printDialogAnswers.enqueue(PrintToFile(pdf));
    QVERIFY(Host().PrintNotes());
    QCOMPARE(m_f->services.printDialogs, 1);
    QVERIFY(m_f->services.messages.isEmpty());

    const QString text = PdfText(pdf);
    QVERIFY2(text.contains(QStringLiteral("edited ann one")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("ann three")));
    QVERIFY(!text.contains(QStringLiteral("ann two")));
    QVERIFY(text.contains(QStringLiteral("Ann")));
    QVERIFY(text.contains(QStringLiteral("Page 1 out of 1 pages")));

    // Printing changed nothing else: the file on disk, the window's state.
    QFile file(m_annFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), fileBefore);
    QVERIFY(w.Database().m_FileDirtyFlag);
    QCOMPARE(w.TextEditor()->toPlainText(), QStringLiteral("edited ann one"));
    QVERIFY(w.ProgressBar()->isHidden());
    QVERIFY(!w.statusBar()->isHidden());
}

void tst_PrintNotesMain::cancelledDialogPrintsNothing() {
    frmMain& w = Start();
    m_f->services.printDialogAnswers.enqueue([](QPrinter*) { return false; });
    QVERIFY(!Host().PrintNotes());
    QCOMPARE(m_f->services.printDialogs, 1);
    QVERIFY(m_f->services.messages.isEmpty());
    QVERIFY(w.ProgressBar()->isHidden());
}

void tst_PrintNotesMain::escapeCancelsARunningJob_data() {
    QTest::addColumn<QByteArray>("before"); // the file there before; null: none
    QTest::newRow("new file") << QByteArray();
    QTest::newRow("over an earlier PDF") << QByteArray("%PDF-1.4 the earlier document\n");
}

// A cancelled job leaves the file it was to replace exactly as it was, and nothing else.
void tst_PrintNotesMain::escapeCancelsARunningJob() {
    QFETCH(QByteArray, before);
    frmMain& w = Start();
    const QString pdf = m_f->Root() + QStringLiteral("/cancelled.pdf");
    if (!before.isNull()) {
        QFile file(pdf);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(before);
    }
    const QStringList entries =
        QDir(m_f->Root()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    m_f->services.printDialogAnswers.enqueue([&](QPrinter* printer) {
        // The person presses Escape once the job runs.
        QTimer::singleShot(0, &w, [&w] { QTest::keyClick(&w, Qt::Key_Escape); });
        return PrintToFile(pdf)(printer);
    });
    QVERIFY(!Host().PrintNotes());
    QCOMPARE(m_f->services.messages.size(), 1);
    QCOMPARE(m_f->services.messages.first().text, QStringLiteral("Printing was cancelled."));
    if (before.isNull()) {
        QVERIFY(!QFile::exists(pdf));
    } else {
        QFile file(pdf);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }
    QCOMPARE(QDir(m_f->Root()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             entries);
    QVERIFY(w.ProgressBar()->isHidden());

    // Input reaches the window again once the job is over.
    QTest::keyClick(w.TextEditor(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(w.TextEditor(), QStringLiteral("!"));
    QCOMPARE(w.TextEditor()->toPlainText(), QStringLiteral("ann one!"));
}

void tst_PrintNotesMain::failedJobSaysWhy() {
    frmMain& w = Start();
    m_f->services.printDialogAnswers.enqueue(
        PrintToFile(m_f->Root() + QStringLiteral("/missing/folder/out.pdf")));
    QVERIFY(!Host().PrintNotes());
    QCOMPARE(m_f->services.messages.size(), 1);
    QVERIFY(m_f->services.messages.first().text.startsWith(
        QStringLiteral("The notes could not be printed.")));
    QCOMPARE(m_f->services.messages.first().icon, MsgIcon::Exclamation);
    QVERIFY(!w.Database().m_FileDirtyFlag);
    QVERIFY(w.ProgressBar()->isHidden());
}

// "Print to File" over the notes file shown (or another notes database) is refused: the
// notes stay as they are on disk.
void tst_PrintNotesMain::theNotesFileIsNeverTheOutput() {
    Start();
    const QByteArray fileBefore = [&] {
        QFile file(m_annFile);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    m_f->services.printDialogAnswers.enqueue(PrintToFile(m_annFile));
    QVERIFY(!Host().PrintNotes());
    QCOMPARE(m_f->services.messages.size(), 1);
    const QString text = m_f->services.messages.first().text;
    QVERIFY2(text.startsWith(QStringLiteral("The notes could not be printed.")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("notes file being printed")), qPrintable(text));
    QFile file(m_annFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), fileBefore);
}

QTEST_MAIN(tst_PrintNotesMain)
#include "tst_PrintNotesMain.moc"
