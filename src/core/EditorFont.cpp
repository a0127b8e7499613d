// SPDX-License-Identifier: GPL-3.0-or-later
// The font helpers declared in clsSettings.h and modGlobals.h. They are the only Qt Gui
// code of the settings store and the shared helpers, kept in a file of their own so that
// the windowless service (quillary-sync), which uses the store and the users, links no
// Qt Gui.
#include "clsSettings.h"
#include "modGlobals.h"

#include <QFontInfo>
#include <QLocale>

#include <cmath>

namespace quillary {

QFont GetEditorFont(clsSettings& settings) {
    // Nothing stored yet: the table's defaults, Tahoma 10 without styles.
    if (!settings.HasValue(Config::FontName))
        for (Config key : {Config::FontName, Config::FontSize, Config::FontBold, Config::FontItalic,
                           Config::FontStrikeThru, Config::FontUnderLine})
            settings.Set(key, KeyDefault(key));
    QFont font;
    font.setBold(settings.GetFlag(Config::FontBold));
    font.setItalic(settings.GetFlag(Config::FontItalic));
    font.setFamily(settings.Get(Config::FontName));
    const double size = settings.GetReal(Config::FontSize);
    if (size > 0)
        font.setPointSizeF(std::round(size * 10000.0) / 10000.0);
    font.setStrikeOut(settings.GetFlag(Config::FontStrikeThru));
    font.setUnderline(settings.GetFlag(Config::FontUnderLine));
    return font;
}

QString GetFontDescription(const QFont& font) {
    const double size = font.pointSizeF() > 0 ? font.pointSizeF() : font.pointSize();
    QString text =
        font.family() + QChar(' ') + QLocale::c().toString(size, 'g', 12) + QStringLiteral(" Pt.");
    if (font.bold())
        text += QStringLiteral(" Bold");
    if (font.italic())
        text += QStringLiteral(" Italic");
    if (font.underline())
        text += QStringLiteral(" Underline");
    if (font.strikeOut())
        text += QStringLiteral(" Strike Thru");
    return text;
}

QString GetDrawnFontDescription(const QFont& font) {
    const QFontInfo drawn(font);
    QFont shown = font;
    shown.setFamily(drawn.family());
    return GetFontDescription(shown);
}

} // namespace quillary
