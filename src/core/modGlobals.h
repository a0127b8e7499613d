// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PlatformServices.h"

#include <QFont>
#include <QList>
#include <QString>


namespace quillary {

struct AppContext;

inline const QString kAppTitle = QStringLiteral("Quillary");

// File dialog filter kinds.
enum FilterKind : int { FilterPalmDatabases = 0, FilterImportTexts = 1, FilterBitmaps = 2 };

// Shows the message to the person (OK only, no icon, the program's title) and, when the
// setting "Log Errors" is "1", appends it to the log next to the open database (its file
// name with the extension replaced by "log"), or "Error.log" in the current folder.
void ReportError(AppContext& ctx, const QString& message);

// The description/pattern pairs of one filter kind, in dialog order.
QList<FileFilter> BuildFileFilter(int kind);

// The program's file dialogs. Return the chosen path trimmed, or "" when cancelled.
// Without a directory of their own they start in FileDialogFolder(), and a chosen file
// makes its folder the next start.
QString ShowOpenFileDialog(PlatformServices& services, const QString& title,
                           const QString& fileName, const QString& directory, int kind,
                           int filterIndex);
QString ShowSaveFileDialog(PlatformServices& services, const QString& title,
                           const QString& fileName, const QString& directory, int kind);

// Where file dialogs start: the folder of the open notes file, until a dialog chooses a
// file somewhere else. Setting the same home again keeps the last folder used.
void SetFileDialogHome(const QString& folder);
QString FileDialogFolder();

// A folder shortened for menus and titles: the home folder as "~", and a long path as its
// first and last parts around "...".
QString ShortenFolder(const QString& folder, int maxChars = 40);

// Opens a PDF (the user manual) with the desktop's viewer; tells the person when that fails.
void OpenPdfDocument(PlatformServices& services, const QString& path);


// "Tahoma 10 Pt. Bold Italic" style description of a font.
QString GetFontDescription(const QFont& font);
// The same for the font the screen actually draws: the stored face may not be installed.
QString GetDrawnFontDescription(const QFont& font);

// A size in kilobytes without its unit: "1,234.6", ".3" (the status bar's "#,#.#").
QString FormatKb(qint64 bytes);
// The shared text helpers on UI strings.
QString TrimAtNull(const QString& text);
// Careful, the name is inherited: appends the platform separator, "/" here, never a
// backslash (nothing when path is empty or already ends in one).
QString AddBackslash(const QString& path);
QString GetFirstLine(const QString& text);

} // namespace quillary
