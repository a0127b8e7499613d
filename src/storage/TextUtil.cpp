// SPDX-License-Identifier: GPL-3.0-or-later
#include "TextUtil.h"

#include <cctype>
#include <filesystem>

namespace quillary {

std::string TrimSpaces(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

std::string TrimAtNull(std::string_view text) {
    std::string t = TrimSpaces(text);
    const auto nul = t.find('\0');
    if (nul != std::string::npos)
        t.resize(nul);
    return TrimSpaces(t);
}

std::string AddBackslash(std::string_view path) {
    constexpr char sep = std::filesystem::path::preferred_separator;
    std::string p(path);
    if (!p.empty() && p.back() != sep)
        p += sep;
    return p;
}

std::string GetFirstLine(std::string_view text) {
    const auto cr = text.find('\r');
    return std::string(cr == std::string_view::npos ? text : text.substr(0, cr));
}

long long LeadingNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    bool any = false;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        if (value < 100000000000000000LL)
            value = value * 10 + (text[i] - '0');
        any = true;
        ++i;
    }
    if (!any)
        return 0;
    return negative ? -value : value;
}

} // namespace quillary
