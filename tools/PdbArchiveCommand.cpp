// SPDX-License-Identifier: GPL-3.0-or-later
#include "PdbArchiveCommand.h"

#include "core/NoteArchive.h"
#include "storage/FileIO.h"
#include "storage/PdbFormat.h"
#include "storage/StagedFolder.h"
#include "storage/VersionStore.h"

#include <QCoreApplication>

#include <memory>

namespace quillary {

namespace {

// Image handlers and text codecs expect an application object; no display is needed.
std::unique_ptr<QCoreApplication> EnsureApplication() {
    if (QCoreApplication::instance())
        return nullptr;
    static int argc = 1;
    static char name[] = "quillary-pdb";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QCoreApplication>(argc, argv);
}

} // namespace

bool RunArchiveCommand(const std::vector<std::string>& args, std::string* message) {
    if (args.size() != 2) {
        *message = "archive needs a database file and a folder; see quillary-pdb --help.";
        return false;
    }
    const auto app = EnsureApplication();
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadDatabaseFile(GetLongFileName(args[0]), bytes, &error)) {
        *message = error;
        return false;
    }
    // Built under a temporary name, renamed when complete: a failed archive leaves no
    // folder of some notes behind.
    StagedFolder staged;
    if (!staged.Begin(args[1], "archive", &error)) {
        *message = error;
        return false;
    }
    QString why;
    const int notes = NoteArchive::Write(bytes, QString::fromStdString(staged.Path()), &why,
                                         QString::fromStdString(args[0]));
    if (notes < 0) {
        *message =
            why.replace(QString::fromStdString(staged.Path()), QString::fromStdString(args[1]))
                .toStdString();
        return false;
    }
    if (!staged.Commit(&error)) {
        *message = error;
        return false;
    }
    *message = std::to_string(notes) + " notes archived to " + args[1];
    return true;
}

bool RunUnarchiveCommand(const std::vector<std::string>& args, std::string* message) {
    if (args.size() != 2) {
        *message =
            "unarchive needs an archive folder and a database file; see quillary-pdb --help.";
        return false;
    }
    const auto app = EnsureApplication();
    std::vector<uint8_t> bytes;
    NoteArchive::ReadReport report;
    if (!NoteArchive::Read(QString::fromStdString(args[0]), bytes, report)) {
        *message = report.problems.join(QLatin1Char('\n')).toStdString() + "\nNothing was written.";
        return false;
    }
    std::string error;
    const std::string out = GetLongFileName(args[1]);
    if (!MayWriteDatabaseTo(out, &error) ||
        !ReplaceKeepingVersion(out, bytes, VersionPolicy{}, &error)) {
        *message = error;
        return false;
    }
    *message = std::to_string(report.notes) + " notes written to " + args[1] + " (" +
               std::to_string(report.changed) + " changed, " + std::to_string(report.added) +
               " added, " + std::to_string(report.removed) + " removed)";
    return true;
}

} // namespace quillary
