// Raw text inserts import: a file is refused with a message and nothing added, or every
// title and text the parser finds becomes one insert that fits a handheld record, and a
// save and reload keeps them.

#include "FuzzScratch.h"

#include "storage/ImportFormats.h"
#include "storage/clsInsertDatabase.h"

#include <cstring>

namespace {

void Check(bool ok) {
    if (!ok)
        std::abort();
}

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
    const bool text = size > 0 && !std::memchr(data, 0, size);
    if (!text) {
        Check(!result.completed && result.imported == 0 && result.messages.size() == 1);
        Check(ins.GetNumRecords() == 0 && !ins.m_FileDirtyFlag);
        return 0;
    }
    const std::vector<quillary::RawInsertPair> pairs =
        quillary::ParseRawInserts(std::string_view(reinterpret_cast<const char*>(data), size));
    Check(result.completed);
    Check(size_t(result.imported) == pairs.size() && ins.GetNumRecords() == result.imported);

    const std::vector<uint8_t> saved = ins.GetDatabaseBytes();
    clsInsertDatabase again;
    std::string error;
    Check(again.LoadDatabaseBytes(saved.data(), saved.size(), "again.pdb", {}, &error));
    Check(again.GetNumRecords() == ins.GetNumRecords());
    for (size_t i = 0; i < pairs.size(); ++i) {
        const clsTextInsertItem& item = *again.GetRecordObject(int(i));
        // One handheld memory chunk per record.
        Check(size_t(item.BytesSize()) - 8 <= clsTextInsertItem::kMaxRecordBytes);
        // Long titles and texts are cut, never changed otherwise.
        const std::string text = WithoutCR(pairs[i].text);
        Check(pairs[i].title.compare(0, item.Title.size(), item.Title) == 0);
        Check(text.compare(0, item.RawText().size(), item.RawText()) == 0);
        if (pairs[i].title.size() + text.size() + 4 <= clsTextInsertItem::kMaxRecordBytes)
            Check(item.Title == pairs[i].title && item.RawText() == text);
        Check(item.DirtyFlag());
    }
    return 0;
}
