// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <string>

namespace quillary {

// The handheld stores texts as Windows-1252 bytes; the windows work with QString.
QString FromCp1252(const std::string& bytes);
// Characters the code page cannot hold become '?'; callers that must not lose text check
// with FirstUnstorableCharacter first.
std::string ToCp1252(const QString& text);
// The first character (as a code point) of text that Windows-1252 cannot hold, or 0.
char32_t FirstUnstorableCharacter(const QString& text);
// "😀 (U+1F600)": how such a character is named to the person.
QString DescribeCharacter(char32_t codePoint);
// What every box whose text is stored says when it leaves such a character out.
QString UnstorableCharacterMessage(char32_t codePoint);

} // namespace quillary
