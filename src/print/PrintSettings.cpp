// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/PrintSettings.h"

#include "core/clsSettings.h"

#include <cmath>
#include <utility>

namespace quillary {

namespace {

float ReadReal(clsSettings& settings, Config key) {
    const double value = settings.GetReal(key);
    return std::isfinite(value) ? float(value) : 0.0f;
}

QString RealText(double value) {
    return QString::number(float(value), 'g', 7);
}

} // namespace

QFont GetPrintFont(clsSettings& settings) {
    // Nothing stored yet: the table's defaults, Tahoma 10 without styles.
    if (!settings.HasValue(Config::PrintFontName))
        for (Config key :
             {Config::PrintFontName, Config::PrintFontSize, Config::PrintFontBold,
              Config::PrintFontItalic, Config::PrintFontStrikeThru, Config::PrintFontUnderLine})
            settings.Set(key, KeyDefault(key));
    QFont font;
    font.setBold(settings.GetFlag(Config::PrintFontBold));
    font.setItalic(settings.GetFlag(Config::PrintFontItalic));
    font.setFamily(settings.Get(Config::PrintFontName));
    const double size = settings.GetReal(Config::PrintFontSize);
    // A size the font cannot take keeps the usual 10 points.
    font.setPointSizeF(size > 0 && size < 1000 ? size : 10.0);
    font.setStrikeOut(settings.GetFlag(Config::PrintFontStrikeThru));
    font.setUnderline(settings.GetFlag(Config::PrintFontUnderLine));
    return font;
}

void LoadPrintSettings(clsSettings& settings, clsPrintData& print) {
    print.HeaderLeftOption = settings.GetInt(Config::PrintHeaderLeftOption);
    print.HeaderCenterOption = settings.GetInt(Config::PrintHeaderCenterOption);
    print.HeaderRightOption = settings.GetInt(Config::PrintHeaderRightOption);
    print.FooterLeftOption = settings.GetInt(Config::PrintFooterLeftOption);
    print.FooterCenterOption = settings.GetInt(Config::PrintFooterCenterOption);
    print.FooterRightOption = settings.GetInt(Config::PrintFooterRightOption);
    print.NotesHigh = settings.GetInt(Config::PrintNotesHigh);
    if (print.NotesHigh < 1)
        print.NotesHigh = 2;
    print.NotesWide = settings.GetInt(Config::PrintNotesWide);
    if (print.NotesWide < 1)
        print.NotesWide = 2;
    print.TopMargin = ReadReal(settings, Config::PrintTopMargin);
    print.LeftMargin = ReadReal(settings, Config::PrintLeftMargin);
    print.RightMargin = ReadReal(settings, Config::PrintRightMargin);
    print.BottomMargin = ReadReal(settings, Config::PrintBottomMargin);
    print.BitmapSize = ReadReal(settings, Config::PrintBitmapSizePercent);
    print.BitmapClip = settings.GetInt(Config::PrintBitmapClip);
    print.BitmapStretch = settings.GetInt(Config::PrintStretchBitmaps);
    print.HideFooter = settings.GetInt(Config::PrintHideFooter);
    print.HideHeader = settings.GetInt(Config::PrintHideHeader);
    print.ScaleText = settings.GetInt(Config::PrintScaleText);
    print.HideSeperatorLines = settings.GetInt(Config::PrintDontShowLines);
    print.MinScaleTextPt = settings.GetInt(Config::PrintMinScaleTextPt);
    if (print.MinScaleTextPt < 1)
        print.MinScaleTextPt = 1;
    print.AutoSizeNotes = settings.GetInt(Config::PrintAutoSizeNotes);
    print.HeaderHeightInches = ReadReal(settings, Config::PrintHeaderHeight);
    if (print.HeaderHeightInches < 0.1f)
        print.HeaderHeightInches = 0.35f;
    print.FooterHeightInches = ReadReal(settings, Config::PrintFooterHeight);
    if (print.FooterHeightInches < 0.1f)
        print.FooterHeightInches = 0.35f;
    print.Font = GetPrintFont(settings);
    print.SetPrintNotesString(settings.Get(Config::PrintNotesSelectedString));
}

int SavePrintSettings(clsSettings& settings, const clsPrintData& print) {
    settings.SetFlag(Config::PrintFontBold, print.Font.bold());
    settings.SetFlag(Config::PrintFontItalic, print.Font.italic());
    settings.Set(Config::PrintFontName, print.Font.family());
    settings.Set(Config::PrintFontSize, RealText(print.Font.pointSizeF()));
    settings.SetFlag(Config::PrintFontStrikeThru, print.Font.strikeOut());
    settings.SetFlag(Config::PrintFontUnderLine, print.Font.underline());
    settings.Set(Config::PrintTopMargin, RealText(print.TopMargin));
    settings.Set(Config::PrintLeftMargin, RealText(print.LeftMargin));
    settings.Set(Config::PrintRightMargin, RealText(print.RightMargin));
    settings.Set(Config::PrintBottomMargin, RealText(print.BottomMargin));
    settings.Set(Config::PrintBitmapSizePercent, RealText(print.BitmapSize));
    settings.Set(Config::PrintHeaderHeight, RealText(print.HeaderHeightInches));
    settings.Set(Config::PrintFooterHeight, RealText(print.FooterHeightInches));
    const std::pair<Config, int32_t> integers[] = {
        {Config::PrintHeaderLeftOption, print.HeaderLeftOption},
        {Config::PrintHeaderCenterOption, print.HeaderCenterOption},
        {Config::PrintHeaderRightOption, print.HeaderRightOption},
        {Config::PrintFooterLeftOption, print.FooterLeftOption},
        {Config::PrintFooterCenterOption, print.FooterCenterOption},
        {Config::PrintFooterRightOption, print.FooterRightOption},
        {Config::PrintBitmapClip, print.BitmapClip},
        {Config::PrintStretchBitmaps, print.BitmapStretch},
        {Config::PrintHideFooter, print.HideFooter},
        {Config::PrintHideHeader, print.HideHeader},
        {Config::PrintScaleText, print.ScaleText},
        {Config::PrintDontShowLines, print.HideSeperatorLines},
        {Config::PrintAutoSizeNotes, print.AutoSizeNotes},
        {Config::PrintNotesHigh, print.NotesHigh},
        {Config::PrintNotesWide, print.NotesWide},
        {Config::PrintMinScaleTextPt, print.MinScaleTextPt},
    };
    for (const auto& [key, value] : integers)
        settings.SetInt(key, value);
    settings.Set(Config::PrintNotesSelectedString, print.PrintNotesString());
    return settings.Save();
}

clsPrintData NewDefaultPrintData() {
    clsPrintData print;
    print.NotesHigh = 2;
    print.NotesWide = 2;
    print.TopMargin = 0.7f;
    print.LeftMargin = 0.75f;
    print.RightMargin = 0.75f;
    print.BottomMargin = 0.7f;
    print.BitmapSize = 50;
    print.BitmapClip = 1;
    print.BitmapStretch = 0;
    print.HideFooter = 0;
    print.HideHeader = 0;
    print.ScaleText = 0;
    print.HideSeperatorLines = 0;
    print.MinScaleTextPt = 3;
    print.AutoSizeNotes = 1;
    print.HeaderHeightInches = 0.3f;
    print.FooterHeightInches = 0.3f;
    print.HeaderLeftOption = 0;
    print.HeaderCenterOption = 0;
    print.HeaderRightOption = 4;
    print.FooterLeftOption = 0;
    print.FooterCenterOption = 6;
    print.FooterRightOption = 0;
    print.SetPrintNotesString(QStringLiteral("0"));
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(10);
    font.setBold(false);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    print.Font = font;
    return print;
}

QStringList HeaderFooterOptionLabels() {
    return {QStringLiteral("Blank"),
            QStringLiteral("UserName"),
            QStringLiteral("Date"),
            QStringLiteral("Time"),
            QStringLiteral("Date Time"),
            QStringLiteral("Page #"),
            QStringLiteral("Page # out of n pages"),
            QStringLiteral("Page #/n")};
}

QString GetHeaderFooterText(int option, const QString& pageText, const QString& countText,
                            const QString& userName, const QDateTime& now, const QLocale& locale) {
    switch (option) {
    case 1:
        return userName;
    case 2:
        return locale.toString(now.date(), QLocale::LongFormat);
    case 3:
        return locale.toString(now.time(), QLocale::LongFormat);
    case 4:
        return locale.toString(now.date(), QLocale::LongFormat) + QStringLiteral(" - ") +
               locale.toString(now.time(), QLocale::LongFormat);
    case 5:
        return QStringLiteral("Page ") + pageText;
    case 6:
        return QStringLiteral("Page ") + pageText + QStringLiteral(" out of ") + countText +
               QStringLiteral(" pages");
    case 7:
        return QStringLiteral("Page ") + pageText + QStringLiteral("/") + countText +
               QStringLiteral(" pages");
    default:
        return {};
    }
}

} // namespace quillary
