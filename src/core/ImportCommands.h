// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the import dialogs run: each import with its file dialog for an empty path and one
// report of everything that went wrong. Usable without any window.

#include "DatabaseDialogs.h"
#include "storage/ImportResult.h"

#include <QString>

class clsDatabase;
class clsInsertDatabase;

namespace quillary {

struct AppContext;

// The open dialog "Open Text File:" with the import-text filters at filterIndex (1-based).
// Returns the chosen path, or "" when cancelled; a chosen file that does not exist is
// reported as "<path> not found.  Please try a different file." and gives "".
QString OpenTextFileDialog(AppContext& ctx, int filterIndex);

// Each returns what the import did. An empty path asks with OpenTextFileDialog (filter 1
// for raw texts, 2 for lists); cancelling imports nothing. The messages of the import
// are shown together in one report, followed by how many came in when it stopped early.
ImportResult AppendRawTextNotesInteractive(AppContext& ctx, clsDatabase& db, const QString& path);
ImportResult ImportListFormatInteractive(AppContext& ctx, clsDatabase& db, const QString& path);
ImportResult AppendRawTextInsertDBInteractive(AppContext& ctx, clsInsertDatabase& db,
                                              const QString& path);

// Appends every note (insert) of another database, chosen with "Select a Palm Database:"
// when path is empty.
ImportResult AppendDatabaseNotesInteractive(AppContext& ctx, clsDatabase& db, const QString& path,
                                            const ProgressCallback& progress);
ImportResult AppendDatabaseInsertsInteractive(AppContext& ctx, clsInsertDatabase& db,
                                              const QString& path,
                                              const ProgressCallback& progress);

// Shows the messages of an import result (nothing when there are none).
void ReportImportResult(AppContext& ctx, const ImportResult& result, const QString& what);

// One line for the status bar: how many came in, how many long texts were split over
// consecutive notes and how many were refused. what: "notes" or "inserts".
QString ImportSummary(const ImportResult& result, const QString& what);

} // namespace quillary
