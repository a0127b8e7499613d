// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/SettingsKeys.h" // LeadingReal, the settings' number parse
#include "print/clsPrintData.h"

#include <QDateTime>
#include <QFont>
#include <QLocale>
#include <QString>
#include <QStringList>

namespace quillary {

class clsSettings;

// The print keys of the settings store ("PrintNotesWide", "PrintTopMargin", ...).

// Fills every property and the selection of print from the store, correcting values a
// page cannot use (fewer than one cell, bands under 0.1 inch, text under 1 point).
void LoadPrintSettings(clsSettings& settings, clsPrintData& print);
// Writes every print key from print, then saves the settings file; returns the store's
// Save result (0 when the file could not be written).
int SavePrintSettings(clsSettings& settings, const clsPrintData& print);
// The print font from "PrintFontName", "PrintFontSize" and the four style keys; writes
// Tahoma 10 without styles first when "PrintFontName" is empty.
QFont GetPrintFont(clsSettings& settings);
// The page setup's Defaults: 2 x 2 notes, 0.75/0.7 inch margins, Tahoma 10, selection "0".
clsPrintData NewDefaultPrintData();

// The eight header/footer choices in option-code order ("Blank", "UserName", ...).
QStringList HeaderFooterOptionLabels();
// Text of one header/footer slot: 0 blank, 1 user name, 2 long date, 3 long time,
// 4 date " - " time, 5 "Page n", 6 "Page n out of c pages", 7 "Page n/c pages"; any other
// code gives "".
QString GetHeaderFooterText(int option, const QString& pageText, const QString& countText,
                            const QString& userName, const QDateTime& now,
                            const QLocale& locale = QLocale::system());

} // namespace quillary
