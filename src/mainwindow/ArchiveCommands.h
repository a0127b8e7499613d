// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// File > Export Archive... and Import Archive...: the open notes as an open archive of
// Markdown and PNG files (core/NoteArchive), and back.

namespace quillary {

class NotesSession;

class ArchiveCommands {
public:
    // Commits the current note, asks for a folder (empty or new) and writes the archive of
    // the notes as they are now. Says what happened in a message box.
    static void ExportArchive(NotesSession& session);
    // Asks about unsaved changes, asks for an archive folder, checks the whole archive and
    // only then replaces the open notes with it (unsaved, so Save keeps them). Problems
    // are listed, by file and line, and nothing changes.
    static void ImportArchive(NotesSession& session);
};

} // namespace quillary
