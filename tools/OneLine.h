// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace quillary {

// One line for standard error, whatever line ends the message had.
inline std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    std::string out;
    for (char c : text)
        if (!(c == ' ' && !out.empty() && out.back() == ' '))
            out += c;
    return out;
}

} // namespace quillary
