// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLineOpener.h"

#include "frmMain.h"
#include "shell/SingleInstance.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

namespace quillary {

namespace {

constexpr int kModalRetryMs = 250;

} // namespace

CommandLineOpener::CommandLineOpener(SingleInstance* instance, QObject* parent) : QObject(parent) {
    if (instance)
        connect(instance, &SingleInstance::openRequested, this, &CommandLineOpener::Enqueue);
}

void CommandLineOpener::Start(frmMain& window, const QString& ownFile) {
    m_Window = &window;
    if (!ownFile.isEmpty())
        m_Pending.prepend(ownFile);
    if (!m_Pending.isEmpty())
        QTimer::singleShot(0, this, &CommandLineOpener::OpenNext);
}

void CommandLineOpener::Enqueue(const QStringList& files) {
    m_Pending << files;
    // Never from inside the socket's handler: opening may ask about unsaved changes.
    if (m_Window)
        QTimer::singleShot(0, this, &CommandLineOpener::OpenNext);
}

void CommandLineOpener::OpenNext() {
    // A request that comes while a question about the previous one is open waits for it.
    if (m_Opening || !m_Window || m_Pending.isEmpty())
        return;
    // A window of the program's own is open (a dialog works on the open database, or a
    // question waits): the file waits until it is closed.
    if (QApplication::activeModalWidget()) {
        QTimer::singleShot(kModalRetryMs, this, &CommandLineOpener::OpenNext);
        emit fileWaiting(m_Pending.first());
        return;
    }
    m_Opening = true;
    const QString file = m_Pending.takeFirst();
    m_Window->OpenNotesFile(file);
    m_Opening = false;
    if (!m_Pending.isEmpty())
        QTimer::singleShot(0, this, &CommandLineOpener::OpenNext);
}

QString CommandLineOpener::FileArgument(const QStringList& arguments) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (a.isEmpty() || a.startsWith(QChar('-')))
            continue;
        return QDir::cleanPath(QFileInfo(a).absoluteFilePath());
    }
    return QString();
}


} // namespace quillary
