// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <span>

namespace quillary {

// Every key of the settings file that the program reads or writes. The table in
// SettingsKeys.cpp gives each its text in the file, its type and its default; code names a
// key only by this enum (or, for the numbered recent files, by RecentFileKey).
enum class Config {
    // Start-up, options and error reporting
    DontShowSplashScreen,
    LogErrors,
    RightJustify,
    DesktopFolder,
    // Main window
    DefaultUserId,
    DefaultRecordIndex,
    FormMainWidth,
    FormMainHeight,
    FormMainTop,
    FormMainLeft,
    ShowMainToolbar,
    ShowNoteToolbar,
    PictureZoom,
    // Note editor font
    FontName,
    FontSize,
    FontBold,
    FontItalic,
    FontStrikeThru,
    FontUnderLine,
    // Earlier versions of a notes file
    VersionsToKeep,
    VersionDaysToKeep,
    // Find window
    FindString,
    FindCaseSensitive,
    FindDisableAutoFind,
    FindFloatOnTop,
    // Import and export dialogs, insert databases
    ImportFormat,
    ImportNewDB,
    ImportInsertFormat,
    ImportInsertNewDB,
    InsertDisableSyncFileName,
    // Network HotSync (quillary-sync)
    ListenNetworkHotSync,
    NetworkHotSyncPort,
    AcceptNewHandhelds,
    // Printing
    PrintNotesSelectedString,
    PrintTopMargin,
    PrintLeftMargin,
    PrintRightMargin,
    PrintBottomMargin,
    PrintBitmapSizePercent,
    PrintHeaderLeftOption,
    PrintHeaderCenterOption,
    PrintHeaderRightOption,
    PrintFooterLeftOption,
    PrintFooterCenterOption,
    PrintFooterRightOption,
    PrintNotesHigh,
    PrintNotesWide,
    PrintBitmapClip,
    PrintStretchBitmaps,
    PrintHideFooter,
    PrintHideHeader,
    PrintScaleText,
    PrintDontShowLines,
    PrintMinScaleTextPt,
    PrintAutoSizeNotes,
    PrintHeaderHeight,
    PrintFooterHeight,
    PrintFontName,
    PrintFontSize,
    PrintFontBold,
    PrintFontItalic,
    PrintFontStrikeThru,
    PrintFontUnderLine,
    // Paper and printer chosen with Page Setup's Printer button
    PrintPaperSize,
    PrintOrientation,
    PrintPrinterName,
    // The print preview window as last left
    PrintPreviewWidth,
    PrintPreviewHeight,
    PrintPreviewTop,
    PrintPreviewLeft,
    PrintPreviewZoom,
};

// How a value is written and read.
enum class SettingType {
    Text,        // as stored
    WholeNumber, // decimal; read by its leading number, rounded ("2.6" is 3, "12abc" is 12)
    Decimal,     // decimal with a fraction; read by its leading number ("0.75in" is 0.75)
    OnOff,       // "1"/"0"; on when its leading number, rounded, is not 0 ("0.7", "2")
    TrueFalse,   // "True"/"False"; the words in any case or a number (non-zero is true)
};

struct SettingKey {
    Config key;
    const char* name; // exactly as in the file (ASCII)
    SettingType type;
    const char* fallback; // what an absent or empty value reads as, in the type's form
    const char* seed;     // written at start-up when absent (in table order), or nullptr
};

// The whole table, in the order of the enum.
std::span<const SettingKey> SettingKeys();
const SettingKey& KeyInfo(Config key);
// The key's text in the file.
QString KeyName(Config key);
// What an absent or empty value reads as, as text.
QString KeyDefault(Config key);

// Recent files are the keys "Recent File0" to "Recent File3"; entry is 0-based.
constexpr int kRecentFileCount = 4;
QString RecentFileKey(int entry);

// Leading-number parse of a settings text: the longest leading decimal number ("0.75in"
// gives 0.75); empty or non-numeric text gives 0.
double LeadingReal(const QString& text);
// A settings text as a whole number: its leading number rounded half to even and kept
// within 32 bits; empty or non-numeric text gives 0.
int LeadingWholeNumber(const QString& text);

} // namespace quillary
