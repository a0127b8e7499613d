// SPDX-License-Identifier: GPL-3.0-or-later
// Raw text inserts import: a file is refused with messages and nothing added, or every
// title and text the parser finds becomes one insert that fits a handheld record, and a
// save and reload keeps them.

#include "FuzzCheck.h"
#include "FuzzScratch.h"

#include "storage/ImportFormats.h"
#include "storage/clsInsertDatabase.h"

#include <algorithm>
#include <cstring>

namespace {

std::string WithoutCR(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != '\r')
            out += c;
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = quillary::fuzz::TheScratch().Write("inserts.txt", data, size);
    clsInsertDatabase ins;
    ins.AddNewDatabase();
    ins.m_PalmFileName = "Fuzz";
    const ImportResult result = ins.AppendRawTextInsertDB(path);
    // A byte order mark alone is an empty file.
    const bool bomOnly = size == 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0;
    const bool text = size > 0 && !bomOnly && !std::memchr(data, 0, size);
    if (!text) {
        FUZZ_CHECK(!result.completed && result.imported == 0 && result.messages.size() == 1);
        FUZZ_CHECK(ins.GetNumRecords() == 0 && !ins.m_FileDirtyFlag);
        return 0;
    }
    // UTF-8 files are read as the Windows-1252 they spell, or refused whole.
    std::string cp1252;
    std::vector<std::string> problems;
    if (!quillary::ImportTextToCp1252(std::string_view(reinterpret_cast<const char*>(data), size),
                                      path, cp1252, problems)) {
        FUZZ_CHECK(!result.completed && result.imported == 0 && !problems.empty());
        FUZZ_CHECK(result.messages.size() == problems.size() + 1);
        FUZZ_CHECK(ins.GetNumRecords() == 0 && !ins.m_FileDirtyFlag);
        return 0;
    }
    const std::vector<quillary::RawInsertPair> pairs = quillary::ParseRawInserts(cp1252);
    // A database holds at most 32767 records; what does not fit is reported, not dropped
    // silently.
    const size_t fits = std::min(pairs.size(), size_t(quillary::kPdbMaxRecords));
    FUZZ_CHECK(result.completed == (fits == pairs.size()));
    FUZZ_CHECK(size_t(result.imported) == fits && ins.GetNumRecords() == result.imported);
    if (!result.completed)
        FUZZ_CHECK(!result.messages.empty() &&
                   result.messages.back().find("32767") != std::string::npos);
    const std::vector<uint8_t> saved = ins.GetDatabaseBytes();
    clsInsertDatabase again;
    std::string error;
    FUZZ_CHECK(again.LoadDatabaseBytes(saved.data(), saved.size(), "again.pdb", {}, &error));
    FUZZ_CHECK(again.GetNumRecords() == ins.GetNumRecords());
    size_t cut = 0;
    for (size_t i = 0; i < fits; ++i) {
        const clsTextInsertItem& item = *again.GetRecordObject(int(i));
        // One handheld memory chunk per record.
        FUZZ_CHECK(size_t(item.BytesSize()) - 8 <= clsTextInsertItem::kMaxRecordBytes);
        // Long titles and texts are cut, never changed otherwise.
        const std::string text = WithoutCR(pairs[i].text);
        FUZZ_CHECK(pairs[i].title.compare(0, item.Title.size(), item.Title) == 0);
        FUZZ_CHECK(text.compare(0, item.RawText().size(), item.RawText()) == 0);
        const size_t room = clsTextInsertItem::kMaxRecordBytes - 4;
        if (pairs[i].title.size() <= room / 2 && pairs[i].title.size() + text.size() <= room)
            FUZZ_CHECK(item.Title == pairs[i].title && item.RawText() == text);
        if (item.RawText().size() < text.size())
            ++cut;
        FUZZ_CHECK(item.DirtyFlag());
    }
    // Every cut text is reported.
    size_t reported = 0;
    for (const std::string& message : result.messages)
        reported += message.rfind("The text of insert ", 0) == 0;
    FUZZ_CHECK(reported == cut);
    return 0;
}
