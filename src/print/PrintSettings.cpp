// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/PrintSettings.h"

#include "core/clsSettings.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace quillary {

namespace {

int32_t WholeNumber(double value) {
    return int32_t(std::clamp<double>(std::nearbyint(value), -2147483648.0, 2147483647.0));
}

int32_t ReadInt(clsSettings& settings, const char* key) {
    return WholeNumber(LeadingReal(settings.GetSetting(QString::fromLatin1(key))));
}

float ReadReal(clsSettings& settings, const char* key) {
    const double value = LeadingReal(settings.GetSetting(QString::fromLatin1(key)));
    return std::isfinite(value) ? float(value) : 0.0f;
}

QString RealText(double value) {
    return QString::number(float(value), 'g', 7);
}

void Write(clsSettings& settings, const char* key, const QString& value) {
    settings.SetSetting(QString::fromLatin1(key), value);
}

QString StyleText(bool on) {
    return on ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace

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

QFont GetPrintFont(clsSettings& settings) {
    if (settings.GetSetting(QStringLiteral("PrintFontName")).isEmpty()) {
        Write(settings, "PrintFontName", QStringLiteral("Tahoma"));
        Write(settings, "PrintFontSize", QStringLiteral("10"));
        for (const char* key :
             {"PrintFontBold", "PrintFontItalic", "PrintFontStrikeThru", "PrintFontUnderLine"})
            Write(settings, key, QStringLiteral("False"));
    }
    QFont font;
    if (auto b = ParseBoolean(settings.GetSetting(QStringLiteral("PrintFontBold"))))
        font.setBold(*b);
    if (auto b = ParseBoolean(settings.GetSetting(QStringLiteral("PrintFontItalic"))))
        font.setItalic(*b);
    font.setFamily(settings.GetSetting(QStringLiteral("PrintFontName")));
    const double size = LeadingReal(settings.GetSetting(QStringLiteral("PrintFontSize")));
    // A size the font cannot take keeps the usual 10 points.
    font.setPointSizeF(size > 0 && size < 1000 ? size : 10.0);
    if (auto b = ParseBoolean(settings.GetSetting(QStringLiteral("PrintFontStrikeThru"))))
        font.setStrikeOut(*b);
    if (auto b = ParseBoolean(settings.GetSetting(QStringLiteral("PrintFontUnderLine"))))
        font.setUnderline(*b);
    return font;
}

void LoadPrintSettings(clsSettings& settings, clsPrintData& print) {
    print.HeaderLeftOption = ReadInt(settings, "PrintHeaderLeftOption");
    print.HeaderCenterOption = ReadInt(settings, "PrintHeaderCenterOption");
    print.HeaderRightOption = ReadInt(settings, "PrintHeaderRightOption");
    print.FooterLeftOption = ReadInt(settings, "PrintFooterLeftOption");
    print.FooterCenterOption = ReadInt(settings, "PrintFooterCenterOption");
    print.FooterRightOption = ReadInt(settings, "PrintFooterRightOption");
    print.NotesHigh = ReadInt(settings, "PrintNotesHigh");
    if (print.NotesHigh < 1)
        print.NotesHigh = 2;
    print.NotesWide = ReadInt(settings, "PrintNotesWide");
    if (print.NotesWide < 1)
        print.NotesWide = 2;
    print.TopMargin = ReadReal(settings, "PrintTopMargin");
    print.LeftMargin = ReadReal(settings, "PrintLeftMargin");
    print.RightMargin = ReadReal(settings, "PrintRightMargin");
    print.BottomMargin = ReadReal(settings, "PrintBottomMargin");
    print.BitmapSize = ReadReal(settings, "PrintBitmapSizePercent");
    print.BitmapClip = ReadInt(settings, "PrintBitmapClip");
    print.BitmapStretch = ReadInt(settings, "PrintStretchBitmaps");
    print.HideFooter = ReadInt(settings, "PrintHideFooter");
    print.HideHeader = ReadInt(settings, "PrintHideHeader");
    print.ScaleText = ReadInt(settings, "PrintScaleText");
    print.HideSeperatorLines = ReadInt(settings, "PrintDontShowLines");
    print.MinScaleTextPt = ReadInt(settings, "PrintMinScaleTextPt");
    if (print.MinScaleTextPt < 1)
        print.MinScaleTextPt = 1;
    print.AutoSizeNotes = ReadInt(settings, "PrintAutoSizeNotes");
    print.HeaderHeightInches = ReadReal(settings, "PrintHeaderHeight");
    if (print.HeaderHeightInches < 0.1f)
        print.HeaderHeightInches = 0.35f;
    print.FooterHeightInches = ReadReal(settings, "PrintFooterHeight");
    if (print.FooterHeightInches < 0.1f)
        print.FooterHeightInches = 0.35f;
    print.Font = GetPrintFont(settings);
    print.SetPrintNotesString(settings.GetSetting(QStringLiteral("PrintNotesSelectedString")));
}

int SavePrintSettings(clsSettings& settings, const clsPrintData& print) {
    Write(settings, "PrintFontBold", StyleText(print.Font.bold()));
    Write(settings, "PrintFontItalic", StyleText(print.Font.italic()));
    Write(settings, "PrintFontName", print.Font.family());
    Write(settings, "PrintFontSize", RealText(print.Font.pointSizeF()));
    Write(settings, "PrintFontStrikeThru", StyleText(print.Font.strikeOut()));
    Write(settings, "PrintFontUnderLine", StyleText(print.Font.underline()));
    Write(settings, "PrintTopMargin", RealText(print.TopMargin));
    Write(settings, "PrintLeftMargin", RealText(print.LeftMargin));
    Write(settings, "PrintRightMargin", RealText(print.RightMargin));
    Write(settings, "PrintBottomMargin", RealText(print.BottomMargin));
    Write(settings, "PrintBitmapSizePercent", RealText(print.BitmapSize));
    Write(settings, "PrintHeaderHeight", RealText(print.HeaderHeightInches));
    Write(settings, "PrintFooterHeight", RealText(print.FooterHeightInches));
    const std::pair<const char*, int32_t> integers[] = {
        {"PrintHeaderLeftOption", print.HeaderLeftOption},
        {"PrintHeaderCenterOption", print.HeaderCenterOption},
        {"PrintHeaderRightOption", print.HeaderRightOption},
        {"PrintFooterLeftOption", print.FooterLeftOption},
        {"PrintFooterCenterOption", print.FooterCenterOption},
        {"PrintFooterRightOption", print.FooterRightOption},
        {"PrintBitmapClip", print.BitmapClip},
        {"PrintStretchBitmaps", print.BitmapStretch},
        {"PrintHideFooter", print.HideFooter},
        {"PrintHideHeader", print.HideHeader},
        {"PrintScaleText", print.ScaleText},
        {"PrintDontShowLines", print.HideSeperatorLines},
        {"PrintAutoSizeNotes", print.AutoSizeNotes},
        {"PrintNotesHigh", print.NotesHigh},
        {"PrintNotesWide", print.NotesWide},
        {"PrintMinScaleTextPt", print.MinScaleTextPt},
    };
    for (const auto& [key, value] : integers)
        Write(settings, key, QString::number(value));
    Write(settings, "PrintNotesSelectedString", print.PrintNotesString());
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
