// SPDX-License-Identifier: GPL-3.0-or-later
// Import lists: the parser keeps to its rules (header 0, entries from line 3, trimmed
// fields), and an import through the database adds one note per entry, with the text and
// picture of the files the entry names (or the new note's own where a file is missing; a
// text too long for one note continues in further notes), which a save and reload keeps. Entries
// are resolved in a scratch folder only: an input that names a path with a folder in it is only
// parsed.

#include "FuzzCheck.h"
#include "FuzzScratch.h"

#include "storage/ImportFormats.h"
#include "storage/clsBitmap.h"
#include "storage/clsDatabase.h"

#include <cstring>
#include <filesystem>
#include <map>

namespace {

const std::string kText = "alpha\r\nbeta\r\n";
const std::string kLongText = std::string(2500, 'x') + "\r\nend";

clsBitmap Picture() {
    clsBitmap pic;
    pic.InitializeBitmap(37, 21, 1);
    for (int i = 0; i < 21; ++i)
        pic.SetPixel(i, i, true);
    return pic;
}

// The files entries may name, made once in the scratch folder beside the list.
struct Files {
    Files() {
        auto& s = quillary::fuzz::TheScratch();
        s.Write("a.txt", reinterpret_cast<const uint8_t*>(kText.data()), kText.size());
        s.Write("long.txt", reinterpret_cast<const uint8_t*>(kLongText.data()), kLongText.size());
        std::string error;
        if (!Picture().SaveWinBmpFile(s.Path("b.bmp"), &error))
            std::abort();
        s.Write("bad.bmp", reinterpret_cast<const uint8_t*>("BMnot really"), 12);
    }
};

// The note texts a text file gives: stored without CRs, split when too long for one note.
std::vector<std::string> Stored(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != '\r')
            out += c;
    return quillary::SplitNoteText(out, clsQuillaryItem::kMaxTextChars);
}

// Where the import looks for a name without a folder: beside the list, then in the
// current folder.
bool Exists(const std::string& name) {
    std::error_code ec;
    return !name.empty() && (std::filesystem::exists(quillary::fuzz::TheScratch().Path(name), ec) ||
                             std::filesystem::exists(name, ec));
}

bool HasSpaceAtEnds(const std::string& s) {
    return !s.empty() && (s.front() == ' ' || s.back() == ' ');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Files files;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<quillary::ImportListEntry> entries;
    const bool isList = quillary::ParseImportList(text, entries);
    int lastLine = 2;
    for (const auto& e : entries) {
        FUZZ_CHECK(e.lineNumber > lastLine);
        lastLine = e.lineNumber;
        FUZZ_CHECK(!HasSpaceAtEnds(e.textPath) && !HasSpaceAtEnds(e.bitmapPath));
        for (const std::string* field : {&e.textPath, &e.bitmapPath})
            FUZZ_CHECK(field->find_first_of("\r\n,") == std::string::npos);
    }
    FUZZ_CHECK(isList || entries.empty());

    for (const auto& e : entries)
        if (e.textPath.find('/') != std::string::npos ||
            e.bitmapPath.find('/') != std::string::npos || e.textPath == "list.txt")
            return 0;
    // A byte order mark alone is an empty file.
    const bool bomOnly = size == 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0;
    const bool readable = size > 0 && !bomOnly && !std::memchr(data, 0, size);
    const std::string path = quillary::fuzz::TheScratch().Write("list.txt", data, size);
    clsDatabase db;
    db.m_NewNoteTitle = [] { return std::string("fuzz - "); };
    db.AddNewDatabase();
    db.AddNewRecord(0);
    db.m_FileDirtyFlag = false;
    const ImportResult result = db.ImportListFormat(path);
    if (!readable || !isList) {
        FUZZ_CHECK(!result.completed && result.imported == 0 && result.messages.size() == 1);
        FUZZ_CHECK(db.GetNumRecords() == 1 && !db.m_FileDirtyFlag);
        return 0;
    }
    static const std::map<std::string, std::string> texts = {{"a.txt", kText},
                                                             {"long.txt", kLongText}};
    // Each entry gives one note, and the long text one more for its continuation.
    size_t notes = 0;
    int split = 0;
    for (const auto& e : entries) {
        const auto known = texts.find(e.textPath);
        const size_t parts = known != texts.end() ? Stored(known->second).size() : 1;
        notes += parts;
        split += parts > 1;
    }
    FUZZ_CHECK(result.completed && size_t(result.imported) == notes);
    FUZZ_CHECK(result.split == split);
    FUZZ_CHECK(db.GetNumRecords() == 1 + result.imported);

    const std::vector<uint8_t> saved = db.GetDatabaseBytes();
    clsDatabase again;
    std::string error;
    FUZZ_CHECK(again.LoadDatabaseBytes(saved.data(), saved.size(), "again.pdb", {}, &error));
    FUZZ_CHECK(again.GetNumRecords() == db.GetNumRecords());
    static const clsBitmap picture = Picture();
    clsBitmap blank;
    blank.InitializeBitmap(500, 500, 1);
    int at = 1;
    for (const auto& e : entries) {
        const auto known = texts.find(e.textPath);
        const std::vector<std::string> parts =
            known != texts.end() ? Stored(known->second) : std::vector<std::string>(1);
        for (size_t k = 0; k < parts.size(); ++k) {
            const clsQuillaryItem& note = *again.GetRecordObject(at++);
            if (known != texts.end())
                FUZZ_CHECK(note.RawText() == parts[k]);
            else if (!Exists(e.textPath))
                FUZZ_CHECK(note.RawText() == "fuzz - ");
            // The picture goes with the first note of a text; the rest have a blank one.
            clsBitmap pic;
            FUZZ_CHECK(note.GetBitmap(pic));
            if (e.bitmapPath == "b.bmp" && k == 0)
                FUZZ_CHECK(pic == picture);
            else if (e.bitmapPath == "bad.bmp" || !Exists(e.bitmapPath) || k > 0)
                FUZZ_CHECK(pic == blank);
        }
    }
    return 0;
}
