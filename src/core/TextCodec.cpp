// SPDX-License-Identifier: GPL-3.0-or-later
#include "TextCodec.h"

#include "storage/Cp1252.h"

#include <QList>

namespace quillary {

QString FromCp1252(const std::string& bytes) {
    QString text;
    text.reserve(qsizetype(bytes.size()));
    for (char c : bytes)
        text += QChar(char16_t(Cp1252ToUnicode(static_cast<unsigned char>(c))));
    return text;
}

std::string ToCp1252(const QString& text) {
    std::string out;
    out.reserve(size_t(text.size()));
    for (char32_t cp : text.toUcs4()) {
        const int b = UnicodeToCp1252(cp);
        out += static_cast<char>(b < 0 ? '?' : b);
    }
    return out;
}

char32_t FirstUnstorableCharacter(const QString& text) {
    for (char32_t cp : text.toUcs4())
        if (UnicodeToCp1252(cp) < 0)
            return cp;
    return 0;
}

QString DescribeCharacter(char32_t codePoint) {
    return QString::fromUcs4(&codePoint, 1) +
           QStringLiteral(" (U+%1)").arg(uint(codePoint), 4, 16, QChar('0')).toUpper();
}

QString UnstorableCharacterMessage(char32_t codePoint) {
    return QStringLiteral("The character ") + DescribeCharacter(codePoint) +
           QStringLiteral(" cannot be stored on the handheld and was left out.");
}

} // namespace quillary
