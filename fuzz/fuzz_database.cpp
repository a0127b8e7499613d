// SPDX-License-Identifier: GPL-3.0-or-later
// Database reader: any bytes either load (and then save and reload to the same thing) or
// are refused with a message, leaving the object as it was. A loaded database holds
// every record of the file, byte for byte, and keeps them and their count through a save
// and a reload.

#include "FuzzCheck.h"
#include "storage/ByteOrder.h"
#include "storage/clsBitmap.h"
#include "storage/clsDatabase.h"
#include "storage/clsInsertDatabase.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// The record list of the file as the format lays it out: count at 76, entries from 78.
size_t FileCount(const uint8_t* data) {
    return quillary::ReadBE16(data + 76);
}
size_t FileOffset(const uint8_t* data, size_t i) {
    return quillary::ReadBE32(data + 78 + 8 * i);
}
uint8_t FileAttributes(const uint8_t* data, size_t i) {
    return data[78 + 8 * i + 4];
}
uint32_t FileUniqueID(const uint8_t* data, size_t i) {
    const uint8_t* e = data + 78 + 8 * i + 5;
    return (uint32_t(e[0]) << 16) | (uint32_t(e[1]) << 8) | e[2];
}

// The record bytes equal the file's bytes at the record's offset.
bool SameAsFile(const std::vector<uint8_t>& record, const uint8_t* data, size_t size,
                size_t offset) {
    return offset <= size && record.size() <= size - offset &&
           std::memcmp(record.data(), data + offset, record.size()) == 0;
}

void CheckNotes(const uint8_t* data, size_t size) {
    clsDatabase db;
    db.m_NewNoteTitle = [] { return std::string("fuzz - "); };
    db.AddNewDatabase();
    db.AddNewRecord(0);
    const std::vector<uint8_t> before = db.GetDatabaseBytes();
    std::string error;
    if (!db.LoadDatabaseBytes(data, size, "fuzz.pdb", {}, &error)) {
        FUZZ_CHECK(!error.empty() && db.GetDatabaseBytes() == before);
        return;
    }
    const int n = db.GetNumRecords();
    FUZZ_CHECK(size_t(n) == FileCount(data));
    for (int i = 0; i < n; ++i) {
        const clsQuillaryItem& note = *db.GetRecordObject(i);
        FUZZ_CHECK(SameAsFile(note.RecordBytes(), data, size, FileOffset(data, size_t(i))));
        FUZZ_CHECK(note.attributes == FileAttributes(data, size_t(i)));
        FUZZ_CHECK(note.UniqueID == FileUniqueID(data, size_t(i)));
        clsBitmap pic;
        db.GetRecordBitmap(i, pic, &error);
        (void)note.Text();
    }
    std::vector<std::string> cats;
    db.GetCategoryList(cats);

    const std::vector<uint8_t> saved = db.GetDatabaseBytes();
    clsDatabase again;
    FUZZ_CHECK(again.LoadDatabaseBytes(saved.data(), saved.size(), "again.pdb", {}, &error));
    FUZZ_CHECK(again.GetNumRecords() == n);
    for (int i = 0; i < n; ++i) {
        const clsQuillaryItem& a = *db.GetRecordObject(i);
        const clsQuillaryItem& b = *again.GetRecordObject(i);
        FUZZ_CHECK(a.RecordBytes() == b.RecordBytes() && a.attributes == b.attributes &&
                   a.UniqueID == b.UniqueID && a.RawText() == b.RawText());
    }
    // The name field holds 31 characters and a NUL: a longer name read from a file that
    // lacks the NUL comes back cut.
    FUZZ_CHECK(db.m_PalmFileName.rfind(again.m_PalmFileName, 0) == 0);
    FUZZ_CHECK(again.AppInfo() == db.AppInfo());
    FUZZ_CHECK(again.GetDatabaseBytes() == saved);
}

void CheckInserts(const uint8_t* data, size_t size) {
    clsInsertDatabase ins;
    ins.AddNewDatabase();
    std::string error;
    if (!ins.LoadDatabaseBytes(data, size, "fuzz.pdb", {}, &error)) {
        FUZZ_CHECK(!error.empty() && ins.GetNumRecords() == 0);
        return;
    }
    const int n = ins.GetNumRecords();
    FUZZ_CHECK(size_t(n) == FileCount(data));
    for (int i = 0; i < n; ++i) {
        const clsTextInsertItem& item = *ins.GetRecordObject(i);
        std::vector<uint8_t> record;
        item.WriteOutItem(record);
        FUZZ_CHECK(SameAsFile(record, data, size, FileOffset(data, size_t(i))));
        FUZZ_CHECK(item.attributes == FileAttributes(data, size_t(i)));
        FUZZ_CHECK(item.UniqueID == FileUniqueID(data, size_t(i)));
    }
    const std::vector<uint8_t> saved = ins.GetDatabaseBytes();
    clsInsertDatabase again;
    FUZZ_CHECK(again.LoadDatabaseBytes(saved.data(), saved.size(), "again.pdb", {}, &error));
    FUZZ_CHECK(again.GetNumRecords() == n);
    for (int i = 0; i < n; ++i) {
        const clsTextInsertItem& a = *ins.GetRecordObject(i);
        const clsTextInsertItem& b = *again.GetRecordObject(i);
        FUZZ_CHECK(a.Title == b.Title && a.RawText() == b.RawText() &&
                   a.attributes == b.attributes && a.UniqueID == b.UniqueID);
    }
    FUZZ_CHECK(again.GetDatabaseBytes() == saved);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckNotes(data, size);
    CheckInserts(data, size);
    return 0;
}
