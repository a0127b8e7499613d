// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ImportResult.h"
#include "PalmDatabase.h"
#include "clsQuillaryItem.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class clsBitmap;

// One notes database (.pdb) in memory: header, category table (application-info block)
// and one clsQuillaryItem per record.
//
// File layout: 78-byte header, 8-byte record entries, 276-byte application-info block at
// 78 + 8n, then the records back to back. The file is always read and written whole.
//
// Record indexes are 0-based; category indexes 0..15, 0 being "Unfiled". Operations given
// an index out of range do nothing and return false / an empty result. File name, open,
// save, export and the shared record operations are in quillary::PalmDatabase.
//
// Never shows anything: failures return false with a text naming the file and what is
// wrong in *error. The dialogs for an empty file name live in shell/DatabaseDialogs.
class clsDatabase : public quillary::PalmDatabase<clsDatabase, clsQuillaryItem> {
public:
    static constexpr size_t kAppInfoBytes = 276;

    // Title text for new notes; when empty clsQuillaryItem::DefaultTitle() is used. The
    // main window installs one built from its clock and locale.
    std::function<std::string()> m_NewNoteTitle;

    clsDatabase();
    clsDatabase(const clsDatabase&) = delete;
    clsDatabase& operator=(const clsDatabase&) = delete;
    clsDatabase(clsDatabase&&) noexcept;
    clsDatabase& operator=(clsDatabase&&) noexcept;
    ~clsDatabase();

    // ---- Container ----
    // Reads a whole database file image; fileName only names the source in messages.
    // On failure the object is left exactly as it was. Clears m_FileDirtyFlag on success.
    bool LoadDatabaseBytes(const uint8_t* data, size_t size, const std::string& fileName,
                           const Progress& progress = {}, std::string* error = nullptr);
    // The same for a shared file buffer: the notes refer to their bytes in it (no copy)
    // until they are changed.
    bool LoadDatabaseBuffer(const std::shared_ptr<const quillary::FileBuffer>& file,
                            const std::string& fileName, const Progress& progress = {},
                            std::string* error = nullptr);
    // The file image SaveDatabase writes.
    std::vector<uint8_t> GetDatabaseBytes(const Progress& progress = {}) const;

    // A copy of the notes as they are now (header, categories, records, file name) that
    // shares the bytes of notes unchanged since the file was read: a reread compares its
    // result with it without copying every record.
    std::unique_ptr<clsDatabase> Snapshot() const;

    // An empty new notes database "QuillaryDBv2" (type Not2, creator QLRY) with the
    // categories Unfiled, Business, Personal and no file name.
    void AddNewDatabase();

    const std::array<uint8_t, kAppInfoBytes>& AppInfo() const { return m_appInfo; }

    // ---- Categories ----
    // Labels from index 0 up to the first empty one; returns their number.
    int GetCategoryList(std::vector<std::string>& strCatList) const;
    std::string GetCategoryLabel(int catIndex) const;
    std::string GetCategory(int recIndex) const;
    int GetCategoryIndex(int recIndex) const;
    void SetCategoryIndex(int recIndex, int newCat);
    // Careful, the name says the opposite: true when a category OTHER than curIndex already
    // has exactly this label (case-sensitive), i.e. the name is taken.
    bool IsCategoryNameUnique(const std::string& catName, int curIndex) const;
    // Label catIndex becomes the first 15 characters of newName; marks it renamed.
    void RenameCategory(int catIndex, const std::string& newName);
    // Appends "NewCategory", "NewCategory1", ...; returns the new number of categories,
    // or -1 when all 16 are in use.
    int AddCategory(std::string& newCatName);
    // Removes a category; its notes become Unfiled, later categories move down one.
    void DeleteCategory(int catID);
    uint16_t RenamedCategories() const;
    uint8_t CategoryID(int catIndex) const;
    uint8_t LastUniqueCategoryID() const { return m_appInfo[274]; }

    // ---- Records (see PalmDatabase for the rest) ----
    // Inserts a new default note at nIndex (0..count); false when the index is out of range
    // or the database holds 32767 notes already. Leaves m_FileDirtyFlag to the caller.
    bool AddNewRecord(int nIndex);
    bool InsertRecordItem(int nIndex) { return AddNewRecord(nIndex); }
    // Decodes a note's picture; the error names file and note.
    bool GetRecordBitmap(int itemNum, clsBitmap& bitmap, std::string* error = nullptr) const;
    // A note's picture size from the picture header alone; errors as GetRecordBitmap's.
    bool GetRecordBitmapSize(int itemNum, int32_t& width, int32_t& height,
                             std::string* error = nullptr) const;

    // ---- Imports (they set m_FileDirtyFlag when they add anything) ----
    // Texts are read as ImportTextToCp1252 says (UTF-8 files converted); a file holding a
    // character the handheld cannot store refuses the whole import, listing each one. A text
    // longer than a note holds becomes consecutive notes (SplitNoteText), counted in split.
    // Raw text notes: lines up to one ending in "|" make one note.
    ImportResult AppendRawTextNotes(const std::string& filePath);
    // Import list: header line "0,...", a comment line, then "text path[,bitmap path]".
    // The picture goes with the first note of a split text.
    ImportResult ImportListFormat(const std::string& filePath);
    // Appends every note of another notes database, unique IDs 0, marked dirty.
    ImportResult AppendDatabaseNotes(const std::string& otherPath);
    ImportResult AppendDatabaseNotes(const clsDatabase& other);

private:
    friend class quillary::PalmDatabase<clsDatabase, clsQuillaryItem>;

    bool LoadImage(const uint8_t* data, size_t size,
                   const std::shared_ptr<const quillary::FileBuffer>& file,
                   const std::string& fileName, const Progress& progress, std::string* error);
    // Header, record list and category table in image.own, then every record's bytes
    // where they are: nothing is copied for notes still as read. Progress follows the
    // writing of the records.
    void GatherImage(GatheredImage& image, const Progress& progress) const;
    bool CanAdd() const { return m_items.Count() < quillary::kPdbMaxRecords; }
    std::string NewNoteTitle() const;
    std::unique_ptr<clsQuillaryItem> NewDefaultNote() const;
    bool AppendImportedNote(std::unique_ptr<clsQuillaryItem> note, ImportResult& result);
    // Gives note the text (split over further new notes when too long) and appends them.
    bool AppendImportedText(std::unique_ptr<clsQuillaryItem> note, std::string_view text,
                            ImportResult& result);
    uint8_t* Label(int i) { return m_appInfo.data() + 2 + 16 * size_t(i); }
    const uint8_t* Label(int i) const { return m_appInfo.data() + 2 + 16 * size_t(i); }

    std::array<uint8_t, kAppInfoBytes> m_appInfo{};
};
