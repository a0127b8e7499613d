// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImportFormats.h"

#include "Cp1252.h"
#include "FileIO.h"
#include "TextUtil.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace quillary {

bool ReadImportFile(const std::string& path, std::string& out, std::string* error) {
    std::error_code ec;
    if (path.empty() || !fs::exists(path, ec))
        return Fail(error, path + " not found.");
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, error, kMaxImportFileBytes))
        return false;
    // A byte order mark alone holds no text either.
    if (bytes.empty() || (bytes.size() == 3 && std::memcmp(bytes.data(), "\xEF\xBB\xBF", 3) == 0))
        return Fail(error, path + " is empty; nothing was imported.");
    if (std::memchr(bytes.data(), 0, bytes.size()))
        return Fail(error, path + " is not a text file (it holds NUL bytes); nothing was imported.");
    out.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return true;
}

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Decodes the UTF-8 sequence at text[i] and advances i past it. -1 for bytes that are not
// UTF-8 (overlong forms and surrogates included), which then advance i by one.
int32_t NextUtf8(std::string_view text, size_t& i) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int len = 0;
    int32_t cp = 0, min = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF)
        len = 2, cp = b0 & 0x1F, min = 0x80;
    else if (b0 >= 0xE0 && b0 <= 0xEF)
        len = 3, cp = b0 & 0x0F, min = 0x800;
    else if (b0 >= 0xF0 && b0 <= 0xF4)
        len = 4, cp = b0 & 0x07, min = 0x10000;
    if (len == 0 || text.size() - i < size_t(len)) {
        ++i;
        return -1;
    }
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(text[i + size_t(k)]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return -1;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return -1;
    }
    i += size_t(len);
    return cp;
}

// Valid UTF-8 holding at least one character past ASCII: only then is a file without a
// byte order mark taken for UTF-8, as Windows-1252 text with accents almost never is.
bool LooksLikeUtf8(std::string_view text) {
    bool beyondAscii = false;
    for (size_t i = 0; i < text.size();) {
        const int32_t cp = NextUtf8(text, i);
        if (cp < 0)
            return false;
        beyondAscii = beyondAscii || cp >= 0x80;
    }
    return beyondAscii;
}

std::string DescribeCharacter(int32_t cp) {
    if (cp < 0)
        return "text that is not UTF-8";
    char hex[16];
    std::snprintf(hex, sizeof hex, "U+%04X", unsigned(cp));
    std::string utf8;
    // Shown as itself unless it is a control character, which would only confuse.
    if (cp >= 0x20 && !(cp >= 0x7F && cp < 0xA0)) {
        const char32_t c = char32_t(cp);
        std::string one;
        if (c < 0x800) {
            one += char(0xC0 | (c >> 6));
            one += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            one += char(0xE0 | (c >> 12));
            one += char(0x80 | ((c >> 6) & 0x3F));
            one += char(0x80 | (c & 0x3F));
        } else {
            one += char(0xF0 | (c >> 18));
            one += char(0x80 | ((c >> 12) & 0x3F));
            one += char(0x80 | ((c >> 6) & 0x3F));
            one += char(0x80 | (c & 0x3F));
        }
        return "the character \"" + one + "\" (" + hex + ")";
    }
    return std::string("the character ") + hex;
}

} // namespace

bool ImportTextToCp1252(std::string_view bytes, const std::string& name, std::string& out,
                        std::vector<std::string>& problems) {
    out.clear();
    const bool bom = bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom;
    if (bom)
        bytes.remove_prefix(kUtf8Bom.size());
    if (!bom && !LooksLikeUtf8(bytes)) {
        out.assign(bytes);
        return true;
    }
    std::string text;
    text.reserve(bytes.size());
    size_t line = 1, bad = 0;
    for (size_t i = 0; i < bytes.size();) {
        const char c = bytes[i];
        if (c == '\n' || (c == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')))
            ++line;
        const int32_t cp = NextUtf8(bytes, i);
        const int b = cp < 0 ? -1 : UnicodeToCp1252(char32_t(cp));
        if (b >= 0) {
            text += char(b);
            continue;
        }
        if (++bad <= kMaxListedCharacters)
            problems.push_back(name + ", line " + std::to_string(line) + ": " +
                               DescribeCharacter(cp) + " cannot be stored on the handheld.");
    }
    if (bad > kMaxListedCharacters)
        problems.push_back(name + ": " + std::to_string(bad - kMaxListedCharacters) +
                           " more characters cannot be stored on the handheld.");
    if (bad > 0)
        return false;
    out = std::move(text);
    return true;
}

bool ReadImportText(const std::string& path, std::string& out, std::vector<std::string>& problems) {
    std::string bytes, why;
    if (!ReadImportFile(path, bytes, &why)) {
        problems.push_back(why);
        return false;
    }
    return ImportTextToCp1252(bytes, path, out, problems);
}

std::vector<std::string> SplitNoteText(std::string_view stored, size_t maxChars) {
    std::vector<std::string> parts;
    std::string_view rest = stored;
    std::string_view mark;
    while (mark.size() + rest.size() > maxChars) {
        const size_t room = maxChars - mark.size();
        // The cut drops one character (the line break or space) when there is one to use.
        size_t cut = rest.rfind('\n', room);
        if (cut == std::string_view::npos || cut == 0)
            cut = rest.rfind(' ', room);
        size_t skip = 1;
        if (cut == std::string_view::npos || cut == 0)
            cut = room, skip = 0;
        parts.push_back(std::string(mark) + std::string(rest.substr(0, cut)));
        rest.remove_prefix(cut + skip);
        mark = kContinuedMark;
    }
    parts.push_back(std::string(mark) + std::string(rest));
    return parts;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    const size_t n = text.size();
    while (start < n) {
        size_t i = start;
        while (i < n && text[i] != '\n' && text[i] != '\r')
            ++i;
        lines.push_back(text.substr(start, i - start));
        if (i < n && text[i] == '\r' && i + 1 < n && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    return lines;
}

std::vector<std::string> ParseRawTextNotes(std::string_view text) {
    std::vector<std::string> notes;
    std::string note;
    bool collecting = false;
    for (std::string_view line : SplitLines(text)) {
        collecting = true;
        if (!line.empty() && line.back() == '|') {
            note.append(line.substr(0, line.size() - 1));
            notes.push_back(std::move(note));
            note.clear();
            collecting = false;
        } else {
            note.append(line);
            note += "\r\n";
        }
    }
    if (collecting)
        notes.push_back(std::move(note));
    return notes;
}

namespace {

// The numeric value of the number the text starts with is 0 (no number at all counts as
// 0): "0", " 00.0", "abc" are; "0.5", ".5", "-3" are not.
bool LeadingValueIsZero(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && !point)
            point = true;
        else if (c >= '1' && c <= '9')
            return false;
        else if (c != '0')
            break;
    }
    return true;
}

} // namespace

bool ParseImportList(std::string_view text, std::vector<ImportListEntry>& entries) {
    entries.clear();
    const std::vector<std::string_view> lines = SplitLines(text);
    if (lines.empty())
        return false;
    std::string_view header = lines[0];
    if (const size_t comma = header.find(','); comma != std::string_view::npos)
        header = header.substr(0, comma);
    if (!LeadingValueIsZero(header))
        return false;
    for (size_t i = 2; i < lines.size(); ++i) {
        if (TrimSpaces(lines[i]).size() <= 2)
            continue;
        ImportListEntry e;
        e.lineNumber = int(i + 1);
        std::string_view rest = lines[i];
        const size_t c1 = rest.find(',');
        e.textPath = TrimSpaces(rest.substr(0, c1));
        if (c1 != std::string_view::npos) {
            rest = rest.substr(c1 + 1);
            e.bitmapPath = TrimSpaces(rest.substr(0, rest.find(',')));
        }
        entries.push_back(std::move(e));
    }
    return true;
}

std::vector<RawInsertPair> ParseRawInserts(std::string_view bytes, bool* danglingTitle) {
    std::vector<RawInsertPair> pairs;
    if (danglingTitle)
        *danglingTitle = false;
    if (bytes.size() < 2)
        return pairs;
    const char sep = bytes[0];
    size_t pos = 1;
    const size_t n = bytes.size();
    auto next = [&](std::string& field) {
        const size_t end = bytes.find(sep, pos);
        const size_t stop = end == std::string_view::npos ? n : end;
        field.assign(bytes.substr(pos, stop - pos));
        pos = end == std::string_view::npos ? n : end + 1;
        return end != std::string_view::npos;
    };
    while (pos < n) {
        RawInsertPair p;
        const bool titleEnded = next(p.title);
        if (!titleEnded || pos >= n) {
            // A title with nothing after it: keep it, with an empty text. A final line
            // end after the last separator is not a title.
            if (p.title.find_first_not_of(" \t\r\n") != std::string::npos) {
                if (danglingTitle)
                    *danglingTitle = true;
                pairs.push_back(std::move(p));
            }
            break;
        }
        next(p.text);
        pairs.push_back(std::move(p));
    }
    return pairs;
}

std::string ResolveListPath(const std::string& listFile, const std::string& entryPath) {
    if (entryPath.empty())
        return entryPath;
    const fs::path p(entryPath);
    if (p.is_absolute())
        return entryPath;
    std::error_code ec;
    const fs::path besideList = fs::path(listFile).parent_path() / p;
    if (!fs::path(listFile).parent_path().empty() && fs::exists(besideList, ec))
        return besideList.string();
    return entryPath;
}

} // namespace quillary
