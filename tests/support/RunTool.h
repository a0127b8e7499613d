// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace quillary::test {

// Runs a command-line tool (poppler, netpbm, ...) to its end, within a minute, and returns
// what it printed on standard output. status, when given, receives its exit code, or -1
// when it crashed or could not start.
inline QString RunTool(const QString& program, const QStringList& args, int* status = nullptr) {
    QProcess process;
    process.start(program, args);
    process.waitForFinished(60000);
    if (status)
        *status = process.exitStatus() == QProcess::NormalExit &&
                          process.error() != QProcess::FailedToStart
                      ? process.exitCode()
                      : -1;
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace quillary::test
