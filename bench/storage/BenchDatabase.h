// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The 5000-note database the storage benchmarks and bench/files/compare.sh measure:
// sketched pictures (lines, boxes, scribbles) and short texts, about 37 MB.

#include "storage/clsBitmap.h"
#include "support/NotePictures.h"
#include "storage/clsDatabase.h"

#include <random>
#include <string>
#include <vector>

namespace quillary::bench {

// Lines, boxes and scribbles: what notes hold, with rows that repeat and rows that change
// (the tests' pen strokes, twelve per picture).
inline clsBitmap MakeSketch(unsigned seed) {
    return test::Strokes(seed, 12);
}

// Writes the database to path; false when it cannot be written.
inline bool WriteBenchDatabase(const std::string& path, int notes = 5000) {
    clsDatabase db;
    db.m_NewNoteTitle = [] { return std::string("3/14/26 4:07 pm - "); };
    db.AddNewDatabase();
    std::vector<std::vector<uint8_t>> pictures;
    for (unsigned s = 0; s < 64; ++s) {
        std::vector<uint8_t> enc;
        MakeSketch(s).GetPalmBitmap(enc);
        pictures.push_back(std::move(enc));
    }
    for (int i = 0; i < notes; ++i) {
        db.AddNewRecord(i);
        clsQuillaryItem* note = db.GetRecordObject(i);
        note->SetText("Note " + std::to_string(i) + "\nSome words about it.\n" +
                      std::string(size_t(i % 300), 'x'));
        note->SetBitmapData(pictures[size_t(i) % pictures.size()]);
        note->attributes = uint8_t(i % 4);
    }
    return db.ExportDatabase(path);
}

} // namespace quillary::bench
