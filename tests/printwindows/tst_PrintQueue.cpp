// SPDX-License-Identifier: GPL-3.0-or-later
// Printing as a person does: File > Print, the notes chosen, a printer picked by name in the
// print dialog, the job handed to a real CUPS queue (a private scheduler, see
// PrivatePrintQueue) and read back from what the queue wrote, with poppler.

#include "PrintWindowsTestKit.h"
#include "printwindows/PrivatePrintQueue.h"
#include "printwindows/frmPrintSelection.h"
#include "support/RequiredTools.h"

#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <signal.h>

using namespace quillary;
using namespace quillary::test;

namespace {

QString Poppler(const QString& tool, const QStringList& args) {
    QProcess process;
    process.start(tool, args);
    if (!process.waitForFinished(60000))
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

bool HavePoppler() {
    for (const char* tool : {"pdftotext", "pdfinfo", "pdfimages"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return false;
    return true;
}

// The queue's driver file gives the printer 300 dpi.
constexpr int kQueueDpi = 300;

// File > Print with every note chosen, then Print in the selection window.
void PrintAllFromTheMenu(PrintFixture& f) {
    bool shown = false;
    f.services.dialogScripts.prepend([&shown](QDialog& d) {
        shown = true;
        QVERIFY(qobject_cast<frmPrintSelection*>(&d));
        Activate(d);
        Click(d, "cmdSelectAll");
        Click(d, "cmdPrint");
    });
    f.Window().Commands().Action(QStringLiteral("mnuPrint"))->trigger();
    QVERIFY(shown);
}

// What the print dialog's answer saw of the printer once the queue was picked.
struct PickedPrinter {
    int resolution = 0;
    QString name;
    bool native = false;
};

// The print dialog's answer when the person picks the queue by name: the dialog sets the
// printer and clears any output file, as Qt's own dialog does for a printer.
std::function<bool(QPrinter*)> PickQueue(PickedPrinter& picked) {
    return [&picked](QPrinter* printer) {
        printer->setPrinterName(QString::fromLatin1(PrivatePrintQueue::kPrinter));
        printer->setOutputFileName(QString());
        picked.resolution = printer->resolution();
        picked.name = printer->printerName();
        picked.native = printer->outputFormat() == QPrinter::NativeFormat;
        return true;
    };
}

} // namespace

class tst_PrintQueue : public QObject {
    Q_OBJECT
public:
    explicit tst_PrintQueue(QString queueFolder) : m_QueueFolder(std::move(queueFolder)) {}

private slots:
    void initTestCase();
    void cleanupTestCase();
    void printsTwoPagesThroughTheQueue();
    void jobNotTakenSaysSo_data();
    void jobNotTakenSaysSo();

private:
    // Waits for the scheduler to finish the queue's jobs: n of them in all.
    bool WaitForFinishedJobs(int n);
    QString m_QueueFolder;
    std::unique_ptr<PrivatePrintQueue> m_Queue;
};

void tst_PrintQueue::initTestCase() {
    const QString missing = PrivatePrintQueue::Missing();
    if (!missing.isEmpty()) {
        qWarning("%s", qPrintable(missing));
        QUILLARY_REQUIRE_OR_SKIP(
            "cupsd, lpadmin, lpstat or CUPS's gziptoany filter is not installed");
    }
    if (!HavePoppler())
        QUILLARY_REQUIRE_OR_SKIP(
            "pdftotext, pdfinfo or pdfimages (poppler-utils) is not installed");
    QVERIFY2(!m_QueueFolder.isEmpty(), "no folder for the print queue");
    m_Queue = std::make_unique<PrivatePrintQueue>(m_QueueFolder);
    QString why;
    QVERIFY2(m_Queue->Start(&why), qPrintable(why));
}

void tst_PrintQueue::cleanupTestCase() {
    if (!m_Queue)
        return;
    const qint64 pid = m_Queue->Pid();
    QVERIFY(m_Queue->Stop());
    // Nothing of the scheduler is left running.
    QVERIFY(pid > 0);
    QCOMPARE(::kill(pid_t(pid), 0), -1);
    m_Queue.reset();
}

bool tst_PrintQueue::WaitForFinishedJobs(int n) {
    const bool settled = QTest::qWaitFor(
        [&] { return m_Queue->FinishedJobs().size() >= n && m_Queue->PendingJobs().isEmpty(); },
        60000);
    if (!settled) {
        qWarning("%s", qPrintable(m_Queue->ErrorLog()));
        return false;
    }
    return m_Queue->FinishedJobs().size() == n;
}

void tst_PrintQueue::printsTwoPagesThroughTheQueue() {
    PrintFixture f;
    f.StartWithNotes(5);
    f.Settings().SetSetting(QStringLiteral("PrintNotesWide"), QStringLiteral("2"));
    f.Settings().SetSetting(QStringLiteral("PrintNotesHigh"), QStringLiteral("2"));
    f.Settings().SetSetting(QStringLiteral("PrintHeaderLeftOption"), QStringLiteral("1"));
    f.Settings().SetSetting(QStringLiteral("PrintFooterCenterOption"), QStringLiteral("6"));
    const int finishedBefore = m_Queue->FinishedJobs().size();
    PickedPrinter picked;
    f.services.printDialogAnswers.enqueue(PickQueue(picked));
    PrintAllFromTheMenu(f);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(f.services.printDialogs, 1);
    QVERIFY2(f.services.messages.isEmpty(), qPrintable(f.services.messageTexts().join('\n')));

    // The printer picked is the printer printed on, at its own resolution, and stays the
    // program's printer.
    QVERIFY(picked.native);
    QCOMPARE(picked.name, QString::fromLatin1(PrivatePrintQueue::kPrinter));
    QVERIFY2(picked.resolution >= kQueueDpi, qPrintable(QString::number(picked.resolution)));
    QCOMPARE(f.Host().Printer().printerName(), QString::fromLatin1(PrivatePrintQueue::kPrinter));
    QVERIFY(!QFile::exists(f.PdfPath())); // the file chosen before is not where it went

    QVERIFY(WaitForFinishedJobs(finishedBefore + 1));
    const QString out = m_Queue->OutputPath();
    QFile file(out);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(m_Queue->ErrorLog()));
    QVERIFY(file.read(5) == "%PDF-"); // Qt hands CUPS a PDF, passed through unchanged
    file.close();

    const QString info = Poppler(QStringLiteral("pdfinfo"), {out});
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\b"))), qPrintable(info));
    const QRegularExpressionMatch size =
        QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+) pts")).match(info);
    QVERIFY2(size.hasMatch(), qPrintable(info));

    for (int page = 1; page <= 2; ++page) {
        const QString text =
            Poppler(QStringLiteral("pdftotext"),
                    {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                     QString::number(page), out, QStringLiteral("-")});
        QVERIFY2(text.contains(QStringLiteral("Ann")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Page %1 out of 2 pages").arg(page)),
                 qPrintable(text));
        for (int note = 1; note <= 5; ++note)
            QCOMPARE(text.contains(QStringLiteral("second line of note %1").arg(note)),
                     (note <= 4) == (page == 1));
    }

    // The pictures: one per note, 1-bit and lossless, each as large on paper as the
    // layout makes it at the printer's resolution (independent of how Qt got there).
    clsPrintData layout;
    f.Host().LoadPrintData(layout);
    PrintTarget paper;
    paper.isPrinter = true;
    paper.unitsPerInch = kQueueDpi;
    paper.pageWidth = std::round(size.captured(1).toDouble() / 72.0 * kQueueDpi);
    paper.pageHeight = std::round(size.captured(2).toDouble() / 72.0 * kQueueDpi);
    layout.InitializeSettings(paper);

    const QString images = Poppler(QStringLiteral("pdfimages"), {QStringLiteral("-list"), out});
    const QStringList rows = images.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
    QCOMPARE(rows.size(), 5);
    QMap<int, int> onPage;
    for (const QString& row : rows) {
        // page num type width height color comp bpc enc interp object ID x-ppi y-ppi ...
        const QStringList cols = row.simplified().split(QLatin1Char(' '));
        QVERIFY2(cols.size() >= 14, qPrintable(images));
        QCOMPARE(cols.at(2), QStringLiteral("image"));
        QCOMPARE(cols.at(7), QStringLiteral("1"));
        QVERIFY2(cols.at(8) != QStringLiteral("jpeg"), qPrintable(images));
        const int page = cols.at(0).toInt();
        const int width = cols.at(3).toInt();
        const int height = cols.at(4).toInt();
        const NoteBoxes box = layout.LayoutNote(onPage[page]++, width, height);
        QVERIFY(box.pictureWidth > 0);
        const double expectedPpi = width / (double(box.pictureWidth) / kQueueDpi);
        const double ppi = cols.at(12).toDouble();
        QVERIFY2(
            std::abs(ppi - expectedPpi) <= expectedPpi * 0.02,
            qPrintable(
                QStringLiteral("%1 ppi, expected %2\n%3").arg(ppi).arg(expectedPpi).arg(images)));
    }
    QCOMPARE(onPage.value(1), 4);
    QCOMPARE(onPage.value(2), 1);
}

void tst_PrintQueue::jobNotTakenSaysSo_data() {
    QTest::addColumn<bool>("schedulerGone"); // else the queue rejects jobs
    QTest::addColumn<QString>("reason");     // part of the reason given
    QTest::newRow("queue rejects jobs") << false << QStringLiteral("not accepting jobs");
    QTest::newRow("scheduler gone after the dialog")
        << true << QStringLiteral("The print service did not take the job");
}

// The job never reaches the queue: the person is told the notes were not printed, and why,
// instead of hearing nothing while nothing is printed.
void tst_PrintQueue::jobNotTakenSaysSo() {
    QFETCH(bool, schedulerGone);
    QFETCH(QString, reason);
    const QString queue = QString::fromLatin1(PrivatePrintQueue::kPrinter);
    // The queue takes jobs again afterwards, whatever happens here.
    const auto restore = qScopeGuard([&] {
        QString why;
        if (!m_Queue->Running() && !m_Queue->Start(&why))
            qWarning("%s", qPrintable(why));
        m_Queue->Client(QStringLiteral("cupsaccept"), {queue});
    });
    const int finishedBefore = m_Queue->FinishedJobs().size();
    if (!schedulerGone) {
        bool ok = false;
        m_Queue->Client(QStringLiteral("cupsreject"), {queue}, &ok);
        QVERIFY(ok);
    }
    PrintFixture f;
    f.StartWithNotes(3);
    PickedPrinter picked;
    f.services.printDialogAnswers.enqueue([&](QPrinter* printer) {
        const bool print = PickQueue(picked)(printer);
        if (schedulerGone)
            m_Queue->Stop();
        return print;
    });
    PrintAllFromTheMenu(f);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(picked.name, queue);
    QCOMPARE(f.services.messages.size(), 1);
    const QString text = f.services.messages.first().text;
    QVERIFY2(text.startsWith(QStringLiteral("The notes could not be printed.")), qPrintable(text));
    // The reason ends the message.
    QVERIFY2(text.count(QLatin1Char('\n')) >= 2, qPrintable(text));
    QVERIFY2(text.contains(reason), qPrintable(text));
    QCOMPARE(f.services.messages.first().icon, MsgIcon::Exclamation);
    QVERIFY(f.Window().ProgressBar()->isHidden());

    QString why;
    if (schedulerGone)
        QVERIFY2(m_Queue->Start(&why), qPrintable(why));
    QVERIFY(m_Queue->PendingJobs().isEmpty());
    QCOMPARE(m_Queue->FinishedJobs().size(), finishedBefore);
}

int main(int argc, char** argv) {
    // libcups and Qt's CUPS support learn the scheduler's address once, so it is set
    // before anything of Qt starts: only the test's own scheduler is ever asked.
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/cups-XXXXXX"));
    qputenv("CUPS_SERVER",
            PrivatePrintQueue::SocketPathIn(folder.isValid() ? folder.path() : QDir::tempPath())
                .toLocal8Bit());
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    tst_PrintQueue test(folder.isValid() ? folder.path() : QString());
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_PrintQueue.moc"
