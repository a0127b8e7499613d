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

// Where a Palm database header keeps its type and creator.
constexpr int kTypeOffset = 60;
constexpr int kHeaderBytes = 78;
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

QString CommandLineOpener::RefusalReason(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray header = file.read(kHeaderBytes);
    if (header.size() < kHeaderBytes)
        return QString();
    const QByteArray type = header.mid(kTypeOffset, 4);
    if (type == "Not2")
        return QString();
    QString kind = QString::fromLatin1(type);
    for (QChar& c : kind)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QChar('?');
    if (type == "Inst" || type == "Ins2")
        kind = QStringLiteral("an insert database (type %1); insert databases are opened with "
                              "Record > Edit Insert Databases")
                   .arg(kind);
    else
        kind = QStringLiteral("a database of type \"%1\"").arg(kind);
    return QStringLiteral("%1 is not a Quillary notes database: it is %2.")
        .arg(QDir::toNativeSeparators(path), kind);
}

} // namespace quillary
