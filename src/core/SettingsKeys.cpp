// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsKeys.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace quillary {

namespace {

using T = SettingType;

// Defaults are what the readers make of a missing value: the number keys that the print
// layout corrects (fewer than one note across, bands under 0.1 inch) default to the value
// the correction gives. Seeds are the page setup's values written at start-up; the print
// keys that have one come first among them, in the order they are seeded.
constexpr std::array kTable = {
    SettingKey{Config::DontShowSplashScreen, "Don't Show Splash Screen", T::OnOff, "0", nullptr},
    SettingKey{Config::LogErrors, "Log Errors", T::OnOff, "0", nullptr},
    SettingKey{Config::RightJustify, "RightJustify", T::OnOff, "0", nullptr},
    // Empty: the desktop folder under the XDG data folder.
    SettingKey{Config::DesktopFolder, "Desktop Folder", T::Text, "", nullptr},

    // 0 matches no user: the first one is chosen.
    SettingKey{Config::DefaultUserId, "Default User ID", T::WholeNumber, "0", nullptr},
    SettingKey{Config::DefaultRecordIndex, "Default Record Index", T::WholeNumber, "0", nullptr},
    // Twips; 0 sizes the window for its first start and centres it.
    SettingKey{Config::FormMainWidth, "Form Main Width", T::WholeNumber, "0", nullptr},
    SettingKey{Config::FormMainHeight, "Form Main Height", T::WholeNumber, "0", nullptr},
    SettingKey{Config::FormMainTop, "Form Main Top", T::WholeNumber, "0", nullptr},
    SettingKey{Config::FormMainLeft, "Form Main Left", T::WholeNumber, "0", nullptr},
    SettingKey{Config::ShowMainToolbar, "Show Main Toolbar", T::TrueFalse, "True", nullptr},
    SettingKey{Config::ShowNoteToolbar, "Show Note Toolbar", T::TrueFalse, "True", nullptr},
    // "Fit" or 1, 2, 4, 8.
    SettingKey{Config::PictureZoom, "Picture Zoom", T::Text, "1", nullptr},

    SettingKey{Config::FontName, "FontName", T::Text, "Tahoma", nullptr},
    SettingKey{Config::FontSize, "FontSize", T::Decimal, "10", nullptr},
    SettingKey{Config::FontBold, "FontBold", T::TrueFalse, "False", nullptr},
    SettingKey{Config::FontItalic, "FontItalic", T::TrueFalse, "False", nullptr},
    SettingKey{Config::FontStrikeThru, "FontStrikeThru", T::TrueFalse, "False", nullptr},
    SettingKey{Config::FontUnderLine, "FontUnderLine", T::TrueFalse, "False", nullptr},

    SettingKey{Config::VersionsToKeep, "Versions To Keep", T::WholeNumber, "20", nullptr},
    SettingKey{Config::VersionDaysToKeep, "Version Days To Keep", T::WholeNumber, "30", nullptr},

    SettingKey{Config::FindString, "FindString", T::Text, "", nullptr},
    SettingKey{Config::FindCaseSensitive, "FindCaseSensitive", T::OnOff, "0", nullptr},
    SettingKey{Config::FindDisableAutoFind, "FindDisableAutoFind", T::OnOff, "0", nullptr},
    SettingKey{Config::FindFloatOnTop, "FindFloatOnTop", T::OnOff, "0", nullptr},

    // The index of the chosen option.
    SettingKey{Config::ImportFormat, "ImportFormat", T::WholeNumber, "0", nullptr},
    SettingKey{Config::ImportNewDB, "ImportNewDB", T::OnOff, "0", nullptr},
    SettingKey{Config::ImportInsertFormat, "ImportInsertFormat", T::WholeNumber, "0", nullptr},
    SettingKey{Config::ImportInsertNewDB, "ImportInsertNewDB", T::OnOff, "0", nullptr},
    SettingKey{Config::InsertDisableSyncFileName, "InsertDisableSyncFileName", T::OnOff, "0",
               nullptr},

    // The window runs quillary-sync while this is on.
    SettingKey{Config::ListenNetworkHotSync, "Listen For Network HotSync", T::OnOff, "0", nullptr},
    // The TCP port quillary-sync listens on when no --port is given.
    SettingKey{Config::NetworkHotSyncPort, "Network HotSync Port", T::WholeNumber, "14238",
               nullptr},
    // A handheld user the PC does not know may be added without asking, when no window
    // runs to ask in.
    SettingKey{Config::AcceptNewHandhelds, "Accept New Handhelds", T::OnOff, "0", nullptr},

    // 0-based note positions joined by commas ("0,3,4"); set to "0" on every start.
    SettingKey{Config::PrintNotesSelectedString, "PrintNotesSelectedString", T::Text, "", nullptr},
    SettingKey{Config::PrintTopMargin, "PrintTopMargin", T::Decimal, "0", "1"},
    SettingKey{Config::PrintLeftMargin, "PrintLeftMargin", T::Decimal, "0", "1"},
    SettingKey{Config::PrintRightMargin, "PrintRightMargin", T::Decimal, "0", "1"},
    SettingKey{Config::PrintBottomMargin, "PrintBottomMargin", T::Decimal, "0", "1"},
    SettingKey{Config::PrintBitmapSizePercent, "PrintBitmapSizePercent", T::Decimal, "0", "50"},
    SettingKey{Config::PrintHeaderLeftOption, "PrintHeaderLeftOption", T::WholeNumber, "0", "1"},
    SettingKey{Config::PrintHeaderCenterOption, "PrintHeaderCenterOption", T::WholeNumber, "0",
               "0"},
    SettingKey{Config::PrintHeaderRightOption, "PrintHeaderRightOption", T::WholeNumber, "0", "4"},
    SettingKey{Config::PrintFooterLeftOption, "PrintFooterLeftOption", T::WholeNumber, "0", "0"},
    SettingKey{Config::PrintFooterCenterOption, "PrintFooterCenterOption", T::WholeNumber, "0",
               "6"},
    SettingKey{Config::PrintFooterRightOption, "PrintFooterRightOption", T::WholeNumber, "0", "0"},
    SettingKey{Config::PrintNotesHigh, "PrintNotesHigh", T::WholeNumber, "2", nullptr},
    SettingKey{Config::PrintNotesWide, "PrintNotesWide", T::WholeNumber, "2", nullptr},
    SettingKey{Config::PrintBitmapClip, "PrintBitmapClip", T::WholeNumber, "0", nullptr},
    SettingKey{Config::PrintStretchBitmaps, "PrintStretchBitmaps", T::WholeNumber, "0", nullptr},
    SettingKey{Config::PrintHideFooter, "PrintHideFooter", T::WholeNumber, "0", nullptr},
    SettingKey{Config::PrintHideHeader, "PrintHideHeader", T::WholeNumber, "0", nullptr},
    SettingKey{Config::PrintScaleText, "PrintScaleText", T::WholeNumber, "0", nullptr},
    SettingKey{Config::PrintDontShowLines, "PrintDontShowLines", T::WholeNumber, "0", nullptr},
    SettingKey{Config::PrintMinScaleTextPt, "PrintMinScaleTextPt", T::WholeNumber, "1", nullptr},
    SettingKey{Config::PrintAutoSizeNotes, "PrintAutoSizeNotes", T::WholeNumber, "0", nullptr},
    // Inches.
    SettingKey{Config::PrintHeaderHeight, "PrintHeaderHeight", T::Decimal, "0.35", nullptr},
    SettingKey{Config::PrintFooterHeight, "PrintFooterHeight", T::Decimal, "0.35", nullptr},
    SettingKey{Config::PrintFontName, "PrintFontName", T::Text, "Tahoma", nullptr},
    SettingKey{Config::PrintFontSize, "PrintFontSize", T::Decimal, "10", nullptr},
    SettingKey{Config::PrintFontBold, "PrintFontBold", T::TrueFalse, "False", nullptr},
    SettingKey{Config::PrintFontItalic, "PrintFontItalic", T::TrueFalse, "False", nullptr},
    SettingKey{Config::PrintFontStrikeThru, "PrintFontStrikeThru", T::TrueFalse, "False", nullptr},
    SettingKey{Config::PrintFontUnderLine, "PrintFontUnderLine", T::TrueFalse, "False", nullptr},
    // A paper name ("A4", "Letter"); empty or unknown: the locale's usual paper.
    SettingKey{Config::PrintPaperSize, "PrintPaperSize", T::Text, "", nullptr},
    // "Portrait" or "Landscape"; anything else reads as portrait.
    SettingKey{Config::PrintOrientation, "PrintOrientation", T::Text, "Portrait", nullptr},
    // Empty, or a printer no longer there: the default printer.
    SettingKey{Config::PrintPrinterName, "PrintPrinterName", T::Text, "", nullptr},
    // Twips; a width of 0 opens the window at its first-start size.
    SettingKey{Config::PrintPreviewWidth, "PrintPreviewWidth", T::WholeNumber, "0", nullptr},
    SettingKey{Config::PrintPreviewHeight, "PrintPreviewHeight", T::WholeNumber, "0", nullptr},
    SettingKey{Config::PrintPreviewTop, "PrintPreviewTop", T::WholeNumber, "0", nullptr},
    SettingKey{Config::PrintPreviewLeft, "PrintPreviewLeft", T::WholeNumber, "0", nullptr},
    // A Scale entry: "25%" ... "200%", "Fit Page" or "Fit Width".
    SettingKey{Config::PrintPreviewZoom, "PrintPreviewZoom", T::Text, "100%", nullptr},
};

// KeyInfo indexes the table by the enum.
constexpr bool InEnumOrder() {
    for (std::size_t i = 0; i < kTable.size(); ++i)
        if (std::size_t(kTable[i].key) != i)
            return false;
    return true;
}
static_assert(InEnumOrder(), "the settings table must list the keys in the order of Config");
static_assert(std::size_t(Config::PrintPreviewZoom) + 1 == kTable.size(),
              "every Config needs its row in the settings table");

} // namespace

std::span<const SettingKey> SettingKeys() {
    return kTable;
}

const SettingKey& KeyInfo(Config key) {
    return kTable.at(std::size_t(key));
}

QString KeyName(Config key) {
    return QString::fromLatin1(KeyInfo(key).name);
}

QString KeyDefault(Config key) {
    return QString::fromLatin1(KeyInfo(key).fallback);
}

QString RecentFileKey(int entry) {
    return QStringLiteral("Recent File") + QString::number(entry);
}

double LeadingReal(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i].isSpace())
        ++i;
    const qsizetype start = i;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    const qsizetype digitsStart = i;
    while (i < n && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'))
        ++i;
    qsizetype digits = i - digitsStart;
    if (i < n && text[i] == QLatin1Char('.')) {
        const qsizetype fraction = i + 1;
        qsizetype j = fraction;
        while (j < n && text[j] >= QLatin1Char('0') && text[j] <= QLatin1Char('9'))
            ++j;
        digits += j - fraction;
        if (digits > 0)
            i = j;
    }
    if (digits == 0)
        return 0;
    if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == QLatin1Char('+') || text[j] == QLatin1Char('-')))
            ++j;
        const qsizetype expDigits = j;
        while (j < n && text[j] >= QLatin1Char('0') && text[j] <= QLatin1Char('9'))
            ++j;
        if (j > expDigits)
            i = j;
    }
    bool ok = false;
    const double value = text.mid(start, i - start).toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0;
}

int LeadingWholeNumber(const QString& text) {
    return int(std::clamp<double>(std::nearbyint(LeadingReal(text)), -2147483648.0, 2147483647.0));
}

} // namespace quillary
