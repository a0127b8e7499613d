// SPDX-License-Identifier: GPL-3.0-or-later
#include "clsInsertDatabase.h"

#include "ByteOrder.h"
#include "Cp1252.h"
#include "FileIO.h"
#include "ImportFormats.h"
#include "TextUtil.h"

#include <algorithm>
#include <filesystem>

using namespace quillary;

namespace {

// Messages are UTF-8; titles and types are the file's Windows-1252 bytes.
std::string Quote(const std::string& s) {
    return "\"" + Cp1252ToUtf8(s) + "\"";
}

} // namespace

clsInsertDatabase::clsInsertDatabase() = default;
clsInsertDatabase::~clsInsertDatabase() = default;

bool clsInsertDatabase::LoadDatabaseBytes(const uint8_t* data, size_t size,
                                          const std::string& fileName, const Progress& progress,
                                          std::string* error) {
    PdbContainer c;
    std::string why;
    if (!ParsePdbContainer(data, size, c, &why))
        return Fail(error, FileError(fileName, why));
    const std::string type = PdbFourCC(c.header, pdb::kType);
    if (type == "Ins2")
        return Fail(error, FileError(fileName, "this is a bitmap insert database. Its inserts "
                                               "cannot be edited here; it can only be renamed, "
                                               "copied or deleted."));
    if (type != "Inst")
        return Fail(error, FileError(fileName, "this is not a text insert database (its type is " +
                                                   Quote(type) + ", not \"Inst\")."));
    // Keep an application-info block if the file has one: from its offset up to whatever
    // comes next.
    std::vector<uint8_t> appInfo;
    const uint32_t appInfoAt = ReadBE32(c.header.data() + pdb::kAppInfoOffset);
    if (appInfoAt >= kPdbHeaderBytes + kPdbEntryBytes * c.entries.size() && appInfoAt < size) {
        size_t next = size;
        for (const PdbRecordEntry& e : c.entries)
            if (e.offset >= appInfoAt)
                next = std::min<size_t>(next, e.offset);
        appInfo.assign(data + appInfoAt, data + next);
    }
    uint64_t total = appInfo.size();
    RecordList<clsTextInsertItem> items;
    items.Reserve(c.entries.size());
    for (size_t i = 0; i < c.entries.size(); ++i) {
        auto item = std::make_unique<clsTextInsertItem>();
        item->attributes = c.entries[i].attributes;
        item->UniqueID = c.entries[i].uniqueID;
        if (!item->ReadInItem(data, size, c.entries[i].offset, &why))
            return Fail(error, FileError(fileName, "insert " + std::to_string(i + 1) + ": " + why));
        total += uint64_t(item->BytesSize()) - 8;
        if (total > size - kPdbHeaderBytes - kPdbEntryBytes * c.entries.size())
            return Fail(error, FileError(fileName, "the inserts overlap each other (insert " +
                                                       std::to_string(i + 1) +
                                                       " reuses bytes of earlier inserts)."));
        items.PushBack(std::move(item));
        ReportProgress(progress, i + 1, c.entries.size());
    }
    m_header = c.header;
    m_PalmFileName = std::move(c.name);
    m_appInfo = std::move(appInfo);
    m_items = std::move(items);
    m_FileDirtyFlag = false;
    return true;
}

std::vector<uint8_t> clsInsertDatabase::GetDatabaseBytes(const Progress& progress) const {
    const size_t n = size_t(m_items.Count());
    const size_t listEnd = kPdbHeaderBytes + kPdbEntryBytes * n;
    std::vector<uint8_t> out;
    out.reserve(size_t(CalcDBSize()) + m_appInfo.size());
    PdbHeader header = m_header;
    // Records start right after the record list, or after a kept application-info block.
    // Without a block the offset is 0: an old offset would point into the records.
    PrepareHeaderForSave(header, m_PalmFileName, uint16_t(n),
                         m_appInfo.empty() ? 0 : int64_t(listEnd));
    out.insert(out.end(), header.begin(), header.end());
    out.resize(listEnd);
    uint32_t offset = uint32_t(listEnd + m_appInfo.size());
    for (size_t i = 0; i < n; ++i) {
        const clsTextInsertItem& item = *m_items.Get(int(i));
        WritePdbEntry(out.data() + kPdbHeaderBytes + kPdbEntryBytes * i,
                      {offset, item.attributes, item.UniqueID});
        offset += uint32_t(item.BytesSize() - 8);
    }
    out.insert(out.end(), m_appInfo.begin(), m_appInfo.end());
    for (size_t i = 0; i < n; ++i) {
        m_items.Get(int(i))->WriteOutItem(out);
        ReportProgress(progress, i + 1, n);
    }
    return out;
}

void clsInsertDatabase::AddNewDatabase() {
    m_items.Clear();
    m_appInfo.clear();
    SetFileName("");
    SetPdbFourCC(m_header, pdb::kCreator, "QLRY");
    SetPdbFourCC(m_header, pdb::kType, "Inst");
    WriteBE16(m_header.data() + pdb::kRecordCount, 0);
    m_FileDirtyFlag = false;
}

bool clsInsertDatabase::AddNewRecord(int nIndex) {
    if (m_items.Count() >= kPdbMaxRecords)
        return false;
    auto item = std::make_unique<clsTextInsertItem>();
    item->FillDefaultItemStruct();
    return m_items.Insert(nIndex, std::move(item));
}

// ---- Imports ---------------------------------------------------------------------------

bool clsInsertDatabase::Append(std::unique_ptr<clsTextInsertItem> item, ImportResult& result) {
    if (m_items.Count() >= kPdbMaxRecords) {
        result.messages.push_back("The insert database holds the most inserts it can (32767); "
                                  "the rest was not imported.");
        return false;
    }
    // The handheld keeps a record in one chunk of at most 64 KB.
    const size_t limit = clsTextInsertItem::kMaxRecordBytes - 4;
    if (item->Title.size() > limit / 2)
        item->Title.resize(limit / 2);
    if (item->Title.size() + item->RawText().size() > limit) {
        item->SetText(item->RawText().substr(0, limit - item->Title.size()));
        result.messages.push_back("The text of insert " + Quote(item->Title) +
                                  " was too long for one insert and was cut to " +
                                  std::to_string(item->RawText().size()) + " characters.");
    }
    item->SetDirtyFlag(true);
    m_items.PushBack(std::move(item));
    m_FileDirtyFlag = true;
    ++result.imported;
    return true;
}

ImportResult clsInsertDatabase::AppendRawTextInsertDB(const std::string& filePath) {
    ImportResult result;
    std::string raw, bytes, why;
    if (!ReadImportFile(filePath, raw, &why)) {
        result.messages.push_back(why);
        return result;
    }
    if (!ImportTextToCp1252(raw, filePath, bytes, result.messages)) {
        result.refused = int(ParseRawInserts(raw).size());
        result.messages.push_back("Nothing was imported: inserts hold Windows-1252 text only. "
                                  "Replace these characters and import again.");
        return result;
    }
    bool dangling = false;
    std::vector<RawInsertPair> pairs = ParseRawInserts(bytes, &dangling);
    const std::string lastTitle = pairs.empty() ? std::string() : pairs.back().title;
    for (RawInsertPair& p : pairs) {
        auto item = std::make_unique<clsTextInsertItem>();
        item->FillDefaultItemStruct();
        item->Title = std::move(p.title);
        item->SetText(p.text);
        if (!Append(std::move(item), result))
            return result;
    }
    if (dangling)
        result.messages.push_back(filePath + ": the last title " + Quote(lastTitle) +
                                  " has no text after it; it was imported with an empty text.");
    result.completed = true;
    return result;
}

ImportResult clsInsertDatabase::ImportListFormat(const std::string& filePath) {
    ImportResult result;
    std::string text, why;
    if (!ReadImportFile(filePath, text, &why)) {
        result.messages.push_back(why);
        return result;
    }
    std::vector<ImportListEntry> entries;
    if (!ParseImportList(text, entries)) {
        result.messages.push_back(filePath + " is not a Quillary import list (its first line "
                                             "must start with 0); nothing was imported.");
        return result;
    }
    // Every text is read before anything is added: one the handheld cannot store refuses
    // the whole list instead of leaving half of it imported.
    std::vector<std::string> contents(entries.size());
    std::vector<std::string> readErrors(entries.size());
    std::vector<std::string> problems;
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string textPath = ResolveListPath(filePath, entries[i].textPath);
        std::string raw;
        if (!ReadImportFile(textPath, raw, &readErrors[i]))
            continue;
        ImportTextToCp1252(raw, textPath, contents[i], problems);
    }
    if (!problems.empty()) {
        result.messages = std::move(problems);
        result.refused = int(entries.size());
        result.messages.push_back("Nothing was imported: inserts hold Windows-1252 text only. "
                                  "Replace these characters and import again.");
        return result;
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        const ImportListEntry& e = entries[i];
        const std::string textPath = ResolveListPath(filePath, e.textPath);
        if (!readErrors[i].empty()) {
            result.messages.push_back(readErrors[i]);
            continue;
        }
        std::string content = std::move(contents[i]);
        if (!e.bitmapPath.empty())
            result.messages.push_back(e.bitmapPath + ": pictures cannot be stored in a text "
                                                     "insert; only the text was imported.");
        auto item = std::make_unique<clsTextInsertItem>();
        item->Title = std::filesystem::path(textPath).stem().string();
        item->SetText(content);
        if (!Append(std::move(item), result))
            return result;
    }
    result.completed = true;
    return result;
}

ImportResult clsInsertDatabase::AppendDatabaseInserts(const std::string& otherPath) {
    return AppendRecordsOfFile(otherPath,
                               [this](std::unique_ptr<clsTextInsertItem> item, ImportResult& r) {
                                   return Append(std::move(item), r);
                               });
}

ImportResult clsInsertDatabase::AppendDatabaseInserts(const clsInsertDatabase& other) {
    return AppendRecordsOf(other, [this](std::unique_ptr<clsTextInsertItem> item, ImportResult& r) {
        return Append(std::move(item), r);
    });
}
