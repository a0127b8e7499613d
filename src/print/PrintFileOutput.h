// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where a print to a file goes. The document is written to a temporary file beside the
// chosen one and renamed over it only once it is complete: a cancelled or failed print
// leaves the file that was there exactly as it was, and a file that is not a document
// (the notes being printed, another Palm database, a device) is never the target.

#include <QString>

namespace quillary {

class PrintFileOutput {
public:
    PrintFileOutput() = default;
    PrintFileOutput(const PrintFileOutput&) = delete;
    PrintFileOutput& operator=(const PrintFileOutput&) = delete;
    // Removes the temporary file unless Commit succeeded.
    ~PrintFileOutput();

    // Refuses a target that exists and is not a regular file, is a Palm database or is
    // the file notesFile (through links too); then creates the temporary file. Through a
    // link the linked file is the target. *error: "Cannot write <target>: <reason>."
    bool Begin(const QString& target, const QString& notesFile, QString* error);
    bool Active() const { return !m_temp.isEmpty(); }
    // The file to write the document into (empty before Begin).
    const QString& TempPath() const { return m_temp; }
    // Flushes the document and renames it over the target.
    bool Commit(QString* error);
    // Drops the temporary file now; the target is untouched.
    void Discard();

private:
    QString m_target; // as given, for messages
    QString m_resolved;
    QString m_temp;
};

} // namespace quillary
