// Database reader: any bytes either load (and then save and reload to the same thing) or
// are refused with a message, leaving the object as it was. A loaded database holds
// every record of the file, byte for byte, and keeps them and their count through a save
// and a reload.

#include "storage/ByteOrder.h"
#include "storage/clsBitmap.h"
#include "storage/clsDatabase.h"
#include "storage/clsInsertDatabase.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void Check(bool ok) {
    if (!ok)
        std::abort();
}

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
        Check(!error.empty() && db.GetDatabaseBytes() == before);
        return;
    }
    const int n = db.GetNumRecords();
    Check(size_t(n) == FileCount(data));
    for (int i = 0; i < n; ++i) {
        const clsQuillaryItem& note = *db.GetRecordObject(i);
        Check(SameAsFile(note.RecordBytes(), data, size, FileOffset(data, size_t(i))));
        Check(note.attributes == FileAttributes(data, size_t(i)));
        Check(note.UniqueID == FileUniqueID(data, size_t(i)));
        clsBitmap pic;
        db.GetRecordBitmap(i, pic, &error);
        (void)note.Text();
    }
    std::vector<std::string> cats;
    db.GetCategoryList(cats);

    const std::vector<uint8_t> saved = db.GetDatabaseBytes();
    clsDatabase again;
    Check(again.LoadDatabaseBytes(saved.data(), saved.size(), "again.pdb", {}, &error));
    Check(again.GetNumRecords() == n);
    for (int i = 0; i < n; ++i) {
        const clsQuillaryItem& a = *db.GetRecordObject(i);
        const clsQuillaryItem& b = *again.GetRecordObject(i);
        Check(a.RecordBytes() == b.RecordBytes() && a.attributes == b.attributes &&
              a.UniqueID == b.UniqueID && a.RawText() == b.RawText());
    }
    Check(again.m_PalmFileName == db.m_PalmFileName);
    Check(again.AppInfo() == db.AppInfo());
    Check(again.GetDatabaseBytes() == saved);
}

void CheckInserts(const uint8_t* data, size_t size) {
    clsInsertDatabase ins;
    ins.AddNewDatabase();
    std::string error;
    if (!ins.LoadDatabaseBytes(data, size, "fuzz.pdb", {}, &error)) {
        Check(!error.empty() && ins.GetNumRecords() == 0);
        return;
    }
    const int n = ins.GetNumRecords();
    Check(size_t(n) == FileCount(data));
    for (int i = 0; i < n; ++i) {
        const clsTextInsertItem& item = *ins.GetRecordObject(i);
        std::vector<uint8_t> record;
        item.WriteOutItem(record);
        Check(SameAsFile(record, data, size, FileOffset(data, size_t(i))));
        Check(item.attributes == FileAttributes(data, size_t(i)));
        Check(item.UniqueID == FileUniqueID(data, size_t(i)));
    }
    const std::vector<uint8_t> saved = ins.GetDatabaseBytes();
    clsInsertDatabase again;
    Check(again.LoadDatabaseBytes(saved.data(), saved.size(), "again.pdb", {}, &error));
    Check(again.GetNumRecords() == n);
    for (int i = 0; i < n; ++i) {
        const clsTextInsertItem& a = *ins.GetRecordObject(i);
        const clsTextInsertItem& b = *again.GetRecordObject(i);
        Check(a.Title == b.Title && a.RawText() == b.RawText() && a.attributes == b.attributes &&
              a.UniqueID == b.UniqueID);
    }
    Check(again.GetDatabaseBytes() == saved);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckNotes(data, size);
    CheckInserts(data, size);
    return 0;
}
