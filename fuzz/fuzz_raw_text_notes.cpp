// SPDX-License-Identifier: GPL-3.0-or-later
// Raw text notes import: a file is refused (empty, or holding NUL bytes) with a message
// and nothing added, or every note the parser finds comes in, and a save and reload keeps
// each note's text as the record stores it (CRs removed, the first 1999 characters).

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
    return out.substr(0, clsQuillaryItem::kMaxTextChars);
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
    const bool text = size > 0 && !std::memchr(data, 0, size);
    if (!text) {
        FUZZ_CHECK(!result.completed && result.imported == 0 && result.messages.size() == 1);
        FUZZ_CHECK(db.GetDatabaseBytes() == before && !db.m_FileDirtyFlag);
        return 0;
    }
    const std::vector<std::string> notes =
        quillary::ParseRawTextNotes(std::string_view(reinterpret_cast<const char*>(data), size));
    // One note was there; a database holds at most 32767, and what does not fit is
    // reported, not dropped silently.
    const size_t fits = std::min(notes.size(), size_t(quillary::kPdbMaxRecords - 1));
    FUZZ_CHECK(!notes.empty() && size_t(result.imported) == fits);
    FUZZ_CHECK(result.completed == (fits == notes.size()));
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
        FUZZ_CHECK(note.RawText() == Stored(notes[i]));
        FUZZ_CHECK(note.DirtyFlag() && note.UniqueID == 0);
    }
    return 0;
}
