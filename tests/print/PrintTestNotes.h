// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Small notes databases for the printing tests, built in memory.

#include "storage/clsBitmap.h"
#include "storage/clsDatabase.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quillary::test {

struct TestNote {
    TestNote(std::string t = {}, int w = 160, int h = 160, std::function<bool(int x, int y)> b = {})
        : text(std::move(t)), width(w), height(h), black(std::move(b)) {}
    std::string text;
    int width = 160; // picture size in pixels
    int height = 160;
    // Which pixels are black; null leaves the picture blank.
    std::function<bool(int x, int y)> black;
};

inline std::unique_ptr<clsDatabase> MakeNotesDatabase(const std::vector<TestNote>& notes) {
    auto db = std::make_unique<clsDatabase>();
    db->AddNewDatabase();
    for (const TestNote& note : notes) {
        const int index = db->GetNumRecords();
        db->AddNewRecord(index);
        clsQuillaryItem* item = db->GetRecordObject(index);
        item->SetText(note.text);
        clsBitmap bitmap;
        bitmap.InitializeBitmap(note.width, note.height, 1);
        if (note.black)
            for (int y = 0; y < note.height; ++y)
                for (int x = 0; x < note.width; ++x)
                    if (note.black(x, y))
                        bitmap.SetPixel(x, y, true);
        item->SetBitmap(bitmap);
    }
    return db;
}

inline bool AllBlack(int, int) {
    return true;
}

} // namespace quillary::test
