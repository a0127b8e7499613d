// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Parsers for the three import file layouts. They work on text already in memory, so the
// database classes, the tests and the benchmarks share them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillary {

// Import files larger than this are refused: at most 32767 notes fit a database anyway.
constexpr uint64_t kMaxImportFileBytes = 64u << 20;

// Reads an import file whole. Refuses a missing file ("<path> not found."), a folder, an
// empty file, one larger than kMaxImportFileBytes and one holding NUL bytes (not text).
bool ReadImportFile(const std::string& path, std::string& out, std::string* error);

// The text of an import file as the handheld stores it (Windows-1252). A file that is
// valid UTF-8 and not plain ASCII, or that starts with the UTF-8 byte order mark, is read
// as UTF-8 (what Linux editors write) and converted; any other file is taken as
// Windows-1252 already. Returns false when a UTF-8 character has no Windows-1252 form:
// problems then gets one line per character, "<name>, line N: the character "x" (U+XXXX)
// cannot be stored on the handheld." (at most kMaxListedCharacters of them, then how many
// more), and out is left empty.
constexpr size_t kMaxListedCharacters = 20;
bool ImportTextToCp1252(std::string_view bytes, const std::string& name, std::string& out,
                        std::vector<std::string>& problems);

// ReadImportFile, then ImportTextToCp1252; error or problems say why it failed.
bool ReadImportText(const std::string& path, std::string& out, std::vector<std::string>& problems);

// What begins every note that continues a text too long for one note.
constexpr std::string_view kContinuedMark = "(continued)\n";

// A note text as stored (Windows-1252, LF line ends, no CR) cut into consecutive note
// texts of at most maxChars characters: each cut at the last line break before the limit
// (or, without one, the last space; without either, at the limit), the line break or
// space itself dropped, and every part after the first starting with kContinuedMark.
// A text that fits comes back whole as the only part.
std::vector<std::string> SplitNoteText(std::string_view stored, size_t maxChars);

// Lines as a text-mode reader gives them: CR LF, LF or a lone CR end a line; a line end
// at the very end of the text does not start another line.
std::vector<std::string_view> SplitLines(std::string_view text);

// Raw text notes: lines collected into one note, each followed by CR LF, until a line that
// ends with "|" (removed; that note gets no CR LF after its last line). The end of the
// text completes the note being collected.
std::vector<std::string> ParseRawTextNotes(std::string_view text);

// Import list: line 1 cut at its first comma must read as the number 0 (or no number);
// line 2 is a comment; every further line whose trimmed length is over 2 names one note
// as "text path[,bitmap path[,ignored]]" (fields trimmed of surrounding spaces).
struct ImportListEntry {
    std::string textPath;
    std::string bitmapPath;
    int lineNumber = 0; // 1-based, for messages
};
// False when the header is not 0 (entries then stays empty).
bool ParseImportList(std::string_view text, std::vector<ImportListEntry>& entries);

// Raw text inserts: the first byte is the separator; then title, separator, text,
// separator, ... The end of the text ends the last text. A final title without a text
// gives a pair with an empty text and sets *danglingTitle.
struct RawInsertPair {
    std::string title;
    std::string text;
};
std::vector<RawInsertPair> ParseRawInserts(std::string_view bytes, bool* danglingTitle = nullptr);

// A path named in an import list: absolute paths as written; a relative one is looked up
// next to the list file first (where the person keeps its files), then in the current
// folder.
std::string ResolveListPath(const std::string& listFile, const std::string& entryPath);

} // namespace quillary
