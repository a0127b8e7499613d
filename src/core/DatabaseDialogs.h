// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The person-facing side of opening and saving databases: the file dialogs for an empty
// file name and the message boxes for what went wrong. The storage classes themselves
// never show anything.

#include <QString>

#include <functional>

class clsDatabase;
class clsInsertDatabase;
class clsQuillaryItem;

namespace quillary {

struct AppContext;

using ProgressCallback = std::function<void(int)>; // 0..1000
// Runs just before a failure is reported, so the caller can take its progress display
// down first.
using BeforeReport = std::function<void()>;

// Opens the database named by its file name. With no file name, asks with the open
// dialog "Select a Palm Database:"; a chosen file that does not exist gives
// "<path> not found.  Please try a different file." (OK/Cancel). A stored file that does
// not exist gives "File : <path> not found."; a damaged one its reason (ReportError).
// False on cancel or failure, with the database and its file name as they were.
bool OpenDatabaseInteractive(AppContext& ctx, clsDatabase& db, const ProgressCallback& progress,
                             const BeforeReport& beforeReport = {});
bool OpenDatabaseInteractive(AppContext& ctx, clsInsertDatabase& db,
                             const ProgressCallback& progress);

// Why path cannot be opened as a notes database: its header names another kind of
// database (type other than Not2, such as an insert database, which says where those are
// opened). Empty when it is a notes database, and also when the header cannot be read.
QString NotesKindRefusal(const QString& path);

// Saves the database. With no file name, asks with the save dialog "Select Windows
// Filename for Quillary Database:" and appends ".pdb" unless the name ends in it (any
// case). A failed save is reported (ReportError); the file name stays as it was.
bool SaveDatabaseInteractive(AppContext& ctx, clsDatabase& db, const ProgressCallback& progress,
                             const BeforeReport& beforeReport = {});
bool SaveDatabaseInteractive(AppContext& ctx, clsInsertDatabase& db,
                             const ProgressCallback& progress);

// Writes a copy under a name asked for with the same save dialog. The database keeps its
// file name and its unsaved-changes flag (the copy is not the open file). The caller
// commits the note being edited first.
bool ExportDatabaseInteractive(AppContext& ctx, const clsDatabase& db,
                               const ProgressCallback& progress);
bool ExportDatabaseInteractive(AppContext& ctx, const clsInsertDatabase& db,
                               const ProgressCallback& progress);

// Copies a database file byte for byte under a name asked for with the same save dialog
// (for databases this program cannot read record by record, such as bitmap inserts).
bool ExportDatabaseFileInteractive(AppContext& ctx, const QString& fromPath);

// Replaces the note's picture from a 1-bit .bmp; an empty path asks with "Select a
// Windows bitmap file:". Problems are reported (ReportError); the picture then stays.
bool ImportBitmapItemInteractive(AppContext& ctx, clsQuillaryItem& item, const QString& path);

} // namespace quillary
