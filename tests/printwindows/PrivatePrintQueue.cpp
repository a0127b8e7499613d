// SPDX-License-Identifier: GPL-3.0-or-later
#include "printwindows/PrivatePrintQueue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/un.h>
#include <unistd.h>

namespace quillary::test {

namespace {

const QStringList kSystemBins = {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin"),
                                 QStringLiteral("/sbin")};
// CUPS's own pass-through filter (Debian: cups-core-drivers), which the queue runs.
const QString kPassThrough = QStringLiteral("/usr/lib/cups/filter/gziptoany");

QString Program(const QString& name) {
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(name, kSystemBins);
    return path;
}

// A queue without a driver file on a file: device completes its jobs without writing a
// byte (CUPS 2.4), so the queue has a driver file whose one filter passes the PDF through
// unchanged. It declares A4 and Letter paper and 300 dpi, which Qt's print support reads
// as the printer's own resolution.
constexpr const char* kDriverFile = R"PPD(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "QLTEST.PPD"
*Manufacturer: "Quillary tests"
*Product: "(Quillary Test Queue)"
*ModelName: "Quillary Test Queue"
*ShortNickName: "Quillary Test Queue"
*NickName: "Quillary Test Queue"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: False
*DefaultColorSpace: Gray
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsFilter: "application/pdf 0 gziptoany"
*OpenUI *PageSize/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*PageSize Letter/US Letter: "<</PageSize[612 792]>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: A4
*PageRegion A4/A4: "<</PageSize[595 842]>>setpagedevice"
*PageRegion Letter/US Letter: "<</PageSize[612 792]>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: A4
*ImageableArea A4/A4: "18 18 577 824"
*ImageableArea Letter/US Letter: "18 18 594 774"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
*PaperDimension Letter/US Letter: "612 792"
*OpenUI *Resolution/Resolution: PickOne
*OrderDependency: 10 AnySetup *Resolution
*DefaultResolution: 300dpi
*Resolution 300dpi/300 DPI: "<</HWResolution[300 300]>>setpagedevice"
*CloseUI: *Resolution
)PPD";

bool WriteText(const QString& path, const QString& text, QString* why) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(text.toUtf8()) != text.toUtf8().size()) {
        *why = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

// Waits, handling events, until done() holds or the time is up.
bool WaitUntil(const std::function<bool()>& done, int milliseconds) {
    return QTest::qWaitFor(done, milliseconds);
}

} // namespace

PrivatePrintQueue::PrivatePrintQueue(QString folder) : m_Folder(std::move(folder)) {}

PrivatePrintQueue::~PrivatePrintQueue() {
    Stop();
}

QString PrivatePrintQueue::Missing() {
    QStringList missing;
    for (const char* name : {"cupsd", "lpadmin", "lpstat"})
        if (Program(QString::fromLatin1(name)).isEmpty())
            missing << QString::fromLatin1(name);
    if (!QFileInfo(kPassThrough).isExecutable())
        missing << kPassThrough;
    if (missing.isEmpty())
        return QString();
    return QStringLiteral("no private print queue: %1 missing (cups-daemon, cups-client, "
                          "cups-core-drivers)")
        .arg(missing.join(QStringLiteral(", ")));
}

QString PrivatePrintQueue::SocketPathIn(const QString& folder) {
    return QDir(folder).filePath(QStringLiteral("cups.sock"));
}

QString PrivatePrintQueue::Path(const QString& name) const {
    return QDir(m_Folder).filePath(name);
}

QString PrivatePrintQueue::OutputPath() const {
    return Path(QStringLiteral("out.prn"));
}

QString PrivatePrintQueue::ErrorLog() const {
    QFile file(Path(QStringLiteral("log/error_log")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool PrivatePrintQueue::WriteFiles(QString* why) {
    const QString socket = SocketPathIn(m_Folder);
    if (socket.toLocal8Bit().size() >= int(sizeof(sockaddr_un::sun_path))) {
        *why = QStringLiteral("the socket path %1 is too long for a Unix socket").arg(socket);
        return false;
    }
    for (const char* sub : {"conf", "spool", "tmp", "cache", "state", "log"})
        if (!QDir(m_Folder).mkpath(QString::fromLatin1(sub))) {
            *why = QStringLiteral("cannot make %1").arg(Path(QString::fromLatin1(sub)));
            return false;
        }

    QString files = QStringLiteral("ServerRoot %1\nRequestRoot %2\nTempDir %3\nCacheDir %4\n"
                                   "StateDir %5\nErrorLog %6\nAccessLog %7\nPageLog %8\n"
                                   "Printcap %9\nFileDevice Yes\n")
                        .arg(Path("conf"), Path("spool"), Path("tmp"), Path("cache"), Path("state"),
                             Path("log/error_log"), Path("log/access_log"), Path("log/page_log"),
                             Path("state/printcap"));
    files += QStringLiteral("ServerKeychain %1\n").arg(Path("state/ssl"));
    if (geteuid() != 0) {
        // Everything runs as the test's user, who owns every file here.
        const passwd* user = getpwuid(geteuid());
        const group* grp = getgrgid(getegid());
        if (!user || !grp) {
            *why = QStringLiteral("the test's user or group has no name");
            return false;
        }
        files +=
            QStringLiteral("User %1\nGroup %2\nSystemGroup %2\n")
                .arg(QString::fromLocal8Bit(user->pw_name), QString::fromLocal8Bit(grp->gr_name));
    } else {
        // As root the scheduler refuses to run filters as root; they run as "lp" and must
        // reach the spooled files through the folders above them (search only, no listing).
        QDir dir(m_Folder);
        const QString top = QDir(QDir::tempPath()).canonicalPath();
        while (true) {
            QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFile::ExeOther);
            if (dir.canonicalPath() == top || dir.isRoot() || !dir.cdUp() ||
                !dir.canonicalPath().startsWith(top))
                break;
        }
    }
    const QString daemon =
        QStringLiteral(
            "Listen %1\n"
            "LogLevel debug\n"
            "Browsing No\n"
            "WebInterface No\n"
            "DefaultAuthType None\n"
            "MaxJobs 0\n"
            "PreserveJobHistory Yes\n"
            "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
            "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n")
            .arg(socket);
    return WriteText(Path("conf/cups-files.conf"), files, why) &&
           WriteText(Path("conf/cupsd.conf"), daemon, why) &&
           WriteText(Path("queue.ppd"), QString::fromLatin1(kDriverFile), why);
}

QProcessEnvironment PrivatePrintQueue::Environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CUPS_SERVER"), SocketPathIn(m_Folder));
    return env;
}

QString PrivatePrintQueue::Client(const QString& program, const QStringList& args, bool* ok) const {
    QProcess process;
    process.setProcessEnvironment(Environment());
    process.start(Program(program), args);
    const bool done = process.waitForFinished(30000) &&
                      process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (ok)
        *ok = done;
    if (!done)
        qWarning("%s %s: %s", qPrintable(program), qPrintable(args.join(QLatin1Char(' '))),
                 process.readAllStandardError().constData());
    return done ? QString::fromUtf8(process.readAllStandardOutput()) : QString();
}

bool PrivatePrintQueue::Start(QString* why) {
    if (!WriteFiles(why))
        return false;
    m_Scheduler.setProcessEnvironment(Environment());
    m_Scheduler.setProcessChannelMode(QProcess::MergedChannels);
    // Should the test process die without cleaning up, the scheduler goes with it.
    m_Scheduler.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_Scheduler.start(Program(QStringLiteral("cupsd")),
                      {QStringLiteral("-f"), QStringLiteral("-c"), Path("conf/cupsd.conf"),
                       QStringLiteral("-s"), Path("conf/cups-files.conf")});
    if (!m_Scheduler.waitForStarted(10000)) {
        *why = QStringLiteral("cupsd did not start: %1").arg(m_Scheduler.errorString());
        return false;
    }
    m_Pid = m_Scheduler.processId();

    const auto answers = [this] {
        if (!Running())
            return true;
        // Not through Client(): until the scheduler answers, lpstat's failures are expected.
        QProcess lpstat;
        lpstat.setProcessEnvironment(Environment());
        lpstat.start(Program(QStringLiteral("lpstat")), {QStringLiteral("-r")});
        lpstat.waitForFinished(10000);
        return lpstat.readAllStandardOutput().startsWith("scheduler is running");
    };
    if (!WaitUntil(answers, 30000) || !Running()) {
        *why = QStringLiteral("cupsd does not answer on %1:\n%2\n%3")
                   .arg(SocketPathIn(m_Folder), QString::fromLocal8Bit(m_Scheduler.readAll()),
                        ErrorLog());
        Stop();
        return false;
    }
    bool ok = false;
    Client(QStringLiteral("lpadmin"),
           {QStringLiteral("-p"), QString::fromLatin1(kPrinter), QStringLiteral("-E"),
            QStringLiteral("-v"), QUrl::fromLocalFile(OutputPath()).toString(),
            QStringLiteral("-P"), Path("queue.ppd"), QStringLiteral("-o"),
            QStringLiteral("printer-error-policy=abort-job")},
           &ok);
    if (!ok) {
        *why = QStringLiteral("lpadmin could not add the queue:\n%1").arg(ErrorLog());
        Stop();
        return false;
    }
    return true;
}

bool PrivatePrintQueue::Stop() {
    if (Running()) {
        m_Scheduler.terminate();
        if (!m_Scheduler.waitForFinished(15000)) {
            m_Scheduler.kill();
            m_Scheduler.waitForFinished(5000);
        }
    }
    return !Running() && (m_Pid == 0 || ::kill(pid_t(m_Pid), 0) != 0);
}

QStringList PrivatePrintQueue::FinishedJobs() const {
    return Client(QStringLiteral("lpstat"), {QStringLiteral("-W"), QStringLiteral("completed"),
                                             QStringLiteral("-o"), QString::fromLatin1(kPrinter)})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList PrivatePrintQueue::PendingJobs() const {
    return Client(QStringLiteral("lpstat"), {QStringLiteral("-o"), QString::fromLatin1(kPrinter)})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace quillary::test
