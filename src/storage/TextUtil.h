// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace quillary {

// Removes surrounding spaces, cuts at the first NUL, removes surrounding spaces again.
// Used for every fixed-width name field read from a file.
std::string TrimAtNull(std::string_view text);

// Removes leading and trailing spaces (only ' ', as the handheld's files pad with spaces).
std::string TrimSpaces(std::string_view text);

// path + the platform separator, unless empty or already ending in one. Careful, the name
// is inherited: here the separator is "/", never a backslash.
std::string AddBackslash(std::string_view path);

// The characters before the first carriage return (13), or the whole text.
std::string GetFirstLine(std::string_view text);

// Leading-number parse as the settings use it: "12abc" -> 12, "" or "x" -> 0.
long long LeadingNumber(std::string_view text);

} // namespace quillary
