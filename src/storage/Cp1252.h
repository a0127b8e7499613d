// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace quillary {

// Windows-1252, the single-byte code page of the handheld's texts. The five bytes that
// code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control
// characters of the same value, so every byte string round-trips.

// Converts Windows-1252 bytes to UTF-8.
std::string Cp1252ToUtf8(std::string_view bytes);

// Converts UTF-8 to Windows-1252. Returns false when the text holds a character the code
// page cannot represent (or invalid UTF-8); `out` then holds the convertible prefix and
// `badCodePoint` (if given) the first offending code point (0xFFFD for invalid UTF-8).
bool Utf8ToCp1252(std::string_view utf8, std::string& out, char32_t* badCodePoint = nullptr);

// One character: the Unicode code point of a Windows-1252 byte, and back (-1 if none).
char32_t Cp1252ToUnicode(unsigned char byte);
int UnicodeToCp1252(char32_t codePoint);

} // namespace quillary
