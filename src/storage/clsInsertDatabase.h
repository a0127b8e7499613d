#pragma once

#include "ImportResult.h"
#include "PdbFormat.h"
#include "RecordList.h"
#include "clsTextInsertItem.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// One text insert database (type "Inst", creator "QLRY") in memory. Same header and
// record list as a notes database, no category table: records follow the record list.
//
// Bitmap insert databases ("Ins2") have records this program cannot read or write; they
// are refused here (listed, renamed, copied and deleted as whole files instead, see
// InsertFolder.h), as is any other type.
//
// Record indexes are 0-based. Never shows anything; failures return false with a text
// naming the file.
class clsInsertDatabase {
public:
    using Progress = std::function<void(int)>;

    int m_CurrentItem = -1; // the insert the editor works on
    bool m_FileDirtyFlag = false;
    std::string m_PalmFileName;
    bool m_ScreenDisplayFlag = false;

    clsInsertDatabase();
    clsInsertDatabase(const clsInsertDatabase&) = delete;
    clsInsertDatabase& operator=(const clsInsertDatabase&) = delete;
    ~clsInsertDatabase();

    void SetFileName(const std::string& name);
    std::string GetFileName() const;
    // Refuses files that are not text insert databases; on failure nothing changes.
    bool OpenDatabase(const Progress& progress = {}, std::string* error = nullptr);
    bool LoadDatabaseBytes(const uint8_t* data, size_t size, const std::string& fileName,
                           const Progress& progress = {}, std::string* error = nullptr);
    // Crash-safe whole-file write (see clsDatabase::SaveDatabase).
    bool SaveDatabase(const Progress& progress = {}, std::string* error = nullptr);
    bool ExportDatabase(const std::string& path, const Progress& progress = {},
                        std::string* error = nullptr) const;
    std::vector<uint8_t> GetDatabaseBytes(const Progress& progress = {}) const;
    // An empty text insert database without file name; the caller sets m_PalmFileName.
    void AddNewDatabase();

    std::string GetType() const { return quillary::PdbFourCC(m_header, quillary::pdb::kType); }
    std::string GetCreator() const {
        return quillary::PdbFourCC(m_header, quillary::pdb::kCreator);
    }

    int GetNumRecords() const { return m_items.Count(); }
    bool AddNewRecord(int nIndex); // an empty insert at nIndex (0..count)
    bool InsertRecordItem(int nIndex) { return AddNewRecord(nIndex); }
    bool DeleteRecord(int nIndex); // sets m_FileDirtyFlag
    void DeleteAllRecords();
    clsTextInsertItem* GetRecordObject(int itemNum);
    const clsTextInsertItem* GetRecordObject(int itemNum) const;
    bool SetRecordObject(int itemNum, std::unique_ptr<clsTextInsertItem> item);
    bool SetRecordObject(int itemNum, const clsTextInsertItem& item);
    bool NewSortOrder(const std::string& strList);
    int32_t GetItemSize(int itemNum) const;
    uint32_t GetUniqueID(int itemNum) const;
    // 78 + all BytesSize: the file size.
    int64_t CalcDBSize() const;

    // Raw text inserts: separator byte, then title, separator, text, separator, ...
    ImportResult AppendRawTextInsertDB(const std::string& filePath);
    // An import list (as for notes): each entry's text file becomes one insert titled with
    // the file's name; pictures cannot be stored in text inserts and are reported.
    ImportResult ImportListFormat(const std::string& filePath);
    // Appends every insert of another text insert database, unique IDs 0, marked dirty.
    ImportResult AppendDatabaseInserts(const std::string& otherPath);
    ImportResult AppendDatabaseInserts(const clsInsertDatabase& other);

private:
    bool Append(std::unique_ptr<clsTextInsertItem> item, ImportResult& result);

    std::string m_fileName;
    quillary::PdbHeader m_header{};
    // An application-info block found in the file, written back unchanged.
    std::vector<uint8_t> m_appInfo;
    quillary::RecordList<clsTextInsertItem> m_items;
};
