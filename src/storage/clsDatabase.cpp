// SPDX-License-Identifier: GPL-3.0-or-later
#include "clsDatabase.h"

#include "ByteOrder.h"
#include "FileIO.h"
#include "ImportFormats.h"
#include "TextUtil.h"
#include "clsBitmap.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

using namespace quillary;

namespace {

constexpr size_t kLabelBytes = 16;
constexpr size_t kCategoryIdsAt = 258;
constexpr size_t kLastUniqueIdAt = 274;
constexpr int kMaxCategories = 16;
constexpr size_t kMaxLabelChars = 15;

} // namespace

clsDatabase::clsDatabase() = default;
clsDatabase::clsDatabase(clsDatabase&&) noexcept = default;
clsDatabase& clsDatabase::operator=(clsDatabase&&) noexcept = default;
clsDatabase::~clsDatabase() = default;

// ---- Container -------------------------------------------------------------------------

bool clsDatabase::LoadDatabaseBytes(const uint8_t* data, size_t size, const std::string& fileName,
                                    const Progress& progress, std::string* error) {
    return LoadImage(data, size, nullptr, fileName, progress, error);
}

bool clsDatabase::LoadDatabaseBuffer(const std::shared_ptr<const FileBuffer>& file,
                                     const std::string& fileName, const Progress& progress,
                                     std::string* error) {
    if (!file)
        return Fail(error, FileError(fileName, "nothing was read."));
    return LoadImage(file->data(), file->size, file, fileName, progress, error);
}

namespace {

// Each note's picture size sits 2 KB into its record, a cache miss per note when the file
// is larger than the cache; asking for it some notes ahead overlaps those misses.
constexpr size_t kPrefetchAhead = 32;

void PrefetchRecordHeader(const uint8_t* data, size_t size,
                          const std::vector<PdbRecordEntry>& entries, size_t i) {
#if defined(__GNUC__) || defined(__clang__)
    if (i < entries.size() && entries[i].offset < size &&
        size - entries[i].offset >= clsQuillaryItem::kHeaderLen)
        __builtin_prefetch(data + entries[i].offset + clsQuillaryItem::kHeaderLen - 2);
#else
    (void)data, (void)size, (void)entries, (void)i;
#endif
}

} // namespace

bool clsDatabase::LoadImage(const uint8_t* data, size_t size,
                            const std::shared_ptr<const FileBuffer>& file,
                            const std::string& fileName, const Progress& progress,
                            std::string* error) {
    PdbContainer c;
    std::string why;
    if (!ParsePdbContainer(data, size, c, &why))
        return Fail(error, FileError(fileName, why));
    // A file without a category table keeps the one already held.
    std::array<uint8_t, kAppInfoBytes> appInfo = m_appInfo;
    const uint32_t appInfoAt = ReadBE32(c.header.data() + pdb::kAppInfoOffset);
    if (appInfoAt != 0) {
        if (appInfoAt > size || size - appInfoAt < kAppInfoBytes)
            return Fail(error, FileError(fileName,
                                         "the category table is said to start at offset " +
                                             std::to_string(appInfoAt) + ", but the file ends at " +
                                             std::to_string(size) + "."));
        std::memcpy(appInfo.data(), data + appInfoAt, kAppInfoBytes);
    }
    // Records may not add up to more than the file: this also bounds memory for files
    // whose record list points many times at the same bytes.
    uint64_t total = 0;
    RecordList<clsQuillaryItem> items;
    items.Reserve(c.entries.size());
    for (size_t i = 0; i < c.entries.size(); ++i) {
        const PdbRecordEntry& e = c.entries[i];
        PrefetchRecordHeader(data, size, c.entries, i + kPrefetchAhead);
        std::unique_ptr<clsQuillaryItem> item;
        if (file) {
            item = clsQuillaryItem::ReadShared(file, e.offset, &why);
        } else {
            item = std::make_unique<clsQuillaryItem>();
            if (!item->ReadInItem(data, size, e.offset, &why))
                item.reset();
        }
        if (!item)
            return Fail(error, FileError(fileName, "note " + std::to_string(i + 1) + ": " + why));
        item->attributes = e.attributes;
        item->UniqueID = e.uniqueID;
        total += uint64_t(item->BytesSize()) - 8;
        if (total > size - kPdbHeaderBytes - kPdbEntryBytes * c.entries.size())
            return Fail(error, FileError(fileName, "the notes overlap each other (note " +
                                                       std::to_string(i + 1) +
                                                       " reuses bytes of earlier notes)."));
        items.PushBack(std::move(item));
        ReportProgress(progress, i + 1, c.entries.size());
    }
    m_header = c.header;
    m_PalmFileName = std::move(c.name);
    m_appInfo = appInfo;
    m_items = std::move(items);
    m_readBuffer = file;
    m_FileDirtyFlag = false;
    return true;
}

std::vector<uint8_t> clsDatabase::GetDatabaseBytes(const Progress& progress) const {
    const size_t n = size_t(m_items.Count());
    const size_t listEnd = kPdbHeaderBytes + kPdbEntryBytes * n;
    size_t total = listEnd + kAppInfoBytes;
    for (const auto& item : m_items)
        total += item->RecordSize();
    std::vector<uint8_t> out;
    out.reserve(total);
    PdbHeader header = m_header;
    PrepareHeaderForSave(header, m_PalmFileName, uint16_t(n), int64_t(listEnd));
    out.insert(out.end(), header.begin(), header.end());
    out.resize(listEnd);
    uint32_t offset = uint32_t(listEnd + kAppInfoBytes);
    for (size_t i = 0; i < n; ++i) {
        const clsQuillaryItem& item = *m_items.Get(int(i));
        WritePdbEntry(out.data() + kPdbHeaderBytes + kPdbEntryBytes * i,
                      {offset, item.attributes, item.UniqueID});
        offset += uint32_t(item.RecordSize());
    }
    out.insert(out.end(), m_appInfo.begin(), m_appInfo.end());
    for (size_t i = 0; i < n; ++i) {
        m_items.Get(int(i))->WriteOutItem(out);
        ReportProgress(progress, i + 1, n);
    }
    return out;
}

void clsDatabase::GatherImage(GatheredImage& image, const Progress&) const {
    const size_t n = size_t(m_items.Count());
    const size_t listEnd = kPdbHeaderBytes + kPdbEntryBytes * n;
    std::vector<uint8_t>& head = image.own;
    head.assign(listEnd + kAppInfoBytes, 0);
    PdbHeader header = m_header;
    PrepareHeaderForSave(header, m_PalmFileName, uint16_t(n), int64_t(listEnd));
    std::memcpy(head.data(), header.data(), header.size());
    image.pieces.clear();
    image.pieces.reserve(n + 1);
    image.pieces.push_back({head.data(), head.size()});
    uint32_t offset = uint32_t(listEnd + kAppInfoBytes);
    for (size_t i = 0; i < n; ++i) {
        const clsQuillaryItem& item = *m_items.Get(int(i));
        WritePdbEntry(head.data() + kPdbHeaderBytes + kPdbEntryBytes * i,
                      {offset, item.attributes, item.UniqueID});
        image.pieces.push_back({item.RecordData(), item.RecordSize()});
        offset += uint32_t(item.RecordSize());
    }
    image.recordPieces = true;
    std::memcpy(head.data() + listEnd, m_appInfo.data(), kAppInfoBytes);
}

std::unique_ptr<clsDatabase> clsDatabase::Snapshot() const {
    auto copy = std::make_unique<clsDatabase>();
    copy->m_header = m_header;
    copy->m_PalmFileName = m_PalmFileName;
    copy->m_appInfo = m_appInfo;
    copy->m_fileName = m_fileName;
    copy->m_FileDirtyFlag = m_FileDirtyFlag;
    copy->m_items.Reserve(size_t(m_items.Count()));
    for (const auto& item : m_items)
        copy->m_items.PushBack(std::make_unique<clsQuillaryItem>(*item));
    return copy;
}

void clsDatabase::AddNewDatabase() {
    m_items.Clear();
    m_readBuffer.reset();
    SetFileName("");
    SetPdbFourCC(m_header, pdb::kCreator, "QLRY");
    SetPdbFourCC(m_header, pdb::kType, "Not2");
    WriteBE16(m_header.data() + pdb::kRecordCount, 0);
    m_PalmFileName = "QuillaryDBv2";
    m_FileDirtyFlag = false;
    PutPaddedString(Label(0), "Unfiled", kLabelBytes);
    PutPaddedString(Label(1), "Business", kLabelBytes);
    PutPaddedString(Label(2), "Personal", kLabelBytes);
    for (int i = 0; i < kMaxCategories; ++i)
        m_appInfo[kCategoryIdsAt + size_t(i)] = uint8_t(i);
    m_appInfo[kLastUniqueIdAt] = 15;
}

// ---- Categories ------------------------------------------------------------------------

std::string clsDatabase::GetCategoryLabel(int catIndex) const {
    if (catIndex < 0 || catIndex >= kMaxCategories)
        return {};
    return TrimAtNull(
        std::string_view(reinterpret_cast<const char*>(Label(catIndex)), kLabelBytes));
}

int clsDatabase::GetCategoryList(std::vector<std::string>& strCatList) const {
    strCatList.clear();
    for (int i = 0; i < kMaxCategories; ++i) {
        std::string label = GetCategoryLabel(i);
        if (label.empty())
            break;
        strCatList.push_back(std::move(label));
    }
    return int(strCatList.size());
}

std::string clsDatabase::GetCategory(int recIndex) const {
    const clsQuillaryItem* item = GetRecordObject(recIndex);
    return item ? GetCategoryLabel(item->CategoryIndex()) : std::string();
}

int clsDatabase::GetCategoryIndex(int recIndex) const {
    const clsQuillaryItem* item = GetRecordObject(recIndex);
    return item ? item->CategoryIndex() : 0;
}

void clsDatabase::SetCategoryIndex(int recIndex, int newCat) {
    clsQuillaryItem* item = GetRecordObject(recIndex);
    if (!item || newCat < 0 || newCat >= kMaxCategories)
        return;
    item->attributes = uint8_t((item->attributes & 0xF0) | newCat);
}

bool clsDatabase::IsCategoryNameUnique(const std::string& catName, int curIndex) const {
    for (int i = 0; i < kMaxCategories; ++i) {
        const std::string label = GetCategoryLabel(i);
        if (label.empty())
            break;
        if (i != curIndex && label == catName)
            return true;
    }
    return false;
}

void clsDatabase::RenameCategory(int catIndex, const std::string& newName) {
    if (catIndex < 0 || catIndex >= kMaxCategories)
        return;
    PutPaddedString(Label(catIndex), newName.substr(0, kMaxLabelChars), kLabelBytes);
    const uint16_t renamed = uint16_t(RenamedCategories() | (1u << catIndex));
    WriteBE16(m_appInfo.data(), renamed);
}

uint16_t clsDatabase::RenamedCategories() const {
    return ReadBE16(m_appInfo.data());
}

uint8_t clsDatabase::CategoryID(int catIndex) const {
    if (catIndex < 0 || catIndex >= kMaxCategories)
        return 0;
    return m_appInfo[kCategoryIdsAt + size_t(catIndex)];
}

int clsDatabase::AddCategory(std::string& newCatName) {
    std::vector<std::string> labels;
    const int count = GetCategoryList(labels);
    if (count >= kMaxCategories)
        return -1;
    auto taken = [&](const std::string& name) {
        return std::find(labels.begin(), labels.end(), name) != labels.end();
    };
    std::string name = "NewCategory";
    for (int k = 1; taken(name); ++k)
        name = "NewCategory" + std::to_string(k);
    int id = 129;
    auto idTaken = [&](int v) {
        for (int i = 0; i < count; ++i)
            if (CategoryID(i) == v)
                return true;
        return false;
    };
    while (idTaken(id))
        ++id;
    PutPaddedString(Label(count), name, kLabelBytes);
    m_appInfo[kCategoryIdsAt + size_t(count)] = uint8_t(id);
    newCatName = name;
    return count + 1;
}

void clsDatabase::DeleteCategory(int catID) {
    std::vector<std::string> labels;
    const int count = GetCategoryList(labels);
    if (catID < 0 || catID >= count)
        return;
    for (auto& item : m_items)
        if (item->CategoryIndex() == catID)
            item->attributes &= 0xF0;
    for (int i = catID; i <= count - 2; ++i) {
        std::memcpy(Label(i), Label(i + 1), kLabelBytes);
        m_appInfo[kCategoryIdsAt + size_t(i)] = m_appInfo[kCategoryIdsAt + size_t(i) + 1];
        for (auto& item : m_items)
            if (item->CategoryIndex() == i + 1)
                item->attributes = uint8_t((item->attributes & 0xF0) | i);
    }
    PutPaddedString(Label(count - 1), "", kLabelBytes);
}

// ---- Records ---------------------------------------------------------------------------

std::string clsDatabase::NewNoteTitle() const {
    return m_NewNoteTitle ? m_NewNoteTitle() : clsQuillaryItem::DefaultTitle();
}

std::unique_ptr<clsQuillaryItem> clsDatabase::NewDefaultNote() const {
    auto item = std::make_unique<clsQuillaryItem>();
    item->FillDefaultItemStruct(NewNoteTitle());
    return item;
}

bool clsDatabase::AddNewRecord(int nIndex) {
    return CanAdd() && m_items.Insert(nIndex, NewDefaultNote());
}

bool clsDatabase::GetRecordBitmap(int itemNum, clsBitmap& bitmap, std::string* error) const {
    const clsQuillaryItem* item = GetRecordObject(itemNum);
    if (!item)
        return Fail(error, "There is no note " + std::to_string(itemNum + 1) + ".");
    std::string why;
    if (!item->GetBitmap(bitmap, &why))
        return Fail(error, FileError(GetFileName(), "the picture of note " +
                                                        std::to_string(itemNum + 1) + ": " + why));
    return true;
}

bool clsDatabase::GetRecordBitmapSize(int itemNum, int32_t& width, int32_t& height,
                                      std::string* error) const {
    const clsQuillaryItem* item = GetRecordObject(itemNum);
    if (!item)
        return Fail(error, "There is no note " + std::to_string(itemNum + 1) + ".");
    std::string why;
    if (!item->GetBitmapSize(width, height, &why))
        return Fail(error, FileError(GetFileName(), "the picture of note " +
                                                        std::to_string(itemNum + 1) + ": " + why));
    return true;
}

// ---- Imports ---------------------------------------------------------------------------

bool clsDatabase::AppendImportedNote(std::unique_ptr<clsQuillaryItem> note, ImportResult& result) {
    if (!CanAdd()) {
        result.messages.push_back("The database holds the most notes it can (32767); the rest "
                                  "was not imported.");
        return false;
    }
    note->SetDirtyFlag(true);
    m_items.PushBack(std::move(note));
    m_FileDirtyFlag = true;
    ++result.imported;
    return true;
}

bool clsDatabase::AppendImportedText(std::unique_ptr<clsQuillaryItem> note, std::string_view text,
                                     ImportResult& result) {
    std::string stored(text);
    stored.erase(std::remove(stored.begin(), stored.end(), '\r'), stored.end());
    const std::vector<std::string> parts = SplitNoteText(stored, clsQuillaryItem::kMaxTextChars);
    if (parts.size() > 1)
        ++result.split;
    note->SetText(parts.front());
    if (!AppendImportedNote(std::move(note), result))
        return false;
    for (size_t i = 1; i < parts.size(); ++i) {
        auto more = NewDefaultNote();
        more->SetText(parts[i]);
        if (!AppendImportedNote(std::move(more), result))
            return false;
    }
    return true;
}

namespace {

void RefuseImport(ImportResult& result, int notes) {
    result.refused = notes;
    result.messages.push_back("Nothing was imported: notes hold Windows-1252 text only. "
                              "Replace these characters and import again.");
}

} // namespace

ImportResult clsDatabase::AppendRawTextNotes(const std::string& filePath) {
    ImportResult result;
    std::string bytes, text, why;
    if (!ReadImportFile(filePath, bytes, &why)) {
        result.messages.push_back(why);
        return result;
    }
    if (!ImportTextToCp1252(bytes, filePath, text, result.messages)) {
        RefuseImport(result, int(ParseRawTextNotes(bytes).size()));
        return result;
    }
    for (const std::string& body : ParseRawTextNotes(text))
        if (!AppendImportedText(NewDefaultNote(), body, result))
            return result;
    result.completed = true;
    return result;
}

ImportResult clsDatabase::ImportListFormat(const std::string& filePath) {
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
    // Every text is read before anything is added, so that one the handheld cannot store
    // refuses the whole list instead of leaving half of it imported.
    struct Text {
        bool present = false;
        std::string text;
        std::string error;
    };
    std::vector<Text> texts(entries.size());
    std::vector<std::string> problems;
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string path = ResolveListPath(filePath, entries[i].textPath);
        std::error_code ec;
        // A text file that is not there leaves the note its title, as it always did.
        if (path.empty() || !std::filesystem::exists(path, ec))
            continue;
        std::vector<uint8_t> bytes;
        if (!ReadWholeFile(path, bytes, &texts[i].error, clsQuillaryItem::kMaxTextFileBytes))
            continue;
        texts[i].present = ImportTextToCp1252(
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), path,
            texts[i].text, problems);
    }
    if (!problems.empty()) {
        result.messages = std::move(problems);
        RefuseImport(result, int(entries.size()));
        return result;
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        auto note = NewDefaultNote();
        note->ImportNoteItem({}, ResolveListPath(filePath, entries[i].bitmapPath),
                             &result.messages);
        if (!texts[i].error.empty())
            result.messages.push_back(texts[i].error);
        const bool added = texts[i].present
                               ? AppendImportedText(std::move(note), texts[i].text, result)
                               : AppendImportedNote(std::move(note), result);
        std::string().swap(texts[i].text);
        if (!added)
            return result;
    }
    m_FileDirtyFlag = true;
    result.completed = true;
    return result;
}

ImportResult clsDatabase::AppendDatabaseNotes(const std::string& otherPath) {
    return AppendRecordsOfFile(otherPath,
                               [this](std::unique_ptr<clsQuillaryItem> item, ImportResult& r) {
                                   return AppendImportedNote(std::move(item), r);
                               });
}

ImportResult clsDatabase::AppendDatabaseNotes(const clsDatabase& other) {
    return AppendRecordsOf(other, [this](std::unique_ptr<clsQuillaryItem> item, ImportResult& r) {
        return AppendImportedNote(std::move(item), r);
    });
}
