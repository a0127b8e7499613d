// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace quillary::test {

// A CUPS scheduler of the test's own: configuration, spool, logs, its Unix socket and the
// printed output all live in one folder, and it listens on nothing else, so the machine's
// own CUPS (if any) is never asked or changed. It holds one queue, kPrinter, that writes
// every job's PDF unchanged into OutputPath(). The scheduler runs as the test's user
// (as root its filters run as "lp", as CUPS insists); it is stopped when this object goes,
// and is told to end with the test process if that dies first.
//
// libcups and Qt's print support read CUPS_SERVER once: set it to SocketPath() before the
// QApplication exists.
class PrivatePrintQueue {
public:
    static constexpr const char* kPrinter = "QuillaryTest";

    explicit PrivatePrintQueue(QString folder);
    ~PrivatePrintQueue();
    PrivatePrintQueue(const PrivatePrintQueue&) = delete;
    PrivatePrintQueue& operator=(const PrivatePrintQueue&) = delete;

    // What this machine lacks to run one ("" when nothing).
    static QString Missing();
    static QString SocketPathIn(const QString& folder);

    // Writes the configuration, starts the scheduler, waits until it answers and adds the
    // queue. False, with the reason and the scheduler's log, when any step fails.
    bool Start(QString* why);
    // Ends the scheduler and waits for it; true when it is gone.
    bool Stop();
    bool Running() const { return m_Scheduler.state() != QProcess::NotRunning; }
    qint64 Pid() const { return m_Pid; }

    QString OutputPath() const;
    QString ErrorLog() const;
    // The jobs of the queue the scheduler has finished with (completed, cancelled or
    // aborted), as lpstat lists them; and those still waiting or printing.
    QStringList FinishedJobs() const;
    QStringList PendingJobs() const;
    // Runs one of the CUPS client programs against this scheduler; its output, or "" and
    // *ok false on failure.
    QString Client(const QString& program, const QStringList& args, bool* ok = nullptr) const;

private:
    bool WriteFiles(QString* why);
    // The environment of the scheduler and of the client programs: this scheduler only.
    QProcessEnvironment Environment() const;
    QString Path(const QString& name) const;

    QString m_Folder;
    QProcess m_Scheduler;
    qint64 m_Pid = 0;
};

} // namespace quillary::test
