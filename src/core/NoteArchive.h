// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// An open archive of a notes database: one Markdown file per note and a database.json
// holding everything else the file holds, so that other programs can read and edit the
// notes and an unedited archive gives back the original file byte for byte.
//
//   0001 First line of the note.md   the note's text (UTF-8, LF line ends), then a blank
//                                    line and a link to its picture: ![Picture](0001.png)
//   0001.png                         the note's picture, 1 bit per pixel
//   database.json                    header fields, categories, and per note what the
//                                    Markdown and PNG files cannot hold
//
// Notes are matched to database.json by the number their file name starts with; notes
// follow the order of these numbers. A Markdown file without a known number is a new note,
// a note of database.json without a Markdown file is removed.
//
// Never shows anything: failures come back as text.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace quillary {

class NoteArchive {
public:
    static constexpr const char* kDatabaseJson = "database.json";
    // Files larger than these are refused before they are read.
    static constexpr qint64 kMaxNoteFileBytes = 1 << 20;
    static constexpr qint64 kMaxPictureFileBytes = 8 << 20;
    static constexpr qint64 kMaxJsonBytes = qint64(256) << 20;
    // Pixels a picture file may announce (PNG bombs claim huge sizes in a tiny file).
    static constexpr qint64 kMaxPicturePixels = qint64(8) << 20;

    // What an import found: the problems that stop it, or what it changed.
    struct ReadReport {
        QStringList problems; // each names the file (and line) it is about
        int notes = 0;
        int changed = 0; // notes whose text or picture differ from database.json's
        int added = 0;
        int removed = 0;
    };

    // Writes the archive of a notes database file image into folder dir, which is created
    // when missing and must otherwise be empty. Returns the number of notes written, or -1
    // with *error set. source names the database in messages about its contents.
    static int Write(const std::vector<uint8_t>& fileBytes, const QString& dir, QString* error,
                     const QString& source = {});

    // Checks the whole archive in dir and builds the notes database file image from it.
    // On any problem returns false with report.problems filled and fileBytes untouched.
    static bool Read(const QString& dir, std::vector<uint8_t>& fileBytes, ReadReport& report);

    // A file name part safe on Linux, Windows and macOS, made from a note's first line
    // (at most maxChars characters; "" when nothing usable is left).
    static QString SafeFileTitle(const QString& firstLine, int maxChars = 48);
};

} // namespace quillary
