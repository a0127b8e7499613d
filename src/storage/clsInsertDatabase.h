// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ImportResult.h"
#include "PalmDatabase.h"
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
class clsInsertDatabase : public quillary::PalmDatabase<clsInsertDatabase, clsTextInsertItem> {
public:
    int m_CurrentItem = -1; // the insert the editor works on

    clsInsertDatabase();
    clsInsertDatabase(const clsInsertDatabase&) = delete;
    clsInsertDatabase& operator=(const clsInsertDatabase&) = delete;
    ~clsInsertDatabase();

    // Reads a whole file image; refuses files that are not text insert databases. On
    // failure nothing changes.
    bool LoadDatabaseBytes(const uint8_t* data, size_t size, const std::string& fileName,
                           const Progress& progress = {}, std::string* error = nullptr);
    std::vector<uint8_t> GetDatabaseBytes(const Progress& progress = {}) const;
    // An empty text insert database without file name; the caller sets m_PalmFileName.
    void AddNewDatabase();

    bool AddNewRecord(int nIndex); // an empty insert at nIndex (0..count)
    bool InsertRecordItem(int nIndex) { return AddNewRecord(nIndex); }

    // Both read their texts as ImportTextToCp1252 says (UTF-8 files converted); a file
    // holding a character the handheld cannot store refuses the whole import.
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

    // An application-info block found in the file, written back unchanged.
    std::vector<uint8_t> m_appInfo;
};
