// SPDX-License-Identifier: GPL-3.0-or-later
#include "ArchiveCommands.h"

#include "session/NotesSession.h"
#include "core/AppContext.h"
#include "core/NoteArchive.h"
#include "core/PlatformServices.h"
#include "storage/PdbFormat.h"
#include "storage/StagedFolder.h"
#include "storage/clsDatabase.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

namespace quillary {

namespace {

const QString kTitle = QStringLiteral("Quillary");

// A long list of problems is cut so the message box stays on the screen.
QString ProblemList(const QStringList& problems) {
    constexpr int kShown = 15;
    QStringList shown = problems.mid(0, kShown);
    if (problems.size() > kShown)
        shown << QStringLiteral("... and %1 more.").arg(problems.size() - kShown);
    return shown.join(QStringLiteral("\n"));
}

QString StartFolder(NotesSession& session) {
    const QString file = QString::fromStdString(session.Database().GetFileName());
    return file.isEmpty() ? QDir::homePath() : QFileInfo(file).absolutePath();
}

} // namespace

void ArchiveCommands::ExportArchive(NotesSession& session) {
    PlatformServices& services = session.Context().services;
    if (!session.CommitEdits()) // a drawing the note cannot hold stays in the editor
        return;
    const QString dir = services.chooseFolder(
        QStringLiteral("Select an empty folder for the archive:"), StartFolder(session));
    if (dir.isEmpty())
        return;
    clsDatabase& db = session.Database();
    // Unchanged notes are archived from the file itself, so the archive gives it back
    // byte for byte; otherwise as a save would write them.
    std::vector<uint8_t> bytes;
    const std::string path = db.GetFileName();
    if (db.m_FileDirtyFlag || path.empty() || !ReadDatabaseFile(path, bytes, nullptr))
        bytes = db.GetDatabaseBytes();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString error;
    // Built under a temporary name and renamed when complete: a failed archive leaves no
    // folder of some notes under the chosen name.
    StagedFolder staged;
    std::string why;
    int notes = -1;
    if (!staged.Begin(dir.toStdString(), "archive", &why)) {
        error = QString::fromStdString(why);
    } else {
        const QString temp = QString::fromStdString(staged.Path());
        notes = NoteArchive::Write(bytes, temp, &error, QString::fromStdString(path));
        error.replace(QDir::toNativeSeparators(temp), QDir::toNativeSeparators(dir));
        if (notes >= 0 && !staged.Commit(&why)) {
            notes = -1;
            error = QString::fromStdString(why);
        }
    }
    QApplication::restoreOverrideCursor();
    if (notes < 0)
        services.messageBox(QStringLiteral("The archive could not be written.\n") + error, kTitle,
                            MsgButtons::Ok, MsgIcon::Critical);
    else
        services.messageBox(QStringLiteral("%1 notes were archived to %2.")
                                .arg(notes)
                                .arg(QDir::toNativeSeparators(dir)),
                            kTitle, MsgButtons::Ok, MsgIcon::Information);
}

void ArchiveCommands::ImportArchive(NotesSession& session) {
    PlatformServices& services = session.Context().services;
    if (session.QuerySaveChanges())
        return;
    const QString dir =
        services.chooseFolder(QStringLiteral("Select an archive folder:"), StartFolder(session));
    if (dir.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::vector<uint8_t> bytes;
    NoteArchive::ReadReport report;
    const bool ok = NoteArchive::Read(dir, bytes, report);
    QApplication::restoreOverrideCursor();
    if (!ok) {
        services.messageBox(QStringLiteral("The archive in %1 cannot be imported; nothing was "
                                           "changed.\n\n")
                                    .arg(QDir::toNativeSeparators(dir)) +
                                ProblemList(report.problems),
                            kTitle, MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    clsDatabase& db = session.Database();
    std::string error;
    if (!db.LoadDatabaseBytes(bytes.data(), bytes.size(), dir.toStdString(), {}, &error)) {
        services.messageBox(QString::fromStdString(error), kTitle, MsgButtons::Ok,
                            MsgIcon::Critical);
        return;
    }
    // The notes in memory now differ from the file until they are saved.
    session.MarkChanged();
    session.NotesReplaced();
    services.messageBox(QStringLiteral("%1 notes were imported from the archive (%2 changed, %3 "
                                       "new, %4 removed). Save to keep them.")
                            .arg(report.notes)
                            .arg(report.changed)
                            .arg(report.added)
                            .arg(report.removed),
                        kTitle, MsgButtons::Ok, MsgIcon::Information);
}

} // namespace quillary
