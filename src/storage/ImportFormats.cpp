// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImportFormats.h"

#include "FileIO.h"
#include "TextUtil.h"

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
    if (bytes.empty())
        return Fail(error, path + " is empty; nothing was imported.");
    if (std::memchr(bytes.data(), 0, bytes.size()))
        return Fail(error, path + " is not a text file (it holds NUL bytes); nothing was imported.");
    out.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return true;
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
