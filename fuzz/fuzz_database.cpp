// Database reader: any bytes either load (and then save and reload to the same thing) or
// are refused with a message, leaving the object as it was.

#include "storage/clsBitmap.h"
#include "storage/clsDatabase.h"
#include "storage/clsInsertDatabase.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        clsDatabase db;
        db.m_NewNoteTitle = [] { return std::string("fuzz - "); };
        db.AddNewDatabase();
        db.AddNewRecord(0);
        const std::vector<uint8_t> before = db.GetDatabaseBytes();
        std::string error;
        if (db.LoadDatabaseBytes(data, size, "fuzz.pdb", {}, &error)) {
            for (int i = 0; i < db.GetNumRecords(); ++i) {
                clsBitmap pic;
                db.GetRecordBitmap(i, pic, &error);
                (void)db.GetRecordObject(i)->Text();
            }
            std::vector<std::string> cats;
            db.GetCategoryList(cats);
            const std::vector<uint8_t> saved = db.GetDatabaseBytes();
            clsDatabase again;
            if (!again.LoadDatabaseBytes(saved.data(), saved.size(), "again.pdb", {}, &error))
                std::abort();
            if (again.GetDatabaseBytes() != saved)
                std::abort();
        } else if (error.empty() || db.GetDatabaseBytes() != before) {
            std::abort();
        }
    }
    {
        clsInsertDatabase ins;
        ins.AddNewDatabase();
        std::string error;
        if (ins.LoadDatabaseBytes(data, size, "fuzz.pdb", {}, &error)) {
            const std::vector<uint8_t> saved = ins.GetDatabaseBytes();
            clsInsertDatabase again;
            if (!again.LoadDatabaseBytes(saved.data(), saved.size(), "again.pdb", {}, &error))
                std::abort();
            if (again.GetDatabaseBytes() != saved)
                std::abort();
        } else if (error.empty() || ins.GetNumRecords() != 0) {
            std::abort();
        }
    }
    return 0;
}
