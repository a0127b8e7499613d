// SPDX-License-Identifier: GPL-3.0-or-later
// Raw text notes import: a file is refused (empty, holding NUL bytes, or UTF-8 with
// characters Windows-1252 lacks) with messages and nothing added, or every note the parser
// finds in its Windows-1252 text comes in whole, a long one over consecutive notes, and a
// save and reload keeps each note's text as the record stores it (CRs removed).

#include "FuzzCheck.h"
#include "FuzzScratch.h"

#include "storage/ImportFormats.h"
#include "storage/clsDatabase.h"

#include <algorithm>
#include <cstring>

namespace {

std::string Stored(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != '\r')
            out += c;
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = quillary::fuzz::TheScratch().Write("notes.txt", data, size);
    clsDatabase db;
    db.m_NewNoteTitle = [] { return std::string("fuzz - "); };
    db.AddNewDatabase();
    db.AddNewRecord(0);
    db.m_FileDirtyFlag = false;
    const std::vector<uint8_t> before = db.GetDatabaseBytes();

    const ImportResult result = db.AppendRawTextNotes(path);
    // A byte order mark alone is an empty file.
    const bool bomOnly = size == 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0;
    const bool text = size > 0 && !bomOnly && !std::memchr(data, 0, size);
    if (!text) {
        FUZZ_CHECK(!result.completed && result.imported == 0 && result.messages.size() == 1);
        FUZZ_CHECK(db.GetDatabaseBytes() == before && !db.m_FileDirtyFlag);
        return 0;
    }
    std::string cp1252;
    std::vector<std::string> problems;
    if (!quillary::ImportTextToCp1252(std::string_view(reinterpret_cast<const char*>(data), size),
                                      path, cp1252, problems)) {
        FUZZ_CHECK(!result.completed && result.imported == 0 && !problems.empty());
        FUZZ_CHECK(result.messages.size() == problems.size() + 1);
        FUZZ_CHECK(db.GetDatabaseBytes() == before && !db.m_FileDirtyFlag);
        return 0;
    }
    // The texts the notes must hold: each parsed note, split where it is too long.
    std::vector<std::string> notes;
    int split = 0;
    for (const std::string& note : quillary::ParseRawTextNotes(cp1252)) {
        const auto parts = quillary::SplitNoteText(Stored(note), clsQuillaryItem::kMaxTextChars);
        split += parts.size() > 1;
        notes.insert(notes.end(), parts.begin(), parts.end());
    }
    // One note was there; a database holds at most 32767, and what does not fit is
    // reported, not dropped silently.
    const size_t fits = std::min(notes.size(), size_t(quillary::kPdbMaxRecords - 1));
    FUZZ_CHECK(!notes.empty() && size_t(result.imported) == fits);
    FUZZ_CHECK(result.completed == (fits == notes.size()));
    FUZZ_CHECK(!result.completed || result.split == split);
    FUZZ_CHECK(result.messages.size() == (result.completed ? 0u : 1u));
    FUZZ_CHECK(db.GetNumRecords() == 1 + result.imported && db.m_FileDirtyFlag);

    const std::vector<uint8_t> saved = db.GetDatabaseBytes();
    clsDatabase again;
    std::string error;
    FUZZ_CHECK(again.LoadDatabaseBytes(saved.data(), saved.size(), "again.pdb", {}, &error));
    FUZZ_CHECK(again.GetNumRecords() == db.GetNumRecords());
    FUZZ_CHECK(again.GetRecordObject(0)->RawText() == "fuzz - ");
    for (size_t i = 0; i < fits; ++i) {
        const clsQuillaryItem& note = *again.GetRecordObject(int(i) + 1);
        FUZZ_CHECK(note.RawText() == notes[i]);
        FUZZ_CHECK(note.RawText().size() <= clsQuillaryItem::kMaxTextChars);
        FUZZ_CHECK(note.DirtyFlag() && note.UniqueID == 0);
    }
    return 0;
}
